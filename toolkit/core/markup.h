// DrawMarkup: lays out the program's HTML-like markup line by line over an abstract surface,
// and draws it, measures it, or finds the anchor under a point.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace fx {

inline constexpr uint32_t kNoColour = 0x1FFFFFFF;
inline constexpr uint32_t kSystemColour = 0x80000000; // + index: resolved when drawn

struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
};

struct Font {
    std::string name;
    int size = 8; // points
    bool bold = false, italic = false, underline = false, strikeOut = false;
    uint32_t colour = 0;
    int angle = 0; // degrees, counter-clockwise (the R tag)
};

struct Size {
    int width = 0, height = 0;
};

// What the engine needs of a drawing surface. Texts are single lines with prefix processing
// ("&" underlines the next character and is not shown, "&&" shows one ampersand).
class MarkupSurface {
public:
    virtual ~MarkupSurface() = default;
    virtual Font font() const = 0; // the base font of the text
    virtual void setFont(const Font& font) = 0;
    virtual Size textExtent(std::string_view text) = 0;
    // Bottom-aligned in the box; with ellipsis, text that does not fit ends with "...".
    virtual void drawText(std::string_view text, const Rect& box, uint32_t colour, bool ellipsis) = 0;
    virtual void drawLine(int x1, int y, int x2, uint32_t colour) = 0;
    virtual void fillRect(const Rect& box, uint32_t colour) = 0;
    virtual void drawFocusRect(const Rect& box) = 0;
    virtual uint32_t brushColour() const = 0;
    virtual void setBrushColour(uint32_t colour) = 0;
    virtual int pixelsPerInch() const = 0;
};

// Pictures by name (a container) and by index (an image list).
class PictureSource {
public:
    virtual ~PictureSource() = default;
    // Natural size of the named picture (names without regard to case), or nothing.
    virtual std::optional<Size> pictureSize(const std::string& upperName) = 0;
    virtual void drawPicture(const std::string& upperName, MarkupSurface& surface, const Rect& box, bool stretch) = 0;
    virtual int frameCount(const std::string& upperName) { (void)upperName; return 1; }
    virtual int imageCount() = 0;
    virtual Size imageSize() = 0;
    virtual void drawImage(int index, MarkupSurface& surface, int x, int y) = 0;
};

struct MarkupRequest {
    std::string_view text;
    Rect rect;
    PictureSource* pictures = nullptr; // by name
    PictureSource* images = nullptr;   // by index
    int probeX = -1, probeY = -1;
    int focusLink = -1, hoverLink = -1;
    int shadowOffset = 0;
    bool hitTestOnly = false;
    bool measureOnly = false;
    bool print = false;
    bool selected = false;
    bool blinkVisible = true;
    bool hoverStyle = false;
    bool wordWrap = true;
    double resolutionFactor = 1.0;
    uint32_t linkColour = 0xFF0000;
    uint32_t hoverColour = kNoColour, hoverTextColour = kNoColour;
    uint32_t shadowColour = 0x808080;
};

struct MarkupResult {
    bool hit = false;
    std::string anchor;
    std::string plainText;
    std::string focusAnchor;
    int width = 0;
    int height = 0;
    int anchorCount = 0;
    int anchorUnderProbe = -1;
    Rect hoverRect;
};

MarkupResult DrawMarkup(MarkupSurface& surface, const MarkupRequest& request);

// The text with its entities replaced (letter case ignored) until none is left: "&amp;" by "&&",
// "&quot;" by a double quote, and "&sect;", "&permil;", "&reg;", "&copy;", "&para;", "&trade;",
// "&euro;" by their cp1251 bytes.
std::string expandEntities(std::string_view text);

// A FONT COLOR value: "#RRGGBB" or a colour name; unknown names give black.
uint32_t markupColour(std::string_view value);

} // namespace fx
