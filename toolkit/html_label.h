// THTMLabel: a markup label with links. Over an anchor the cursor becomes a hand; a click opens
// web and mail targets with the shell and hands other targets to OnAnchorClick.
#pragma once

#include "toolkit/control.h"
#include "toolkit/markup_painter.h"

#include <functional>

namespace tk {

class HtmlLabel : public Control {
public:
    HtmlLabel(Control* parent, std::string name, const Bounds& bounds, const MarkupStyle& style, int id = 0);

    void setImages(fx::PictureSource* images) { images_ = images; }
    void setFontColour(uint32_t colour);
    uint32_t fontColour() const { return style_.font.colour; }
    // Sizes the label to the height its text needs at its width.
    void autoSize();

    std::function<void(const std::string&)> OnAnchorClick, OnAnchorEnter, OnAnchorExit;

protected:
    LRESULT handleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    void paint(HDC dc) override;

private:
    fx::MarkupResult layout(HDC dc, bool measure, int probeX, int probeY, bool hitTest);

    MarkupStyle style_;
    fx::PictureSource* images_ = nullptr;
    std::string overAnchor_;
};

// Pictures by index: the editor's image list ("imagelist0.gif" .. "imagelist8.gif").
class ResourceImageList : public ResourcePictures {
public:
    int imageCount() override { return 9; }
    fx::Size imageSize() override { return {16, 16}; }
    void drawImage(int index, fx::MarkupSurface& surface, int x, int y) override;
    static ResourceImageList& editorImages();
};

} // namespace tk
