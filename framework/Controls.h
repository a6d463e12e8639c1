// Windowed controls: parent and children, alignment, tab order, visibility,
// focus and a replaceable window procedure.
#pragma once

#include <windows.h>

#include <exception>
#include <string>
#include <vector>

#include "Classes.h"
#include "Owners.h"
#include "Sets.h"

namespace ui {

struct TMessage {
    UINT Msg;
    WPARAM WParam;
    LPARAM LParam;
    LRESULT Result;
};

using TWndMethod = TMethod<void(TMessage& Message)>;

// The framework's own messages: notifications between controls (CM_) and
// window messages reflected to the control that owns the window (CN_).
constexpr UINT CM_BASE = 0xB000;
constexpr UINT CM_DIALOGCHAR = CM_BASE + 6;
constexpr UINT CM_VISIBLECHANGED = CM_BASE + 11;
constexpr UINT CM_DOCWINDOWACTIVATE = CM_BASE + 43;
constexpr UINT CN_BASE = 0xBC00;
constexpr UINT CN_KEYDOWN = CN_BASE + WM_KEYDOWN;
constexpr UINT CN_KEYUP = CN_BASE + WM_KEYUP;
constexpr UINT CN_SYSKEYDOWN = CN_BASE + WM_SYSKEYDOWN;
constexpr UINT CN_SYSKEYUP = CN_BASE + WM_SYSKEYUP;
constexpr UINT CN_CHAR = CN_BASE + WM_CHAR;

enum TShiftStateItem { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = TSet<TShiftStateItem, 7>;
enum TMouseButton { mbLeft, mbRight, mbMiddle };
using TMouseEvent = TMethod<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;

// The shift state of a key message: Shift and Ctrl from the keyboard's
// current state, Alt from the context bit (29) of the key data.
TShiftState KeyDataToShiftState(LPARAM keyData);

using TColor = int32_t;
// System colours are the colour index with the high bit set.
constexpr TColor clBtnFace = static_cast<TColor>(0x80000000u | COLOR_BTNFACE);
constexpr TColor clWindow = static_cast<TColor>(0x80000000u | COLOR_WINDOW);
constexpr TColor clWindowText = static_cast<TColor>(0x80000000u | COLOR_WINDOWTEXT);
COLORREF ColorToRGB(TColor color);

enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };

class TFont : public TPersistent {
public:
    TFont();
    ~TFont() override;
    TFont(const TFont&) = delete;
    TFont& operator=(const TFont&) = delete;
    const char* ClassName() const override { return "TFont"; }

    int Height() const { return height_; }
    void SetHeight(int height);
    const std::wstring& Name() const { return name_; }
    void SetName(const std::wstring& name);
    BYTE Charset() const { return charset_; }
    void SetCharset(BYTE charset);
    TColor Color() const { return color_; }
    void SetColor(TColor color);
    unsigned Style() const { return style_; }
    void SetStyle(unsigned style);

    void Assign(const TPersistent& source) override;
    HFONT Handle();  // made on demand, owned by the font

    TNotifyEvent OnChange;

private:
    void Changed();

    int height_ = -11;
    std::wstring name_ = L"MS Sans Serif";
    BYTE charset_ = DEFAULT_CHARSET;
    TColor color_ = clWindowText;
    unsigned style_ = 0;
    HFONT handle_ = nullptr;
};

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum TAnchorKind : unsigned { akLeft = 1, akTop = 2, akRight = 4, akBottom = 8 };
using TAnchors = unsigned;
enum TDragMode { dmManual, dmAutomatic };
using TCursor = int;
constexpr TCursor crDrag = -12;

using TDragDropEvent = TMethod<void(TObject* Sender, TObject* Source, int X, int Y)>;
using TDragOverEvent = TMethod<void(TObject* Sender, TObject* Source, int X, int Y, bool& Accept)>;
using TEndDragEvent = TMethod<void(TObject* Sender, TObject* Target, int X, int Y)>;
using TStartDragEvent = TMethod<void(TObject* Sender, TObject*& DragObject)>;

struct TCreateParams {
    std::wstring Caption;
    DWORD Style = 0;
    DWORD ExStyle = 0;
    int X = 0, Y = 0, Width = 0, Height = 0;
    HWND WndParent = nullptr;
    std::wstring WinClassName;      // the class registered for this control
    const wchar_t* BaseClass = nullptr;  // a system class it is built on, if any
    UINT ClassStyle = CS_DBLCLKS;
    HICON Icon = nullptr;
};

class TCustomForm;
class TPopupMenu;

class TWinControl : public TComponent {
public:
    explicit TWinControl(TComponent* owner);
    ~TWinControl() override;
    const char* ClassName() const override { return "TWinControl"; }

    TWinControl* Parent() const { return parent_; }
    virtual void SetParent(TWinControl* parent);
    int ControlCount() const { return static_cast<int>(controls_.size()); }
    TWinControl* Controls(int index) const { return controls_[static_cast<size_t>(index)]; }

    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    void SetBounds(int left, int top, int width, int height);
    // The client area in the control's own coordinates.
    virtual RECT ClientRect() const;

    TAlign Align() const { return align_; }
    void SetAlign(TAlign align);

    // Position among the parent's children in tab order; -1 when setting
    // means "next free".
    int TabOrder() const;
    void SetTabOrder(int order);
    bool TabStop() const { return tabStop_; }
    void SetTabStop(bool tabStop) { tabStop_ = tabStop; }

    bool Visible() const { return visible_; }
    virtual void SetVisible(bool visible);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    // Visible and enabled, and so is every parent.
    virtual bool CanFocus() const;
    // Raises an error when the control cannot take the focus.
    virtual void SetFocus();
    bool Focused() const;

    const std::wstring& Caption() const { return caption_; }
    void SetCaption(const std::wstring& caption);

    TFont& Font() { return font_; }
    bool ParentFont() const { return parentFont_; }
    void SetParentFont(bool parentFont);
    // The font the control shows: its parent's while it follows the parent.
    TFont& EffectiveFont();
    TColor Color() const { return color_; }
    void SetColor(TColor color);

    HWND Handle();
    bool HandleAllocated() const { return handle_ != nullptr; }
    void HandleNeeded();

    // The form this control lies on, or null.
    TCustomForm* GetParentForm();

    // Sends a message to the control's message entry point, window or not,
    // and answers its result.
    LRESULT Perform(UINT msg, WPARAM wParam, LPARAM lParam);

    // The message entry point; a control or component may save it and put
    // its own in its place, calling the saved one for what it does not take.
    TWndMethod WindowProc;
    virtual void WndProc(TMessage& message);
    // The window class's own processing of a message.
    void DefaultHandler(TMessage& message);

    // A chance to take a queued message before it is translated and
    // dispatched (keyboard accelerators of embedded controls); true means
    // taken.
    virtual bool PreProcessMessage(MSG& msg);

    // Finds the framework control that owns a window of this process, or
    // null.
    static TWinControl* FindControl(HWND window);

    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;

    // Ordinary control properties that a definition may carry; nothing in
    // the framework acts on them yet beyond keeping them.
    TAnchors Anchors = akLeft | akTop;
    TCursor DragCursor = crDrag;
    TDragMode DragMode = dmManual;
    bool ParentShowHint = true;
    bool ShowHint = false;
    TPopupMenu* PopupMenu = nullptr;  // not owned
    TDragDropEvent OnDragDrop;
    TDragOverEvent OnDragOver;
    TEndDragEvent OnEndDrag;
    TStartDragEvent OnStartDrag;

protected:
    virtual void CreateParams(TCreateParams& params);
    virtual void CreateWnd();
    virtual void DestroyWnd();
    // Creates the window, then what follows its creation (children of a
    // showing control, the font).
    virtual void CreateHandle();
    void DestroyHandle();
    // Creates the windows of every child, as when a parent is shown.
    void CreateChildHandles();
    void PlaceInZOrder();
    virtual void AlignControls();
    // Moves the control's window to the stored bounds; an embedded control
    // that positions its own window replaces it.
    virtual void ApplyBounds();
    // Makes a window made elsewhere (an embedded control's) the control's
    // own: its messages come through WindowProc, the window's own procedure
    // serving as the default handler. ReleaseAdoptedWindow hands it back.
    void AdoptWindow(HWND window);
    HWND ReleaseAdoptedWindow();
    // Records the visibility without touching the window, for a control
    // that shows its window its own way (a form, activated).
    void StoreVisible(bool visible) { visible_ = visible; }
    void Realign();
    void UpdateBoundsFromWindow();
    virtual void DoEnter();
    virtual void DoExit();

    int left_ = 0, top_ = 0, width_ = 0, height_ = 0;

private:
    friend LRESULT CALLBACK StdWndProc(HWND, UINT, WPARAM, LPARAM);
    friend LRESULT CALLBACK InitWndProc(HWND, UINT, WPARAM, LPARAM);
    void InsertControl(TWinControl* child);
    void RemoveControl(TWinControl* child);
    // Tells the forms above that this control leaves them.
    void LeaveForm();
    void FontChanged(TObject* sender);
    void ApplyFont();
    void AdoptedWindowMessage(TMessage& message);

    TWinControl* parent_ = nullptr;
    std::vector<TWinControl*> controls_;  // creation order
    std::vector<TWinControl*> tabList_;   // tab order
    TAlign align_ = alNone;
    bool tabStop_ = true;
    bool visible_ = true;
    bool enabled_ = true;
    bool parentFont_ = true;
    bool aligning_ = false;
    std::wstring caption_;
    TFont font_;
    TColor color_ = clWindow;
    HWND handle_ = nullptr;
    WNDPROC defWndProc_ = nullptr;
    TWindowSubclass adopted_;  // a window made elsewhere, while adopted
};

// The whole text of a window.
std::wstring WindowText(HWND window);

// A hidden window whose messages go to a method, for components that need
// a window of their own. A message-only window (the timer's) is the
// cheaper kind: the system makes no desktop window for it and sends it no
// broadcasts. A menu's owner must be an ordinary one.
enum class TUtilWindowKind { Ordinary, MessageOnly };
HWND AllocateHWnd(const TWndMethod& method, TUtilWindowKind kind = TUtilWindowKind::Ordinary);
void DeallocateHWnd(HWND window);

}  // namespace ui

namespace ui {
// Shows the error in the application's error box now; inside a call from
// outside, or once the loop has ended, queues it as the boundary does
// (Boundary.h); nothing for none. Never throws.
void ApplicationHandleException(TObject* sender, const std::exception_ptr& error) noexcept;
}  // namespace ui
