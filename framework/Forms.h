// Forms (top-level windows) and the application object.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "Controls.h"

namespace ui {

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum TBorderIcon : unsigned { biSystemMenu = 1, biMinimize = 2, biMaximize = 4, biHelp = 8 };
using TBorderIcons = unsigned;
enum TPosition { poDesigned, poDefault, poScreenCenter, poDesktopCenter };
enum TCloseAction { caNone, caHide, caFree, caMinimize };

using TCloseEvent = TMethod<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = TMethod<void(TObject* Sender, bool& CanClose)>;

class TCustomForm : public TWinControl {
public:
    explicit TCustomForm(TComponent* owner);
    ~TCustomForm() override;
    const char* ClassName() const override { return "TCustomForm"; }

    TFormBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TFormBorderStyle style);
    TBorderIcons BorderIcons() const { return borderIcons_; }
    void SetBorderIcons(TBorderIcons icons);
    TPosition Position() const { return position_; }
    void SetPosition(TPosition position) { position_ = position; }

    int ClientWidth() const;
    int ClientHeight() const;
    void SetClientWidth(int width);
    void SetClientHeight(int height);
    RECT ClientRect() const override;

    // Design resolution of the definition, used by ScaleToScreen.
    int PixelsPerInch() const { return pixelsPerInch_; }
    void SetPixelsPerInch(int ppi) { pixelsPerInch_ = ppi; }
    int TextHeight() const { return textHeight_; }
    void SetTextHeight(int height) { textHeight_ = height; }
    // Height of a line of text in the form's font on this screen.
    int MeasureTextHeight();

    // A form inside a window of the program's own (not made with this
    // framework): its window is a child of `window`, without border or
    // caption, at 0,0 with that window's client size until SetBounds moves
    // it. Set before the form's window is made. Taking the focus, it hands
    // it to its active control and becomes the application's active form,
    // so that the focus handling of its controls works as in a top-level
    // form. The program sizes it (SetBounds, on its own WM_SIZE) and frees
    // it before its window goes (on its WM_DESTROY).
    HWND ParentWindow() const { return parentWindow_; }
    void SetParentWindow(HWND window);
    // The top-level window the user activates to work in the form: its own,
    // or the one its parent window lies in.
    HWND RootWindow();

    TWinControl* ActiveControl() const { return activeControl_; }
    // Makes the control the active one and, while the form is the active
    // window, gives it the focus unless the focus is already inside it. The
    // control that already is the active one is left as it is.
    void SetActiveControl(TWinControl* control);
    // The focus moved to the control: it becomes the active one.
    void FocusChanged(TWinControl* control);
    // The control (or a parent of it) leaves the form: it is no longer the
    // active control.
    void ControlRemoved(TWinControl* control);

    void Show();
    void Hide();
    void Close();
    void SetVisible(bool visible) override;

    TNotifyEvent OnCreate;
    TNotifyEvent OnDestroy;
    TCloseEvent OnClose;

    void WndProc(TMessage& message) override;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;

    // Builds the form from its definition: marks everything loading, calls
    // ReadDefinition, runs the after-load notifications, applies the design
    // resolution and then runs the creation handler. An error in the
    // definition or the handler goes to the error box; the form remains.
    void LoadDefinition();
    virtual void ReadDefinition() {}
    virtual void DoCreate();
    virtual void DoClose(TCloseAction& action);
    // The design-resolution rules: the font follows the screen's pixels per
    // inch, then sizes follow the measured text height.
    void ScaleToScreen();
    void ScaleBy(int multiplier, int divider);

private:
    void FrameSize(int& extraWidth, int& extraHeight) const;
    // The origin that centres a window of this size, as Position asks;
    // false when it asks for no centring.
    bool CentredOrigin(int width, int height, int& x, int& y) const;
    void DWStyle(DWORD& style, DWORD& exStyle) const;
    // The focus to the active control, else to the first that can take it;
    // false when none could.
    bool FocusActiveControl();
    bool FocusFirstControl();

    TFormBorderStyle borderStyle_ = bsSizeable;
    TBorderIcons borderIcons_ = biSystemMenu | biMinimize | biMaximize;
    TPosition position_ = poDesigned;
    int clientWidth_ = 0;
    int clientHeight_ = 0;
    int pixelsPerInch_ = 96;
    int textHeight_ = 13;
    bool shownOnce_ = false;
    TWinControl* activeControl_ = nullptr;
    HWND parentWindow_ = nullptr;
};

class TForm : public TCustomForm {
public:
    using TCustomForm::TCustomForm;
    const char* ClassName() const override { return "TForm"; }
};

// Posted by the application's window to itself when the application
// becomes active.
constexpr UINT CM_ACTIVATE = 0xB000;
// Posted by the application's window to itself to show the errors queued
// for the error box.
constexpr UINT CM_SHOWERRORS = 0xB000 + 70;
// Posted by the application's window to itself when it was activated, to
// hand the activation on to the main form.
constexpr UINT CM_ACTIVATEMAINFORM = 0xB000 + 71;

// A hook on the application's main window: true means the message was
// handled and goes no further.
using TWindowHook = TMethod<bool(TMessage& Message)>;

class TApplication : public TComponent {
public:
    TApplication();
    ~TApplication() override;
    const char* ClassName() const override { return "TApplication"; }

    // Initialises COM for this thread as a single-threaded apartment.
    void Initialize();

    // The hidden top-level window that carries the task-bar entry and owns
    // the forms.
    HWND Handle() const { return handle_; }
    const std::string& Title() const { return title_; }
    void SetTitle(const std::string& title);
    HICON Icon() const { return icon_; }

    template <typename T>
    T* CreateForm() {
        T* form = new T(this);
        if (!mainForm_) mainForm_ = form;
        return form;
    }
    TCustomForm* MainForm() const { return mainForm_; }
    void SetMainForm(TCustomForm* form) { mainForm_ = form; }
    TCustomForm* ActiveForm() const { return activeForm_; }
    void SetActiveForm(TCustomForm* form) { activeForm_ = form; }
    void FormDestroyed(TCustomForm* form);

    void HookMainWindow(const TWindowHook& hook);
    void UnhookMainWindow(const TWindowHook& hook);
    int HookCount() const { return static_cast<int>(hooks_.size()); }

    // The application's window carries the task-bar entry, the forms do
    // not: minimising the main form minimises the application, whose window
    // is minimised and whose forms are hidden; restoring the application
    // shows them again and activates the main form.
    void Minimize();
    void Restore();

    // Gives the framework's controls the first look at a message taken from
    // the queue, before it is translated and dispatched: the key goes to the
    // control its window belongs to (a browser's page among them: its
    // accelerators and masked shortcuts). True means a control took it, and
    // it must not be translated or dispatched. Run's loop calls it; a
    // program with a loop of its own calls it for every message.
    bool PreTranslateMessage(MSG& msg);

    // Shows the main form and runs the message loop until Terminate.
    void Run();
    void ProcessMessages();
    void HandleMessage();
    void Terminate();
    bool Terminated() const { return terminated_; }

    // The error box: error icon, the title as caption, the message with "."
    // appended when its last character sorts after ".".
    void ShowException(const std::string& message);
    // Shows the error in the error box now; nothing for none.
    void HandleException(TObject* sender, const std::exception_ptr& error);
    // Keeps the message for the error box, shown once the application
    // window takes its posted request; false without that window.
    bool QueueError(const std::string& message);
    // Posts the request to show what is queued, when one is still needed.
    void ResumeQueuedErrors();

private:
    bool ProcessMessage(MSG& msg);
    // Gives the activation to the main form, or to the box that keeps it
    // disabled; nothing while the application is minimised.
    void ActivateMainForm();
    void ShowQueuedErrors();
    static LRESULT CALLBACK AppWndProc(HWND, UINT, WPARAM, LPARAM);
    void WndProc(TMessage& message);

    HWND handle_ = nullptr;
    HICON icon_ = nullptr;
    std::string title_;
    std::vector<TWindowHook> hooks_;
    TCustomForm* mainForm_ = nullptr;
    TCustomForm* activeForm_ = nullptr;
    bool terminated_ = false;
    bool comInitialized_ = false;
    std::vector<HWND> hiddenForms_;  // by Minimize, for Restore
    std::vector<std::string> queuedErrors_;
    bool showErrorsPosted_ = false;
};

// The program's one application object, made by the framework's module
// start-up and freed by its shut-down.
extern TApplication* Application;

// The application title for a program file: its name without folder, cut at
// the first ".", every character after the first in lower case.
std::string ApplicationTitleFromPath(const std::string& path);

// The error box's text for a message.
std::string ErrorBoxText(const std::string& message);

// Module start-up and shut-down of the forms module.
void FormsStartUp();
void FormsShutDown();

}  // namespace ui
