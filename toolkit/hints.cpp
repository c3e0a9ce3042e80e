// Tooltips for the controls' hints.
#include "toolkit/hints.h"

#include "toolkit/application.h"
#include "toolkit/panel.h"
#include "toolkit/text.h"

#include <commctrl.h>

namespace tk {

std::string plainHint(const std::string& markup)
{
    std::string withBreaks;
    for (size_t i = 0; i < markup.size(); ++i) {
        if (markup.compare(i, 4, "<BR>") == 0 || markup.compare(i, 4, "<br>") == 0) {
            withBreaks += "\r\n";
            i += 3;
        } else {
            withBreaks += markup[i];
        }
    }
    std::string plain = stripMarkup(withBreaks);
    // Lines keep their own indentation but not the blank before the first word.
    const size_t first = plain.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : plain.substr(first);
}

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
