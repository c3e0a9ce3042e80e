// The string grid's content without a window: rows of cp1251 cells, fixed header row and number
// column, the current cell, and the row operations of the grid's keys.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace tk {

using GridCells = std::vector<std::vector<std::string>>;

class GridModel {
public:
    // One fixed row (the header) and one fixed column (the numbers).
    static constexpr int kFixedRows = 1;
    static constexpr int kFixedCols = 1;

    explicit GridModel(int colCount, int rowCount = 1);

    int rowCount() const { return static_cast<int>(rows_.size()); }
    int colCount() const { return cols_; }
    int dataRows() const { return rowCount() - kFixedRows; }
    // New rows come empty; rows beyond the count go. The header row always stays.
    void setRowCount(int count);

    // Out of range reads give an empty cell; out of range writes are ignored.
    const std::string& cell(int col, int row) const;
    void setCell(int col, int row, std::string text);

    // Every row, header row first, number column first.
    const GridCells& cells() const { return rows_; }

    // The number cell of every data row gets its row number; the header row keeps its own.
    void renumber();
    // One empty row before `row` (clamped to the data rows; at the end when there is none).
    void insertRow(int row);
    // Removes a data row; with a single data row left its cells are emptied instead.
    void deleteRow(int row);
    void appendRow() { setRowCount(rowCount() + 1); }
    // Data cells emptied: only the header row stays.
    void clear() { setRowCount(kFixedRows); }
    void clearRow(int row);

    // The current cell always lies among the data rows and the non-fixed columns, or on row
    // kFixedRows when there are no data rows.
    int currentRow() const { return row_; }
    int currentCol() const { return col_; }
    void setCurrent(int col, int row);

private:
    void clampCurrent();

    int cols_;
    GridCells rows_;
    int row_ = kFixedRows;
    int col_ = kFixedCols;
};

} // namespace tk
