#include "launcher/ProgramModules.h"

#include "browser/component/EmbeddedWB.h"
#include "browser/support/EwbLateBound.h"
#include "browser/support/EwbOle.h"
#include "framework/Forms.h"

namespace launcher {

std::vector<ui::TModuleInit> ProgramModules() {
    return {
        {"EwbLateBound", nullptr, &ewb::EwbLateBoundShutDown},
        {"Forms", &ui::FormsStartUp, &ui::FormsShutDown},
        // OLE, not only COM: drag-and-drop registration needs it. Both run
        // before any window, so that the support's hooks are in force for
        // the whole run.
        {"EwbOle", &ewb::EwbOleStartUp, &ewb::EwbOleShutDown},
        {"EmbeddedWB", &ewb::EmbeddedWBStartUp, &ewb::EmbeddedWBShutDown},
    };
}

}  // namespace launcher
