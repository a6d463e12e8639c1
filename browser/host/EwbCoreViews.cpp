// The UI handler and show-UI views of the host. Each answers what the engine
// takes as "the host leaves this to me" (GetHostInfo hands out the UI
// flags); the events that let an application change these answers, the
// Ctrl-shortcut mask and the custom context menu are not wired here yet.
#include "browser/host/EwbCore.h"

namespace ewb {

HRESULT TCustomEmbeddedWB::ShowContextMenu(DWORD, POINT*, IUnknown*, IDispatch*) { return S_FALSE; }

HRESULT TCustomEmbeddedWB::GetHostInfo(DOCHOSTUIINFO* info) {
    if (!info) return E_POINTER;
    ZeroMemory(info, 20);
    info->cbSize = 20;
    info->dwFlags = HostUIFlags;
    info->dwDoubleClick = DOCHOSTUIDBLCLK_DEFAULT;
    return S_OK;
}

HRESULT TCustomEmbeddedWB::ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*, IOleInPlaceFrame*,
                                  IOleInPlaceUIWindow*) {
    return S_FALSE;
}
HRESULT TCustomEmbeddedWB::HideUI() { return S_FALSE; }
HRESULT TCustomEmbeddedWB::UpdateUI() { return S_FALSE; }
HRESULT TCustomEmbeddedWB::EnableModeless(BOOL) { return S_OK; }
HRESULT TCustomEmbeddedWB::OnDocWindowActivate(BOOL) { return S_OK; }
HRESULT TCustomEmbeddedWB::OnFrameWindowActivate(BOOL) { return S_OK; }
HRESULT TCustomEmbeddedWB::ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) { return S_OK; }
HRESULT TCustomEmbeddedWB::TranslateAccelerator(LPMSG, const GUID*, DWORD) { return S_FALSE; }

HRESULT TCustomEmbeddedWB::GetOptionKeyPath(LPOLESTR* key, DWORD) {
    if (key) *key = nullptr;
    return S_FALSE;
}

HRESULT TCustomEmbeddedWB::GetExternal(IDispatch** dispatch) {
    if (dispatch) *dispatch = nullptr;
    return S_FALSE;
}

HRESULT TCustomEmbeddedWB::TranslateUrl(DWORD, LPWSTR, LPWSTR* urlOut) {
    if (urlOut) *urlOut = nullptr;
    return S_FALSE;
}

HRESULT TCustomEmbeddedWB::FilterDataObject(IDataObject*, IDataObject** out) {
    if (out) *out = nullptr;
    return S_FALSE;
}

HRESULT TCustomEmbeddedWB::GetOverrideKeyPath(LPOLESTR* key, DWORD) {
    if (key) *key = nullptr;
    return S_FALSE;
}

HRESULT TCustomEmbeddedWB::ShowMessage(HWND, LPOLESTR, LPOLESTR, DWORD, LPOLESTR, DWORD, LRESULT*) { return S_FALSE; }

HRESULT TCustomEmbeddedWB::ShowHelp(HWND, LPOLESTR, UINT, DWORD, POINT, IDispatch*) { return S_FALSE; }

}  // namespace ewb
