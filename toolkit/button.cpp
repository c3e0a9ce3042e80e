// Push buttons.
#include "toolkit/button.h"

namespace tk {

Button::Button(Control* parent, std::string name, const Bounds& bounds, const std::string& caption, int id, bool tabStop)
    : Control(parent, std::move(name))
{
    setBounds(bounds);
    create(L"BUTTON", WS_VISIBLE | BS_PUSHBUTTON | (tabStop ? WS_TABSTOP : 0), 0, id, caption);
}

void Button::command(WORD notifyCode)
{
    if (notifyCode == BN_CLICKED && onClick)
        onClick();
}

} // namespace tk
