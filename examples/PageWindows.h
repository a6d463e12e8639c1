// The example's windows: one page, shown in a form of the framework and in
// a plain window of the program's own, with the same options and handlers.
// Main.cpp starts the component, opens one window of each kind and runs the
// program's message loop.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "browser/component/EmbeddedWB.h"
#include "framework/Forms.h"

namespace example {

// The page the example shows: an HTML resource of the program itself
// (page.rc), which the engine reads through its res: scheme.
std::wstring StartPage();

// What every page of the example does, in whichever window it lies: the
// browser's options and its event handlers. A component owned by its
// browser, so that the handlers live exactly as long as the browser does.
class TPage : public ui::TComponent {
public:
    // Makes a browser in `parent`, owned by `owner`, with the example's
    // options and handlers, and shows the start page in it. `closeWindow`
    // is what the page's window does when its script calls window.close().
    static ewb::TEmbeddedWB* Make(ui::TComponent* owner, ui::TWinControl* parent, std::function<void()> closeWindow);

private:
    TPage(ewb::TEmbeddedWB* browser, std::function<void()> closeWindow);
    // The top-level window the page lies in.
    HWND Window();

    void BeforeNavigate2(ui::TObject* Sender, IDispatch* pDisp, VARIANT& URL, VARIANT& Flags,
                         VARIANT& TargetFrameName, VARIANT& PostData, VARIANT& Headers, ewb::WordBool& Cancel);
    void NewWindow3(ui::TObject* Sender, IDispatch*& ppDisp, ewb::WordBool& Cancel, uint32_t dwFlags,
                    const std::wstring& bstrUrlContext, const std::wstring& bstrUrl);
    void GetExternal(ui::TObject* Sender, ui::ComPtr<IDispatch>& External);
    void WindowClosing(ui::TObject* Sender, ewb::WordBool IsChildWindow, ewb::WordBool& Cancel);

    ewb::TEmbeddedWB* browser_;
    std::function<void()> closeWindow_;
};

// A form of the framework with the page, its browser read from the form's
// definition as a designer would write it. Closing it hides it.
class TPageForm : public ui::TForm {
public:
    explicit TPageForm(ui::TComponent* owner);
    ewb::TEmbeddedWB* Browser = nullptr;

protected:
    void ReadDefinition() override;
};

// A plain window of the program's own with the page, its browser made in
// code; null when the window cannot be made. A window without an owner is
// the program's main window: when it goes, the message loop ends. Windows
// that the page opens (app:new-window) are owned by the page's window and
// go with it.
HWND CreatePageWindow(HWND owner);

// The program's message loop, for the plain windows and the forms alike;
// runs until WM_QUIT and answers its exit code.
int RunMessageLoop();

}  // namespace example
