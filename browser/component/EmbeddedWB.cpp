#include "browser/component/EmbeddedWB.h"

#include "browser/component/EwbPlatform.h"
#include "browser/host/EwbCoreSite.h"
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

// ---- option classes ----

TPrintOptions::TPrintOptions() : htmlHeader_(std::make_unique<TStringList>()), margins_(std::make_unique<TMargins>()) {}

TPrintOptions::~TPrintOptions() {
    // The header list, then the margins.
    htmlHeader_.reset();
    margins_.reset();
}

void TPrintOptions::SetHTMLHeader(const TStrings& value) { htmlHeader_->Assign(value); }

// ---- construction and destruction ----

namespace {
// Before the control is made: without the component's start-up it would
// show pages with its focus handling, mouse-wheel routing and drag and
// drop silently off.
TComponent* StartedOwner(TComponent* owner) {
    if (!BrowserStarted() || !Application)
        throw Exception("The browser component is not started: make an ewb::TBrowserStartUp (or start "
                        "ewb::BrowserModules()) before the first TEmbeddedWB, and keep it until the last is gone");
    return owner;
}
}  // namespace

TEmbeddedWB::TEmbeddedWB(TComponent* owner)
    : TCustomEmbeddedWB(StartedOwner(owner)) {
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
    // Taking the value out needs memory for its name: what fails is told
    // in the error box, and the teardown goes on.
    QueueException(this, Attempt([&] { RemoveRegistryUserAgent(); }));
    // The control's windows go while this class's window procedure and
    // subclass procedures are still alive to see them go; whatever is left
    // subclassed is given back before the stubs are freed.
    TComponent::Destroying();
    DestroyHandle();
    UnhookChildWindows();
    WindowProc = TWndMethod::Of<&TWinControl::WndProc>(this);
    // The control is let go while the site still reaches this class's
    // extensions.
    DestroyControl();
}

// ---- the framework's notifications ----

void TEmbeddedWB::Loaded() {
    TCustomEmbeddedWB::Loaded();
    AfterLoad();
}

void TEmbeddedWB::SetParent(TWinControl* parent) {
    TCustomEmbeddedWB::SetParent(parent);
    RunLoadingStepsOfCode(false);
}

void TEmbeddedWB::CreateWnd() {
    TCustomEmbeddedWB::CreateWnd();
    RunLoadingStepsOfCode(true);
    // Steps that ran before the owner had a window (a form whose definition
    // was read before its window was made) could not hook it: now it has.
    if (loadingStepsRun_) HookOwnerWindowProc();
}

void TEmbeddedWB::RunLoadingStepsOfCode(bool windowMade) {
    // A browser read from a definition runs them when the definition has
    // been read. One made in code has no such end: it runs them once it has
    // a parent and its owner has a window for the owner hook, at the latest
    // when its own window is made.
    if (loadingStepsRun_ || IsLoading() || !Parent()) return;
    auto* owner = dynamic_cast<TWinControl*>(Owner());
    if (!windowMade && owner && !owner->HandleAllocated()) return;
    AfterLoad();
}

void TEmbeddedWB::AfterLoad() {
    // Once per component: the hooks, the proxy and the sound are set once.
    if (loadingStepsRun_) return;
    loadingStepsRun_ = true;
    EnableMessageHandler = true;
    if (!WindowProcInstalled) {
        WindowProc = TWndMethod::Of<&TEmbeddedWB::ComponentWindowProc>(this);
        WindowProcInstalled = true;
    }
    if (!SecurityManager) {
        // Their results are of no consequence: nothing else uses them.
        CoInternetCreateSecurityManager(HostSite(), &SecurityManager, 0);
        CoInternetCreateZoneManager(HostSite(), &ZoneManager, 0);
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

// ---- the component's extensions of the site ----

void TEmbeddedWB::ExtendHostInfo(DOCHOSTUIINFO& pInfo) {
    if (!pInfo.pchHostCss && !HostCSS.empty()) pInfo.pchHostCss = AnsiToTaskMemWide(HostCSS);
    if (!pInfo.pchHostNS && !HostNS.empty()) pInfo.pchHostNS = AnsiToTaskMemWide(HostNS);
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
