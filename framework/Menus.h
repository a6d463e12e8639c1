// The pop-up menu component a control can carry.
#pragma once

#include <windows.h>

#include "Classes.h"

namespace ui {

class TPopupMenu : public TComponent {
public:
    explicit TPopupMenu(TComponent* owner);
    ~TPopupMenu() override;
    const char* ClassName() const override { return "TPopupMenu"; }

    HMENU Handle() const { return handle_; }
    // Shows the menu with its corner at the screen point and runs the
    // chosen item's command through OnCommand.
    virtual void Popup(int x, int y);

    TNotifyEvent OnPopup;
    TMethod<void(TObject* Sender, UINT Command)> OnCommand;

private:
    HMENU handle_;
};

}  // namespace ui
