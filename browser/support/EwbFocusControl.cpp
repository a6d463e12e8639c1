#include "browser/support/EwbFocusControl.h"

#include "framework/Boundary.h"
#include "framework/Forms.h"

namespace ewb {

TEWBFocusControl* FocusControlInstance = nullptr;
TAppHookWindow* AppHookWindow = nullptr;
const std::type_info* BrowserClass = nullptr;

namespace {

ui::TWindowHook HookOf(TAppHookWindow* window) {
    return ui::TWindowHook::Of<&TAppHookWindow::AppWindowHook>(window);
}

// Is the form the window the user works in? The framework has no child
// forms of a multiple-document frame, so the form's own window must be the
// active one, or, for a form inside a window of the program's own, the
// top-level window it lies in.
bool IsReallyActive(ui::TCustomForm* form) {
    return !ui::Application->Terminated() && form->HandleAllocated() && form->RootWindow() == GetActiveWindow();
}

// The control's own class, not one of its bases.
bool IsBrowserClass(const ui::TWinControl& control) { return BrowserClass && typeid(control) == *BrowserClass; }

}  // namespace

TAppHookWindow::~TAppHookWindow() { UnhookApplication(); }

void TAppHookWindow::HookApplication() {
    if (Hooked || !ui::Application) return;
    ui::Application->HookMainWindow(HookOf(this));
    Hooked = true;
}

void TAppHookWindow::UnhookApplication() {
    if (!ui::Application) return;
    ui::Application->UnhookMainWindow(HookOf(this));
    Hooked = false;
}

bool TAppHookWindow::AppWindowHook(ui::TMessage& message) {
    if (message.Msg != WM_WINDOWPOSCHANGING && message.Msg != ui::CM_ACTIVATE) return false;
    // The application's own handling goes on whatever happens here.
    ui::Boundary(this, [&] {
        ui::TCustomForm* form = ui::Application ? ui::Application->ActiveForm() : nullptr;
        if (!form || !IsReallyActive(form) || !form->CanFocus()) return;
        ui::TWinControl* control = form->ActiveControl();
        if (!control || !IsBrowserClass(*control) || !control->HandleAllocated()) return;
        // Posted, so that the browser acts once this message is done.
        if (control->Handle() != GetFocus())
            PostMessageA(control->Handle(), WM_BROWSERFOCUS, reinterpret_cast<WPARAM>(control), 0);
    });
    return false;
}

TEWBFocusControl::TEWBFocusControl() {
    if (!AppHookWindow) {
        AppHookWindow = new TAppHookWindow();
        AppHookWindow->HookApplication();
    }
}

void TEWBFocusControl::SetFocusControlActive(bool active) {
    if (active) {
        if (!FocusControlInstance) FocusControlInstance = new TEWBFocusControl();
        return;
    }
    delete AppHookWindow;
    AppHookWindow = nullptr;
    delete FocusControlInstance;
    FocusControlInstance = nullptr;
}

}  // namespace ewb
