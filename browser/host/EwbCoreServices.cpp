// The services the host hands out through QueryService, and drag and drop.
#include "browser/host/EwbCore.h"

#include <algorithm>

#include "framework/Boundary.h"
#include "framework/Forms.h"

namespace ewb {

using namespace ui;

// ---- the service provider ----

bool TCustomEmbeddedWB::ProvideService(REFGUID serviceId, REFIID interfaceId, void** object) {
    struct TRule {
        bool byInterface;  // compare the interface asked for, not the service
        const GUID* id;
        bool condition;
    };
    const TRule rules[] = {
        {false, &IID_EwbNewWindowManager, OnEvaluateNewWindow.Assigned()},
        {false, &IID_EwbProtectFocus, true},
        {false, &IID_EwbDownloadManager, OnFileDownload.Assigned()},
        {false, &IID_EwbHostBehaviorInit, OnPopulateNSTable.Assigned()},
        {false, &IID_EwbOMWindowServices,
         FloatingHosting || OnMove.Assigned() || OnMoveBy.Assigned() || OnResize.Assigned() || OnResizeBy.Assigned()},
        {true, &IID_EwbAuthenticate, OnAuthenticate.Assigned()},
    };
    for (const TRule& rule : rules) {
        const GUID& compared = rule.byInterface ? interfaceId : serviceId;
        if (compared == *rule.id && rule.condition)
            // The interface asked for, from our own list; a miss ends the
            // search.
            return SUCCEEDED(QueryInterface(interfaceId, object)) && *object;
    }
    return false;
}

HRESULT TCustomEmbeddedWB::QueryService(REFGUID service, REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    Boundary(this, [&] {
        if (!ProvideService(service, iid, object) && OnQueryService) {
            ComPtr<IUnknown> obj;
            OnQueryService(this, service, iid, obj);
            // Handed out as the interface asked for, or not at all.
            if (obj && FAILED(obj->QueryInterface(iid, object))) *object = nullptr;
        }
    });
    return *object ? S_OK : E_NOINTERFACE;
}

HRESULT TCustomEmbeddedWB::AllowFocusChange(BOOL* allow) {
    if (!allow) return E_POINTER;
    *allow = AllowFocus ? TRUE : FALSE;
    Boundary(this, [&] {
        if (OnAllowFocusChange) OnAllowFocusChange(this, *allow);
    });
    return S_OK;
}

HRESULT TCustomEmbeddedWB::OnZoomPercentChanged(ULONG percent) {
    return Boundary(this, S_FALSE, [&] { return OnZoomPercentChange ? OnZoomPercentChange(this, percent) : S_FALSE; });
}

HRESULT TCustomEmbeddedWB::PopulateNamespaceTable() {
    Boundary(this, [&] {
        if (OnPopulateNSTable) OnPopulateNSTable(this);
    });
    return S_OK;
}

// ---- script window services ----

void TCustomEmbeddedWB::MoveParentForm(int32_t x, int32_t y, bool relative) {
    TCustomForm* form = GetParentForm();
    if (!form) return;
    if (relative) {
        x += form->Left();
        y += form->Top();
    }
    form->SetBounds(x, y, form->Width(), form->Height());
}

void TCustomEmbeddedWB::ResizeParentForm(int32_t cx, int32_t cy, bool relative) {
    TCustomForm* form = GetParentForm();
    if (!form) return;
    if (relative) {
        cx += form->Width();
        cy += form->Height();
    }
    form->SetBounds(form->Left(), form->Top(), cx, cy);
}

namespace {
// One window service: the form when hosting floats, then the event.
HRESULT WindowService(TCustomEmbeddedWB* host, void (TCustomEmbeddedWB::*action)(int32_t, int32_t, bool),
                      bool relative, const TOMWindowMoveEvent& event, LONG x, LONG y) {
    Boundary(host, [&] {
        if (host->FloatingHosting) (host->*action)(x, y, relative);
        if (event) event(host, x, y);
    });
    return S_OK;
}
}  // namespace

HRESULT TCustomEmbeddedWB::moveTo(LONG x, LONG y) {
    return WindowService(this, &TCustomEmbeddedWB::MoveParentForm, false, OnMove, x, y);
}
HRESULT TCustomEmbeddedWB::moveBy(LONG x, LONG y) {
    return WindowService(this, &TCustomEmbeddedWB::MoveParentForm, true, OnMoveBy, x, y);
}
HRESULT TCustomEmbeddedWB::resizeTo(LONG x, LONG y) {
    return WindowService(this, &TCustomEmbeddedWB::ResizeParentForm, false, OnResize, x, y);
}
HRESULT TCustomEmbeddedWB::resizeBy(LONG x, LONG y) {
    return WindowService(this, &TCustomEmbeddedWB::ResizeParentForm, true, OnResizeBy, x, y);
}

// ---- new windows, downloads, authentication ----

HRESULT TCustomEmbeddedWB::EvaluateNewWindow(LPCWSTR url, LPCWSTR name, LPCWSTR urlContext, LPCWSTR features,
                                             BOOL replace, DWORD flags, DWORD userActionTime) {
    HRESULT result = E_FAIL;
    Boundary(this, [&] {
        if (OnEvaluateNewWindow)
            OnEvaluateNewWindow(this, url, name, urlContext, features, replace, flags, userActionTime, result);
    });
    return result;
}

HRESULT TCustomEmbeddedWB::Download(IMoniker* moniker, IBindCtx* context, DWORD bindVerb, LONG grfBINDF,
                                    BINDINFO* bindInfo, LPCOLESTR headers, LPCOLESTR redir, UINT codePage) {
    HRESULT result = E_NOTIMPL;
    Boundary(this, [&] {
        if (OnFileDownload)
            OnFileDownload(this, moniker, context, bindVerb, static_cast<uint32_t>(grfBINDF), bindInfo, headers, redir,
                           codePage, result);
    });
    return result;
}

HRESULT TCustomEmbeddedWB::Authenticate(HWND* window, LPWSTR* user, LPWSTR* password) {
    HRESULT result = S_OK;
    std::wstring userName, passWord;
    HWND handle = nullptr;
    Boundary(this, [&] {
        handle = Handle();
        if (OnAuthenticate) OnAuthenticate(this, handle, userName, passWord, result);
    });
    if (window) *window = handle;
    if (user) *user = userName.empty() ? nullptr : WideToTaskMem(userName);
    if (password) *password = passWord.empty() ? nullptr : WideToTaskMem(passWord);
    return result;
}

wchar_t* WideToTaskMem(const std::wstring& s) {
    auto* block = static_cast<wchar_t*>(CoTaskMemAlloc((s.size() + 1) * sizeof(wchar_t)));
    if (!block) return nullptr;
    std::copy(s.begin(), s.end(), block);
    block[s.size()] = L'\0';
    return block;
}

// ---- drag and drop ----

void TCustomEmbeddedWB::SetRegisterAsDropTarget(bool value) {
    IWebBrowser2* browser = BrowserInterface();
    OleCheckObject(browser->put_RegisterAsDropTarget(value ? VARIANT_TRUE : VARIANT_FALSE), browser,
                   IID_EWBWebBrowser2);
}

void TCustomEmbeddedWB::SetDropHandlingType(TDragDropHandlingType value) {
    if (value == dropHandlingType_) return;
    dropHandlingType_ = value;
    HWND document = FindChildWindowByClass(L"Internet Explorer_Server");
    if (document) RevokeDropTarget(document);
    ComPtr<IDropTarget> target;
    switch (value) {
    case ddtMS:
        SetRegisterAsDropTarget(true);
        break;
    case ddtMy:
        target = static_cast<IDropTarget*>(this);
        break;
    case ddtCustom:
        if (document) {
            target = static_cast<IDropTarget*>(this);
            if (OnGetDropTarget) OnGetDropTarget(this, target);
        }
        break;
    case ddtNo:
        SetRegisterAsDropTarget(false);
        break;
    }
    if (document && target) RegisterDropTarget(document, target.Get());
}

void TCustomEmbeddedWB::RegisterDropTarget(HWND window, IDropTarget* target) {
    if (SUCCEEDED(RegisterDragDrop(window, target))) dropRegistrations_.push_back(window);
}

void TCustomEmbeddedWB::RevokeDropTarget(HWND window) {
    RevokeDragDrop(window);
    dropRegistrations_.erase(std::remove(dropRegistrations_.begin(), dropRegistrations_.end(), window),
                             dropRegistrations_.end());
}

HRESULT TCustomEmbeddedWB::GetDropTarget(IDropTarget*, IDropTarget** result) {
    if (result) *result = nullptr;
    return Boundary(this, E_FAIL, [&] {
        ComPtr<IDropTarget> target;
        switch (dropHandlingType_) {
        case ddtMS:
            SetRegisterAsDropTarget(true);
            return E_NOTIMPL;
        case ddtMy:
            target = static_cast<IDropTarget*>(this);
            break;
        case ddtCustom:
            target = static_cast<IDropTarget*>(this);
            if (OnGetDropTarget) OnGetDropTarget(this, target);
            break;
        case ddtNo:
            SetRegisterAsDropTarget(false);
            return S_OK;
        }
        if (result) *result = target.Detach();
        return S_OK;
    });
}

namespace {
template <typename Call>
HRESULT DragCall(TCustomEmbeddedWB* host, DWORD* effect, Call call) {
    HRESULT result = S_OK;
    int32_t value = DROPEFFECT_NONE;
    Boundary(host, [&] { call(value, result); });
    if (effect) *effect = static_cast<DWORD>(value);
    return result;
}
}  // namespace

HRESULT TCustomEmbeddedWB::DragEnter(IDataObject* data, DWORD keys, POINTL pt, DWORD* effect) {
    return DragCall(this, effect, [&](int32_t& e, HRESULT& r) {
        if (OnDragEnter) OnDragEnter(this, data, static_cast<int32_t>(keys), pt, e, r);
    });
}

HRESULT TCustomEmbeddedWB::DragOver(DWORD keys, POINTL pt, DWORD* effect) {
    return DragCall(this, effect, [&](int32_t& e, HRESULT& r) {
        if (OnDragOver2) OnDragOver2(this, static_cast<int32_t>(keys), pt, e, r);
    });
}

HRESULT TCustomEmbeddedWB::Drop(IDataObject* data, DWORD keys, POINTL pt, DWORD* effect) {
    return DragCall(this, effect, [&](int32_t& e, HRESULT& r) {
        if (OnDropEvent) OnDropEvent(this, data, static_cast<int32_t>(keys), pt, e, r);
    });
}

HRESULT TCustomEmbeddedWB::DragLeave() {
    Boundary(this, [&] {
        if (OnDragLeave) OnDragLeave(this);
    });
    return S_OK;
}

}  // namespace ewb
