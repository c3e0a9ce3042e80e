// Picture control over a BITMAP resource.
#include "toolkit/image.h"

#include "toolkit/application.h"
#include "common/win32/text.h"

#include <map>

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
    static std::map<std::string, HBITMAP> loaded;
    HBITMAP& bitmap = loaded[resourceName];
    if (!bitmap)
        bitmap = static_cast<HBITMAP>(LoadImageW(Application::instance().module(), wide(resourceName).c_str(),
                                                 IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    bitmap_ = bitmap;
    setText(resourceName);
    invalidate(false);
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
