// A status bar pane: sunken box with text that can blink between its normal look and the
// system highlight colour every 500 ms.
#pragma once

#include "toolkit/control.h"

namespace tk {

class Picture;

class StatusPane : public Control {
public:
    StatusPane(Control* parent, std::string name, const Bounds& bounds, int id = 0);

    void setBlinking(bool blinking);
    void setGlyph(Picture* glyph);
    // Room for the text, at the pane's DPI: the width less the glyph's place and the margins.
    int textRoom() const;
    bool blinking() const { return blinking_; }
    // True while a blinking pane shows the highlight colour.
    bool highlighted() const { return highlighted_; }

    static constexpr UINT kBlinkMs = 500;

protected:
    LRESULT handleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void paint(HDC dc) override;

    Picture* glyph_ = nullptr;
    bool blinking_ = false;
    bool highlighted_ = false;
};

} // namespace tk
