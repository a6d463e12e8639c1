#include "Modules.h"

namespace ui {

void TModuleList::StartUp() {
    try {
        for (; started_ < modules_.size(); ++started_)
            if (modules_[started_].StartUp) modules_[started_].StartUp();
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
