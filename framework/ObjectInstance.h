// Plain platform callbacks bound to an object: a small block of code that
// the platform calls as a window procedure (or a hook procedure) and that
// forwards the call to a method of one object.
//
// The block is written while it is read-write, then made execute-read only
// before anything can call it, so that it is never writable and executable
// at once. It is freed with its owner, which must outlive every call the
// platform may still make through it (restore a subclassed window or remove
// a hook first).
#pragma once

#include <windows.h>

#include "Controls.h"

namespace ui {

// How a stub hands the platform's call to its target. Either way it jumps
// to the target, which returns straight to the platform: no code of the
// stub runs once the target has begun, so the stub may be freed during the
// call it forwards (a subclassed window restored in its own WM_DESTROY).
enum class TStubArguments {
    // The context in place of the first argument, the others as they came:
    // for a window procedure, whose window handle the object knows. On
    // x86-64 (the tests' build where 32-bit code cannot run) there is no
    // free register for a fourth argument to move into, and a stack slot
    // would need a frame of the stub's own, to be left through its code.
    ReplaceFirst,
    // The context before all the arguments (on x86-64, at most three).
    InsertFirst,
};

// The code block: called as a stdcall function, it calls `target` with the
// context placed as `arguments` says, and the target's answer goes back to
// the caller.
class TCallbackStub {
public:
    TCallbackStub(void* context, const void* target, TStubArguments arguments);
    ~TCallbackStub();
    TCallbackStub(const TCallbackStub&) = delete;
    TCallbackStub& operator=(const TCallbackStub&) = delete;

    const void* Code() const { return code_; }

private:
    void* code_ = nullptr;
};

// A window procedure whose messages go to a method, as a TMessage. One
// instance serves one window at a time: the message does not carry the
// window handle.
class TObjectInstance {
public:
    explicit TObjectInstance(const TWndMethod& method);
    TObjectInstance(const TObjectInstance&) = delete;
    TObjectInstance& operator=(const TObjectInstance&) = delete;

    WNDPROC WndProc() const { return reinterpret_cast<WNDPROC>(const_cast<void*>(stub_.Code())); }

private:
    static LRESULT CALLBACK Forward(TObjectInstance* self, UINT msg, WPARAM wParam, LPARAM lParam);
    TWndMethod method_;
    TCallbackStub stub_;
};

// A hook procedure (code, wParam, lParam) whose calls go to a method.
using THookMethod = TMethod<LRESULT(int Code, WPARAM WParam, LPARAM LParam)>;

class THookInstance {
public:
    explicit THookInstance(const THookMethod& method);
    THookInstance(const THookInstance&) = delete;
    THookInstance& operator=(const THookInstance&) = delete;

    HOOKPROC HookProc() const { return reinterpret_cast<HOOKPROC>(const_cast<void*>(stub_.Code())); }

private:
    static LRESULT CALLBACK Forward(THookInstance* self, int code, WPARAM wParam, LPARAM lParam);
    THookMethod method_;
    TCallbackStub stub_;
};

}  // namespace ui
