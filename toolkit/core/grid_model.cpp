// The string grid's content and row operations.
#include "toolkit/core/grid_model.h"

#include <algorithm>

namespace tk {

GridModel::GridModel(int colCount, int rowCount) : cols_(std::max(colCount, kFixedCols + 1))
{
    setRowCount(rowCount);
}

void GridModel::setRowCount(int count)
{
    rows_.resize(static_cast<size_t>(std::max(count, kFixedRows)), std::vector<std::string>(static_cast<size_t>(cols_)));
    clampCurrent();
}

const std::string& GridModel::cell(int col, int row) const
{
    static const std::string empty;
    if (row < 0 || row >= rowCount() || col < 0 || col >= cols_)
        return empty;
    return rows_[static_cast<size_t>(row)][static_cast<size_t>(col)];
}

void GridModel::setCell(int col, int row, std::string text)
{
    if (row < 0 || row >= rowCount() || col < 0 || col >= cols_)
        return;
    rows_[static_cast<size_t>(row)][static_cast<size_t>(col)] = std::move(text);
}

void GridModel::renumber()
{
    for (int r = kFixedRows; r < rowCount(); ++r)
        rows_[static_cast<size_t>(r)][0] = std::to_string(r);
}

void GridModel::insertRow(int row)
{
    row = std::clamp(row, kFixedRows, rowCount());
    rows_.insert(rows_.begin() + row, std::vector<std::string>(static_cast<size_t>(cols_)));
    clampCurrent();
}

void GridModel::deleteRow(int row)
{
    if (row < kFixedRows || row >= rowCount())
        return;
    if (dataRows() == 1)
        clearRow(row);
    else
        rows_.erase(rows_.begin() + row);
    clampCurrent();
}

void GridModel::clearRow(int row)
{
    if (row < 0 || row >= rowCount())
        return;
    for (auto& c : rows_[static_cast<size_t>(row)])
        c.clear();
}

void GridModel::setCurrent(int col, int row)
{
    col_ = col;
    row_ = row;
    clampCurrent();
}

void GridModel::clampCurrent()
{
    row_ = std::clamp(row_, kFixedRows, std::max(kFixedRows, rowCount() - 1));
    col_ = std::clamp(col_, kFixedCols, cols_ - 1);
}

} // namespace tk
