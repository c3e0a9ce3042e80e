// The clock pane.
#include "toolkit/status_clock.h"

#include "toolkit/core/clock_format.h"

namespace tk {

namespace {
constexpr UINT_PTR kClockTimer = 2;
}

StatusClock::StatusClock(Control* parent, std::string name, const Bounds& bounds, int id)
    : StatusPane(parent, std::move(name), bounds, id)
{
    tick();
}

void StatusClock::tick()
{
    SYSTEMTIME t;
    GetLocalTime(&t);
    setText(clockText(t.wHour, t.wMinute, t.wSecond));
    // Wake just after the next second begins, so the shown second never lags.
    SetTimer(handle(), kClockTimer, 1000 - t.wMilliseconds + 5, nullptr);
}

LRESULT StatusClock::handleMessage(UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_TIMER && wp == kClockTimer) {
        tick();
        return 0;
    }
    return StatusPane::handleMessage(msg, wp, lp);
}

} // namespace tk
