#include "OleCtrls.h"

#include <olectl.h>

#include <algorithm>

#include "Boundary.h"
#include "Forms.h"
#include "StartupMarks.h"

namespace ui {

void OleCheckObject(HRESULT hr, IUnknown* object, REFIID iid) {
    if (SUCCEEDED(hr)) return;
    std::string description;
    ComPtr<ISupportErrorInfo> support;
    if (object && SUCCEEDED(object->QueryInterface(IID_PPV_ARGS(&support))) &&
        support->InterfaceSupportsErrorInfo(iid) == S_OK) {
        ComPtr<IErrorInfo> info;
        if (GetErrorInfo(0, &info) == S_OK && info) {
            TBStr text;
            if (SUCCEEDED(info->GetDescription(text.Receive())) && text.Get()) description = WideToAnsi(text.Text());
        }
    }
    throw EOleSysError(hr, description);
}

void RaiseDispatchError(HRESULT hr, EXCEPINFO& excep) {
    if (hr == DISP_E_EXCEPTION) {
        if (excep.pfnDeferredFillIn) excep.pfnDeferredFillIn(&excep);
        std::string description = WideToAnsi(excep.bstrDescription);
        HRESULT code = excep.scode ? excep.scode : hr;
        int help = static_cast<int>(excep.dwHelpContext);
        ClearExceptionInfo(excep);
        throw EOleSysError(code, description, help);
    }
    throw EOleSysError(hr);
}

// An automation object without type information, as the event sink is.
class TNoTypeInfoDispatch : public IDispatch {
public:
    virtual ~TNoTypeInfoDispatch() = default;
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (count) *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
        if (info) *info = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
};

// ---- the site ----

TOleControlSite::TOleControlSite(TOleControl* container) : container_(container) {}

TOleControlSite::~TOleControlSite() = default;

TOleControlSite::TKeepAlive::TKeepAlive(TOleControlSite* site) : site_(site->Identity()) {
    if (site->container_) control_ = site->container_->oleObject_;
}

void TOleControlSite::Detach() {
    if (!container_) return;
    Detaching();
    container_ = nullptr;
    Release();  // the container's reference
}

void* TOleControlSite::FindInterface(REFIID iid) { return iid == IID_IUnknown ? Identity() : nullptr; }

void* TOleControlSite::ContainerInterface(REFIID iid) {
    if (iid == IID_IOleClientSite) return static_cast<IOleClientSite*>(this);
    if (iid == IID_IOleWindow || iid == IID_IOleInPlaceSite) return static_cast<IOleInPlaceSite*>(this);
    if (iid == IID_IOleInPlaceUIWindow || iid == IID_IOleInPlaceFrame) return static_cast<IOleInPlaceFrame*>(this);
    if (iid == IID_IOleControlSite) return static_cast<IOleControlSite*>(this);
    if (iid == IID_IDispatch) return static_cast<IDispatch*>(this);
    return nullptr;
}

bool TOleControlSite::TakeHostInterface(REFIID iid, void** object) {
    void* view = nullptr;
    if (container_->QueryHostInterface(iid, &view) != S_OK || !view) return false;
    // Its reference goes to the caller: released here first, a view with a
    // count of its own would be gone before it is used. (Not Attach:
    // mingw-w64's takes a reference of its own.)
    ComPtr<IUnknown> taken;
    *taken.GetAddressOf() = static_cast<IUnknown*>(view);
    ComPtr<IUnknown> identity;
    if (FAILED(taken.As(&identity)) || identity.Get() != Identity()) return false;
    *object = taken.Detach();
    return true;
}

HRESULT TOleControlSite::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = FindInterface(iid);
    if (!*object && container_ && TakeHostInterface(iid, object)) return S_OK;
    if (!*object) *object = ContainerInterface(iid);
    if (!*object) return E_NOINTERFACE;
    static_cast<IUnknown*>(*object)->AddRef();
    return S_OK;
}

ULONG TOleControlSite::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }

ULONG TOleControlSite::Release() {
    // The container's own reference is let go only by Detach: a control
    // that releases more than it took cannot free the site under it.
    for (;;) {
        const LONG current = refs_;
        if (current <= 1 && container_) return 1;
        if (InterlockedCompareExchange(&refs_, current - 1, current) != current) continue;
        if (current == 1) delete this;
        return static_cast<ULONG>(current - 1);
    }
}

HRESULT TOleControlSite::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
    if (moniker) *moniker = nullptr;
    return E_NOTIMPL;
}

HRESULT TOleControlSite::GetContainer(IOleContainer** container) {
    if (container) *container = nullptr;
    return E_NOINTERFACE;
}

HRESULT TOleControlSite::GetWindow(HWND* window) {
    if (!window) return E_POINTER;
    *window = nullptr;
    if (!container_) return E_UNEXPECTED;
    Boundary(container_, [&] {
        if (TWinControl* parent = container_->Parent()) *window = parent->Handle();
    });
    return *window ? S_OK : E_FAIL;
}

HRESULT TOleControlSite::OnInPlaceActivate() {
    if (!container_) return E_UNEXPECTED;
    if (container_->oleObject_) container_->oleObject_.As(&container_->inPlaceObject_);
    return S_OK;
}

HRESULT TOleControlSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT posRect,
                                          LPRECT clipRect, LPOLEINPLACEFRAMEINFO frameInfo) {
    if (frame) *frame = nullptr;
    if (doc) *doc = nullptr;
    if (!container_) return E_UNEXPECTED;
    if (frame) {
        *frame = static_cast<IOleInPlaceFrame*>(this);
        AddRef();
    }
    RECT bounds = container_->BoundsRect();
    if (posRect) *posRect = bounds;
    if (clipRect) *clipRect = bounds;
    if (frameInfo) {
        frameInfo->fMDIApp = FALSE;
        frameInfo->hwndFrame = nullptr;
        // The frame is the top-level window, that of a form inside another
        // window too.
        if (TCustomForm* form = container_->GetParentForm(); form && form->HandleAllocated())
            frameInfo->hwndFrame = form->RootWindow();
        frameInfo->haccel = nullptr;
        frameInfo->cAccelEntries = 0;
    }
    return S_OK;
}

HRESULT TOleControlSite::OnInPlaceDeactivate() {
    if (!container_) return S_OK;
    container_->inPlaceObject_.Reset();
    container_->activeObject_.Reset();
    return S_OK;
}

HRESULT TOleControlSite::OnPosRectChange(LPCRECT rect) {
    if (rect && container_ && container_->inPlaceObject_) container_->inPlaceObject_->SetObjectRects(rect, rect);
    return S_OK;
}

HRESULT TOleControlSite::SetActiveObject(IOleInPlaceActiveObject* active, LPCOLESTR) {
    if (!container_) return E_UNEXPECTED;
    container_->activeObject_ = active;
    return S_OK;
}

HRESULT TOleControlSite::GetExtendedControl(IDispatch** disp) {
    if (disp) *disp = nullptr;
    return E_NOTIMPL;
}

HRESULT TOleControlSite::TransformCoords(POINTL* himetric, POINTF* container, DWORD flags) {
    if (!himetric || !container) return E_POINTER;
    HDC dc = GetDC(nullptr);
    const float px = static_cast<float>(GetDeviceCaps(dc, LOGPIXELSX));
    const float py = static_cast<float>(GetDeviceCaps(dc, LOGPIXELSY));
    ReleaseDC(nullptr, dc);
    if (flags & XFORMCOORDS_HIMETRICTOCONTAINER) {
        container->x = static_cast<float>(himetric->x) * px / 2540.0f;
        container->y = static_cast<float>(himetric->y) * py / 2540.0f;
    } else if (flags & XFORMCOORDS_CONTAINERTOHIMETRIC) {
        himetric->x = static_cast<LONG>(container->x * 2540.0f / px + 0.5f);
        himetric->y = static_cast<LONG>(container->y * 2540.0f / py + 0.5f);
    } else {
        return E_INVALIDARG;
    }
    return S_OK;
}

HRESULT TOleControlSite::GetTypeInfoCount(UINT* count) {
    if (count) *count = 0;
    return S_OK;
}

HRESULT TOleControlSite::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info) *info = nullptr;
    return E_NOTIMPL;
}

HRESULT TOleControlSite::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }

HRESULT TOleControlSite::Invoke(DISPID dispid, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                EXCEPINFO*, UINT*) {
    if (!container_) return DISP_E_MEMBERNOTFOUND;
    return Boundary(container_, E_FAIL, [&] { return ContainerAmbient(dispid, flags, params, result); });
}

HRESULT TOleControlSite::ContainerAmbient(DISPID dispid, WORD flags, DISPPARAMS* params, VARIANT* result) {
    return container_ ? container_->AmbientInvoke(dispid, flags, params, result) : DISP_E_MEMBERNOTFOUND;
}


// ---- the event sink ----

class TOleControl::TEventSink : public TNoTypeInfoDispatch {
public:
    explicit TEventSink(TOleControl* owner) : owner_(owner), eventIID_(owner->controlData_->EventIID) {}
    virtual ~TEventSink() = default;

    // The container goes: from here on the last release frees the sink, and
    // late events are ignored.
    void Detach() {
        owner_ = nullptr;
        if (refs_ <= 0) delete this;
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == eventIID_) {
            *object = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs_); }
    ULONG STDMETHODCALLTYPE Release() override {
        const long left = --refs_;
        if (!owner_ && left <= 0) delete this;
        return static_cast<ULONG>(left < 0 ? 0 : left);
    }

    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispid, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*,
                                     EXCEPINFO*, UINT*) override {
        if (!owner_) return S_OK;
        // A handler may destroy the component, and with it the container's
        // references to the control (whose memory may hold the arguments a
        // handler answers in) and to this sink: both stay until the call
        // is over.
        const ComPtr<IDispatch> self(this);
        const ComPtr<IOleObject> control = owner_->oleObject_;
        TOleControl* owner = owner_;
        DISPPARAMS none = {nullptr, nullptr, 0, 0};
        Boundary(owner, [&] { owner->HandleEvent(dispid, params ? *params : none); });
        return S_OK;
    }

private:
    TOleControl* owner_;
    const IID eventIID_;
    long refs_ = 0;
};

// ---- TOleControl ----

TOleControl::TOleControl(TComponent* owner, const TControlData& controlData)
    : TWinControl(owner), controlData_(&controlData), sink_(new TEventSink(this)) {
    CreateInstance();
}

TOleControl::~TOleControl() {
    Destroying();
    DestroyHandle();
    DestroyControl();
    oleObject_.Reset();
    persistStream_.Reset();
    // A control kept alive from outside may still hold the site and the
    // sink: they are detached, and outlive the container until their last
    // release.
    DetachSite();
}

template <typename T>
void TOleControl::TDetach::operator()(T* object) const {
    object->Detach();
}

TOleControlSite* TOleControl::CreateSite() { return new TOleControlSite(this); }

TOleControlSite* TOleControl::Site() {
    // Made on first use, not in the constructor: a derived component's site
    // is only known once the component is whole.
    if (!site_ && !siteDetached_) site_ = CreateSite();
    return site_;
}

void TOleControl::DetachSite() {
    siteDetached_ = true;
    if (site_) std::exchange(site_, nullptr)->Detach();
}

IUnknown* TOleControl::SiteUnknown() { return Site() ? Site()->Identity() : nullptr; }

IOleClientSite* TOleControl::ClientSite() { return Site(); }

HWND TOleControl::ControlWindow() const {
    HWND window = nullptr;
    if (inPlaceObject_ && FAILED(inPlaceObject_->GetWindow(&window))) window = nullptr;
    return window;
}

HRESULT TOleControl::QueryHostInterface(REFIID, void** object) {
    *object = nullptr;
    return E_NOINTERFACE;
}

void TOleControl::CreateInstance() {
    OleCheck(CoCreateInstance(controlData_->ClassID, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                              IID_IOleObject, reinterpret_cast<void**>(oleObject_.ReleaseAndGetAddressOf())));
    STARTUP_MARK("control created");
    // The site is given in CreateControl, before the state is loaded (as a
    // control that wants its site first needs), and never from here: a
    // derived component is not built yet, so it could not answer the
    // site queries that the control makes when it gets its site.
    oleObject_.As(&persistStream_);
}

void TOleControl::CreateControl() {
    if (created_) return;
    {
        // A control that fails half-way is let go again.
        TScopeExit undo([this] {
            if (!created_) DestroyControl();
        });
        if (!oleObject_) CreateInstance();
        ComPtr<IOleClientSite> current;
        if (FAILED(oleObject_->GetClientSite(&current)) || !current)
            OleCheck(oleObject_->SetClientSite(ClientSite()));
        STARTUP_MARK("control site set");
        if (persistStream_) {
            if (controlDataBytes_.empty()) {
                OleCheck(persistStream_->InitNew());
            } else {
                HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, controlDataBytes_.size());
                if (!block) throw EOutOfResources("Out of memory");
                std::copy(controlDataBytes_.begin(), controlDataBytes_.end(), static_cast<uint8_t*>(GlobalLock(block)));
                GlobalUnlock(block);
                ComPtr<IStream> stream;
                HRESULT hr = CreateStreamOnHGlobal(block, TRUE, &stream);
                if (FAILED(hr)) {
                    GlobalFree(block);
                    OleCheck(hr);
                }
                // The block may be larger than asked for; the stream is
                // exactly the stored state.
                ULARGE_INTEGER size;
                size.QuadPart = controlDataBytes_.size();
                stream->SetSize(size);
                // A state the control refuses would otherwise end every
                // start in an error: it starts new instead.
                if (FAILED(persistStream_->Load(stream.Get()))) OleCheck(persistStream_->InitNew());
            }
        }
        STARTUP_MARK("control state loaded");
        OleCheck(oleObject_.As(&controlDispatch_));
        ComPtr<IConnectionPointContainer> points;
        if (SUCCEEDED(oleObject_.As(&points)) &&
            SUCCEEDED(points->FindConnectionPoint(controlData_->EventIID, &eventPoint_))) {
            if (FAILED(eventPoint_->Advise(static_cast<IDispatch*>(sink_.get()), &eventCookie_))) {
                eventPoint_.Reset();
                eventCookie_ = 0;
            }
        }
        created_ = true;
        STARTUP_MARK("control events advised");
    }
    // What the definition wrote while there was no control, in order.
    TPendingProperties pending;
    pending.swap(pendingProperties_);
    for (const auto& item : pending) SetProperty(item.first, item.second.Get());
    STARTUP_MARK("control properties set");
}

void TOleControl::Loaded() {
    TWinControl::Loaded();
    if (created_) return;
    ApplicationHandleException(this, Attempt([&] { CreateControl(); }));
}

void TOleControl::DestroyControl() noexcept {
    // A teardown step, of the destructors and of a creation that failed
    // half-way: what a derived class's step raises goes to the error box,
    // and the control is let go all the same.
    QueueException(this, Attempt([&] { ControlDestroying(); }));
    if (eventPoint_) {
        eventPoint_->Unadvise(eventCookie_);
        eventPoint_.Reset();
        eventCookie_ = 0;
    }
    if (inPlaceObject_) inPlaceObject_->InPlaceDeactivate();
    inPlaceObject_.Reset();
    activeObject_.Reset();
    controlDispatch_.Reset();
    if (oleObject_) {
        oleObject_->Close(OLECLOSE_NOSAVE);
        oleObject_->SetClientSite(nullptr);
    }
    oleObject_.Reset();
    persistStream_.Reset();
    created_ = false;
}

void TOleControl::SetControlData(const std::vector<uint8_t>& bytes) {
    controlDataBytes_ = bytes;
    if (created_) {
        // Made anew, so that what it loads is this state.
        bool hadWindow = HandleAllocated();
        if (hadWindow) DestroyHandle();
        DestroyControl();
        CreateInstance();
        if (hadWindow) HandleNeeded();
    }
}

std::vector<uint8_t> TOleControl::SaveControlData() {
    CreateControl();
    if (!persistStream_) throw EIntfCastError();
    ComPtr<IStream> stream;
    OleCheck(CreateStreamOnHGlobal(nullptr, TRUE, &stream));
    OleCheckObject(persistStream_->Save(stream.Get(), TRUE), persistStream_.Get(), IID_IPersistStreamInit);
    HGLOBAL block = nullptr;
    OleCheck(GetHGlobalFromStream(stream.Get(), &block));
    STATSTG stat = {};
    OleCheck(stream->Stat(&stat, STATFLAG_NONAME));
    const auto size = static_cast<size_t>(stat.cbSize.QuadPart);
    const auto* data = static_cast<const uint8_t*>(GlobalLock(block));
    controlDataBytes_.assign(data, data + size);
    GlobalUnlock(block);
    return controlDataBytes_;
}

IDispatch* TOleControl::DefaultDispatch() {
    CreateControl();
    return controlDispatch_.Get();
}

TVariant TOleControl::GetProperty(DISPID dispid) {
    if (!created_ && IsLoading()) {
        // Written by the definition and not handed over yet: the last value.
        for (auto it = pendingProperties_.rbegin(); it != pendingProperties_.rend(); ++it)
            if (it->first == dispid) return TVariant::Copy(it->second.Get());
    }
    IDispatch* dispatch = DefaultDispatch();
    DISPPARAMS params = {nullptr, nullptr, 0, 0};
    TVariant result;
    EXCEPINFO excep = {};
    UINT argErr = 0;
    HRESULT hr = dispatch->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &params,
                                  result.Receive(), &excep, &argErr);
    if (FAILED(hr)) RaiseDispatchError(hr, excep);
    return result;
}

void TOleControl::SetProperty(DISPID dispid, const VARIANT& value) {
    if (!created_ && IsLoading()) {
        pendingProperties_.emplace_back(dispid, TVariant::Copy(value));
        return;
    }
    IDispatch* dispatch = DefaultDispatch();
    VARIANT arg = value;
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params = {&arg, &named, 1, 1};
    EXCEPINFO excep = {};
    UINT argErr = 0;
    HRESULT hr = dispatch->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params,
                                  nullptr, &excep, &argErr);
    if (FAILED(hr)) RaiseDispatchError(hr, excep);
}

namespace {
// A property value of the type asked for; a value that does not convert is
// an error of the call.
TVariant Converted(TVariant value, VARTYPE type) {
    OleCheck(value.ChangeType(type));
    return value;
}
}  // namespace

bool TOleControl::GetWordBoolProp(DISPID dispid) {
    return Converted(GetProperty(dispid), VT_BOOL).Get().boolVal != VARIANT_FALSE;
}

int32_t TOleControl::GetIntegerProp(DISPID dispid) { return Converted(GetProperty(dispid), VT_I4).Get().lVal; }

std::wstring TOleControl::GetWideStringProp(DISPID dispid) {
    const TVariant v = Converted(GetProperty(dispid), VT_BSTR);
    const BSTR text = v.Get().bstrVal;
    return text ? std::wstring(text, SysStringLen(text)) : std::wstring();
}

ComPtr<IDispatch> TOleControl::GetIDispatchProp(DISPID dispid) {
    const TVariant v = GetProperty(dispid);
    ComPtr<IDispatch> result;
    if (v.Type() == VT_DISPATCH)
        result = v.Get().pdispVal;
    else if (v.Type() == VT_UNKNOWN && v.Get().punkVal)
        v.Get().punkVal->QueryInterface(IID_PPV_ARGS(&result));
    return result;
}

void TOleControl::SetWordBoolProp(DISPID dispid, bool value) { SetProperty(dispid, TVariant::Bool(value).Get()); }

void TOleControl::SetIntegerProp(DISPID dispid, int32_t value) {
    SetProperty(dispid, TVariant::Int32(value).Get());
}

void TOleControl::SetWideStringProp(DISPID dispid, const std::wstring& value) {
    SetProperty(dispid, TVariant::String(value).Get());
}

void TOleControl::HandleEvent(DISPID dispid, DISPPARAMS& params) {
    const DISPID* first = controlData_->EventDispIDs;
    const DISPID* last = first + controlData_->EventCount;
    const DISPID* found = std::find(first, last, dispid);
    if (found == last) return;
    InvokeEvent(static_cast<int>(found - first), params);
}

void TOleControl::InvokeEvent(int, DISPPARAMS&) {}

void TOleControl::ControlDestroying() {}

HRESULT TOleControl::AmbientInvoke(DISPID dispid, WORD flags, DISPPARAMS*, VARIANT* result) {
    if (!(flags & DISPATCH_PROPERTYGET) || !result) return DISP_E_MEMBERNOTFOUND;
    // The result is an [out] variant: written, never cleared.
    auto boolean = [&](bool value) {
        TVariant::Bool(value).MoveToOut(*result);
        return S_OK;
    };
    auto integer = [&](int32_t value) {
        TVariant::Int32(value).MoveToOut(*result);
        return S_OK;
    };
    switch (dispid) {
    case DISPID_AMBIENT_AUTOCLIP: return boolean(true);
    case DISPID_AMBIENT_SUPPORTSMNEMONICS: return boolean(true);
    case DISPID_AMBIENT_SHOWHATCHING: return boolean(false);
    case DISPID_AMBIENT_SHOWGRABHANDLES: return boolean(false);
    case DISPID_AMBIENT_UIDEAD: return boolean(IsDesigning());
    case DISPID_AMBIENT_USERMODE: return boolean(!IsDesigning());
    case DISPID_AMBIENT_MESSAGEREFLECT: return boolean(true);
    case DISPID_AMBIENT_LOCALEID: return integer(static_cast<int32_t>(GetUserDefaultLCID()));
    case DISPID_AMBIENT_FORECOLOR: return integer(static_cast<int32_t>(ColorToRGB(EffectiveFont().Color())));
    case DISPID_AMBIENT_BACKCOLOR: return integer(static_cast<int32_t>(ColorToRGB(Color())));
    case DISPID_AMBIENT_DISPLAYNAME: {
        TVariant::String(AnsiToWide(Name())).MoveToOut(*result);
        return S_OK;
    }
    case DISPID_AMBIENT_FONT: {
        TFont& font = EffectiveFont();
        std::wstring face = font.Name();
        FONTDESC desc = {};
        desc.cbSizeofstruct = sizeof desc;
        desc.lpstrName = &face[0];
        HDC dc = GetDC(nullptr);
        int ppi = GetDeviceCaps(dc, LOGPIXELSY);
        ReleaseDC(nullptr, dc);
        // Points from the pixel height, in the currency units of OLE fonts.
        int height = font.Height() < 0 ? -font.Height() : font.Height();
        desc.cySize.int64 = static_cast<LONGLONG>(height) * 72 * 10000 / (ppi ? ppi : 96);
        desc.sWeight = static_cast<SHORT>((font.Style() & fsBold) ? FW_BOLD : FW_NORMAL);
        desc.sCharset = font.Charset();
        desc.fItalic = (font.Style() & fsItalic) ? TRUE : FALSE;
        desc.fUnderline = (font.Style() & fsUnderline) ? TRUE : FALSE;
        desc.fStrikethrough = (font.Style() & fsStrikeOut) ? TRUE : FALSE;
        IDispatch* fontDispatch = nullptr;
        HRESULT hr = OleCreateFontIndirect(&desc, IID_IDispatch, reinterpret_cast<void**>(&fontDispatch));
        if (FAILED(hr)) return hr;
        TVariant::Dispatch(fontDispatch).MoveToOut(*result);
        return S_OK;
    }
    default:
        return DISP_E_MEMBERNOTFOUND;
    }
}

RECT TOleControl::BoundsRect() const {
    RECT r = {left_, top_, left_ + width_, top_ + height_};
    return r;
}

void TOleControl::AcquireWindow() {
    CreateControl();
    RECT bounds = BoundsRect();
    HWND parentWindow = Parent() ? Parent()->Handle() : nullptr;
    if (!inPlaceObject_) {
        OleCheck(oleObject_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, ClientSite(), 0, parentWindow, &bounds));
        if (!inPlaceObject_) oleObject_.As(&inPlaceObject_);
        STARTUP_MARK("control in-place activated");
    }
    HWND window = nullptr;
    if (!inPlaceObject_ || FAILED(inPlaceObject_->GetWindow(&window)) || !window)
        throw EOleError("The control has no window of its own");
    // A window kept elsewhere meanwhile comes back under this parent.
    if (parentWindow && GetParent(window) != parentWindow) ::SetParent(window, parentWindow);
    AdoptWindow(window);
}

void TOleControl::ReleaseWindow() {
    ReleaseAdoptedWindow();
    if (inPlaceObject_) inPlaceObject_->InPlaceDeactivate();
}

void TOleControl::CreateWnd() { AcquireWindow(); }

void TOleControl::DestroyWnd() { ReleaseWindow(); }

void TOleControl::ApplyBounds() {
    if (inPlaceObject_) {
        RECT r = BoundsRect();
        inPlaceObject_->SetObjectRects(&r, &r);
    } else {
        TWinControl::ApplyBounds();
    }
}

bool TOleControl::PreProcessMessage(MSG& msg) {
    if (activeObject_ && msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST)
        return activeObject_->TranslateAccelerator(&msg) == S_OK;
    return false;
}

}  // namespace ui
