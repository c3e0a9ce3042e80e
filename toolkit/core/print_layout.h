// The table's print layout: pages of positioned texts in tenths of a millimetre, from the cells,
// the printable page size and the fonts' character widths.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace tk {

// Lengths are in tenths of a millimetre throughout.
struct PrintSettings {
    int leftMargin = 101;
    int rightMargin = 101;
    int headerArea = 200;
    int footerArea = 200;
    int spaceBelowTitle = 55;
    int rowSpacing = 25;
    int columnExtra = 0;
    // Each cell's text stands this far from its column's edges at the cells' nominal size, so
    // neighbours never touch; it is scaled with the texts, so the gap keeps its proportion.
    int cellIndent = 10;
    std::vector<std::string> title{"Игра \"СЛОВОЛОВКА\"", "2002"};
};

enum class PrintFont { Title, Footer, Cell };

// Face, size and weight of each font: title "MS Sans Serif" 8 pt bold, footer "MS Sans Serif"
// 8 pt, cells "Tahoma" 8 pt.
struct PrintFontSpec {
    const wchar_t* face;
    int points;
    bool bold;
};
PrintFontSpec printFontSpec(PrintFont font);

// What the layout needs to know of the fonts at their nominal size, in tenths of a millimetre.
class PrintTextMeasurer {
public:
    virtual ~PrintTextMeasurer() = default;
    virtual int lineHeight(PrintFont font) const = 0;
    // The advance of one cp1251 character.
    virtual int charWidth(PrintFont font, unsigned char c) const = 0;
};

struct PrintItem {
    PrintFont font = PrintFont::Cell;
    int x = 0, y = 0;       // top left of the text
    int fontHeight = 0;     // the cell font grows or shrinks with the table's scale
    std::string text;       // cp1251, one line
};

struct PrintPage {
    std::vector<PrintItem> items;
};

class PrintLayout {
public:
    // cells: row 0 the header row, column 0 the number column; width and height: the printable
    // page. A cell prints up to its first line break, as the grid shows it. The layout reads the
    // cells when a page is built: they must outlive it.
    PrintLayout(const std::vector<std::vector<std::string>>& cells, int pageWidth, int pageHeight,
                const PrintTextMeasurer& measurer, PrintSettings settings = {});

    int pageCount() const { return pageCount_; }
    int rowsPerPage() const { return rowsPerPage_; }
    // The factor that brings the table's natural width to the printable width.
    double scale() const { return scale_; }
    int rowHeight() const { return rowHeight_; }
    int tableTop() const { return tableTop_; }
    int tableLeft() const { return tableLeft_; }
    const std::vector<int>& columnWidths() const { return columnWidths_; }
    // The cells' indent from their column's left edge, scaled with the texts.
    int cellIndent() const { return cellIndent_; }
    // Page numbers count from 1; the number alone for one page, "2/3" for more.
    std::string pageNumberText(int page) const;
    // Only the asked page is built, so a long table costs one page's items at a time.
    PrintPage page(int page) const;

private:
    int textWidth(PrintFont font, const std::string& text) const;

    const std::vector<std::vector<std::string>>& cells_;
    int pageWidth_, pageHeight_;
    PrintSettings settings_;
    std::array<std::array<int, 256>, 3> widths_{};
    std::array<int, 3> heights_{};
    std::vector<int> columnWidths_; // scaled
    double scale_ = 1.0;
    int rowHeight_ = 0;
    int tableTop_ = 0;
    int tableLeft_ = 0;
    int cellIndent_ = 0;
    int rowsPerPage_ = 1;
    int pageCount_ = 1;
};

} // namespace tk
