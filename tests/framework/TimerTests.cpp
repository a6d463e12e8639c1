#include <gtest/gtest.h>

#include <vector>

#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "support/WineTestSupport.h"

using namespace ui;
using testsupport::PumpFor;
using testsupport::PumpUntil;

namespace {

// Records the platform timer calls and passes them on, or refuses them.
struct TPlatformLog {
    std::vector<UINT> setPeriods;
    HWND window = nullptr;
    int kills = 0;
    bool refuse = false;
};
TPlatformLog* g_platform = nullptr;

UINT_PTR WINAPI RecordingSetTimer(HWND window, UINT_PTR id, UINT period, TIMERPROC proc) {
    g_platform->setPeriods.push_back(period);
    g_platform->window = window;
    if (g_platform->refuse) return 0;
    return ::SetTimer(window, id, period, proc);
}

BOOL WINAPI RecordingKillTimer(HWND window, UINT_PTR id) {
    ++g_platform->kills;
    return ::KillTimer(window, id);
}

class TimerTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_platform = &log;
        TTimer::PlatformSetTimer = &RecordingSetTimer;
        TTimer::PlatformKillTimer = &RecordingKillTimer;
    }
    void TearDown() override {
        TTimer::PlatformSetTimer = &::SetTimer;
        TTimer::PlatformKillTimer = &::KillTimer;
        g_platform = nullptr;
    }
    void Tick(TObject*) { ++ticks; }
    TNotifyEvent Handler() { return TNotifyEvent::Of<&TimerTest::Tick>(this); }

    TPlatformLog log;
    int ticks = 0;
};

}  // namespace

TEST_F(TimerTest, NewTimerIsEnabledWithOneSecondAndArmsWhenAHandlerIsBound) {
    TTimer timer(nullptr);
    EXPECT_TRUE(timer.Enabled());
    EXPECT_EQ(timer.Interval(), 1000u);
    EXPECT_FALSE(timer.Armed());
    EXPECT_TRUE(log.setPeriods.empty());

    timer.SetOnTimer(Handler());
    EXPECT_TRUE(timer.Armed());
    EXPECT_EQ(log.setPeriods, std::vector<UINT>{1000});
    // Its window is message-only: no desktop window to make, no broadcasts.
    EXPECT_EQ(FindWindowExW(HWND_MESSAGE, nullptr, L"TPUtilWindow", nullptr), log.window);
}

TEST_F(TimerTest, OnlyARealChangeReArms) {
    TTimer timer(nullptr);
    timer.SetOnTimer(Handler());
    log.setPeriods.clear();
    log.kills = 0;

    timer.SetInterval(1000);  // same value: the count goes on
    timer.SetEnabled(true);
    EXPECT_TRUE(log.setPeriods.empty());
    EXPECT_EQ(log.kills, 0);

    timer.SetInterval(250);
    EXPECT_EQ(log.kills, 1);
    EXPECT_EQ(log.setPeriods, std::vector<UINT>{250});

    // Binding the handler re-arms even when it is the same handler.
    timer.SetOnTimer(Handler());
    EXPECT_EQ(log.kills, 2);
    EXPECT_EQ(log.setPeriods, (std::vector<UINT>{250, 250}));
}

TEST_F(TimerTest, DisarmedByDisablingByZeroIntervalOrByUnbinding) {
    TTimer timer(nullptr);
    timer.SetOnTimer(Handler());
    timer.SetEnabled(false);
    EXPECT_FALSE(timer.Armed());
    timer.SetEnabled(true);
    EXPECT_TRUE(timer.Armed());
    timer.SetInterval(0);
    EXPECT_FALSE(timer.Armed());
    timer.SetInterval(30);
    EXPECT_TRUE(timer.Armed());
    timer.SetOnTimer(TNotifyEvent());
    EXPECT_FALSE(timer.Armed());

    PumpFor(200);
    EXPECT_EQ(ticks, 0);
}

TEST_F(TimerTest, NegativeSecondsWrapToTheUnsignedPeriod) {
    TTimer timer(nullptr);
    timer.SetOnTimer(Handler());
    int32_t time = -5;
    timer.SetInterval(static_cast<uint32_t>(time) * 1000u);
    EXPECT_EQ(timer.ArmedPeriod(), 4294962296u);
    EXPECT_EQ(log.setPeriods.back(), 4294962296u);

    time = 4294968;  // 4294968000 ms wraps to 704 ms
    timer.SetInterval(static_cast<uint32_t>(time) * 1000u);
    EXPECT_EQ(log.setPeriods.back(), 704u);
}

TEST_F(TimerTest, ARefusedPlatformTimerRaisesNotEnoughTimers) {
    TTimer timer(nullptr);
    log.refuse = true;
    try {
        timer.SetOnTimer(Handler());
        FAIL() << "no error raised";
    } catch (const EOutOfResources& e) {
        EXPECT_EQ(e.Message(), "Not enough timers available");
    }
    EXPECT_FALSE(timer.Armed());
}

TEST_F(TimerTest, TicksArriveThroughTheMessageLoopUntilDisarmed) {
    TTimer timer(nullptr);
    timer.SetInterval(40);
    timer.SetOnTimer(Handler());
    ASSERT_TRUE(PumpUntil([&] { return ticks >= 3; }, 10000));
    timer.SetEnabled(false);
    int seen = ticks;
    PumpFor(300);
    EXPECT_EQ(ticks, seen);
}

TEST_F(TimerTest, ReArmingRestartsTheCount) {
    // A 1000 ms timer re-armed every 100 ms never gets to tick; one whose
    // interval is set to its own value every 100 ms does.
    TTimer restarted(nullptr);
    int restartedTicks = 0;
    struct TCount {
        int* n;
        void Tick(TObject*) { ++*n; }
    } count{&restartedTicks};
    restarted.SetInterval(1000);
    restarted.SetOnTimer(TNotifyEvent::Of<&TCount::Tick>(&count));

    TTimer kept(nullptr);
    kept.SetInterval(1000);
    kept.SetOnTimer(Handler());

    for (int i = 0; i < 20; ++i) {
        PumpFor(100);
        restarted.SetInterval(i % 2 ? 1000 : 1001);
        kept.SetInterval(1000);
    }
    EXPECT_EQ(restartedTicks, 0);
    EXPECT_GE(ticks, 1);
}

TEST_F(TimerTest, DestroyingTheTimerDisarmsIt) {
    auto* timer = new TTimer(nullptr);
    timer->SetInterval(30);
    timer->SetOnTimer(Handler());
    log.kills = 0;
    delete timer;
    EXPECT_EQ(log.kills, 1);
    PumpFor(200);
    EXPECT_EQ(ticks, 0);
}
