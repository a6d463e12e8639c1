#include "browser/support/EwbMouseHook.h"

#include <cstring>

#include "browser/host/EwbCore.h"
#include "framework/Forms.h"

namespace ewb {

TEWBMouseHook* SharedHook = nullptr;
int HookRefCount = 0;

// ---- the stub ----

#if !defined(__i386__) && !defined(_M_IX86)
#error "The hook stub is x86 code: build for 32-bit x86."
#endif

namespace {

constexpr SIZE_T kThunkSize = 256;

void PutAddress(uint8_t* at, const void* address) {
    const uint32_t value = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(address));
    std::memcpy(at, &value, sizeof value);
}

// The entry the stub jumps to: the object arrives as the first argument.
LRESULT WINAPI HookEntry(TEWBMouseHook* self, int code, WPARAM wParam, LPARAM lParam) {
    return self->MouseHookProc(code, wParam, lParam);
}

}  // namespace

void* MakeHookThunk(const THookTarget* target) {
    auto* memory =
        static_cast<uint8_t*>(VirtualAlloc(nullptr, kThunkSize, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    if (!memory) return nullptr;
    static const uint8_t kCode[28] = {
        0x50, 0x50,                    // push eax; push eax: a new slot and a saved copy
        0x8B, 0x44, 0x24, 0x08,        // mov eax, [esp+8]: the return address
        0x89, 0x44, 0x24, 0x04,        // mov [esp+4], eax: into the new slot
        0x8B, 0x05, 0, 0, 0, 0,        // mov eax, [Object]
        0x89, 0x44, 0x24, 0x08,        // mov [esp+8], eax: the first argument
        0x58,                          // pop eax
        0x90,                          // nop
        0xFF, 0x25, 0, 0, 0, 0,        // jmp [Code]
    };
    std::memcpy(memory, kCode, sizeof kCode);
    PutAddress(memory + 12, &target->Object);
    PutAddress(memory + 24, &target->Code);
    DWORD previous = 0;
    // Never writable and executable at once.
    if (!VirtualProtect(memory, kThunkSize, PAGE_EXECUTE_READ, &previous)) {
        VirtualFree(memory, 0, MEM_RELEASE);
        return nullptr;
    }
    FlushInstructionCache(GetCurrentProcess(), memory, kThunkSize);
    return memory;
}

void FreeHookThunk(void* thunk) {
    if (thunk) VirtualFree(thunk, 0, MEM_RELEASE);
}

// ---- the shared instance ----

TEWBMouseHook* TEWBMouseHook::Obtain() {
    if (!SharedHook) SharedHook = new TEWBMouseHook();
    ++HookRefCount;
    return SharedHook;
}

void TEWBMouseHook::Release(TEWBMouseHook* hook) {
    if (!hook || hook != SharedHook || HookRefCount <= 0) return;
    if (--HookRefCount > 0) return;
    SharedHook = nullptr;
    // A hook the platform refused to remove still calls through the stub
    // into this object: both stay.
    if (!hook->HookHandle) delete hook;
}

void TEWBMouseHook::InstallHook() {
    if (HookHandle) return;
    HookTarget.Code = reinterpret_cast<void*>(&HookEntry);
    HookTarget.Object = this;
    if (!HookThunk) HookThunk = MakeHookThunk(&HookTarget);
    if (!HookThunk) return;
    HookHandle = SetWindowsHookExA(WH_MOUSE, reinterpret_cast<HOOKPROC>(HookThunk), nullptr, GetCurrentThreadId());
}

void TEWBMouseHook::RemoveHook() {
    if (HookHandle && UnhookWindowsHookEx(HookHandle)) HookHandle = nullptr;
    if (HookThunk && !HookHandle) {
        FreeHookThunk(HookThunk);
        HookThunk = nullptr;
    }
}

// ---- the hook routine ----

namespace {

// The form under a screen point: the framework control owning the window
// there (or its nearest owned ancestor), followed to the top of its parents.
ui::TCustomForm* FormAt(HWND window) {
    ui::TWinControl* control = nullptr;
    for (HWND w = window; w && !control; w = GetParent(w)) control = ui::TWinControl::FindControl(w);
    if (!control) return nullptr;
    while (control->Parent()) control = control->Parent();
    return dynamic_cast<ui::TCustomForm*>(control);
}

}  // namespace

bool TEWBMouseHook::Route(const MOUSEHOOKSTRUCT& info, LPARAM lParam) {
    const POINT pt = info.pt;
    HWND target = WindowFromPoint(pt);
    bool skip = false;
    if (WheelHandler) WheelHandler(pt, target, static_cast<int32_t>(lParam), skip);
    if (ActiveFormOnly) {
        if (ui::TCustomForm* form = FormAt(target))
            skip = !ui::Application || form != ui::Application->ActiveForm();
    }
    if (skip || !target) return false;
    HWND focus = GetFocus();
    if (!focus) return false;
    HWND browserAtCursor = FindParentWindowByClass(target, L"Shell Embedding");
    if (!browserAtCursor) return false;
    HWND browserWithFocus = FindParentWindowByClass(focus, L"Shell Embedding");
    // Within one browser only its view window keeps the wheel from the page.
    if (browserAtCursor == browserWithFocus && GetWindowClassNameW(focus) != L"Shell DocObject View") return false;
    SetFocus(target);
    return true;
}

LRESULT TEWBMouseHook::MouseHookProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code < 0) return CallNextHookEx(HookHandle, code, wParam, lParam);
    // Every other mouse message goes on at once: this runs for each of them.
    if (wParam == WM_MOUSEWHEEL && code == HC_ACTION && lParam) {
        try {
            // A non-zero answer makes the platform drop this one message.
            if (Route(*reinterpret_cast<const MOUSEHOOKSTRUCT*>(lParam), lParam)) return 2;
        } catch (...) {
            ui::ApplicationHandleException(this);
        }
    }
    return CallNextHookEx(HookHandle, code, wParam, lParam);
}

}  // namespace ewb
