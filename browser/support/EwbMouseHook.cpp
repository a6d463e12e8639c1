#include "browser/support/EwbMouseHook.h"

#include "browser/support/EwbWindows.h"
#include "framework/Boundary.h"
#include "framework/Forms.h"

namespace ewb {

TEWBMouseHook* SharedHook = nullptr;
int HookRefCount = 0;

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
    HookTarget = ui::THookMethod::Of<&TEWBMouseHook::MouseHookProc>(this);
    // Without executable memory for the stub the wheel goes as if unrouted.
    if (!HookThunk && ui::Attempt([&] { HookThunk = new ui::THookInstance(HookTarget); })) return;
    HookHandle.Set(SetWindowsHookExA(WH_MOUSE, HookThunk->HookProc(), nullptr, GetCurrentThreadId()));
}

void TEWBMouseHook::RemoveHook() {
    // While the platform may still call the stub, it stays.
    HookHandle.Remove();
    if (HookThunk && !HookHandle) {
        delete HookThunk;
        HookThunk = nullptr;
    }
}

// ---- the hook routine ----

namespace {

// A non-zero answer of a mouse hook makes the platform drop the message: it
// reaches neither the later hooks nor any window.
constexpr LRESULT kDiscardMessage = 2;

// The form under a screen point: the framework control owning the window
// there (or its nearest owned ancestor), followed to the top of its parents.
ui::TCustomForm* FormAt(HWND window) {
    ui::TWinControl* control = nullptr;
    for (HWND w = window; w && !control; w = GetParent(w)) control = ui::TWinControl::FindControl(w);
    if (!control) return nullptr;
    while (control->Parent()) control = control->Parent();
    return dynamic_cast<ui::TCustomForm*>(control);
}

// The engine's window around one browser, and its view window inside.
constexpr wchar_t kBrowserClass[] = L"Shell Embedding";
constexpr wchar_t kViewClass[] = L"Shell DocObject View";

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
    HWND browserAtCursor = ParentWindowOfClass(target, kBrowserClass);
    if (!browserAtCursor) return false;
    HWND browserWithFocus = ParentWindowOfClass(focus, kBrowserClass);
    // Within one browser only its view window keeps the wheel from the page.
    if (browserAtCursor == browserWithFocus && !HasWindowClass(focus, kViewClass)) return false;
    SetFocus(target);
    return true;
}

LRESULT TEWBMouseHook::MouseHookProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code < 0) return CallNextHookEx(HookHandle.Get(), code, wParam, lParam);
    // Every other mouse message goes on at once: this runs for each of them.
    if (wParam == WM_MOUSEWHEEL && code == HC_ACTION && lParam) {
        // A routing that fails leaves the message to go on.
        if (ui::Boundary(this, false, [&] { return Route(*reinterpret_cast<const MOUSEHOOKSTRUCT*>(lParam), lParam); }))
            return kDiscardMessage;
    }
    return CallNextHookEx(HookHandle.Get(), code, wParam, lParam);
}

}  // namespace ewb
