#include "Modules.h"

#include "Owners.h"
#include "StartupMarks.h"

namespace ui {

void TModuleList::StartUp() {
    // A start-up that fails leaves the modules started before it shut down.
    bool complete = false;
    TScopeExit undo([&] {
        if (!complete) ShutDown();
    });
    for (; started_ < modules_.size(); ++started_) {
        if (modules_[started_].StartUp) modules_[started_].StartUp();
        STARTUP_MARK(modules_[started_].Name);
    }
    complete = true;
}

void TModuleList::ShutDown() {
    while (started_ > 0) {
        --started_;
        if (modules_[started_].ShutDown) modules_[started_].ShutDown();
    }
}

}  // namespace ui
