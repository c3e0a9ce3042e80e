// A picture control: shows a bitmap from the program's resources at its top left corner.
#pragma once

#include "toolkit/control.h"

namespace tk {

class Image : public Control {
public:
    Image(Control* parent, std::string name, const Bounds& bounds, int id = 0);

    // The window text stays the owner's: a resource name may tell what the player is to find
    // out by looking (the gallows' stage).
    void setPicture(const std::string& resourceName);

protected:
    void paint(HDC dc) override;
    void dpiChanged() override;

private:
    std::string picture_;
    HBITMAP bitmap_ = nullptr;
};

} // namespace tk
