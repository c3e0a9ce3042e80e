// Picture controls.
#include "toolkit/picture_box.h"

#include "toolkit/picture.h"

namespace tk {

namespace {
constexpr UINT_PTR kFrameTimer = 1;
}

PictureBox::PictureBox(Control* parent, std::string name, const Bounds& bounds, std::wstring picture, int id)
    : Control(parent, std::move(name)), pictureName_(std::move(picture))
{
    registerClass(L"TSlovoPictureBox", 0, LoadCursorW(nullptr, IDC_HAND));
    setBounds(bounds);
    create(L"TSlovoPictureBox", WS_VISIBLE, 0, id, "");
    setSelfPainted();
}

Picture* PictureBox::picture()
{
    if (!resolved_) {
        resolved_ = true;
        picture_ = Picture::shared(pictureName_);
        animated_ = animate_ && picture_ && picture_->frameCount() > 1;
        schedule();
    }
    return picture_;
}

void PictureBox::setAnimated(bool animated)
{
    animate_ = animated;
    if (resolved_) {
        animated_ = animate_ && picture_ && picture_->frameCount() > 1;
        schedule();
    }
}

void PictureBox::schedule()
{
    if (animated_)
        SetTimer(handle(), kFrameTimer, picture_->delay(frame_), nullptr);
    else
        KillTimer(handle(), kFrameTimer);
}

void PictureBox::paint(HDC dc)
{
    RECT r;
    GetClientRect(handle(), &r);
    FillRect(dc, &r, solidBrush(parent() ? parent()->backgroundColour() : GetSysColor(COLOR_BTNFACE)));
    if (Picture* p = picture())
        p->atDpi(dpi()).draw(dc, 0, 0, frame_);
}

LRESULT PictureBox::handleMessage(UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_TIMER:
        if (wp == kFrameTimer && animated_) {
            frame_ = (frame_ + 1) % picture_->frameCount();
            InvalidateRect(handle(), nullptr, FALSE);
            schedule();
            return 0;
        }
        break;
    case WM_LBUTTONUP:
    case BM_CLICK:
        if (onClick)
            onClick();
        return 0;
    default:
        break;
    }
    return Control::handleMessage(msg, wp, lp);
}

} // namespace tk
