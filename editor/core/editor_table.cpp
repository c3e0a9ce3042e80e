// The editor's table rules.
#include "editor/core/editor_table.h"

#include <algorithm>
#include <string_view>

namespace slovo {

tk::GridModel makeEditorTable()
{
    tk::GridModel table(3);
    table.setCell(kWordCol, 0, " Слово");
    table.setCell(kHintCol, 0, " Подсказка");
    return table;
}

void fillTable(tk::GridModel& table, const std::vector<std::string>& words, const std::vector<std::string>& hints)
{
    table.clear();
    table.setRowCount(static_cast<int>(words.size()) + 1);
    table.renumber();
    for (size_t i = 0; i < words.size(); ++i) {
        const int row = static_cast<int>(i) + 1;
        table.setCell(kWordCol, row, words[i]);
        table.setCell(kHintCol, row, i < hints.size() ? hints[i] : std::string());
    }
}

void loadDownloadedTable(tk::GridModel& table, const DownloadedBase& base)
{
    table = tk::GridModel(base.columns, base.rows);
    for (size_t i = 0; i < base.words.size(); ++i)
        table.setCell(kWordCol, static_cast<int>(i) + 1, base.words[i]);
    for (size_t i = 0; i < base.hints.size(); ++i)
        table.setCell(kHintCol, static_cast<int>(i) + 1, base.hints[i]);
    for (const DownloadedCell& c : base.cells)
        table.setCell(c.column, c.row, c.text);
}

std::vector<int> downloadedColumnWidths(std::vector<int> widths, int columns, const DownloadedBase& base)
{
    widths.resize(static_cast<size_t>(std::max(columns, 0)), kNewColumnWidth);
    for (const auto& [col, width] : base.widths)
        if (col >= 0 && col < columns)
            widths[static_cast<size_t>(col)] = std::clamp(width, 0, kMaxColumnWidth);
    return widths;
}

bool putBack(tk::GridModel& table, const std::string& word, const std::string& hint)
{
    if (word.empty() || hint.empty())
        return false;
    table.setCell(kWordCol, table.currentRow(), word);
    table.setCell(kHintCol, table.currentRow(), hint);
    return true;
}

int firstEmptyWordRow(const tk::GridModel& table)
{
    for (int r = tk::GridModel::kFixedRows; r < table.rowCount(); ++r)
        if (table.cell(kWordCol, r).empty())
            return r;
    return 0;
}

std::vector<std::string> column(const tk::GridModel& table, int col)
{
    std::vector<std::string> out;
    out.reserve(static_cast<size_t>(table.dataRows()));
    for (int r = tk::GridModel::kFixedRows; r < table.rowCount(); ++r)
        out.push_back(table.cell(col, r));
    return out;
}

namespace {

std::string_view firstLine(const std::string& text)
{
    const size_t end = text.find_first_of("\r\n");
    return std::string_view(text).substr(0, end);
}

} // namespace

std::string textExport(const tk::GridCells& cells)
{
    size_t cols = 0;
    for (const auto& row : cells)
        cols = std::max(cols, row.size());
    std::vector<size_t> widths(cols, 0);
    size_t lineLength = 2;
    for (const auto& row : cells)
        for (size_t c = 0; c < row.size(); ++c)
            widths[c] = std::max(widths[c], firstLine(row[c]).size());
    for (size_t w : widths)
        lineLength += w + 1;

    std::string out;
    out.reserve(lineLength * cells.size());
    for (const auto& row : cells) {
        for (size_t c = 0; c < cols; ++c) {
            const std::string_view text = c < row.size() ? firstLine(row[c]) : std::string_view();
            out += text;
            out.append(widths[c] - text.size() + 1, ' ');
        }
        out += "\r\n";
    }
    return out;
}

} // namespace slovo
