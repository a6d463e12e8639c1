// TEWB: the typed wrapper of the platform WebBrowser control.
#pragma once

#include <exdisp.h>

#include <string>

#include "browser/host/EwbIds.h"
#include "framework/OleCtrls.h"

namespace ewb {

using ui::TMethod;
using ui::TObject;
using WordBool = VARIANT_BOOL;

extern const CLSID CLSID_EWBWebBrowser;        // {8856F961-340A-11D0-A96B-00C04FD705A2}
extern const IID DIID_EWBWebBrowserEvents2;    // {34A715A0-6587-11D0-924A-0020AFC7AC4D}
extern const IID IID_EWBWebBrowser;            // {EAB22AC1-30C1-11CF-A7EB-0000C05BAE0B}
extern const IID IID_EWBWebBrowserApp;         // {0002DF05-0000-0000-C000-000000000046}
extern const IID IID_EWBWebBrowser2;           // {D30C1661-CDAF-11D0-8A3E-00C04FC9E26E}

// The control's description, shared by all instances.
extern const ui::TControlData ControlDescription;

using TEWBStatusTextChange = TMethod<void(TObject* ASender, const std::wstring& Text)>;
using TEWBProgressChange = TMethod<void(TObject* ASender, int32_t Progress, int32_t ProgressMax)>;
using TEWBCommandStateChange = TMethod<void(TObject* ASender, int32_t Command, WordBool Enable)>;
using TEWBTitleChange = TMethod<void(TObject* ASender, const std::wstring& Text)>;
using TEWBPropertyChange = TMethod<void(TObject* ASender, const std::wstring& szProperty)>;
using TEWBBeforeNavigate2 =
    TMethod<void(TObject* ASender, IDispatch* pDisp, VARIANT& URL, VARIANT& Flags, VARIANT& TargetFrameName,
                 VARIANT& PostData, VARIANT& Headers, WordBool& Cancel)>;
using TEWBNewWindow2 = TMethod<void(TObject* ASender, IDispatch*& ppDisp, WordBool& Cancel)>;
using TEWBNavigateComplete2 = TMethod<void(TObject* ASender, IDispatch* pDisp, VARIANT& URL)>;
using TEWBDocumentComplete = TMethod<void(TObject* ASender, IDispatch* pDisp, VARIANT& URL)>;
using TEWBOnVisible = TMethod<void(TObject* ASender, WordBool Visible)>;
using TEWBOnToolBar = TMethod<void(TObject* ASender, WordBool ToolBar)>;
using TEWBOnMenuBar = TMethod<void(TObject* ASender, WordBool MenuBar)>;
using TEWBOnStatusBar = TMethod<void(TObject* ASender, WordBool StatusBar)>;
using TEWBOnFullScreen = TMethod<void(TObject* ASender, WordBool FullScreen)>;
using TEWBOnTheaterMode = TMethod<void(TObject* ASender, WordBool TheaterMode)>;
using TEWBOnAddressBar = TMethod<void(TObject* ASender, WordBool AddressBar)>;
using TEWBWindowSetResizable = TMethod<void(TObject* ASender, WordBool Resizable)>;
using TEWBWindowSetLeft = TMethod<void(TObject* ASender, int32_t Left)>;
using TEWBWindowSetTop = TMethod<void(TObject* ASender, int32_t Top)>;
using TEWBWindowSetWidth = TMethod<void(TObject* ASender, int32_t Width)>;
using TEWBWindowSetHeight = TMethod<void(TObject* ASender, int32_t Height)>;
using TEWBWindowClosing = TMethod<void(TObject* ASender, WordBool IsChildWindow, WordBool& Cancel)>;
using TEWBClientToHostWindow = TMethod<void(TObject* ASender, int32_t& CX, int32_t& CY)>;
using TEWBSetSecureLockIcon = TMethod<void(TObject* ASender, int32_t SecureLockIcon)>;
using TEWBFileDownload = TMethod<void(TObject* ASender, WordBool& Cancel)>;
using TEWBNavigateError = TMethod<void(TObject* ASender, IDispatch* pDisp, VARIANT& URL, VARIANT& Frame,
                                       VARIANT& StatusCode, WordBool& Cancel)>;
using TEWBPrintTemplateInstantiation = TMethod<void(TObject* ASender, IDispatch* pDisp)>;
using TEWBPrintTemplateTeardown = TMethod<void(TObject* ASender, IDispatch* pDisp)>;
using TEWBUpdatePageStatus = TMethod<void(TObject* ASender, IDispatch* pDisp, VARIANT& nPage, VARIANT& fDone)>;
using TEWBPrivacyImpactedStateChange = TMethod<void(TObject* ASender, WordBool bImpacted)>;
using TEWBNewWindow3 = TMethod<void(TObject* ASender, IDispatch*& ppDisp, WordBool& Cancel, uint32_t dwFlags,
                                    const std::wstring& bstrUrlContext, const std::wstring& bstrUrl)>;

class TEWB : public ui::TOleControl {
public:
    explicit TEWB(ui::TComponent* owner);
    ~TEWB() override;
    const char* ClassName() const override { return "TEWB"; }

    // The control's IWebBrowser2, bound on first use and held.
    IWebBrowser2* BrowserInterface();

    void Navigate(const std::wstring& URL);
    void Navigate2(VARIANT& URL, VARIANT& Flags, VARIANT& TargetFrameName, VARIANT& PostData, VARIANT& Headers);
    void ExecWB(OLECMDID cmdID, OLECMDEXECOPT cmdexecopt, VARIANT& pvaIn);

    // Properties that live in the control, by DISPID.
    WordBool Visible();
    void SetVisible(WordBool value);
    WordBool StatusBar();
    void SetStatusBar(WordBool value);
    std::wstring StatusText();
    void SetStatusText(const std::wstring& value);
    int32_t ToolBar();
    void SetToolBar(int32_t value);
    WordBool MenuBar();
    void SetMenuBar(WordBool value);
    WordBool FullScreen();
    void SetFullScreen(WordBool value);
    WordBool Offline();
    void SetOffline(WordBool value);
    WordBool Silent();
    void SetSilent(WordBool value);
    WordBool RegisterAsBrowser();
    void SetRegisterAsBrowser(WordBool value);
    WordBool RegisterAsDropTarget();
    void SetRegisterAsDropTarget(WordBool value);
    WordBool TheaterMode();
    void SetTheaterMode(WordBool value);
    WordBool AddressBar();
    void SetAddressBar(WordBool value);
    WordBool Resizable();
    void SetResizable(WordBool value);

    // The event handlers, in the order of the description's DISPIDs. A
    // value stored in a by-reference argument goes back to the control; an
    // interface stored in ppDisp must carry its own reference.
    TEWBStatusTextChange OnStatusTextChange;
    TEWBProgressChange OnProgressChange;
    TEWBCommandStateChange OnCommandStateChange;
    ui::TNotifyEvent OnDownloadBegin;
    ui::TNotifyEvent OnDownloadComplete;
    TEWBTitleChange OnTitleChange;
    TEWBPropertyChange OnPropertyChange;
    TEWBBeforeNavigate2 OnBeforeNavigate2;
    TEWBNewWindow2 OnNewWindow2;
    TEWBNavigateComplete2 OnNavigateComplete2;
    TEWBDocumentComplete OnDocumentComplete;
    ui::TNotifyEvent OnQuit;
    TEWBOnVisible OnVisible;
    TEWBOnToolBar OnToolBar;
    TEWBOnMenuBar OnMenuBar;
    TEWBOnStatusBar OnStatusBar;
    TEWBOnFullScreen OnFullScreen;
    TEWBOnTheaterMode OnTheaterMode;
    TEWBOnAddressBar OnAddressBar;
    TEWBWindowSetResizable OnWindowSetResizable;
    TEWBWindowSetLeft OnWindowSetLeft;
    TEWBWindowSetTop OnWindowSetTop;
    TEWBWindowSetWidth OnWindowSetWidth;
    TEWBWindowSetHeight OnWindowSetHeight;
    TEWBWindowClosing OnWindowClosing;
    TEWBClientToHostWindow OnClientToHostWindow;
    TEWBSetSecureLockIcon OnSetSecureLockIcon;
    TEWBFileDownload OnFileDownload;
    TEWBNavigateError OnNavigateError;
    TEWBPrintTemplateInstantiation OnPrintTemplateInstantiation;
    TEWBPrintTemplateTeardown OnPrintTemplateTeardown;
    TEWBUpdatePageStatus OnUpdatePageStatus;
    TEWBPrivacyImpactedStateChange OnPrivacyImpactedStateChange;
    TEWBNewWindow3 OnNewWindow3;

protected:
    void InvokeEvent(int position, DISPPARAMS& params) override;
    void ControlDestroying() override;

private:
    ui::ComPtr<IWebBrowser2> intf_;
};

}  // namespace ewb
