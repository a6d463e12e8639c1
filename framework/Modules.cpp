#include "Modules.h"

#include "StartupMarks.h"

namespace ui {

void TModuleList::StartUp() {
    try {
        for (; started_ < modules_.size(); ++started_) {
            if (modules_[started_].StartUp) modules_[started_].StartUp();
            STARTUP_MARK(modules_[started_].Name);
        }
    } catch (...) {
        ShutDown();
        throw;
    }
}

void TModuleList::ShutDown() {
    while (started_ > 0) {
        --started_;
        if (modules_[started_].ShutDown) modules_[started_].ShutDown();
    }
}

}  // namespace ui
