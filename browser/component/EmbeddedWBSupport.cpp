// The browser component module's start-up and shut-down: the process-wide
// support object, the floating-point control word, and putting back at the
// end what a browser changed for the whole process.
#include <ole2.h>

#include "browser/component/EmbeddedWB.h"
#include "browser/component/EwbPlatform.h"
#include "browser/host/SHDocVw_EWB.h"
#include "browser/support/EwbControlComponent.h"
#include "browser/support/EwbLateBound.h"
#include "browser/support/EwbOle.h"
#include "framework/Forms.h"

namespace ewb {

void EmbeddedWBStartUp() {
    SavedFpuControlWord = GetFpuControlWord();
    ProxyApplied = false;
    NavigationSoundDisabled = false;
    OleInitialized = OleInitialize(nullptr) == S_OK;
    EwbControl = new TEwbControl(nullptr);
    EwbControl->FocusControl()->SetActive(true);
    EwbControl->MouseWheelFix()->SetActive(true);
}

void EmbeddedWBShutDown() {
    if (ProxyApplied) ResetProxy();
    if (NavigationSoundDisabled) SetNavigationSoundKey(false);
    SetFpuControlWord(SavedFpuControlWord);
    if (OleInitialized) {
        try {
            OleUninitialize();
        } catch (...) {
        }
        OleInitialized = false;
    }
    delete EwbControl;  // removes the mouse hook and the application hook
    EwbControl = nullptr;
}

std::vector<ui::TModuleInit> EmbeddedWBProgramModules() {
    return {
        {"EwbLateBound", nullptr, &EwbLateBoundShutDown},
        {"Forms", &ui::FormsStartUp, &ui::FormsShutDown},
        // OLE, not only COM: drag-and-drop registration needs it. Both run
        // before any window, so that the support's hooks are in force for
        // the whole run.
        {"EwbOle", &EwbOleStartUp, &EwbOleShutDown},
        {"EmbeddedWB", &EmbeddedWBStartUp, &EmbeddedWBShutDown},
    };
}

}  // namespace ewb
