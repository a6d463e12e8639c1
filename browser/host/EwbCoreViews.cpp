// The site's UI handlers and show-UI: each prepares its default answer,
// then lets the application's event change it.
#include "browser/host/EwbCoreSite.h"

#include <utility>

#include "browser/support/EwbLateBound.h"
#include "framework/Boundary.h"
#include "framework/Forms.h"
#include "framework/Menus.h"

namespace ewb {

using namespace ui;

namespace {
// The browser command run before the engine's menu is shown, for its
// encoding; the SDK's name for its number.
constexpr OLECMDID kShowEncodingCommand = OLECMDID_SETPROGRESSTEXT;
}

// ---- context menus ----

HRESULT TEwbSite::ShowContextMenu(DWORD id, POINT* pt, IUnknown* target, IDispatch* context) {
    if (!host_) return S_FALSE;
    const TKeepAlive alive(this);
    // When something of ours fails nothing of ours was shown: the engine
    // shows its own menu.
    return Boundary(host_, S_FALSE, [&] {
        HRESULT result = E_NOTIMPL;
        if (host_->OnShowContextMenu) host_->OnShowContextMenu(host_, id, pt, target, context, result);
        if (result != E_NOTIMPL) return result;
        if (!host_) return S_FALSE;  // the handler took the component away

        bool disabled = host_->DisabledPopupMenus.Contains(rcmAll) ||
                        (id < rcmAll && host_->DisabledPopupMenus.Contains(static_cast<TIEPopupMenu>(id)));
        if (disabled) {
            if (host_->PopupMenu) {
                POINT cursor;
                GetCursorPos(&cursor);
                host_->PopupMenu->Popup(cursor.x, cursor.y);
            }
            return S_OK;
        }
        if (host_->HasPopupMenuFilter()) {
            TVariant encoding;
            host_->ExecWB(kShowEncodingCommand, OLECMDEXECOPT_DODEFAULT, encoding.Get());
            const bool shown = ShowCustomContextMenu(
                host_, id, target, TMenuPreprocess::Of<&TCustomEmbeddedWB::FilterPopupMenu>(host_), encoding.Get(), pt,
                context);
            return shown ? S_OK : S_FALSE;
        }
        return S_FALSE;
    });
}

// ---- host information and UI ----

HRESULT TEwbSite::CoreGetHostInfo(DOCHOSTUIINFO* info) {
    if (!info) return E_POINTER;
    // The whole record and no more: 20 bytes in the 32-bit program.
    ZeroMemory(info, sizeof(DOCHOSTUIINFO));
    info->cbSize = sizeof(DOCHOSTUIINFO);
    if (!host_) return E_FAIL;
    const TKeepAlive alive(this);
    info->dwFlags = host_->HostUIFlags;
    info->dwDoubleClick = DOCHOSTUIDBLCLK_DEFAULT;
    Boundary(host_, [&] {
        if (host_->OnGetHostInfo) host_->OnGetHostInfo(host_, *info);
    });
    return S_OK;
}

HRESULT TEwbSite::ExtendedGetHostInfo(DOCHOSTUIINFO* info) {
    const TKeepAlive alive(this);
    const HRESULT result = CoreGetHostInfo(info);
    if (!info || !host_) return result;
    bool extended = false;
    Boundary(host_, [&] {
        host_->ExtendHostInfo(*info);
        extended = true;
    });
    if (extended) return result;
    // The engine frees only what a call that succeeds hands it: every block
    // of the record goes again, the event's included.
    TCoTaskMem<wchar_t>(std::exchange(info->pchHostCss, nullptr));
    TCoTaskMem<wchar_t>(std::exchange(info->pchHostNS, nullptr));
    return E_FAIL;
}

HRESULT TEwbSite::ShowUI(DWORD id, IOleInPlaceActiveObject* active, IOleCommandTarget* target,
                         IOleInPlaceFrame* frame, IOleInPlaceUIWindow* doc) {
    if (!host_) return S_FALSE;
    const TKeepAlive alive(this);
    HRESULT result = S_FALSE;
    Boundary(host_, [&] {
        if (host_->OnShowUI) host_->OnShowUI(host_, id, active, target, frame, doc, result);
    });
    return result;
}

namespace {
HRESULT NotifyWithResult(TCustomEmbeddedWB* host, const TEWBNotifyEvent& event) {
    HRESULT result = S_FALSE;
    Boundary(host, [&] {
        if (event) event(host, result);
    });
    return result;
}

template <typename Event, typename... Args>
HRESULT NotifyAndAnswerOk(TCustomEmbeddedWB* host, const Event& event, Args... args) {
    Boundary(host, [&] {
        if (event) event(host, args...);
    });
    return S_OK;
}
}  // namespace

HRESULT TEwbSite::HideUI() {
    const TKeepAlive alive(this);
    return host_ ? NotifyWithResult(host_, host_->OnHideUI) : S_FALSE;
}
HRESULT TEwbSite::UpdateUI() {
    const TKeepAlive alive(this);
    return host_ ? NotifyWithResult(host_, host_->OnUpdateUI) : S_FALSE;
}
HRESULT TEwbSite::HandlerEnableModeless(BOOL enable) {
    const TKeepAlive alive(this);
    return host_ ? NotifyAndAnswerOk(host_, host_->OnEnableModeless, enable) : S_OK;
}
HRESULT TEwbSite::OnDocWindowActivate(BOOL activate) {
    const TKeepAlive alive(this);
    return host_ ? NotifyAndAnswerOk(host_, host_->OnOnDocWindowActivate, activate) : S_OK;
}
HRESULT TEwbSite::OnFrameWindowActivate(BOOL activate) {
    const TKeepAlive alive(this);
    return host_ ? NotifyAndAnswerOk(host_, host_->OnOnFrameWindowActivate, activate) : S_OK;
}
HRESULT TEwbSite::ResizeBorder(LPCRECT border, IOleInPlaceUIWindow* window, BOOL frameWindow) {
    const TKeepAlive alive(this);
    return host_ ? NotifyAndAnswerOk(host_, host_->OnResizeBorder, border, window, frameWindow) : S_OK;
}

// ---- keys ----

bool TCustomEmbeddedWB::FilterCtrlShortcut(const MSG& msg) {
    // Only the low byte of the state set is compared: Shift, Alt, Ctrl.
    // Alt comes from the key data's context bit: AltGr, which types
    // characters on many keyboards, is Ctrl+Alt there, and is no shortcut.
    const bool shift = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
    const bool ctrl = (GetKeyState(VK_CONTROL) & 0x8000) != 0;
    const bool alt = (msg.lParam & 0x20000000) != 0;
    const bool onlyCtrl = ctrl && !shift && !alt;
    const char key = static_cast<char>(msg.wParam & 0xFF);
    const bool masked = !disableCtrlShortcuts_.empty() && msg.message == WM_KEYDOWN && onlyCtrl &&
                        CharPos(key, disableCtrlShortcuts_) > 0;
    if (masked && OnMaskedCtrlChar) OnMaskedCtrlChar(this, key);
    return masked;
}

HRESULT TEwbSite::TranslateAccelerator(LPMSG msg, const GUID* group, DWORD cmdID) {
    if (!msg || !host_) return S_FALSE;
    const TKeepAlive alive(this);
    return Boundary(host_, S_FALSE, [&] {
        bool done = host_->FilterCtrlShortcut(*msg);
        if (!done && host_ && host_->OnTranslateAccelerator) host_->OnTranslateAccelerator(host_, msg, group, cmdID, done);
        return done ? S_OK : S_FALSE;
    });
}

// ---- option key paths ----

wchar_t* TCustomEmbeddedWB::GetKeyPath(bool override) {
    if (OptionKeyPath.empty() || OverrideOptionKeyPath != override) return nullptr;
    return AnsiToTaskMemWide(OptionKeyPath);
}

namespace {
HRESULT AnswerKeyPath(LPOLESTR* key, wchar_t* (*read)(TCustomEmbeddedWB*), TCustomEmbeddedWB* host) {
    if (!key) return E_POINTER;
    *key = nullptr;
    if (!host) return S_FALSE;
    // Allocation failures included: no path is handed out.
    if (Attempt([&] { *key = read(host); })) return E_OUTOFMEMORY;
    return *key ? S_OK : S_FALSE;
}
}  // namespace

HRESULT TEwbSite::GetOptionKeyPath(LPOLESTR* key, DWORD) {
    return AnswerKeyPath(key, [](TCustomEmbeddedWB* h) { return h->GetKeyPath(false); }, host_);
}

HRESULT TEwbSite::GetOverrideKeyPath(LPOLESTR* key, DWORD) {
    return AnswerKeyPath(key, [](TCustomEmbeddedWB* h) { return h->GetKeyPath(true); }, host_);
}

// ---- external object, URLs, data objects ----

HRESULT TEwbSite::GetExternal(IDispatch** dispatch) {
    const TKeepAlive alive(this);
    ComPtr<IDispatch> object;
    if (host_) Boundary(host_, [&] {
        if (host_->OnGetExternal) host_->OnGetExternal(host_, object);
    });
    const bool given = object != nullptr;
    if (dispatch) *dispatch = object.Detach();
    return given ? S_OK : S_FALSE;
}

HRESULT TEwbSite::TranslateUrl(DWORD, LPWSTR urlIn, LPWSTR* urlOut) {
    const TKeepAlive alive(this);
    // Nothing translated when the handler fails half-way.
    std::wstring translated;
    if (host_) Boundary(host_, [&] {
        std::wstring text;
        if (host_->OnTranslateUrl) host_->OnTranslateUrl(host_, urlIn, text);
        translated = std::move(text);
    });
    // Nothing translated: S_FALSE, with the out-parameter left unwritten.
    if (translated.empty() || !urlOut) return S_FALSE;
    *urlOut = WideToTaskMemZeroed(translated);
    return *urlOut ? S_OK : S_FALSE;
}

HRESULT TEwbSite::FilterDataObject(IDataObject* in, IDataObject** out) {
    const TKeepAlive alive(this);
    ComPtr<IDataObject> replacement;
    if (host_) Boundary(host_, [&] {
        if (host_->OnFilterDataObject) host_->OnFilterDataObject(host_, in, replacement);
    });
    const bool given = replacement != nullptr;
    if (out) *out = replacement.Detach();
    return given ? S_OK : S_FALSE;
}

// ---- messages and help ----

HRESULT TEwbSite::ShowMessage(HWND window, LPOLESTR text, LPOLESTR caption, DWORD type, LPOLESTR helpFile,
                              DWORD helpContext, LRESULT* result) {
    if (!host_) return S_FALSE;
    const TKeepAlive alive(this);
    return Boundary(host_, S_FALSE, [&] {
        if (!host_->OnShowMessage) return S_FALSE;
        LRESULT local = result ? *result : 0;
        const HRESULT answer = host_->OnShowMessage(host_, window, text, caption, type, helpFile, helpContext, local);
        if (result) *result = local;
        return answer;
    });
}

HRESULT TEwbSite::ShowHelp(HWND window, LPOLESTR helpFile, UINT command, DWORD data, POINT mouse, IDispatch* hit) {
    if (!host_) return S_FALSE;
    const TKeepAlive alive(this);
    return Boundary(host_, S_FALSE, [&] {
        if (host_->OnShowHelpRequest)
            return host_->OnShowHelpRequest(host_, window, helpFile, command, data, mouse, hit);
        if (helpFile || host_->HelpFile.empty()) return S_FALSE;
        CallHtmlHelp(window, host_->HelpFile.c_str(), command, data);
        return S_OK;
    });
}

}  // namespace ewb
