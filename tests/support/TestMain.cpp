// Test entry: the modules start as in the program, the tests run, the
// modules shut down. OLE comes from the program's own OLE module; the
// browser component's module is left to the tests that examine it, so that
// its process-wide hooks are not in force where they are not wanted.
#include <gtest/gtest.h>

#include "browser/host/SHDocVw_EWB.h"
#include "browser/support/EwbLateBound.h"
#include "browser/support/EwbOle.h"
#include "framework/Forms.h"
#include "framework/Modules.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    ui::TModuleList modules({
        {"EwbLateBound", nullptr, &ewb::EwbLateBoundShutDown},
        {"Forms", &ui::FormsStartUp, &ui::FormsShutDown},
        {"EwbOle", &ewb::EwbOleStartUp, &ewb::EwbOleShutDown},
    });
    modules.StartUp();
    ui::Application->Initialize();
    int result = RUN_ALL_TESTS();
    ui::Application->DestroyComponents();
    modules.ShutDown();
    return result;
}
