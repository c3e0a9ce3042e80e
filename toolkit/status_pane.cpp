// Status bar panes and their blinking.
#include "toolkit/status_pane.h"

#include "toolkit/picture.h"
#include "common/win32/text.h"

namespace tk {

namespace {
constexpr UINT_PTR kBlinkTimer = 1;
constexpr int kTextMargin = 4;
constexpr int kGlyphSpace = 21; // a 16 x 16 glyph and its gaps
} // namespace

StatusPane::StatusPane(Control* parent, std::string name, const Bounds& bounds, int id) : Control(parent, std::move(name))
{
    registerClass(L"TSlovoStatusPane", 0, nullptr);
    setBounds(bounds);
    create(L"TSlovoStatusPane", WS_VISIBLE, 0, id, "");
    setSelfPainted();
}

void StatusPane::setBlinking(bool blinking)
{
    if (blinking == blinking_)
        return;
    blinking_ = blinking;
    highlighted_ = false;
    if (blinking)
        SetTimer(handle(), kBlinkTimer, kBlinkMs, nullptr);
    else
        KillTimer(handle(), kBlinkTimer);
    invalidate();
}

void StatusPane::setGlyph(Picture* glyph)
{
    glyph_ = glyph;
    invalidate();
}

int StatusPane::textRoom() const
{
    RECT r;
    GetClientRect(handle(), &r);
    return r.right - scale(glyph_ ? kGlyphSpace : kTextMargin) - scale(2);
}

void StatusPane::paint(HDC dc)
{
    RECT r;
    GetClientRect(handle(), &r);
    FillRect(dc, &r, solidBrush(highlighted_ ? GetSysColor(COLOR_HIGHLIGHT) : GetSysColor(COLOR_BTNFACE)));
    RECT edge = r;
    DrawEdge(dc, &edge, BDR_SUNKENOUTER, BF_RECT);
    const std::wstring s = wide(text());
    const HGDIOBJ old = SelectObject(dc, defaultFont(dpi()));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, highlighted_ ? GetSysColor(COLOR_HIGHLIGHTTEXT) : GetSysColor(COLOR_BTNTEXT));
    if (glyph_) {
        const Picture& glyph = glyph_->atDpi(dpi());
        glyph.draw(dc, r.left + scale(3), (r.bottom - r.top - glyph.height()) / 2);
    }
    const int textLeft = r.left + scale(glyph_ ? kGlyphSpace : kTextMargin);
    RECT textRect{textLeft, r.top, textLeft + textRoom(), r.bottom};
    DrawTextW(dc, s.c_str(), static_cast<int>(s.size()), &textRect,
              DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    SelectObject(dc, old);
}

LRESULT StatusPane::handleMessage(UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_TIMER:
        if (wp == kBlinkTimer) {
            highlighted_ = !highlighted_;
            InvalidateRect(handle(), nullptr, FALSE);
            return 0;
        }
        break;
    default:
        break;
    }
    return Control::handleMessage(msg, wp, lp);
}

} // namespace tk
