// The browser component module's start-up and shut-down: the process-wide
// support object, the floating-point control word, and putting back at the
// end what a browser changed for the whole process.
#include <ole2.h>

#include "browser/component/EmbeddedWB.h"
#include "browser/component/EwbPlatform.h"
#include "browser/support/EwbControlComponent.h"
#include "browser/support/EwbLateBound.h"
#include "browser/support/EwbOle.h"
#include "framework/Boundary.h"

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

bool BrowserStarted() { return EwbControl != nullptr; }

std::vector<ui::TModuleInit> BrowserModules() {
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

namespace {
bool startUpAlive = false;
}  // namespace

TBrowserStartUp::TBrowserStartUp() : modules_(BrowserModules()) {
    // A second one would shut the first one's modules down under it.
    if (startUpAlive || BrowserStarted())
        throw ui::Exception("The browser component is started already: one TBrowserStartUp per program");
    modules_.StartUp();
    startUpAlive = true;
    ui::Application->Initialize();
}

TBrowserStartUp::~TBrowserStartUp() {
    // The application's windows, browsers among them, go before the
    // modules that serve them.
    if (ui::Application) ui::Attempt([] { ui::Application->DestroyComponents(); });
    modules_.ShutDown();
    startUpAlive = false;
}

}  // namespace ewb
