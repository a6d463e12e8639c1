// The browser component module's start-up and shut-down: the process-wide
// support object, the floating-point control word, and putting back at the
// end what a browser changed for the whole process.
#include <ole2.h>

#include "browser/component/EmbeddedWB.h"
#include "browser/component/EwbPlatform.h"
#include "browser/support/EwbControlComponent.h"

namespace ewb {

void EmbeddedWBStartUp() {
    SavedFpuControlWord = GetFpuControlWord();
    ProxyApplied = false;
    NavigationSoundDisabled = false;
    OleInitialized = OleInitialize(nullptr) == S_OK;
    BrowserClass = &typeid(TEmbeddedWB);  // the class focus control serves
    EwbControl = new TEwbControl(nullptr);
    EwbControl->FocusControl()->SetActive(true);
    EwbControl->MouseWheelFix()->SetActive(true);
}

void EmbeddedWBShutDown() {
    if (ProxyApplied) ResetProxy();
    if (NavigationSoundDisabled) SetNavigationSoundKey(false);
    SetFpuControlWord(SavedFpuControlWord);
    if (OleInitialized) {
        OleUninitialize();
        OleInitialized = false;
    }
    delete EwbControl;  // removes the mouse hook and the application hook
    EwbControl = nullptr;
    BrowserClass = nullptr;
}

}  // namespace ewb
