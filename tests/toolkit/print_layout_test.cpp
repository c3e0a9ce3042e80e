// The print layout of the table: scale to the printable width, rows per page, page numbers.
#include "toolkit/core/print_layout.h"

#include <gtest/gtest.h>

#include <cmath>

#include <string>
#include <vector>

namespace tk {
namespace {

// Fixed widths make every length of the layout computable by hand.
class FixedMeasurer : public PrintTextMeasurer {
public:
    int lineHeight(PrintFont f) const override { return f == PrintFont::Cell ? 30 : 35; }
    int charWidth(PrintFont f, unsigned char c) const override
    {
        if (c < 32)
            return 0;
        return f == PrintFont::Title ? 14 : 10;
    }
};

using Cells = std::vector<std::vector<std::string>>;

// Numbers padded to six characters, so the number column is as wide for 10 rows as for 10^5.
std::string number(int r)
{
    const std::string digits = std::to_string(r);
    return std::string(6 - digits.size(), ' ') + digits;
}

Cells table(int dataRows)
{
    Cells cells{{"", " Слово", " Подсказка"}};
    for (int r = 1; r <= dataRows; ++r)
        cells.push_back({number(r), "КОРИЦА", "ПРЯНОСТЬ"});
    return cells;
}

// A4 less a printer's unprintable edges.
constexpr int kWidth = 2000, kHeight = 2870;

TEST(PrintLayout, ScalesTheTextsToThePrintableWidthEitherWay)
{
    const struct {
        Cells cells;
        double scale;
    } cases[] = {
        // widths 6 + 6 + 10 characters of 10, each with the indent of 10 on both sides, over the
        // printable 2000 - 202
        {table(2), 1798.0 / 280.0},
        {{{"1", "СЛОВО", std::string(200, 'Ж')}}, 1798.0 / 2120.0},
        {{{"1", "А\r\nпотом", "Б\nещё"}}, 1798.0 / 90.0}, // only the first line of a cell counts
        {{{"1", "", ""}}, 1798.0 / 70.0},                   // an empty column keeps its indents
    };
    FixedMeasurer m;
    for (const auto& c : cases) {
        const PrintLayout layout(c.cells, kWidth, kHeight, m);
        EXPECT_NEAR(layout.scale(), c.scale, 1e-9);
        int total = 0;
        for (int w : layout.columnWidths())
            total += w;
        EXPECT_NEAR(total, kWidth - 202, 2) << "scale " << layout.scale();
        EXPECT_EQ(layout.tableLeft(), 101 + (kWidth - 202 - total) / 2) << "centred between the margins";
    }
    EXPECT_TRUE(printFontSpec(PrintFont::Title).bold && !printFontSpec(PrintFont::Footer).bold);
    PrintSettings extra;
    extra.columnExtra = 40;
    const Cells two = table(2);
    EXPECT_NEAR(PrintLayout(two, kWidth, kHeight, m, extra).scale(), (1798.0 - 3 * 40) / 280.0, 1e-9) << "the extra is not scaled";
}

TEST(PrintLayout, RowsPerPageAndPageCount)
{
    FixedMeasurer m;
    // Table top: header area 200 (the two title lines of 35 fit) + 55. Rows of 30 * scale + 25.
    const PrintLayout probe(table(1), kWidth, kHeight, m);
    const double scale = 1798.0 / 280.0;
    const int rowHeight = static_cast<int>(std::lround(30 * scale)) + 25;
    ASSERT_EQ(probe.rowHeight(), rowHeight);
    ASSERT_EQ(probe.tableTop(), 255);
    const int perPage = (kHeight - 200 - 255) / rowHeight;
    EXPECT_EQ(probe.rowsPerPage(), perPage) << "row height " << rowHeight;
    const Cells one = table(1);
    EXPECT_EQ(PrintLayout(one, kWidth, 200 + 255 + 3 * rowHeight, m).rowsPerPage(), 3) << "rows reach the footer area of 200";

    const struct {
        int dataRows;
        int pages;
    } cases[] = {
        {0, 1}, {1, 1}, {perPage - 1, 1}, {perPage, 2}, {2 * perPage - 1, 2}, {3 * perPage - 1, 3}, {100000, (100001 + perPage - 1) / perPage},
    };
    for (const auto& c : cases) {
        const Cells cells = table(c.dataRows);
        const PrintLayout layout(cells, kWidth, kHeight, m);
        if (c.dataRows > 0) { // the header row alone has an empty number column, so another scale
            EXPECT_EQ(layout.rowsPerPage(), perPage) << c.dataRows << " rows";
        }
        EXPECT_EQ(layout.pageCount(), c.pages) << c.dataRows << " rows (header row included in the print)";
    }
}

TEST(PrintLayout, PageNumberAloneOnOnePageAndWithTheCountOnMore)
{
    FixedMeasurer m;
    const Cells one = table(5);
    const PrintLayout single(one, kWidth, kHeight, m);
    ASSERT_EQ(single.pageCount(), 1);
    EXPECT_EQ(single.pageNumberText(1), "1");

    const Cells three = table(2 * single.rowsPerPage() + 3);
    const PrintLayout triple(three, kWidth, kHeight, m);
    ASSERT_EQ(triple.pageCount(), 3);
    const char* expected[] = {"1/3", "2/3", "3/3"};
    for (int p = 1; p <= 3; ++p) {
        EXPECT_EQ(triple.pageNumberText(p), expected[p - 1]);
        const PrintPage page = triple.page(p);
        ASSERT_FALSE(page.items.empty());
        const PrintItem& number = page.items.back();
        EXPECT_EQ(number.font, PrintFont::Footer);
        EXPECT_EQ(number.text, expected[p - 1]);
        EXPECT_EQ(number.x + 10 * static_cast<int>(number.text.size()), kWidth - 101) << "bottom right";
        EXPECT_EQ(number.y, kHeight - 200 + (200 - 35) / 2) << "centred in the footer area";
    }
}

TEST(PrintLayout, PageItemsTitleCentredThenTheRowsOfThatPage)
{
    FixedMeasurer m;
    const Cells cells = table(200);
    const PrintLayout layout(cells, kWidth, kHeight, m);
    const int perPage = layout.rowsPerPage();
    ASSERT_GE(layout.pageCount(), 2);
    const PrintPage second = layout.page(2);
    ASSERT_GE(second.items.size(), 3u);
    const std::string titles[] = {"Игра \"СЛОВОЛОВКА\"", "2002"};
    for (int i = 0; i < 2; ++i) {
        const PrintItem& t = second.items[static_cast<size_t>(i)];
        EXPECT_EQ(t.text, titles[i]);
        EXPECT_EQ(t.font, PrintFont::Title);
        const int w = 14 * static_cast<int>(t.text.size());
        EXPECT_NEAR(t.x + w / 2, 101 + (kWidth - 202) / 2, 1) << "centred: " << t.text;
        EXPECT_EQ(t.y, i * 35);
    }
    // Rows continue where page 1 stopped; no header row repeated.
    const PrintItem& firstCell = second.items[2];
    EXPECT_EQ(firstCell.text, number(perPage)) << "row index " << perPage << " is data row " << perPage;
    EXPECT_EQ(firstCell.y, layout.tableTop());
    EXPECT_EQ(firstCell.x, layout.tableLeft() + layout.cellIndent());
    size_t cellItems = 0;
    for (const auto& item : second.items) {
        if (item.font != PrintFont::Cell)
            continue;
        ++cellItems;
        EXPECT_LE(item.y + layout.rowHeight(), kHeight - 200) << item.text << " stays above the footer";
        EXPECT_EQ(item.fontHeight, static_cast<int>(std::lround(8 * 254 / 72.0 * layout.scale())));
    }
    EXPECT_EQ(cellItems, static_cast<size_t>(3 * perPage));
    EXPECT_TRUE(layout.page(0).items.empty());
    EXPECT_TRUE(layout.page(layout.pageCount() + 1).items.empty());
}

// The gap between one column's widest text and the next column's texts is the two indents, and
// it grows and shrinks with the texts, so a table scaled up is not cramped.
TEST(PrintLayout, TheGapBetweenColumnsScalesWithTheTexts)
{
    FixedMeasurer m;
    const struct {
        const char* what;
        Cells cells;
    } cases[] = {
        {"enlarged", table(3)},
        {"about as printed", {{"", " Слово", " Подсказка"}, {"1", "КОРИЦА", std::string(60, 'Ж')}}},
        {"reduced", {{"1", "СЛОВО", std::string(250, 'Ж')}}},
    };
    double gapPerEm = 0;
    for (const auto& c : cases) {
        const PrintLayout layout(c.cells, kWidth, kHeight, m);
        const PrintPage page = layout.page(1);
        const int em = static_cast<int>(std::lround(8 * 254 / 72.0 * layout.scale()));
        EXPECT_EQ(layout.cellIndent(), static_cast<int>(std::lround(10 * layout.scale()))) << c.what;
        // The last row's texts; each column's widest text is in it.
        std::vector<const PrintItem*> row;
        for (const PrintItem& item : page.items)
            if (item.font == PrintFont::Cell && item.y == page.items[page.items.size() - 2].y)
                row.push_back(&item);
        ASSERT_EQ(row.size(), 3u) << c.what;
        for (size_t k = 0; k + 1 < row.size(); ++k) {
            const double textEnd = row[k]->x + 10.0 * static_cast<double>(row[k]->text.size()) * layout.scale();
            const double gap = row[k + 1]->x - textEnd;
            EXPECT_NEAR(gap, 20 * layout.scale(), 2.0) << c.what << ", after column " << k << ", scale " << layout.scale();
            if (gapPerEm == 0)
                gapPerEm = gap / em;
            EXPECT_NEAR(gap / em, gapPerEm, 0.1) << c.what << ": the gap keeps its proportion to the text";
        }
        EXPECT_EQ(layout.rowHeight(), static_cast<int>(std::lround(30 * layout.scale())) + 25) << c.what << ": the stated row spacing";
    }
}

TEST(PrintLayout, OddInputNeverBreaksTheLayout)
{
    FixedMeasurer m;
    const Cells empty;
    const Cells ragged{{"1"}, {}, {"2", "ДЛИННОЕ", "x", "лишняя"}};
    const Cells blank{{"", "", ""}};
    const struct {
        const Cells* cells;
        int width, height;
    } cases[] = {
        {&empty, kWidth, kHeight}, {&ragged, kWidth, kHeight}, {&blank, kWidth, kHeight},
        {&ragged, 100, 100}, {&ragged, 0, 0}, {&ragged, -5, 300},
    };
    for (const auto& c : cases) {
        const PrintLayout layout(*c.cells, c.width, c.height, m);
        EXPECT_GE(layout.pageCount(), 1);
        EXPECT_GE(layout.rowsPerPage(), 1);
        EXPECT_GT(layout.scale(), 0.0);
        EXPECT_TRUE(std::isfinite(layout.scale()));
        for (int p = 1; p <= layout.pageCount(); ++p)
            EXPECT_FALSE(layout.page(p).items.empty()) << "page " << p << " of " << c.width << "x" << c.height;
    }
}

} // namespace
} // namespace tk
