// Fuzzes the string grid's content with byte-coded row and cell operations against a plain table
// kept beside it: the cells are the same after every step, the header row and number column stay,
// renumbering gives 1..n, and the current cell stays among the data.
#include "toolkit/core/grid_model.h"
#include "tests/fuzz/fuzz_util.h"

#include <algorithm>
#include <cstdint>

namespace {

// Reads operation arguments from the input; zeros once it runs out.
struct Reader {
    const uint8_t* data;
    size_t size;
    size_t pos = 0;
    bool more() const { return pos < size; }
    int byte() { return pos < size ? data[pos++] : 0; }
    // A small signed number around the table, so out of range arguments come up too.
    int index() { return byte() % 40 - 4; }
};

void checkModel(const tk::GridModel& g, const tk::GridCells& want, int op)
{
    const auto& cells = g.cells();
    FUZZ_CHECK(g.rowCount() >= 1 && g.dataRows() == g.rowCount() - 1, "row counts after op " + std::to_string(op));
    FUZZ_CHECK(cells.size() == static_cast<size_t>(g.rowCount()), "cells() rows differ from the count");
    for (const auto& row : cells)
        FUZZ_CHECK(row.size() == static_cast<size_t>(g.colCount()), "cells() columns differ from the count");
    FUZZ_CHECK(cells == want, "cells differ from the plain table after op " + std::to_string(op));
    const int top = std::max(tk::GridModel::kFixedRows, g.rowCount() - 1);
    FUZZ_CHECK(g.currentRow() >= tk::GridModel::kFixedRows && g.currentRow() <= top,
               "current row " + std::to_string(g.currentRow()) + " of " + std::to_string(g.rowCount()));
    FUZZ_CHECK(g.currentCol() >= tk::GridModel::kFixedCols && g.currentCol() < g.colCount(),
               "current column " + std::to_string(g.currentCol()) + " of " + std::to_string(g.colCount()));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Reader in{data, size};
    const int cols = in.byte() % 8 - 1;
    const int rows = in.byte() % 12 - 1;
    tk::GridModel g(cols, rows);
    const int width = std::max(cols, 2);
    tk::GridCells want(static_cast<size_t>(std::max(rows, 1)), std::vector<std::string>(static_cast<size_t>(width)));
    FUZZ_CHECK(g.colCount() == width, "column count " + std::to_string(g.colCount()));
    checkModel(g, want, -1);
    const auto inside = [&](int c, int r) { return r >= 0 && r < static_cast<int>(want.size()) && c >= 0 && c < width; };
    const auto emptyRow = [&] { return std::vector<std::string>(static_cast<size_t>(width)); };

    int steps = 0;
    while (in.more() && steps++ < 400) {
        const int op = in.byte() % 10;
        switch (op) {
        case 0: {
            const int c = in.index(), r = in.index();
            std::string text(static_cast<size_t>(in.byte() % 4), static_cast<char>('a' + in.byte() % 26));
            if (inside(c, r))
                want[static_cast<size_t>(r)][static_cast<size_t>(c)] = text;
            g.setCell(c, r, text);
            FUZZ_CHECK(g.cell(c, r) == (inside(c, r) ? text : std::string()), "a cell does not hold its text");
            break;
        }
        case 1: {
            const int r = in.index();
            const int at = std::clamp(r, 1, static_cast<int>(want.size()));
            want.insert(want.begin() + at, emptyRow());
            g.insertRow(r);
            break;
        }
        case 2: {
            const int r = in.index();
            if (r >= 1 && r < static_cast<int>(want.size())) {
                if (want.size() == 2)
                    want[1] = emptyRow();
                else
                    want.erase(want.begin() + r);
            }
            g.deleteRow(r);
            break;
        }
        case 3:
            want.push_back(emptyRow());
            g.appendRow();
            break;
        case 4: {
            const int n = in.index();
            want.resize(static_cast<size_t>(std::max(n, 1)), emptyRow());
            g.setRowCount(n);
            break;
        }
        case 5: {
            const std::string header = want[0][0];
            for (size_t r = 1; r < want.size(); ++r)
                want[r][0] = std::to_string(r);
            g.renumber();
            FUZZ_CHECK(g.cell(0, 0) == header, "renumbering changed the header");
            for (int r = 1; r < g.rowCount(); ++r)
                FUZZ_CHECK(g.cell(0, r) == std::to_string(r), "row " + std::to_string(r) + " numbered " + g.cell(0, r));
            break;
        }
        case 6: {
            const int c = in.index(), r = in.index();
            g.setCurrent(c, r);
            if (c >= 1 && c < width && r >= 1 && r < static_cast<int>(want.size()))
                FUZZ_CHECK(g.currentCol() == c && g.currentRow() == r, "a current cell inside the data moved");
            break;
        }
        case 7: {
            const int r = in.index();
            if (r >= 0 && r < static_cast<int>(want.size()))
                want[static_cast<size_t>(r)] = emptyRow();
            g.clearRow(r);
            break;
        }
        case 8:
            want.resize(1);
            g.clear();
            FUZZ_CHECK(g.dataRows() == 0, "clear left data rows");
            break;
        default: {
            const int c = in.index(), r = in.index();
            FUZZ_CHECK(g.cell(c, r) == (inside(c, r) ? want[static_cast<size_t>(r)][static_cast<size_t>(c)] : std::string()),
                       "a cell reads differently");
            break;
        }
        }
        checkModel(g, want, op);
    }
    return 0;
}
