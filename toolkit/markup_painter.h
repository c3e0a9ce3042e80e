// The markup engine on a GDI device context: a surface that measures and draws with GDI, and
// the program's named pictures as the picture source.
#pragma once

#include "toolkit/core/markup.h"

#include <windows.h>

#include <map>
#include <string>
#include <tuple>

namespace tk {

// Colour values: direct 0x00BBGGRR, system colours as 0x800000nn.
COLORREF resolveColour(uint32_t colour);

class GdiSurface : public fx::MarkupSurface {
public:
    // dpi 0: the device's own (a printer's); windows pass theirs.
    GdiSurface(HDC dc, const fx::Font& base, int dpi = 0);
    ~GdiSurface() override;
    GdiSurface(const GdiSurface&) = delete;
    GdiSurface& operator=(const GdiSurface&) = delete;

    HDC dc() const { return dc_; }
    fx::Font font() const override { return current_; }
    void setFont(const fx::Font& font) override;
    fx::Size textExtent(std::string_view text) override;
    void drawText(std::string_view text, const fx::Rect& box, uint32_t colour, bool ellipsis) override;
    void drawLine(int x1, int y, int x2, uint32_t colour) override;
    void fillRect(const fx::Rect& box, uint32_t colour) override;
    void drawFocusRect(const fx::Rect& box) override;
    uint32_t brushColour() const override { return brush_; }
    void setBrushColour(uint32_t colour) override { brush_ = colour; }
    int pixelsPerInch() const override;

private:
    HDC dc_;
    int dpi_;
    fx::Font current_;
    uint32_t brush_ = fx::kNoColour;
    HGDIOBJ originalFont_;
    int originalMode_;
};

// Pictures by name from the program's resources (the main window's picture container).
class ResourcePictures : public fx::PictureSource {
public:
    std::optional<fx::Size> pictureSize(const std::string& upperName) override;
    void drawPicture(const std::string& upperName, fx::MarkupSurface& surface, const fx::Rect& box, bool stretch) override;
    int frameCount(const std::string& upperName) override;
    int imageCount() override { return 0; }
    fx::Size imageSize() override { return {}; }
    void drawImage(int, fx::MarkupSurface&, int, int) override {}

    static ResourcePictures& container();
};

struct MarkupStyle {
    fx::Font font{"MS Sans Serif", 8, false, false, false, false, 0};
    bool wordWrap = true;
    uint32_t shadowColour = 0x808080;
    int shadowOffset = 1;
    uint32_t linkColour = 0xFF0000;
    bool pictures = true;
    // Pictures by index (idx:n), when the text uses any.
    fx::PictureSource* images = nullptr;
    // The DPI of the window drawn in; 0 for the device's own.
    int dpi = 0;
};

// A request with the style's settings: text, rectangle, pictures by name when the style wants them.
fx::MarkupRequest markupRequest(const std::string& text, const RECT& rect, const MarkupStyle& style);

fx::MarkupResult paintMarkup(HDC dc, const std::string& text, const RECT& rect, const MarkupStyle& style);
fx::MarkupResult measureMarkup(HDC dc, const std::string& text, const RECT& rect, const MarkupStyle& style);

} // namespace tk
