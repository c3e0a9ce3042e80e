// The idle watcher's time arithmetic and its states, with a fake clock, timer and library.
#include "idle/core/watcher.h"
#include "toolkit/core/errors.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace idle;

TEST(TimeLeft, EqualTicksLaterInputAndWrap)
{
    struct Case {
        uint32_t now, last, interval;
        int32_t left;
    };
    const std::vector<Case> cases = {
        {5000, 5000, 60, 60001},             // equal: one more than the interval
        {5000, 5010, 60, 60011},             // input stamped 10 ms after now
        {70000, 10000, 60, 0},               // exactly over
        {70001, 10000, 60, -1},
        {20000, 10000, 60, 50000},           // 10 s idle
        {5, 0xFFFFFFF0u, 60, 60000 - 20},    // wrapped: 21 elapsed, minus one
        {0, 0, 0, 1},
        {100, 0, 4294968u, static_cast<int32_t>(4294968000u - 100u)}, // the product wraps in 32 bits
    };
    for (const Case& c : cases)
        EXPECT_EQ(TimeLeft(c.now, c.last, c.interval), c.left) << c.now << " " << c.last << " " << c.interval;
}

class FakePlatform : public WatcherPlatform {
public:
    uint32_t now = 100000;
    snovid::TSharedActivity rec{};
    bool mapped = false;
    bool failLoad = false;
    bool timersAvailable = true;
    int timer = -1; // milliseconds of the running timer, -1 for none
    std::vector<std::string> events;

    uint32_t tickCount() override { return now; }
    void loadHooks(bool on) override
    {
        events.push_back(on ? "load" : "unload");
        if (on && failLoad)
            throw EDuvezodeError("Unable to load Snovid.dll");
        mapped = on;
    }
    snovid::TSharedActivity* record() override { return mapped ? &rec : nullptr; }
    uint32_t notifyWindow() override { return 0xABCD; }
    void killTimer() override { timer = -1; }
    bool setTimer(uint32_t ms) override
    {
        if (!timersAvailable)
            return false;
        timer = static_cast<int>(ms);
        return true;
    }
    void raiseSleep() override { events.push_back("sleep"); }
    void raiseAwake() override { events.push_back("awake"); }
};

struct Watcher {
    FakePlatform p;
    DuvezodeCore w{p};
    void watch()
    {
        w.setActive(true);
        w.setOnAwakeAssigned(true);
        w.setOnSleepAssigned(true);
    }
    // The timer fires after its time, with input at the given tick or none.
    void fire() { p.now += static_cast<uint32_t>(p.timer); w.timerMessage(); }
};

TEST(Watcher, StoredOrderStartsTheTimerOnlyWithOnSleep)
{
    Watcher t;
    EXPECT_EQ(t.w.state(), WatcherState::Inactive);
    t.w.setActive(true);
    EXPECT_EQ(t.w.state(), WatcherState::Hooked);
    EXPECT_EQ(t.p.rec.NotifyWnd, 0xABCDu);
    t.w.setOnAwakeAssigned(true);
    EXPECT_EQ(t.p.timer, -1) << "OnAwake alone started the timer";
    t.p.rec.LastTick = t.p.now;
    t.w.setOnSleepAssigned(true);
    EXPECT_EQ(t.w.state(), WatcherState::Watching);
    EXPECT_EQ(t.p.timer, 60001);
    t.w.setActive(true);
    EXPECT_EQ(t.p.events, std::vector<std::string>{"load"}) << "a second Active true loaded again";
}

TEST(Watcher, SleepsOnceAfterTheIntervalAndWakesOnEachMessage)
{
    Watcher t;
    t.p.rec.LastTick = t.p.now;
    t.watch();
    t.p.rec.NotifyWnd = 0x1234; // another process wrote its window since the hooks loaded
    t.fire();
    EXPECT_EQ(t.w.state(), WatcherState::Asleep);
    EXPECT_EQ(t.p.rec.Armed, 1);
    EXPECT_EQ(t.p.rec.NotifyWnd, 0xABCDu) << "armed for a window that is not this watcher's";
    EXPECT_EQ(t.p.timer, -1);
    EXPECT_EQ(t.p.events, (std::vector<std::string>{"load", "sleep"}));
    // The hooks disarm and post; a second process may post as well.
    t.p.rec.Armed = 0;
    t.p.rec.LastTick = t.p.now + 5;
    t.w.wakeMessage();
    t.w.wakeMessage();
    EXPECT_EQ(t.p.events, (std::vector<std::string>{"load", "sleep", "awake", "awake"}));
    EXPECT_EQ(t.w.state(), WatcherState::Watching);
    EXPECT_EQ(t.p.rec.Armed, 0);
}

TEST(Watcher, InputBeforeTheTimerSetsItAgainForTheRest)
{
    Watcher t;
    t.p.rec.LastTick = t.p.now;
    t.watch();
    t.p.rec.LastTick = t.p.now + 50001; // input 10 s before the timer fires
    t.fire();
    EXPECT_EQ(t.p.timer, 50000);
    EXPECT_EQ(t.w.state(), WatcherState::Watching);
    EXPECT_EQ(t.p.events, std::vector<std::string>{"load"});
    t.p.rec.LastTick = t.p.now + 50000 - 59999;
    t.fire();
    EXPECT_EQ(t.p.timer, 1) << "one millisecond left is not yet idle";
    t.fire();
    EXPECT_EQ(t.w.state(), WatcherState::Asleep) << "none left";
}

TEST(Watcher, IntervalZeroOrNoOnSleepNeverSleeps)
{
    Watcher t;
    t.watch();
    t.w.setInterval(0);
    EXPECT_EQ(t.p.timer, -1);
    EXPECT_EQ(t.w.state(), WatcherState::Hooked);
    t.w.setInterval(5);
    EXPECT_EQ(t.w.state(), WatcherState::Watching);
    t.w.setOnSleepAssigned(false);
    EXPECT_EQ(t.p.timer, -1);
    EXPECT_EQ(t.w.state(), WatcherState::Hooked);
}

TEST(Watcher, ShorterIntervalThanTheIdleTimeStartsAFullPeriod)
{
    Watcher t;
    t.p.rec.LastTick = t.p.now - 30000;
    t.watch();
    t.w.setInterval(10);
    EXPECT_EQ(t.p.timer, 10000);
    EXPECT_EQ(t.p.rec.LastTick, t.p.now);
    t.p.rec.LastTick = t.p.now - 5000;
    t.w.setInterval(5);
    EXPECT_EQ(t.p.timer, 5000) << "exactly nothing left";
}

TEST(Watcher, SettersWhileAsleepDisarmWithoutOnAwake)
{
    for (int setter = 0; setter < 3; ++setter) {
        Watcher t;
        t.p.rec.LastTick = t.p.now;
        t.watch();
        t.fire();
        ASSERT_EQ(t.w.state(), WatcherState::Asleep);
        if (setter == 0)
            t.w.setInterval(0);
        else if (setter == 1)
            t.w.setOnAwakeAssigned(true);
        else
            t.w.setOnSleepAssigned(true);
        EXPECT_EQ(t.p.rec.Armed, 0) << "setter " << setter;
        EXPECT_EQ(t.w.state(), setter == 0 ? WatcherState::Hooked : WatcherState::Watching) << "setter " << setter;
        EXPECT_EQ(t.p.events.back(), "sleep") << "setter " << setter;
    }
}

TEST(Watcher, InactiveWhileAsleepUnloadsAndDisarmsWithoutOnAwake)
{
    Watcher t;
    t.p.rec.LastTick = t.p.now;
    t.watch();
    t.fire();
    t.w.setActive(false);
    EXPECT_EQ(t.w.state(), WatcherState::Inactive);
    EXPECT_EQ(t.p.rec.Armed, 0) << "left armed for the processes still hooked";
    EXPECT_EQ(t.p.events, (std::vector<std::string>{"load", "sleep", "unload"}));
    EXPECT_EQ(t.p.timer, -1);
}

TEST(Watcher, FailedLoadKeepsActiveNeverTouchesTheRecordAndRaisesNothing)
{
    Watcher t;
    t.p.failLoad = true;
    EXPECT_THROW(t.w.setActive(true), EDuvezodeError);
    EXPECT_TRUE(t.w.Active());
    EXPECT_FALSE(t.w.hooked());
    t.w.setOnSleepAssigned(true);
    EXPECT_EQ(t.p.timer, -1);
    t.w.timerMessage();
    t.w.wakeMessage();
    EXPECT_EQ(t.p.events, std::vector<std::string>{"load"});
    EXPECT_EQ(t.w.state(), WatcherState::Inactive);
}

TEST(Watcher, NoTimerAvailableIsTheToolkitsError)
{
    Watcher t;
    t.p.timersAvailable = false;
    t.w.setActive(true);
    t.w.setOnAwakeAssigned(true);
    try {
        t.w.setOnSleepAssigned(true);
        FAIL() << "no error";
    } catch (const tk::EOutOfResources& e) {
        EXPECT_STREQ(e.what(), "Not enough timers available");
    }
    EXPECT_EQ(t.w.state(), WatcherState::Hooked);
}

} // namespace
