// Fuzzes the markup engine over a surface that checks every box: no text or line drawn far
// outside the rectangle it was given, a height of at least one line, the entities as the
// passes-until-nothing-changes rule gives them.
#include "toolkit/core/markup.h"
#include "tests/fuzz/fuzz_util.h"

#include <cctype>
#include <cstdint>
#include <cstring>

namespace {

constexpr int kSlack = 1 << 20; // far beyond any font or picture of the program

class CheckingSurface : public fx::MarkupSurface {
public:
    fx::Rect area;
    fx::Font current{"BASE", 8};
    uint32_t brush = 0;
    fx::Font font() const override { return current; }
    void setFont(const fx::Font& f) override { current = f; }
    fx::Size textExtent(std::string_view t) override
    {
        const int h = 4 + current.size * 4 / 3;
        return {static_cast<int>(std::min<size_t>(t.size(), 100000)) * (h / 2), h};
    }
    void check(const fx::Rect& b) const
    {
        FUZZ_CHECK(b.top > area.top - kSlack && b.bottom < area.bottom + kSlack && b.left > area.left - kSlack,
                   "box " + std::to_string(b.left) + "," + std::to_string(b.top) + "-" + std::to_string(b.bottom));
    }
    void drawText(std::string_view, const fx::Rect& b, uint32_t, bool) override { check(b); }
    void drawLine(int x1, int y, int, uint32_t) override { check({x1, y, x1, y}); }
    void fillRect(const fx::Rect& b, uint32_t) override { check(b); }
    void drawFocusRect(const fx::Rect& b) override { check(b); }
    uint32_t brushColour() const override { return brush; }
    void setBrushColour(uint32_t c) override { brush = c; }
    int pixelsPerInch() const override { return 96; }
};

class Pictures : public fx::PictureSource {
public:
    std::optional<fx::Size> pictureSize(const std::string& n) override
    {
        if (n == "SMILEY.GIF")
            return fx::Size{15, 15};
        if (n == "BIG.GIF")
            return fx::Size{30, 60};
        return std::nullopt;
    }
    void drawPicture(const std::string&, fx::MarkupSurface&, const fx::Rect&, bool) override {}
    int imageCount() override { return 9; }
    fx::Size imageSize() override { return {16, 16}; }
    void drawImage(int, fx::MarkupSurface&, int, int) override {}
};

std::string byPasses(std::string text)
{
    static const char* const entities[][2] = {{"&amp;", "&&"}, {"&quot;", "\""}, {"&sect;", "\xA7"},
                                              {"&permil;", "\x89"}, {"&reg;", "\xAE"}, {"&copy;", "\xA9"},
                                              {"&para;", "\xB6"}, {"&trade;", "\x99"}, {"&euro;", "\x80"}};
    for (bool changed = true; changed;) {
        changed = false;
        for (const auto& e : entities) {
            const size_t n = std::strlen(e[0]);
            for (size_t i = 0; i + n <= text.size(); ++i) {
                size_t k = 0;
                while (k < n && std::toupper(static_cast<unsigned char>(text[i + k])) == std::toupper(static_cast<unsigned char>(e[0][k])))
                    ++k;
                if (k == n) {
                    text.replace(i, n, e[1]);
                    changed = true;
                    break;
                }
            }
        }
    }
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 6)
        return 0;
    const std::string_view text(reinterpret_cast<const char*>(data) + 6, size - 6);
    if (text.size() <= 512)
        FUZZ_CHECK(fx::expandEntities(text) == byPasses(std::string(text)), "entities differ from the passes");

    CheckingSurface surface;
    Pictures pictures;
    fx::MarkupRequest r;
    r.text = text;
    const int top = static_cast<int8_t>(data[0]) * 4, left = static_cast<int8_t>(data[1]);
    r.rect = {left, top, left + data[2] * 4, top + data[3] * 4};
    surface.area = r.rect;
    r.wordWrap = data[4] & 1;
    r.measureOnly = data[4] & 2;
    r.hitTestOnly = data[4] & 4;
    r.selected = data[4] & 8;
    r.hoverStyle = data[4] & 16;
    r.shadowOffset = data[4] >> 5;
    r.probeX = left + data[5];
    r.probeY = top + data[5] / 2;
    r.focusLink = data[5] % 3;
    r.hoverLink = data[5] % 4;
    r.pictures = &pictures;
    r.images = &pictures;
    const fx::MarkupResult m = fx::DrawMarkup(surface, r);
    FUZZ_CHECK(m.height > 0, "height " + std::to_string(m.height));
    FUZZ_CHECK(m.width >= 0, "width " + std::to_string(m.width));
    FUZZ_CHECK(m.anchorUnderProbe < m.anchorCount, "anchor under the probe beyond the count");
    FUZZ_CHECK(surface.current.name == "BASE" && surface.current.size == 8, "the surface's font is not given back");
    return 0;
}
