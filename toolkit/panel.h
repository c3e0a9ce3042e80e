// A panel: a plain container, optionally with a 20-pixel caption bar across its top.
#pragma once

#include "toolkit/control.h"
#include "toolkit/core/markup.h"
#include "toolkit/tool_button.h"

#include <memory>

namespace tk {

class Panel : public Control {
public:
    Panel(Control* parent, std::string name, const Bounds& bounds, int id = 0);

    // The caption is markup; until the markup renderer draws it, tags are dropped and a <B>
    // anywhere makes the caption bold.
    void setCaption(const std::string& markup, COLORREF barColour, bool bold = false);
    // Where the caption's idx: pictures come from.
    void setCaptionImages(fx::PictureSource* images) { captionImages_ = images; }
    void setColour(COLORREF colour);
    void setBorder(bool sunken);
    // A button at the right end of the caption bar: a close button hides the panel, a fold
    // button folds the panel to its caption bar and back.
    ToolButton& addCaptionButton(Symbol symbol, int id);
    bool folded() const { return folded_; }

    static constexpr int kCaptionHeight = 20;

    // The buttons Enter and Escape press while the focus is inside the panel.
    ToolButton* defaultButton = nullptr;
    ToolButton* cancelButton = nullptr;

    COLORREF backgroundColour() const override { return colour_; }

protected:

private:
    void paint(HDC dc) override;

    bool hasCaption_ = false;
    bool sunken_ = false;
    bool boldCaption_ = false;
    bool folded_ = false;
    int unfoldedHeight_ = 0;
    std::unique_ptr<ToolButton> captionButton_;
    fx::PictureSource* captionImages_ = nullptr;
    COLORREF barColour_ = RGB(181, 181, 219);
    COLORREF colour_;
};

} // namespace tk
