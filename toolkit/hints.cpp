// Hint timing: a pause before a hint shows, a pause before it goes, and leaving hides it.
#include "toolkit/hints.h"

namespace tk {

namespace {
Hints* g_hints = nullptr;
}

Hints::Hints(HintDisplay& display) : display_(display)
{
    g_hints = this;
}

Hints::~Hints()
{
    if (timer_)
        KillTimer(nullptr, timer_);
    if (g_hints == this)
        g_hints = nullptr;
}

void Hints::add(Control& control, const std::string& markup)
{
    control.setHint(markup);
}

void Hints::setActive(bool active)
{
    active_ = active;
    if (!active && shown_) {
        display_.hideHint();
        shown_ = false;
    }
}

void Hints::mouseOver(Control& control)
{
    Hints* self = g_hints;
    if (!self || control.hint().empty() || self->over_ == &control)
        return;
    if (self->shown_) {
        self->display_.hideHint();
        self->shown_ = false;
    }
    self->over_ = &control;
    TRACKMOUSEEVENT tme{sizeof tme, TME_LEAVE, control.handle(), 0};
    TrackMouseEvent(&tme);
    if (self->timer_)
        KillTimer(nullptr, self->timer_);
    self->timer_ = SetTimer(nullptr, 0, kShowPauseMs, timerProc);
}

void Hints::mouseGone(Control& control)
{
    Hints* self = g_hints;
    if (!self || self->over_ != &control)
        return;
    self->over_ = nullptr;
    if (self->timer_) {
        KillTimer(nullptr, self->timer_);
        self->timer_ = 0;
    }
    if (self->shown_) {
        self->display_.hideHint();
        self->shown_ = false;
    }
}

void CALLBACK Hints::timerProc(HWND, UINT, UINT_PTR, DWORD)
{
    if (g_hints)
        g_hints->onTimer();
}

void Hints::onTimer()
{
    KillTimer(nullptr, timer_);
    timer_ = 0;
    if (shown_) {
        display_.hideHint();
        shown_ = false;
        return;
    }
    if (!over_ || !active_ || !IsWindowVisible(over_->handle()))
        return;
    POINT cursor;
    GetCursorPos(&cursor);
    display_.showHint(over_->hint(), cursor);
    shown_ = true;
    timer_ = SetTimer(nullptr, 0, kHidePauseMs, timerProc);
}

} // namespace tk
