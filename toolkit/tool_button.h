// A flat button drawn by the toolkit: glyph and caption (toolbar buttons), a vector symbol
// (caption-bar buttons), or a push-button face with a glyph (markup buttons).
#pragma once

#include "toolkit/control.h"

#include <functional>

namespace tk {

class Picture;

enum class ButtonLook { Flat, Push };
enum class Symbol { None, Close, Fold, Unfold };

class ToolButton : public Control {
public:
    ToolButton(Control* parent, std::string name, const Bounds& bounds, const std::string& caption, int id,
               ButtonLook look = ButtonLook::Flat);

    void setGlyph(Picture* glyph);
    Picture* glyph() const { return glyph_; }
    ButtonLook look() const { return look_; }
    void setSymbol(Symbol symbol);
    void setDefault(bool isDefault) { default_ = isDefault; invalidate(); }
    void click();

    std::function<void()> onClick;

protected:
    LRESULT handleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void paint(HDC dc) override;

    ButtonLook look_;
    Picture* glyph_ = nullptr;
    Symbol symbol_ = Symbol::None;
    bool hover_ = false, pressed_ = false, default_ = false;
};

} // namespace tk
