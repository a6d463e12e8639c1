// The host's ambient-property dispatch and its command target.
#include "browser/host/EwbCoreSite.h"

#include <shlguid.h>

#include "framework/Boundary.h"
#include "framework/Forms.h"

namespace ewb {

using namespace ui;

namespace {

// CGID_DocHostCommandHandler of mshtmhst.h: mingw-w64's uuid library has no
// definition of it.
const GUID kCgidDocHostCommandHandler = {0xF38BC242, 0xB950, 0x11D1, {0x89, 0x18, 0x00, 0xC0, 0x4F, 0xC2, 0xC8, 0x36}};

constexpr HRESULT kNotAnswered = 1;

// The error code an ambient property read reports for an error of ours
// that the exception record describes.
constexpr WORD kHostErrorCode = 9999;

void ReportException(EXCEPINFO* excep, const char* source, const std::string& message, int helpContext) {
    if (!excep) return;
    FillExceptionInfo(*excep, AnsiToWide(source), AnsiToWide(message), static_cast<DWORD>(helpContext));
    excep->wCode = kHostErrorCode;
}

std::string VariantToString(const VARIANT& value) {
    TVariant text;
    if (FAILED(VariantChangeType(text.Receive(), const_cast<VARIANT*>(&value), VARIANT_ALPHABOOL, VT_BSTR)) ||
        !text.Get().bstrVal)
        return std::string();
    return WideToAnsi(std::wstring(text.Get().bstrVal, SysStringLen(text.Get().bstrVal)));
}

}  // namespace

// ---- IDispatch ----

// A failing answer hands out nothing: no count, no type information (what
// the handler gave is released).
HRESULT TEwbSite::GetTypeInfoCount(UINT* count) {
    if (count) *count = 0;
    if (!host_) return TOleControlSite::GetTypeInfoCount(count);
    const TKeepAlive alive(this);
    return Boundary(host_, E_UNEXPECTED, [&] {
        int32_t n = 0;
        HRESULT result = S_OK;
        if (host_->OnGetTypeInfoCount) host_->OnGetTypeInfoCount(host_, n, result);
        if (count && SUCCEEDED(result)) *count = static_cast<UINT>(n);
        return result;
    });
}

HRESULT TEwbSite::GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) {
    if (info) *info = nullptr;
    if (!host_) return TOleControlSite::GetTypeInfo(index, lcid, info);
    const TKeepAlive alive(this);
    return Boundary(host_, E_UNEXPECTED, [&] {
        ComPtr<ITypeInfo> typeInfo;
        HRESULT result = E_NOTIMPL;
        if (host_->OnGetTypeInfo)
            host_->OnGetTypeInfo(host_, static_cast<int32_t>(index), static_cast<int32_t>(lcid), typeInfo, result);
        if (info && SUCCEEDED(result)) *info = typeInfo.Detach();
        return result;
    });
}

HRESULT TEwbSite::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid, DISPID* dispids) {
    if (!host_) return E_NOTIMPL;
    const TKeepAlive alive(this);
    return Boundary(host_, E_UNEXPECTED, [&] {
        HRESULT result = E_NOTIMPL;
        if (host_->OnGetIDsOfNames)
            host_->OnGetIDsOfNames(host_, iid, names, static_cast<int32_t>(count), static_cast<int32_t>(lcid), dispids,
                            result);
        return result;
    });
}

HRESULT TEwbSite::Invoke(DISPID dispid, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                         EXCEPINFO* excep, UINT* argErr) {
    if (!host_) return DISP_E_MEMBERNOTFOUND;
    const TKeepAlive alive(this);
    return Boundary(host_, E_UNEXPECTED, [&]() -> HRESULT {
        HRESULT answer = kNotAnswered;
        try {
            if ((flags & DISPATCH_PROPERTYGET) && result) {
                answer = S_OK;
                switch (dispid) {
                case DISPID_AMBIENT_USERAGENT: {
                    answer = kNotAnswered;
                    if (host_->UserAgentHook) {
                        std::wstring agent;
                        if (host_->UserAgentHook(agent) == S_OK && !agent.empty()) {
                            TVariant::String(agent + L"\r\n").MoveToOut(*result);
                            answer = S_OK;
                        }
                    }
                    break;
                }
                case DISPID_AMBIENT_DLCONTROL:
                    TVariant::Int32(static_cast<int32_t>(host_->DownloadControlFlags)).MoveToOut(*result);
                    break;
                case DISPID_AMBIENT_USERMODE:
                    TVariant::Bool(!host_->UserModeFlag).MoveToOut(*result);
                    break;
                default:
                    answer = kNotAnswered;
                    break;
                }
            } else if ((flags & DISPATCH_PROPERTYPUT) && dispid == DISPID_AMBIENT_USERMODE) {
                answer = S_OK;
                TVariant value;
                if (params && params->cArgs > 0 &&
                    SUCCEEDED(VariantChangeType(value.Receive(), &params->rgvarg[params->cArgs - 1], 0, VT_BOOL)))
                    host_->UserModeFlag = value.Get().boolVal != VARIANT_FALSE;
                else
                    answer = DISP_E_TYPEMISMATCH;
            }
            if (answer == kNotAnswered) {
                answer = ContainerAmbient(dispid, flags, params, result);
                if (answer == DISP_E_MEMBERNOTFOUND && host_->OnInvoke) {
                    DISPPARAMS none = {nullptr, nullptr, 0, 0};
                    host_->OnInvoke(host_, dispid, iid, static_cast<int32_t>(lcid), flags, params ? *params : none,
                                    result, excep, argErr, answer);
                }
            }
            return answer;
        } catch (const Exception& e) {
            // Without a record to carry it, the error goes to the box.
            if (!excep) QueueException(host_, std::current_exception());
            ReportException(excep, e.ClassName(), e.Message(), e.HelpContext());
            return DISP_E_EXCEPTION;
        } catch (const std::exception& e) {
            if (!excep) QueueException(host_, std::current_exception());
            ReportException(excep, "std::exception", e.what(), 0);
            return DISP_E_EXCEPTION;
        }
    });
}

// ---- IOleCommandTarget ----

HRESULT TEwbSite::QueryStatus(const GUID*, ULONG, OLECMD*, OLECMDTEXT*) { return S_OK; }

HRESULT TEwbSite::Exec(const GUID* group, DWORD cmdID, DWORD option, VARIANT* in, VARIANT* out) {
    HRESULT result = OLECMDERR_E_NOTSUPPORTED;
    if (!host_) return result;
    const TKeepAlive alive(this);
    bool done = false;
    HRESULT answer = result;
    Boundary(host_, [&] {
        answer = ExecCommand(group, cmdID, option, in, out, result);
        done = true;
    });
    // A handler that fails after answering leaves its answer.
    return done ? answer : result;
}

HRESULT TEwbSite::ExecCommand(const GUID* group, DWORD cmdID, DWORD option, VARIANT* in, VARIANT* out,
                              HRESULT& result) {
    if (group && *group == CGID_Explorer) {
        if (cmdID == OLECMDID_ONUNLOAD && host_->OnUnload) {
            host_->OnUnload(host_);
            return S_OK;
        }
        if (cmdID == OLECMDID_PREREFRESH) {
            if (host_->FindChildWindowByClass(L"Internet Explorer_Server") ||
                host_->FindChildWindowByClass(L"SysListView32"))
                if (host_->PreRefreshHook) host_->PreRefreshHook(host_);
        }
    } else if (group && *group == kCgidDocHostCommandHandler) {
        if (cmdID == OLECMDID_SHOWSCRIPTERROR) return host_->HandleScriptError(in, out);
        if (cmdID == IDM_REFRESH || cmdID == IDM_REFRESH_TOP || cmdID == IDM_REFRESH_TOP_FULL) {
            if (!host_->OnRefresh) return result;
            bool cancel = false;
            host_->OnRefresh(host_, static_cast<int32_t>(cmdID), cancel);
            if (cancel) result = S_OK;
            return result;
        }
    }
    if (host_->OnCommandExec) {
        // Empty stand-ins for arguments the caller left out.
        TVariant emptyIn, emptyOut;
        host_->OnCommandExec(host_, group, cmdID, option, in ? *in : emptyIn.Get(), out ? *out : emptyOut.Get(),
                             result);
    }
    return result;
}

HRESULT TCustomEmbeddedWB::HandleScriptError(VARIANT* in, VARIANT* out) {
    HRESULT prepared = S_OK;
    switch (ScriptErrorAction) {
    case eaContinue:
    case eaCancel:
        if (out) TVariant::Bool(ScriptErrorAction == eaContinue).MoveTo(*out);  // [in,out]
        prepared = S_OK;
        break;
    case eaAskUser:
        prepared = S_FALSE;
        break;
    }
    if (!OnScriptError) return prepared;
    // What the event object cannot give is reported, and the prepared
    // answer stands.
    Boundary(this, [&] {
        IUnknown* unknown = nullptr;
        if (in && (in->vt == VT_UNKNOWN || in->vt == VT_DISPATCH)) unknown = in->punkVal;
        ComPtr<IHTMLDocument2> document;
        if (!unknown || FAILED(unknown->QueryInterface(IID_PPV_ARGS(&document))) || !document) return;
        ComPtr<IHTMLWindow2> window;
        OleCheck(document->get_parentWindow(&window));
        if (!window) return;
        ComPtr<IHTMLEventObj> event;
        OleCheck(window->get_event(&event));
        if (!event) return;
        ComPtr<IDispatch> eventDispatch;
        OleCheck(event.As(&eventDispatch));
        std::string values[5];
        const wchar_t* names[5] = {L"errorCharacter", L"errorCode", L"errorMessage", L"errorUrl", L"errorline"};
        for (int i = 0; i < 5; ++i) values[i] = VariantToString(ReadEventProperty(eventDispatch.Get(), names[i]).Get());
        OnScriptError(this, values[4], values[0], values[1], values[2], values[3], ScriptErrorAction);
    });
    return prepared;
}

TVariant TCustomEmbeddedWB::ReadEventProperty(IDispatch* eventObject, const wchar_t* name) {
    DISPID dispid = 0;
    LPOLESTR names[1] = {const_cast<LPOLESTR>(name)};
    HRESULT hr = eventObject->GetIDsOfNames(IID_NULL, names, 1, LOCALE_SYSTEM_DEFAULT, &dispid);
    if (hr == DISP_E_UNKNOWNNAME) {
        throw EOleSysError(hr, "'" + WideToAnsi(name) + "' is not supported.");
    }
    OleCheck(hr);
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    TVariant value;
    EXCEPINFO excep = {};
    UINT argErr = 0;
    hr = eventObject->Invoke(dispid, IID_NULL, LOCALE_SYSTEM_DEFAULT, DISPATCH_PROPERTYGET, &none, value.Receive(),
                             &excep, &argErr);
    if (FAILED(hr)) RaiseDispatchError(hr, excep);
    return value;
}

HRESULT TCustomEmbeddedWB::ExecDocumentCommand(const GUID* cmdGroup, DWORD cmdID, VARIANT& in, VARIANT& out,
                                               DWORD execOption) {
    ComPtr<IDispatch> document = GetIDispatchProp(DispidDocument);
    ComPtr<IOleCommandTarget> target;
    if (!document || FAILED(document.As(&target)) || !target) return E_UNEXPECTED;
    return target->Exec(cmdGroup, cmdID, execOption, &in, &out);
}

void TCustomEmbeddedWB::SetZoom(int32_t value) {
    TVariant none, range;
    ExecDocumentCommand(nullptr, OLECMDID_GETZOOMRANGE, none.Get(), *range.Receive(), OLECMDEXECOPT_DONTPROMPTUSER);
    uint32_t bounds = 0;
    if (range.Type() != VT_EMPTY && SUCCEEDED(range.ChangeType(VT_I4))) bounds = static_cast<uint32_t>(range.Get().lVal);
    const uint16_t minimum = static_cast<uint16_t>(bounds & 0xFFFF);
    const uint16_t maximum = static_cast<uint16_t>(bounds >> 16);
    TVariant zoom;
    if (value < minimum)
        zoom = TVariant::Int16(static_cast<int16_t>(minimum));
    else if (value > maximum)
        zoom = TVariant::Int16(static_cast<int16_t>(maximum));
    else
        zoom = TVariant::Int32(value);
    TVariant output;
    ExecDocumentCommand(nullptr, OLECMDID_ZOOM, zoom.Get(), *output.Receive(), OLECMDEXECOPT_DONTPROMPTUSER);
}

}  // namespace ewb
