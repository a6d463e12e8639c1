// The program's entry: module start-ups in dependency order, the main
// window, the message loop, then the shut-downs in reverse order.
#include <windows.h>

#include "browser/component/EmbeddedWB.h"
#include "browser/host/SHDocVw_EWB.h"
#include "browser/support/EwbLateBound.h"
#include "browser/support/EwbOle.h"
#include "framework/Forms.h"
#include "framework/Modules.h"
#include "launcher/UnitMain.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    ui::TModuleList modules({
        {"EwbLateBound", nullptr, &ewb::EwbLateBoundShutDown},
        {"Forms", &ui::FormsStartUp, &ui::FormsShutDown},
        {"SHDocVw_EWB", &ewb::SHDocVw_EWBStartUp, &ewb::SHDocVw_EWBShutDown},
        // OLE, not only COM: drag-and-drop registration needs it. Both run
        // before any window, so that the support's hooks are in force for
        // the whole run.
        {"EwbOle", &ewb::EwbOleStartUp, &ewb::EwbOleShutDown},
        {"EmbeddedWB", &ewb::EmbeddedWBStartUp, &ewb::EmbeddedWBShutDown},
    });
    try {
        modules.StartUp();
    } catch (const std::exception& e) {
        MessageBoxA(nullptr, e.what(), "Start-up failed", MB_OK | MB_ICONSTOP);
        return 1;
    }
    ui::Application->Initialize();
    ui::Application->CreateForm<launcher::TFormMain>();
    ui::Application->Run();
    // The windows go before the modules that serve them.
    ui::Application->DestroyComponents();
    modules.ShutDown();
    return 0;
}
