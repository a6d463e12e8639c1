#include "browser/host/EwbCore.h"

#include "browser/host/EwbCoreSite.h"
#include "browser/support/EwbWindows.h"
#include "framework/Forms.h"

namespace ewb {

using namespace ui;

namespace {

// The platform flag bit of one option.
template <typename E>
struct TFlagRow {
    E Option;
    uint32_t Flag;
};

// ForceSameWindowNavigation is ENABLE_INPLACE_NAVIGATION, 0x00010000: the
// word has no 0x00008000.
constexpr TFlagRow<TUserInterfaceOption> kHostUIFlags[] = {
    {DisableTextSelect, DOCHOSTUIFLAG_DIALOG},
    {DisableHelpMenu, DOCHOSTUIFLAG_DISABLE_HELP_MENU},
    {DontUse3DBorders, DOCHOSTUIFLAG_NO3DBORDER},
    {DontUseScrollBars, DOCHOSTUIFLAG_SCROLL_NO},
    {PostponeScriptUntilActive, DOCHOSTUIFLAG_DISABLE_SCRIPT_INACTIVE},
    {ForceOpenNewWindow, DOCHOSTUIFLAG_OPENNEWWIN},
    {Reserved_OFFSCREEN, DOCHOSTUIFLAG_DISABLE_OFFSCREEN},
    {ForceFlatScrollBars, DOCHOSTUIFLAG_FLAT_SCROLLBAR},
    {InsertDivTagOnEditMode, DOCHOSTUIFLAG_DIV_BLOCKDEFAULT},
    {ActivateUIOnlyOnDocClick, DOCHOSTUIFLAG_ACTIVATE_CLIENTHIT_ONLY},
    {ConsultBeforeRetrievingBehavior, DOCHOSTUIFLAG_OVERRIDEBEHAVIORFACTORY},
    {CheckFontSupportsCodePage, DOCHOSTUIFLAG_CODEPAGELINKEDFONTS},
    {DisableSubmitUrlInUTF8, DOCHOSTUIFLAG_URL_ENCODING_DISABLE_UTF8},
    {EnableSubmitUrlInUTF8, DOCHOSTUIFLAG_URL_ENCODING_ENABLE_UTF8},
    {EnablesFormsAutoComplete, DOCHOSTUIFLAG_ENABLE_FORMS_AUTOCOMPLETE},
    {ForceSameWindowNavigation, DOCHOSTUIFLAG_ENABLE_INPLACE_NAVIGATION},
    {EmableImeLocalLanguages, DOCHOSTUIFLAG_IME_ENABLE_RECONVERSION},
    {EnableThemes, DOCHOSTUIFLAG_THEME},
    {DisableThemes, DOCHOSTUIFLAG_NOTHEME},
    {DisablePicsRatings, DOCHOSTUIFLAG_NOPICS},
    {DisableFrameSetBorder, DOCHOSTUIFLAG_NO3DOUTERBORDER},
    {DisablesAutoNameSpaceCorrection, DOCHOSTUIFLAG_DISABLE_EDIT_NS_FIXUP},
    {DisableLocalFileAccess, DOCHOSTUIFLAG_LOCAL_MACHINE_ACCESS_CHECK},
    {DisableUntrustedProtocol, DOCHOSTUIFLAG_DISABLE_UNTRUSTEDPROTOCOL},
    {CheckNavigationDelegatedToHost, DOCHOSTUIFLAG_HOST_NAVIGATES},
    {EnableRedirectNotification, DOCHOSTUIFLAG_ENABLE_REDIRECT_NOTIFICATION},
    {EnableDomWindlessControls, DOCHOSTUIFLAG_USE_WINDOWLESS_SELECTCONTROL},
    {EnableWindowedControls, DOCHOSTUIFLAG_USE_WINDOWED_SELECTCONTROL},
    {ForceUserActivationOnActiveXJava, DOCHOSTUIFLAG_ENABLE_ACTIVEX_INACTIVATE_MODE},
};

// ForceOfflineMode is DLCTL_FORCEOFFLINE, 0x10000000: no option stands for
// DLCTL_NOFRAMES or the bits up to it.
constexpr TFlagRow<TDownloadControlOption> kDownloadControlFlags[] = {
    {DownloadImages, DLCTL_DLIMAGES},
    {DownloadVideos, DLCTL_VIDEOS},
    {DownloadBGSounds, DLCTL_BGSOUNDS},
    {DontExecuteScripts, DLCTL_NO_SCRIPTS},
    {DontExecuteJava, DLCTL_NO_JAVA},
    {DontExecuteActiveX, DLCTL_NO_RUNACTIVEXCTLS},
    {DontDownloadActiveX, DLCTL_NO_DLACTIVEXCTLS},
    {DownloadButDontDisplay, DLCTL_DOWNLOADONLY},
    {DontDownloadFrame, DLCTL_NO_FRAMEDOWNLOAD},
    {CheckPageResynchronize, DLCTL_RESYNCHRONIZE},
    {DownloadAndIgnoreCache, DLCTL_PRAGMA_NO_CACHE},
    {DontDownloadBehaviors, DLCTL_NO_BEHAVIORS},
    {SuppressedMetaCharset, DLCTL_NO_METACHARSET},
    {DisableUrlIfEncodingUTF8, DLCTL_URL_ENCODING_DISABLE_UTF8},
    {EnableUrlIfEncodingUTF8, DLCTL_URL_ENCODING_ENABLE_UTF8},
    {ForceOfflineMode, DLCTL_FORCEOFFLINE},
    {DontPerformClientPull, DLCTL_NO_CLIENTPULL},
    {DownloadInSilentMode, DLCTL_SILENT},
    {WorkOffline, DLCTL_OFFLINE},
};

// Rows in ordinal order, one per member of the set, each a single bit that
// no other row has: the word is then the sum of the members' bits.
template <typename E, int N>
constexpr bool FlagRowsInOrder(const TFlagRow<E> (&rows)[N]) {
    uint32_t seen = 0;
    for (int ordinal = 0; ordinal < N; ++ordinal) {
        const uint32_t flag = rows[ordinal].Flag;
        if (static_cast<int>(rows[ordinal].Option) != ordinal) return false;
        if (flag == 0 || (flag & (flag - 1)) != 0 || (seen & flag) != 0) return false;
        seen |= flag;
    }
    return true;
}
static_assert(sizeof kHostUIFlags / sizeof kHostUIFlags[0] == ForceUserActivationOnActiveXJava + 1,
              "one row per UI option");
static_assert(FlagRowsInOrder(kHostUIFlags), "UI option rows in ordinal order, each its own bit");
static_assert(sizeof kDownloadControlFlags / sizeof kDownloadControlFlags[0] == WorkOffline + 1,
              "one row per download option");
static_assert(FlagRowsInOrder(kDownloadControlFlags), "download option rows in ordinal order, each its own bit");

// The set's size and the table's must agree for this to compile.
template <typename E, int N>
uint32_t FlagsOf(const TSet<E, N>& options, const TFlagRow<E> (&rows)[N]) {
    uint32_t word = 0;
    for (const TFlagRow<E>& row : rows)
        if (options.Contains(row.Option)) word += row.Flag;
    return word;
}

}  // namespace

const IID IID_EwbZoomEvents = {0x41B68150, 0x904C, 0x4E17, {0xA0, 0xBA, 0xA4, 0x38, 0x18, 0x2E, 0x35, 0x9D}};
const IID IID_EwbHostBehaviorInit = {0x3050F842, 0x98B5, 0x11CF, {0xBB, 0x82, 0x00, 0xAA, 0x00, 0xBD, 0xCE, 0x0B}};
const IID IID_EwbOMWindowServices = {0x3050F5FC, 0x98B5, 0x11CF, {0xBB, 0x82, 0x00, 0xAA, 0x00, 0xBD, 0xCE, 0x0B}};
const IID IID_EwbDownloadManager = {0x988934A4, 0x064B, 0x11D3, {0xBB, 0x80, 0x00, 0x10, 0x4B, 0x35, 0xE7, 0xF9}};
const IID IID_EwbProtectFocus = {0xD81F90A3, 0x8156, 0x44F7, {0xAD, 0x28, 0x5A, 0xBB, 0x87, 0x00, 0x32, 0x74}};
const IID IID_EwbNewWindowManager = {0xD2BC4C84, 0x3F72, 0x4A52, {0xA6, 0x04, 0x7B, 0xCB, 0xF3, 0x98, 0x2C, 0xBB}};
const IID IID_EwbDocHostUIHandler2 = {0x3050F6D0, 0x98B5, 0x11CF, {0xBB, 0x82, 0x00, 0xAA, 0x00, 0xBD, 0xCE, 0x0B}};
const IID IID_EwbDocHostUIHandler = {0xBD3F23C0, 0xD43E, 0x11CF, {0x89, 0x3B, 0x00, 0xAA, 0x00, 0xBD, 0xCE, 0x1A}};
const IID IID_EwbDocHostShowUI = {0xC4D244B0, 0xD43E, 0x11CF, {0x89, 0x3B, 0x00, 0xAA, 0x00, 0xBD, 0xCE, 0x1A}};
const IID IID_EwbAuthenticate = {0x79EAC9D0, 0xBAF9, 0x11CE, {0x8C, 0x82, 0x00, 0xAA, 0x00, 0x4B, 0xA9, 0x0B}};
const IID IID_EwbInternetProtocolRoot = {0x79EAC9E3, 0xBAF9, 0x11CE, {0x8C, 0x82, 0x00, 0xAA, 0x00, 0x4B, 0xA9, 0x0B}};
const IID IID_EwbInternetProtocol = {0x79EAC9E4, 0xBAF9, 0x11CE, {0x8C, 0x82, 0x00, 0xAA, 0x00, 0x4B, 0xA9, 0x0B}};
const IID IID_EwbHttpNegotiate = {0x79EAC9D2, 0xBAF9, 0x11CE, {0x8C, 0x82, 0x00, 0xAA, 0x00, 0x4B, 0xA9, 0x0B}};


uint32_t HostUIFlagsOf(TUserInterfaceOptions options) { return FlagsOf(options, kHostUIFlags); }

uint32_t DownloadControlFlagsOf(TDownloadControlOptions options) {
    return FlagsOf(options, kDownloadControlFlags);
}

TCustomEmbeddedWB::TCustomEmbeddedWB(TComponent* owner) : TEWB(owner) {
    AllowFocus = true;
    ScriptErrorAction = eaContinue;
    SetDownloadOptions({DownloadImages, DownloadVideos, DownloadBGSounds});
    SetUserInterfaceOptions({EnablesFormsAutoComplete, EnableThemes});
    dropHandlingType_ = ddtMS;
    SetDisableCtrlShortcuts("N");
}

void TCustomEmbeddedWB::SetDisableCtrlShortcuts(const std::string& letters) {
    // The key codes of letters are their upper-case characters: a lower-case
    // letter kept as given would match no key and mask nothing, silently.
    std::string upper = letters;
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (c < 'A' || c > 'Z')
            throw Exception("DisableCtrlShortcuts takes the letters A to Z only, not \"" + letters + "\"");
    }
    disableCtrlShortcuts_ = upper;
}

TCustomEmbeddedWB::~TCustomEmbeddedWB() {
    Destroying();
    while (!dropRegistrations_.empty()) RevokeDropTarget(dropRegistrations_.back()->Window());
    // The window goes while this class's window handling is still ours, and
    // the control is closed while the site still reaches us: what the
    // control calls on its way out finds us. Then the site lets us go.
    DestroyHandle();
    DestroyControl();
    DetachSite();
}

void TCustomEmbeddedWB::UpdateHostUIFlags() { HostUIFlags = HostUIFlagsOf(userInterfaceOptions_); }

void TCustomEmbeddedWB::UpdateDownloadControlFlags() {
    DownloadControlFlags = DownloadControlFlagsOf(downloadOptions_);
}

void TCustomEmbeddedWB::SetDownloadOptions(const TDownloadControlOptions& options) {
    downloadOptions_ = options;
    UpdateDownloadControlFlags();
    NotifyAmbientChange();
}

void TCustomEmbeddedWB::SetUserInterfaceOptions(const TUserInterfaceOptions& options) {
    userInterfaceOptions_ = options;
    UpdateHostUIFlags();
    // The control reads the UI flags anew through GetHostInfo when it next
    // asks; the announcement is the download-control one for both.
    NotifyAmbientChange();
}

void TCustomEmbeddedWB::NotifyAmbientChange() {
    // A control not made yet reads the options when it is; asking for it
    // here would make it before its stored state is known.
    if (!ControlCreated()) return;
    ComPtr<IDispatch> application = GetIDispatchProp(DispidApplication);
    if (!application) return;
    ComPtr<IOleControl> control;
    if (FAILED(application.As(&control)) || !control) throw EIntfCastError();
    control->OnAmbientPropertyChange(DISPID_AMBIENT_DLCONTROL);
}

// ---- the site ----

ui::TOleControlSite* TCustomEmbeddedWB::CreateSite() { return new TEwbSite(this); }

TEwbSite* TCustomEmbeddedWB::HostSite() { return static_cast<TEwbSite*>(Site()); }

void TCustomEmbeddedWB::ExtendHostInfo(DOCHOSTUIINFO&) {}

bool TCustomEmbeddedWB::ExtendsSite() const { return false; }

HRESULT TCustomEmbeddedWB::ProtocolStart(LPCWSTR, IInternetProtocolSink*, IInternetBindInfo*, DWORD, HANDLE_PTR) {
    return INET_E_USE_DEFAULT_PROTOCOLHANDLER;
}

// ---- the browser window ----

void TCustomEmbeddedWB::ReleaseWindow() {
    if (IsDestroying()) {
        TEWB::ReleaseWindow();
        return;
    }
    // Kept alive, and with it the page, under the application's window.
    HWND window = ReleaseAdoptedWindow();
    if (window && Application) ::SetParent(window, Application->Handle());
    ParkedHandle = window;
}

bool TCustomEmbeddedWB::ParkedWindowIsOurs() {
    if (!ParkedHandle || !IsWindow(ParkedHandle)) return false;
    if (Application && GetParent(ParkedHandle) != Application->Handle()) return false;
    return ParkedHandle == ControlWindow();
}

void TCustomEmbeddedWB::AcquireWindow() {
    if (ParkedWindowIsOurs()) {
        HWND window = ParkedHandle;
        ParkedHandle = nullptr;
        AdoptWindow(window);
        HWND parentWindow = Parent() ? Parent()->Handle() : nullptr;
        ::SetParent(window, parentWindow);
        RECT client = {0, 0, 0, 0};
        if (parentWindow) GetClientRect(parentWindow, &client);
        MoveWindow(window, 0, 0, client.right, client.bottom, TRUE);
        return;
    }
    ParkedHandle = nullptr;
    TEWB::AcquireWindow();
}

HWND TCustomEmbeddedWB::FindChildWindowByClass(const wchar_t* className) {
    if (!HandleAllocated()) return nullptr;
    for (HWND w = GetWindow(Handle(), GW_CHILD); w && IsWindow(w); w = GetWindow(w, GW_CHILD))
        if (HasWindowClass(w, className)) return w;
    return nullptr;
}

void TCustomEmbeddedWB::ActivateBrowserUI() {
    if (!GetIDispatchProp(DispidDocument)) return;
    // The engine may ask for the focus while it activates: allowed for
    // that long.
    TScopeExit restore([this, saved = AllowFocus] { AllowFocus = saved; });
    AllowFocus = true;
    ComPtr<IDispatch> application = GetIDispatchProp(DispidApplication);
    ComPtr<IOleObject> object;
    if (!application || FAILED(application.As(&object)) || !object) throw EIntfCastError();
    RECT client = ClientRect();
    const HRESULT hr = object->DoVerb(OLEIVERB_UIACTIVATE, nullptr, ClientSite(), 0, Handle(), &client);
    if (hr == S_OK) {
        if (TCustomForm* form = GetParentForm(); form && CanFocus()) form->SetActiveControl(this);
    }
}

ComPtr<IHTMLDocument2> TCustomEmbeddedWB::GetHTMLDocument() {
    ComPtr<IHTMLDocument2> document;
    if (ComPtr<IDispatch> dispatch = GetIDispatchProp(DispidDocument)) dispatch.As(&document);
    return document;
}

bool TCustomEmbeddedWB::HasPopupMenuFilter() { return OnFilterPopupMenu.Assigned(); }

void TCustomEmbeddedWB::FilterPopupMenu(TObject* sender, uint32_t id, HMENU menu, IDispatch* context) {
    if (OnFilterPopupMenu) OnFilterPopupMenu(sender, id, menu, context);
}

// ---- shared routines ----

HWND FindParentWindowByClass(HWND window, const std::wstring& className) {
    return ParentWindowOfClass(window, className.c_str());
}

int CharPos(char c, const std::string& s) {
    size_t at = s.find(c);
    return at == std::string::npos ? 0 : static_cast<int>(at) + 1;
}

wchar_t* AnsiToTaskMemWide(const std::string& s) {
    std::wstring wide = AnsiToWide(s);
    auto* block = static_cast<wchar_t*>(CoTaskMemAlloc(2 * s.size() + 2));
    if (!block) return nullptr;
    // The converted text may have fewer characters than the bytes it came
    // from, never more.
    std::copy(wide.begin(), wide.end(), block);
    block[wide.size()] = L'\0';
    return block;
}

wchar_t* WideToTaskMemZeroed(const std::wstring& w) {
    const size_t bytes = 2 * w.size() + 2;
    auto* block = static_cast<wchar_t*>(CoTaskMemAlloc(bytes));
    if (!block) return nullptr;
    ZeroMemory(block, bytes);
    CopyMemory(block, w.data(), 2 * w.size());
    return block;
}

std::wstring GetWindowTextString(HWND window) { return WindowText(window); }

std::wstring GetWindowClassNameW(HWND window) {
    if (!IsWindow(window)) return std::wstring();
    std::wstring buffer(0xFFFE / 2, L'\0');
    int n = GetClassNameW(window, &buffer[0], static_cast<int>(buffer.size()));
    if (n <= 0) return std::wstring();
    buffer.resize(static_cast<size_t>(n));
    return buffer;
}

}  // namespace ewb
