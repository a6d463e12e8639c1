// Focus control: when the application becomes active again and the active
// control of the active form is a browser without the keyboard focus, the
// browser is asked (by a posted WM_BROWSERFOCUS) to take it, so that keys
// reach its page.
#pragma once

#include <windows.h>

#include <typeinfo>

#include "framework/Controls.h"

namespace ewb {

// Posted to a browser component's window: wParam the component, lParam 0.
constexpr UINT WM_BROWSERFOCUS = WM_USER + 68;

// The object whose method watches the application's main window. Its own
// window is never made.
class TAppHookWindow : public ui::TWinControl {
public:
    TAppHookWindow() : ui::TWinControl(nullptr) {}
    ~TAppHookWindow() override;
    const char* ClassName() const override { return "TAppHookWindow"; }

    void HookApplication();
    void UnhookApplication();
    // Sees every message of the application's main window first; never
    // handles one (always false) and never changes it.
    bool AppWindowHook(ui::TMessage& message);

    bool Hooked = false;
};

// The process-wide switch of focus control.
class TEWBFocusControl : public ui::TObject {
public:
    TEWBFocusControl();
    const char* ClassName() const override { return "TEWBFocusControl"; }

    // On: one instance and one registered hook, however often switched on.
    // Off: both freed, the hook unregistered.
    static void SetFocusControlActive(bool active);
};

// The module's state.
extern TEWBFocusControl* FocusControlInstance;
extern TAppHookWindow* AppHookWindow;
// The browser component's class, which this layer cannot name: the
// component's module sets it at start-up and clears it at shut-down. Only a
// control of exactly this class is asked to take the focus, not one of a
// class derived from it. Null: no control is.
extern const std::type_info* BrowserClass;

}  // namespace ewb
