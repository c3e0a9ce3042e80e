// A picture control: shows a bitmap from the program's resources at its top left corner.
#pragma once

#include "toolkit/control.h"

namespace tk {

class Image : public Control {
public:
    Image(Control* parent, std::string name, const Bounds& bounds, int id = 0);

    // The resource name becomes the window text, so a reader can tell which picture shows.
    void setPicture(const std::string& resourceName);

protected:
    void paint(HDC dc) override;
    void dpiChanged() override;

private:
    HBITMAP bitmap_ = nullptr;
};

} // namespace tk
