// The idle watcher's rules: the time left of an idle period, its timer and its sleep and wake
// transitions over the shared record, with the clock, the timer and the hooks pushed in.
#pragma once

#include "common/error.h"
#include "idle/snovid_common.h"

#include <cstdint>

namespace idle {

class EDuvezodeError : public slovo::Error {
public:
    using slovo::Error::Error;
};

// Milliseconds left until the idle period is over. When lastTick is not older than now (it was
// stamped during the computation, or the counter wrapped) one millisecond less is counted as
// elapsed, so fresh input never reads as idleness. interval * 1000 wraps in 32 bits.
int32_t TimeLeft(uint32_t now, uint32_t lastTick, uint32_t interval);

// What the watcher needs of the platform.
class WatcherPlatform {
public:
    virtual uint32_t tickCount() = 0;
    // Loads or unloads the library and its record; throws EDuvezodeError.
    virtual void loadHooks(bool on) = 0;
    // This process's view of the record, or nullptr while it is not mapped.
    virtual snovid::TSharedActivity* record() = 0;
    // The hidden window's handle, as the 32 bits the record holds.
    virtual uint32_t notifyWindow() = 0;
    virtual void killTimer() = 0;
    // False when no timer is available.
    virtual bool setTimer(uint32_t milliseconds) = 0;
    virtual void raiseSleep() = 0;
    virtual void raiseAwake() = 0;

protected:
    ~WatcherPlatform() = default;
};

enum class WatcherState { Inactive, Hooked, Watching, Asleep };

class DuvezodeCore {
public:
    explicit DuvezodeCore(WatcherPlatform& platform) : p_(platform) {}

    bool Active() const { return active_; }
    void setActive(bool on);
    uint32_t Interval() const { return interval_; }
    void setInterval(uint32_t seconds);
    // The shell stores the handlers; the rules only need to know whether one is assigned.
    void setOnSleepAssigned(bool assigned);
    void setOnAwakeAssigned(bool assigned);

    bool hooked() const { return hooked_; }
    WatcherState state() const;

    void SetHooked(bool on);
    int32_t TimeLeft();
    void UpdateTimer();
    void DoSleep();
    void DoAwake();
    // The hidden window's two messages.
    void timerMessage();
    void wakeMessage();

private:
    WatcherPlatform& p_;
    bool active_ = false;
    uint32_t interval_ = 60;
    bool onSleep_ = false, onAwake_ = false;
    bool hooked_ = false;
    bool timer_ = false;
    bool asleep_ = false;
};

} // namespace idle
