#include "Owners.h"

#include <memory>
#include <new>

#include "ObjectInstance.h"
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

bool THookHandle::Set(HHOOK handle) noexcept {
    if (handle == handle_) return true;
    if (Remove()) {
        handle_ = handle;
        return true;
    }
    if (handle) UnhookWindowsHookEx(handle);
    return false;
}

// The stub installed on one window and the procedure it replaced. While
// its owner holds it, messages go to the owner's method; let go while
// another procedure lies over it, it passes them on alone and frees itself
// with the window's last message (the stub jumps to its target, so it may
// go inside the call it forwards).
class TWindowSubclass::TLink {
public:
    TLink(HWND window, const TWndMethod& method)
        : window_(window), method_(method), stub_(TWndMethod::Of<&TLink::Message>(this)) {}

    HWND Window() const { return window_; }
    WNDPROC Previous() const { return previous_; }
    bool IsOurs() const {
        return GetWindowLongPtrW(window_, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(stub_.WndProc());
    }

    void Install() {
        previous_ = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(stub_.WndProc())));
    }
    // Answers whether the link may go now.
    bool Release() {
        if (gone_ || !IsWindow(window_)) return true;
        if (IsOurs()) {
            SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_));
            return true;
        }
        method_ = nullptr;
        return false;
    }

private:
    void Message(TMessage& message) {
        if (message.Msg == WM_NCDESTROY) gone_ = true;
        if (method_) {
            method_(message);  // the owner may free this link: nothing of it is read afterwards
            return;
        }
        message.Result = CallWindowProcW(previous_, window_, message.Msg, message.WParam, message.LParam);
        if (gone_) delete this;
    }

    HWND window_;
    WNDPROC previous_ = nullptr;
    TWndMethod method_;
    bool gone_ = false;  // the window had its last message
    TObjectInstance stub_;
};

void TWindowSubclass::Install(HWND window, const TWndMethod& method) {
    Restore();
    if (!window || !method) return;
    auto link = std::make_unique<TLink>(window, method);
    link->Install();
    // A window that is gone, or not ours to subclass, kept its procedure.
    if (link->Previous()) link_ = link.release();
}

void TWindowSubclass::Restore() noexcept {
    TLink* link = std::exchange(link_, nullptr);
    if (link && link->Release()) delete link;
}

HWND TWindowSubclass::Window() const noexcept { return link_ ? link_->Window() : nullptr; }

WNDPROC TWindowSubclass::Previous() const noexcept { return link_ ? link_->Previous() : nullptr; }

LRESULT TWindowSubclass::CallPrevious(UINT msg, WPARAM wParam, LPARAM lParam) const noexcept {
    return link_ ? CallWindowProcW(link_->Previous(), link_->Window(), msg, wParam, lParam) : 0;
}

}  // namespace ui
