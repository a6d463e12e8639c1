#include "Menus.h"

#include "Controls.h"

namespace ui {

TPopupMenu::TPopupMenu(TComponent* owner) : TComponent(owner), handle_(CreatePopupMenu()) {}

TPopupMenu::~TPopupMenu() {
    if (handle_) DestroyMenu(handle_);
}

void TPopupMenu::Popup(int x, int y) {
    if (OnPopup) OnPopup(this);
    // A window of our own owns the menu while it is tracked.
    HWND owner = AllocateHWnd(TWndMethod());
    UINT command = static_cast<UINT>(
        TrackPopupMenu(handle_, TPM_LEFTALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD, x, y, 0, owner, nullptr));
    DeallocateHWnd(owner);
    if (command && OnCommand) OnCommand(this, command);
}

}  // namespace ui
