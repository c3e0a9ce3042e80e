// The string grid: a self-drawn table over a GridModel with a fixed header row and number
// column, a vertical scroll bar, grid keys, row keys (Insert, Delete), an in-place cell editor
// with an ellipsis button on one column, and a context menu.
#pragma once

#include "toolkit/control.h"
#include "toolkit/core/grid_model.h"
#include "toolkit/core/markup.h"
#include "toolkit/edit_field.h"
#include "toolkit/menu.h"

#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace tk {

class StringGrid : public Control {
public:
    // The cell editor gets id + 1, its ellipsis button id + 2.
    StringGrid(Control* parent, std::string name, const Bounds& bounds, int id, int colCount);
    ~StringGrid() override;

    GridModel& model() { return model_; }
    const GridModel& model() const { return model_; }
    // After the model was changed from outside: column widths, scroll range, editor and picture
    // follow.
    void refresh();

    // One width per column of the model; missing ones get the default.
    void setColWidths(std::vector<int> widths);
    const std::vector<int>& colWidths() const { return widths_; }
    void setRowHeight(int height);
    void setFixedColour(COLORREF colour) { fixedColour_ = colour; invalidate(); }
    void setFont(const std::wstring& face, int pixelHeight);
    // Image `index` of `images` in front of the header caption of `col`.
    void setImages(fx::PictureSource* images) { images_ = images; }
    void setHeaderImage(int col, int index);
    // The one column edited in place, and its editor's length limit.
    void setEditableColumn(int col, int maxLength);
    void setPopupMenu(PopupMenu* menu) { popup_ = menu; }

    // Moves the current cell (raising onCellChanging when it changes) and scrolls it into view.
    void moveTo(int col, int row);
    int topRow() const { return topRow_; }
    void setTopRow(int row);
    // Data rows that fit wholly below the header row.
    int visibleRows() const;
    // A cell in the window's pixels.
    RECT cellRect(int col, int row) const;
    // The cell under a client point; false outside every cell.
    bool cellAt(int x, int y, int& col, int& row) const;

    void hideSelection();
    bool selectionHidden() const { return selectionHidden_; }
    void showEditor();
    void hideEditor();
    bool editorShown() const;
    EditField& editor();
    // Rows drawn by the last paint, header row included.
    int lastPaintedRows() const { return lastPaintedRows_; }

    std::function<void(int col, int row)> onClickCell;
    std::function<void(int col, int row)> onEllipsisClick;
    std::function<void(int oldCol, int oldRow, int newCol, int newRow)> onCellChanging;
    std::function<bool(int row)> onCanInsertRow;
    std::function<void(int row)> onAutoInsertRow;
    std::function<void(int row)> onAutoDeleteRow;

protected:
    LRESULT handleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    class CellEditor;
    friend class CellEditor;

    void paint(HDC dc) override;
    void paintCell(HDC dc, int col, int row, const RECT& r);
    void keyDown(WPARAM key);
    void clickAt(int x, int y);
    void scrollBy(int rows);
    void updateScrollBar();
    void ensureVisible(int row);
    void editorChanged();
    int colLeft(int col) const;
    // A cell in the 96-DPI layout of columns and rows.
    RECT logicalCellRect(int col, int row) const;
    void dpiChanged() override;

    GridModel model_;
    std::vector<int> widths_;
    int rowHeight_ = 21;
    std::wstring fontFace_;
    int fontHeight_ = 0;
    HFONT font_ = nullptr, boldFont_ = nullptr;
    COLORREF fixedColour_ = GetSysColor(COLOR_BTNFACE);
    fx::PictureSource* images_ = nullptr;
    std::map<int, int> headerImages_;
    int editableCol_ = -1;
    PopupMenu* popup_ = nullptr;
    int topRow_ = GridModel::kFixedRows;
    int wheelDelta_ = 0;
    bool selectionHidden_ = false;
    int lastPaintedRows_ = 0;
    std::unique_ptr<CellEditor> editor_;
};

} // namespace tk
