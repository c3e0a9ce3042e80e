// A label: text painted over its parent's colour, with its own font, alignment and wrapping.
// With a box style it serves as a plain framed box (the letter covers). A text the player must
// not see yet (a covered cell's letter) is held in the object alone until revealed.
#pragma once

#include "toolkit/control.h"

#include <optional>

namespace tk {

struct LabelStyle {
    std::wstring face = L"MS Sans Serif";
    int pixelHeight = 11;
    bool bold = false;
    COLORREF colour = RGB(0, 0, 0);
    bool centre = false;     // horizontally
    bool middle = false;     // vertically
    bool wordWrap = false;
    bool transparent = true; // parent's colour behind the text
    COLORREF fill = RGB(255, 255, 255);
    bool frame = false;      // a raised frame around a filled box
};

class Label : public Control {
public:
    Label(Control* parent, std::string name, const Bounds& bounds, const LabelStyle& style, int id = 0);
    // The font the text is drawn in, at the label's DPI.
    HFONT font() const;
    // Drawn as the text, but kept out of the window text, which other programs and screen
    // readers read, until reveal() puts it there.
    void setWithheldText(const std::string& text);
    void reveal();
    // What the label draws: the withheld text, else the window text.
    std::string drawnText() const { return withheld_ ? *withheld_ : text(); }

private:
    void paint(HDC dc) override;

    LabelStyle style_;
    std::optional<std::string> withheld_;
};

} // namespace tk
