// GDI painting of markup.
#include "toolkit/markup_painter.h"

#include "toolkit/picture.h"
#include "common/win32/text.h"

namespace tk {

COLORREF resolveColour(uint32_t colour)
{
    if (colour & 0x80000000u)
        return GetSysColor(static_cast<int>(colour & 0xFF));
    return static_cast<COLORREF>(colour & 0xFFFFFF);
}

namespace {

HFONT fontFor(const fx::Font& f, int ppi)
{
    // Made once per look for the whole run.
    static std::map<std::tuple<std::string, int, int, int, int>, HFONT> fonts;
    const int style = (f.bold ? 1 : 0) | (f.italic ? 2 : 0) | (f.underline ? 4 : 0) | (f.strikeOut ? 8 : 0);
    HFONT& font = fonts[{f.name, f.size, style, ppi, f.angle}];
    if (!font)
        font = CreateFontW(-MulDiv(f.size, ppi, 72), 0, f.angle * 10, f.angle * 10, f.bold ? FW_BOLD : FW_NORMAL, f.italic, f.underline,
                           f.strikeOut, RUSSIAN_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                           DEFAULT_PITCH, wide(f.name).c_str());
    return font;
}

constexpr UINT kTextFlags = DT_SINGLELINE | DT_BOTTOM | DT_EXPANDTABS | DT_EXTERNALLEADING;

} // namespace

GdiSurface::GdiSurface(HDC dc, const fx::Font& base, int dpi) : dc_(dc), dpi_(dpi), current_(base)
{
    originalFont_ = SelectObject(dc_, fontFor(base, pixelsPerInch()));
    originalMode_ = SetBkMode(dc_, TRANSPARENT);
}

GdiSurface::~GdiSurface()
{
    SelectObject(dc_, originalFont_);
    SetBkMode(dc_, originalMode_);
}

int GdiSurface::pixelsPerInch() const
{
    return dpi_ > 0 ? dpi_ : GetDeviceCaps(dc_, LOGPIXELSY);
}

void GdiSurface::setFont(const fx::Font& font)
{
    current_ = font;
    SelectObject(dc_, fontFor(font, pixelsPerInch()));
}

fx::Size GdiSurface::textExtent(std::string_view text)
{
    const std::wstring w = wide(std::string(text));
    RECT r{0, 0, 0, 0};
    // Measured top-aligned: some systems give no height for a bottom-aligned measurement.
    DrawTextW(dc_, w.c_str(), static_cast<int>(w.size()), &r, (kTextFlags & ~DT_BOTTOM) | DT_CALCRECT);
    if (w.empty()) {
        TEXTMETRICW tm;
        GetTextMetricsW(dc_, &tm);
        return {0, tm.tmHeight + tm.tmExternalLeading};
    }
    return {r.right - r.left, r.bottom - r.top};
}

void GdiSurface::drawText(std::string_view text, const fx::Rect& box, uint32_t colour, bool ellipsis)
{
    const std::wstring w = wide(std::string(text));
    RECT r{box.left, box.top, box.right, box.bottom};
    SetTextColor(dc_, resolveColour(colour));
    DrawTextW(dc_, w.c_str(), static_cast<int>(w.size()), &r, kTextFlags | (ellipsis ? DT_END_ELLIPSIS : 0));
}

void GdiSurface::drawLine(int x1, int y, int x2, uint32_t colour)
{
    const HPEN pen = CreatePen(PS_SOLID, 1, resolveColour(colour));
    const HGDIOBJ old = SelectObject(dc_, pen);
    MoveToEx(dc_, x1, y, nullptr);
    LineTo(dc_, x2, y);
    SelectObject(dc_, old);
    DeleteObject(pen);
}

void GdiSurface::fillRect(const fx::Rect& box, uint32_t colour)
{
    if (colour == fx::kNoColour)
        return;
    RECT r{box.left, box.top, box.right, box.bottom};
    const HBRUSH brush = CreateSolidBrush(resolveColour(colour));
    FillRect(dc_, &r, brush);
    DeleteObject(brush);
}

void GdiSurface::drawFocusRect(const fx::Rect& box)
{
    RECT r{box.left, box.top, box.right, box.bottom};
    DrawFocusRect(dc_, &r);
}

ResourcePictures& ResourcePictures::container()
{
    static ResourcePictures pictures;
    return pictures;
}

std::optional<fx::Size> ResourcePictures::pictureSize(const std::string& upperName)
{
    const Picture* p = Picture::shared(wide(upperName));
    if (!p)
        return std::nullopt;
    return fx::Size{p->width(), p->height()};
}

void ResourcePictures::drawPicture(const std::string& upperName, fx::MarkupSurface& surface, const fx::Rect& box, bool stretch)
{
    const Picture* p = Picture::shared(wide(upperName));
    if (!p)
        return;
    const HDC dc = static_cast<GdiSurface&>(surface).dc();
    if (!stretch) {
        // The engine made the box at the surface's DPI; the picture is drawn from the source for it.
        p = &p->atDpi(surface.pixelsPerInch());
        if (p->width() == box.right - box.left && p->height() == box.bottom - box.top) {
            p->draw(dc, box.left, box.top);
            return;
        }
    }
    // WIDTH and HEIGHT stretch the picture into its box.
    const HDC mem = CreateCompatibleDC(dc);
    const HGDIOBJ old = SelectObject(mem, p->bitmap());
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    GdiAlphaBlend(dc, box.left, box.top, box.right - box.left, box.bottom - box.top, mem, 0, 0, p->width(), p->height(), blend);
    SelectObject(mem, old);
    DeleteDC(mem);
}

int ResourcePictures::frameCount(const std::string& upperName)
{
    const Picture* p = Picture::shared(wide(upperName));
    return p ? static_cast<int>(p->frameCount()) : 0;
}

namespace {

fx::MarkupResult run(HDC dc, const std::string& text, const RECT& rect, const MarkupStyle& style, bool measure)
{
    GdiSurface surface(dc, style.font, style.dpi);
    fx::MarkupRequest r = markupRequest(text, rect, style);
    r.measureOnly = measure;
    return fx::DrawMarkup(surface, r);
}

} // namespace

fx::MarkupRequest markupRequest(const std::string& text, const RECT& rect, const MarkupStyle& style)
{
    fx::MarkupRequest r;
    r.text = text;
    r.rect = {rect.left, rect.top, rect.right, rect.bottom};
    r.pictures = style.pictures ? &ResourcePictures::container() : nullptr;
    r.images = style.images;
    r.wordWrap = style.wordWrap;
    r.shadowColour = style.shadowColour;
    r.shadowOffset = style.shadowOffset;
    r.linkColour = style.linkColour;
    return r;
}

fx::MarkupResult paintMarkup(HDC dc, const std::string& text, const RECT& rect, const MarkupStyle& style)
{
    return run(dc, text, rect, style, false);
}

fx::MarkupResult measureMarkup(HDC dc, const std::string& text, const RECT& rect, const MarkupStyle& style)
{
    return run(dc, text, rect, style, true);
}

} // namespace tk
