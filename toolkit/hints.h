// The hint machinery of one form: when the mouse rests on a control that has a hint, the form's
// hint window shows it, while the form's hints are switched on.
#pragma once

#include "toolkit/control.h"

#include <windows.h>

#include <string>

namespace tk {

// What shows a hint: the form's hint window.
class HintDisplay {
public:
    virtual ~HintDisplay() = default;
    virtual void showHint(const std::string& markup, POINT cursor) = 0;
    virtual void hideHint() = 0;
};

class Hints {
public:
    explicit Hints(HintDisplay& display);
    ~Hints();
    Hints(const Hints&) = delete;
    Hints& operator=(const Hints&) = delete;

    // The hint is markup, shown by the hint display.
    void add(Control& control, const std::string& markup);
    void setActive(bool active);
    bool active() const { return active_; }

    // From the controls' window procedures.
    static void mouseOver(Control& control);
    static void mouseGone(Control& control);

    static constexpr UINT kShowPauseMs = 500;
    static constexpr UINT kHidePauseMs = 5000;

private:
    static void CALLBACK timerProc(HWND, UINT, UINT_PTR, DWORD);
    void onTimer();

    HintDisplay& display_;
    bool active_ = true;
    Control* over_ = nullptr;
    bool shown_ = false;
    UINT_PTR timer_ = 0;
};

} // namespace tk
