// The markup engine over a deterministic surface: every character 6 pixels wide (bold 7), a
// line 12 pixels high (font size 12: 16), draws recorded as text.
#include "toolkit/core/markup.h"

#include "editor/core/instruction_text.h"

#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <random>

namespace fx {
namespace {

class TestSurface : public MarkupSurface {
public:
    Font current{"BASE", 8, false, false, false, false, 0x000000};
    uint32_t brush = 0x123456;
    std::vector<std::string> log;
    std::vector<int> angles, sizes;

    Font font() const override { return current; }
    void setFont(const Font& f) override { current = f; }
    static std::string visible(std::string_view text)
    {
        std::string out;
        for (size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '&' && i + 1 < text.size()) {
                ++i; // "&x" shows x underlined; "&&" shows "&"
            }
            out += text[i];
        }
        return out;
    }
    int charWidth() const { return current.bold ? 7 : 6; }
    Size textExtent(std::string_view text) override
    {
        return {static_cast<int>(visible(text).size()) * charWidth(), current.size >= 12 ? 16 : 12};
    }
    void drawText(std::string_view text, const Rect& box, uint32_t colour, bool ellipsis) override
    {
        angles.push_back(current.angle);
        sizes.push_back(current.size);
        std::string v = visible(text);
        const int room = (box.right - box.left) / charWidth();
        if (ellipsis && static_cast<int>(v.size()) > room)
            v = v.substr(0, static_cast<size_t>(std::max(0, room - 3))) + "...";
        char buf[160];
        std::snprintf(buf, sizeof buf, "text '%s' at %d,%d-%d colour %06X%s%s", v.c_str(), box.left, box.top, box.bottom,
                      colour, current.bold ? " bold" : "", current.underline ? " underline" : "");
        log.push_back(buf);
    }
    void drawLine(int x1, int y, int x2, uint32_t) override { log.push_back("line " + std::to_string(x1) + "-" + std::to_string(x2) + " y " + std::to_string(y)); }
    void fillRect(const Rect& r, uint32_t c) override
    {
        char buf[80];
        std::snprintf(buf, sizeof buf, "fill %d,%d-%d,%d colour %06X", r.left, r.top, r.right, r.bottom, c);
        log.push_back(buf);
    }
    void drawFocusRect(const Rect& r) override { log.push_back("focus " + std::to_string(r.left)); }
    uint32_t brushColour() const override { return brush; }
    void setBrushColour(uint32_t c) override { brush = c; }
    int pixelsPerInch() const override { return 96; }
};

class TestPictures : public PictureSource {
public:
    std::map<std::string, Size> named{{"SMILEY.GIF", {15, 15}}, {"BIG.GIF", {30, 40}}, {"WIDE.GIF", {200, 10}}};
    std::vector<std::string> drawn;
    std::optional<Size> pictureSize(const std::string& n) override
    {
        auto it = named.find(n);
        return it == named.end() ? std::nullopt : std::optional<Size>(it->second);
    }
    void drawPicture(const std::string& n, MarkupSurface&, const Rect& b, bool) override
    {
        drawn.push_back(n + " at " + std::to_string(b.left) + "," + std::to_string(b.top));
    }
    int imageCount() override { return 9; }
    Size imageSize() override { return {16, 16}; }
    void drawImage(int i, MarkupSurface&, int x, int y) override
    {
        drawn.push_back("idx " + std::to_string(i) + " at " + std::to_string(x) + "," + std::to_string(y));
    }
};

struct Fixture : ::testing::Test {
    TestSurface surface;
    TestPictures pictures;
    MarkupResult draw(std::string_view text, Rect rect = {0, 0, 200, 100}, bool wrap = true)
    {
        MarkupRequest r;
        r.text = text;
        r.rect = rect;
        r.wordWrap = wrap;
        r.pictures = &pictures;
        r.images = &pictures;
        return DrawMarkup(surface, r);
    }
    MarkupResult measure(std::string_view text, Rect rect = {0, 0, 200, 100}, bool wrap = true)
    {
        MarkupRequest r;
        r.text = text;
        r.rect = rect;
        r.wordWrap = wrap;
        r.measureOnly = true;
        r.pictures = &pictures;
        return DrawMarkup(surface, r);
    }
};

TEST_F(Fixture, EmptyTextIsOneLineHighAndNothingWide)
{
    const auto m = measure("");
    EXPECT_EQ(m.width, 0);
    EXPECT_EQ(m.height, 12);
    EXPECT_EQ(surface.brush, 0x123456u) << "the brush colour is restored";
}

TEST_F(Fixture, BoldBreaksAndPlainText)
{
    const auto m = measure("<B>Подсказка</B><BR>ab");
    EXPECT_EQ(m.width, 9 * 7);
    EXPECT_EQ(m.height, 24);
    EXPECT_EQ(m.plainText, "Подсказка\rab");
    draw("<B>ab</B>cd");
    ASSERT_EQ(surface.log.size(), 2u);
    EXPECT_EQ(surface.log[0], "text 'ab' at 1,0-12 colour 000000 bold");
    EXPECT_EQ(surface.log[1], "text 'cd' at 15,0-12 colour 000000");
}

TEST_F(Fixture, CentringHoldsAcrossBreaksAndParagraphEnds)
{
    draw("<P align=\"center\">abcd<BR>ab</P>xy");
    // Box 1..200: "abcd" is 24 wide: x = 1 + (199 - 24) / 2 = 88; "ab": 1 + (199 - 12) / 2 = 94.
    ASSERT_EQ(surface.log.size(), 3u);
    EXPECT_EQ(surface.log[0].substr(0, 17), "text 'abcd' at 88");
    EXPECT_EQ(surface.log[1].substr(0, 15), "text 'ab' at 94");
    EXPECT_EQ(surface.log[2].substr(0, 15), "text 'xy' at 94") << "</P> does not reset the alignment";
    surface.log.clear();
    draw("<P align=\"right\">ab");
    EXPECT_EQ(surface.log[0].substr(0, 16), "text 'ab' at 188");
}

TEST_F(Fixture, LineEndingTagsAndEmptyLines)
{
    EXPECT_EQ(measure("<BR>a").height, 24) << "a break at a line start is an empty line";
    EXPECT_EQ(measure("a</P><BR>b").height, 36);
    draw("<P align=\"left\"><HR></P>");
    EXPECT_EQ(surface.log[0], "line 1-200 y 13");
}

TEST_F(Fixture, FontColourAndFaceEndWithoutNesting)
{
    draw("<FONT color=\"#FF0000\">a<FONT face=\"Arial\">b</FONT>c</FONT>");
    ASSERT_EQ(surface.log.size(), 3u);
    EXPECT_NE(surface.log[0].find("colour 0000FF"), std::string::npos) << "#RRGGBB becomes 0x00BBGGRR";
    EXPECT_NE(surface.log[1].find("colour 0000FF"), std::string::npos);
    EXPECT_NE(surface.log[2].find("colour 000000"), std::string::npos) << "the inner </FONT> brought the base font back";
    EXPECT_EQ(markupColour("#0080C0"), 0xC08000u);
    EXPECT_EQ(markupColour("#0080c0"), 0xC08000u);
    EXPECT_EQ(markupColour("#F"), 0x0000F0u) << "missing digits count as 0";
    EXPECT_EQ(markupColour("CLRED"), 0x0000FFu);
    EXPECT_EQ(markupColour("clInfoBk"), 0x80000018u);
    EXPECT_EQ(markupColour("nocolour"), 0u);
    surface.log.clear();
    draw("<FONT bgcolor=\"#FF0000\">a</FONT>");
    ASSERT_EQ(surface.log.size(), 2u);
    EXPECT_EQ(surface.log[0], "fill 1,0-7,12 colour 0000FF") << "BGCOLOR fills behind the text";
    EXPECT_NE(surface.log[1].find("colour 000000"), std::string::npos) << "BGCOLOR is not COLOR";
    surface.sizes.clear();
    draw("<FONT size=\"1\">a<FONT size=\"5\">b<FONT size=\"6\">c");
    EXPECT_EQ(surface.sizes, (std::vector<int>{8, 16, 6})) << "sizes 1 to 5 are points from a table, others points";
}

TEST_F(Fixture, EntitiesAndAmpersands)
{
    EXPECT_EQ(measure("a&amp;b").plainText, "a&&b");
    EXPECT_EQ(measure("a&amp;b").width, 18) << "shows one ampersand";
    EXPECT_EQ(measure("&Fa").width, 12) << "a lone & is hidden";
    const auto m = measure("&lt;B&gt;x");
    EXPECT_EQ(m.plainText, "<B>x");
    draw("&lt;B&gt;x");
    EXPECT_EQ(surface.log[0], "text '<B>x' at 1,0-12 colour 000000") << "no bold";
    EXPECT_EQ(measure("&copy;&euro;").plainText, "\xA9\x80");
    EXPECT_EQ(measure("a&nbsp;b c").plainText, "a b c");
}

TEST_F(Fixture, WordWrapNeverBreaksAWordAndEllipsisEndsUnwrappedText)
{
    // Box 1..61 is 60 wide: 10 characters.
    const Rect narrow{0, 0, 61, 100};
    const auto wrapped = measure("aaaa bbbb cccc", narrow);
    EXPECT_EQ(wrapped.height, 24) << "two lines";
    EXPECT_EQ(measure("aaaa bbbbb", narrow).height, 24) << "a line as wide as the box does not fit";
    EXPECT_EQ(measure("aaaaaaaaaaaaaaa bb", narrow).height, 24) << "a chunk wider than the box still takes the line";
    EXPECT_EQ(measure("ab<B>cdefghijkl</B>", narrow).height, 12) << "a word is not split at a tag inside it";

    // Without word wrap a chunk that does not fit ends the text: "bbbbbbb" (bold, 49) after "aaa " (24).
    draw("aaa <B>bbbbbbb</B><BR>next", narrow, false);
    ASSERT_EQ(surface.log.size(), 2u) << "nothing after it, not even later lines";
    EXPECT_EQ(surface.log[1], "text 'bb...' at 25,0-12 colour 000000 bold");
    EXPECT_EQ(measure("aaa <B>bbbbbbb</B><BR>next", narrow, false).height, 12);
}

TEST_F(Fixture, PicturesSitAtTheLineTopAndAlignTheText)
{
    draw("<IMG src=\"smiley.gif\" align=\"top\"> Если");
    EXPECT_EQ(pictures.drawn, std::vector<std::string>{"SMILEY.GIF at 1,0"});
    // Line 15 high; top alignment: offset 15 - 12 = 3, so the text box ends at 12.
    EXPECT_EQ(surface.log[0].substr(0, 27), "text ' ' at 16,0-12 colour ");
    pictures.drawn.clear();
    surface.log.clear();
    draw("<IMG src=\"big.gif\" align=\"middle\">x<IMG src=\"idx:7\" align=\"midlle\">y");
    EXPECT_EQ(surface.log[0], "text 'x' at 31,0-26 colour 000000") << "middle: (40 - 12) >> 1 = 14";
    EXPECT_EQ(pictures.drawn[1], "idx 7 at 37,0");
    EXPECT_EQ(surface.log[1], "text 'y' at 53,0-26 colour 000000") << "an unknown alignment keeps the offset";
    EXPECT_EQ(measure("<IMG src=\"missing.gif\">a").width, 6) << "an unknown picture takes no space";
    EXPECT_EQ(measure("<IMG src=\"idx:9\">a").width, 0 + 6);
    EXPECT_EQ(measure("aaaa<IMG src=\"wide.gif\">", {0, 0, 211, 100}, false).height, 24)
        << "a picture wider than the rest moves to the next line, also without word wrap";
}

TEST_F(Fixture, AnchorsHitTestInsideTheTextBand)
{
    MarkupRequest r;
    const std::string text = "go <A href=\"http://example.com/\">site</A> now";
    r.text = text;
    r.rect = {0, 0, 200, 100};
    r.hitTestOnly = true;
    const auto probe = [&](int x, int y) {
        r.probeX = x;
        r.probeY = y;
        return DrawMarkup(surface, r);
    };
    // "go " is 18 wide from x 1: the anchor text spans 19..43 on a 12-pixel line.
    auto h = probe(25, 6);
    EXPECT_TRUE(h.hit);
    EXPECT_EQ(h.anchor, "http://example.com/");
    EXPECT_EQ(h.anchorCount, 1);
    EXPECT_EQ(h.anchorUnderProbe, 0);
    EXPECT_FALSE(probe(25, 12).hit) << "the bottom row is outside the band";
    EXPECT_FALSE(probe(25, 0).hit) << "the top row is outside the band";
    EXPECT_FALSE(probe(10, 6).hit);
    EXPECT_TRUE(probe(19, 6).hit) << "its first column";
    EXPECT_EQ(probe(10, 6).anchorUnderProbe, -1);
    EXPECT_EQ(measure("no link").anchorCount, 0);
    EXPECT_TRUE(surface.log.empty()) << "hit-testing draws nothing";

    MarkupRequest d;
    d.text = text;
    d.rect = {0, 0, 200, 100};
    d.focusLink = 0;
    d.hoverTextColour = 0x00FF00; // a hover colour alone hovers no link
    const auto drawn = DrawMarkup(surface, d);
    EXPECT_EQ(drawn.focusAnchor, "http://example.com/");
    EXPECT_NE(surface.log[1].find("colour FF0000 underline"), std::string::npos) << surface.log[1];
    EXPECT_EQ(surface.log.back().find("underline"), std::string::npos) << "the anchor ends at </A>";

    surface.log.clear();
    d.focusLink = -1;
    d.hoverLink = 0;
    d.hoverStyle = true;
    d.hoverColour = 0x00FFFF;
    d.hoverTextColour = 0x0000FF;
    const auto hovered = DrawMarkup(surface, d);
    EXPECT_EQ(surface.log[1], "fill 19,0-43,12 colour 00FFFF") << "the hover background";
    EXPECT_EQ(surface.log[2], "text 'site' at 19,0-12 colour 0000FF underline");
    EXPECT_EQ(hovered.hoverRect.left, 19);
    EXPECT_EQ(hovered.hoverRect.right, 43);
}

TEST_F(Fixture, TheProgramsOwnTextsLayOut)
{
    const char* texts[] = {
        "<IMG src=\"Helpi16.gif\" align=\"top\"> Это Ваши друзья, они помогут <BR>      Вам избежать словоловки...",
        "<IMG src=\"icon_roll.gif\" align=\"top\"> Самое страшное место в <BR>       этой игре - <B>словоловка..</B>",
        "Символы<FONT face=\"Arial\"></FONT>", "<IMG src=\"Properties16.gif\">    ОК", "<SHAD>ВНИМАНИЕ!</SHAD>",
        "<P align=\"left\"><HR></P>", "<FONT color=\"#0080C0\">синий</FONT>",
    };
    for (const char* t : texts) {
        const auto m = measure(t, {0, 0, 400, 100}, false);
        EXPECT_GE(m.height, 12) << t;
        EXPECT_LE(m.width, 400) << t;
        draw(t, {0, 0, 400, 100}, false);
    }
}

TEST_F(Fixture, TheRestOfTheEngine)
{
    draw("a<SUB>b</SUB><SUP>c</SUP>");
    EXPECT_EQ(surface.log[1], "text 'b' at 7,0-15 colour 000000") << "a quarter lower";
    EXPECT_EQ(surface.log[2], "text 'c' at 13,0-9 colour 000000") << "a quarter higher";

    surface.log.clear();
    draw("<HI>x</HI>");
    EXPECT_EQ(surface.log[0], "fill 1,0-7,12 colour 8000000D");
    EXPECT_EQ(surface.log[1], "text 'x' at 1,0-12 colour 8000000E");

    surface.log.clear();
    MarkupRequest r;
    r.text = "<BLINK>x</BLINK>y";
    r.rect = {0, 0, 100, 50};
    r.blinkVisible = false;
    DrawMarkup(surface, r);
    EXPECT_EQ(surface.log[0], "text 'x' at 1,0-12 colour 123456") << "the starting brush colour hides it";
    EXPECT_EQ(surface.log[1], "text 'y' at 7,0-12 colour 000000");

    surface.log.clear();
    draw("a<IND x=\"40\">b");
    EXPECT_EQ(surface.log[1], "text 'b' at 41,0-12 colour 000000");

    surface.log.clear();
    draw("<UL><LI>one<LI>two</UL>after");
    ASSERT_GE(surface.log.size(), 5u);
    EXPECT_EQ(surface.log[1], "text 'one' at 13,12-24 colour 000000") << "items indent by 12";
    EXPECT_EQ(surface.log[3], "text 'two' at 13,24-36 colour 000000") << "each item on a line of its own";
    EXPECT_EQ(surface.log[4], "text 'after' at 1,36-48 colour 000000");
    surface.log.clear();
    draw("<UL><UL><LI>deep</UL></UL>");
    EXPECT_NE(surface.log[1].find("'deep' at 25,"), std::string::npos) << "12 for each level";

    surface.log.clear();
    draw("<SHAD>s</SHAD>");
    EXPECT_EQ(surface.log[0], "text 's' at 1,0-12 colour 808080") << "the shadow's offset is 0 unless given";

    surface.log.clear();
    draw("<BODY bgcolor=\"#00FF00\"><FONT bgcolor=\"clred\">r</FONT><P bgcolor=\"clblue\">p</P>");
    EXPECT_EQ(surface.log[0], "fill 0,0-200,100 colour 00FF00");
    EXPECT_EQ(surface.log[1], "fill 1,0-7,12 colour 0000FF");
    EXPECT_EQ(surface.log[3], "fill 7,0-13,12 colour FF0000");

    surface.log.clear();
    draw("<E>bad</E>");
    EXPECT_EQ(surface.log.front().substr(0, 4), "line") << "a zigzag under the chunk";

    surface.log.clear();
    draw("a<NONSENSE x=\"1\">b");
    EXPECT_EQ(surface.log.size(), 2u) << "unknown tags are skipped";
    draw("<R 45>c</R>d");
    EXPECT_EQ(surface.angles[surface.angles.size() - 2], 45) << "R turns the text";
    EXPECT_EQ(surface.angles.back(), 0) << "until </R>";

    MarkupRequest bare;
    bare.text = "<IMG src=\"smiley.gif\">a";
    EXPECT_EQ(DrawMarkup(surface, bare).width, 6) << "no picture source: the picture takes no room";
    EXPECT_EQ(measure("<IMG src=\"smiley.gif\" width=\"20\" height=\"1\">a").width, 26) << "stretched to 20 x 1";

    pictures.drawn.clear();
    draw("<BODY background=\"smiley.gif\">x", {0, 0, 30, 20});
    EXPECT_EQ(pictures.drawn.size(), 4u) << "tiled: two across, two down";
    std::string deep;
    for (int i = 0; i < 2000; ++i)
        deep += "<B><FONT color=\"#123456\"><A href=\"x\">";
    EXPECT_GE(measure(deep + "end").width, 18);
}

TEST_F(Fixture, TheInstructionTextLaysOutInTheDialogsLabel)
{
    std::string text;
    for (const auto& line : slovo::instructionLines())
        text += line;
    EXPECT_EQ(slovo::instructionLines().size(), 29u);
    const auto m = measure(text, {0, 0, 572, 10000});
    EXPECT_LE(m.width, 572);
    EXPECT_GT(m.height, 20 * 12) << "many lines";
    EXPECT_EQ(m.plainText.find('<'), std::string::npos) << "no tag leaks into the text";
    EXPECT_NE(m.plainText.find("ВНИМАНИЕ!"), std::string::npos);
    draw(text, {0, 0, 572, 10000});
    EXPECT_FALSE(surface.log.empty());
}

// Random markup (unbalanced tags, lone "<", long attribute values, deep nesting) lays out
// without crashing or hanging and keeps its outputs within reason.
// A font at the picture taller than the line so far gives no negative offset: the text stays in
// its line (before, the halved unsigned difference put it near y = -2^31).
TEST_F(Fixture, TallFontsAtAlignedPicturesKeepTheTextInItsLine)
{
    const Rect high{0, -64, 200, 100};
    for (const char* align : {"middle", "top"}) {
        surface.log.clear();
        const std::string text = std::string("a<FONT size=\"5\"><IMG src=\"smiley.gif\" align=\"") + align + "\">";
        draw(text, high);
        ASSERT_EQ(surface.log.size(), 1u) << align;
        EXPECT_EQ(surface.log[0], "text 'a' at 1,-64--49 colour 000000") << align << ": line 15 high, offset 0";
    }
    surface.log.clear();
    draw("a<FONT size=\"5\"><IMG src=\"idx:0\" align=\"middle\">", high);
    ASSERT_EQ(surface.log.size(), 1u);
    EXPECT_EQ(surface.log[0], "text 'a' at 1,-64--48 colour 000000");
}

// The entity rule as stated: passes until nothing changes, each replacing the first occurrence of
// each entity in turn. The engine must give the same text in one linear scan.
std::string entitiesByPasses(std::string text)
{
    static const std::pair<std::string, std::string> entities[] = {
        {"&amp;", "&&"}, {"&quot;", "\""}, {"&sect;", "\xA7"}, {"&permil;", "\x89"}, {"&reg;", "\xAE"},
        {"&copy;", "\xA9"}, {"&para;", "\xB6"}, {"&trade;", "\x99"}, {"&euro;", "\x80"}};
    const auto find = [](const std::string& hay, const std::string& needle) {
        for (size_t i = 0; i + needle.size() <= hay.size(); ++i) {
            size_t k = 0;
            while (k < needle.size() && std::toupper(static_cast<unsigned char>(hay[i + k])) == std::toupper(static_cast<unsigned char>(needle[k])))
                ++k;
            if (k == needle.size())
                return i;
        }
        return std::string::npos;
    };
    for (bool changed = true; changed;) {
        changed = false;
        for (const auto& [from, to] : entities) {
            if (const size_t at = find(text, from); at != std::string::npos) {
                text.replace(at, from.size(), to);
                changed = true;
            }
        }
    }
    return text;
}

TEST(Entities, OneScanGivesWhatThePassesGive)
{
    const struct {
        std::string text, expanded;
    } cases[] = {
        {"a&amp;b", "a&&b"},
        {"&amp;&amp;", "&&&&"},
        {"&amp;amp;", "&&&"},
        {"&amp;quot;", "&\""},
        {"&AMP;Quot;&Euro;", "&\"\x80"},
        {"&&amp;;", "&&&;"},
        {"&am&amp;p;", "&am&&p;"},
        {"&amp", "&amp"},
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(expandEntities(c.text), c.expanded) << c.text;
        EXPECT_EQ(entitiesByPasses(c.text), c.expanded) << c.text;
    }
    std::mt19937 rng(13);
    const char* pieces[] = {"&", "amp;", "&amp;", "quot;", "&quot;", "eur", "o;", "&sect;", "a", ";", "AMP;", "&pe", "rmil;"};
    for (int round = 0; round < 5000; ++round) {
        std::string text;
        for (int i = static_cast<int>(rng() % 12); i > 0; --i)
            text += pieces[rng() % (sizeof pieces / sizeof *pieces)];
        ASSERT_EQ(expandEntities(text), entitiesByPasses(text)) << text;
    }
    // The inputs that took seconds: 65 KB of entities, flat and nested.
    std::string flat, nested = "&";
    for (int i = 0; i < 13107; ++i)
        flat += "&amp;";
    for (int i = 0; i < 16384; ++i)
        nested += "amp;";
    std::string twice;
    for (int i = 0; i < 13107; ++i)
        twice += "&&";
    EXPECT_EQ(expandEntities(flat), twice);
    EXPECT_EQ(expandEntities(nested), std::string(16385, '&'));
}

TEST_F(Fixture, RandomMarkupNeverBreaksTheEngine)
{
    std::mt19937 rng(3);
    const char* pieces[] = {"<B>", "</B>", "<BR>", "<P align=\"center\">", "</P>", "<HR>", "<FONT color=\"#12",
                            "<FONT face=\"", "</FONT>", "<SHAD>", "<IMG src=\"smiley.gif\" align=\"top\">",
                            "<IMG src=\"idx:", "<A href=\"x\">", "</A>", "<", ">", "&amp;", "&", " ", "слово",
                            "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", "\r\n", "<UNKNOWN attr=\"v\">", "&lt;", "\""};
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        const int n = static_cast<int>(rng() % 30);
        for (int i = 0; i < n; ++i)
            text += pieces[rng() % (sizeof pieces / sizeof *pieces)];
        if (round % 50 == 0)
            text += "<FONT face=\"" + std::string(5000, 'x') + "\">";
        const Rect rect{0, 0, static_cast<int>(rng() % 300), static_cast<int>(rng() % 200)};
        surface.log.clear();
        const auto m = measure(text, rect, rng() % 2);
        ASSERT_GE(m.height, 12);
        ASSERT_LE(m.height, 16 * static_cast<int>(text.size() + 1));
        draw(text, rect, rng() % 2);
    }
}

} // namespace
} // namespace fx
