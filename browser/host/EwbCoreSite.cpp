#include "browser/host/EwbCoreSite.h"

#include "framework/Boundary.h"

namespace ewb {

using namespace ui;

namespace {

// The site's own interfaces, searched in this order before the container's.
// The protocol stub, and IDocHostUIHandler apart from IDocHostUIHandler2,
// only for a component that extends the site.
struct TSiteInterface {
    const IID* Iid;
    void* (*View)(TEwbSite* site);
};
const TSiteInterface kSiteInterfaces[] = {
    {&IID_EwbInternetProtocolRoot, [](TEwbSite* s) -> void* { return static_cast<IInternetProtocol*>(s); }},
    {&IID_EwbInternetProtocol, [](TEwbSite* s) -> void* { return static_cast<IInternetProtocol*>(s); }},
    {&IID_EwbAuthenticate, [](TEwbSite* s) -> void* { return static_cast<IAuthenticate*>(s); }},
    {&IID_EwbZoomEvents, [](TEwbSite* s) -> void* { return static_cast<IZoomEvents*>(s); }},
    {&IID_EwbHostBehaviorInit, [](TEwbSite* s) -> void* { return static_cast<IHostBehaviorInit*>(s); }},
    {&IID_EwbOMWindowServices, [](TEwbSite* s) -> void* { return static_cast<IHTMLOMWindowServices*>(s); }},
    {&IID_EwbDownloadManager, [](TEwbSite* s) -> void* { return static_cast<IDownloadManager*>(s); }},
    {&IID_EwbProtectFocus, [](TEwbSite* s) -> void* { return static_cast<IProtectFocus*>(s); }},
    {&IID_EwbNewWindowManager, [](TEwbSite* s) -> void* { return static_cast<INewWindowManager*>(s); }},
    {&IID_IServiceProvider, [](TEwbSite* s) -> void* { return static_cast<IServiceProvider*>(s); }},
    {&IID_IOleCommandTarget, [](TEwbSite* s) -> void* { return static_cast<IOleCommandTarget*>(s); }},
    {&IID_IDropTarget, [](TEwbSite* s) -> void* { return static_cast<IDropTarget*>(s); }},
    {&IID_EwbDocHostUIHandler2, [](TEwbSite* s) -> void* { return static_cast<TCoreUIHandler*>(s); }},
    {&IID_EwbDocHostUIHandler, [](TEwbSite* s) -> void* { return static_cast<TExtendedUIHandler*>(s); }},
    {&IID_EwbDocHostShowUI, [](TEwbSite* s) -> void* { return static_cast<IDocHostShowUI*>(s); }},
    {&IID_IDispatch, [](TEwbSite* s) -> void* { return static_cast<IDispatch*>(static_cast<TOleControlSite*>(s)); }},
};

bool IsProtocolInterface(REFIID iid) { return iid == IID_EwbInternetProtocolRoot || iid == IID_EwbInternetProtocol; }

}  // namespace

HRESULT TCoreUIHandler::GetHostInfo(DOCHOSTUIINFO* info) { return CoreGetHostInfo(info); }
HRESULT TCoreUIHandler::EnableModeless(BOOL enable) { return HandlerEnableModeless(enable); }
HRESULT TExtendedUIHandler::GetHostInfo(DOCHOSTUIINFO* info) { return ExtendedGetHostInfo(info); }
HRESULT TExtendedUIHandler::EnableModeless(BOOL enable) { return HandlerEnableModeless(enable); }

// Made once the component is whole (on first use), so that it answers for
// the class it is.
TEwbSite::TEwbSite(TCustomEmbeddedWB* host) : TOleControlSite(host), host_(host), extended_(host->ExtendsSite()) {}

TEwbSite::~TEwbSite() = default;

HRESULT TEwbSite::QueryInterface(REFIID iid, void** object) { return TOleControlSite::QueryInterface(iid, object); }
ULONG TEwbSite::AddRef() { return TOleControlSite::AddRef(); }
ULONG TEwbSite::Release() { return TOleControlSite::Release(); }

void TEwbSite::Detaching() { host_ = nullptr; }

void* TEwbSite::FindInterface(REFIID iid) {
    for (const TSiteInterface& row : kSiteInterfaces) {
        if (iid != *row.Iid) continue;
        if (extended_) return row.View(this);
        if (IsProtocolInterface(iid)) break;
        if (iid == IID_EwbDocHostUIHandler) return static_cast<TCoreUIHandler*>(this);
        return row.View(this);
    }
    return TOleControlSite::FindInterface(iid);
}

HRESULT TEwbSite::Start(LPCWSTR url, IInternetProtocolSink* sink, IInternetBindInfo* bindInfo, DWORD grfPI,
                        HANDLE_PTR reserved) {
    if (!host_) return INET_E_USE_DEFAULT_PROTOCOLHANDLER;
    const TKeepAlive alive(this);
    return Boundary(host_, INET_E_USE_DEFAULT_PROTOCOLHANDLER,
                    [&] { return host_->ProtocolStart(url, sink, bindInfo, grfPI, reserved); });
}

HRESULT TEwbSite::Continue(PROTOCOLDATA*) { return S_OK; }
HRESULT TEwbSite::Abort(HRESULT, DWORD) { return E_NOTIMPL; }
HRESULT TEwbSite::Terminate(DWORD) { return S_OK; }
HRESULT TEwbSite::Suspend() { return E_NOTIMPL; }
HRESULT TEwbSite::Resume() { return E_NOTIMPL; }
// Reads nothing, so the byte count is left as the caller gave it.
HRESULT TEwbSite::Read(void*, ULONG, ULONG*) { return S_OK; }
HRESULT TEwbSite::Seek(LARGE_INTEGER, DWORD, ULARGE_INTEGER*) { return E_NOTIMPL; }
HRESULT TEwbSite::LockRequest(DWORD) { return S_OK; }
HRESULT TEwbSite::UnlockRequest() { return S_OK; }

}  // namespace ewb
