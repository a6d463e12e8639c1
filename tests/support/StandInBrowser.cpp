#include "support/StandInBrowser.h"

#include <mshtmhst.h>
#include <olectl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <list>
#include <sstream>

namespace standin {

namespace {

const CLSID kClsidWebBrowser = {0x8856F961, 0x340A, 0x11D0, {0xA9, 0x6B, 0x00, 0xC0, 0x4F, 0xD7, 0x05, 0xA2}};
const IID kDiidEvents2 = {0x34A715A0, 0x6587, 0x11D0, {0x92, 0x4A, 0x00, 0x20, 0xAF, 0xC7, 0xAC, 0x4D}};
const IID kIidWebBrowser = {0xEAB22AC1, 0x30C1, 0x11CF, {0xA7, 0xEB, 0x00, 0x00, 0xC0, 0x5B, 0xAE, 0x0B}};
const IID kIidWebBrowserApp = {0x0002DF05, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID kIidWebBrowser2 = {0xD30C1661, 0xCDAF, 0x11D0, {0x8A, 0x3E, 0x00, 0xC0, 0x4F, 0xC9, 0xE2, 0x6E}};

// The engine's own command group (CGID_MSHTML), which the SDK libraries do
// not define.
const GUID kCgidMshtml = {0xDE4BA900, 0x59CA, 0x11CF, {0x95, 0x92, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

constexpr DISPID kDispidApplication = 200;
constexpr DISPID kDispidDocument = 203;
constexpr DISPID kDispidBeforeNavigate2 = 250;
constexpr DISPID kDispidReadyState = -525;

std::vector<TStandInBrowser*> g_instances;
HRESULT g_newFailure = S_OK;
HRESULT g_newLoadResult = S_OK;
HRESULT g_newInitNewResult = S_OK;
std::wstring g_newFailureDescription;

std::wstring IidText(REFIID iid) {
    wchar_t text[40] = {};
    StringFromGUID2(iid, text, 40);
    return text;
}

// The engine's window chain; each window fills its parent. The outer two
// hand the focus on to the document window, and a click into the document
// window activates the document, as the engine's windows do.
LRESULT CALLBACK ChainWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE)
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
    auto* browser = reinterpret_cast<TStandInBrowser*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (msg) {
    case WM_SIZE:
        if (HWND child = GetWindow(window, GW_CHILD)) MoveWindow(child, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
        break;
    case WM_SETFOCUS:
        if (browser) browser->WindowTookFocus(window);
        return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        if (browser && window == browser->ieServer) browser->UIActivate();
        break;
    case WM_NCDESTROY:
        // Where the platform keeps a registration (the same on Windows).
        if (browser && GetPropW(window, L"OleDropTargetInterface")) ++browser->dropTargetsLeftOnDestroyedWindows;
        break;
    default:
        break;
    }
    return DefWindowProcW(window, msg, wParam, lParam);
}

void RegisterChainClasses() {
    static bool done = false;
    if (done) return;
    for (const wchar_t* name : {L"Shell Embedding", L"Shell DocObject View", L"Internet Explorer_Server"}) {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = ChainWndProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        wc.lpszClassName = name;
        RegisterClassW(&wc);
    }
    done = true;
}

// What the site tells of the frame, the document window and the place.
struct TWindowContext {
    explicit TWindowContext(IOleInPlaceSite* site) {
        RECT clip = {};
        OLEINPLACEFRAMEINFO info = {};
        info.cb = sizeof info;
        site->GetWindowContext(&Frame, &Doc, &Pos, &clip, &info);
    }
    ComPtr<IOleInPlaceFrame> Frame;
    ComPtr<IOleInPlaceUIWindow> Doc;
    RECT Pos = {};
};

class TFactory : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (iid == IID_IUnknown || iid == IID_IClassFactory) {
            *object = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
        if (outer) return CLASS_E_NOAGGREGATION;
        auto* browser = new TStandInBrowser();
        browser->failWith = g_newFailure;
        browser->failDescription = g_newFailureDescription;
        browser->loadResult = g_newLoadResult;
        browser->initNewResult = g_newInitNewResult;
        g_instances.push_back(browser);  // the list keeps the first reference
        return browser->QueryInterface(iid, object);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

TFactory g_factory;

}  // namespace

// ---- registration ----

TStandInRegistration::TStandInRegistration() {
    CoRegisterClassObject(kClsidWebBrowser, &g_factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie_);
}

TStandInRegistration::~TStandInRegistration() {
    CoRevokeClassObject(cookie_);
    // Whatever the host made of the control is gone by now: nothing may be
    // left outstanding either way.
    for (size_t i = 0; i < g_instances.size(); ++i) {
        const TStandInBrowser* b = g_instances[i];
        if (b->References() != 1 || b->HostReferencesHeld() != 0)
            ADD_FAILURE() << "stand-in control " << i << " left with " << b->References() - 1
                          << " references of the host and " << b->HostReferencesHeld()
                          << " references held on the host";
    }
    for (TStandInBrowser* b : g_instances) b->Release();
    g_instances.clear();
    g_newFailure = S_OK;
    g_newFailureDescription.clear();
    g_newLoadResult = S_OK;
    g_newInitNewResult = S_OK;
}

void TStandInRegistration::FailNewInstancesWith(HRESULT code, const std::wstring& description) {
    g_newFailure = code;
    g_newFailureDescription = description;
}

const std::vector<TStandInBrowser*>& TStandInRegistration::Instances() const { return g_instances; }

TStandInBrowser* TStandInRegistration::Last() const { return g_instances.empty() ? nullptr : g_instances.back(); }

// ---- the connection point ----

class TStandInBrowser::TEventPoint : public IConnectionPoint {
public:
    explicit TEventPoint(TStandInBrowser* owner) : owner_(owner) {}
    virtual ~TEventPoint() = default;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (iid == IID_IUnknown || iid == IID_IConnectionPoint) {
            *object = static_cast<IConnectionPoint*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return owner_->AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return owner_->Release(); }
    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override {
        *iid = kDiidEvents2;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** c) override {
        *c = owner_;
        owner_->AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override {
        ComPtr<IDispatch> dispatch;
        if (!sink || FAILED(sink->QueryInterface(kDiidEvents2, reinterpret_cast<void**>(dispatch.GetAddressOf()))))
            return CONNECT_E_CANNOTCONNECT;
        *cookie = owner_->nextCookie_++;
        owner_->sinks_[*cookie] = dispatch;
        owner_->calls.push_back("Advise");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override {
        owner_->calls.push_back("Unadvise");
        return owner_->sinks_.erase(cookie) ? S_OK : CONNECT_E_NOCONNECTION;
    }
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections**) override { return E_NOTIMPL; }

private:
    TStandInBrowser* owner_;
};

// ---- the control ----

TStandInBrowser::TStandInBrowser() : point_(new TEventPoint(this)) {}

TStandInBrowser::~TStandInBrowser() {
    DestroyWindows();
    document.Reset();  // before the state its own document keeps
    for (auto& p : properties) VariantClear(&p.second);
    delete point_;
}

int TStandInBrowser::QueriesFor(REFIID iid) const {
    auto it = queries.find(IidText(iid));
    return it == queries.end() ? 0 : it->second;
}

HRESULT TStandInBrowser::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    ++queries[IidText(iid)];
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_IOleObject)
        *object = static_cast<IOleObject*>(this);
    else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceObject)
        *object = static_cast<IOleInPlaceObject*>(this);
    else if (iid == IID_IOleInPlaceActiveObject)
        *object = static_cast<IOleInPlaceActiveObject*>(this);
    else if (iid == IID_IPersist || iid == IID_IPersistStreamInit)
        *object = static_cast<IPersistStreamInit*>(this);
    else if (iid == IID_IOleControl && !refuseOleControl)
        *object = static_cast<IOleControl*>(this);
    else if (iid == IID_IDispatch || iid == kIidWebBrowser || iid == kIidWebBrowserApp || iid == kIidWebBrowser2)
        *object = static_cast<IWebBrowser2*>(this);
    else if (iid == IID_IConnectionPointContainer)
        *object = static_cast<IConnectionPointContainer*>(this);
    else if (iid == IID_ISupportErrorInfo)
        *object = static_cast<ISupportErrorInfo*>(this);
    if (!*object) return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

ULONG TStandInBrowser::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }

ULONG TStandInBrowser::Release() {
    LONG n = InterlockedDecrement(&refs_);
    if (n == 0) delete this;
    return static_cast<ULONG>(n);
}

HRESULT TStandInBrowser::SetClientSite(IOleClientSite* clientSite) {
    ++setClientSiteCalls;
    site = clientSite;
    calls.push_back(clientSite ? "SetClientSite" : "SetClientSite(null)");
    return S_OK;
}

HRESULT TStandInBrowser::GetClientSite(IOleClientSite** clientSite) {
    *clientSite = site.Get();
    if (*clientSite) (*clientSite)->AddRef();
    return S_OK;
}

HRESULT TStandInBrowser::Close(DWORD) {
    calls.push_back("Close");
    if (onClose) onClose(*this);
    InPlaceDeactivate();
    return S_OK;
}

HRESULT TStandInBrowser::GetUserClassID(CLSID* clsid) {
    *clsid = kClsidWebBrowser;
    return S_OK;
}

HRESULT TStandInBrowser::GetMiscStatus(DWORD, DWORD* status) {
    *status = OLEMISC_SETCLIENTSITEFIRST | OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_INSIDEOUT |
              OLEMISC_CANTLINKINSIDE | OLEMISC_RECOMPOSEONRESIZE;
    return S_OK;
}

HRESULT TStandInBrowser::DoVerb(LONG verb, LPMSG, IOleClientSite* activeSite, LONG, HWND, LPCRECT) {
    calls.push_back("DoVerb " + std::to_string(verb));
    if (verb != OLEIVERB_INPLACEACTIVATE && verb != OLEIVERB_UIACTIVATE && verb != OLEIVERB_SHOW)
        return E_NOTIMPL;
    if (!inPlaceActive) {
        if (!activeSite) return E_INVALIDARG;
        ComPtr<IOleInPlaceSite> inPlaceSite;
        if (FAILED(activeSite->QueryInterface(IID_PPV_ARGS(&inPlaceSite)))) return E_NOINTERFACE;
        if (inPlaceSite->CanInPlaceActivate() != S_OK) return E_FAIL;
        inPlaceSite->OnInPlaceActivate();
        HWND parent = nullptr;
        inPlaceSite->GetWindow(&parent);
        const RECT pos = TWindowContext(inPlaceSite.Get()).Pos;
        hostWindow = parent;
        RegisterChainClasses();
        HINSTANCE instance = GetModuleHandleW(nullptr);
        shellEmbedding = CreateWindowExW(0, L"Shell Embedding", L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS,
                                         pos.left, pos.top, pos.right - pos.left, pos.bottom - pos.top, parent,
                                         nullptr, instance, this);
        docObjectView = CreateWindowExW(0, L"Shell DocObject View", L"", WS_CHILD | WS_VISIBLE, 0, 0,
                                        pos.right - pos.left, pos.bottom - pos.top, shellEmbedding, nullptr, instance,
                                        this);
        inPlaceActive = true;
        if (document) MakeDocumentWindow();
    }
    return verb == OLEIVERB_UIACTIVATE ? UIActivate() : S_OK;
}

template <typename I>
ComPtr<I> TStandInBrowser::SiteAs() const {
    ComPtr<I> view;
    if (site) site->QueryInterface(__uuidof(I), reinterpret_cast<void**>(view.GetAddressOf()));
    return view;
}

void TStandInBrowser::LoadDocument(IUnknown* loaded) {
    if (loaded)
        document.Attach(loaded);
    else
        document.Attach(StandInDocument_Create(&ownDocumentState_));
    if (inPlaceActive && !ieServer) MakeDocumentWindow();
}

void TStandInBrowser::ReplaceDocumentWindow() {
    if (ieServer) DestroyWindow(ieServer);
    ieServer = nullptr;
    if (inPlaceActive && document) MakeDocumentWindow();
}

void TStandInBrowser::MakeDocumentWindow() {
    RECT r = {};
    GetClientRect(docObjectView, &r);
    ieServer = CreateWindowExW(0, L"Internet Explorer_Server", L"", WS_CHILD | WS_VISIBLE, 0, 0, r.right, r.bottom,
                               docObjectView, nullptr, GetModuleHandleW(nullptr), this);
}

// The platform documents the calls but not their order within activation;
// this is the order of the in-place activation protocol: the site first,
// the host's own UI, then the frame's active object. The document is asked
// whether the host shows its UI, and calls SetActiveObject either way.
HRESULT TStandInBrowser::UIActivate() {
    if (!inPlaceActive) return E_UNEXPECTED;
    if (!uiActive) {
        uiActive = true;
        calls.push_back("UIActivate");
        if (ComPtr<IOleInPlaceSite> inPlaceSite = SiteAs<IOleInPlaceSite>()) {
            inPlaceSite->OnUIActivate();
            const TWindowContext context(inPlaceSite.Get());
            if (ComPtr<IDocHostUIHandler> handler = SiteAs<IDocHostUIHandler>()) {
                ComPtr<IOleCommandTarget> target;
                if (document) document.As(&target);
                const HRESULT shown = handler->ShowUI(DOCHOSTUITYPE_BROWSE, this, target.Get(), context.Frame.Get(),
                                                      context.Doc.Get());
                calls.push_back(shown == S_OK ? "ShowUI by the host" : "ShowUI by the engine");
            }
            if (context.Frame) context.Frame->SetActiveObject(this, L"Stand-in");
            if (context.Doc) context.Doc->SetActiveObject(this, L"Stand-in");
        }
    }
    if (ieServer && GetFocus() != ieServer) SetFocus(ieServer);
    return S_OK;
}

HRESULT TStandInBrowser::UIDeactivate() {
    if (!uiActive) return S_OK;
    uiActive = false;
    if (ComPtr<IOleInPlaceSite> inPlaceSite = SiteAs<IOleInPlaceSite>()) inPlaceSite->OnUIDeactivate(FALSE);
    return S_OK;
}

void TStandInBrowser::WindowTookFocus(HWND window) {
    if (window == ieServer) {
        ++documentFocusCount;
        return;
    }
    if (!ieServer) return;
    if (focusPassDepth_ >= 16) {
        focusLoopCut = true;
        return;
    }
    ++focusPassDepth_;
    SetFocus(ieServer);
    --focusPassDepth_;
}

HRESULT TStandInBrowser::TranslateAccelerator(LPMSG msg) {
    if (!msg) return E_INVALIDARG;
    if (msg->message == WM_KEYDOWN) keysOffered.push_back(msg->wParam);
    // The document's commands are in its own group; which command a key
    // stands for is the engine's business, so none is named here.
    ComPtr<IDocHostUIHandler> handler = SiteAs<IDocHostUIHandler>();
    if (handler && handler->TranslateAccelerator(msg, &kCgidMshtml, 0) == S_OK) return S_OK;
    if (msg->message == WM_KEYDOWN) keysToPage.push_back(msg->wParam);
    return S_FALSE;
}

HRESULT TStandInBrowser::OnFrameWindowActivate(BOOL activate) {
    ComPtr<IDocHostUIHandler> handler = SiteAs<IDocHostUIHandler>();
    return handler ? handler->OnFrameWindowActivate(activate) : S_OK;
}

HRESULT TStandInBrowser::OnDocWindowActivate(BOOL activate) {
    ComPtr<IDocHostUIHandler> handler = SiteAs<IDocHostUIHandler>();
    return handler ? handler->OnDocWindowActivate(activate) : S_OK;
}

HRESULT TStandInBrowser::ResizeBorder(LPCRECT border, IOleInPlaceUIWindow* window, BOOL frame) {
    ComPtr<IDocHostUIHandler> handler = SiteAs<IDocHostUIHandler>();
    return handler ? handler->ResizeBorder(border, window, frame) : S_OK;
}

HRESULT TStandInBrowser::EnableModeless(BOOL enable) {
    ComPtr<IDocHostUIHandler> handler = SiteAs<IDocHostUIHandler>();
    return handler ? handler->EnableModeless(enable) : S_OK;
}

void TStandInBrowser::DestroyWindows() {
    if (shellEmbedding && IsWindow(shellEmbedding)) DestroyWindow(shellEmbedding);
    shellEmbedding = docObjectView = ieServer = nullptr;
}

HRESULT TStandInBrowser::GetWindow(HWND* window) {
    *window = shellEmbedding;
    return shellEmbedding ? S_OK : E_FAIL;
}

HRESULT TStandInBrowser::InPlaceDeactivate() {
    if (!inPlaceActive) return S_OK;
    calls.push_back("InPlaceDeactivate");
    UIDeactivate();
    inPlaceActive = false;
    DestroyWindows();
    ComPtr<IOleInPlaceSite> inPlaceSite;
    if (site && SUCCEEDED(site.As(&inPlaceSite))) inPlaceSite->OnInPlaceDeactivate();
    return S_OK;
}

HRESULT TStandInBrowser::SetObjectRects(LPCRECT pos, LPCRECT) {
    if (shellEmbedding && pos)
        MoveWindow(shellEmbedding, pos->left, pos->top, pos->right - pos->left, pos->bottom - pos->top, TRUE);
    return S_OK;
}

HRESULT TStandInBrowser::GetClassID(CLSID* clsid) {
    *clsid = kClsidWebBrowser;
    return S_OK;
}

HRESULT TStandInBrowser::Load(LPSTREAM stream) {
    ++loadCalls;
    calls.push_back("Load");
    loadedBytes.clear();
    uint8_t buffer[256];
    ULONG read = 0;
    while (SUCCEEDED(stream->Read(buffer, sizeof buffer, &read)) && read > 0)
        loadedBytes.insert(loadedBytes.end(), buffer, buffer + read);
    return loadResult;
}

HRESULT TStandInBrowser::Save(LPSTREAM stream, BOOL) {
    ++saveCalls;
    ULONG written = 0;
    return stream->Write(bytesToSave.data(), static_cast<ULONG>(bytesToSave.size()), &written);
}

HRESULT TStandInBrowser::InitNew() {
    ++initNewCalls;
    calls.push_back("InitNew");
    return initNewResult;
}

namespace {
constexpr DISPID kAmbientUserAgent = -5513;
}  // namespace

HRESULT TStandInBrowser::OnAmbientPropertyChange(DISPID dispid) {
    ambientChanges.push_back(dispid);
    if (hostile) return E_FAIL;
    ComPtr<IDispatch> ambient;
    if (dispid == kAmbientUserAgent && site && SUCCEEDED(site.As(&ambient))) {
        DISPPARAMS none = {nullptr, nullptr, 0, 0};
        VARIANT value;
        VariantInit(&value);
        if (ambient->Invoke(dispid, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &value, nullptr, nullptr) == S_OK &&
            value.vt == VT_BSTR)
            userAgentsRead.emplace_back(value.bstrVal ? value.bstrVal : L"");
        VariantClear(&value);
    }
    return S_OK;
}

HRESULT TStandInBrowser::GetTypeInfoCount(UINT* count) {
    *count = 0;
    return S_OK;
}

HRESULT TStandInBrowser::Invoke(DISPID dispid, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                EXCEPINFO* excep, UINT*) {
    if (hostile) return HostileInvoke(dispid, flags, result);
    if (flags & DISPATCH_PROPERTYGET) {
        calls.push_back("get " + std::to_string(dispid));
        if (!result) return E_POINTER;
        VariantInit(result);
        if (dispid == kDispidApplication) {
            result->vt = VT_DISPATCH;
            result->pdispVal = static_cast<IWebBrowser2*>(this);
            AddRef();
            return S_OK;
        }
        if (dispid == kDispidDocument) {
            result->vt = VT_DISPATCH;
            result->pdispVal = nullptr;
            if (document) document->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&result->pdispVal));
            return S_OK;
        }
        auto it = properties.find(dispid);
        if (it == properties.end() && dispid == kDispidReadyState) {
            ++readyStateReads;
            result->vt = VT_I4;
            result->lVal = holdReadyState ? READYSTATE_INTERACTIVE : READYSTATE_COMPLETE;
            return S_OK;
        }
        if (it == properties.end()) {
            if (excep) {
                *excep = EXCEPINFO();
                excep->scode = E_INVALIDARG;
                excep->bstrDescription = SysAllocString(L"No such property here");
            }
            return DISP_E_EXCEPTION;
        }
        return VariantCopy(result, &it->second);
    }
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
        calls.push_back("put " + std::to_string(dispid));
        if (!params || params->cArgs != 1) return DISP_E_BADPARAMCOUNT;
        VARIANT& slot = properties[dispid];
        VariantClear(&slot);
        return VariantCopy(&slot, &params->rgvarg[0]);
    }
    return DISP_E_MEMBERNOTFOUND;
}

HRESULT TStandInBrowser::Fail(const char* call) {
    calls.push_back(call);
    if (hostile) return E_FAIL;
    if (SUCCEEDED(failWith)) return failWith;
    ComPtr<ICreateErrorInfo> create;
    if (!failDescription.empty() && SUCCEEDED(CreateErrorInfo(&create))) {
        create->SetDescription(const_cast<LPOLESTR>(failDescription.c_str()));
        ComPtr<IErrorInfo> info;
        create.As(&info);
        SetErrorInfo(0, info.Get());
    }
    return failWith;
}

HRESULT TStandInBrowser::Navigate(BSTR url, VARIANT* flags, VARIANT* target, VARIANT* postData, VARIANT* headers) {
    navigations.push_back(url ? std::wstring(url, SysStringLen(url)) : std::wstring());
    // What the wrapper passes for the arguments it leaves out.
    auto omitted = [](VARIANT* v) { return v && v->vt == VT_ERROR && v->scode == DISP_E_PARAMNOTFOUND; };
    if (!omitted(flags) || !omitted(target) || !omitted(headers) || !postData || postData->vt != VT_EMPTY)
        calls.push_back("Navigate with unexpected arguments");
    return Fail("Navigate");
}

HRESULT TStandInBrowser::Navigate2(VARIANT* url, VARIANT*, VARIANT*, VARIANT*, VARIANT*) {
    if (url && url->vt == VT_BSTR) navigations.push_back(url->bstrVal);
    return Fail("Navigate2");
}

HRESULT TStandInBrowser::ExecWB(OLECMDID cmd, OLECMDEXECOPT, VARIANT*, VARIANT* out) {
    if (out && !execOutputText.empty()) {
        VariantClear(out);
        out->vt = VT_BSTR;
        out->bstrVal = SysAllocString(execOutputText.c_str());
    }
    return Fail(("ExecWB " + std::to_string(static_cast<int>(cmd))).c_str());
}

HRESULT TStandInBrowser::get_Application(IDispatch** disp) {
    *disp = nullptr;
    if (hostile) return S_OK;
    *disp = static_cast<IWebBrowser2*>(this);
    AddRef();
    return S_OK;
}

HRESULT TStandInBrowser::get_Document(IDispatch** disp) {
    *disp = nullptr;
    return S_FALSE;
}

HRESULT TStandInBrowser::FindConnectionPoint(REFIID iid, IConnectionPoint** point) {
    if (iid != kDiidEvents2) {
        *point = nullptr;
        return CONNECT_E_NOCONNECTION;
    }
    *point = point_;
    point_->AddRef();
    return S_OK;
}

HRESULT TStandInBrowser::InterfaceSupportsErrorInfo(REFIID iid) {
    return iid == kIidWebBrowser2 ? S_OK : S_FALSE;
}

HRESULT TStandInBrowser::FireEvent(DISPID dispid, std::vector<VARIANTARG> args) {
    std::reverse(args.begin(), args.end());
    DISPPARAMS params = {args.empty() ? nullptr : args.data(), nullptr, static_cast<UINT>(args.size()), 0};
    HRESULT hr = S_OK;
    AddRef();
    ++selfHolds_;
    auto sinks = sinks_;
    for (auto& sink : sinks)
        hr = sink.second->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr,
                                 nullptr);
    --selfHolds_;
    Release();
    return hr;
}

bool TStandInBrowser::FireBeforeNavigate2(const std::wstring& url) {
    VARIANT vUrl, vFlags, vTarget, vPost, vHeaders;
    VariantInit(&vUrl);
    vUrl.vt = VT_BSTR;
    vUrl.bstrVal = SysAllocString(url.c_str());
    for (VARIANT* v : {&vFlags, &vTarget, &vPost, &vHeaders}) VariantInit(v);
    vFlags.vt = VT_I4;
    vFlags.lVal = 0;
    VARIANT_BOOL cancel = VARIANT_FALSE;
    auto byRef = [](VARIANT* v) {
        VARIANTARG a;
        VariantInit(&a);
        a.vt = VT_BYREF | VT_VARIANT;
        a.pvarVal = v;
        return a;
    };
    VARIANTARG disp;
    VariantInit(&disp);
    disp.vt = VT_DISPATCH;
    disp.pdispVal = static_cast<IWebBrowser2*>(this);
    VARIANTARG cancelArg;
    VariantInit(&cancelArg);
    cancelArg.vt = VT_BYREF | VT_BOOL;
    cancelArg.pboolVal = &cancel;
    FireEvent(kDispidBeforeNavigate2,
              {disp, byRef(&vUrl), byRef(&vFlags), byRef(&vTarget), byRef(&vPost), byRef(&vHeaders), cancelArg});
    for (VARIANT* v : {&vUrl, &vFlags, &vTarget, &vPost, &vHeaders}) VariantClear(v);
    return cancel != VARIANT_FALSE;
}

namespace {

// A by-value argument of the text notation, or the content of a variant.
VARIANT ValueOf(const std::string& text, IDispatch* self) {
    VARIANT v;
    VariantInit(&v);
    const std::string value = text.size() > 2 ? text.substr(2) : std::string();
    switch (text.empty() ? 'e' : text[0]) {
    case 's':
        v.vt = VT_BSTR;
        v.bstrVal = SysAllocString(std::wstring(value.begin(), value.end()).c_str());
        break;
    case 'i':
        v.vt = VT_I4;
        v.lVal = std::stol(value);
        break;
    case 'b':
        v.vt = VT_BOOL;
        v.boolVal = value == "1" ? VARIANT_TRUE : VARIANT_FALSE;
        break;
    case 'd':
        v.vt = VT_DISPATCH;
        v.pdispVal = self;
        self->AddRef();
        break;
    default:
        break;
    }
    return v;
}

std::string TextOf(const VARIANT& v) {
    switch (v.vt) {
    case VT_BSTR: {
        std::wstring wide(v.bstrVal ? v.bstrVal : L"");
        return "s:" + std::string(wide.begin(), wide.end());
    }
    case VT_I4: return "i:" + std::to_string(v.lVal);
    case VT_BOOL: return v.boolVal ? "b:1" : "b:0";
    case VT_DISPATCH: return v.pdispVal ? "d" : "null";
    case VT_EMPTY: return "e";
    default: return "vt " + std::to_string(v.vt);
    }
}

}  // namespace

std::string TStandInBrowser::FireEventWith(DISPID dispid, const std::string& args) {
    // Stable places for what is passed by reference.
    std::list<VARIANT> variants;
    std::list<VARIANT_BOOL> booleans;
    std::list<LONG> integers;
    std::list<IDispatch*> objects;
    std::vector<VARIANTARG> given;
    std::vector<std::function<std::string()>> readBack;
    std::istringstream words(args);
    for (std::string word; words >> word;) {
        VARIANTARG a;
        VariantInit(&a);
        if (word[0] != '&') {
            a = ValueOf(word, this);
        } else if (word.compare(0, 3, "&v:") == 0) {
            variants.push_back(ValueOf(word.substr(3), this));
            a.vt = VT_BYREF | VT_VARIANT;
            a.pvarVal = &variants.back();
            VARIANT* v = &variants.back();
            readBack.push_back([v] { return TextOf(*v); });
        } else if (word[1] == 'b') {
            booleans.push_back(word == "&b:1" ? VARIANT_TRUE : VARIANT_FALSE);
            a.vt = VT_BYREF | VT_BOOL;
            a.pboolVal = &booleans.back();
            VARIANT_BOOL* b = &booleans.back();
            readBack.push_back([b] { return *b ? std::string("b:1") : std::string("b:0"); });
        } else if (word[1] == 'i') {
            integers.push_back(std::stol(word.substr(3)));
            a.vt = VT_BYREF | VT_I4;
            a.plVal = &integers.back();
            LONG* i = &integers.back();
            readBack.push_back([i] { return "i:" + std::to_string(*i); });
        } else {
            objects.push_back(nullptr);
            a.vt = VT_BYREF | VT_DISPATCH;
            a.ppdispVal = &objects.back();
            IDispatch** d = &objects.back();
            readBack.push_back([d] { return *d ? std::string("d") : std::string("null"); });
        }
        given.push_back(a);
    }
    FireEvent(dispid, given);
    std::string after;
    for (auto& read : readBack) after += (after.empty() ? "" : " ") + read();
    for (VARIANTARG& a : given)
        if (!(a.vt & VT_BYREF)) VariantClear(&a);
    for (VARIANT& v : variants) VariantClear(&v);
    for (IDispatch* d : objects)
        if (d) d->Release();
    return after;
}

// ---- the published component's cases ----

void TStandInRegistration::RefuseLoadOfNewInstances(HRESULT code) { g_newLoadResult = code; }

void TStandInRegistration::RefuseInitOfNewInstances(HRESULT code) { g_newInitNewResult = code; }

HRESULT TStandInProtocolSink::QueryInterface(REFIID iid, void** object) {
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_IInternetProtocolSink)
        *object = static_cast<IInternetProtocolSink*>(this);
    else if (iid == IID_IServiceProvider && offerServices)
        *object = static_cast<IServiceProvider*>(this);
    if (!*object) return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

HRESULT TStandInProtocolSink::QueryService(REFGUID service, REFIID iid, void** object) {
    *object = nullptr;
    if (!offerNegotiate || service != IID_IHttpNegotiate || iid != IID_IHttpNegotiate) return E_NOINTERFACE;
    *object = static_cast<IHttpNegotiate*>(this);
    AddRef();
    return S_OK;
}

HRESULT TStandInProtocolSink::BeginningTransaction(LPCWSTR url, LPCWSTR headers, DWORD, LPWSTR* additional) {
    transactions.push_back(url ? url : L"");
    headersGiven = headers != nullptr;
    if (additional) *additional = nullptr;
    return S_OK;
}

}  // namespace standin
