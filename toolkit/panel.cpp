// Panels and their caption bars.
#include "toolkit/panel.h"

#include "toolkit/markup_painter.h"

namespace tk {

Panel::Panel(Control* parent, std::string name, const Bounds& bounds, int id)
    : Control(parent, std::move(name)), colour_(parent ? parent->backgroundColour() : GetSysColor(COLOR_BTNFACE))
{
    registerClass(L"TSlovoPanel", 0, nullptr);
    setBounds(bounds);
    // Tab walks into panels as into the groups of a dialog.
    create(L"TSlovoPanel", WS_VISIBLE | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT, id, "");
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
        RECT bar{r.left, r.top, r.right, r.top + scale(kCaptionHeight)};
        FillRect(dc, &bar, solidBrush(barColour_));
        MarkupStyle style;
        style.font.bold = boldCaption_;
        style.shadowOffset = scale(2);
        style.pictures = false;
        style.images = captionImages_;
        style.dpi = dpi();
        const RECT textRect{bar.left + scale(5), bar.top + scale(3), bar.right - scale(captionButton_ ? 22 : 4), bar.bottom};
        paintMarkup(dc, text(), textRect, style);
    }
    if (sunken_)
        DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT);
    else if (hasCaption_)
        DrawEdge(dc, &r, BDR_RAISEDINNER, BF_RECT);
}

} // namespace tk
