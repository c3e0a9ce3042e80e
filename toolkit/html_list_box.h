// THTMListBox: a list box whose items are markup, each as high as its text needs.
#pragma once

#include "toolkit/control.h"
#include "toolkit/markup_painter.h"

namespace tk {

class HtmlListBox : public Control {
public:
    HtmlListBox(Control* parent, std::string name, const Bounds& bounds, const MarkupStyle& style, int id,
                bool border = true);

    void setImages(fx::PictureSource* images) { images_ = images; }
    // Every item that height in pixels; 0 (the default) measures each item's markup.
    void setItemHeight(int height) { itemHeight_ = height; }
    void addItem(const std::string& markup);
    // Scrolls so the last item shows whole at the bottom (or at the top, when it is taller).
    void showLast();
    void clear();
    int count() const;
    std::string item(int index) const;

    // From the parent's WM_MEASUREITEM and WM_DRAWITEM.
    void measureItem(MEASUREITEMSTRUCT& mis);
    void drawItem(const DRAWITEMSTRUCT& dis);

private:
    fx::MarkupResult run(HDC dc, const std::string& text, const RECT& rect, bool measure, bool selected);
    // Where the items' text ends: short of the scroll bar whether it shows yet or not, so an item
    // measured before the bar appears keeps room for its lines.
    int textRight() const;

    MarkupStyle style_;
    fx::PictureSource* images_ = nullptr;
    int itemHeight_ = 0;
};

} // namespace tk
