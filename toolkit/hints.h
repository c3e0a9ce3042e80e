// The hints of one form: a tooltip window with a tool for every control that has a hint,
// shown while the form's hints are switched on.
#pragma once

#include "toolkit/control.h"

namespace tk {

class Hints {
public:
    explicit Hints(Control& form);
    ~Hints();
    Hints(const Hints&) = delete;
    Hints& operator=(const Hints&) = delete;

    // The hint is markup; until the markup renderer shows it, it is shown as plain lines.
    void add(Control& control, const std::string& markup);
    void setActive(bool active);
    bool active() const { return active_; }
    HWND handle() const { return tooltip_; }

private:
    HWND tooltip_;
    bool active_ = true;
};

} // namespace tk
