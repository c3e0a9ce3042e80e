// A clickable picture control, still or animated, with the hand cursor.
#pragma once

#include "toolkit/control.h"

#include <functional>

namespace tk {

class Picture;

class PictureBox : public Control {
public:
    PictureBox(Control* parent, std::string name, const Bounds& bounds, Picture* picture, int id);
    // Animated pictures step through their frames while the control is shown.
    void setAnimated(bool animated);
    size_t frame() const { return frame_; }
    std::function<void()> onClick;

protected:
    LRESULT handleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    void paint(HDC dc) override;

private:
    void schedule();

    Picture* picture_;
    size_t frame_ = 0;
    bool animated_ = false;
};

} // namespace tk
