// The program's entry: module start-ups in dependency order, the main
// window, the message loop, then the shut-downs in reverse order.
#include <windows.h>

#include "browser/host/SHDocVw_EWB.h"
#include "browser/support/EwbLateBound.h"
#include "framework/Forms.h"
#include "framework/Modules.h"
#include "launcher/UnitMain.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    vcl::TModuleList modules({
        {"EwbLateBound", nullptr, &ewb::EwbLateBoundShutDown},
        {"Forms", &vcl::FormsStartUp, &vcl::FormsShutDown},
        {"SHDocVw_EWB", &ewb::SHDocVw_EWBStartUp, &ewb::SHDocVw_EWBShutDown},
    });
    try {
        modules.StartUp();
    } catch (const std::exception& e) {
        MessageBoxA(nullptr, e.what(), "Start-up failed", MB_OK | MB_ICONSTOP);
        return 1;
    }
    vcl::Application->Initialize();
    vcl::Application->CreateForm<launcher::TFormMain>();
    vcl::Application->Run();
    // The windows go before the modules that serve them.
    vcl::Application->DestroyComponents();
    modules.ShutDown();
    return 0;
}
