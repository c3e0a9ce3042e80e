// A push button (the system's BUTTON class).
#pragma once

#include "toolkit/control.h"

#include <functional>

namespace tk {

class Button : public Control {
public:
    // tabStop off: the button is reached with the mouse only.
    Button(Control* parent, std::string name, const Bounds& bounds, const std::string& caption, int id, bool tabStop);
    std::function<void()> onClick;

protected:
    void command(WORD notifyCode) override;
};

} // namespace tk
