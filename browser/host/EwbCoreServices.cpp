// The services the host hands out through QueryService, and drag and drop.
#include "browser/host/EwbCoreSite.h"

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
            return HostSite() && SUCCEEDED(HostSite()->QueryInterface(interfaceId, object)) && *object;
    }
    return false;
}

HRESULT TEwbSite::QueryService(REFGUID service, REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (!host_) return E_NOINTERFACE;
    const TKeepAlive alive(this);
    Boundary(host_, [&] {
        if (!host_->ProvideService(service, iid, object) && host_ && host_->OnQueryService) {
            ComPtr<IUnknown> obj;
            host_->OnQueryService(host_, service, iid, obj);
            // Handed out as the interface asked for, or not at all.
            if (obj && FAILED(obj->QueryInterface(iid, object))) *object = nullptr;
        }
    });
    return *object ? S_OK : E_NOINTERFACE;
}

HRESULT TEwbSite::AllowFocusChange(BOOL* allow) {
    if (!allow) return E_POINTER;
    // A component that has gone has nothing against it.
    *allow = !host_ || host_->AllowFocus ? TRUE : FALSE;
    if (!host_) return S_OK;
    const TKeepAlive alive(this);
    Boundary(host_, [&] {
        if (host_->OnAllowFocusChange) host_->OnAllowFocusChange(host_, *allow);
    });
    return S_OK;
}

HRESULT TEwbSite::OnZoomPercentChanged(ULONG percent) {
    if (!host_) return S_FALSE;
    const TKeepAlive alive(this);
    return Boundary(host_, S_FALSE,
                    [&] { return host_->OnZoomPercentChange ? host_->OnZoomPercentChange(host_, percent) : S_FALSE; });
}

HRESULT TEwbSite::PopulateNamespaceTable() {
    if (!host_) return S_OK;
    const TKeepAlive alive(this);
    Boundary(host_, [&] {
        if (host_->OnPopulateNSTable) host_->OnPopulateNSTable(host_);
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
// One window service: the form when hosting floats, then the event (a copy:
// moving the form runs the application's code).
HRESULT WindowService(TCustomEmbeddedWB* host, void (TCustomEmbeddedWB::*action)(int32_t, int32_t, bool),
                      bool relative, const TOMWindowMoveEvent event, LONG x, LONG y) {
    Boundary(host, [&] {
        if (host->FloatingHosting) (host->*action)(x, y, relative);
        if (event) event(host, x, y);
    });
    return S_OK;
}
}  // namespace

HRESULT TEwbSite::moveTo(LONG x, LONG y) {
    if (!host_) return S_OK;
    const TKeepAlive alive(this);
    return WindowService(host_, &TCustomEmbeddedWB::MoveParentForm, false, host_->OnMove, x, y);
}
HRESULT TEwbSite::moveBy(LONG x, LONG y) {
    if (!host_) return S_OK;
    const TKeepAlive alive(this);
    return WindowService(host_, &TCustomEmbeddedWB::MoveParentForm, true, host_->OnMoveBy, x, y);
}
HRESULT TEwbSite::resizeTo(LONG x, LONG y) {
    if (!host_) return S_OK;
    const TKeepAlive alive(this);
    return WindowService(host_, &TCustomEmbeddedWB::ResizeParentForm, false, host_->OnResize, x, y);
}
HRESULT TEwbSite::resizeBy(LONG x, LONG y) {
    if (!host_) return S_OK;
    const TKeepAlive alive(this);
    return WindowService(host_, &TCustomEmbeddedWB::ResizeParentForm, true, host_->OnResizeBy, x, y);
}

// ---- new windows, downloads, authentication ----

HRESULT TEwbSite::EvaluateNewWindow(LPCWSTR url, LPCWSTR name, LPCWSTR urlContext, LPCWSTR features, BOOL replace,
                                    DWORD flags, DWORD userActionTime) {
    if (!host_) return E_FAIL;
    const TKeepAlive alive(this);
    HRESULT result = E_FAIL;
    Boundary(host_, [&] {
        if (host_->OnEvaluateNewWindow)
            host_->OnEvaluateNewWindow(host_, url, name, urlContext, features, replace, flags, userActionTime, result);
    });
    return result;
}

HRESULT TEwbSite::Download(IMoniker* moniker, IBindCtx* context, DWORD bindVerb, LONG grfBINDF, BINDINFO* bindInfo,
                           LPCOLESTR headers, LPCOLESTR redir, UINT codePage) {
    if (!host_) return E_NOTIMPL;
    const TKeepAlive alive(this);
    HRESULT result = E_NOTIMPL;
    Boundary(host_, [&] {
        if (host_->OnFileDownload)
            host_->OnFileDownload(host_, moniker, context, bindVerb, static_cast<uint32_t>(grfBINDF), bindInfo,
                                  headers, redir, codePage, result);
    });
    return result;
}

HRESULT TEwbSite::Authenticate(HWND* window, LPWSTR* user, LPWSTR* password) {
    const TKeepAlive alive(this);
    HRESULT result = host_ ? S_OK : E_FAIL;
    std::wstring userName, passWord;
    HWND handle = nullptr;
    if (host_) Boundary(host_, [&] {
        handle = host_->Handle();
        if (host_ && host_->OnAuthenticate) host_->OnAuthenticate(host_, handle, userName, passWord, result);
    });
    // A refusal hands out no window and none of the handler's strings.
    if (FAILED(result)) {
        handle = nullptr;
        userName.clear();
        passWord.clear();
    }
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
        target = static_cast<IDropTarget*>(HostSite());
        break;
    case ddtCustom:
        if (document) {
            target = static_cast<IDropTarget*>(HostSite());
            if (OnGetDropTarget) OnGetDropTarget(this, target);
        }
        break;
    case ddtNo:
        SetRegisterAsDropTarget(false);
        break;
    }
    if (document && target) RegisterDropTarget(document, target.Get());
}

TCustomEmbeddedWB::TDropRegistration::TDropRegistration(TCustomEmbeddedWB* host, HWND window)
    : host_(host), window_(window) {
    watch_.Install(window, ui::TWndMethod::Of<&TDropRegistration::Message>(this));
}

void TCustomEmbeddedWB::TDropRegistration::Message(ui::TMessage& message) {
    message.Result = watch_.CallPrevious(message.Msg, message.WParam, message.LParam);
    if (message.Msg == WM_DESTROY) host_->RevokeDropTarget(window_);  // frees this registration
}

void TCustomEmbeddedWB::RegisterDropTarget(HWND window, IDropTarget* target) {
    // Everything that may fail comes before the registration.
    auto registration = std::make_unique<TDropRegistration>(this, window);
    dropRegistrations_.reserve(dropRegistrations_.size() + 1);
    if (SUCCEEDED(RegisterDragDrop(window, target))) dropRegistrations_.push_back(std::move(registration));
}

void TCustomEmbeddedWB::RevokeDropTarget(HWND window) {
    RevokeDragDrop(window);
    auto& list = dropRegistrations_;
    list.erase(std::remove_if(list.begin(), list.end(), [&](const auto& r) { return r->Window() == window; }),
               list.end());
}

HRESULT TEwbSite::GetDropTarget(IDropTarget*, IDropTarget** result) {
    if (result) *result = nullptr;
    if (!host_) return E_NOTIMPL;
    const TKeepAlive alive(this);
    return Boundary(host_, E_FAIL, [&] {
        ComPtr<IDropTarget> target;
        switch (host_->dropHandlingType_) {
        case ddtMS:
            host_->SetRegisterAsDropTarget(true);
            return E_NOTIMPL;
        case ddtMy:
            target = static_cast<IDropTarget*>(this);
            break;
        case ddtCustom:
            target = static_cast<IDropTarget*>(this);
            if (host_->OnGetDropTarget) host_->OnGetDropTarget(host_, target);
            break;
        case ddtNo:
            host_->SetRegisterAsDropTarget(false);
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
    if (host) Boundary(host, [&] { call(value, result); });
    if (effect) *effect = static_cast<DWORD>(value);
    return result;
}
}  // namespace

HRESULT TEwbSite::DragEnter(IDataObject* data, DWORD keys, POINTL pt, DWORD* effect) {
    const TKeepAlive alive(this);
    return DragCall(host_, effect, [&](int32_t& e, HRESULT& r) {
        if (host_->OnDragEnter) host_->OnDragEnter(host_, data, static_cast<int32_t>(keys), pt, e, r);
    });
}

HRESULT TEwbSite::DragOver(DWORD keys, POINTL pt, DWORD* effect) {
    const TKeepAlive alive(this);
    return DragCall(host_, effect, [&](int32_t& e, HRESULT& r) {
        if (host_->OnDragOver2) host_->OnDragOver2(host_, static_cast<int32_t>(keys), pt, e, r);
    });
}

HRESULT TEwbSite::Drop(IDataObject* data, DWORD keys, POINTL pt, DWORD* effect) {
    const TKeepAlive alive(this);
    return DragCall(host_, effect, [&](int32_t& e, HRESULT& r) {
        if (host_->OnDropEvent) host_->OnDropEvent(host_, data, static_cast<int32_t>(keys), pt, e, r);
    });
}

HRESULT TEwbSite::DragLeave() {
    if (!host_) return S_OK;
    const TKeepAlive alive(this);
    Boundary(host_, [&] {
        if (host_->OnDragLeave) host_->OnDragLeave(host_);
    });
    return S_OK;
}

}  // namespace ewb
