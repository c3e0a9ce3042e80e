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
    RECT r;
    GetClientRect(handle(), &r);
    const int size = r.bottom - r.top;
    const int id = GetDlgCtrlID(handle()) + 1;
    button_ = std::make_unique<ToolButton>(this, name() + "Button", Bounds{r.right - size, 0, size, size}, caption, id,
                                           ButtonLook::Push);
    // The text stops short of the button.
    SendMessageW(handle(), EM_SETMARGINS, EC_RIGHTMARGIN, MAKELPARAM(0, size + 1));
    return *button_;
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
