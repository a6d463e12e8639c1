#include "browser/component/EmbeddedWBHelpers.h"

#include <utility>

#include "framework/Boundary.h"

namespace ewb {

using namespace ui;
using Microsoft::WRL::ComPtr;

std::wstring VariantText(const VARIANT& value) {
    // The conversion reads through a reference; no value has no text.
    TVariant text;
    if (FAILED(VariantChangeType(text.Receive(), const_cast<VARIANT*>(&value), 0, VT_BSTR)) || !text.Get().bstrVal)
        return std::wstring();
    return std::wstring(text.Get().bstrVal, SysStringLen(text.Get().bstrVal));
}

bool HasScheme(const std::wstring& url, const std::wstring& scheme) {
    if (scheme.empty() || url.size() <= scheme.size() || url[scheme.size()] != L':') return false;
    for (size_t i = 0; i < scheme.size(); ++i) {
        wchar_t a = url[i], b = scheme[i];
        if (a >= L'A' && a <= L'Z') a = static_cast<wchar_t>(a - L'A' + L'a');
        if (b >= L'A' && b <= L'Z') b = static_cast<wchar_t>(b - L'A' + L'a');
        if (a != b) return false;
    }
    return true;
}

namespace {

bool SameName(const std::wstring& a, const wchar_t* b) {
    return b && CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, a.c_str(), -1, b, -1) == CSTR_EQUAL;
}

// The members' numbers are their places from 1: 0 is the default member,
// which this object has none of.
class TScriptObject : public IDispatch {
public:
    explicit TScriptObject(std::vector<TScriptMember> members) : members_(std::move(members)) {}
    virtual ~TScriptObject() = default;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        *object = iid == IID_IUnknown || iid == IID_IDispatch ? static_cast<IDispatch*>(this) : nullptr;
        if (!*object) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&refs_);
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
        if (info) *info = nullptr;
        return DISP_E_BADINDEX;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID,
                                            DISPID* dispids) override {
        if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
        if (!names || !dispids) return E_POINTER;
        // Names after the first are of named arguments, which no member has.
        for (UINT i = 0; i < count; ++i) dispids[i] = DISPID_UNKNOWN;
        for (size_t m = 0; count > 0 && m < members_.size(); ++m)
            if (SameName(members_[m].Name, names[0])) dispids[0] = static_cast<DISPID>(m + 1);
        return count == 1 && dispids[0] != DISPID_UNKNOWN ? S_OK : DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispid, REFIID iid, LCID, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* excep, UINT* argError) override {
        if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
        if (dispid < 1 || static_cast<size_t>(dispid) > members_.size()) return DISP_E_MEMBERNOTFOUND;
        const TScriptMember& member = members_[static_cast<size_t>(dispid) - 1];
        // A read runs only a property: `if (external.setTitle)` must not
        // set the title.
        if (!(flags & DISPATCH_METHOD) && !((flags & DISPATCH_PROPERTYGET) && member.Property))
            return DISP_E_MEMBERNOTFOUND;
        const UINT given = params ? params->cArgs : 0;
        if (params && params->cNamedArgs > 0) return DISP_E_NONAMEDARGS;
        if (!(flags & DISPATCH_METHOD) && given > 0) return DISP_E_BADPARAMCOUNT;
        // The result is an [out] argument: whatever it holds is not ours.
        if (result) VariantInit(result);
        // Kept alive through the call: the member may let the page go.
        ComPtr<IDispatch> self(this);
        TScriptArgs args;
        TVariant answer;
        UINT badArgument = 0;
        bool typeMismatch = false;
        // Nothing may leave this call as an exception: the engine's frames
        // are below it. The arguments' copies allocate too.
        std::exception_ptr error = Attempt([&] {
            args.resize(given);
            for (UINT i = 0; i < given; ++i)
                if (FAILED(VariantCopyInd(args[i].Receive(), &params->rgvarg[given - 1 - i]))) {
                    badArgument = given - 1 - i;  // puArgErr counts from the last, as rgvarg does
                    typeMismatch = true;
                    return;
                }
            answer = member.Call(args);
        });
        if (typeMismatch) {
            if (argError) *argError = badArgument;
            return DISP_E_TYPEMISMATCH;
        }
        if (error) {
            if (!excep) return E_FAIL;
            std::wstring message;
            if (Attempt([&] { message = AnsiToWide(ExceptionMessage(error)); })) return E_OUTOFMEMORY;
            FillExceptionInfo(*excep, member.Name, message, 0);
            // Exactly one of the two codes tells the caller what failed.
            excep->scode = E_FAIL;
            return DISP_E_EXCEPTION;
        }
        if (result) answer.MoveToOut(*result);
        return S_OK;
    }

private:
    std::vector<TScriptMember> members_;
    LONG refs_ = 0;
};

}  // namespace

ComPtr<IDispatch> MakeScriptObject(std::vector<TScriptMember> members) {
    return ComPtr<IDispatch>(new TScriptObject(std::move(members)));
}

}  // namespace ewb
