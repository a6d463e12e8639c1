// The browser component module's start-up and shut-down: the process-wide
// support object, the floating-point control word, and putting back at the
// end what a browser changed for the whole process.
#include <ole2.h>

#include "browser/component/EmbeddedWB.h"
#include "browser/component/EwbPlatform.h"
#include "browser/support/EwbControlComponent.h"

namespace ewb {

namespace {

// GNU-only spot: the x87 control word itself; the runtime has no call that
// reads or loads the raw word.
uint16_t ReadFpuControlWord() {
    uint16_t word = 0;
    __asm__ __volatile__("fnstcw %0" : "=m"(word));
    return word;
}

void RestoreFpuControlWord(uint16_t word) {
    // Pending exceptions first: loading a word that unmasks one would raise it.
    __asm__ __volatile__("fnclex\n\tfldcw %0" : : "m"(word));
}

}  // namespace

void EmbeddedWBStartUp() {
    SavedFpuControlWord = ReadFpuControlWord();
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
    RestoreFpuControlWord(SavedFpuControlWord);
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

}  // namespace ewb
