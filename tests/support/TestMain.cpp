// Test entry: the modules start as in the program, the tests run, the
// modules shut down. The browser support's process-wide hooks (focus
// control, mouse-wheel routing) are switched off again at once, so that
// they are in force only where a test switches them on.
#include <gtest/gtest.h>

#include "browser/component/EmbeddedWB.h"
#include "browser/support/EwbControlComponent.h"
#include "framework/Forms.h"
#include "framework/Modules.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    ui::TModuleList modules(ewb::BrowserModules());
    modules.StartUp();
    ewb::EwbControl->FocusControl()->SetActive(false);
    ewb::EwbControl->MouseWheelFix()->SetActive(false);
    ui::Application->Initialize();
    int result = RUN_ALL_TESTS();
    ui::Application->DestroyComponents();
    modules.ShutDown();
    return result;
}
