// TEmbeddedWB: the published browser component. On top of the host core it
// carries the option objects, the user agent, the HTML-code property, its
// own window procedure and child-window subclassing, the owner-window hook
// that watches the engine's dialog boxes, the GetHostInfo extension, a
// pluggable-protocol stub and the context-menu item filter.
#pragma once

#include <urlmon.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "browser/component/EmbeddedWBHelpers.h"
#include "browser/host/EwbCore.h"
#include "browser/support/EwbFocusControl.h"
#include "framework/Classes.h"
#include "framework/Forms.h"
#include "framework/Modules.h"
#include "framework/Owners.h"

namespace ewb {

class TEwbControl;  // browser/support/EwbControlComponent.h
class TEmbeddedWB;

// WM_BROWSERFOCUS, posted by focus control.

enum TUserAgentMode { uaDefault, uaInternal, uaRegistry };
enum TPrintOrientationOption { poPortrait, poLandScape };

using TMsgEvent = TMethod<void(TObject* Sender, ui::TMessage& Msg, bool& Handled)>;
using TShowDialogEvent = TMethod<void(TObject* Sender, HWND h, int32_t StyleEx, const std::string& OldCaption,
                                      std::wstring& NewCaption, bool& Cancel)>;
using TOnBusyWait =
    TMethod<void(TEmbeddedWB* Sender, uint32_t AStartTime, uint32_t& TimeOut, bool& Cancel)>;
using TKeyEventEx = TMethod<void(TObject* Sender, uint16_t& Key, uint16_t ScanCode, ui::TShiftState Shift)>;

// ---- option classes: owned by the component, data only ----

class TMargins : public ui::TPersistent {
public:
    const char* ClassName() const override { return "TMargins"; }
    double Left = 0.0;    // stored default 0.0
    double Right = 0.0;   // stored default 0.0
    double Top = 0.0;     // stored default 0.0
    double Bottom = 0.0;  // stored default 0.0
};

class TPrintOptions : public ui::TPersistent {
public:
    TPrintOptions();
    ~TPrintOptions() override;
    TPrintOptions(const TPrintOptions&) = delete;
    TPrintOptions& operator=(const TPrintOptions&) = delete;
    const char* ClassName() const override { return "TPrintOptions"; }

    bool Enabled = false;  // stored default False
    TMargins& Margins() { return *margins_; }
    std::string Header;  // stored default empty
    ui::TStrings& HTMLHeader() { return *htmlHeader_; }
    // Copies the lines of `value` into the owned list.
    void SetHTMLHeader(const ui::TStrings& value);
    std::string Footer;                                // stored default empty
    TPrintOrientationOption Orientation = poPortrait;  // always stored

private:
    std::unique_ptr<ui::TStringList> htmlHeader_;
    std::unique_ptr<TMargins> margins_;
};

class TDisableErrors : public ui::TPersistent {
public:
    const char* ClassName() const override { return "TDisableErrors"; }
    bool EnableDDE = true;  // stored default True; configuration data only
    bool fpExceptions() const { return fpExceptions_; }
    // Chooses the floating-point exception mask of the process.
    void SetfpExceptions(bool Value);
    bool ScriptErrorsSuppressed = true;  // stored default True

private:
    bool fpExceptions_ = true;  // stored default True
};

class TDialogBoxes : public ui::TPersistent {
public:
    const char* ClassName() const override { return "TDialogBoxes"; }
    bool DisableAll = false;     // stored default False
    bool ReplaceCaption = true;  // stored default True
    bool ReplaceIcon = true;     // stored default True
    std::wstring NewCaption;     // stored default empty
};

class TProxySettings : public ui::TPersistent {
public:
    const char* ClassName() const override { return "TProxySettings"; }
    bool AutoLoadProxy = false;  // stored default False
    int32_t Port = 80;           // stored default 80
    std::string Password;
    std::string Address;
    std::string UserName;
    std::string UserAgent;

    // Set the process's proxy; each stores its outcome in ProxyApplied and
    // answers it.
    bool SetProxy(const std::string& Agent, const std::string& Proxy);
    bool SetProxyWithCredentials(const std::string& Agent, const std::string& Address, const std::string& UserName,
                                 const std::string& Password, int32_t Port);
};

class TVisualEffects : public ui::TPersistent {
public:
    const char* ClassName() const override { return "TVisualEffects"; }
    int32_t TextSize = 2;        // stored default 2
    bool DisableSounds = false;  // stored default False
};

// ---- the component ----

class TEmbeddedWB : public TCustomEmbeddedWB {
public:
    explicit TEmbeddedWB(ui::TComponent* owner);
    ~TEmbeddedWB() override;
    const char* ClassName() const override { return "TEmbeddedWB"; }

    // ---- published properties, in declaration order ----
    // The control's own properties (DispidSilent, DispidRegisterAsDropTarget,
    // DispidRegisterAsBrowser), as Booleans that a definition stores: stored
    // defaults True, True and False.
    bool Silent();
    void SetSilent(bool value);
    bool RegisterAsDropTarget();
    void SetRegisterAsDropTarget(bool value);
    bool RegisterAsBrowser();
    void SetRegisterAsBrowser(bool value);
    const std::string& About() const { return about_; }
    void SetAbout(const std::string& value);  // ignores the value
    std::string HostCSS;
    std::string HostNS;
    bool EnableMessageHandler = true;
    TIEPopupMenuItems DisabledPopupMenuItems;
    TDisableErrors& DisableErrors() { return *disableErrors_; }
    TDialogBoxes& DialogBoxes() { return *dialogBoxes_; }
    ui::TStrings& HTMLCode() { return *htmlCode_; }
    // Copies the text of `value` (nothing for null); the list's change
    // notification then loads it.
    void SetHTMLCode(const ui::TStrings* value);
    ui::TCloseQueryEvent OnCloseQuery;
    TMsgEvent OnMessage;
    TShowDialogEvent OnShowDialog;
    TPrintOptions& PrintOptions() { return *printOptions_; }
    TProxySettings& ProxySettings() { return *proxySettings_; }
    TVisualEffects& VisualEffects() { return *visualEffects_; }
    // The component's own window visibility, replacing the control's
    // DispidVisible.
    bool Visible() const { return visible_; }
    void SetVisible(bool value) override;
    const std::string& UserAgent() const { return userAgent_; }
    void SetUserAgent(const std::string& Value);
    TUserAgentMode UserAgentMode() const { return userAgentMode_; }
    void SetUserAgentMode(TUserAgentMode Value);
    TOnBusyWait OnBusyWait;
    // Reports changes of the component's visibility; the control's own
    // visibility event has no published handler on this class.
    TEWBOnVisible OnVisible;
    TKeyEventEx OnKeyDown;
    TKeyEventEx OnKeyUp;
    ui::TMouseEvent OnClick;

    // ---- internal state ----
    bool PlatformIsXPSP2 = false;
    bool BlockMoveResize = false;
    bool WindowProcInstalled = false;
    bool Destroying = false;
    ui::ComPtr<IInternetSecurityManager> SecurityManager;
    ui::ComPtr<IInternetZoneManager> ZoneManager;
    ui::ComPtr<IInternetProtocolSink> ProtocolSink;
    ui::ComPtr<IInternetBindInfo> ProtocolBindInfo;

    // User agent: last announced to the control, last written to the
    // registry, and whether it is there.
    std::string AppliedInternalUserAgent;
    std::string RegistryUserAgent;
    bool RegistryUserAgentWritten = false;

    // Owner hook: the owner whose window procedure was replaced, and that
    // procedure.
    ui::TComponent* HookedOwner = nullptr;
    ui::TWndMethod OldOwnerWindowProc;
    // The program's own window that a form put into it lies in: that
    // window, not the form (a child), is deactivated by a dialog box.
    ui::TWindowSubclass HookedRootWindow;

    // A window of the control that is subclassed: its handle, and the stub
    // installed as its procedure with the procedure it had.
    struct TSubclassedWindow {
        HWND Window = nullptr;
        ui::TWindowSubclass Procedure;
    };
    TSubclassedWindow FolderView;  // the hosted "SysListView32"
    TSubclassedWindow Child;       // the first child of the component's window
    TSubclassedWindow Grandchild;  // that child's first child

    // ---- the framework's notifications and requests ----
    // The loading steps: the window procedure, the security and zone
    // managers, the script-error action, the floating-point mask, the owner
    // hook, the proxy and the navigation sound. They run once the window
    // definition has been read; for a browser made in code, once it has a
    // parent (and its owner a window), at the latest when its window is
    // made. Once per component: a later call does nothing.
    void AfterLoad();
    void SetParent(ui::TWinControl* parent) override;
    // Takes the focus when it can; otherwise nothing, and no error.
    void TakeFocus();
    void SetFocus() override { TakeFocus(); }

    // ---- window procedure and child windows ----
    void ComponentWindowProc(ui::TMessage& Message);
    bool NavigateFolderView(uint16_t Key, ui::TShiftState Shift);
    void HookChildWindows();
    void UnhookChildWindows();
    void EnsureChildWindowsHooked();
    void FolderViewWindowProc(ui::TMessage& Message);
    void ChildWindowProc(ui::TMessage& Message);
    void GrandchildWindowProc(ui::TMessage& Message);

    // ---- dialogs and the owner hook ----
    void HookOwnerWindowProc();
    void UnhookOwnerWindowProc();
    void OwnerWindowProc(ui::TMessage& Message);
    void RootWindowProc(ui::TMessage& Message);
    void InspectActivatedWindow(ui::TMessage& Message);

    // ---- user agent and proxy ----
    void UpdateUserAgent();
    HRESULT ProvideUserAgent(std::wstring& Text);
    void ApplyInternalUserAgent();
    void ApplyRegistryUserAgent();
    void RemoveRegistryUserAgent();
    void ApplyProxySettings();

    // ---- navigation sound ----
    void DisableNavigationSound(bool Disable);

    // ---- document loading ----
    void HTMLCodeChanged(TObject* Sender);
    bool Go(const std::string& URL, uint32_t TimeOut);
    void AssignEmptyDocument(bool WaitForIt);
    bool Wait(uint32_t TimeOut);
    HRESULT LoadFromStrings(ui::TStrings& Strings);
    HRESULT LoadFromStream(ui::TMemoryStream& Stream);

    // ---- context-menu filter ----
    bool HasPopupMenuFilter() override;
    void FilterPopupMenu(TObject* sender, uint32_t id, HMENU menu, IDispatch* context) override;

    // ---- the component's extensions of the site ----
    bool ExtendsSite() const override { return true; }
    // GetHostInfo through IDocHostUIHandler adds HostCSS and HostNS.
    void ExtendHostInfo(DOCHOSTUIINFO& pInfo) override;
    // The protocol stub (IInternetProtocolRoot and IInternetProtocol).
    HRESULT ProtocolStart(LPCWSTR szUrl, IInternetProtocolSink* pOIProtSink, IInternetBindInfo* pOIBindInfo,
                          DWORD grfPI, HANDLE_PTR dwReserved) override;

    // The context-menu command of each item, by ordinal.
    struct TPopupMenuItemCommand {
        TIEPopupMenuItem Item;
        uint32_t Command;
    };
    static constexpr TPopupMenuItemCommand PopupMenuItemCommands[] = {
        {rcsBack, IDM_GOBACKWARD},
        {rcsForward, IDM_GOFORWARD},
        {rcsSavePageBkg, IDM_SAVEBACKGROUND},
        {rcsSetAsBkg, IDM_SETWALLPAPER},
        {rcsCopyBkg, IDM_COPYBACKGROUND},
        {rcsSetAsDeskT, IDM_SETDESKTOPITEM},
        {rcsSelectAll, IDM_SELECTALL},
        {rcsPaste, IDM_PASTE},
        {rcsCreateSC, IDM_CREATESHORTCUT},
        {rcsAddToFav, IDM_ADDFAVORITES},
        {rcsEncoding, IDM_LANGUAGE},
        {rcsRefresh, IDM_REFRESH},
        {rcsViewSource, IDM_VIEWSOURCE},
        {rcsProperties, IDM_PROPERTIES},
        {rcsPrint, IDM_PRINT},
        {rcsOpenNWindow, IDM_FOLLOWLINKN},
        {rcsOpenLink, IDM_FOLLOWLINKC},
    };

protected:
    void Loaded() override;
    void CreateWnd() override;
    void WndProc(ui::TMessage& message) override;

private:
    void RunLoadingStepsOfCode(bool windowMade);
    void PreRefresh(TObject* Sender);
    void CMVisibleChanged(ui::TMessage& message);
    void WMBrowserFocus(ui::TMessage& message);
    void SubclassedWindowProc(TSubclassedWindow& window, ui::TMessage& message, bool activateUI);

    std::string about_;
    bool loadingStepsRun_ = false;
    bool visible_ = true;
    std::string userAgent_;
    TUserAgentMode userAgentMode_ = uaDefault;
    std::unique_ptr<TPrintOptions> printOptions_;
    std::unique_ptr<TProxySettings> proxySettings_;
    std::unique_ptr<TDisableErrors> disableErrors_;
    std::unique_ptr<TDialogBoxes> dialogBoxes_;
    std::unique_ptr<TVisualEffects> visualEffects_;
    std::unique_ptr<ui::TStringList> htmlCode_;
};

// ---- process-wide state of the module ----

// The floating-point control word captured at the browser support's
// start-up; until then the platform's initial word.
extern uint16_t SavedFpuControlWord;
// Whether that start-up's OleInitialize answered S_OK.
extern bool OleInitialized;
// The outcome of the last proxy application; True makes the shut-down
// reset the proxy.
extern bool ProxyApplied;
// A browser switched the navigation sound off; the shut-down restores it.
extern bool NavigationSoundDisabled;
// One component at a time hooks its owner's window procedure.
extern bool OwnerHooked;
// The process-wide browser support object, made by the start-up.
extern TEwbControl* EwbControl;

// The proxy of the default connection, through WinINet.
bool SetInternetProxy(const std::string& Agent, const std::string& Proxy);
bool SetInternetProxyWithCredentials(const std::string& Agent, const std::string& Address,
                                     const std::string& UserName, const std::string& Password, int32_t Port);
bool ResetProxy();

// The module's start-up and shut-down: the process-wide support object and
// what a browser changed for the whole process put back at the end.
void EmbeddedWBStartUp();
void EmbeddedWBShutDown();

// Every module the browser component needs, in the order they start (they
// shut down in the reverse order): the late-bound platform libraries
// (nothing to start; freed last), the framework's application object, OLE
// for this thread, and the component's own process-wide support (focus
// control, mouse-wheel routing). A program that keeps a module list of its
// own puts these in it, before its own modules.
std::vector<ui::TModuleInit> BrowserModules();

// The browser component's start-up for a program, as one object: made
// first thing on the user-interface thread, before any window or
// component, it starts BrowserModules() and initialises COM for the
// thread; gone last, after every browser, it shuts them down in the
// reverse order. One at a time per process. A TEmbeddedWB made while none
// lives raises an error.
//     int WINAPI WinMain(...) {
//         ewb::TBrowserStartUp browserStartUp;
//         ...
//     }
class TBrowserStartUp {
public:
    TBrowserStartUp();
    ~TBrowserStartUp();
    TBrowserStartUp(const TBrowserStartUp&) = delete;
    TBrowserStartUp& operator=(const TBrowserStartUp&) = delete;

private:
    ui::TModuleList modules_;
};

// Whether the component's own start-up has run and its shut-down has not.
bool BrowserStarted();

}  // namespace ewb
