// Owner-drawn list box with markup items.
#include "toolkit/html_list_box.h"

#include "common/win32/text.h"

#include <algorithm>

namespace tk {

HtmlListBox::HtmlListBox(Control* parent, std::string name, const Bounds& bounds, const MarkupStyle& style, int id,
                         bool border)
    : Control(parent, std::move(name)), style_(style)
{
    setBounds(bounds);
    create(L"LISTBOX", WS_VISIBLE | WS_VSCROLL | (border ? WS_BORDER : 0) | LBS_OWNERDRAWVARIABLE | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT | LBS_NOTIFY,
           0, id, "");
}

void HtmlListBox::addItem(const std::string& markup)
{
    SendMessageW(handle(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide(markup).c_str()));
}

void HtmlListBox::showLast()
{
    const int n = count();
    if (n == 0)
        return;
    RECT client;
    GetClientRect(handle(), &client);
    int top = n - 1;
    LRESULT shown = SendMessageW(handle(), LB_GETITEMHEIGHT, static_cast<WPARAM>(top), 0);
    while (top > 0) {
        const LRESULT above = SendMessageW(handle(), LB_GETITEMHEIGHT, static_cast<WPARAM>(top - 1), 0);
        if (shown + above > client.bottom)
            break;
        shown += above;
        --top;
    }
    SendMessageW(handle(), LB_SETTOPINDEX, static_cast<WPARAM>(top), 0);
}

int HtmlListBox::textRight() const
{
    RECT client;
    GetClientRect(handle(), &client);
    const bool bar = (GetWindowLongPtrW(handle(), GWL_STYLE) & WS_VSCROLL) != 0;
    return client.right - (bar ? 0 : GetSystemMetrics(SM_CXVSCROLL)) - scale(2);
}

void HtmlListBox::clear()
{
    SendMessageW(handle(), LB_RESETCONTENT, 0, 0);
}

int HtmlListBox::count() const
{
    return static_cast<int>(SendMessageW(handle(), LB_GETCOUNT, 0, 0));
}

std::string HtmlListBox::item(int index) const
{
    const LRESULT n = SendMessageW(handle(), LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (n == LB_ERR)
        return {};
    std::wstring buf(static_cast<size_t>(n) + 1, L'\0');
    SendMessageW(handle(), LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buf.data()));
    buf.resize(static_cast<size_t>(n));
    return narrow(buf);
}

fx::MarkupResult HtmlListBox::run(HDC dc, const std::string& text, const RECT& rect, bool measure, bool selected)
{
    GdiSurface surface(dc, style_.font, dpi());
    fx::MarkupRequest r = markupRequest(text, RECT{rect.left, rect.top, rect.right, measure ? rect.top + 100000 : rect.bottom}, style_);
    r.images = images_;
    r.measureOnly = measure;
    r.selected = selected;
    return fx::DrawMarkup(surface, r);
}

void HtmlListBox::measureItem(MEASUREITEMSTRUCT& mis)
{
    if (itemHeight_ > 0) {
        mis.itemHeight = static_cast<UINT>(scale(itemHeight_));
        return;
    }
    const HDC dc = GetDC(handle());
    const fx::MarkupResult m = run(dc, item(static_cast<int>(mis.itemID)), RECT{scale(2), 0, textRight(), 0}, true, false);
    ReleaseDC(handle(), dc);
    mis.itemHeight = static_cast<UINT>(std::min(255, m.height + scale(2)));
}

void HtmlListBox::drawItem(const DRAWITEMSTRUCT& dis)
{
    if (dis.itemID == static_cast<UINT>(-1))
        return;
    const bool selected = (dis.itemState & ODS_SELECTED) != 0;
    FillRect(dis.hDC, &dis.rcItem, solidBrush(GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW)));
    RECT box = dis.rcItem;
    box.left += scale(2);
    box.top += scale(1);
    box.right = textRight();
    // On a selection the markup keeps its hands off the text colour.
    const fx::Font base = style_.font;
    style_.font.colour = selected ? 0x80000000u + COLOR_HIGHLIGHTTEXT : base.colour;
    run(dis.hDC, item(static_cast<int>(dis.itemID)), box, false, selected);
    style_.font = base;
    if (dis.itemState & ODS_FOCUS)
        DrawFocusRect(dis.hDC, &dis.rcItem);
}

} // namespace tk
