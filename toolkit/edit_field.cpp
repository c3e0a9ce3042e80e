// Edit fields.
#include "toolkit/edit_field.h"

namespace tk {

EditField::EditField(Control* parent, std::string name, const Bounds& bounds, int id, int maxLength, bool upperCase)
    : Control(parent, std::move(name))
{
    setBounds(bounds);
    create(L"EDIT", WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL | (upperCase ? ES_UPPERCASE : 0), 0, id, "");
    SendMessageW(handle(), EM_LIMITTEXT, static_cast<WPARAM>(maxLength), 0);
}

ToolButton& EditField::addButton(const std::string& caption)
{
    // The client area inside the border, in the 96-DPI layout the button is placed in.
    RECT r;
    GetClientRect(handle(), &r);
    const int width = MulDiv(r.right, kBaseDpi, dpi()), size = MulDiv(r.bottom, kBaseDpi, dpi());
    const int id = GetDlgCtrlID(handle()) + 1;
    button_ = std::make_unique<ToolButton>(this, name() + "Button", Bounds{width - size, 0, size, size}, caption, id,
                                           ButtonLook::Push);
    dpiChanged();
    return *button_;
}

void EditField::dpiChanged()
{
    // The text stops short of the button.
    if (button_)
        SendMessageW(handle(), EM_SETMARGINS, EC_RIGHTMARGIN, MAKELPARAM(0, scale(button_->bounds().width + 1)));
}

LRESULT EditField::handleMessage(UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_CHAR && onKeyPress && !onKeyPress(static_cast<wchar_t>(wp)))
        return 0;
    if (msg == WM_ENABLE && button_)
        button_->setEnabled(wp != 0);
    return Control::handleMessage(msg, wp, lp);
}

} // namespace tk
