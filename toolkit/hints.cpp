// Tooltips for the controls' hints.
#include "toolkit/hints.h"

#include "toolkit/application.h"
#include "toolkit/core/plain_markup.h"
#include "toolkit/text.h"

#include <commctrl.h>

namespace tk {

Hints::Hints(Control& form)
{
    tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, form.handle(), nullptr,
                               Application::instance().module(), nullptr);
    SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, 400);
}

Hints::~Hints()
{
    DestroyWindow(tooltip_);
}

void Hints::add(Control& control, const std::string& markup)
{
    control.setHint(markup);
    std::wstring text = wide(plainHint(markup));
    TTTOOLINFOW info{};
    info.cbSize = sizeof info;
    info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    info.hwnd = GetParent(control.handle());
    info.uId = reinterpret_cast<UINT_PTR>(control.handle());
    info.lpszText = text.data();
    SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
}

void Hints::setActive(bool active)
{
    active_ = active;
    SendMessageW(tooltip_, TTM_ACTIVATE, active ? TRUE : FALSE, 0);
}

} // namespace tk
