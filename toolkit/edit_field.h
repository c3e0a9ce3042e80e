// A single-line edit field (the system's EDIT class) with a flat frame, a length limit, an
// optional upper-case rule, a character filter and an optional small button at its right end.
#pragma once

#include "toolkit/control.h"
#include "toolkit/tool_button.h"

#include <functional>
#include <memory>

namespace tk {

class EditField : public Control {
public:
    EditField(Control* parent, std::string name, const Bounds& bounds, int id, int maxLength, bool upperCase);

    // The button at the right end; its id is the field's id + 1.
    ToolButton& addButton(const std::string& caption);
    ToolButton* button() { return button_.get(); }

    // Each typed character before the field takes it; false discards it.
    std::function<bool(wchar_t)> onKeyPress;

protected:
    LRESULT handleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    void dpiChanged() override;

private:
    std::unique_ptr<ToolButton> button_;
};

} // namespace tk
