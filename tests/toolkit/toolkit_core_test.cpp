// The toolkit's platform-free parts: the clock text and plain markup.
#include "toolkit/core/clock_format.h"
#include "toolkit/core/plain_markup.h"

#include <gtest/gtest.h>

namespace tk {
namespace {

TEST(ClockText, TwelveHourClockWithAmPm)
{
    const struct {
        int h, m, s;
        const char* text;
    } cases[] = {
        {0, 0, 0, "12:00:00 am"},  {12, 0, 0, "12:00:00 pm"}, {13, 0, 0, "1:00:00 pm"},
        {0, 5, 9, "12:05:09 am"},  {9, 7, 3, "9:07:03 am"},   {11, 59, 59, "11:59:59 am"},
        {23, 59, 59, "11:59:59 pm"}, {10, 30, 0, "10:30:00 am"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(clockText(c.h, c.m, c.s), c.text) << c.h << ":" << c.m << ":" << c.s;
}

TEST(PlainMarkup, TagsGoAndBoldIsNoticed)
{
    bool bold = false;
    EXPECT_EQ(stripMarkup("<B>Словоловка</B>", &bold), "Словоловка");
    EXPECT_TRUE(bold);
    bold = false;
    EXPECT_EQ(stripMarkup("Символы<FONT face=\"Arial\"></FONT>", &bold), "Символы");
    EXPECT_FALSE(bold);
    EXPECT_EQ(stripMarkup("<IMG src=\"Properties16.gif\">    ОК"), "    ОК");
    EXPECT_EQ(stripMarkup("a < b"), "a ");
    EXPECT_EQ(stripMarkup("<I>a</I><B>b", &bold), "ab");
    EXPECT_TRUE(bold) << "each tag read afresh";
    EXPECT_EQ(stripMarkup(""), "");
}

TEST(PlainMarkup, HintsBreakAtBr)
{
    EXPECT_EQ(plainHint("<IMG src=\"Home16.gif\" align=\"top\"> Колличество <BR>    отгаданных слов..."),
              "Колличество \r\n    отгаданных слов...");
    EXPECT_EQ(plainHint("<IMG src=\"Export16.gif\" align=\"top\"> Закрыть программу..."), "Закрыть программу...");
    EXPECT_EQ(plainHint("   "), "");
}

} // namespace
} // namespace tk
