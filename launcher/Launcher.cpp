// The program's entry: module start-ups in dependency order, the main
// window, the message loop, then the shut-downs in reverse order.
#include <windows.h>

#include "framework/Forms.h"
#include "framework/Modules.h"
#include "framework/StartupMarks.h"
#include "launcher/ProgramModules.h"
#include "launcher/UnitMain.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    STARTUP_MARK("entry");
    // The launcher module has no start-up of its own: the program's modules
    // are those of the browser it hosts.
    ui::TModuleList modules(launcher::ProgramModules());
    try {
        modules.StartUp();
    } catch (const std::exception& e) {
        MessageBoxA(nullptr, e.what(), "Start-up failed", MB_OK | MB_ICONSTOP);
        return 1;
    }
    ui::Application->Initialize();
    STARTUP_MARK("COM initialised");
    ui::Application->CreateForm<launcher::TFormMain>();
    ui::Application->Run();
    // The windows go before the modules that serve them.
    ui::Application->DestroyComponents();
    modules.ShutDown();
    return 0;
}
