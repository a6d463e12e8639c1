// TEwbControl: what its defaults switch on (nothing) and how its internet
// feature set reaches the platform's entry points.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "browser/support/EwbControlComponent.h"
#include "browser/support/EwbFocusControl.h"
#include "browser/support/EwbLateBound.h"
#include "framework/Forms.h"

using namespace ewb;

namespace {

struct TCall {
    DWORD feature, flags;
    BOOL enable;
};
std::vector<TCall> g_calls;
HRESULT WINAPI RecordingSetFeature(DWORD feature, DWORD flags, BOOL enable) {
    g_calls.push_back({feature, flags, enable});
    return S_OK;
}
// Answers as a process whose switches 3 and 21 are on.
HRESULT WINAPI SomeFeaturesOn(DWORD feature, DWORD) { return feature == 3 || feature == 21 ? S_OK : S_FALSE; }

class InternetFeaturesTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved = LateBound;
        LateBound.SetFeatureEntry = reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&RecordingSetFeature));
        LateBound.IsFeatureEntry = reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&SomeFeaturesOn));
        g_calls.clear();
    }
    void TearDown() override { LateBound = saved; }
    TLateBoundState saved;
};

TEST_F(InternetFeaturesTest, ANonEmptySetSwitchesAll29InOrderAndAnEmptyOneNone) {
    TEwbControl control(nullptr);
    EXPECT_TRUE(control.InternetFeatures().Empty());
    EXPECT_TRUE(g_calls.empty());  // nothing at construction
    for (int round = 0; round < 2; ++round) {
        g_calls.clear();
        control.SetInternetFeatures({DisableNavigationSounds});
        ASSERT_EQ(g_calls.size(), 29u);
        int enabled = -1;
        for (DWORD i = 0; i < 29; ++i) {
            EXPECT_EQ(g_calls[i].feature, i);
            EXPECT_EQ(g_calls[i].flags, static_cast<DWORD>(SET_FEATURE_ON_PROCESS));
            if (g_calls[i].enable) enabled = static_cast<int>(i);
        }
        EXPECT_EQ(enabled, 21);
        EXPECT_EQ(g_calls[21].enable, static_cast<BOOL>(0xFFFFFFFF));
    }
    g_calls.clear();
    control.SetInternetFeatures({});
    EXPECT_TRUE(g_calls.empty());
}

TEST_F(InternetFeaturesTest, ReadingTakesExactlyTheSwitchesThatAnswerSOk) {
    TEwbControl control(nullptr);
    control.ReadInternetFeatures();
    EXPECT_EQ(control.InternetFeatures(), (TInternetFeatures{MimeSniffing, DisableNavigationSounds}));
    LateBound.IsFeatureEntry = reinterpret_cast<FARPROC>(1);  // looked up before and missing
    LateBound.UrlMonLibrary = nullptr;
    control.ReadInternetFeatures();  // through the platform's own entry now
    for (int i = 0; i < kInternetFeatureCount; ++i)
        EXPECT_EQ(control.InternetFeatures().Contains(static_cast<TInternetFeatureList>(i)),
                  IsInternetFeatureEnabled(i, GET_FEATURE_FROM_PROCESS) == S_OK);
}

TEST(EwbControl, WithItsDefaultsItSwitchesNothingOnTillActiveIsAssigned) {
    const int hooks = ui::Application->HookCount();
    {
        TEwbControl control(nullptr);
        EXPECT_TRUE(control.MouseWheelFix()->Active());
        EXPECT_TRUE(control.FocusControl()->Active());
        EXPECT_FALSE(control.MouseWheelFix()->ActiveFormOnly());
        EXPECT_EQ(control.MouseWheelFix()->HookObject, nullptr);
        EXPECT_EQ(SharedHook, nullptr);
        EXPECT_EQ(AppHookWindow, nullptr);
        EXPECT_EQ(ui::Application->HookCount(), hooks);

        control.MouseWheelFix()->SetActive(true);
        control.FocusControl()->SetActive(true);
        ASSERT_NE(SharedHook, nullptr);
        EXPECT_NE(SharedHook->HookHandle.Get(), nullptr);
        EXPECT_EQ(ui::Application->HookCount(), hooks + 1);
    }
    // Its destructor switches both off.
    EXPECT_EQ(SharedHook, nullptr);
    EXPECT_EQ(AppHookWindow, nullptr);
    EXPECT_EQ(ui::Application->HookCount(), hooks);

    // On a form being designed, Active only stores its value.
    ui::TComponent designer(nullptr);
    designer.SetDesigning(true);
    TEwbControl designed(&designer);
    EXPECT_TRUE(designed.Designing);
    designed.MouseWheelFix()->SetActive(false);
    designed.MouseWheelFix()->SetActive(true);
    designed.FocusControl()->SetActive(true);
    EXPECT_EQ(SharedHook, nullptr);
    EXPECT_EQ(ui::Application->HookCount(), hooks);
}

}  // namespace
