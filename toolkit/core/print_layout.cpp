// The table's print layout: scale to the printable width, rows per page, positions of every text.
#include "toolkit/core/print_layout.h"

#include <algorithm>
#include <cmath>

namespace tk {

namespace {

size_t fontIndex(PrintFont f) { return static_cast<size_t>(f); }

std::string firstLine(const std::string& text)
{
    return text.substr(0, text.find_first_of("\r\n"));
}

} // namespace

PrintFontSpec printFontSpec(PrintFont font)
{
    switch (font) {
    case PrintFont::Title:
        return {L"MS Sans Serif", 8, true};
    case PrintFont::Footer:
        return {L"MS Sans Serif", 8, false};
    case PrintFont::Cell:
        break;
    }
    return {L"Tahoma", 8, false};
}

PrintLayout::PrintLayout(const std::vector<std::vector<std::string>>& cells, int pageWidth, int pageHeight,
                         const PrintTextMeasurer& measurer, PrintSettings settings)
    : cells_(cells), pageWidth_(pageWidth), pageHeight_(pageHeight), settings_(std::move(settings))
{
    for (PrintFont f : {PrintFont::Title, PrintFont::Footer, PrintFont::Cell}) {
        heights_[fontIndex(f)] = std::max(1, measurer.lineHeight(f));
        for (int c = 0; c < 256; ++c)
            widths_[fontIndex(f)][static_cast<size_t>(c)] = std::max(0, measurer.charWidth(f, static_cast<unsigned char>(c)));
    }

    size_t columns = 0;
    for (const auto& row : cells_)
        columns = std::max(columns, row.size());
    // A column's natural width is its widest text with the indent on both sides; all of it
    // scales, while the stated column extra, margins and row spacing keep their lengths.
    std::vector<long long> natural(columns, 2LL * settings_.cellIndent);
    for (const auto& row : cells_)
        for (size_t k = 0; k < row.size(); ++k)
            natural[k] = std::max<long long>(natural[k], textWidth(PrintFont::Cell, firstLine(row[k])) + 2LL * settings_.cellIndent);
    const long long printable = pageWidth_ - settings_.leftMargin - settings_.rightMargin;
    const long long free = printable - static_cast<long long>(columns) * settings_.columnExtra;
    long long naturalTotal = 0;
    for (long long w : natural)
        naturalTotal += w;
    if (naturalTotal > 0 && free > 0)
        scale_ = static_cast<double>(free) / static_cast<double>(naturalTotal);
    else if (naturalTotal > 0)
        scale_ = 1.0 / static_cast<double>(naturalTotal); // a page too narrow for the table: texts shrink to nothing
    int tableWidth = 0;
    for (long long w : natural) {
        columnWidths_.push_back(static_cast<int>(std::lround(static_cast<double>(w) * scale_)) + settings_.columnExtra);
        tableWidth += columnWidths_.back();
    }
    cellIndent_ = static_cast<int>(std::lround(settings_.cellIndent * scale_));
    tableLeft_ = settings_.leftMargin + static_cast<int>((printable - tableWidth) / 2);

    rowHeight_ = std::max(1, static_cast<int>(std::lround(heights_[fontIndex(PrintFont::Cell)] * scale_)) + settings_.rowSpacing);
    const int titleBottom = static_cast<int>(settings_.title.size()) * heights_[fontIndex(PrintFont::Title)];
    tableTop_ = std::max(settings_.headerArea, titleBottom) + settings_.spaceBelowTitle;
    const int available = pageHeight_ - settings_.footerArea - tableTop_;
    rowsPerPage_ = std::max(1, available / rowHeight_);
    const long long rows = static_cast<long long>(cells_.size());
    pageCount_ = std::max(1, static_cast<int>((rows + rowsPerPage_ - 1) / rowsPerPage_));
}

int PrintLayout::textWidth(PrintFont font, const std::string& text) const
{
    int w = 0;
    for (unsigned char c : text)
        w += widths_[fontIndex(font)][c];
    return w;
}

std::string PrintLayout::pageNumberText(int page) const
{
    if (pageCount_ == 1)
        return std::to_string(page);
    return std::to_string(page) + "/" + std::to_string(pageCount_);
}

PrintPage PrintLayout::page(int page) const
{
    PrintPage out;
    if (page < 1 || page > pageCount_)
        return out;
    const int printable = pageWidth_ - settings_.leftMargin - settings_.rightMargin;
    const int titleHeight = heights_[fontIndex(PrintFont::Title)];
    const int titleEm = printFontSpec(PrintFont::Title).points * 254 / 72;
    for (size_t i = 0; i < settings_.title.size(); ++i) {
        const std::string& line = settings_.title[i];
        out.items.push_back({PrintFont::Title, settings_.leftMargin + (printable - textWidth(PrintFont::Title, line)) / 2,
                             static_cast<int>(i) * titleHeight, titleEm, line});
    }

    const int cellEm = std::max(1, static_cast<int>(std::lround(printFontSpec(PrintFont::Cell).points * 254 / 72.0 * scale_)));
    const size_t first = static_cast<size_t>(page - 1) * static_cast<size_t>(rowsPerPage_);
    const size_t last = std::min(cells_.size(), first + static_cast<size_t>(rowsPerPage_));
    for (size_t r = first; r < last; ++r) {
        const int y = tableTop_ + static_cast<int>(r - first) * rowHeight_;
        int x = tableLeft_;
        for (size_t k = 0; k < columnWidths_.size(); ++k) {
            if (k < cells_[r].size() && !cells_[r][k].empty())
                out.items.push_back({PrintFont::Cell, x + cellIndent_, y, cellEm, firstLine(cells_[r][k])});
            x += columnWidths_[k];
        }
    }

    const std::string number = pageNumberText(page);
    const int footerHeight = heights_[fontIndex(PrintFont::Footer)];
    out.items.push_back({PrintFont::Footer, pageWidth_ - settings_.rightMargin - textWidth(PrintFont::Footer, number),
                         pageHeight_ - settings_.footerArea + (settings_.footerArea - footerHeight) / 2,
                         printFontSpec(PrintFont::Footer).points * 254 / 72, number});
    return out;
}

} // namespace tk
