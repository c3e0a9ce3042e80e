// The idle watcher's rules (see watcher.h).
#include "idle/core/watcher.h"

#include "toolkit/core/errors.h"

namespace idle {

int32_t TimeLeft(uint32_t now, uint32_t lastTick, uint32_t interval)
{
    const uint32_t elapsed = now > lastTick ? now - lastTick : now - lastTick - 1u;
    return static_cast<int32_t>(interval * 1000u - elapsed);
}

void DuvezodeCore::setActive(bool on)
{
    if (on == active_)
        return;
    // An armed record outlives this process's view in the processes still hooked: disarm it
    // first, so no wake follows a sleep that has been called off.
    if (!on && p_.record())
        snovid::storeArmed(*p_.record(), 0);
    active_ = on;
    SetHooked(on);
    UpdateTimer();
}

void DuvezodeCore::setInterval(uint32_t seconds)
{
    if (seconds == interval_)
        return;
    interval_ = seconds;
    UpdateTimer();
}

void DuvezodeCore::setOnSleepAssigned(bool assigned)
{
    onSleep_ = assigned;
    UpdateTimer();
}

void DuvezodeCore::setOnAwakeAssigned(bool assigned)
{
    onAwake_ = assigned;
    UpdateTimer();
}

WatcherState DuvezodeCore::state() const
{
    if (!hooked_)
        return WatcherState::Inactive;
    if (timer_)
        return WatcherState::Watching;
    return asleep_ ? WatcherState::Asleep : WatcherState::Hooked;
}

void DuvezodeCore::SetHooked(bool on)
{
    if (on == hooked_)
        return;
    p_.loadHooks(on);
    if (on && p_.record())
        snovid::storeNotifyWnd(*p_.record(), p_.notifyWindow());
    hooked_ = on;
}

int32_t DuvezodeCore::TimeLeft()
{
    return idle::TimeLeft(p_.tickCount(), snovid::loadLastTick(*p_.record()), interval_);
}

void DuvezodeCore::UpdateTimer()
{
    p_.killTimer();
    timer_ = false;
    asleep_ = false;
    // Without the record (the library failed to load) there is nothing to watch.
    snovid::TSharedActivity* record = p_.record();
    if (!record)
        return;
    // Every restart disarms, also one that leaves no timer running: an armed record without a
    // sleep would raise OnAwake for nothing at the next input.
    snovid::storeArmed(*record, 0);
    if (interval_ == 0 || !active_ || !onSleep_)
        return;
    int32_t left = TimeLeft();
    if (left <= 0) {
        snovid::storeLastTick(*record, p_.tickCount());
        left = static_cast<int32_t>(interval_ * 1000u);
    }
    if (!p_.setTimer(static_cast<uint32_t>(left)))
        throw tk::EOutOfResources("Not enough timers available");
    timer_ = true;
}

void DuvezodeCore::DoSleep()
{
    if (onSleep_)
        p_.raiseSleep();
    asleep_ = true;
    if (snovid::TSharedActivity* record = p_.record()) {
        // Another process may have written its own window here since the hooks loaded (a
        // second copy that has ended since): the wake must reach this watcher.
        snovid::storeNotifyWnd(*record, p_.notifyWindow());
        snovid::storeArmed(*record, 1);
    }
}

void DuvezodeCore::DoAwake()
{
    asleep_ = false;
    if (snovid::TSharedActivity* record = p_.record())
        snovid::storeArmed(*record, 0);
    if (onAwake_)
        p_.raiseAwake();
}

void DuvezodeCore::timerMessage()
{
    if (!p_.record()) {
        p_.killTimer();
        timer_ = false;
        return;
    }
    if (TimeLeft() > 0) {
        UpdateTimer();
        return;
    }
    p_.killTimer();
    timer_ = false;
    DoSleep();
}

void DuvezodeCore::wakeMessage()
{
    DoAwake();
    UpdateTimer();
}

} // namespace idle
