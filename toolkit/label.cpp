// Painted labels.
#include "toolkit/label.h"

#include "common/win32/text.h"

#include <algorithm>

namespace tk {

Label::Label(Control* parent, std::string name, const Bounds& bounds, const LabelStyle& style, int id)
    : Control(parent, std::move(name)), style_(style)
{
    registerClass(L"TSlovoLabel", 0, nullptr);
    setBounds(bounds);
    create(L"TSlovoLabel", WS_VISIBLE, 0, id, "");
    setSelfPainted();
}

HFONT Label::font() const
{
    return sharedFont(style_.face, style_.pixelHeight, style_.bold, dpi());
}

void Label::setWithheldText(const std::string& text)
{
    setText("");
    withheld_ = text;
    invalidate(false);
}

void Label::reveal()
{
    if (withheld_) {
        const std::string shown = *withheld_;
        withheld_.reset();
        setText(shown);
    }
}

void Label::paint(HDC dc)
{
    RECT r;
    GetClientRect(handle(), &r);
    const COLORREF back = style_.transparent && parent() ? parent()->backgroundColour() : style_.fill;
    FillRect(dc, &r, solidBrush(back));
    if (style_.frame) {
        RECT edge = r;
        DrawEdge(dc, &edge, EDGE_RAISED, BF_RECT);
    }
    const std::wstring s = wide(drawnText());
    if (s.empty())
        return;
    const HGDIOBJ old = SelectObject(dc, font());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, IsWindowEnabled(handle()) ? style_.colour : GetSysColor(COLOR_GRAYTEXT));
    UINT flags = DT_NOPREFIX | (style_.centre ? DT_CENTER : DT_LEFT);
    RECT textRect = r;
    if (style_.wordWrap) {
        flags |= DT_WORDBREAK;
        if (style_.middle) {
            RECT measure = r;
            DrawTextW(dc, s.c_str(), static_cast<int>(s.size()), &measure, flags | DT_CALCRECT);
            const int h = measure.bottom - measure.top;
            textRect.top = r.top + std::max(0, static_cast<int>((r.bottom - r.top - h) / 2));
        }
    } else {
        flags |= DT_SINGLELINE | (style_.middle ? DT_VCENTER : DT_TOP);
    }
    DrawTextW(dc, s.c_str(), static_cast<int>(s.size()), &textRect, flags);
    SelectObject(dc, old);
}

} // namespace tk
