// What a page in the stand-in does that reaches the host: new windows, the
// context menu, window.external and window.close().
#include <exdispid.h>
#include <mshtmhst.h>
#include <shobjidl.h>

#include "support/StandInBrowser.h"

namespace standin {

namespace {

ComPtr<IDocHostUIHandler> UIHandlerOf(const ComPtr<IOleClientSite>& site) {
    ComPtr<IDocHostUIHandler> handler;
    if (site) site.As(&handler);
    return handler;
}

std::string Narrow(const wchar_t* text, UINT length) {
    std::string out;
    for (UINT i = 0; i < length; ++i) out += text[i] < 0x80 ? static_cast<char>(text[i]) : '?';
    return out;
}

}  // namespace

bool TStandInBrowser::OpenNewWindow(const std::string& url) {
    // Neither cancelled ("b:0") nor given a browser ("null"): the engine's own.
    if (FireEventWith(DISPID_NEWWINDOW2, "&d &b:0") != "null b:0") return false;
    const std::string flags = "i:" + std::to_string(NWMF_USERINITED | NWMF_FIRST);
    return FireEventWith(DISPID_NEWWINDOW3, "&d &b:0 " + flags + " s:about:blank s:" + url) == "null b:0";
}

bool TStandInBrowser::ShowsOwnContextMenu() {
    ComPtr<IDocHostUIHandler> handler = UIHandlerOf(site);
    POINT at = {10, 10};
    return !handler || handler->ShowContextMenu(CONTEXT_MENU_DEFAULT, &at, nullptr, nullptr) != S_OK;
}

std::string TStandInBrowser::CallExternal(const std::wstring& name, const std::vector<std::wstring>& args) {
    ComPtr<IDocHostUIHandler> handler = UIHandlerOf(site);
    ComPtr<IDispatch> external;
    if (!handler || handler->GetExternal(&external) != S_OK || !external) return "no object";
    LPOLESTR names[] = {const_cast<LPOLESTR>(name.c_str())};
    DISPID dispid = DISPID_UNKNOWN;
    if (external->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &dispid) != S_OK) return "no such name";
    // Last argument first, as DISPPARAMS holds them.
    std::vector<VARIANTARG> given(args.size());
    for (size_t i = 0; i < args.size(); ++i) {
        VARIANTARG& a = given[args.size() - 1 - i];
        VariantInit(&a);
        a.vt = VT_BSTR;
        a.bstrVal = SysAllocString(args[i].c_str());
    }
    DISPPARAMS params = {given.empty() ? nullptr : given.data(), nullptr, static_cast<UINT>(given.size()), 0};
    VARIANT result;
    VariantInit(&result);
    EXCEPINFO excep = {};
    // A script's call asks for a method or a property alike.
    const HRESULT hr = external->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD | DISPATCH_PROPERTYGET,
                                        &params, &result, &excep, nullptr);
    for (VARIANTARG& a : given) VariantClear(&a);
    std::string answer;
    if (FAILED(hr)) {
        char code[16];
        wsprintfA(code, "%08x", static_cast<unsigned>(hr));
        answer = "failed " + std::string(code) + ": " +
                 (excep.bstrDescription ? Narrow(excep.bstrDescription, SysStringLen(excep.bstrDescription)) : "");
    } else if (result.vt == VT_EMPTY) {
        answer = "e";
    } else if (result.vt == VT_BSTR) {
        answer = "s:" + (result.bstrVal ? Narrow(result.bstrVal, SysStringLen(result.bstrVal)) : "");
    } else {
        answer = "vt " + std::to_string(result.vt);
    }
    SysFreeString(excep.bstrSource);
    SysFreeString(excep.bstrDescription);
    SysFreeString(excep.bstrHelpFile);
    VariantClear(&result);
    return answer;
}

bool TStandInBrowser::CloseFromScript() { return FireEventWith(DISPID_WINDOWCLOSING, "b:0 &b:0") == "b:1"; }

}  // namespace standin
