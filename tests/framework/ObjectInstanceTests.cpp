#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "framework/ObjectInstance.h"

using namespace ui;

namespace {

class TReceiver {
public:
    int base = 0;
    std::vector<UINT> messages;
    void WindowMessage(TMessage& message) {
        messages.push_back(message.Msg);
        message.Result = base + static_cast<LRESULT>(message.WParam + message.LParam);
    }
    LRESULT Hook(int code, WPARAM wParam, LPARAM lParam) { return base * code + static_cast<LRESULT>(wParam - lParam); }
};

MEMORY_BASIC_INFORMATION PageOf(const void* code) {
    MEMORY_BASIC_INFORMATION info = {};
    VirtualQuery(code, &info, sizeof info);
    return info;
}

}  // namespace

TEST(ObjectInstance, AWindowProcedureStubCallsItsObjectsMethodAndIsNeverWritable) {
    TReceiver first, second;
    first.base = 100;
    second.base = 200;
    TObjectInstance a(TWndMethod::Of<&TReceiver::WindowMessage>(&first));
    TObjectInstance b(TWndMethod::Of<&TReceiver::WindowMessage>(&second));
    EXPECT_EQ(a.WndProc()(nullptr, WM_USER, 1, 2), 103);
    EXPECT_EQ(b.WndProc()(nullptr, WM_APP, 3, 4), 207);
    EXPECT_EQ(first.messages, std::vector<UINT>{WM_USER});
    EXPECT_EQ(second.messages, std::vector<UINT>{WM_APP});
    EXPECT_EQ(PageOf(reinterpret_cast<const void*>(a.WndProc())).Protect, static_cast<DWORD>(PAGE_EXECUTE_READ));

    // As a real window's procedure, through the platform.
    HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    auto old = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(a.WndProc())));
    EXPECT_EQ(SendMessageW(window, WM_USER + 5, 10, 20), 130);
    SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(old));
    DestroyWindow(window);
}

TEST(ObjectInstance, AHookStubPassesCodeAndBothParameters) {
    TReceiver receiver;
    receiver.base = 3;
    THookInstance hook(THookMethod::Of<&TReceiver::Hook>(&receiver));
    EXPECT_EQ(hook.HookProc()(5, 50, 8), 3 * 5 + 42);
    const void* code = reinterpret_cast<const void*>(hook.HookProc());
    EXPECT_EQ(PageOf(code).Protect, static_cast<DWORD>(PAGE_EXECUTE_READ));
}

namespace {

// A window whose procedure, a stub, is given back and freed in its own
// WM_DESTROY. The block stays reserved and inaccessible, so that code of the
// stub still run faults there; the platform swallows a fault inside a
// window procedure, so a handler counts them.
struct TSelfFreeing {
    HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    std::unique_ptr<TObjectInstance> stub =
        std::make_unique<TObjectInstance>(TWndMethod::Of<&TSelfFreeing::Message>(this));
    void* block = reinterpret_cast<void*>(stub->WndProc());
    WNDPROC previous =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(block)));
    void Message(TMessage& message) {
        message.Result = CallWindowProcW(previous, window, message.Msg, message.WParam, message.LParam);
        if (message.Msg != WM_DESTROY) return;
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
        stub.reset();
        VirtualAlloc(block, 1, MEM_RESERVE, PAGE_NOACCESS);
    }
};
int g_faults = 0;
LONG CALLBACK CountAccessViolation(EXCEPTION_POINTERS* info) {
    if (info->ExceptionRecord->ExceptionCode == EXCEPTION_ACCESS_VIOLATION) ++g_faults;
    return EXCEPTION_CONTINUE_SEARCH;
}

}  // namespace

TEST(ObjectInstance, AWindowProcedureStubMayBeFreedInsideTheMessageItForwards) {
    TSelfFreeing object;
    void* handler = AddVectoredExceptionHandler(1, &CountAccessViolation);
    EXPECT_TRUE(DestroyWindow(object.window));
    RemoveVectoredExceptionHandler(handler);
    EXPECT_FALSE(object.stub);
    EXPECT_EQ(g_faults, 0) << "code of the freed stub ran after its method returned";
    VirtualFree(object.block, 0, MEM_RELEASE);
}
