// Radio buttons.
#include "toolkit/radio_button.h"

namespace tk {

RadioButton::RadioButton(Control* parent, std::string name, const Bounds& bounds, const std::string& caption, int id)
    : Control(parent, std::move(name))
{
    setBounds(bounds);
    create(L"BUTTON", WS_VISIBLE | WS_TABSTOP | BS_RADIOBUTTON, 0, id, caption);
}

void RadioButton::setChecked(bool checked)
{
    SendMessageW(handle(), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool RadioButton::checked() const
{
    return SendMessageW(handle(), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void RadioButton::command(WORD notifyCode)
{
    if (notifyCode == BN_CLICKED) {
        setChecked(true);
        if (onClick)
            onClick();
    }
}

} // namespace tk
