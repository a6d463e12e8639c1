// The browser component module's start-up and shut-down, as the program's
// entry runs them: after the OLE module, before any window of the program.
#include <gtest/gtest.h>

#include <float.h>
#include <ole2.h>

#include <vector>

#include "browser/component/EmbeddedWB.h"
#include "browser/support/EwbControlComponent.h"
#include "browser/support/EwbFocusControl.h"
#include "browser/support/EwbLateBound.h"
#include "framework/Forms.h"

using namespace ewb;

namespace {

int g_featureCalls = 0;
HRESULT WINAPI CountingSetFeature(DWORD, DWORD, BOOL) {
    ++g_featureCalls;
    return S_OK;
}
HRESULT WINAPI CountingIsFeature(DWORD, DWORD) {
    ++g_featureCalls;
    return S_OK;
}

// Watches the user's registry (where the proxy and the sound schemes live)
// for any change.
class TRegistryWatch {
public:
    TRegistryWatch() : event_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
        RegNotifyChangeKeyValue(HKEY_CURRENT_USER, TRUE, REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET,
                                event_, TRUE);
    }
    ~TRegistryWatch() { CloseHandle(event_); }
    bool Changed() const { return WaitForSingleObject(event_, 200) == WAIT_OBJECT_0; }

private:
    HANDLE event_;
};

unsigned ControlWord() { return _control87(0, 0); }

TEST(EmbeddedWBModule, StartUpSwitchesTheSupportOnAndTheShutDownPutsBackOnlyWhatItMust) {
    const TLateBoundState savedLateBound = LateBound;
    LateBound.SetFeatureEntry = reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&CountingSetFeature));
    LateBound.IsFeatureEntry = reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&CountingIsFeature));
    // As the program starts it: the test entry's start-up undone first.
    EmbeddedWBShutDown();
    const int hooks = ui::Application->HookCount();
    const unsigned word = ControlWord();
    ASSERT_EQ(ui::Application->MainForm(), nullptr);  // no window of the program yet

    EmbeddedWBStartUp();
    EXPECT_FALSE(OleInitialized);  // the OLE module had initialised it first
    ASSERT_NE(EwbControl, nullptr);
    EXPECT_EQ(ui::Application->HookCount(), hooks + 1);
    ASSERT_NE(SharedHook, nullptr);
    EXPECT_NE(SharedHook->HookHandle.Get(), nullptr);
    EXPECT_NE(AppHookWindow, nullptr);
    ASSERT_NE(BrowserClass, nullptr);
    EXPECT_TRUE(*BrowserClass == typeid(TEmbeddedWB));  // focus control serves the component's own class

#if defined(__i386__)
    // What 32-bit code computes with; in x86-64 code the runtime's word is
    // the SSE unit's, which the x87 word does not touch.
    _control87(_PC_24, _MCW_PC);  // as a library might leave it (precision is the x87 unit's alone)
    ASSERT_NE(ControlWord(), word);
#endif
    TRegistryWatch watch;
    EmbeddedWBShutDown();
    EXPECT_FALSE(watch.Changed());
    EXPECT_EQ(ControlWord(), word);
    EXPECT_EQ(EwbControl, nullptr);
    EXPECT_EQ(SharedHook, nullptr);
    EXPECT_EQ(AppHookWindow, nullptr);
    EXPECT_EQ(BrowserClass, nullptr);
    EXPECT_EQ(ui::Application->HookCount(), hooks);
    EXPECT_EQ(g_featureCalls, 0);
    // OLE is still there for the OLE module to end.
    EXPECT_EQ(OleInitialize(nullptr), S_FALSE);
    OleUninitialize();
    LateBound = savedLateBound;
    EmbeddedWBStartUp();  // for the test entry's shut-down
}

TEST(EmbeddedWBModule, OleThatTheStartUpInitialisedItselfItAlsoEnds) {
    EmbeddedWBShutDown();
    // As if no OLE module had run: the test entry initialised it twice, the
    // OLE module and the component's start-up, which found it initialised.
    OleUninitialize();
    OleUninitialize();
    EmbeddedWBStartUp();
    EXPECT_TRUE(OleInitialized);
    EmbeddedWBShutDown();
    EXPECT_EQ(OleInitialize(nullptr), S_OK);  // not initialised any more: a fresh start
    EmbeddedWBStartUp();
}

}  // namespace
