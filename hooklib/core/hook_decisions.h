// What the hook procedures decide on each input event, over the shared record: platform-free, so
// tests drive it through a recording platform and the library binds it to the real calls.
#pragma once

#include "idle/snovid_common.h"

#include <cstdint>

namespace snovid {

inline constexpr uint32_t kMouseMove = 0x200;

struct Point {
    int32_t x = 0, y = 0;
};

// Per process: the record's view (nullptr when the mapping failed at attach), the remembered
// mouse point and the wake message number.
struct ProcessState {
    TSharedActivity* record = nullptr;
    Point lastMousePoint;
    uint32_t wakeMessage = 0;
};

// Platform: uint32_t tick(); void post(uint32_t window, uint32_t message, uintptr_t wp, intptr_t lp);
// intptr_t callNext(int code, uintptr_t wp, intptr_t lp). Each call is constant time.
template <class Platform>
intptr_t keyboardEvent(ProcessState& s, Platform& p, int code, uintptr_t wp, intptr_t lp)
{
    if (code < 0)
        return p.callNext(code, wp, lp);
    // A process whose mapping failed has nothing to stamp.
    if (!s.record)
        return 0;
    TSharedActivity& r = *s.record;
    if (loadArmed(r) != 0) {
        storeArmed(r, 0);
        p.post(loadNotifyWnd(r), s.wakeMessage, wp, lp);
    }
    storeLastTick(r, p.tick());
    return 0;
}

// point is the event's cursor point (the first member of MOUSEHOOKSTRUCT); it is read only
// when the record is armed.
template <class Platform>
intptr_t mouseEvent(ProcessState& s, Platform& p, int code, uintptr_t wp, intptr_t lp, const Point* point)
{
    if (code < 0)
        return p.callNext(code, wp, lp);
    if (!s.record)
        return 0;
    TSharedActivity& r = *s.record;
    storeLastTick(r, p.tick());
    if (loadArmed(r) == 0)
        return 0;
    const Point pt = *point;
    if (s.lastMousePoint.x == 0 && s.lastMousePoint.y == 0) {
        // The first event after arming is only remembered: the system's own moves under a
        // still cursor must not wake the watcher.
        s.lastMousePoint = pt;
        return 0;
    }
    if (wp != kMouseMove || pt.x != s.lastMousePoint.x || pt.y != s.lastMousePoint.y) {
        storeArmed(r, 0);
        s.lastMousePoint = Point{};
        p.post(loadNotifyWnd(r), s.wakeMessage, wp, lp);
    }
    return 0;
}

// The two hook handles of the process that switched the hooks on.
struct HookHandles {
    uintptr_t keyboard = 0, mouse = 0;
};
enum class HookKind { Keyboard, Mouse };

// Platform: uintptr_t install(HookKind) (0 on failure); void uninstall(uintptr_t); uint32_t tick().
template <class Platform>
bool hookState(HookHandles& h, ProcessState& s, Platform& p, bool active)
{
    if (active) {
        if (h.keyboard == 0)
            h.keyboard = p.install(HookKind::Keyboard);
        if (h.mouse == 0)
            h.mouse = p.install(HookKind::Mouse);
        const bool both = h.keyboard != 0 && h.mouse != 0;
        if (both && s.record)
            storeLastTick(*s.record, p.tick());
        return both;
    }
    // A failed removal is ignored: the handle is forgotten all the same.
    if (h.keyboard != 0)
        p.uninstall(h.keyboard);
    h.keyboard = 0;
    if (h.mouse != 0)
        p.uninstall(h.mouse);
    h.mouse = 0;
    return true;
}

} // namespace snovid
