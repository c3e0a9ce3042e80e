// Fuzzes the grid cell file reader: counts within bounds, one word and hint per data row, widths
// and other cells only inside the table, and the fixed error for a bad header.
#include "common/error.h"
#include "game/core/grid_file.h"
#include "tests/fuzz/fuzz_util.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    try {
        const slovo::GridFile g = slovo::parseGridFile(bytes, "x.txt");
        FUZZ_CHECK(g.columns > 0 && g.columns <= slovo::kMaxGridColumns, "columns " + std::to_string(g.columns));
        FUZZ_CHECK(g.rows > 0 && g.rows <= slovo::kMaxGridRows, "rows " + std::to_string(g.rows));
        FUZZ_CHECK(g.words.size() == static_cast<size_t>(g.rows - 1) && g.hints.size() == g.words.size(), "row count");
        for (const auto& [column, width] : g.widths)
            FUZZ_CHECK(column >= 0 && column < g.columns, "width for column " + std::to_string(column));
        FUZZ_CHECK(int64_t{g.columns} * g.rows <= slovo::kMaxGridCells, "cell count");
        for (const auto& c : g.cells) {
            FUZZ_CHECK(c.column >= 0 && c.column < g.columns && c.row >= 0 && c.row < g.rows,
                       "cell " + std::to_string(c.column) + "," + std::to_string(c.row));
            FUZZ_CHECK(c.row == 0 || (c.column != 1 && c.column != 2), "a word or hint among the other cells");
            FUZZ_CHECK(c.text.find_first_of("\r\n\x08") == std::string::npos, "a cell holds a line break");
        }
        for (const auto& list : {g.words, g.hints})
            for (const auto& cell : list)
                FUZZ_CHECK(cell.find_first_of("\r\n\x08") == std::string::npos, "a cell holds a line break");
    } catch (const slovo::Error& e) {
        FUZZ_CHECK(std::string(e.what()) == "File contains no data or corrupt file x.txt", e.what());
    }
    return 0;
}
