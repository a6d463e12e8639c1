// The browser component's example: a page in a form of the framework and
// in a plain window of the program's own, one message loop of the
// program's own for both. Closing the plain window ends the program.
#include <windows.h>

#include "PageWindows.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    try {
        // First, before any window: the component's modules. Last to go,
        // after the loop: it frees the forms the application owns, and
        // their browsers, before the modules that serve them.
        ewb::TBrowserStartUp browserStartUp;
        (new example::TPageForm(ui::Application))->Show();
        if (!example::CreatePageWindow(nullptr)) {
            ui::Application->ProcessMessages();  // shows why, in the error box
            return 1;
        }
        return example::RunMessageLoop();
    } catch (const std::exception& e) {
        MessageBoxA(nullptr, e.what(), "Browser example", MB_OK | MB_ICONERROR);
        return 1;
    }
}
