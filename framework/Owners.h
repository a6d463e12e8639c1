// Owners of what has a release: automation strings and variants, blocks of
// the COM task allocator, handles, subclassed window procedures, and an undo
// stated once. Strings, variants and task memory are freed here and nowhere
// else, so that no path of the program can forget one or free one twice.
#pragma once

#include <oaidl.h>
#include <objbase.h>
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <utility>

namespace ui {

// One handle of a kind whose release is `Close`, move-only. A null handle is
// never closed.
template <typename H, auto Close>
class TScopedHandle {
public:
    TScopedHandle() noexcept = default;
    explicit TScopedHandle(H handle) noexcept : handle_(handle) {}
    ~TScopedHandle() { Reset(); }
    TScopedHandle(TScopedHandle&& other) noexcept : handle_(other.Release()) {}
    TScopedHandle& operator=(TScopedHandle&& other) noexcept {
        Reset(other.Release());
        return *this;
    }
    TScopedHandle(const TScopedHandle&) = delete;
    TScopedHandle& operator=(const TScopedHandle&) = delete;

    H Get() const noexcept { return handle_; }
    explicit operator bool() const noexcept { return handle_ != H(); }
    // The slot of an out-parameter: what is held is released first, what
    // the callee writes is owned.
    H* Receive() noexcept {
        Reset();
        return &handle_;
    }
    // Hands the handle over to a caller that releases it (an out-parameter).
    H Release() noexcept { return std::exchange(handle_, H()); }
    void Reset(H handle = H()) noexcept {
        if (handle_ != H() && handle_ != handle) Close(handle_);
        handle_ = handle;
    }

private:
    H handle_ = H();
};

// An automation string (BSTR), move-only.
class TBStr : public TScopedHandle<BSTR, &::SysFreeString> {
public:
    TBStr() noexcept = default;
    // A copy of the text; std::bad_alloc when the allocator refuses.
    explicit TBStr(const std::wstring& text);
    // The whole text, embedded nulls included; empty for none.
    std::wstring Text() const;
};

// A VARIANT that is cleared when it goes, move-only.
class TVariant {
public:
    TVariant() noexcept { Init(); }
    ~TVariant() { Reset(); }
    TVariant(TVariant&& other) noexcept;
    TVariant& operator=(TVariant&& other) noexcept;
    TVariant(const TVariant&) = delete;
    TVariant& operator=(const TVariant&) = delete;

    // A deep copy; EOleSysError when the value cannot be copied.
    static TVariant Copy(const VARIANT& value);
    static TVariant Bool(bool value) noexcept;
    static TVariant Int32(int32_t value) noexcept;
    static TVariant Int16(int16_t value) noexcept;
    // std::bad_alloc when the allocator refuses.
    static TVariant String(const std::wstring& value);
    // Takes over an interface reference of the caller's.
    static TVariant Dispatch(IDispatch* value) noexcept;

    const VARIANT& Get() const noexcept { return value_; }
    VARIANT& Get() noexcept { return value_; }
    VARIANT* Ptr() noexcept { return &value_; }
    VARTYPE Type() const noexcept { return value_.vt; }
    // The slot of an out-parameter: cleared first, what the callee writes
    // is owned.
    VARIANT* Receive() noexcept;
    void Reset() noexcept;
    // Hands the value to an [in,out] variant, clearing the caller's value
    // it held; this one is empty afterwards.
    void MoveTo(VARIANT& target) noexcept;
    // Hands the value to an [out] variant, whose content on entry is no
    // value of the caller's and is never cleared; this one is empty
    // afterwards.
    void MoveToOut(VARIANT& target) noexcept;
    // Converted in place; on failure the value is unchanged and the code is
    // answered.
    HRESULT ChangeType(VARTYPE type, USHORT flags = 0) noexcept;

private:
    void Init() noexcept;
    VARIANT value_;
};

// Frees the strings of an exception record and empties it.
void ClearExceptionInfo(EXCEPINFO& info) noexcept;

// Fills an exception record with its source and description; the caller of
// the failed call frees them.
void FillExceptionInfo(EXCEPINFO& info, const std::wstring& source, const std::wstring& description,
                       DWORD helpContext) noexcept;

// A block of the COM task allocator.
struct TCoTaskMemFree {
    void operator()(void* block) const noexcept;
};
template <typename T>
using TCoTaskMem = std::unique_ptr<T, TCoTaskMemFree>;

using TRegKey = TScopedHandle<HKEY, &::RegCloseKey>;  // never holds a predefined root key

// A thread hook whose removal the platform may refuse: then the handle is
// kept, and with it whatever the hook calls into.
class THookHandle {
public:
    THookHandle() noexcept = default;
    ~THookHandle() { Remove(); }
    THookHandle(const THookHandle&) = delete;
    THookHandle& operator=(const THookHandle&) = delete;

    HHOOK Get() const noexcept { return handle_; }
    explicit operator bool() const noexcept { return handle_ != nullptr; }
    void Set(HHOOK handle) noexcept {
        Remove();
        handle_ = handle;
    }
    // True when no hook is left in place.
    bool Remove() noexcept;

private:
    HHOOK handle_ = nullptr;
};

// A window whose procedure was replaced by ours. Given back whatever was
// installed on top since: the procedure ours stands for goes with its owner,
// so nothing may be left in the chain to call it.
class TWindowSubclass {
public:
    TWindowSubclass() noexcept = default;
    ~TWindowSubclass() { Restore(); }
    TWindowSubclass(const TWindowSubclass&) = delete;
    TWindowSubclass& operator=(const TWindowSubclass&) = delete;

    // Installs `procedure` on `window`, wide-character, giving back a
    // window held before.
    void Install(HWND window, WNDPROC procedure) noexcept;
    // Gives a live window its procedure back, and lets it go.
    void Restore() noexcept;

    HWND Window() const noexcept { return window_; }
    WNDPROC Previous() const noexcept { return previous_; }
    LRESULT CallPrevious(UINT msg, WPARAM wParam, LPARAM lParam) const noexcept {
        return CallWindowProcW(previous_, window_, msg, wParam, lParam);
    }

private:
    HWND window_ = nullptr;
    WNDPROC previous_ = nullptr;
};

// Runs an undo when the scope ends, on every path.
template <typename Undo>
class TScopeExit {
public:
    explicit TScopeExit(Undo undo) noexcept : undo_(std::move(undo)) {}
    ~TScopeExit() { undo_(); }
    TScopeExit(const TScopeExit&) = delete;
    TScopeExit& operator=(const TScopeExit&) = delete;

private:
    Undo undo_;
};

}  // namespace ui
