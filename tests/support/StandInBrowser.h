// A stand-in for the platform WebBrowser control, registered for its class
// id inside a test process. It plays the engine: records what its container
// does, makes the engine's window chain, fires events through its
// connection point and calls the host's site interfaces on request.
#pragma once

#include <exdisp.h>
#include <ocidl.h>
#include <oleidl.h>
#include <urlmon.h>
#include <wrl/client.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "support/StandInDocument.h"

namespace standin {

using Microsoft::WRL::ComPtr;

class TStandInBrowser;

// Registers the stand-in's class factory for CLSID_WebBrowser while alive.
class TStandInRegistration {
public:
    TStandInRegistration();
    ~TStandInRegistration();
    // The instances made so far, oldest first; they stay alive (and keep
    // their records) until the registration ends.
    const std::vector<TStandInBrowser*>& Instances() const;
    TStandInBrowser* Last() const;
    // Makes every instance created from now on fail its navigation and
    // command calls with this code and description.
    void FailNewInstancesWith(HRESULT code, const std::wstring& description);
    // ---- the published component's cases ----
    // Makes every instance created from now on answer Load with this code.
    void RefuseLoadOfNewInstances(HRESULT code);
    // Makes every instance created from now on answer InitNew with this code.
    void RefuseInitOfNewInstances(HRESULT code);

private:
    DWORD cookie_ = 0;
};

class TStandInBrowser : public IOleObject,
                        public IOleInPlaceObject,
                        public IOleInPlaceActiveObject,
                        public IPersistStreamInit,
                        public IOleControl,
                        public IWebBrowser2,
                        public IConnectionPointContainer,
                        public ISupportErrorInfo {
public:
    TStandInBrowser();
    virtual ~TStandInBrowser();

    // ---- what the container did ----
    int initNewCalls = 0;
    int loadCalls = 0;
    std::vector<uint8_t> loadedBytes;
    int saveCalls = 0;
    std::vector<uint8_t> bytesToSave;  // what Save writes
    ComPtr<IOleClientSite> site;
    int setClientSiteCalls = 0;
    bool inPlaceActive = false;
    HWND hostWindow = nullptr;  // the parent the container gave
    HWND shellEmbedding = nullptr, docObjectView = nullptr, ieServer = nullptr;
    VARIANT_BOOL registerAsDropTarget = VARIANT_TRUE;
    std::vector<DISPID> ambientChanges;  // IOleControl::OnAmbientPropertyChange
    // The user agent read from the site after each change of it, as the
    // engine reads it (only answers of S_OK with a string).
    std::vector<std::wstring> userAgentsRead;
    std::vector<std::wstring> navigations;
    std::vector<std::string> calls;      // "Navigate", "ExecWB 19", "put 551", ...
    std::map<DISPID, VARIANT> properties;
    int advisedSinks() const { return static_cast<int>(sinks_.size()); }
    // How often each interface was asked for, by its braced text.
    std::map<std::wstring, int> queries;
    int QueriesFor(REFIID iid) const;
    long References() const { return refs_; }
    // The references the host holds on it: all but the registration's and
    // the one it holds on itself while it fires.
    long HostReferencesOnIt() const { return refs_ - 1 - selfHolds_; }

    // ---- the document, its window and the focus ----
    // Gives the control a document (taking over one reference; null: a plain
    // document of its own). From then on, while it is active in place, the
    // document window "Internet Explorer_Server" lies below the view window,
    // as the engine makes it once a page has loaded.
    void LoadDocument(IUnknown* loaded = nullptr);
    // A new document window in place of the old one, as the engine makes
    // one for each document it shows (its old window destroyed first, the
    // view window staying).
    void ReplaceDocumentWindow();
    // The engine's windows that had their last message with a drop target
    // still registered on them: the platform keeps that target for good.
    int dropTargetsLeftOnDestroyedWindows = 0;
    ComPtr<IUnknown> document;  // answered for Document (203) when set
    bool uiActive = false;
    // WM_SETFOCUS messages the document window received.
    int documentFocusCount = 0;
    // The outer windows hand the focus on to the document window; a host
    // that hands it back each time would loop for ever. The stand-in stops
    // passing it on at this depth and notes it.
    bool focusLoopCut = false;
    // UI activation as the engine makes it (DoVerb OLEIVERB_UIACTIVATE, a
    // click into the document): the site's OnUIActivate, the UI handler's
    // ShowUI, the frame's SetActiveObject once; then the document window
    // takes the focus.
    HRESULT UIActivate();
    // The keys the document was offered through the active object, and the
    // ones the host's UI handler left to it.
    std::vector<WPARAM> keysOffered, keysToPage;

    // ---- what a test makes it do ----
    bool refuseOleControl = false;  // answer no IOleControl
    HRESULT failWith = S_OK;               // answer of Navigate, Navigate2 and ExecWB
    HRESULT loadResult = S_OK;             // answer of IPersistStreamInit::Load
    HRESULT initNewResult = S_OK;          // answer of IPersistStreamInit::InitNew
    std::wstring failDescription;          // its error description, if any
    // Fires an event; the arguments are given first to last (the stand-in
    // reverses them as DISPPARAMS does). As real controls do, it holds a
    // reference to itself while it fires: a handler may have the host let it
    // go, and it is still inside its own call.
    HRESULT FireEvent(DISPID dispid, std::vector<VARIANTARG> args);
    // Fires BeforeNavigate2 for a URL and answers the Cancel the host left.
    bool FireBeforeNavigate2(const std::wstring& url);
    // Fires an event with its arguments written as text, first to last:
    // s:TEXT, i:N, b:0 or b:1, d (the control itself) and e (empty) by value;
    // &b:, &i:, &d (a null object) and &v: followed by any of the by-value
    // forms (a variant holding it) by reference. Answers the by-reference
    // arguments as the host left them, in the same notation.
    std::string FireEventWith(DISPID dispid, const std::string& args);

    // ---- lifetime accounting and the hostile engine (StandInHostile.cpp) ----
    // References the control holds on the host's objects: its site and the
    // event sinks it was given. The registration checks, when it ends, that
    // every instance holds none and is held only by the registration.
    int HostReferencesHeld() const { return (site ? 1 : 0) + static_cast<int>(sinks_.size()); }
    IDispatch* FirstSink() const { return sinks_.empty() ? nullptr : sinks_.begin()->second.Get(); }
    // Called as Close begins, while the site is still set.
    std::function<void(TStandInBrowser&)> onClose;
    // Written to ExecWB's output when not empty.
    std::wstring execOutputText;
    // Answers every host call with null objects, failures and odd types
    // where the interfaces allow it.
    bool hostile = false;
    // Calls every host interface through the site with null out-pointers,
    // null and odd arguments; one "call hr" line for each.
    std::vector<std::string> CallHostHostilely();

    // ---- document loading ----
    // ReadyState (DISPID -525) answers READYSTATE_COMPLETE unless held back,
    // when it answers READYSTATE_INTERACTIVE; readyStateReads counts reads.
    bool holdReadyState = false;
    int readyStateReads = 0;

    // ---- what a page does (StandInPage.cpp) ----
    // A page asks for a window (a link with a target, window.open()):
    // NewWindow2, then NewWindow3 with the address, as long as the host
    // neither cancels nor gives a browser of its own. Answers whether the
    // engine then opens a window of its own.
    bool OpenNewWindow(const std::string& url);
    // A right click into the page: answers whether the engine shows its
    // own menu, as it does unless the host's ShowContextMenu answers S_OK.
    bool ShowsOwnContextMenu();
    // The page's script calls window.external.NAME with string arguments:
    // the host's GetExternal, then the object's GetIDsOfNames and Invoke.
    // Answers the call's value in FireEventWith's notation, or "no object",
    // "no such name" or "failed HRESULT: DESCRIPTION".
    std::string CallExternal(const std::wstring& name, const std::vector<std::wstring>& args = {});
    // The page's script calls window.close(): WindowClosing for the top
    // window; answers the Cancel the host left.
    bool CloseFromScript();

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IOleObject
    HRESULT STDMETHODCALLTYPE SetClientSite(IOleClientSite* clientSite) override;
    HRESULT STDMETHODCALLTYPE GetClientSite(IOleClientSite** clientSite) override;
    HRESULT STDMETHODCALLTYPE SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Close(DWORD) override;
    HRESULT STDMETHODCALLTYPE SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetClipboardData(DWORD, IDataObject**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DoVerb(LONG verb, LPMSG, IOleClientSite* activeSite, LONG, HWND parent,
                                     LPCRECT posRect) override;
    HRESULT STDMETHODCALLTYPE EnumVerbs(IEnumOLEVERB**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Update() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE IsUpToDate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetUserClassID(CLSID* clsid) override;
    HRESULT STDMETHODCALLTYPE GetUserType(DWORD, LPOLESTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetExtent(DWORD, SIZEL*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetExtent(DWORD, SIZEL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Advise(IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMiscStatus(DWORD, DWORD* status) override;
    HRESULT STDMETHODCALLTYPE SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }

    // IOleWindow / IOleInPlaceObject
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override;
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE InPlaceDeactivate() override;
    HRESULT STDMETHODCALLTYPE UIDeactivate() override;
    HRESULT STDMETHODCALLTYPE SetObjectRects(LPCRECT pos, LPCRECT clip) override;
    HRESULT STDMETHODCALLTYPE ReactivateAndUndo() override { return E_NOTIMPL; }

    // IOleInPlaceActiveObject: what the engine's document does with each,
    // it first offers the host's UI handler.
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG msg) override;
    HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(BOOL activate) override;
    HRESULT STDMETHODCALLTYPE OnDocWindowActivate(BOOL activate) override;
    HRESULT STDMETHODCALLTYPE ResizeBorder(LPCRECT border, IOleInPlaceUIWindow* window, BOOL frame) override;
    HRESULT STDMETHODCALLTYPE EnableModeless(BOOL enable) override;

    // IPersistStreamInit
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* clsid) override;
    HRESULT STDMETHODCALLTYPE IsDirty() override { return S_FALSE; }
    HRESULT STDMETHODCALLTYPE Load(LPSTREAM stream) override;
    HRESULT STDMETHODCALLTYPE Save(LPSTREAM stream, BOOL) override;
    HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE InitNew() override;

    // IOleControl
    HRESULT STDMETHODCALLTYPE GetControlInfo(CONTROLINFO*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnMnemonic(MSG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnAmbientPropertyChange(DISPID dispid) override;
    HRESULT STDMETHODCALLTYPE FreezeEvents(BOOL) override { return S_OK; }

    // IDispatch: properties by DISPID
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispid, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* excep, UINT*) override;

    // IWebBrowser / IWebBrowserApp / IWebBrowser2
    HRESULT STDMETHODCALLTYPE GoBack() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GoForward() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GoHome() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GoSearch() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Navigate(BSTR url, VARIANT* flags, VARIANT* target, VARIANT* postData,
                                       VARIANT* headers) override;
    HRESULT STDMETHODCALLTYPE Refresh() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Refresh2(VARIANT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Stop() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Application(IDispatch** disp) override;
    HRESULT STDMETHODCALLTYPE get_Parent(IDispatch**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Container(IDispatch**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Document(IDispatch** disp) override;
    HRESULT STDMETHODCALLTYPE get_TopLevelContainer(VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Type(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Left(LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_Left(LONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Top(LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_Top(LONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Width(LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_Width(LONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Height(LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_Height(LONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_LocationName(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_LocationURL(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Busy(VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Quit() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ClientToWindow(int*, int*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE PutProperty(BSTR, VARIANT) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetProperty(BSTR, VARIANT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Name(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_HWND(SHANDLE_PTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_FullName(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Path(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Visible(VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_Visible(VARIANT_BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_StatusBar(VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_StatusBar(VARIANT_BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_StatusText(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_StatusText(BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_ToolBar(int*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_ToolBar(int) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_MenuBar(VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_MenuBar(VARIANT_BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_FullScreen(VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_FullScreen(VARIANT_BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Navigate2(VARIANT* url, VARIANT* flags, VARIANT* target, VARIANT* postData,
                                        VARIANT* headers) override;
    HRESULT STDMETHODCALLTYPE QueryStatusWB(OLECMDID, OLECMDF*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ExecWB(OLECMDID cmd, OLECMDEXECOPT opt, VARIANT* in, VARIANT* out) override;
    HRESULT STDMETHODCALLTYPE ShowBrowserBar(VARIANT*, VARIANT*, VARIANT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_ReadyState(READYSTATE*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Offline(VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_Offline(VARIANT_BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Silent(VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_Silent(VARIANT_BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_RegisterAsBrowser(VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_RegisterAsBrowser(VARIANT_BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_RegisterAsDropTarget(VARIANT_BOOL* value) override {
        *value = registerAsDropTarget;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_RegisterAsDropTarget(VARIANT_BOOL value) override {
        registerAsDropTarget = value;
        calls.push_back(value ? "RegisterAsDropTarget on" : "RegisterAsDropTarget off");
        return hostile ? E_FAIL : S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_TheaterMode(VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_TheaterMode(VARIANT_BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_AddressBar(VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_AddressBar(VARIANT_BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Resizable(VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_Resizable(VARIANT_BOOL) override { return E_NOTIMPL; }

    // IConnectionPointContainer
    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** point) override;

    // ISupportErrorInfo
    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID iid) override;

    // The engine's windows call these.
    void WindowTookFocus(HWND window);

private:
    HRESULT HostileInvoke(DISPID dispid, WORD flags, VARIANT* result);

    class TEventPoint;
    friend class TEventPoint;
    HRESULT Fail(const char* call);
    void DestroyWindows();
    void MakeDocumentWindow();
    template <typename I>
    ComPtr<I> SiteAs() const;

    StandInDocumentState ownDocumentState_ = {};
    int focusPassDepth_ = 0;

    long refs_ = 1;
    long selfHolds_ = 0;
    std::map<DWORD, ComPtr<IDispatch>> sinks_;
    DWORD nextCookie_ = 1;
    TEventPoint* point_;
};

// ---- the published component's cases ----

// The sink the URL moniker layer hands a pluggable protocol's Start: it
// may offer IServiceProvider, which may serve IHttpNegotiate, which
// records the transactions it is told of.
class TStandInProtocolSink : public IInternetProtocolSink, public IServiceProvider, public IHttpNegotiate {
public:
    bool offerServices = true;
    bool offerNegotiate = true;
    std::vector<std::wstring> transactions;  // the URLs of BeginningTransaction
    bool headersGiven = false;               // BeginningTransaction had headers
    long refs = 1;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--refs); }
    HRESULT STDMETHODCALLTYPE Switch(PROTOCOLDATA*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ReportProgress(ULONG, LPCWSTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ReportData(DWORD, ULONG, ULONG) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ReportResult(HRESULT, DWORD, LPCWSTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE QueryService(REFGUID service, REFIID iid, void** object) override;
    HRESULT STDMETHODCALLTYPE BeginningTransaction(LPCWSTR url, LPCWSTR headers, DWORD, LPWSTR* additional) override;
    HRESULT STDMETHODCALLTYPE OnResponse(DWORD, LPCWSTR, LPCWSTR, LPWSTR*) override { return S_OK; }
};

}  // namespace standin
