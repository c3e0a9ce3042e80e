// Picture control over a BITMAP resource.
#include "toolkit/image.h"

#include "toolkit/picture.h"
#include "common/win32/text.h"

namespace tk {

Image::Image(Control* parent, std::string name, const Bounds& bounds, int id) : Control(parent, std::move(name))
{
    registerClass(L"TSlovoImage", 0, nullptr);
    setBounds(bounds);
    create(L"TSlovoImage", WS_VISIBLE, 0, id, "");
    setSelfPainted();
}

void Image::setPicture(const std::string& resourceName)
{
    // Pictures are loaded once and shared for the whole run: stages change on every miss.
    picture_ = resourceName;
    bitmap_ = bitmapAtDpi(wide(picture_), dpi());
    invalidate(false);
}

void Image::dpiChanged()
{
    if (!picture_.empty())
        bitmap_ = bitmapAtDpi(wide(picture_), dpi());
}

void Image::paint(HDC dc)
{
    RECT r;
    GetClientRect(handle(), &r);
    if (bitmap_) {
        const HDC mem = CreateCompatibleDC(dc);
        const HGDIOBJ old = SelectObject(mem, bitmap_);
        BitBlt(dc, 0, 0, r.right, r.bottom, mem, 0, 0, SRCCOPY);
        SelectObject(mem, old);
        DeleteDC(mem);
    } else {
        FillRect(dc, &r, solidBrush(parent() ? parent()->backgroundColour() : RGB(255, 255, 255)));
    }
}

} // namespace tk
