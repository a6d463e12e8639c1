#include "launcher/ProgramModules.h"

#include "browser/component/EmbeddedWB.h"

namespace launcher {

// The launcher has no module of its own: its modules are the browser
// component's.
std::vector<ui::TModuleInit> ProgramModules() { return ewb::BrowserModules(); }

}  // namespace launcher
