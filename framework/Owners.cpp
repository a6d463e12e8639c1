#include "Owners.h"

#include <new>

#include "SysUtils.h"

namespace ui {

// ---- TBStr ----

TBStr::TBStr(const std::wstring& text)
    : TScopedHandle(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {
    if (!Get()) throw std::bad_alloc();
}

std::wstring TBStr::Text() const { return Get() ? std::wstring(Get(), SysStringLen(Get())) : std::wstring(); }

// ---- TVariant ----

void TVariant::Init() noexcept { VariantInit(&value_); }

TVariant::TVariant(TVariant&& other) noexcept : value_(other.value_) { other.Init(); }

TVariant& TVariant::operator=(TVariant&& other) noexcept {
    if (this != &other) {
        Reset();
        value_ = other.value_;
        other.Init();
    }
    return *this;
}

TVariant TVariant::Copy(const VARIANT& value) {
    TVariant copy;
    OleCheck(VariantCopy(&copy.value_, const_cast<VARIANT*>(&value)));
    return copy;
}

TVariant TVariant::Bool(bool value) noexcept {
    TVariant v;
    v.value_.vt = VT_BOOL;
    v.value_.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return v;
}

TVariant TVariant::Int32(int32_t value) noexcept {
    TVariant v;
    v.value_.vt = VT_I4;
    v.value_.lVal = value;
    return v;
}

TVariant TVariant::Int16(int16_t value) noexcept {
    TVariant v;
    v.value_.vt = VT_I2;
    v.value_.iVal = value;
    return v;
}

TVariant TVariant::String(const std::wstring& value) {
    TVariant v;
    v.value_.bstrVal = TBStr(value).Release();
    v.value_.vt = VT_BSTR;
    return v;
}

TVariant TVariant::Dispatch(IDispatch* value) noexcept {
    TVariant v;
    v.value_.vt = VT_DISPATCH;
    v.value_.pdispVal = value;
    return v;
}

VARIANT* TVariant::Receive() noexcept {
    Reset();
    return &value_;
}

void TVariant::Reset() noexcept {
    VariantClear(&value_);
    Init();
}

void TVariant::MoveTo(VARIANT& target) noexcept {
    VariantClear(&target);
    target = value_;
    Init();
}

void TVariant::MoveToOut(VARIANT& target) noexcept {
    target = value_;
    Init();
}

HRESULT TVariant::ChangeType(VARTYPE type, USHORT flags) noexcept {
    if (value_.vt == type) return S_OK;
    TVariant converted;
    HRESULT hr = VariantChangeType(&converted.value_, &value_, flags, type);
    if (SUCCEEDED(hr)) *this = std::move(converted);
    return hr;
}

// ---- exception records ----

void ClearExceptionInfo(EXCEPINFO& info) noexcept {
    SysFreeString(info.bstrSource);
    SysFreeString(info.bstrDescription);
    SysFreeString(info.bstrHelpFile);
    info = EXCEPINFO();
}

void FillExceptionInfo(EXCEPINFO& info, const std::wstring& source, const std::wstring& description,
                       DWORD helpContext) noexcept {
    info = EXCEPINFO();
    // A text the allocator refuses is left out: the code still tells.
    info.bstrSource = SysAllocStringLen(source.data(), static_cast<UINT>(source.size()));
    info.bstrDescription = SysAllocStringLen(description.data(), static_cast<UINT>(description.size()));
    info.dwHelpContext = helpContext;
}

// ---- task memory ----

void TCoTaskMemFree::operator()(void* block) const noexcept { CoTaskMemFree(block); }

// ---- hooks and subclassed windows ----

bool THookHandle::Remove() noexcept {
    if (handle_ && UnhookWindowsHookEx(handle_)) handle_ = nullptr;
    return handle_ == nullptr;
}

void TWindowSubclass::Install(HWND window, WNDPROC procedure) noexcept {
    Restore();
    if (!window || !procedure) return;
    window_ = window;
    previous_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure)));
}

void TWindowSubclass::Restore() noexcept {
    if (window_ && previous_ && IsWindow(window_))
        SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_));
    window_ = nullptr;
    previous_ = nullptr;
}

}  // namespace ui
