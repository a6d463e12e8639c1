#include "ExtCtrls.h"

namespace ui {

namespace {
constexpr UINT_PTR kTimerId = 1;
}

TTimer::SetTimerFn TTimer::PlatformSetTimer = &::SetTimer;
TTimer::KillTimerFn TTimer::PlatformKillTimer = &::KillTimer;

TTimer::TTimer(TComponent* owner) : TComponent(owner) {
    // WM_TIMER is all it receives.
    window_ = AllocateHWnd(TWndMethod::Of<&TTimer::WndProc>(this), TUtilWindowKind::MessageOnly);
}

TTimer::~TTimer() {
    enabled_ = false;
    UpdateTimer();
    DeallocateHWnd(window_);
}

void TTimer::SetEnabled(bool enabled) {
    if (enabled_ == enabled) return;
    enabled_ = enabled;
    UpdateTimer();
}

void TTimer::SetInterval(uint32_t interval) {
    if (interval_ == interval) return;
    interval_ = interval;
    UpdateTimer();
}

void TTimer::SetOnTimer(const TNotifyEvent& handler) {
    onTimer_ = handler;
    UpdateTimer();
}

void TTimer::UpdateTimer() {
    if (armed_) {
        PlatformKillTimer(window_, kTimerId);
        armed_ = false;
    }
    if (enabled_ && interval_ != 0 && onTimer_.Assigned()) {
        if (PlatformSetTimer(window_, kTimerId, interval_, nullptr) == 0)
            throw EOutOfResources("Not enough timers available");
        armed_ = true;
        armedPeriod_ = interval_;
    }
}

void TTimer::WndProc(TMessage& message) {
    if (message.Msg == WM_TIMER) {
        // The window procedure's boundary reports what the handler raises.
        if (onTimer_) onTimer_(this);
        return;
    }
    message.Result = DefWindowProcW(window_, message.Msg, message.WParam, message.LParam);
}

}  // namespace ui
