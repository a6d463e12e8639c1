#include "Forms.h"

#include <objbase.h>

#include <algorithm>
#include <exception>
#include <utility>

#include "Boundary.h"
#include "StartupMarks.h"

namespace ui {

TApplication* Application = nullptr;

std::string ExceptionMessage(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const Exception& e) {
        return e.Message();
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "Unknown error";
    }
}

void ApplicationHandleException(TObject* sender, const std::exception_ptr& error) noexcept {
    if (!error) return;
    // Inside a call from outside a box would run its modal loop in the
    // middle of the caller's work, and after the loop has ended there is
    // none to show it: queued there, as the boundary queues. A box that
    // cannot be shown is queued too (reached from destructors, this never
    // throws).
    if (!Application || Application->Terminated() || TOutsideCall::Depth() > 0 ||
        Attempt([&] { Application->HandleException(sender, error); }))
        QueueException(sender, error);
}

namespace {
// Each thread counts its own: a call from outside on another thread holds
// back nothing of this one's.
thread_local int outsideCalls = 0;
}  // namespace

TOutsideCall::TOutsideCall() noexcept { ++outsideCalls; }

TOutsideCall::~TOutsideCall() {
    if (--outsideCalls == 0 && Application) Application->ResumeQueuedErrors();
}

int TOutsideCall::Depth() noexcept { return outsideCalls; }

void QueueException(TObject*, const std::exception_ptr& error) noexcept {
    if (!error) return;
    // Out of memory even for the message: the answer the caller gets is
    // all that is left to tell.
    Attempt([&] {
        std::string message = ExceptionMessage(error);
        if (!Application || !Application->QueueError(message)) OutputDebugStringA(message.c_str());
    });
}

std::string ApplicationTitleFromPath(const std::string& path) {
    size_t slash = path.find_last_of("\\/:");
    std::string title = slash == std::string::npos ? path : path.substr(slash + 1);
    size_t dot = title.find('.');
    if (dot != std::string::npos) title.resize(dot);
    if (title.size() > 1) {
        std::string rest = title.substr(1);
        CharLowerBuffA(&rest[0], static_cast<DWORD>(rest.size()));
        title = title.substr(0, 1) + rest;
    }
    return title;
}

std::string ErrorBoxText(const std::string& message) {
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') return message + ".";
    return message;
}

// ---- TCustomForm ----

TCustomForm::TCustomForm(TComponent* owner) : TWinControl(owner) {
    SetColor(clBtnFace);
    SetVisible(false);
}

TCustomForm::~TCustomForm() {
    if (OnDestroy) ApplicationHandleException(this, Attempt([&] { OnDestroy(this); }));
    if (Application) Application->FormDestroyed(this);
}

void TCustomForm::SetBorderStyle(TFormBorderStyle style) {
    borderStyle_ = style;
    if (HandleAllocated()) {
        DWORD s, ex;
        DWStyle(s, ex);
        SetWindowLongW(Handle(), GWL_STYLE, static_cast<LONG>(s));
        SetWindowLongW(Handle(), GWL_EXSTYLE, static_cast<LONG>(ex));
        SetWindowPos(Handle(), nullptr, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    }
}

void TCustomForm::SetParentWindow(HWND window) {
    if (HandleAllocated()) throw Exception("A form's parent window is set before its window is made");
    parentWindow_ = window;
    if (!window) return;
    RECT client = {0, 0, 0, 0};
    GetClientRect(window, &client);
    SetBounds(0, 0, client.right, client.bottom);
}

HWND TCustomForm::RootWindow() {
    if (!HandleAllocated()) return nullptr;
    return parentWindow_ ? GetAncestor(Handle(), GA_ROOT) : Handle();
}

void TCustomForm::SetBorderIcons(TBorderIcons icons) {
    borderIcons_ = icons;
    SetBorderStyle(borderStyle_);
}

void TCustomForm::DWStyle(DWORD& style, DWORD& exStyle) const {
    style = WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    exStyle = 0;
    switch (borderStyle_) {
    case bsNone: style |= WS_POPUP; break;
    case bsSingle:
    case bsToolWindow: style |= WS_CAPTION | WS_BORDER; break;
    case bsSizeable:
    case bsSizeToolWin: style |= WS_CAPTION | WS_THICKFRAME; break;
    case bsDialog:
        style |= WS_POPUP | WS_CAPTION | DS_MODALFRAME;
        exStyle |= WS_EX_DLGMODALFRAME;
        break;
    }
    if (borderStyle_ == bsToolWindow || borderStyle_ == bsSizeToolWin) exStyle |= WS_EX_TOOLWINDOW;
    if (borderStyle_ != bsNone && (borderIcons_ & biSystemMenu)) {
        style |= WS_SYSMENU;
        if (borderStyle_ != bsDialog && borderStyle_ != bsToolWindow && borderStyle_ != bsSizeToolWin) {
            if (borderIcons_ & biMinimize) style |= WS_MINIMIZEBOX;
            if (borderIcons_ & biMaximize) style |= WS_MAXIMIZEBOX;
        }
    }
    if (Visible() && HandleAllocated()) style |= WS_VISIBLE;
}

bool TCustomForm::CentredOrigin(int width, int height, int& x, int& y) const {
    if (position_ != poDesktopCenter && position_ != poScreenCenter) return false;
    const bool desktop = position_ == poDesktopCenter;
    x = (GetSystemMetrics(desktop ? SM_CXVIRTUALSCREEN : SM_CXSCREEN) - width) / 2;
    y = (GetSystemMetrics(desktop ? SM_CYVIRTUALSCREEN : SM_CYSCREEN) - height) / 2;
    return true;
}

void TCustomForm::FrameSize(int& extraWidth, int& extraHeight) const {
    DWORD style, exStyle;
    DWStyle(style, exStyle);
    RECT r = {0, 0, 0, 0};
    AdjustWindowRectEx(&r, style, FALSE, exStyle);
    extraWidth = r.right - r.left;
    extraHeight = r.bottom - r.top;
}

int TCustomForm::ClientWidth() const { return ClientRect().right; }
int TCustomForm::ClientHeight() const { return ClientRect().bottom; }

RECT TCustomForm::ClientRect() const {
    if (HandleAllocated()) return TWinControl::ClientRect();
    RECT r = {0, 0, clientWidth_, clientHeight_};
    return r;
}

void TCustomForm::SetClientWidth(int width) {
    clientWidth_ = width;
    int ew, eh;
    FrameSize(ew, eh);
    SetBounds(left_, top_, width + ew, height_ > 0 ? height_ : clientHeight_ + eh);
}

void TCustomForm::SetClientHeight(int height) {
    clientHeight_ = height;
    int ew, eh;
    FrameSize(ew, eh);
    SetBounds(left_, top_, width_ > 0 ? width_ : clientWidth_ + ew, height + eh);
}

int TCustomForm::MeasureTextHeight() {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, Font().Handle());
    SIZE size = {0, 0};
    GetTextExtentPoint32W(dc, L"0", 1, &size);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return size.cy;
}

void TCustomForm::ScaleToScreen() {
    HDC dc = GetDC(nullptr);
    int screenPpi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(nullptr, dc);
    if (screenPpi != pixelsPerInch_ && pixelsPerInch_ > 0)
        Font().SetHeight(MulDiv(Font().Height(), screenPpi, pixelsPerInch_));
    int measured = MeasureTextHeight();
    if (textHeight_ > 0 && measured != textHeight_) ScaleBy(measured, textHeight_);
}

namespace {
void ScaleChildren(TWinControl* parent, int m, int d) {
    for (int i = 0; i < parent->ControlCount(); ++i) {
        TWinControl* c = parent->Controls(i);
        c->SetBounds(MulDiv(c->Left(), m, d), MulDiv(c->Top(), m, d), MulDiv(c->Width(), m, d),
                     MulDiv(c->Height(), m, d));
        ScaleChildren(c, m, d);
    }
}
}  // namespace

void TCustomForm::ScaleBy(int multiplier, int divider) {
    int w = MulDiv(ClientWidth(), multiplier, divider);
    int h = MulDiv(ClientHeight(), multiplier, divider);
    ScaleChildren(this, multiplier, divider);
    SetClientWidth(w);
    SetClientHeight(h);
}

void TCustomForm::SetActiveControl(TWinControl* control) {
    // Already the active control: nothing moves. A control whose window
    // hands the focus on (an embedded browser) would otherwise be handed
    // it again from its own focus notification, and again, for ever.
    if (control == activeControl_) return;
    activeControl_ = control;
    if (!control || !HandleAllocated() || GetActiveWindow() != RootWindow() || !control->CanFocus()) return;
    // The focus already inside the control stays where it is.
    HWND focus = GetFocus();
    if (control->HandleAllocated() && focus && (focus == control->Handle() || IsChild(control->Handle(), focus)))
        return;
    control->SetFocus();
}

void TCustomForm::FocusChanged(TWinControl* control) {
    activeControl_ = control;
    // A form inside another window is never activated itself: the focus
    // inside it is what makes it the one the user works in.
    if (parentWindow_ && Application) Application->SetActiveForm(this);
}

void TCustomForm::ControlRemoved(TWinControl* control) {
    if (!activeControl_) return;
    for (TWinControl* c = activeControl_; c; c = c->Parent())
        if (c == control) {
            activeControl_ = nullptr;
            return;
        }
}

bool TCustomForm::FocusActiveControl() {
    // The form itself is no control to hand the focus on to: inside its own
    // WM_SETFOCUS that would come back here.
    if (activeControl_ && activeControl_ != this && activeControl_->CanFocus()) {
        ::SetFocus(activeControl_->Handle());
        return true;
    }
    return FocusFirstControl();
}

bool TCustomForm::FocusFirstControl() {
    // First child in tab order that can take the focus.
    std::vector<TWinControl*> byTab(static_cast<size_t>(ControlCount()));
    for (int i = 0; i < ControlCount(); ++i) byTab[static_cast<size_t>(i)] = Controls(i);
    std::stable_sort(byTab.begin(), byTab.end(),
                     [](TWinControl* a, TWinControl* b) { return a->TabOrder() < b->TabOrder(); });
    for (TWinControl* c : byTab) {
        if (c->CanFocus()) {
            ::SetFocus(c->Handle());
            return true;
        }
    }
    return false;
}

void TCustomForm::Show() { SetVisible(true); }
void TCustomForm::Hide() { SetVisible(false); }

void TCustomForm::SetVisible(bool visible) {
    if (!visible) {
        TWinControl::SetVisible(false);
        return;
    }
    HandleNeeded();
    // A child that fails to come up (a control that cannot be activated)
    // does not keep the window from opening; its error follows the showing.
    const std::exception_ptr childFailure = Attempt([&] { CreateChildHandles(); });
    if (!shownOnce_) {
        shownOnce_ = true;
        // Usually a no-move: the window was made there (CreateParams). A
        // form inside another window stays where that window put it.
        int x, y;
        if (!parentWindow_ && CentredOrigin(Width(), Height(), x, y)) SetBounds(x, y, Width(), Height());
    }
    if (!Visible()) {
        // Field first, so that the style carries WS_VISIBLE from now on and
        // the activation that showing brings finds the form visible. Shown
        // once, activated: a window first shown without activation would
        // not be activated by a later show.
        StoreVisible(true);
        ShowWindow(Handle(), parentWindow_ ? SW_SHOW : SW_SHOWNORMAL);
    }
    if (childFailure) std::rethrow_exception(childFailure);
}

void TCustomForm::Close() {
    TCloseAction action = caHide;
    DoClose(action);
    if (action == caNone) return;
    if (Application && Application->MainForm() == this) {
        Application->Terminate();
    } else if (action == caHide) {
        Hide();
    } else if (action == caMinimize) {
        ShowWindow(Handle(), SW_MINIMIZE);
    } else {
        Hide();
    }
}

void TCustomForm::DoClose(TCloseAction& action) {
    if (OnClose) OnClose(this, action);
}

void TCustomForm::DoCreate() {
    if (OnCreate) OnCreate(this);
}

void TCustomForm::LoadDefinition() {
    BeginLoading();
    const std::exception_ptr unread = Attempt([&] { ReadDefinition(); });
    EndLoading();
    if (unread) {
        ApplicationHandleException(this, unread);
        return;
    }
    ScaleToScreen();
    ApplicationHandleException(this, Attempt([&] { DoCreate(); }));
}

void TCustomForm::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    if (parentWindow_) {
        // A child of the program's own window, where that window puts it.
        params.Style = WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
        params.ExStyle = WS_EX_CONTROLPARENT;
        params.WndParent = parentWindow_;
        return;
    }
    DWStyle(params.Style, params.ExStyle);
    params.Style &= ~WS_VISIBLE;
    params.WndParent = Application ? Application->Handle() : nullptr;
    params.Icon = Application ? Application->Icon() : nullptr;
    if (Width() == 0 && Height() == 0) {
        int ew, eh;
        FrameSize(ew, eh);
        params.Width = clientWidth_ + ew;
        params.Height = clientHeight_ + eh;
    }
    // A window to be centred is made centred while still hidden: moving
    // it at its first showing costs milliseconds of the start-up.
    if (!shownOnce_) CentredOrigin(params.Width, params.Height, params.X, params.Y);
}

void TCustomForm::CreateWnd() {
    const int wantWidth = clientWidth_, wantHeight = clientHeight_;
    TWinControl::CreateWnd();
    // The platform may give a frame of another size than computed; the
    // client size is what the form promises.
    if (wantWidth > 0 || wantHeight > 0) {
        RECT client;
        GetClientRect(Handle(), &client);
        int dw = wantWidth - client.right, dh = wantHeight - client.bottom;
        if (dw || dh) {
            RECT r;
            GetWindowRect(Handle(), &r);
            SetWindowPos(Handle(), nullptr, 0, 0, r.right - r.left + dw, r.bottom - r.top + dh,
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }
}

void TCustomForm::WndProc(TMessage& message) {
    switch (message.Msg) {
    case WM_CLOSE:
        Close();
        message.Result = 0;
        return;
    case WM_ACTIVATE:
        if (LOWORD(message.WParam) != WA_INACTIVE) {
            if (Application) Application->SetActiveForm(this);
            HWND focus = GetFocus();
            bool focusInside = focus && focus != Handle() && IsChild(Handle(), focus);
            if (!focusInside && !HIWORD(message.WParam) && FocusActiveControl()) {
                message.Result = 0;
                return;
            }
        }
        break;
    case WM_SETFOCUS:
        // The focus given to a form inside another window (by that window,
        // on its activation) goes on to the control that had it.
        if (parentWindow_) {
            if (Application) Application->SetActiveForm(this);
            if (FocusActiveControl()) {
                message.Result = 0;
                return;
            }
        }
        break;
    case WM_SYSCOMMAND:
        // The main form has no task-bar entry of its own: minimised alone,
        // it could not be brought back from the task bar.
        if ((message.WParam & 0xFFF0) == SC_MINIMIZE && Application && Application->MainForm() == this) {
            Application->Minimize();
            message.Result = 0;
            return;
        }
        break;
    case WM_SIZE:
        if (message.WParam != SIZE_MINIMIZED) {
            clientWidth_ = LOWORD(message.LParam);
            clientHeight_ = HIWORD(message.LParam);
        }
        break;
    default:
        break;
    }
    TWinControl::WndProc(message);
}

// ---- TApplication ----

namespace {
const wchar_t kAppClass[] = L"TApplication";
}

TApplication::TApplication() : TComponent(nullptr) {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    title_ = ApplicationTitleFromPath(path);

    HINSTANCE instance = GetModuleHandleW(nullptr);
    icon_ = LoadIconW(instance, L"MAINICON");
    if (!icon_) icon_ = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));

    WNDCLASSW wc = {};
    wc.lpfnWndProc = AppWndProc;
    wc.hInstance = instance;
    wc.hIcon = icon_;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = kAppClass;
    RegisterClassW(&wc);
    int x = GetSystemMetrics(SM_CXSCREEN) / 2, y = GetSystemMetrics(SM_CYSCREEN) / 2;
    handle_ = CreateWindowExW(0, kAppClass, AnsiToWide(title_).c_str(),
                              WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX, x,
                              y, 0, 0, nullptr, nullptr, instance, this);
    if (!handle_) throw Exception("Cannot create the application window");
    SetWindowLongPtrW(handle_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

TApplication::~TApplication() {
    DestroyComponents();
    // Errors of the teardown, with no loop left to show them: at least the
    // debugger hears of them.
    for (const std::string& message : queuedErrors_) OutputDebugStringA(message.c_str());
    if (handle_) {
        SetWindowLongPtrW(handle_, GWLP_USERDATA, 0);
        DestroyWindow(handle_);
    }
    if (comInitialized_) CoUninitialize();
}

void TApplication::Initialize() {
    if (comInitialized_) return;
    HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    comInitialized_ = SUCCEEDED(hr);
}

void TApplication::SetTitle(const std::string& title) {
    title_ = title;
    SetWindowTextW(handle_, AnsiToWide(title).c_str());
}

void TApplication::FormDestroyed(TCustomForm* form) {
    if (mainForm_ == form) mainForm_ = nullptr;
    if (activeForm_ == form) activeForm_ = nullptr;
}

void TApplication::HookMainWindow(const TWindowHook& hook) { hooks_.push_back(hook); }

void TApplication::UnhookMainWindow(const TWindowHook& hook) {
    auto it = std::find(hooks_.begin(), hooks_.end(), hook);
    if (it != hooks_.end()) hooks_.erase(it);
}

LRESULT CALLBACK TApplication::AppWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* app = reinterpret_cast<TApplication*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!app) return DefWindowProcW(window, msg, wParam, lParam);
    TMessage message = {msg, wParam, lParam, 0};
    Boundary(app, [&] { app->WndProc(message); });
    return message.Result;
}

void TApplication::WndProc(TMessage& message) {
    // The application's own request, never offered to the hooks: one that
    // answered it (or raised, or a list that could not be copied) would
    // leave the errors queued with no request on its way.
    if (message.Msg == CM_SHOWERRORS) {
        showErrorsPosted_ = false;
        ShowQueuedErrors();
        return;
    }
    // The hooks see the message before the application; a copy, since a
    // hook may remove itself.
    std::vector<TWindowHook> hooks = hooks_;
    for (const TWindowHook& hook : hooks)
        if (hook(message)) return;
    switch (message.Msg) {
    case WM_CLOSE:
        if (mainForm_) mainForm_->Close();
        return;
    case WM_ACTIVATEAPP:
        if (message.WParam) PostMessageW(handle_, CM_ACTIVATE, 0, 0);
        message.Result = 0;
        return;
    case WM_SYSCOMMAND:
        // What the task-bar entry and the window menu ask of the application.
        switch (message.WParam & 0xFFF0) {
        case SC_MINIMIZE:
            Minimize();
            message.Result = 0;
            return;
        case SC_RESTORE:
            if (IsIconic(handle_)) {
                Restore();
                message.Result = 0;
                return;
            }
            break;
        default:
            break;
        }
        message.Result = DefWindowProcW(handle_, message.Msg, message.WParam, message.LParam);
        return;
    case WM_ACTIVATE:
        // The task bar activates the entry's window; the user means the
        // main form. Posted: no activation moves inside another's message.
        if (LOWORD(message.WParam) != WA_INACTIVE && !HIWORD(message.WParam))
            PostMessageW(handle_, CM_ACTIVATEMAINFORM, 0, 0);
        message.Result = DefWindowProcW(handle_, message.Msg, message.WParam, message.LParam);
        return;
    case CM_ACTIVATEMAINFORM:
        if (GetActiveWindow() == handle_) ActivateMainForm();
        return;
    default:
        message.Result = DefWindowProcW(handle_, message.Msg, message.WParam, message.LParam);
        return;
    }
}

bool TApplication::PreTranslateMessage(MSG& msg) {
    // The control under the message (or its nearest framework ancestor)
    // may take it first.
    HWND window = GetCapture() ? GetCapture() : msg.hwnd;
    TWinControl* control = nullptr;
    while (window && !(control = TWinControl::FindControl(window))) window = GetParent(window);
    bool taken = false;
    if (control) {
        QueueException(control, Attempt([&] {
            // A key goes first to the control that owns the window, as a
            // reflected message; a non-zero answer means it took the key.
            if (msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST && control->HandleAllocated())
                taken = SendMessageW(control->Handle(), CN_BASE + msg.message, msg.wParam, msg.lParam) != 0;
            if (!taken) taken = control->PreProcessMessage(msg);
        }));
    }
    return taken;
}

bool TApplication::ProcessMessage(MSG& msg) {
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
    if (msg.message == WM_QUIT) {
        terminated_ = true;
        return true;
    }
    if (!PreTranslateMessage(msg)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return true;
}

void TApplication::ProcessMessages() {
    MSG msg;
    while (ProcessMessage(msg)) {
    }
}

void TApplication::HandleMessage() {
    MSG msg;
    if (!ProcessMessage(msg)) WaitMessage();
}

void TApplication::Run() {
    if (mainForm_) {
        // The first showing creates the windows and activates the control
        // in place: its errors go to the error box like every other, once
        // the task-bar entry is there too.
        const std::exception_ptr failure = Attempt([&] { mainForm_->Show(); });
        STARTUP_MARK("shown");
        // The task-bar entry comes after the window the user waits for.
        ShowWindow(handle_, SW_SHOWNA);
        HandleException(mainForm_, failure);
    }
    while (!terminated_) HandleMessage();
}

void TApplication::Terminate() { PostQuitMessage(0); }

namespace {
BOOL CALLBACK CollectShownOwned(HWND window, LPARAM context) {
    auto* found = reinterpret_cast<std::pair<HWND, std::vector<HWND>*>*>(context);
    if (GetWindow(window, GW_OWNER) == found->first && IsWindowVisible(window)) found->second->push_back(window);
    return TRUE;
}
}  // namespace

void TApplication::Minimize() {
    if (!handle_ || IsIconic(handle_)) return;
    // Every shown window the application owns: the forms, a box over them.
    std::vector<HWND> shown;
    std::pair<HWND, std::vector<HWND>*> context(handle_, &shown);
    EnumThreadWindows(GetCurrentThreadId(), &CollectShownOwned, reinterpret_cast<LPARAM>(&context));
    for (HWND window : shown) ShowWindow(window, SW_HIDE);
    hiddenForms_.insert(hiddenForms_.end(), shown.begin(), shown.end());
    ShowWindow(handle_, SW_MINIMIZE);
}

void TApplication::Restore() {
    if (!handle_ || !IsIconic(handle_)) return;
    ShowWindow(handle_, SW_RESTORE);
    std::vector<HWND> hidden;
    hidden.swap(hiddenForms_);
    for (HWND window : hidden)
        if (IsWindow(window)) ShowWindow(window, SW_SHOWNA);
    ActivateMainForm();
}

void TApplication::ActivateMainForm() {
    if (!handle_ || IsIconic(handle_) || !mainForm_ || !mainForm_->HandleAllocated()) return;
    HWND target = mainForm_->Handle();
    // A modal box keeps the main form disabled: the box is what the user
    // gets back.
    if (!IsWindowEnabled(target)) target = GetLastActivePopup(target);
    if (target && target != handle_ && IsWindowVisible(target) && IsWindowEnabled(target))
        SetActiveWindow(target);
}

void TApplication::ShowException(const std::string& message) {
    HWND owner = GetActiveWindow();
    if (!owner) owner = handle_;
    MessageBoxW(owner, AnsiToWide(ErrorBoxText(message)).c_str(), AnsiToWide(title_).c_str(),
                MB_OK | MB_ICONSTOP);
}

void TApplication::HandleException(TObject*, const std::exception_ptr& error) {
    if (error) ShowException(ExceptionMessage(error));
}

bool TApplication::QueueError(const std::string& message) {
    // Once the loop has ended no box may open: the caller tells the
    // debugger instead.
    if (!handle_ || terminated_) return false;
    queuedErrors_.push_back(message);
    // One posted request shows everything queued until it is handled.
    if (!showErrorsPosted_) showErrorsPosted_ = PostMessageW(handle_, CM_SHOWERRORS, 0, 0) != FALSE;
    if (showErrorsPosted_) return true;
    queuedErrors_.pop_back();
    return false;
}

void TApplication::ResumeQueuedErrors() {
    if (queuedErrors_.empty() || showErrorsPosted_ || !handle_) return;
    showErrorsPosted_ = PostMessageW(handle_, CM_SHOWERRORS, 0, 0) != FALSE;
}

void TApplication::ShowQueuedErrors() {
    // Handled inside a call from outside (beyond the application window's
    // own): left for the end of that call.
    if (TOutsideCall::Depth() > 1) return;
    // One at a time, each off the queue before its box: an error queued
    // while a box is open joins the batch, and one that cannot be shown
    // (or comes after the loop has ended) goes to the debugger, not the
    // rest with it.
    while (!queuedErrors_.empty()) {
        const std::string message = std::move(queuedErrors_.front());
        queuedErrors_.erase(queuedErrors_.begin());
        if (terminated_ || Attempt([&] { ShowException(message); })) OutputDebugStringA(message.c_str());
    }
}

void FormsStartUp() {
    if (!Application) Application = new TApplication();
}

void FormsShutDown() {
    delete Application;
    Application = nullptr;
}

}  // namespace ui
