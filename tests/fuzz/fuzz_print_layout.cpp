// Fuzzes the table's print layout over cells and page sizes from the input with a fixed measurer:
// at least one page, every row on exactly one page and in order, the texts inside the page and the
// rows above the footer, the table scaled to the printable width and centred, and the page numbers
// "1" alone or "k/n".
#include "toolkit/core/print_layout.h"
#include "tests/fuzz/fuzz_util.h"

#include <cmath>
#include <cstdlib>
#include <cstdint>

namespace {

// Widths from the character code, as a proportional font has them; digits and blanks narrower.
class Measurer : public tk::PrintTextMeasurer {
public:
    int cellHeight;
    int lineHeight(tk::PrintFont font) const override { return font == tk::PrintFont::Cell ? cellHeight : 35; }
    int charWidth(tk::PrintFont font, unsigned char c) const override
    {
        if (c < 0x20)
            return 0;
        return (font == tk::PrintFont::Title ? 22 : 12) + c % 9;
    }
};

struct Reader {
    const uint8_t* data;
    size_t size;
    size_t pos = 0;
    int byte() { return pos < size ? data[pos++] : 0; }
    int word() { return byte() | byte() << 8; }
};

int textWidth(const Measurer& m, tk::PrintFont f, const std::string& s)
{
    int w = 0;
    for (unsigned char c : s)
        w += m.charWidth(f, c);
    return w;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Reader in{data, size};
    Measurer m;
    m.cellHeight = 10 + in.byte() % 80;
    const int columns = 1 + in.byte() % 10;
    // Page sizes from a narrow strip to a large sheet, always wide enough for the title.
    const int width = 700 + columns * 40 + in.word() % 6000;
    const int height = 600 + in.word() % 6000;

    // Rows from the input; column 0 holds each row's tag so its place can be followed.
    std::vector<std::vector<std::string>> cells;
    const int rows = 1 + in.word() % 160;
    for (int r = 0; r < rows; ++r) {
        std::vector<std::string> row(static_cast<size_t>(1 + in.byte() % columns));
        row[0] = "#" + std::to_string(r);
        for (size_t k = 1; k < row.size(); ++k) {
            const int len = in.byte() % 24;
            for (int i = 0; i < len; ++i)
                row[k] += static_cast<char>(in.byte());
        }
        cells.push_back(std::move(row));
    }

    const tk::PrintLayout layout(cells, width, height, m);
    const tk::PrintSettings s;
    const int pages = layout.pageCount();
    FUZZ_CHECK(pages >= 1, "no page");
    FUZZ_CHECK(layout.rowsPerPage() >= 1, "no row per page");
    FUZZ_CHECK(pages == (rows + layout.rowsPerPage() - 1) / layout.rowsPerPage(), "page count for the rows");
    FUZZ_CHECK(layout.page(0).items.empty() && layout.page(pages + 1).items.empty(), "a page beyond the range");
    // The table fills the printable width up to the rounding of each column, and stands in its
    // middle.
    const int printable = width - s.leftMargin - s.rightMargin;
    int tableWidth = 0;
    for (int w : layout.columnWidths())
        tableWidth += w;
    const int used = static_cast<int>(layout.columnWidths().size());
    FUZZ_CHECK(used >= 1 && used <= columns, "column count " + std::to_string(used));
    FUZZ_CHECK(std::abs(tableWidth - printable) <= used, "table width " + std::to_string(tableWidth) + " for " + std::to_string(printable));
    const int leftGap = layout.tableLeft() - s.leftMargin, rightGap = width - s.rightMargin - (layout.tableLeft() + tableWidth);
    FUZZ_CHECK(std::abs(leftGap - rightGap) <= 1, "table not centred: " + std::to_string(leftGap) + " and " + std::to_string(rightGap));
    const int firstColumn = layout.tableLeft() + layout.cellIndent();
    const int available = height - s.footerArea - layout.tableTop();

    int next = 0;
    for (int p = 1; p <= pages; ++p) {
        const std::string number = layout.pageNumberText(p);
        FUZZ_CHECK(number == (pages == 1 ? "1" : std::to_string(p) + "/" + std::to_string(pages)), "page number " + number);
        const tk::PrintPage page = layout.page(p);
        int onPage = 0, lastY = -1;
        bool footer = false;
        for (const auto& item : page.items) {
            FUZZ_CHECK(item.text.find_first_of("\r\n") == std::string::npos, "a printed text holds a line break");
            FUZZ_CHECK(item.x >= 0 && item.y >= 0 && item.y < height, "a text starts outside the page: " + item.text);
            if (item.font == tk::PrintFont::Footer) {
                FUZZ_CHECK(item.text == number && !footer, "footer of page " + std::to_string(p));
                FUZZ_CHECK(item.x + textWidth(m, item.font, item.text) <= width - s.rightMargin, "page number past the margin");
                footer = true;
                continue;
            }
            const double scale = item.font == tk::PrintFont::Cell ? layout.scale() : 1.0;
            const double right = item.x + textWidth(m, item.font, item.text) * scale;
            FUZZ_CHECK(right <= width - s.rightMargin + columns, "a text past the right margin: " + item.text);
            if (item.font != tk::PrintFont::Cell)
                continue;
            FUZZ_CHECK(item.y >= layout.tableTop() && item.y >= lastY, "rows out of order on a page");
            if (available >= layout.rowHeight())
                FUZZ_CHECK(item.y + layout.rowHeight() <= height - s.footerArea, "a row runs into the footer");
            lastY = item.y;
            if (item.x == firstColumn && item.text.starts_with("#")) {
                FUZZ_CHECK(item.text == "#" + std::to_string(next), "row " + item.text + " where #" + std::to_string(next) + " belongs");
                ++next;
                ++onPage;
            }
        }
        FUZZ_CHECK(footer, "page " + std::to_string(p) + " has no number");
        FUZZ_CHECK(onPage >= 1 && onPage <= layout.rowsPerPage(), "rows on page " + std::to_string(p) + ": " + std::to_string(onPage));
    }
    FUZZ_CHECK(next == rows, "printed " + std::to_string(next) + " of " + std::to_string(rows) + " rows");
    return 0;
}
