// TEwbSite: the host's side of the conversation with the WebBrowser control
// and its document engine, as one heap COM object. It carries every
// interface they ask the host for, behind one identity, one count and one
// table, and answers them from the component's options and events. The
// component reaches it through the container; once the component has gone,
// the same interfaces answer each contract's "nothing here" value, without
// the component.
#pragma once

#include "browser/host/EwbCore.h"

namespace ewb {

// IDocHostUIHandler2's GetHostInfo and EnableModeless under names of their
// own: one object carries this interface, IDocHostUIHandler with another
// GetHostInfo, and the in-place frame's EnableModeless.
class TCoreUIHandler : public IDocHostUIHandler2 {
public:
    HRESULT STDMETHODCALLTYPE GetHostInfo(DOCHOSTUIINFO* info) final;
    HRESULT STDMETHODCALLTYPE EnableModeless(BOOL enable) final;

protected:
    virtual HRESULT CoreGetHostInfo(DOCHOSTUIINFO* info) = 0;
    virtual HRESULT HandlerEnableModeless(BOOL enable) = 0;
};

// IDocHostUIHandler as the component answers it: GetHostInfo extended by
// the component, the rest as IDocHostUIHandler2's.
class TExtendedUIHandler : public IDocHostUIHandler {
public:
    HRESULT STDMETHODCALLTYPE GetHostInfo(DOCHOSTUIINFO* info) final;
    HRESULT STDMETHODCALLTYPE EnableModeless(BOOL enable) final;

protected:
    virtual HRESULT ExtendedGetHostInfo(DOCHOSTUIINFO* info) = 0;
    virtual HRESULT HandlerEnableModeless(BOOL enable) = 0;
};

// Every method is defined out of line: 32-bit mingw-w64 with link-time
// optimisation emits clashing copies of the adjustor thunks of inline
// methods of a class with several COM bases.
class TEwbSite final : public ui::TOleControlSite,
                       public IAuthenticate,
                       public IZoomEvents,
                       public IHostBehaviorInit,
                       public IHTMLOMWindowServices,
                       public IDownloadManager,
                       public IProtectFocus,
                       public INewWindowManager,
                       public IServiceProvider,
                       public IOleCommandTarget,
                       public IDropTarget,
                       public TCoreUIHandler,
                       public TExtendedUIHandler,
                       public IDocHostShowUI,
                       public IInternetProtocol {
public:
    explicit TEwbSite(TCustomEmbeddedWB* host);

    // ---- IUnknown: the site's one identity and count ----
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // ---- IDispatch: ambient properties (EwbCoreCommands.cpp) ----
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid,
                                            DISPID* dispids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispid, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* excep, UINT* argErr) override;

    // ---- IOleCommandTarget (EwbCoreCommands.cpp) ----
    HRESULT STDMETHODCALLTYPE QueryStatus(const GUID* group, ULONG count, OLECMD* cmds, OLECMDTEXT* text) override;
    HRESULT STDMETHODCALLTYPE Exec(const GUID* group, DWORD cmdID, DWORD option, VARIANT* in, VARIANT* out) override;

    // ---- the services and drag and drop (EwbCoreServices.cpp) ----
    HRESULT STDMETHODCALLTYPE Authenticate(HWND* window, LPWSTR* user, LPWSTR* password) override;
    HRESULT STDMETHODCALLTYPE OnZoomPercentChanged(ULONG percent) override;
    HRESULT STDMETHODCALLTYPE PopulateNamespaceTable() override;
    HRESULT STDMETHODCALLTYPE moveTo(LONG x, LONG y) override;
    HRESULT STDMETHODCALLTYPE moveBy(LONG x, LONG y) override;
    HRESULT STDMETHODCALLTYPE resizeTo(LONG x, LONG y) override;
    HRESULT STDMETHODCALLTYPE resizeBy(LONG x, LONG y) override;
    HRESULT STDMETHODCALLTYPE Download(IMoniker* moniker, IBindCtx* context, DWORD bindVerb, LONG grfBINDF,
                                       BINDINFO* bindInfo, LPCOLESTR headers, LPCOLESTR redir, UINT codePage) override;
    HRESULT STDMETHODCALLTYPE AllowFocusChange(BOOL* allow) override;
    HRESULT STDMETHODCALLTYPE EvaluateNewWindow(LPCWSTR url, LPCWSTR name, LPCWSTR urlContext, LPCWSTR features,
                                                BOOL replace, DWORD flags, DWORD userActionTime) override;
    HRESULT STDMETHODCALLTYPE QueryService(REFGUID service, REFIID iid, void** object) override;
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keys, POINTL pt, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragOver(DWORD keys, POINTL pt, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragLeave() override;
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keys, POINTL pt, DWORD* effect) override;

    // ---- the UI handlers and show-UI (EwbCoreViews.cpp) ----
    HRESULT STDMETHODCALLTYPE ShowContextMenu(DWORD id, POINT* pt, IUnknown* target, IDispatch* context) override;
    HRESULT STDMETHODCALLTYPE ShowUI(DWORD id, IOleInPlaceActiveObject* active, IOleCommandTarget* target,
                                     IOleInPlaceFrame* frame, IOleInPlaceUIWindow* doc) override;
    HRESULT STDMETHODCALLTYPE HideUI() override;
    HRESULT STDMETHODCALLTYPE UpdateUI() override;
    HRESULT STDMETHODCALLTYPE OnDocWindowActivate(BOOL activate) override;
    HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(BOOL activate) override;
    HRESULT STDMETHODCALLTYPE ResizeBorder(LPCRECT border, IOleInPlaceUIWindow* window, BOOL frameWindow) override;
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG msg, const GUID* group, DWORD cmdID) override;
    HRESULT STDMETHODCALLTYPE GetOptionKeyPath(LPOLESTR* key, DWORD reserved) override;
    HRESULT STDMETHODCALLTYPE GetDropTarget(IDropTarget* dropTarget, IDropTarget** result) override;
    HRESULT STDMETHODCALLTYPE GetExternal(IDispatch** dispatch) override;
    HRESULT STDMETHODCALLTYPE TranslateUrl(DWORD translate, LPWSTR urlIn, LPWSTR* urlOut) override;
    HRESULT STDMETHODCALLTYPE FilterDataObject(IDataObject* in, IDataObject** out) override;
    HRESULT STDMETHODCALLTYPE GetOverrideKeyPath(LPOLESTR* key, DWORD reserved) override;
    HRESULT STDMETHODCALLTYPE ShowMessage(HWND window, LPOLESTR text, LPOLESTR caption, DWORD type,
                                          LPOLESTR helpFile, DWORD helpContext, LRESULT* result) override;
    HRESULT STDMETHODCALLTYPE ShowHelp(HWND window, LPOLESTR helpFile, UINT command, DWORD data, POINT mouse,
                                       IDispatch* hit) override;

    // ---- the component's protocol stub (EwbCoreSite.cpp) ----
    HRESULT STDMETHODCALLTYPE Start(LPCWSTR url, IInternetProtocolSink* sink, IInternetBindInfo* bindInfo,
                                    DWORD grfPI, HANDLE_PTR reserved) override;
    HRESULT STDMETHODCALLTYPE Continue(PROTOCOLDATA* data) override;
    HRESULT STDMETHODCALLTYPE Abort(HRESULT reason, DWORD options) override;
    HRESULT STDMETHODCALLTYPE Terminate(DWORD options) override;
    HRESULT STDMETHODCALLTYPE Suspend() override;
    HRESULT STDMETHODCALLTYPE Resume() override;
    // The byte count is left as the caller gave it.
    HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG size, ULONG* read) override;
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position) override;
    HRESULT STDMETHODCALLTYPE LockRequest(DWORD options) override;
    HRESULT STDMETHODCALLTYPE UnlockRequest() override;

protected:
    ~TEwbSite() override;
    void* FindInterface(REFIID iid) override;
    void Detaching() override;
    HRESULT CoreGetHostInfo(DOCHOSTUIINFO* info) override;
    HRESULT ExtendedGetHostInfo(DOCHOSTUIINFO* info) override;
    HRESULT HandlerEnableModeless(BOOL enable) override;

private:
    // Exec's work; `result` holds the answer as the handlers leave it.
    HRESULT ExecCommand(const GUID* group, DWORD cmdID, DWORD option, VARIANT* in, VARIANT* out, HRESULT& result);

    TCustomEmbeddedWB* host_;
    // Whether the component extends the site, asked once: the interfaces
    // answered stay the same after the component has gone.
    const bool extended_;
};

}  // namespace ewb
