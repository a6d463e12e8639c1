// Test entry: the framework's modules start as in the program, the tests
// run, the modules shut down.
#include <gtest/gtest.h>

#include "browser/host/SHDocVw_EWB.h"
#include "framework/Forms.h"
#include "framework/Modules.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    vcl::TModuleList modules({
        {"Forms", &vcl::FormsStartUp, &vcl::FormsShutDown},
        {"SHDocVw_EWB", &ewb::SHDocVw_EWBStartUp, &ewb::SHDocVw_EWBShutDown},
    });
    modules.StartUp();
    vcl::Application->Initialize();
    int result = RUN_ALL_TESTS();
    vcl::Application->DestroyComponents();
    modules.ShutDown();
    return result;
}
