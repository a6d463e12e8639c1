#include <gtest/gtest.h>

#include <float.h>

#include "browser/support/EwbLateBound.h"
#include "support/WineTestSupport.h"

using namespace ewb;
using testsupport::TDialogWatcher;

namespace {
DWORD g_feature = 0, g_flags = 0;
BOOL g_enable = 0;
HRESULT WINAPI RecordingSetFeature(DWORD feature, DWORD flags, BOOL enable) {
    g_feature = feature;
    g_flags = flags;
    g_enable = enable;
    return S_OK;
}
}  // namespace

TEST(LateBound, AMissingResourceLibraryIsTriedAgainAndShowsNoBoxNorTouchesTheFpu) {
    TDialogWatcher watcher;
    const unsigned int saved = _control87(0, 0);
    _control87(_PC_24 | _RC_CHOP, _MCW_PC | _MCW_RC);  // a control word of our own
    const unsigned int ours = _control87(0, 0);
    EXPECT_EQ(LoadShdoclcLibrary(), nullptr);  // Wine has no SHDOCLC.DLL
    EXPECT_EQ(_control87(0, 0), ours);
    EXPECT_EQ(LoadShdoclcLibrary(), nullptr);
    EXPECT_EQ(LateBound.ShdoclcLibrary, nullptr);
    EXPECT_EQ(SafeLoadLibrary("no-such-library-here.dll"), nullptr);
    EXPECT_EQ(_control87(0, 0), ours);
    _control87(saved, _MCW_PC | _MCW_RC);
    Sleep(200);
    EXPECT_TRUE(watcher.Seen().empty());
}

TEST(LateBound, AMissingEntryIsMarkedAndLookedUpAgain) {
    FARPROC place = nullptr;
    EXPECT_FALSE(GetUrlMonEntry("NoSuchEntryPoint", place));
    EXPECT_EQ(reinterpret_cast<INT_PTR>(place), 1);
    EXPECT_TRUE(LoadUrlMonLibrary());

    // Marked missing before: the next call looks again and finds Wine's.
    LateBound.SetFeatureEntry = reinterpret_cast<FARPROC>(1);
    LateBound.IsFeatureEntry = reinterpret_cast<FARPROC>(1);
    const int kNavigationSounds = 21;
    EXPECT_EQ(SetInternetFeatureEnabled(kNavigationSounds, 2 /* SET_FEATURE_ON_PROCESS */, true), S_OK);
    EXPECT_GT(reinterpret_cast<INT_PTR>(LateBound.SetFeatureEntry), 1);
    EXPECT_EQ(IsInternetFeatureEnabled(kNavigationSounds, 2), S_OK);
    EXPECT_EQ(SetInternetFeatureEnabled(kNavigationSounds, 2, false), S_OK);
    EXPECT_EQ(IsInternetFeatureEnabled(kNavigationSounds, 2), S_FALSE);
}

TEST(LateBound, TrueIsPassedWithEveryBitSet) {
    FARPROC real = LateBound.SetFeatureEntry;
    LateBound.SetFeatureEntry = reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&RecordingSetFeature));
    EXPECT_EQ(SetInternetFeatureEnabled(300 & 0xFF, 2, true), S_OK);
    EXPECT_EQ(g_enable, static_cast<BOOL>(0xFFFFFFFF));
    EXPECT_EQ(g_feature, 44u);
    EXPECT_EQ(g_flags, 2u);
    SetInternetFeatureEnabled(1, 2, false);
    EXPECT_EQ(g_enable, FALSE);
    LateBound.SetFeatureEntry = real;
}

TEST(LateBound, HelpWithoutTheLibraryEntryAnswersNothing) {
    // Closing every help window is harmless when none is open.
    CallHtmlHelp(nullptr, nullptr, 0x12 /* HH_CLOSE_ALL */, 0);
    EXPECT_NE(LoadHtmlHelpLibrary(), nullptr);  // Wine ships hhctrl.ocx
    EwbLateBoundShutDown();
    EXPECT_EQ(LateBound.HtmlHelpLibrary, nullptr);
    EXPECT_EQ(LateBound.UrlMonLibrary, nullptr);
}

TEST(LateBound, HelpWindowsAreToldToCloseBeforeTheHelpLibraryIsFreed) {
    SetEnvironmentVariableA("HHCTRL_TEST_LOG", "");
    HMODULE help = LoadLibraryA(testsupport::WindowsPathOf(HHCTRL_TEST_DLL).c_str());
    ASSERT_TRUE(help);
    LateBound.HtmlHelpLibrary = help;  // as if loaded by the first help request
    EwbLateBoundShutDown();
    char log[512] = "";
    GetEnvironmentVariableA("HHCTRL_TEST_LOG", log, sizeof log);
    EXPECT_STREQ(log, "command 18;unloaded;");  // HH_CLOSE_ALL, then the library goes
    EXPECT_EQ(LateBound.HtmlHelpLibrary, nullptr);
}
