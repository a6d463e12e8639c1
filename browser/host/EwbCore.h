// TCustomEmbeddedWB: the host side of the conversation with the WebBrowser
// control. It answers the host interfaces the control and its document
// engine look for on the client site from its published options and events.
#pragma once

#include <docobj.h>
#include <downloadmgr.h>
#include <mshtmhst.h>
#include <mshtml.h>
#include <servprov.h>
#include <shobjidl.h>
#include <urlmon.h>

#include <memory>
#include <string>
#include <vector>

#include "browser/host/SHDocVw_EWB.h"
#include "framework/Sets.h"

namespace ewb {

using ui::TSet;

enum TDragDropHandlingType { ddtMS, ddtMy, ddtCustom, ddtNo };

enum TIEPopupMenu {
    rcmDefault, rcmImage, rcmControl, rcmTable, rcmSelText, rcmAnchor,
    rcmUnKnown, rcmImageArt, rcmImgDynSrc, rcmDebug, rcmAll,
};
using TIEPopupMenus = TSet<TIEPopupMenu, 11>;

enum TIEPopupMenuItem {
    rcsBack, rcsForward, rcsSavePageBkg, rcsSetAsBkg, rcsCopyBkg, rcsSetAsDeskT, rcsSelectAll, rcsPaste,
    rcsCreateSC, rcsAddToFav, rcsEncoding, rcsRefresh, rcsViewSource, rcsProperties, rcsPrint,
    rcsOpenNWindow, rcsOpenLink,
};
using TIEPopupMenuItems = TSet<TIEPopupMenuItem, 17>;

enum TScriptErrorAction { eaContinue, eaCancel, eaAskUser };

enum TUserInterfaceOption {
    DisableTextSelect, DisableHelpMenu, DontUse3DBorders, DontUseScrollBars, PostponeScriptUntilActive,
    ForceOpenNewWindow, Reserved_OFFSCREEN, ForceFlatScrollBars, InsertDivTagOnEditMode,
    ActivateUIOnlyOnDocClick, ConsultBeforeRetrievingBehavior, CheckFontSupportsCodePage,
    DisableSubmitUrlInUTF8, EnableSubmitUrlInUTF8, EnablesFormsAutoComplete, ForceSameWindowNavigation,
    EmableImeLocalLanguages, EnableThemes, DisableThemes, DisablePicsRatings, DisableFrameSetBorder,
    DisablesAutoNameSpaceCorrection, DisableLocalFileAccess, DisableUntrustedProtocol,
    CheckNavigationDelegatedToHost, EnableRedirectNotification, EnableDomWindlessControls,
    EnableWindowedControls, ForceUserActivationOnActiveXJava,
};
using TUserInterfaceOptions = TSet<TUserInterfaceOption, 29>;

enum TDownloadControlOption {
    DownloadImages, DownloadVideos, DownloadBGSounds, DontExecuteScripts, DontExecuteJava, DontExecuteActiveX,
    DontDownloadActiveX, DownloadButDontDisplay, DontDownloadFrame, CheckPageResynchronize,
    DownloadAndIgnoreCache, DontDownloadBehaviors, SuppressedMetaCharset, DisableUrlIfEncodingUTF8,
    EnableUrlIfEncodingUTF8, ForceOfflineMode, DontPerformClientPull, DownloadInSilentMode, WorkOffline,
};
using TDownloadControlOptions = TSet<TDownloadControlOption, 19>;

// Identifiers of the host's interfaces (the services are asked for by the
// same numbers).
extern const IID IID_EwbZoomEvents;
extern const IID IID_EwbHostBehaviorInit;
extern const IID IID_EwbOMWindowServices;
extern const IID IID_EwbDownloadManager;
extern const IID IID_EwbProtectFocus;
extern const IID IID_EwbNewWindowManager;
extern const IID IID_EwbDocHostUIHandler2;
extern const IID IID_EwbDocHostUIHandler;
extern const IID IID_EwbDocHostShowUI;
extern const IID IID_EwbAuthenticate;
// The component's protocol stub, and what it asks of the binding.
extern const IID IID_EwbInternetProtocolRoot;
extern const IID IID_EwbInternetProtocol;
extern const IID IID_EwbHttpNegotiate;

// The platform flag word of each option set, through its fixed table.
uint32_t HostUIFlagsOf(TUserInterfaceOptions options);
uint32_t DownloadControlFlagsOf(TDownloadControlOptions options);

// Events of the ambient properties and the command target.
using TGetTypeInfoCountEvent = TMethod<void(TObject* Sender, int32_t& Count, HRESULT& Rezult)>;
// Interfaces a handler hands out are owning pointers: the handler stores
// what it gives, the host hands the caller a reference of its own.
using TGetTypeInfoEvent = TMethod<void(TObject* Sender, int32_t Index, int32_t LocaleID,
                                       ui::ComPtr<ITypeInfo>& TypeInfo, HRESULT& Rezult)>;
using TGetIDsOfNamesEvent = TMethod<void(TObject* Sender, const IID& IID, void* Names, int32_t NameCount,
                                         int32_t LocaleID, void* DispIDs, HRESULT& Rezult)>;
using TInvokeEvent = TMethod<void(TObject* Sender, int32_t DispID, const IID& IID, int32_t LocaleID, uint16_t Flags,
                                  DISPPARAMS& Params, void* VarResult, void* ExcepInfo, void* ArgErr,
                                  HRESULT& Rezult)>;
using TRefreshEvent = TMethod<void(TObject* Sender, int32_t CmdID, bool& Cancel)>;
using TComTargetExecEvent = TMethod<void(TObject* Sender, const GUID* CmdGroup, uint32_t nCmdID,
                                         uint32_t nCmdexecopt, const VARIANT& vaIn, VARIANT& vaOut,
                                         HRESULT& Rezult)>;
using TScriptErrorEvent =
    TMethod<void(TObject* Sender, const std::string& ErrorLine, const std::string& ErrorCharacter,
                 const std::string& ErrorCode, const std::string& ErrorMessage, const std::string& ErrorUrl,
                 TScriptErrorAction& ScriptErrorAction)>;
using TMenuPreprocess = TMethod<void(TObject* Sender, uint32_t ID, HMENU Menu, IDispatch* Context)>;

// Events of the services.
// The object handed out is asked for the interface the caller wants.
using TQueryServiceEvent =
    TMethod<void(TObject* Sender, const GUID& rsid, const GUID& iid, ui::ComPtr<IUnknown>& Obj)>;
using TBoolQueryEvent = TMethod<void(TObject* Sender, BOOL& Value)>;
using TZoomPercentChangedEvent = TMethod<HRESULT(TObject* Sender, uint32_t ulZoomPercent)>;
using TOMWindowMoveEvent = TMethod<void(TObject* Sender, int32_t cx, int32_t cy)>;
using TEvaluateNewWindowEvent =
    TMethod<void(TObject* Sender, const wchar_t* pszUrl, const wchar_t* pszName, const wchar_t* pszUrlContext,
                 const wchar_t* pszFeatures, BOOL fReplace, uint32_t dwFlags, uint32_t dwUserActionTime,
                 HRESULT& Rezult)>;
using TDownloadEvent = TMethod<void(TObject* Sender, IMoniker* pmk, IBindCtx* pbc, uint32_t dwBindVerb,
                                    uint32_t grfBINDF, BINDINFO* pBindInfo, const wchar_t* pszHeaders,
                                    const wchar_t* pszRedir, uint32_t uiCP, HRESULT& Rezult)>;
using TAuthenticateEvent = TMethod<void(TObject* Sender, HWND& hwnd, std::wstring& szUserName,
                                        std::wstring& szPassWord, HRESULT& Rezult)>;

// Events of drag and drop. An interface stored in DropTarget carries its
// own reference.
using TGetDropTargetEvent = TMethod<void(TObject* Sender, ui::ComPtr<IDropTarget>& DropTarget)>;
using TOnDragEnterEvent = TMethod<void(TObject* Sender, IDataObject* dataObj, int32_t grfKeyState, POINTL pt,
                                       int32_t& dwEffect, HRESULT& Rezult)>;
using TOnDragOverEvent =
    TMethod<void(TObject* Sender, int32_t grfKeyState, POINTL pt, int32_t& dwEffect, HRESULT& Rezult)>;
using TOnDropEvent = TMethod<void(TObject* Sender, IDataObject* dataObj, int32_t grfKeyState, POINTL pt,
                                  int32_t& dwEffect, HRESULT& Rezult)>;

// Events of the UI handler and show-UI.
using TDOCHOSTUIINFO = DOCHOSTUIINFO;
using TShowContextMenuEvent = TMethod<void(TObject* Sender, uint32_t dwID, POINT* ppt, IUnknown* CommandTarget,
                                           IDispatch* Context, HRESULT& Result)>;
using TGetHostInfoEvent = TMethod<void(TObject* Sender, TDOCHOSTUIINFO& pInfo)>;
using TShowUIEvent =
    TMethod<void(TObject* Sender, uint32_t dwID, IOleInPlaceActiveObject* pActiveObject,
                 IOleCommandTarget* pCommandTarget, IOleInPlaceFrame* pFrame, IOleInPlaceUIWindow* pDoc,
                 HRESULT& Rezult)>;
using TEWBNotifyEvent = TMethod<void(TObject* Sender, HRESULT& Rezult)>;
using TEnableModelessEvent = TMethod<void(TObject* Sender, BOOL fEnable)>;
using TOnActivateEvent = TMethod<void(TObject* Sender, BOOL fActivate)>;
using TResizeBorderEvent =
    TMethod<void(TObject* Sender, const RECT* prcBorder, IOleInPlaceUIWindow* pUIWindow, BOOL fRameWindow)>;
using TTranslateAcceleratorEvent =
    TMethod<void(TObject* Sender, MSG* lpMsg, const GUID* pguidCmdGroup, uint32_t nCmdID, bool& Done)>;
using TMaskedCtrlCharEvent = TMethod<void(TObject* Sender, char MaskedChar)>;
using TGetExternalEvent = TMethod<void(TObject* Sender, ui::ComPtr<IDispatch>& ppDispatch)>;
using TTranslateUrlEvent = TMethod<void(TObject* Sender, const wchar_t* pchURLIn, std::wstring& ppchURLOut)>;
using TFilterDataObjectEvent =
    TMethod<void(TObject* Sender, IDataObject* pDO, ui::ComPtr<IDataObject>& ppDORet)>;
using TShowMessageEvent =
    TMethod<HRESULT(TObject* Sender, HWND hwnd, const wchar_t* lpstrText, const wchar_t* lpstrCaption, DWORD dwType,
                    const wchar_t* lpstrHelpFile, DWORD dwHelpContext, LRESULT& plResult)>;
using TShowHelpEvent = TMethod<HRESULT(TObject* Sender, HWND hwnd, const wchar_t* pszHelpFile, UINT uCommand,
                                       DWORD dwData, POINT& ptMouse, IDispatch*& pDispatchObjectHit)>;

// Hooks the browser component installs.
using TUserAgentHook = TMethod<HRESULT(std::wstring& UserAgent)>;
using TPreRefreshHook = TMethod<void(TObject* Sender)>;

class TEwbSite;

// The host core: the published options and events from which the site
// (TEwbSite) answers the control and its engine, and the operations on the
// browser they need.
class TCustomEmbeddedWB : public TEWB {
public:
    explicit TCustomEmbeddedWB(ui::TComponent* owner);
    ~TCustomEmbeddedWB() override;
    const char* ClassName() const override { return "TCustomEmbeddedWB"; }

    // ---- published options ----
    // The letters whose Ctrl+key the page never sees, given in either case
    // and held in upper case, as the keys' codes are; anything but the
    // letters A to Z is refused with an error.
    const std::string& DisableCtrlShortcuts() const { return disableCtrlShortcuts_; }
    void SetDisableCtrlShortcuts(const std::string& letters);
    const TDownloadControlOptions& DownloadOptions() const { return downloadOptions_; }
    void SetDownloadOptions(const TDownloadControlOptions& options);
    const TUserInterfaceOptions& UserInterfaceOptions() const { return userInterfaceOptions_; }
    void SetUserInterfaceOptions(const TUserInterfaceOptions& options);
    std::string HelpFile;
    std::string OptionKeyPath;
    bool OverrideOptionKeyPath = false;
    TDragDropHandlingType DropHandlingType() const { return dropHandlingType_; }
    void SetDropHandlingType(TDragDropHandlingType value);
    TIEPopupMenus DisabledPopupMenus;
    bool FloatingHosting = false;
    TScriptErrorAction ScriptErrorAction = eaContinue;

    // Stored defaults: a definition leaves out a value equal to these.
    static TDownloadControlOptions StoredDefaultDownloadOptions() {
        return {DownloadImages, DownloadVideos, DownloadBGSounds};
    }
    static TUserInterfaceOptions StoredDefaultUserInterfaceOptions() { return {}; }

    // ---- published events of the ambient properties and commands ----
    TGetIDsOfNamesEvent OnGetIDsOfNames;
    TGetTypeInfoEvent OnGetTypeInfo;
    TGetTypeInfoCountEvent OnGetTypeInfoCount;
    TInvokeEvent OnInvoke;
    TScriptErrorEvent OnScriptError;
    TRefreshEvent OnRefresh;
    ui::TNotifyEvent OnUnload;
    TComTargetExecEvent OnCommandExec;
    TMenuPreprocess OnFilterPopupMenu;

    // ---- published events of the UI handler and show-UI ----
    TShowContextMenuEvent OnShowContextMenu;
    TGetHostInfoEvent OnGetHostInfo;
    TShowUIEvent OnShowUI;
    TEWBNotifyEvent OnHideUI;
    TEWBNotifyEvent OnUpdateUI;
    TEnableModelessEvent OnEnableModeless;
    TOnActivateEvent OnOnDocWindowActivate;
    TOnActivateEvent OnOnFrameWindowActivate;
    TResizeBorderEvent OnResizeBorder;
    TTranslateAcceleratorEvent OnTranslateAccelerator;
    TMaskedCtrlCharEvent OnMaskedCtrlChar;
    TGetExternalEvent OnGetExternal;
    TTranslateUrlEvent OnTranslateUrl;
    TFilterDataObjectEvent OnFilterDataObject;
    TShowMessageEvent OnShowMessage;
    TShowHelpEvent OnShowHelpRequest;

    // ---- published events of the services and of drag and drop ----
    TQueryServiceEvent OnQueryService;
    TBoolQueryEvent OnAllowFocusChange;
    TZoomPercentChangedEvent OnZoomPercentChange;
    ui::TNotifyEvent OnPopulateNSTable;
    TOMWindowMoveEvent OnMove;
    TOMWindowMoveEvent OnMoveBy;
    TOMWindowMoveEvent OnResize;
    TOMWindowMoveEvent OnResizeBy;
    TEvaluateNewWindowEvent OnEvaluateNewWindow;
    TDownloadEvent OnFileDownload;
    TAuthenticateEvent OnAuthenticate;
    TGetDropTargetEvent OnGetDropTarget;
    TOnDragEnterEvent OnDragEnter;
    ui::TNotifyEvent OnDragLeave;
    TOnDragOverEvent OnDragOver2;
    TOnDropEvent OnDropEvent;

    // ---- declared internal state ----
    uint32_t HostUIFlags = 0;
    uint32_t DownloadControlFlags = 0;
    bool AllowFocus = true;
    bool UserModeFlag = false;
    HWND ParkedHandle = nullptr;

    // ---- operations ----
    void UpdateHostUIFlags();
    void UpdateDownloadControlFlags();
    HWND FindChildWindowByClass(const wchar_t* className);
    void ActivateBrowserUI();
    ui::ComPtr<IHTMLDocument2> GetHTMLDocument();
    HRESULT ExecDocumentCommand(const GUID* cmdGroup, DWORD cmdID, VARIANT& in, VARIANT& out, DWORD execOption);
    void SetZoom(int32_t value);

    virtual bool FilterCtrlShortcut(const MSG& msg);
    virtual HRESULT HandleScriptError(VARIANT* in, VARIANT* out);
    virtual bool ProvideService(REFGUID serviceId, REFIID interfaceId, void** object);
    // The form holding the component moved or sized, absolutely or by an
    // amount; nothing without a form.
    void MoveParentForm(int32_t x, int32_t y, bool relative);
    void ResizeParentForm(int32_t cx, int32_t cy, bool relative);
    virtual bool HasPopupMenuFilter();
    virtual void FilterPopupMenu(TObject* sender, uint32_t id, HMENU menu, IDispatch* context);

    // ---- extensions of a derived component, reached through the site ----
    // Whether the site answers IDocHostUIHandler with GetHostInfo extended
    // (ExtendHostInfo) and carries the protocol stub (ProtocolStart); the
    // host core alone answers IDocHostUIHandler as IDocHostUIHandler2.
    virtual bool ExtendsSite() const;
    virtual void ExtendHostInfo(DOCHOSTUIINFO& info);
    virtual HRESULT ProtocolStart(LPCWSTR url, IInternetProtocolSink* sink, IInternetBindInfo* bindInfo, DWORD grfPI,
                                  HANDLE_PTR reserved);

    // The site, as the engine sees it; null once the component is going.
    TEwbSite* HostSite();

protected:
    ui::TOleControlSite* CreateSite() override;
    void AcquireWindow() override;
    void ReleaseWindow() override;

    TUserAgentHook UserAgentHook;
    TPreRefreshHook PreRefreshHook;

    // Reads one property of a script error's event object.
    static ui::TVariant ReadEventProperty(IDispatch* eventObject, const wchar_t* name);

private:
    friend class TEwbSite;

    void NotifyAmbientChange();
    wchar_t* GetKeyPath(bool override);
    void SetRegisterAsDropTarget(bool value);
    // Whether ParkedHandle still names the browser's own parked window, not
    // a window that has since been given the same handle.
    bool ParkedWindowIsOurs();
    void RegisterDropTarget(HWND window, IDropTarget* target);
    void RevokeDropTarget(HWND window);

    // A drop target this component registered for a window. The platform
    // holds the target until the registration is revoked, and a window
    // destroyed without that keeps it for good: the registration watches
    // its window and is revoked in the window's WM_DESTROY, whoever
    // destroys it (the engine showing a new document, or the component
    // going), and otherwise when the component goes.
    class TDropRegistration {
    public:
        TDropRegistration(TCustomEmbeddedWB* host, HWND window);
        HWND Window() const { return window_; }

    private:
        void Message(ui::TMessage& message);
        TCustomEmbeddedWB* host_;
        HWND window_;
        ui::TWindowSubclass watch_;
    };
    std::vector<std::unique_ptr<TDropRegistration>> dropRegistrations_;

    std::string disableCtrlShortcuts_ = "N";

    TDownloadControlOptions downloadOptions_;
    TUserInterfaceOptions userInterfaceOptions_;
    TDragDropHandlingType dropHandlingType_ = ddtMS;
};

// Shows the engine's own context menu for the kind, edited by the filter,
// at the point, and hands the chosen command to the engine's window. False
// when nothing could be shown.
bool ShowCustomContextMenu(TCustomEmbeddedWB* host, uint32_t dwID, IUnknown* commandTarget,
                           const TMenuPreprocess& filter, VARIANT& encoding, const POINT* ppt, IDispatch* context);

// Shared window and text routines.
HWND FindParentWindowByClass(HWND window, const std::wstring& className);
int CharPos(char c, const std::string& s);  // 1-based, 0 when absent
wchar_t* AnsiToTaskMemWide(const std::string& s);
wchar_t* WideToTaskMemZeroed(const std::wstring& w);
wchar_t* WideToTaskMem(const std::wstring& s);  // null when the allocation fails
std::wstring GetWindowTextString(HWND window);
std::wstring GetWindowClassNameW(HWND window);

}  // namespace ewb
