// The markup layout engine: preparation, the line loop, the line scan with its chunks, and tags.
#include "toolkit/core/markup.h"

#include <algorithm>

namespace fx {

namespace {

std::string upper(std::string_view s)
{
    std::string out(s);
    for (auto& c : out)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 32);
    return out;
}

std::string lower(std::string_view s)
{
    std::string out(s);
    for (auto& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + 32);
    return out;
}

size_t findNoCase(std::string_view hay, std::string_view needle, size_t from = 0)
{
    if (needle.empty() || hay.size() < needle.size())
        return std::string_view::npos;
    for (size_t i = from; i + needle.size() <= hay.size(); ++i) {
        size_t k = 0;
        while (k < needle.size()) {
            char a = hay[i + k], b = needle[k];
            if (a >= 'a' && a <= 'z')
                a = static_cast<char>(a - 32);
            if (b >= 'a' && b <= 'z')
                b = static_cast<char>(b - 32);
            if (a != b)
                break;
            ++k;
        }
        if (k == needle.size())
            return i;
    }
    return std::string_view::npos;
}

// Replaces every occurrence of from (letter case ignored) by to.
void replaceAllNoCase(std::string& s, std::string_view from, std::string_view to)
{
    for (size_t at = findNoCase(s, from); at != std::string::npos; at = findNoCase(s, from, at + to.size()))
        s.replace(at, from.size(), to);
}

// The value between the first pair of double quotes after the attribute name (in the upper-cased tag).
std::optional<std::string> attribute(const std::string& tag, const std::string& upperTag, std::string_view name)
{
    const size_t at = upperTag.find(name);
    if (at == std::string::npos)
        return std::nullopt;
    const size_t open = tag.find('"', at + name.size());
    if (open == std::string::npos)
        return std::nullopt;
    const size_t close = tag.find('"', open + 1);
    if (close == std::string::npos)
        return std::nullopt;
    return tag.substr(open + 1, close - open - 1);
}

int toInt(const std::string& s)
{
    int v = 0;
    bool any = false;
    for (char c : s) {
        if (c < '0' || c > '9')
            break;
        any = true;
        v = std::min(v * 10 + (c - '0'), 100000);
    }
    return any ? v : 0;
}

struct State {
    Font font;
    bool inAnchor = false;
    std::string target;
    int anchorCount = 0;
    bool shadow = false;
    int align = 0; // 0 left, 1 right, 2 centre
    int indent = 0;
    int script = 0; // 1 subscript, 2 superscript
    bool highlight = false, error = false, blink = false;
    uint32_t fontBack = kNoColour, paraBack = kNoColour;
    int listLevel = 0;
};

enum class Pass { Measure, Draw, HitTest };

class Layout {
public:
    Layout(MarkupSurface& s, const MarkupRequest& r, MarkupResult& out, uint32_t startBrush)
        : s_(s), r_(r), out_(out), startBrush_(startBrush)
    {
    }

    int ghHeight()
    {
        s_.setFont(state_.font);
        return s_.textExtent("gh").height;
    }

    void run(std::string text)
    {
        base_ = s_.font();
        state_.font = base_;
        const int x0 = r_.rect.left + 1;
        int y = r_.rect.top;
        std::string_view rest = text;
        while (!rest.empty()) {
            const State start = state_;
            lineHeight_ = ghHeight();
            imageOffset_ = 0;
            std::string_view measured = rest;
            scan(Pass::Measure, measured, x0, y);
            const std::string_view consumed = rest.substr(0, rest.size() - measured.size());
            if (consumed.empty() && !measured.empty())
                break; // nothing could be placed: no more lines either
            const int width = lineWidth_;
            int x = x0;
            if (state_.align == 1 && r_.rect.right - width > x0)
                x = r_.rect.right - width;
            else if (state_.align == 2 && r_.rect.right - x0 - width > 0)
                x = x0 + (r_.rect.right - x0 - width) / 2;
            x += state_.indent;
            const int height = lineHeight_;
            if (!r_.measureOnly) {
                state_ = start;
                std::string_view again = consumed;
                scan(r_.hitTestOnly ? Pass::HitTest : Pass::Draw, again, x, y);
                lineHeight_ = height;
                if (chunkHit_) {
                    const int bottom = y + height - imageOffset_;
                    if (r_.probeY > bottom - ghAtHit_ && r_.probeY < bottom)
                        out_.hit = true;
                }
                if (imageHit_)
                    out_.hit = true;
            }
            rest = measured;
            y += height;
            out_.height += height;
            if (!r_.measureOnly && y > r_.rect.bottom)
                break;
        }
        if (out_.height == 0) {
            state_.font = base_;
            out_.height = ghHeight();
        }
        out_.anchorCount = std::max(out_.anchorCount, state_.anchorCount);
    }

private:
    void scan(Pass pass, std::string_view& rest, int lineX, int lineTop)
    {
        const int boxWidth = r_.rect.right - lineX;
        int curX = 0;
        int trailing = 0;
        std::string lineText;
        bool ended = false;
        chunkHit_ = imageHit_ = false;
        const int lineBottom = lineTop + lineHeight_;
        while (!rest.empty() && !ended) {
            const size_t lt = rest.find('<');
            const size_t sp = r_.wordWrap ? rest.find(' ') : std::string_view::npos;
            std::string_view chunk;
            if (lt != std::string_view::npos && (sp == std::string_view::npos || sp > lt))
                chunk = rest.substr(0, lt);
            else if (sp != std::string_view::npos)
                chunk = rest.substr(0, sp + 1);
            else
                chunk = rest;

            if (!chunk.empty()) {
                std::string shown(chunk);
                replaceAllNoCase(shown, "&nbsp;", " ");
                replaceAllNoCase(shown, "&lt;", "<");
                replaceAllNoCase(shown, "&gt;", ">");
                s_.setFont(state_.font);
                const Size extent = s_.textExtent(shown);
                if (pass == Pass::Measure) {
                    lineHeight_ = std::max(lineHeight_, extent.height);
                    out_.plainText += shown;
                }
                bool fits = curX + extent.width < boxWidth || extent.width >= boxWidth;
                if (!fits && !lineText.empty() && lineText.back() != ' ')
                    fits = true;
                if (pass != Pass::Measure)
                    fits = true; // the line's text was chosen by the measure pass
                if (pass == Pass::HitTest && state_.inAnchor && r_.probeX - lineX >= curX && r_.probeX - lineX <= curX + extent.width) {
                    chunkHit_ = true;
                    ghAtHit_ = ghHeight();
                    out_.anchorUnderProbe = state_.anchorCount - 1;
                    if (r_.probeY > lineTop)
                        out_.anchor = state_.target;
                }
                if (pass == Pass::Draw) {
                    Rect box{lineX + curX, lineTop, r_.rect.right, lineBottom - imageOffset_};
                    const int quarter = extent.height / 4;
                    if (state_.script == 1)
                        box.bottom += quarter;
                    else if (state_.script == 2)
                        box.bottom -= quarter;
                    const bool hovered = state_.inAnchor && state_.anchorCount - 1 == r_.hoverLink;
                    const uint32_t back = hovered && r_.hoverColour != kNoColour ? r_.hoverColour
                                          : state_.highlight                     ? kSystemColour + 13
                                          : state_.fontBack != kNoColour         ? state_.fontBack
                                                                                 : state_.paraBack;
                    if (back != kNoColour)
                        s_.fillRect(Rect{box.left, lineTop, box.left + extent.width, lineBottom}, back);
                    if (state_.error) {
                        // A red zigzag under the chunk.
                        for (int x = box.left; x + 2 <= box.left + extent.width; x += 2)
                            s_.drawLine(x, lineBottom - 1 - ((x - box.left) / 2) % 2, x + 2, 0x0000FF);
                    }
                    if (state_.shadow)
                        s_.drawText(shown, Rect{box.left + r_.shadowOffset, box.top + r_.shadowOffset,
                                                box.right + r_.shadowOffset, box.bottom + r_.shadowOffset},
                                    r_.shadowColour, !r_.wordWrap);
                    s_.drawText(shown, box, textColour(), !r_.wordWrap);
                    const int anchor = state_.anchorCount - 1;
                    if (state_.inAnchor && anchor == r_.focusLink)
                        s_.drawFocusRect(Rect{box.left, box.top, box.left + extent.width, box.bottom});
                    if (state_.inAnchor && anchor == r_.hoverLink)
                        out_.hoverRect = Rect{box.left, box.top, box.left + extent.width, box.bottom};
                }
                if (fits || !r_.wordWrap) {
                    rest.remove_prefix(chunk.size());
                    curX += extent.width;
                    lineText += shown;
                    trailing = chunk.back() == ' ' ? s_.textExtent(" ").width : 0;
                    if (pass == Pass::Measure && !r_.wordWrap && !fits) {
                        rest = std::string_view();
                        ended = true;
                    }
                } else {
                    ended = true;
                }
            }
            if (rest.size() <= 2 && !rest.empty() && rest[0] == '<') {
                rest = std::string_view();
                break;
            }
            if (!ended && rest.size() >= 3 && rest[0] == '<') {
                const size_t close = rest.find('>');
                const std::string tag(rest.substr(0, close == std::string_view::npos ? rest.size() : close + 1));
                bool keepTag = false;
                ended = handleTag(pass, tag, lineX, lineTop, curX, boxWidth, keepTag);
                if (!keepTag)
                    rest = close == std::string_view::npos ? std::string_view() : rest.substr(close + 1);
            }
        }
        lineWidth_ = curX - trailing;
        if (pass == Pass::Measure)
            out_.width = std::max(out_.width, lineWidth_);
    }

    uint32_t textColour() const
    {
        if (state_.blink && !r_.blinkVisible)
            return startBrush_;
        if (state_.highlight && !r_.selected)
            return kSystemColour + 14;
        if (state_.inAnchor && !r_.selected) {
            const bool hovered = state_.anchorCount - 1 == r_.hoverLink;
            if (hovered && r_.hoverTextColour != kNoColour)
                return r_.hoverTextColour;
            return r_.linkColour;
        }
        return state_.font.colour;
    }

    // Returns whether the line ends here.
    bool handleTag(Pass pass, const std::string& tag, int lineX, int lineTop, int& curX, int boxWidth, bool& keepTag)
    {
        const std::string up = upper(tag);
        const bool closing = up.size() > 2 && up[1] == '/';
        size_t n = closing ? 2 : 1;
        std::string name;
        while (n < up.size() && up[n] >= 'A' && up[n] <= 'Z')
            name += up[n++];

        if (name == "B" || name == "I" || name == "U" || name == "S") {
            bool& flag = name == "B" ? state_.font.bold : name == "I" ? state_.font.italic
                       : name == "U" ? state_.font.underline : state_.font.strikeOut;
            flag = !closing;
        } else if (name == "BR" && !closing) {
            if (pass == Pass::Measure)
                out_.plainText += '\r';
            return true;
        } else if (name == "HR" && !closing) {
            if (pass == Pass::Draw)
                s_.drawLine(lineX, lineTop + lineHeight_ + 1, r_.rect.right, 0);
            return true;
        } else if (name == "P") {
            if (closing) {
                state_.paraBack = kNoColour;
                return true;
            }
            if (auto align = attribute(tag, up, "ALIGN")) {
                const std::string v = upper(*align);
                if (v.find("RIGHT") != std::string::npos)
                    state_.align = 1;
                if (v.find("LEFT") != std::string::npos)
                    state_.align = 0;
                if (v.find("CENTER") != std::string::npos)
                    state_.align = 2;
            }
            if (auto indent = attribute(tag, up, "INDENT"))
                state_.indent = toInt(*indent);
            if (auto back = attribute(tag, up, "BGCOLOR"))
                state_.paraBack = markupColour(upper(*back));
        } else if (name == "FONT") {
            if (closing) {
                state_.font.name = base_.name;
                state_.font.size = base_.size;
                if (!r_.selected)
                    state_.font.colour = base_.colour;
                state_.fontBack = kNoColour;
            } else {
                if (auto back = attribute(tag, up, "BGCOLOR"))
                    state_.fontBack = markupColour(upper(*back));
                if (auto face = attribute(tag, up, "FACE"))
                    state_.font.name = upper(*face);
                if (auto colour = attribute(tag, up, " COLOR"); colour && !r_.selected)
                    state_.font.colour = markupColour(upper(*colour));
                if (auto size = attribute(tag, up, "SIZE")) {
                    static const int points[] = {8, 10, 12, 14, 16};
                    const int v = toInt(*size);
                    state_.font.size = v >= 1 && v <= 5 ? points[v - 1] : (v > 0 ? v : state_.font.size);
                }
            }
        } else if (name == "SHAD") {
            state_.shadow = !closing;
        } else if (name == "SUB" || name == "SUP") {
            state_.script = closing ? 0 : (name == "SUB" ? 1 : 2);
        } else if (name == "HI") {
            state_.highlight = !closing;
        } else if (name == "E") {
            state_.error = !closing;
        } else if (name == "BLINK") {
            state_.blink = !closing;
        } else if (name == "IND" && !closing) {
            if (auto x = attribute(tag, up, "X"))
                curX = toInt(*x);
        } else if (name == "UL") {
            state_.listLevel = std::max(0, state_.listLevel + (closing ? -1 : 1));
            return true;
        } else if (name == "LI" && !closing) {
            if (curX > 0) {
                keepTag = true; // the item starts a line of its own
                return true;
            }
            const int x = 12 * std::max(1, state_.listLevel);
            if (pass == Pass::Draw)
                s_.drawText("\x95", Rect{lineX + x - 10, lineTop, lineX + x, lineTop + lineHeight_ - imageOffset_}, textColour(), false);
            curX = x;
        } else if (name == "R") {
            size_t digits = n;
            while (digits < up.size() && up[digits] == ' ')
                ++digits;
            state_.font.angle = closing ? 0 : toInt(up.substr(digits));
        } else if (name == "BODY" && !closing) {
            if (pass == Pass::Draw && !bodyFilled_) {
                bodyFilled_ = true;
                if (auto colour = attribute(tag, up, "BGCOLOR"))
                    s_.fillRect(r_.rect, markupColour(upper(*colour)));
                // A background picture is tiled over the whole rectangle.
                if (auto picture = attribute(tag, up, "BACKGROUND"); picture && r_.pictures) {
                    const std::string name = upper(*picture);
                    if (auto size = r_.pictures->pictureSize(name); size && size->width > 0 && size->height > 0)
                        for (int y = r_.rect.top; y < r_.rect.bottom; y += size->height)
                            for (int x = r_.rect.left; x < r_.rect.right; x += size->width)
                                r_.pictures->drawPicture(name, s_, Rect{x, y, x + size->width, y + size->height}, false);
                }
            }
        } else if (name == "A") {
            if (closing) {
                state_.inAnchor = false;
                state_.font.underline = false;
                if (!r_.selected)
                    state_.font.colour = base_.colour;
            } else {
                const int number = state_.anchorCount++;
                state_.inAnchor = true;
                const size_t open = tag.find('"');
                const size_t close = open == std::string::npos ? open : tag.find('"', open + 1);
                state_.target = close == std::string::npos ? std::string() : tag.substr(open + 1, close - open - 1);
                if (!r_.hoverStyle || number == r_.hoverLink)
                    state_.font.underline = true;
                if (number == r_.focusLink)
                    out_.focusAnchor = state_.target;
            }
        } else if (name == "IMG" && !closing) {
            return image(pass, tag, up, lineX, lineTop, curX, boxWidth, keepTag);
        }
        return false;
    }

    bool image(Pass pass, const std::string& tag, const std::string& up, int lineX, int lineTop, int& curX, int boxWidth,
               bool& keepTag)
    {
        const std::string src = upper(attribute(tag, up, "SRC").value_or(""));
        Size size;
        int index = -1;
        bool named = false, stretch = false;
        const double scale = s_.pixelsPerInch() / 96.0 * (r_.print ? r_.resolutionFactor : 1.0);
        if (const size_t idx = src.find("IDX:"); idx != std::string::npos) {
            const int i = toInt(src.substr(idx + 4));
            if (r_.images && i < r_.images->imageCount()) {
                index = i;
                size = r_.images->imageSize();
            }
        } else if (src.find(':') == std::string::npos && r_.pictures) {
            if (auto natural = r_.pictures->pictureSize(src); natural && natural->width > 0 && natural->height > 0) {
                named = true;
                size = *natural;
                const int w = toInt(attribute(tag, up, "WIDTH").value_or(""));
                const int h = toInt(attribute(tag, up, "HEIGHT").value_or(""));
                if (w > 0 && h > 0) {
                    size = {w, h};
                    stretch = true;
                }
            }
        }
        if (index < 0 && !named)
            return false;
        size.width = static_cast<int>(size.width * scale);
        size.height = static_cast<int>(size.height * scale);

        if (pass == Pass::Measure && curX + size.width > boxWidth && size.width < boxWidth) {
            keepTag = true;
            return true;
        }
        if (pass == Pass::Draw) {
            if (index >= 0)
                r_.images->drawImage(index, s_, lineX + curX, lineTop);
            else {
                const Rect box{lineX + curX, lineTop, lineX + curX + size.width, lineTop + size.height};
                if (r_.pictures->frameCount(src) > 1 && startBrush_ != kNoColour)
                    s_.fillRect(box, startBrush_);
                r_.pictures->drawPicture(src, s_, box, stretch);
            }
        }
        if (pass == Pass::HitTest && state_.inAnchor && r_.probeX - lineX > curX && r_.probeX - lineX < curX + size.width
            && r_.probeY > lineTop && r_.probeY < lineTop + size.height) {
            imageHit_ = true;
            out_.anchor = state_.target;
            out_.anchorUnderProbe = state_.anchorCount - 1;
        }
        curX += size.width;
        if (pass == Pass::Measure)
            lineHeight_ = std::max(lineHeight_, size.height);
        if (up.find("ALIGN") != std::string::npos) {
            const int gh = ghHeight();
            // A font at the picture taller than the line so far would make the offset negative
            // and move the text out of its line (far out, for the halved unsigned difference).
            const int spare = std::max(0, lineHeight_ - gh);
            if (up.find("\"TOP") != std::string::npos)
                imageOffset_ = spare;
            else if (up.find("\"MIDDLE") != std::string::npos)
                imageOffset_ = spare / 2;
        }
        return false;
    }

    MarkupSurface& s_;
    const MarkupRequest& r_;
    MarkupResult& out_;
    Font base_;
    State state_;
    int lineHeight_ = 0, imageOffset_ = 0, lineWidth_ = 0, ghAtHit_ = 0;
    bool chunkHit_ = false, imageHit_ = false;
    bool bodyFilled_ = false;
    uint32_t startBrush_ = kNoColour;
};

struct NamedColour {
    const char* name;
    uint32_t value;
};

constexpr NamedColour kColours[] = {
    {"clred", 0x0000FF}, {"clblack", 0x000000}, {"clblue", 0xFF0000}, {"clgreen", 0x008000}, {"claqua", 0xFFFF00},
    {"clyellow", 0x00FFFF}, {"clfuchsia", 0xFF00FF}, {"clwhite", 0xFFFFFF}, {"cllime", 0x00FF00},
    {"clsilver", 0xC0C0C0}, {"clgray", 0x808080}, {"clolive", 0x008080}, {"clnavy", 0x800000},
    {"clpurple", 0x800080}, {"clteal", 0x808000}, {"clmaroon", 0x000080},
    {"clbackground", kSystemColour + 1}, {"clactivecaption", kSystemColour + 2}, {"clinactivecaption", kSystemColour + 3},
    {"clmenu", kSystemColour + 4}, {"clwindow", kSystemColour + 5}, {"clwindowframe", kSystemColour + 6},
    {"clmenutext", kSystemColour + 7}, {"clwindowtext", kSystemColour + 8}, {"clcaptiontext", kSystemColour + 9},
    {"clactiveborder", kSystemColour + 10}, {"clinactiveborder", kSystemColour + 11},
    {"clappworkspace", kSystemColour + 12}, {"clhighlight", kSystemColour + 13},
    {"clhighlighttext", kSystemColour + 14}, {"clbtnface", kSystemColour + 15}, {"clbtnshadow", kSystemColour + 16},
    {"clgraytext", kSystemColour + 17}, {"clbtntext", kSystemColour + 18},
    {"clinactivecaptiontext", kSystemColour + 19}, {"clbtnhighlight", kSystemColour + 20},
    {"cl3ddkshadow", kSystemColour + 21}, {"cl3dlight", kSystemColour + 22}, {"clinfotext", kSystemColour + 23},
    {"clinfobk", kSystemColour + 24},
};

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return 0;
}

} // namespace

uint32_t markupColour(std::string_view value)
{
    if (!value.empty() && value[0] == '#') {
        uint32_t rgb[3] = {0, 0, 0};
        for (size_t i = 0; i < 6; ++i) {
            const char c = 1 + i < value.size() ? value[1 + i] : '0';
            rgb[i / 2] = rgb[i / 2] * 16 + static_cast<uint32_t>(hexDigit(c));
        }
        return rgb[0] | (rgb[1] << 8) | (rgb[2] << 16);
    }
    const std::string name = lower(value);
    for (const auto& c : kColours)
        if (name == c.name)
            return c.value;
    return 0;
}

std::string expandEntities(std::string_view source)
{
    static const std::pair<std::string_view, std::string_view> entities[] = {
        {"&amp;", "&&"}, {"&quot;", "\""}, {"&sect;", "\xA7"}, {"&permil;", "\x89"}, {"&reg;", "\xAE"},
        {"&copy;", "\xA9"}, {"&para;", "\xB6"}, {"&trade;", "\x99"}, {"&euro;", "\x80"}};
    // Entities cannot overlap (each holds one ampersand, at its start), so the order of the
    // replacements does not change the result: one scan that looks again at the ampersand an
    // "&amp;" leaves behind gives what the passes until nothing changes give, in linear time.
    std::string text(source);
    std::string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        bool replaced = false;
        if (text[i] == '&') {
            for (const auto& [from, to] : entities) {
                if (text.size() - i < from.size() || findNoCase(std::string_view(text).substr(i, from.size()), from) != 0)
                    continue;
                i += from.size();
                if (to == "&&") {
                    out += '&';
                    text[--i] = '&'; // may begin another entity with what follows
                } else {
                    out += to;
                }
                replaced = true;
                break;
            }
        }
        if (!replaced)
            out += text[i++];
    }
    return out;
}

MarkupResult DrawMarkup(MarkupSurface& surface, const MarkupRequest& request)
{
    MarkupResult out;
    const Font savedFont = surface.font();
    const uint32_t savedBrush = surface.brushColour();
    surface.setBrushColour(kNoColour);

    const std::string text = expandEntities(request.text);
    std::string prepared;
    prepared.reserve(text.size());
    for (char c : text) {
        if (c == '\r')
            prepared += "<BR>";
        else if (c != '\n')
            prepared += c;
    }

    Layout layout(surface, request, out, savedBrush);
    layout.run(std::move(prepared));
    surface.setFont(savedFont);
    surface.setBrushColour(savedBrush);
    return out;
}

} // namespace fx
