#include "browser/component/EmbeddedWB.h"

#include "browser/component/EwbPlatform.h"
#include "framework/Boundary.h"
#include "framework/StartupMarks.h"

namespace ewb {

using namespace ui;

// ---- module state ----

// The runtime's own start-up word (every exception masked) until the
// browser support's start-up captures the processor's.
uint16_t SavedFpuControlWord = 0x037F;
bool OleInitialized = false;
bool ProxyApplied = false;
bool NavigationSoundDisabled = false;
bool OwnerHooked = false;
TEwbControl* EwbControl = nullptr;

namespace {

const char kAboutText[] = "Embedded web browser of the game launcher, built on the platform WebBrowser control";

}  // namespace

namespace {

constexpr bool PopupMenuItemRowsInOrder() {
    int ordinal = 0;
    for (const auto& row : TEmbeddedWB::PopupMenuItemCommands)
        if (row.Item != ordinal++) return false;
    return true;
}

}  // namespace

static_assert(sizeof TEmbeddedWB::PopupMenuItemCommands / sizeof TEmbeddedWB::PopupMenuItemCommands[0] ==
                  rcsOpenLink + 1,
              "one command id per context-menu item");
static_assert(PopupMenuItemRowsInOrder(), "context-menu item rows in ordinal order");

// ---- the component's IDocHostUIHandler view ----

class TEmbeddedWB::TUIHandlerView : public IDocHostUIHandler {
public:
    explicit TUIHandlerView(TEmbeddedWB* owner) : owner_(owner) {}
    virtual ~TUIHandlerView() = default;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        return owner_->QueryInterface(iid, object);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return owner_->AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return owner_->Release(); }

    HRESULT STDMETHODCALLTYPE GetHostInfo(DOCHOSTUIINFO* info) override {
        return Boundary(owner_, E_FAIL, [&] { return owner_->ExtendedGetHostInfo(info); });
    }
    // The rest are the host core's own answers.
    HRESULT STDMETHODCALLTYPE ShowContextMenu(DWORD id, POINT* pt, IUnknown* target, IDispatch* context) override {
        return Core()->ShowContextMenu(id, pt, target, context);
    }
    HRESULT STDMETHODCALLTYPE ShowUI(DWORD id, IOleInPlaceActiveObject* active, IOleCommandTarget* target,
                                     IOleInPlaceFrame* frame, IOleInPlaceUIWindow* doc) override {
        return Core()->ShowUI(id, active, target, frame, doc);
    }
    HRESULT STDMETHODCALLTYPE HideUI() override { return Core()->HideUI(); }
    HRESULT STDMETHODCALLTYPE UpdateUI() override { return Core()->UpdateUI(); }
    HRESULT STDMETHODCALLTYPE EnableModeless(BOOL enable) override { return Core()->EnableModeless(enable); }
    HRESULT STDMETHODCALLTYPE OnDocWindowActivate(BOOL activate) override {
        return Core()->OnDocWindowActivate(activate);
    }
    HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(BOOL activate) override {
        return Core()->OnFrameWindowActivate(activate);
    }
    HRESULT STDMETHODCALLTYPE ResizeBorder(LPCRECT border, IOleInPlaceUIWindow* window, BOOL frameWindow) override {
        return Core()->ResizeBorder(border, window, frameWindow);
    }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG msg, const GUID* group, DWORD cmdID) override {
        return Core()->TranslateAccelerator(msg, group, cmdID);
    }
    HRESULT STDMETHODCALLTYPE GetOptionKeyPath(LPOLESTR* key, DWORD reserved) override {
        return Core()->GetOptionKeyPath(key, reserved);
    }
    HRESULT STDMETHODCALLTYPE GetDropTarget(IDropTarget* dropTarget, IDropTarget** result) override {
        return Core()->GetDropTarget(dropTarget, result);
    }
    HRESULT STDMETHODCALLTYPE GetExternal(IDispatch** dispatch) override { return Core()->GetExternal(dispatch); }
    HRESULT STDMETHODCALLTYPE TranslateUrl(DWORD translate, LPWSTR urlIn, LPWSTR* urlOut) override {
        return Core()->TranslateUrl(translate, urlIn, urlOut);
    }
    HRESULT STDMETHODCALLTYPE FilterDataObject(IDataObject* in, IDataObject** out) override {
        return Core()->FilterDataObject(in, out);
    }

private:
    TCustomEmbeddedWB* Core() { return owner_; }
    TEmbeddedWB* owner_;
};

// ---- the protocol stub: IInternetProtocolRoot and IInternetProtocol ----

class TEmbeddedWB::TProtocolView : public IInternetProtocol {
public:
    explicit TProtocolView(TEmbeddedWB* owner) : owner_(owner) {}
    virtual ~TProtocolView() = default;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        return owner_->QueryInterface(iid, object);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return owner_->AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return owner_->Release(); }

    HRESULT STDMETHODCALLTYPE Start(LPCWSTR url, IInternetProtocolSink* sink, IInternetBindInfo* bindInfo, DWORD grfPI,
                                    HANDLE_PTR reserved) override {
        return Boundary(owner_, INET_E_USE_DEFAULT_PROTOCOLHANDLER,
                        [&] { return owner_->ProtocolStart(url, sink, bindInfo, grfPI, reserved); });
    }
    HRESULT STDMETHODCALLTYPE Continue(PROTOCOLDATA*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Abort(HRESULT, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Terminate(DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Suspend() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Resume() override { return E_NOTIMPL; }
    // The byte count is left as the caller gave it.
    HRESULT STDMETHODCALLTYPE Read(void*, ULONG, ULONG*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER, DWORD, ULARGE_INTEGER*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE LockRequest(DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE UnlockRequest() override { return S_OK; }

private:
    TEmbeddedWB* owner_;
};

// ---- option classes ----

TPrintOptions::TPrintOptions() : htmlHeader_(std::make_unique<TStringList>()), margins_(std::make_unique<TMargins>()) {}

TPrintOptions::~TPrintOptions() {
    // The header list, then the margins.
    htmlHeader_.reset();
    margins_.reset();
}

void TPrintOptions::SetHTMLHeader(const TStrings& value) { htmlHeader_->Assign(value); }

// ---- construction and destruction ----

TEmbeddedWB::TEmbeddedWB(TComponent* owner)
    : TCustomEmbeddedWB(owner), uiHandlerView_(new TUIHandlerView(this)), protocolView_(new TProtocolView(this)) {
    about_ = kAboutText;
    visible_ = true;
    printOptions_ = std::make_unique<TPrintOptions>();
    printOptions_->HTMLHeader().Add("<HTML></HTML>");
    proxySettings_ = std::make_unique<TProxySettings>();
    proxySettings_->Port = 80;
    // Fields only: the floating-point setter runs at AfterLoad.
    disableErrors_ = std::make_unique<TDisableErrors>();
    dialogBoxes_ = std::make_unique<TDialogBoxes>();
    dialogBoxes_->ReplaceCaption = true;
    dialogBoxes_->ReplaceIcon = true;
    visualEffects_ = std::make_unique<TVisualEffects>();
    visualEffects_->TextSize = 2;
    PlatformIsXPSP2 = IsWinXPSP2OrLater();
    BlockMoveResize = !PlatformIsXPSP2;
    userAgent_.clear();
    AppliedInternalUserAgent.clear();
    RegistryUserAgent.clear();
    RegistryUserAgentWritten = false;
    htmlCode_ = std::make_unique<TStringList>();
    htmlCode_->OnChange = TNotifyEvent::Of<&TEmbeddedWB::HTMLCodeChanged>(this);
    EnableMessageHandler = true;
    WindowProcInstalled = false;
    UserAgentHook = TUserAgentHook::Of<&TEmbeddedWB::ProvideUserAgent>(this);
    PreRefreshHook = TPreRefreshHook::Of<&TEmbeddedWB::PreRefresh>(this);
    Destroying = false;
    WindowProc = TWndMethod::Of<&TEmbeddedWB::ComponentWindowProc>(this);
}

TEmbeddedWB::~TEmbeddedWB() {
    Destroying = true;
    // The owner gets its window procedure back before anything the hook
    // reads goes, and before the engine is called on the way out: a dialog
    // it opens meanwhile must find the options still there or no hook.
    UnhookOwnerWindowProc();
    printOptions_.reset();
    dialogBoxes_.reset();
    disableErrors_.reset();
    proxySettings_.reset();
    htmlCode_.reset();
    // A control without a document has no text size to put back: nothing
    // to tell the user as the component goes.
    if (visualEffects_->TextSize != 2) Attempt([&] { SetZoom(2); });
    visualEffects_.reset();
    RemoveRegistryUserAgent();
    // The control's windows go while this class's window procedure and
    // subclass procedures are still alive to see them go; whatever is left
    // subclassed is given back before the stubs are freed.
    TComponent::Destroying();
    DestroyHandle();
    UnhookChildWindows();
    WindowProc = TWndMethod::Of<&TWinControl::WndProc>(this);
    // The control keeps what it was given of this class's own views (the
    // UI handler); it lets them go here, while they still exist.
    DestroyControl();
}

// ---- the framework's notifications ----

void TEmbeddedWB::Loaded() {
    TCustomEmbeddedWB::Loaded();
    AfterLoad();
}

void TEmbeddedWB::AfterLoad() {
    EnableMessageHandler = true;
    if (!WindowProcInstalled) {
        WindowProc = TWndMethod::Of<&TEmbeddedWB::ComponentWindowProc>(this);
        WindowProcInstalled = true;
    }
    if (!SecurityManager) {
        // Their results are of no consequence: nothing else uses them.
        CoInternetCreateSecurityManager(static_cast<IServiceProvider*>(this), &SecurityManager, 0);
        CoInternetCreateZoneManager(static_cast<IServiceProvider*>(this), &ZoneManager, 0);
    }
    STARTUP_MARK("security and zone managers");
    if (disableErrors_->ScriptErrorsSuppressed) ScriptErrorAction = eaContinue;
    disableErrors_->SetfpExceptions(disableErrors_->fpExceptions());
    HookOwnerWindowProc();
    if (proxySettings_->AutoLoadProxy) ApplyProxySettings();
    if (visualEffects_->DisableSounds) {
        DisableNavigationSound(true);
        NavigationSoundDisabled = true;
    }
    STARTUP_MARK("loading steps");
}

void TEmbeddedWB::TakeFocus() {
    if (CanFocus()) TWinControl::SetFocus();
}

void TEmbeddedWB::PreRefresh(TObject*) { EnsureChildWindowsHooked(); }

// ---- property accessors ----

bool TEmbeddedWB::Silent() { return GetWordBoolProp(DispidSilent); }
void TEmbeddedWB::SetSilent(bool value) { SetWordBoolProp(DispidSilent, value); }
bool TEmbeddedWB::RegisterAsDropTarget() { return GetWordBoolProp(DispidRegisterAsDropTarget); }
void TEmbeddedWB::SetRegisterAsDropTarget(bool value) { SetWordBoolProp(DispidRegisterAsDropTarget, value); }
bool TEmbeddedWB::RegisterAsBrowser() { return GetWordBoolProp(DispidRegisterAsBrowser); }
void TEmbeddedWB::SetRegisterAsBrowser(bool value) { SetWordBoolProp(DispidRegisterAsBrowser, value); }

void TEmbeddedWB::SetAbout(const std::string&) {}

void TEmbeddedWB::SetHTMLCode(const TStrings* value) {
    if (value) htmlCode_->Assign(*value);
}

void TEmbeddedWB::SetVisible(bool value) {
    if (value == visible_) return;
    visible_ = value;
    TWinControl::SetVisible(value);
}

// ---- messages by number ----

void TEmbeddedWB::WndProc(TMessage& message) {
    switch (message.Msg) {
    case CM_VISIBLECHANGED:
        CMVisibleChanged(message);
        return;
    case WM_BROWSERFOCUS:
        WMBrowserFocus(message);
        return;
    default:
        // WM_SETFOCUS among them: the framework's handling only.
        TCustomEmbeddedWB::WndProc(message);
        return;
    }
}

void TEmbeddedWB::CMVisibleChanged(TMessage& message) {
    TCustomEmbeddedWB::WndProc(message);
    visible_ = message.WParam == 1;
    if (OnVisible) OnVisible(this, visible_ ? VARIANT_TRUE : VARIANT_FALSE);
}

void TEmbeddedWB::WMBrowserFocus(TMessage&) {
    TCustomForm* form = GetParentForm();
    if (!form || !dynamic_cast<TEmbeddedWB*>(form->ActiveControl()) || !CanFocus()) return;
    form->SetActiveControl(this);
    ActivateBrowserUI();
}

// ---- the component's views ----

HRESULT TEmbeddedWB::QueryHostInterface(REFIID iid, void** object) {
    struct TView {
        const IID* Iid;
        void* (*Get)(TEmbeddedWB* self);
    };
    static const TView kViews[] = {
        {&IID_EwbInternetProtocolRoot, [](TEmbeddedWB* s) -> void* { return static_cast<IInternetProtocol*>(s->protocolView_.get()); }},
        {&IID_EwbInternetProtocol, [](TEmbeddedWB* s) -> void* { return static_cast<IInternetProtocol*>(s->protocolView_.get()); }},
        {&IID_EwbDocHostUIHandler, [](TEmbeddedWB* s) -> void* { return static_cast<IDocHostUIHandler*>(s->uiHandlerView_.get()); }},
    };
    for (const TView& view : kViews) {
        if (iid == *view.Iid) {
            *object = view.Get(this);
            AddRef();
            return S_OK;
        }
    }
    return TCustomEmbeddedWB::QueryHostInterface(iid, object);
}

HRESULT TEmbeddedWB::ExtendedGetHostInfo(DOCHOSTUIINFO* pInfo) {
    HRESULT result = TCustomEmbeddedWB::GetHostInfo(pInfo);
    if (!pInfo) return result;
    if (!pInfo->pchHostCss && !HostCSS.empty()) pInfo->pchHostCss = AnsiToTaskMemWide(HostCSS);
    if (!pInfo->pchHostNS && !HostNS.empty()) pInfo->pchHostNS = AnsiToTaskMemWide(HostNS);
    return result;
}

HRESULT TEmbeddedWB::ProtocolStart(LPCWSTR szUrl, IInternetProtocolSink* pOIProtSink, IInternetBindInfo* pOIBindInfo,
                                   DWORD, HANDLE_PTR) {
    ProtocolSink = pOIProtSink;
    ProtocolBindInfo = pOIBindInfo;
    ComPtr<IServiceProvider> provider;
    if (pOIProtSink && SUCCEEDED(pOIProtSink->QueryInterface(IID_PPV_ARGS(&provider))) && provider) {
        ComPtr<IHttpNegotiate> negotiate;
        if (SUCCEEDED(provider->QueryService(IID_EwbHttpNegotiate, IID_EwbHttpNegotiate,
                                             reinterpret_cast<void**>(negotiate.GetAddressOf()))) &&
            negotiate) {
            // Additional headers are handed to us to free.
            LPWSTR additional = nullptr;
            negotiate->BeginningTransaction(szUrl, nullptr, 0, &additional);
            TCoTaskMem<wchar_t> owned(additional);
        }
    }
    return INET_E_USE_DEFAULT_PROTOCOLHANDLER;
}

// ---- the context-menu filter ----

bool TEmbeddedWB::HasPopupMenuFilter() {
    return TCustomEmbeddedWB::HasPopupMenuFilter() || !DisabledPopupMenuItems.Empty();
}

void TEmbeddedWB::FilterPopupMenu(TObject* sender, uint32_t id, HMENU menu, IDispatch* context) {
    TCustomEmbeddedWB::FilterPopupMenu(sender, id, menu, context);
    for (const TPopupMenuItemCommand& row : PopupMenuItemCommands)
        if (DisabledPopupMenuItems.Contains(row.Item)) DeleteMenu(menu, row.Command, MF_BYCOMMAND);
}

}  // namespace ewb
