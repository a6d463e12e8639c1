// The component's window procedure and the subclassing of the windows the
// control creates inside it.
#include "browser/component/EmbeddedWB.h"

#include <commctrl.h>

namespace ewb {

using namespace ui;

namespace {

// The mouse-key flags of a click notification and the shift state each
// stands for.
struct TMouseKeyFlag {
    WPARAM Flag;
    TShiftStateItem Shift;
};
const TMouseKeyFlag kMouseKeyFlags[] = {
    {MK_SHIFT, ssShift}, {MK_CONTROL, ssCtrl}, {MK_LBUTTON, ssLeft}, {MK_RBUTTON, ssRight}, {MK_MBUTTON, ssMiddle},
};

// The list-view neighbour each arrow key moves to.
struct TArrowKey {
    uint16_t Key;
    UINT NextFlag;
};
const TArrowKey kArrowKeys[] = {
    {VK_LEFT, LVNI_TOLEFT}, {VK_UP, LVNI_ABOVE}, {VK_RIGHT, LVNI_TORIGHT}, {VK_DOWN, LVNI_BELOW},
};

void SetListItemState(HWND view, int item, UINT state, UINT mask) {
    LVITEMW lvItem = {};
    lvItem.stateMask = mask;
    lvItem.state = state;
    SendMessageW(view, LVM_SETITEMSTATE, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&lvItem));
}

// A key event with the key by reference: the handler's change goes back
// into the message, and a key cleared to 0 goes no further.
void RaiseKeyEvent(TEmbeddedWB* self, const TKeyEventEx& event, TMessage& message, bool& passOn) {
    uint16_t key = LOWORD(message.WParam);
    const uint16_t scanCode = static_cast<uint16_t>((message.LParam >> 16) & 0xFF);
    event(self, key, scanCode, KeyDataToShiftState(message.LParam));
    message.WParam = (message.WParam & ~static_cast<WPARAM>(0xFFFF)) | key;
    if (LOWORD(message.WParam) == 0) {
        passOn = false;
        message.Result = 1;
    }
}

}  // namespace

void TEmbeddedWB::ComponentWindowProc(TMessage& Message) {
    bool passOn = true;
    switch (Message.Msg) {
    case WM_CLOSE:
        if (OnCloseQuery) OnCloseQuery(this, passOn);
        break;
    case CN_KEYDOWN:
        if (NavigateFolderView(LOWORD(Message.WParam), KeyDataToShiftState(Message.LParam))) {
            passOn = false;
            Message.Result = 1;
        }
        if (OnKeyDown) RaiseKeyEvent(this, OnKeyDown, Message, passOn);
        break;
    case CN_KEYUP:
        if (OnKeyUp) RaiseKeyEvent(this, OnKeyUp, Message, passOn);
        break;
    default:
        break;
    }

    if (passOn) {
        // Activation news for a document while the application is ending
        // reaches a control that is being taken down.
        const bool terminating = Application && Application->Terminated();
        if (!(Message.Msg == CM_DOCWINDOWACTIVATE && terminating)) WndProc(Message);
    }

    if (EnableMessageHandler && Message.Msg == CN_KEYDOWN && Message.WParam == VK_RETURN) Message.Result = 0;

    if (OnMessage) {
        bool handled = (Message.Result & 0xFF) != 0;
        OnMessage(this, Message, handled);
        Message.Result = handled ? 1 : 0;
    }

    // A child window's click, as the platform's parent notification gives
    // it: the button in WParam, the point in LParam.
    if ((Message.WParam == WM_LBUTTONDOWN || Message.WParam == WM_RBUTTONDOWN) && OnClick) {
        TShiftState shift;
        for (const TMouseKeyFlag& row : kMouseKeyFlags)
            if (LOWORD(Message.WParam) & row.Flag) shift.Include(row.Shift);
        if (GetKeyState(VK_MENU) < 0) shift.Include(ssAlt);
        const TMouseButton button = Message.WParam == WM_LBUTTONDOWN ? mbLeft : mbRight;
        OnClick(this, button, shift, static_cast<short>(LOWORD(Message.LParam)),
                static_cast<short>(HIWORD(Message.LParam)));
    }

    switch (Message.Msg) {
    case WM_SIZE:
        BlockMoveResize = !PlatformIsXPSP2;
        break;
    case WM_WINDOWPOSCHANGING: {
        auto* pos = reinterpret_cast<WINDOWPOS*>(Message.LParam);
        if (!BlockMoveResize || !pos || !(pos->flags & (SWP_NOSIZE | SWP_NOMOVE))) break;
        if (!(pos->flags & SWP_NOMOVE)) {
            pos->flags |= SWP_NOMOVE;
            if (OnMove) OnMove(this, pos->x, pos->y);
        }
        if (!(pos->flags & SWP_NOSIZE)) {
            pos->flags |= SWP_NOSIZE;
            if (OnResize) OnResize(this, pos->cx, pos->cy);
        }
        break;
    }
    case WM_GETDLGCODE:
        Message.Result = DLGC_WANTCHARS;
        break;
    default:
        break;
    }
}

bool TEmbeddedWB::NavigateFolderView(uint16_t Key, TShiftState Shift) {
    HWND view = FindChildWindowByClass(L"SysListView32");
    if (!view) return false;
    UINT nextFlag = 0;
    for (const TArrowKey& row : kArrowKeys)
        if (row.Key == Key) nextFlag = row.NextFlag;
    if (!nextFlag) return false;
    const int current = static_cast<int>(SendMessageW(view, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
    const int next = static_cast<int>(SendMessageW(view, LVM_GETNEXTITEM, static_cast<WPARAM>(current), nextFlag));
    if (next == -1) return true;  // the edge of the list: the key is spent
    if (!Shift.Contains(ssShift)) {
        SetListItemState(view, current, 0, LVIS_SELECTED);
        SetListItemState(view, current, 0, LVIS_FOCUSED);
    }
    SetListItemState(view, next, LVIS_SELECTED, LVIS_SELECTED);
    SetListItemState(view, next, LVIS_FOCUSED, LVIS_FOCUSED);
    SendMessageW(view, LVM_ENSUREVISIBLE, static_cast<WPARAM>(next), FALSE);
    SendMessageW(view, WM_SETFOCUS, 0, 0);
    return true;
}

// ---- child windows ----

// The windows are subclassed with the wide-character calls: the control's
// windows are wide-character windows, and a narrow subclass would have the
// platform turn their text messages (typed characters among them) into the
// ANSI code page and back, losing what it cannot hold.
void TEmbeddedWB::HookChildWindows() {
    if (!FolderView.Window) {
        FolderView.Window = FindChildWindowByClass(L"SysListView32");
        if (FolderView.Window) {
            FolderView.Procedure.Install(FolderView.Window, TWndMethod::Of<&TEmbeddedWB::FolderViewWindowProc>(this));
            return;
        }
    }
    if (Child.Window || Grandchild.Window) return;
    HWND child = GetWindow(Handle(), GW_CHILD);
    Child.Window = child;
    if (!child) return;
    Grandchild.Window = GetWindow(child, GW_CHILD);
    Child.Procedure.Install(child, TWndMethod::Of<&TEmbeddedWB::ChildWindowProc>(this));
    Grandchild.Procedure.Install(Grandchild.Window, TWndMethod::Of<&TEmbeddedWB::GrandchildWindowProc>(this));
}

void TEmbeddedWB::EnsureChildWindowsHooked() {
    if (!Child.Window || !FolderView.Window) HookChildWindows();
}

void TEmbeddedWB::UnhookChildWindows() {
    for (TSubclassedWindow* window : {&FolderView, &Child, &Grandchild}) {
        if (!window->Window) continue;
        // Also from the message of the window whose stub goes with it: the
        // stub has handed over to its method for good.
        window->Procedure.Restore();
        window->Window = nullptr;
    }
}

void TEmbeddedWB::SubclassedWindowProc(TSubclassedWindow& window, TMessage& message, bool activateUI) {
    message.Result = window.Procedure.CallPrevious(message.Msg, message.WParam, message.LParam);
    switch (message.Msg) {
    case WM_DESTROY:
        UnhookChildWindows();
        break;
    case WM_SETFOCUS: {
        TCustomForm* form = GetParentForm();
        if (!form || !CanFocus()) break;
        // The focus is already inside the browser: the form only learns
        // which of its controls holds it.
        form->FocusChanged(this);
        if (activateUI) ActivateBrowserUI();
        break;
    }
    default:
        break;
    }
}

void TEmbeddedWB::FolderViewWindowProc(TMessage& Message) { SubclassedWindowProc(FolderView, Message, false); }

void TEmbeddedWB::ChildWindowProc(TMessage& Message) { SubclassedWindowProc(Child, Message, true); }

void TEmbeddedWB::GrandchildWindowProc(TMessage& Message) { SubclassedWindowProc(Grandchild, Message, true); }

}  // namespace ewb
