// The UI handler and show-UI views of the host: each prepares its default
// answer, then lets the application's event change it.
#include "browser/host/EwbCore.h"

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

HRESULT TCustomEmbeddedWB::ShowContextMenu(DWORD id, POINT* pt, IUnknown* target, IDispatch* context) {
    // When something of ours fails nothing of ours was shown: the engine
    // shows its own menu.
    return Boundary(this, S_FALSE, [&] {
        HRESULT result = E_NOTIMPL;
        if (OnShowContextMenu) OnShowContextMenu(this, id, pt, target, context, result);
        if (result != E_NOTIMPL) return result;

        bool disabled = DisabledPopupMenus.Contains(rcmAll) ||
                        (id < rcmAll && DisabledPopupMenus.Contains(static_cast<TIEPopupMenu>(id)));
        if (disabled) {
            if (PopupMenu) {
                POINT cursor;
                GetCursorPos(&cursor);
                PopupMenu->Popup(cursor.x, cursor.y);
            }
            return S_OK;
        }
        if (HasPopupMenuFilter()) {
            TVariant encoding;
            ExecWB(kShowEncodingCommand, OLECMDEXECOPT_DODEFAULT, encoding.Get());
            const bool shown = ShowCustomContextMenu(
                this, id, target, TMenuPreprocess::Of<&TCustomEmbeddedWB::FilterPopupMenu>(this), encoding.Get(), pt,
                context);
            return shown ? S_OK : S_FALSE;
        }
        return S_FALSE;
    });
}

// ---- host information and UI ----

HRESULT TCustomEmbeddedWB::GetHostInfo(DOCHOSTUIINFO* info) {
    if (!info) return E_POINTER;
    // The whole record and no more: 20 bytes in the 32-bit program.
    ZeroMemory(info, sizeof(DOCHOSTUIINFO));
    info->cbSize = sizeof(DOCHOSTUIINFO);
    info->dwFlags = HostUIFlags;
    info->dwDoubleClick = DOCHOSTUIDBLCLK_DEFAULT;
    Boundary(this, [&] {
        if (OnGetHostInfo) OnGetHostInfo(this, *info);
    });
    return S_OK;
}

HRESULT TCustomEmbeddedWB::ShowUI(DWORD id, IOleInPlaceActiveObject* active, IOleCommandTarget* target,
                                  IOleInPlaceFrame* frame, IOleInPlaceUIWindow* doc) {
    HRESULT result = S_FALSE;
    Boundary(this, [&] {
        if (OnShowUI) OnShowUI(this, id, active, target, frame, doc, result);
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

HRESULT TCustomEmbeddedWB::HideUI() { return NotifyWithResult(this, OnHideUI); }
HRESULT TCustomEmbeddedWB::UpdateUI() { return NotifyWithResult(this, OnUpdateUI); }
HRESULT TCustomEmbeddedWB::EnableModeless(BOOL enable) { return NotifyAndAnswerOk(this, OnEnableModeless, enable); }
HRESULT TCustomEmbeddedWB::OnDocWindowActivate(BOOL activate) {
    return NotifyAndAnswerOk(this, OnOnDocWindowActivate, activate);
}
HRESULT TCustomEmbeddedWB::OnFrameWindowActivate(BOOL activate) {
    return NotifyAndAnswerOk(this, OnOnFrameWindowActivate, activate);
}
HRESULT TCustomEmbeddedWB::ResizeBorder(LPCRECT border, IOleInPlaceUIWindow* window, BOOL frameWindow) {
    return NotifyAndAnswerOk(this, OnResizeBorder, border, window, frameWindow);
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
    const bool masked = !DisableCtrlShortcuts.empty() && msg.message == WM_KEYDOWN && onlyCtrl &&
                        CharPos(key, DisableCtrlShortcuts) > 0;
    if (masked && OnMaskedCtrlChar) OnMaskedCtrlChar(this, key);
    return masked;
}

HRESULT TCustomEmbeddedWB::TranslateAccelerator(LPMSG msg, const GUID* group, DWORD cmdID) {
    if (!msg) return S_FALSE;
    return Boundary(this, S_FALSE, [&] {
        bool done = FilterCtrlShortcut(*msg);
        if (!done && OnTranslateAccelerator) OnTranslateAccelerator(this, msg, group, cmdID, done);
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
    // Allocation failures included: no path is handed out.
    if (Attempt([&] { *key = read(host); })) return E_OUTOFMEMORY;
    return *key ? S_OK : S_FALSE;
}
}  // namespace

HRESULT TCustomEmbeddedWB::GetOptionKeyPath(LPOLESTR* key, DWORD) {
    return AnswerKeyPath(key, [](TCustomEmbeddedWB* h) { return h->GetKeyPath(false); }, this);
}

HRESULT TCustomEmbeddedWB::GetOverrideKeyPath(LPOLESTR* key, DWORD) {
    return AnswerKeyPath(key, [](TCustomEmbeddedWB* h) { return h->GetKeyPath(true); }, this);
}

// ---- external object, URLs, data objects ----

HRESULT TCustomEmbeddedWB::GetExternal(IDispatch** dispatch) {
    ComPtr<IDispatch> object;
    Boundary(this, [&] {
        if (OnGetExternal) OnGetExternal(this, object);
    });
    const bool given = object != nullptr;
    if (dispatch) *dispatch = object.Detach();
    return given ? S_OK : S_FALSE;
}

HRESULT TCustomEmbeddedWB::TranslateUrl(DWORD, LPWSTR urlIn, LPWSTR* urlOut) {
    // Nothing translated when the handler fails half-way.
    std::wstring translated;
    Boundary(this, [&] {
        std::wstring text;
        if (OnTranslateUrl) OnTranslateUrl(this, urlIn, text);
        translated = std::move(text);
    });
    if (translated.empty() || !urlOut) return S_FALSE;
    *urlOut = WideToTaskMemZeroed(translated);
    return *urlOut ? S_OK : S_FALSE;
}

HRESULT TCustomEmbeddedWB::FilterDataObject(IDataObject* in, IDataObject** out) {
    ComPtr<IDataObject> replacement;
    Boundary(this, [&] {
        if (OnFilterDataObject) OnFilterDataObject(this, in, replacement);
    });
    const bool given = replacement != nullptr;
    if (out) *out = replacement.Detach();
    return given ? S_OK : S_FALSE;
}

// ---- messages and help ----

HRESULT TCustomEmbeddedWB::ShowMessage(HWND window, LPOLESTR text, LPOLESTR caption, DWORD type, LPOLESTR helpFile,
                                       DWORD helpContext, LRESULT* result) {
    return Boundary(this, S_FALSE, [&] {
        if (!OnShowMessage) return S_FALSE;
        LRESULT local = result ? *result : 0;
        const HRESULT answer = OnShowMessage(this, window, text, caption, type, helpFile, helpContext, local);
        if (result) *result = local;
        return answer;
    });
}

HRESULT TCustomEmbeddedWB::ShowHelp(HWND window, LPOLESTR helpFile, UINT command, DWORD data, POINT mouse,
                                    IDispatch* hit) {
    return Boundary(this, S_FALSE, [&] {
        if (OnShowHelpRequest) return OnShowHelpRequest(this, window, helpFile, command, data, mouse, hit);
        if (helpFile || HelpFile.empty()) return S_FALSE;
        CallHtmlHelp(window, HelpFile.c_str(), command, data);
        return S_OK;
    });
}

}  // namespace ewb
