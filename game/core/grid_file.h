// The grid cell file (slovolovka.txt): a table dump from which the update import takes its base.
#pragma once

#include "game/core/word_file.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace slovo {

// A named cell that is neither a word nor a hint: the header row, the number column and any
// further column.
struct GridCell {
    int32_t column = 0, row = 0;
    std::string text;
};

struct GridFile {
    int32_t columns = 0;                             // header column 0 included
    int32_t rows = 0;                                // header row 0 included
    std::vector<std::pair<int32_t, int32_t>> widths; // column, width in pixels, in file order
    StringList words;                                // column 1 of rows 1 .. rows-1
    StringList hints;                                // column 2 of rows 1 .. rows-1
    std::vector<GridCell> cells;                     // the other cells inside the table, in file order
};

// Bounds on the header counts. A real base dump never comes near them; a corrupt header must
// not make the reader allocate millions of empty entries.
// The table the import builds holds every cell, so the cells are bounded too: the largest base
// in its three columns fits, and so does a smaller table with more columns.
inline constexpr int32_t kMaxGridRows = 1'048'577;
inline constexpr int32_t kMaxGridColumns = 65'536;
inline constexpr int64_t kMaxGridCells = 4 * int64_t{kMaxGridRows};

// Throws Error("File contains no data or corrupt file " + path) when the header is not two
// counts, a count is zero or negative, or a count or the cell count lies beyond the bounds above.
GridFile parseGridFile(std::string_view bytes, const std::string& path);

// The text a cell line carries, after the byte 8 / byte 9 line-break rule.
std::string gridCellText(std::string_view raw);

} // namespace slovo
