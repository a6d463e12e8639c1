// The stand-in as a hostile engine: what it answers the host, and how it
// calls the host's interfaces with null out-pointers, null and odd
// arguments where those interfaces allow them.
#include <docobj.h>
#include <downloadmgr.h>
#include <mshtmhst.h>
#include <servprov.h>
#include <shobjidl.h>
#include <urlmon.h>

#include "support/StandInBrowser.h"

namespace standin {

HRESULT TStandInBrowser::HostileInvoke(DISPID dispid, WORD flags, VARIANT* result) {
    calls.push_back("hostile " + std::to_string(dispid));
    if ((flags & DISPATCH_PROPERTYGET) && result) {
        // An empty answer where an object is expected, and success.
        VariantInit(result);
        return S_OK;
    }
    return E_FAIL;
}

namespace {

const GUID kCgidExplorer = {0x000214D0, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const GUID kCgidDocHost = {0xF38BC242, 0xB950, 0x11D1, {0x89, 0x18, 0x00, 0xC0, 0x4F, 0xC2, 0xC8, 0x36}};
const IID kIidProtectFocus = {0xD81F90A3, 0x8156, 0x44F7, {0xAD, 0x28, 0x5A, 0xBB, 0x87, 0x00, 0x32, 0x74}};

// One line per call: its name and what the host answered.
class TLog {
public:
    void operator()(const char* call, HRESULT hr) {
        char code[16];
        wsprintfA(code, " %08x", static_cast<unsigned>(hr));
        lines.push_back(std::string(call) + code);
    }
    std::vector<std::string> lines;
};

template <typename I>
ComPtr<I> ViewOf(IUnknown* site, REFIID iid = __uuidof(I)) {
    ComPtr<I> view;
    if (site) site->QueryInterface(iid, reinterpret_cast<void**>(view.GetAddressOf()));
    return view;
}

}  // namespace

std::vector<std::string> TStandInBrowser::CallHostHostilely() {
    TLog log;
    IUnknown* host = site.Get();
    POINT nowhere = {0, 0};
    POINTL nowhereL = {0, 0};
    if (auto ui = ViewOf<IDocHostUIHandler2>(host)) {
        log("ShowContextMenu", ui->ShowContextMenu(0, nullptr, nullptr, nullptr));
        log("ShowContextMenu 99", ui->ShowContextMenu(99, nullptr, nullptr, nullptr));
        log("GetHostInfo", ui->GetHostInfo(nullptr));
        log("ShowUI", ui->ShowUI(0, nullptr, nullptr, nullptr, nullptr));
        log("HideUI", ui->HideUI());
        log("UpdateUI", ui->UpdateUI());
        log("EnableModeless", ui->EnableModeless(FALSE));
        log("OnDocWindowActivate", ui->OnDocWindowActivate(TRUE));
        log("OnFrameWindowActivate", ui->OnFrameWindowActivate(TRUE));
        log("ResizeBorder", ui->ResizeBorder(nullptr, nullptr, TRUE));
        log("TranslateAccelerator", ui->TranslateAccelerator(nullptr, nullptr, 0));
        log("GetOptionKeyPath", ui->GetOptionKeyPath(nullptr, 0));
        log("GetDropTarget", ui->GetDropTarget(nullptr, nullptr));
        log("GetExternal", ui->GetExternal(nullptr));
        log("TranslateUrl", ui->TranslateUrl(0, nullptr, nullptr));
        log("FilterDataObject", ui->FilterDataObject(nullptr, nullptr));
        log("GetOverrideKeyPath", ui->GetOverrideKeyPath(nullptr, 0));
    }
    if (auto show = ViewOf<IDocHostShowUI>(host)) {
        log("ShowMessage", show->ShowMessage(nullptr, nullptr, nullptr, 0, nullptr, 0, nullptr));
        log("ShowHelp", show->ShowHelp(nullptr, nullptr, 0, 0, nowhere, nullptr));
    }
    if (auto target = ViewOf<IOleCommandTarget>(host)) {
        log("QueryStatus", target->QueryStatus(nullptr, 0, nullptr, nullptr));
        for (DWORD id : {0ul, 1ul, 40ul, 66ul, 2300ul, 6041ul})
            log("Exec null group", target->Exec(nullptr, id, 0, nullptr, nullptr));
        for (DWORD id : {37ul, 39ul})  // unload and pre-refresh
            log("Exec explorer", target->Exec(&kCgidExplorer, id, 0, nullptr, nullptr));
        VARIANT noObject;
        VariantInit(&noObject);
        noObject.vt = VT_UNKNOWN;  // an event holder that is not there
        noObject.punkVal = nullptr;
        for (DWORD id : {40ul, 2300ul, 6041ul, 6042ul}) {
            log("Exec dochost", target->Exec(&kCgidDocHost, id, 0, nullptr, nullptr));
            log("Exec dochost null object", target->Exec(&kCgidDocHost, id, 0, &noObject, nullptr));
        }
    }
    if (auto services = ViewOf<IServiceProvider>(host)) {
        log("QueryService null", services->QueryService(GUID_NULL, IID_NULL, nullptr));
        log("QueryService focus null", services->QueryService(kIidProtectFocus, kIidProtectFocus, nullptr));
        ComPtr<IUnknown> unknown;
        log("QueryService unknown", services->QueryService(GUID_NULL, IID_IUnknown,
                                                           reinterpret_cast<void**>(unknown.GetAddressOf())));
    }
    if (auto focus = ViewOf<IProtectFocus>(host, kIidProtectFocus))
        log("AllowFocusChange", focus->AllowFocusChange(nullptr));
    if (auto auth = ViewOf<IAuthenticate>(host))
        log("Authenticate", auth->Authenticate(nullptr, nullptr, nullptr));
    if (auto window = ViewOf<IHTMLOMWindowServices>(host)) {
        log("moveTo", window->moveTo(-1, 0x7FFFFFFF));
        log("resizeBy", window->resizeBy(0x80000000, -1));
    }
    if (auto downloads = ViewOf<IDownloadManager>(host))
        log("Download", downloads->Download(nullptr, nullptr, 0, 0, nullptr, nullptr, nullptr, 0));
    if (auto windows = ViewOf<INewWindowManager>(host))
        log("EvaluateNewWindow",
            windows->EvaluateNewWindow(nullptr, nullptr, nullptr, nullptr, FALSE, 0, 0));
    if (auto drop = ViewOf<IDropTarget>(host)) {
        log("DragEnter", drop->DragEnter(nullptr, 0, nowhereL, nullptr));
        log("DragOver", drop->DragOver(0, nowhereL, nullptr));
        log("DragLeave", drop->DragLeave());
        log("Drop", drop->Drop(nullptr, 0, nowhereL, nullptr));
    }
    if (auto ambient = ViewOf<IDispatch>(host)) {
        log("GetTypeInfoCount", ambient->GetTypeInfoCount(nullptr));
        log("GetTypeInfo", ambient->GetTypeInfo(0, 0, nullptr));
        log("GetIDsOfNames", ambient->GetIDsOfNames(IID_NULL, nullptr, 0, 0, nullptr));
        DISPPARAMS none = {nullptr, nullptr, 0, 0};
        for (DISPID id : {-5513, -5512, -709, -704, 0, 12345}) {
            log("Invoke get, no result", ambient->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, nullptr,
                                                         nullptr, nullptr));
            log("Invoke get, no params",
                ambient->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYGET, nullptr, nullptr, nullptr, nullptr));
            log("Invoke put, no params",
                ambient->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYPUT, nullptr, nullptr, nullptr, nullptr));
        }
    }
    if (auto inPlace = ViewOf<IOleInPlaceSite>(host)) {
        log("GetWindow", inPlace->GetWindow(nullptr));
        log("GetWindowContext", inPlace->GetWindowContext(nullptr, nullptr, nullptr, nullptr, nullptr));
        log("OnPosRectChange", inPlace->OnPosRectChange(nullptr));
    }
    if (auto frame = ViewOf<IOleInPlaceFrame>(host)) {
        log("GetBorder", frame->GetBorder(nullptr));
        log("SetStatusText", frame->SetStatusText(nullptr));
        log("TranslateAccelerator frame", frame->TranslateAccelerator(nullptr, 0));
    }
    if (auto controlSite = ViewOf<IOleControlSite>(host)) {
        log("TransformCoords", controlSite->TransformCoords(nullptr, nullptr, 0));
        log("GetExtendedControl", controlSite->GetExtendedControl(nullptr));
        log("TranslateAccelerator site", controlSite->TranslateAccelerator(nullptr, 0));
    }
    if (site) {
        log("GetMoniker", site->GetMoniker(0, 0, nullptr));
        log("GetContainer", site->GetContainer(nullptr));
    }
    // Every event with no arguments, and with too few of them.
    if (IDispatch* sink = FirstSink()) {
        ComPtr<IDispatch> held = sink;
        VARIANTARG one;
        VariantInit(&one);
        one.vt = VT_BSTR;
        one.bstrVal = nullptr;
        DISPPARAMS short1 = {&one, nullptr, 1, 0};
        // Enough arguments for every event, all of them empty: no by-reference
        // place to write an answer to, no object where one is expected.
        VARIANTARG empties[7];
        for (VARIANTARG& v : empties) VariantInit(&v);
        DISPPARAMS empty7 = {empties, nullptr, 7, 0};
        for (DISPID id = 100; id <= 280; ++id) {
            held->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, nullptr, nullptr, nullptr, nullptr);
            held->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &short1, nullptr, nullptr, nullptr);
            held->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &empty7, nullptr, nullptr, nullptr);
        }
        log("events", S_OK);
    }
    return log.lines;
}

}  // namespace standin
