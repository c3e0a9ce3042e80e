// A clickable picture control, still or animated, with the hand cursor.
#pragma once

#include "toolkit/control.h"

#include <functional>

namespace tk {

class Picture;

class PictureBox : public Control {
public:
    // The shared picture of that resource name, decoded when the control first paints: pictures
    // of panels hidden at start cost nothing before the first paint.
    PictureBox(Control* parent, std::string name, const Bounds& bounds, std::wstring picture, int id);
    // Animated pictures step through their frames once the control has shown.
    void setAnimated(bool animated);
    size_t frame() const { return frame_; }
    std::function<void()> onClick;

protected:
    LRESULT handleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    void paint(HDC dc) override;

private:
    void schedule();
    Picture* picture();

    std::wstring pictureName_;
    Picture* picture_ = nullptr;
    bool resolved_ = false;
    size_t frame_ = 0;
    bool animate_ = false; // asked for
    bool animated_ = false; // and the picture has frames to step through
};

} // namespace tk
