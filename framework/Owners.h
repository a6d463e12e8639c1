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

#include "Events.h"

namespace ui {

struct TMessage;  // Controls.h
using TWndMethod = TMethod<void(TMessage& Message)>;

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
    // Takes a new hook once the one held is gone. Where the platform refuses
    // to remove the one held, that one is kept and the new one removed: no
    // hook is left in place that no owner knows of. Answers whether the new
    // one is held.
    bool Set(HHOOK handle) noexcept;
    // True when no hook is left in place.
    bool Remove() noexcept;

private:
    HHOOK handle_ = nullptr;
};

// A window whose procedure was replaced by ours: a stub whose messages go to
// a method. Given back only while ours is still the window's procedure. A
// procedure installed over ours since (an input method's, the shell's, a
// theme's) keeps calling the one it replaced, so ours then stays in the
// chain, passing every message on, until the window is destroyed; putting
// its predecessor back would cut the later one out, and leave it calling
// our stub after it was freed.
//
// This rule rather than the platform's subclass chain (SetWindowSubclass):
// that is exported by ordinal only before comctl32 6 and would be the
// shipped program's first use of comctl32, for what a stub that outlives
// its owner does as well; our window procedures are such stubs already.
class TWindowSubclass {
public:
    TWindowSubclass() noexcept = default;
    ~TWindowSubclass() { Restore(); }
    TWindowSubclass(const TWindowSubclass&) = delete;
    TWindowSubclass& operator=(const TWindowSubclass&) = delete;

    // Installs on `window`, wide-character, a procedure whose messages go to
    // `method`, giving back a window held before. std::bad_alloc, and
    // nothing installed, when no stub can be made.
    void Install(HWND window, const TWndMethod& method);
    // Lets the window go: its procedure given back, or ours left passing on.
    void Restore() noexcept;

    HWND Window() const noexcept;
    WNDPROC Previous() const noexcept;
    LRESULT CallPrevious(UINT msg, WPARAM wParam, LPARAM lParam) const noexcept;

private:
    class TLink;  // the stub and what it passes on to; may outlive this
    TLink* link_ = nullptr;
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
