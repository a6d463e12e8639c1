// Test entry: the framework's modules start as in the program, the tests
// run, the modules shut down.
#include <gtest/gtest.h>
#include <ole2.h>

#include "browser/host/SHDocVw_EWB.h"
#include "browser/support/EwbLateBound.h"
#include "framework/Forms.h"
#include "framework/Modules.h"

namespace {
// OLE for the thread before anything else, as the program's own OLE module
// does (drag-and-drop registration needs it).
void OleStartUp() { OleInitialize(nullptr); }
void OleShutDown() { OleUninitialize(); }
}  // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    ui::TModuleList modules({
        {"EwbLateBound", nullptr, &ewb::EwbLateBoundShutDown},
        {"Ole", &OleStartUp, &OleShutDown},
        {"Forms", &ui::FormsStartUp, &ui::FormsShutDown},
        {"SHDocVw_EWB", &ewb::SHDocVw_EWBStartUp, &ewb::SHDocVw_EWBShutDown},
    });
    modules.StartUp();
    ui::Application->Initialize();
    int result = RUN_ALL_TESTS();
    ui::Application->DestroyComponents();
    modules.ShutDown();
    return result;
}
