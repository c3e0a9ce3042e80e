// THTMListBox: a list box whose items are markup, each as high as its text needs.
#pragma once

#include "toolkit/control.h"
#include "toolkit/markup_painter.h"

namespace tk {

class HtmlListBox : public Control {
public:
    HtmlListBox(Control* parent, std::string name, const Bounds& bounds, const MarkupStyle& style, int id);

    void setImages(fx::PictureSource* images) { images_ = images; }
    void addItem(const std::string& markup);
    void clear();
    int count() const;
    std::string item(int index) const;

    // From the parent's WM_MEASUREITEM and WM_DRAWITEM.
    void measureItem(MEASUREITEMSTRUCT& mis);
    void drawItem(const DRAWITEMSTRUCT& dis);

private:
    fx::MarkupResult run(HDC dc, const std::string& text, const RECT& rect, bool measure, bool selected);

    MarkupStyle style_;
    fx::PictureSource* images_ = nullptr;
};

} // namespace tk
