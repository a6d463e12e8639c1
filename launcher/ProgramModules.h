// The program's modules, in dependency order: the late-bound libraries, the
// framework, OLE, then the browser component. The
// entry starts them before any window and shuts them down in reverse after
// its windows are gone.
#pragma once

#include <vector>

#include "framework/Modules.h"

namespace launcher {

std::vector<ui::TModuleInit> ProgramModules();

}  // namespace launcher
