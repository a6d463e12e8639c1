// The engine's dialog boxes, watched through the owner's window procedure,
// and the floating-point exception option.
#include "browser/component/EmbeddedWB.h"

#include "browser/component/EwbPlatform.h"

namespace ewb {

using namespace ui;

namespace {
// The platform's dialog class and the engine's HTML dialog frame.
const wchar_t* const kWatchedDialogClasses[] = {L"#32770", L"Internet Explorer_TridentDlgFrame"};

// All six exceptions masked, extended precision, round to nearest.
constexpr uint16_t kAllExceptionsMasked = 0x133F;
// The window style of the engine's script-error dialog.
constexpr LONG kScriptErrorDialogExStyle = 0x00410101;

bool IsWatchedDialogClass(const std::wstring& className) {
    for (const wchar_t* watched : kWatchedDialogClasses)
        if (className == watched) return true;
    return false;
}

// Removes the first occurrence of `what`; case-sensitive.
void ReplaceFirst(std::string& text, const std::string& what, const std::string& by) {
    size_t at = text.find(what);
    if (at != std::string::npos) text.replace(at, what.size(), by);
}

std::string LocaleUpperCase(std::string text) {
    if (!text.empty()) CharUpperBuffA(&text[0], static_cast<DWORD>(text.size()));
    return text;
}
}  // namespace

void TEmbeddedWB::HookOwnerWindowProc() {
    if (OwnerHooked) return;
    HookedOwner = Owner();
    auto* owner = dynamic_cast<TWinControl*>(HookedOwner);
    if (!owner || !owner->HandleAllocated()) return;
    OldOwnerWindowProc = owner->WindowProc;
    owner->WindowProc = TWndMethod::Of<&TEmbeddedWB::OwnerWindowProc>(this);
    OwnerHooked = true;
    if (auto* form = dynamic_cast<TCustomForm*>(owner)) {
        const HWND root = form->RootWindow();
        if (root && root != form->Handle())
            HookedRootWindow.Install(root, TWndMethod::Of<&TEmbeddedWB::RootWindowProc>(this));
    }
}

void TEmbeddedWB::UnhookOwnerWindowProc() {
    HookedRootWindow.Restore();
    // The component whose procedure the owner holds always gives it back,
    // even when another component cleared the flag before: the owner must
    // not go on calling a component that is gone.
    auto* owner = dynamic_cast<TWinControl*>(HookedOwner);
    if (owner && owner->WindowProc == TWndMethod::Of<&TEmbeddedWB::OwnerWindowProc>(this))
        owner->WindowProc = OldOwnerWindowProc;
    if (!OwnerHooked) return;
    HookedOwner = nullptr;
    OwnerHooked = false;
}

void TEmbeddedWB::OwnerWindowProc(TMessage& Message) {
    if (Message.Msg == WM_ACTIVATE) InspectActivatedWindow(Message);
    // While the hook is in place the owner never sees a dialog character.
    if (Message.Msg != CM_DIALOGCHAR && OldOwnerWindowProc) OldOwnerWindowProc(Message);
}

void TEmbeddedWB::RootWindowProc(TMessage& Message) {
    if (Message.Msg == WM_ACTIVATE) InspectActivatedWindow(Message);
    // The window's own procedure may free this browser (a program frees its
    // form as its window goes): nothing of it is read after the call.
    Message.Result = HookedRootWindow.CallPrevious(Message.Msg, Message.WParam, Message.LParam);
}

void TEmbeddedWB::InspectActivatedWindow(TMessage& Message) {
    if (LOWORD(Message.WParam) != WA_INACTIVE) return;
    HWND window = reinterpret_cast<HWND>(Message.LParam);
    // The engine's dialogs are windows of this thread; a dialog of another
    // program (or thread) that takes the activation is not ours to touch.
    if (window && GetWindowThreadProcessId(window, nullptr) != GetCurrentThreadId()) return;
    const std::wstring className = GetWindowClassNameW(window);
    const int32_t styleEx = window ? GetWindowLongA(window, GWL_EXSTYLE) : 0;
    if (!IsWatchedDialogClass(className)) return;
    std::string caption = WideToAnsi(GetWindowTextString(window));

    TDialogBoxes& boxes = DialogBoxes();
    if (window && OnShowDialog) OnShowDialog(this, window, styleEx, caption, boxes.NewCaption, boxes.DisableAll);
    if (boxes.DisableAll) SendMessageA(window, WM_CLOSE, 0, 0);
    if (boxes.ReplaceIcon)
        SendMessageA(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(Application->Icon()));
    if (boxes.ReplaceCaption) {
        ReplaceFirst(caption, "Microsoft ", "");
        ReplaceFirst(caption, "Internet Explorer", WideToAnsi(boxes.NewCaption));
        SetWindowTextA(window, caption.c_str());
    }
    if (!DisableErrors().ScriptErrorsSuppressed) return;
    const std::string upper = LocaleUpperCase(caption);
    if (upper.find("SCRIPT") != std::string::npos) {
        PostMessageA(window, WM_LBUTTONDOWN, 0, 0);
        PostMessageA(window, WM_LBUTTONUP, 0, 0);
        SendMessageA(window, WM_CLOSE, 0, 0);
        Application->ProcessMessages();
    } else if (upper.find("ERROR") != std::string::npos || styleEx == kScriptErrorDialogExStyle) {
        DestroyWindow(window);
    }
}

void TDisableErrors::SetfpExceptions(bool Value) {
    SetFpuControlWord(Value ? SavedFpuControlWord : kAllExceptionsMasked);
    fpExceptions_ = Value;
}

}  // namespace ewb
