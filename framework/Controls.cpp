#include "Controls.h"

#include <algorithm>
#include <map>

#include "Boundary.h"
#include "Forms.h"
#include "Owners.h"

namespace ui {

namespace {

const wchar_t kControlProp[] = L"ui.TWinControl";
thread_local TWinControl* g_creatingControl = nullptr;

// The window procedure of the system class each registered class is built
// on, by registered class name.
std::map<std::wstring, WNDPROC>& BaseProcs() {
    static std::map<std::wstring, WNDPROC> procs;
    return procs;
}

WNDPROC RegisterControlClass(const TCreateParams& params, WNDPROC initProc) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    auto found = BaseProcs().find(params.WinClassName);
    if (found != BaseProcs().end()) return found->second;

    WNDCLASSW wc = {};
    WNDPROC baseProc = DefWindowProcW;
    if (params.BaseClass) {
        if (!GetClassInfoW(nullptr, params.BaseClass, &wc))
            throw Exception("Cannot find window class " + WideToAnsi(params.BaseClass));
        baseProc = wc.lpfnWndProc;
    } else {
        wc.style = params.ClassStyle;
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.hIcon = params.Icon;
    }
    wc.lpfnWndProc = initProc;
    wc.hInstance = instance;
    wc.lpszClassName = params.WinClassName.c_str();
    if (!RegisterClassW(&wc))
        throw Exception("Cannot register window class " + WideToAnsi(params.WinClassName));
    BaseProcs()[params.WinClassName] = baseProc;
    return baseProc;
}

}  // namespace

LRESULT CALLBACK StdWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* control = static_cast<TWinControl*>(GetPropW(window, kControlProp));
    if (!control) return DefWindowProcW(window, msg, wParam, lParam);
    TMessage message = {msg, wParam, lParam, 0};
    Boundary(control, [&] {
        if (control->WindowProc)
            control->WindowProc(message);
        else
            control->WndProc(message);
    });
    if (msg == WM_NCDESTROY) {
        RemovePropW(window, kControlProp);
        if (control->handle_ == window) control->handle_ = nullptr;
    }
    return message.Result;
}

LRESULT CALLBACK InitWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    TWinControl* control = g_creatingControl;
    if (!control) return DefWindowProcW(window, msg, wParam, lParam);
    g_creatingControl = nullptr;
    control->handle_ = window;
    SetPropW(window, kControlProp, control);
    SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&StdWndProc));
    return StdWndProc(window, msg, wParam, lParam);
}

COLORREF ColorToRGB(TColor color) {
    if (color < 0) return GetSysColor(color & 0xFF);
    return static_cast<COLORREF>(color);
}

// ---- TFont ----

TFont::TFont() = default;

TFont::~TFont() {
    if (handle_) DeleteObject(handle_);
}

void TFont::SetHeight(int height) {
    if (height_ != height) { height_ = height; Changed(); }
}
void TFont::SetName(const std::wstring& name) {
    if (name_ != name) { name_ = name; Changed(); }
}
void TFont::SetCharset(BYTE charset) {
    if (charset_ != charset) { charset_ = charset; Changed(); }
}
void TFont::SetColor(TColor color) {
    if (color_ != color) { color_ = color; Changed(); }
}
void TFont::SetStyle(unsigned style) {
    if (style_ != style) { style_ = style; Changed(); }
}

void TFont::Assign(const TPersistent& source) {
    const auto* other = dynamic_cast<const TFont*>(&source);
    if (!other) {
        TPersistent::Assign(source);
        return;
    }
    height_ = other->height_;
    name_ = other->name_;
    charset_ = other->charset_;
    color_ = other->color_;
    style_ = other->style_;
    Changed();
}

HFONT TFont::Handle() {
    if (!handle_) {
        LOGFONTW lf = {};
        lf.lfHeight = height_;
        lf.lfWeight = (style_ & fsBold) ? FW_BOLD : FW_NORMAL;
        lf.lfItalic = (style_ & fsItalic) ? TRUE : FALSE;
        lf.lfUnderline = (style_ & fsUnderline) ? TRUE : FALSE;
        lf.lfStrikeOut = (style_ & fsStrikeOut) ? TRUE : FALSE;
        lf.lfCharSet = charset_;
        lstrcpynW(lf.lfFaceName, name_.c_str(), LF_FACESIZE);
        handle_ = CreateFontIndirectW(&lf);
    }
    return handle_;
}

void TFont::Changed() {
    if (handle_) {
        DeleteObject(handle_);
        handle_ = nullptr;
    }
    if (OnChange) OnChange(this);
}

// ---- TWinControl ----

TWinControl::TWinControl(TComponent* owner) : TComponent(owner) {
    WindowProc = TWndMethod::Of<&TWinControl::WndProc>(this);
    font_.OnChange = TNotifyEvent::Of<&TWinControl::FontChanged>(this);
}

TWinControl::~TWinControl() {
    // Children go before this window so that each takes its own window down
    // while its parent window still exists.
    while (!controls_.empty()) delete controls_.back();
    if (handle_) DestroyHandle();
    if (parent_) {
        LeaveForm();
        parent_->RemoveControl(this);
    }
}

void TWinControl::LeaveForm() {
    // A form being destroyed is no longer a form here, and needs no news.
    for (TWinControl* p = parent_; p; p = p->parent_)
        if (auto* form = dynamic_cast<TCustomForm*>(p)) form->ControlRemoved(this);
}

void TWinControl::InsertControl(TWinControl* child) {
    controls_.push_back(child);
    tabList_.push_back(child);
}

void TWinControl::RemoveControl(TWinControl* child) {
    controls_.erase(std::remove(controls_.begin(), controls_.end(), child), controls_.end());
    tabList_.erase(std::remove(tabList_.begin(), tabList_.end(), child), tabList_.end());
}

void TWinControl::SetParent(TWinControl* parent) {
    if (parent_ == parent) return;
    if (parent == this) throw Exception("A control cannot be its own parent");
    // The window is made anew under the new parent, as every control's
    // window is; what a control keeps in its window it saves on the way.
    bool hadWindow = handle_ != nullptr;
    if (hadWindow) DestroyHandle();
    if (parent_) {
        LeaveForm();
        parent_->RemoveControl(this);
    }
    parent_ = parent;
    if (parent_) parent_->InsertControl(this);
    if (parent_) parent_->Realign();
    if (hadWindow && parent_ && parent_->HandleAllocated()) HandleNeeded();
}

RECT TWinControl::ClientRect() const {
    RECT r = {0, 0, width_, height_};
    if (handle_) GetClientRect(handle_, &r);
    return r;
}

void TWinControl::SetBounds(int left, int top, int width, int height) {
    // Bounds that do not change cost nothing: re-applying them would move
    // every aligned child again (and the browser control's windows with
    // them) for no visible change. A move leaves the client area alone.
    const bool sized = width != width_ || height != height_;
    if (!sized && left == left_ && top == top_) return;
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    if (handle_) ApplyBounds();
    if (parent_ && !aligning_) parent_->Realign();
    if (sized) Realign();
}

void TWinControl::ApplyBounds() {
    SetWindowPos(handle_, nullptr, left_, top_, width_, height_, SWP_NOZORDER | SWP_NOACTIVATE);
}

// Through a subclass of its own, which gives the window back only while
// ours is still its procedure: what was installed over ours meanwhile keeps
// calling ours, which then passes on until the window is destroyed.
void TWinControl::AdoptWindow(HWND window) {
    adopted_.Install(window, TWndMethod::Of<&TWinControl::AdoptedWindowMessage>(this));
    handle_ = window;
    SetPropW(window, kControlProp, this);
    defWndProc_ = adopted_.Previous();
}

HWND TWinControl::ReleaseAdoptedWindow() {
    HWND window = handle_;
    if (!window) return nullptr;
    UpdateBoundsFromWindow();
    adopted_.Restore();
    if (IsWindow(window)) RemovePropW(window, kControlProp);
    handle_ = nullptr;
    return window;
}

// The subclass stub's call is the boundary here, as StdWndProc is for the
// framework's own windows.
void TWinControl::AdoptedWindowMessage(TMessage& message) {
    TScopeExit last([&] {
        if (message.Msg != WM_NCDESTROY) return;
        RemovePropW(adopted_.Window(), kControlProp);
        handle_ = nullptr;
        adopted_.Restore();
    });
    if (WindowProc)
        WindowProc(message);
    else
        WndProc(message);
}

void TWinControl::SetAlign(TAlign align) {
    if (align_ == align) return;
    align_ = align;
    if (parent_) parent_->Realign();
}

int TWinControl::TabOrder() const {
    if (!parent_) return -1;
    const auto& list = parent_->tabList_;
    auto it = std::find(list.begin(), list.end(), this);
    return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

void TWinControl::SetTabOrder(int order) {
    if (!parent_) return;
    auto& list = parent_->tabList_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    if (order < 0 || order > static_cast<int>(list.size())) order = static_cast<int>(list.size());
    list.insert(list.begin() + order, this);
}

void TWinControl::SetVisible(bool visible) {
    if (visible_ == visible) return;
    visible_ = visible;
    if (handle_) ShowWindow(handle_, visible ? SW_SHOWNA : SW_HIDE);
    if (parent_) parent_->Realign();
    Perform(CM_VISIBLECHANGED, visible ? 1 : 0, 0);
}

LRESULT TWinControl::Perform(UINT msg, WPARAM wParam, LPARAM lParam) {
    TMessage message = {msg, wParam, lParam, 0};
    if (WindowProc)
        WindowProc(message);
    else
        WndProc(message);
    return message.Result;
}

void TWinControl::SetEnabled(bool enabled) {
    if (enabled_ == enabled) return;
    enabled_ = enabled;
    if (handle_) EnableWindow(handle_, enabled ? TRUE : FALSE);
}

bool TWinControl::CanFocus() const {
    for (const TWinControl* c = this; c; c = c->parent_)
        if (!c->visible_ || !c->enabled_) return false;
    return true;
}

void TWinControl::SetFocus() {
    if (!CanFocus()) throw Exception("Cannot focus a disabled or invisible window");
    ::SetFocus(Handle());
}

bool TWinControl::Focused() const { return handle_ && GetFocus() == handle_; }

void TWinControl::SetCaption(const std::wstring& caption) {
    caption_ = caption;
    if (handle_) SetWindowTextW(handle_, caption.c_str());
}

void TWinControl::SetParentFont(bool parentFont) {
    parentFont_ = parentFont;
    ApplyFont();
}

TFont& TWinControl::EffectiveFont() {
    if (parentFont_ && parent_) return parent_->EffectiveFont();
    return font_;
}

void TWinControl::FontChanged(TObject*) {
    parentFont_ = false;  // a font of its own stops following the parent's
    ApplyFont();
}

void TWinControl::ApplyFont() {
    if (handle_) SendMessageW(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(EffectiveFont().Handle()), TRUE);
    for (TWinControl* child : controls_)
        if (child->parentFont_) child->ApplyFont();
}

void TWinControl::SetColor(TColor color) {
    color_ = color;
    if (handle_) InvalidateRect(handle_, nullptr, TRUE);
}

HWND TWinControl::Handle() {
    HandleNeeded();
    return handle_;
}

void TWinControl::HandleNeeded() {
    if (handle_) return;
    if (parent_) parent_->HandleNeeded();
    CreateHandle();
}

TCustomForm* TWinControl::GetParentForm() {
    TWinControl* c = this;
    while (c->parent_) c = c->parent_;
    return dynamic_cast<TCustomForm*>(c);
}

bool TWinControl::PreProcessMessage(MSG&) { return false; }

TWinControl* TWinControl::FindControl(HWND window) {
    if (!window) return nullptr;
    // The property has the same name in every program built with this
    // framework; in another process's window its value is that process's
    // address.
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != GetCurrentProcessId()) return nullptr;
    return static_cast<TWinControl*>(GetPropW(window, kControlProp));
}

void TWinControl::CreateParams(TCreateParams& params) {
    params.Caption = caption_;
    params.Style = WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    if (parent_) params.Style |= WS_CHILD;
    if (visible_ && parent_) params.Style |= WS_VISIBLE;
    if (!enabled_) params.Style |= WS_DISABLED;
    if (tabStop_) params.Style |= WS_TABSTOP;
    params.X = left_;
    params.Y = top_;
    params.Width = width_;
    params.Height = height_;
    params.WndParent = parent_ ? parent_->handle_ : nullptr;
    params.WinClassName = AnsiToWide(ClassName());
}

void TWinControl::CreateWnd() {
    TCreateParams params;
    CreateParams(params);
    defWndProc_ = RegisterControlClass(params, &InitWndProc);
    g_creatingControl = this;
    HWND window = CreateWindowExW(params.ExStyle, params.WinClassName.c_str(), params.Caption.c_str(),
                                  params.Style, params.X, params.Y, params.Width, params.Height,
                                  params.WndParent, nullptr, GetModuleHandleW(nullptr), nullptr);
    g_creatingControl = nullptr;
    if (!window) throw Exception("Error creating window: " + SysErrorMessage(GetLastError()));
    handle_ = window;
}

void TWinControl::CreateHandle() {
    if (handle_) return;
    CreateWnd();
    PlaceInZOrder();
    SendMessageW(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(EffectiveFont().Handle()), FALSE);
    UpdateBoundsFromWindow();
    Realign();
}

void TWinControl::PlaceInZOrder() {
    // Later children lie above earlier ones, whatever order their windows
    // were made in: this one goes just below the next later sibling that
    // has a window, or on top.
    if (!parent_ || !(GetWindowLongW(handle_, GWL_STYLE) & WS_CHILD)) return;
    const auto& siblings = parent_->controls_;
    auto it = std::find(siblings.begin(), siblings.end(), this);
    HWND above = HWND_TOP;
    for (++it; it != siblings.end(); ++it)
        if ((*it)->handle_) {
            above = (*it)->handle_;
            break;
        }
    SetWindowPos(handle_, above, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TWinControl::CreateChildHandles() {
    for (TWinControl* child : controls_) {
        child->HandleNeeded();
        child->CreateChildHandles();
    }
}

void TWinControl::DestroyWnd() {
    if (!handle_) return;
    // The text lives in the window; keep it for the next one. Keeping it
    // allocates, and this runs in destructors: a failure loses the text,
    // never the window's end.
    Attempt([&] { caption_ = WindowText(handle_); });
    DestroyWindow(handle_);
}

void TWinControl::DestroyHandle() {
    if (!handle_) return;
    UpdateBoundsFromWindow();
    DestroyWnd();
    handle_ = nullptr;
}

void TWinControl::UpdateBoundsFromWindow() {
    if (!handle_) return;
    RECT r;
    GetWindowRect(handle_, &r);
    HWND parentWindow = GetParent(handle_);
    if (parentWindow && (GetWindowLongW(handle_, GWL_STYLE) & WS_CHILD))
        MapWindowPoints(HWND_DESKTOP, parentWindow, reinterpret_cast<POINT*>(&r), 2);
    left_ = r.left;
    top_ = r.top;
    width_ = r.right - r.left;
    height_ = r.bottom - r.top;
}

void TWinControl::AlignControls() {
    RECT client = ClientRect();
    for (TWinControl* child : controls_) {
        if (!child->visible_ || child->align_ == alNone) continue;
        int l = client.left, t = client.top;
        int w = client.right - client.left, h = client.bottom - client.top;
        switch (child->align_) {
        case alTop: h = child->height_; client.top += h; break;
        case alBottom: h = child->height_; t = client.bottom - h; client.bottom -= h; break;
        case alLeft: w = child->width_; client.left += w; break;
        case alRight: w = child->width_; l = client.right - w; client.right -= w; break;
        default: break;
        }
        child->aligning_ = true;
        child->SetBounds(l, t, w, h);
        child->aligning_ = false;
    }
}

void TWinControl::Realign() {
    if (aligning_ || controls_.empty()) return;
    aligning_ = true;
    TScopeExit done([this] { aligning_ = false; });
    AlignControls();
}

void TWinControl::DoEnter() {
    if (OnEnter) OnEnter(this);
}

void TWinControl::DoExit() {
    if (OnExit) OnExit(this);
}

void TWinControl::WndProc(TMessage& message) {
    switch (message.Msg) {
    case WM_SIZE:
    case WM_MOVE:
        DefaultHandler(message);
        UpdateBoundsFromWindow();
        if (message.Msg == WM_SIZE) Realign();
        return;
    case WM_SETFOCUS:
        if (TCustomForm* form = GetParentForm(); form && form != this) form->FocusChanged(this);
        DefaultHandler(message);
        DoEnter();
        return;
    case WM_KILLFOCUS:
        DefaultHandler(message);
        DoExit();
        return;
    case WM_ERASEBKGND:
        if (defWndProc_ == DefWindowProcW) {
            RECT r;
            GetClientRect(handle_, &r);
            HBRUSH brush = CreateSolidBrush(ColorToRGB(color_));
            FillRect(reinterpret_cast<HDC>(message.WParam), &r, brush);
            DeleteObject(brush);
            message.Result = 1;
            return;
        }
        break;
    default:
        // The framework's own messages mean nothing to a window procedure.
        if (message.Msg >= CM_BASE && message.Msg < CN_BASE + 0x400) {
            message.Result = 0;
            return;
        }
        break;
    }
    DefaultHandler(message);
}

void TWinControl::DefaultHandler(TMessage& message) {
    HWND window = handle_;
    if (!window) return;
    message.Result = CallWindowProcW(defWndProc_ ? defWndProc_ : DefWindowProcW, window, message.Msg,
                                     message.WParam, message.LParam);
}

TShiftState KeyDataToShiftState(LPARAM keyData) {
    TShiftState shift;
    if (GetKeyState(VK_SHIFT) < 0) shift.Include(ssShift);
    if (GetKeyState(VK_CONTROL) < 0) shift.Include(ssCtrl);
    if (keyData & 0x20000000) shift.Include(ssAlt);
    return shift;
}

std::wstring WindowText(HWND window) {
    int length = GetWindowTextLengthW(window);
    if (length <= 0) return std::wstring();
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    int copied = GetWindowTextW(window, &text[0], length + 1);
    text.resize(static_cast<size_t>(copied < length ? copied : length));
    return text;
}

// ---- utility windows ----

namespace {

const wchar_t kUtilClass[] = L"TPUtilWindow";

LRESULT CALLBACK UtilWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* method = reinterpret_cast<TWndMethod*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!method || !*method) return DefWindowProcW(window, msg, wParam, lParam);
    TMessage message = {msg, wParam, lParam, 0};
    Boundary(nullptr, [&] { (*method)(message); });
    return message.Result;
}

}  // namespace

HWND AllocateHWnd(const TWndMethod& method, TUtilWindowKind kind) {
    static bool registered = false;
    HINSTANCE instance = GetModuleHandleW(nullptr);
    if (!registered) {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = UtilWndProc;
        wc.hInstance = instance;
        wc.lpszClassName = kUtilClass;
        if (!RegisterClassW(&wc)) throw Exception("Cannot register the utility window class");
        registered = true;
    }
    HWND parent = kind == TUtilWindowKind::MessageOnly ? HWND_MESSAGE : nullptr;
    HWND window = CreateWindowExW(WS_EX_TOOLWINDOW, kUtilClass, L"", WS_POPUP, 0, 0, 0, 0, parent,
                                  nullptr, instance, nullptr);
    if (!window) throw Exception("Cannot create a utility window");
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(new TWndMethod(method)));
    return window;
}

void DeallocateHWnd(HWND window) {
    if (!window) return;
    auto* method = reinterpret_cast<TWndMethod*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    DestroyWindow(window);
    delete method;
}

}  // namespace ui
