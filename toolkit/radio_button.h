// A radio button (the system's BUTTON class); checks are set by the program's handlers.
#pragma once

#include "toolkit/control.h"

#include <functional>

namespace tk {

class RadioButton : public Control {
public:
    RadioButton(Control* parent, std::string name, const Bounds& bounds, const std::string& caption, int id);
    void setChecked(bool checked);
    bool checked() const;
    std::function<void()> onClick;

protected:
    void command(WORD notifyCode) override;
};

} // namespace tk
