// TEWBMouseHook: a thread mouse hook that routes the wheel to the browser
// page under the cursor. The platform gives a wheel message to the focus
// window; a page without the focus would not scroll. The hook moves the
// focus to the page and swallows that one message, so the next ones reach it.
#pragma once

#include <windows.h>

#include <cstdint>

#include "framework/Events.h"
#include "framework/ObjectInstance.h"
#include "framework/Owners.h"
#include "framework/SysUtils.h"

namespace ewb {

// Point: the cursor in screen coordinates; lp: the address of the
// platform's MOUSEHOOKSTRUCT. Handled = true stops the routing only: the
// message is still delivered.
using TMouseWheelEvent = ui::TMethod<void(POINT Point, HWND hwndFromPoint, int32_t lp, bool& Handled)>;

class TEWBMouseHook : public ui::TObject {
public:
    const char* ClassName() const override { return "TEWBMouseHook"; }

    // The one instance of the process, with one more holder.
    static TEWBMouseHook* Obtain();
    // One holder fewer; the last one frees the instance, unless its hook
    // could not be removed: the platform may then still call into it.
    static void Release(TEWBMouseHook* hook);

    // Installs the hook on the calling thread, once; a failure leaves
    // HookHandle 0.
    void InstallHook();
    // Removes the hook; the stub is freed only once the hook is gone.
    void RemoveHook();
    // The code the platform calls, or null when not installed.
    HOOKPROC HookCode() const { return HookThunk ? HookThunk->HookProc() : nullptr; }
    LRESULT MouseHookProc(int code, WPARAM wParam, LPARAM lParam);

    ui::THookHandle HookHandle;
    // The stub that the platform calls: execute-read only once written.
    ui::THookInstance* HookThunk = nullptr;
    ui::THookMethod HookTarget;
    TMouseWheelEvent WheelHandler;
    bool ActiveFormOnly = false;

private:
    TEWBMouseHook() = default;
    ~TEWBMouseHook() override { delete HookThunk; }
    bool Route(const MOUSEHOOKSTRUCT& info, LPARAM lParam);
};

// The module's state: the shared instance and its number of holders.
extern TEWBMouseHook* SharedHook;
extern int HookRefCount;

}  // namespace ewb
