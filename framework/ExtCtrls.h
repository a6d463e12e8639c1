// The timer component.
#pragma once

#include <windows.h>

#include "Controls.h"

namespace ui {

// Armed exactly when Enabled, Interval is not 0 and OnTimer is bound; a
// change re-arms (so the count restarts), setting the same value does not.
class TTimer : public TComponent {
public:
    explicit TTimer(TComponent* owner);
    ~TTimer() override;
    const char* ClassName() const override { return "TTimer"; }

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    uint32_t Interval() const { return interval_; }
    void SetInterval(uint32_t interval);
    const TNotifyEvent& OnTimer() const { return onTimer_; }
    void SetOnTimer(const TNotifyEvent& handler);

    bool Armed() const { return armed_; }
    // The period handed to the platform at the last arming.
    uint32_t ArmedPeriod() const { return armedPeriod_; }

    // The platform timer calls, replaceable so that a test can watch them
    // or refuse a timer.
    using SetTimerFn = UINT_PTR(WINAPI*)(HWND, UINT_PTR, UINT, TIMERPROC);
    using KillTimerFn = BOOL(WINAPI*)(HWND, UINT_PTR);
    static SetTimerFn PlatformSetTimer;
    static KillTimerFn PlatformKillTimer;

private:
    void UpdateTimer();
    void WndProc(TMessage& message);

    bool enabled_ = true;
    uint32_t interval_ = 1000;
    TNotifyEvent onTimer_;
    HWND window_ = nullptr;
    bool armed_ = false;
    uint32_t armedPeriod_ = 0;
};

}  // namespace ui
