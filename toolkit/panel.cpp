// Panels and their caption bars.
#include "toolkit/panel.h"

#include "toolkit/core/plain_markup.h"
#include "toolkit/text.h"

namespace tk {

Panel::Panel(Control* parent, std::string name, const Bounds& bounds, int id)
    : Control(parent, std::move(name)), colour_(parent ? parent->backgroundColour() : GetSysColor(COLOR_BTNFACE))
{
    registerClass(L"TSlovoPanel", 0, nullptr);
    setBounds(bounds);
    create(L"TSlovoPanel", WS_VISIBLE | WS_CLIPCHILDREN, 0, id, "");
    setSelfPainted();
}

void Panel::setCaption(const std::string& markup, COLORREF barColour, bool bold)
{
    hasCaption_ = true;
    boldCaption_ = bold;
    barColour_ = barColour;
    setText(markup);
}

ToolButton& Panel::addCaptionButton(Symbol symbol, int id)
{
    const Bounds b = bounds();
    captionButton_ = std::make_unique<ToolButton>(this, name() + "CaptionButton", Bounds{b.width - 20, 2, 16, 16}, "", id);
    captionButton_->setSymbol(symbol);
    if (symbol == Symbol::Close) {
        captionButton_->onClick = [this] { setVisible(false); };
    } else {
        captionButton_->onClick = [this] {
            Bounds now = bounds();
            if (!folded_) {
                unfoldedHeight_ = now.height;
                now.height = kCaptionHeight;
            } else {
                now.height = unfoldedHeight_;
            }
            folded_ = !folded_;
            captionButton_->setSymbol(folded_ ? Symbol::Unfold : Symbol::Fold);
            setBounds(now);
        };
    }
    return *captionButton_;
}

void Panel::setColour(COLORREF colour)
{
    colour_ = colour;
    invalidate();
}

void Panel::setBorder(bool sunken)
{
    sunken_ = sunken;
    invalidate();
}

void Panel::paint(HDC dc)
{
    RECT r;
    GetClientRect(handle(), &r);
    FillRect(dc, &r, solidBrush(colour_));
    if (hasCaption_) {
        RECT bar{r.left, r.top, r.right, r.top + kCaptionHeight};
        FillRect(dc, &bar, solidBrush(barColour_));
        bool bold = boldCaption_;
        const std::wstring caption = wide(stripMarkup(text(), &bold));
        const HGDIOBJ old = SelectObject(dc, sharedFont(L"MS Sans Serif", 11, bold));
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, RGB(0, 0, 0));
        RECT textRect = bar;
        textRect.left += 6;
        DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &textRect,
                  DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
        SelectObject(dc, old);
    }
    if (sunken_)
        DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT);
    else if (hasCaption_)
        DrawEdge(dc, &r, BDR_RAISEDINNER, BF_RECT);
}

} // namespace tk
