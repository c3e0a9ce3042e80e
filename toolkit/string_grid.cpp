// The string grid: painting of the visible rows only, keys, scrolling, the cell editor.
#include "toolkit/string_grid.h"

#include "toolkit/markup_painter.h"
#include "common/win32/text.h"

#include <windowsx.h>

#include <algorithm>

namespace tk {

// The in-place editor: an edit field whose every change goes straight into the cell, and whose
// row keys move the grid.
class StringGrid::CellEditor : public EditField {
public:
    CellEditor(StringGrid& grid, int id)
        : EditField(&grid, grid.name() + "Editor", Bounds{0, 0, 10, 10}, id, 10, false), grid_(grid)
    {
        setVisible(false);
        addButton("...").onClick = [this] {
            if (grid_.onEllipsisClick)
                grid_.onEllipsisClick(grid_.model_.currentCol(), grid_.model_.currentRow());
        };
        SetWindowLongPtrW(handle(), GWL_STYLE, GetWindowLongPtrW(handle(), GWL_STYLE) & ~WS_BORDER);
    }

protected:
    LRESULT handleMessage(UINT msg, WPARAM wp, LPARAM lp) override
    {
        if (msg == WM_GETDLGCODE)
            return EditField::handleMessage(msg, wp, lp) | DLGC_WANTALLKEYS;
        if (msg == WM_KEYDOWN) {
            switch (wp) {
            case VK_UP: case VK_DOWN: case VK_PRIOR: case VK_NEXT:
                SetFocus(grid_.handle());
                grid_.keyDown(wp);
                return 0;
            case VK_RETURN: case VK_ESCAPE:
                grid_.hideEditor();
                SetFocus(grid_.handle());
                return 0;
            default:
                break;
            }
        }
        if (msg == WM_CHAR && (wp == VK_RETURN || wp == VK_ESCAPE))
            return 0;
        return EditField::handleMessage(msg, wp, lp);
    }
    void command(WORD notifyCode) override
    {
        if (notifyCode == EN_CHANGE)
            grid_.editorChanged();
    }

private:
    StringGrid& grid_;
};

StringGrid::StringGrid(Control* parent, std::string name, const Bounds& bounds, int id, int colCount)
    : Control(parent, std::move(name)), model_(colCount, 2), widths_(static_cast<size_t>(model_.colCount()), 64)
{
    registerClass(L"TSlovoStringGrid", CS_DBLCLKS, nullptr);
    setBounds(bounds);
    create(L"TSlovoStringGrid", WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | WS_CLIPCHILDREN, 0, id, "");
    setSelfPainted();
    setFont(L"Tahoma", 11);
    editor_ = std::make_unique<CellEditor>(*this, id + 1);
    updateScrollBar();
}

StringGrid::~StringGrid() = default;

EditField& StringGrid::editor()
{
    return *editor_;
}

void StringGrid::setFont(const std::wstring& face, int pixelHeight)
{
    fontFace_ = face;
    fontHeight_ = pixelHeight;
    font_ = sharedFont(face, pixelHeight, false, dpi());
    boldFont_ = sharedFont(face, pixelHeight, true, dpi());
    if (editor_)
        SendMessageW(editor_->handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    invalidate();
}

void StringGrid::setColWidths(std::vector<int> widths)
{
    widths.resize(static_cast<size_t>(model_.colCount()), 64);
    widths_ = std::move(widths);
    refresh();
}

void StringGrid::setRowHeight(int height)
{
    rowHeight_ = std::max(height, 1);
    refresh();
}

void StringGrid::setHeaderImage(int col, int index)
{
    headerImages_[col] = index;
    invalidate();
}

void StringGrid::setEditableColumn(int col, int maxLength)
{
    editableCol_ = col;
    SendMessageW(editor_->handle(), EM_LIMITTEXT, static_cast<WPARAM>(maxLength), 0);
}

void StringGrid::refresh()
{
    // The model may have taken another column count: new columns get the default width.
    widths_.resize(static_cast<size_t>(model_.colCount()), 64);
    if (editorShown())
        hideEditor();
    updateScrollBar();
    setTopRow(topRow_);
    invalidate();
}

void StringGrid::dpiChanged()
{
    setFont(fontFace_, fontHeight_);
    refresh();
}

int StringGrid::visibleRows() const
{
    RECT r;
    GetClientRect(handle(), &r);
    const int height = MulDiv(r.bottom - r.top, kBaseDpi, dpi());
    return std::max(1, static_cast<int>(height - rowHeight_ * GridModel::kFixedRows) / rowHeight_);
}

int StringGrid::colLeft(int col) const
{
    int x = 0;
    for (int c = 0; c < col && c < static_cast<int>(widths_.size()); ++c)
        x += widths_[static_cast<size_t>(c)];
    return x;
}

RECT StringGrid::logicalCellRect(int col, int row) const
{
    const int x = colLeft(col);
    const int y = row < GridModel::kFixedRows ? row * rowHeight_
                                               : (GridModel::kFixedRows + row - topRow_) * rowHeight_;
    const int w = col >= 0 && col < static_cast<int>(widths_.size()) ? widths_[static_cast<size_t>(col)] : 0;
    return RECT{x, y, x + w, y + rowHeight_};
}

RECT StringGrid::cellRect(int col, int row) const
{
    const RECT r = logicalCellRect(col, row);
    return RECT{scale(r.left), scale(r.top), scale(r.right), scale(r.bottom)};
}

bool StringGrid::cellAt(int x, int y, int& col, int& row) const
{
    if (x < 0 || y < 0)
        return false;
    // The columns and rows are laid out at 96 DPI.
    x = MulDiv(x, kBaseDpi, dpi());
    y = MulDiv(y, kBaseDpi, dpi());
    col = -1;
    for (int c = 0, left = 0; c < model_.colCount(); left += widths_[static_cast<size_t>(c)], ++c)
        if (x < left + widths_[static_cast<size_t>(c)]) {
            col = c;
            break;
        }
    if (col < 0)
        return false;
    const int line = y / rowHeight_;
    row = line < GridModel::kFixedRows ? line : topRow_ + line - GridModel::kFixedRows;
    return row < model_.rowCount();
}

void StringGrid::updateScrollBar()
{
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
    si.nMin = 0;
    si.nMax = std::max(0, model_.dataRows() - 1);
    si.nPage = static_cast<UINT>(visibleRows());
    si.nPos = topRow_ - GridModel::kFixedRows;
    SetScrollInfo(handle(), SB_VERT, &si, TRUE);
}

void StringGrid::setTopRow(int row)
{
    const int last = std::max(GridModel::kFixedRows, model_.rowCount() - visibleRows());
    row = std::clamp(row, GridModel::kFixedRows, last);
    if (row == topRow_)
        return;
    topRow_ = row;
    if (editorShown())
        hideEditor();
    SetScrollPos(handle(), SB_VERT, topRow_ - GridModel::kFixedRows, TRUE);
    invalidate();
}

void StringGrid::scrollBy(int rows)
{
    setTopRow(topRow_ + rows);
}

void StringGrid::ensureVisible(int row)
{
    if (row < topRow_)
        setTopRow(row);
    else if (row >= topRow_ + visibleRows())
        setTopRow(row - visibleRows() + 1);
}

void StringGrid::moveTo(int col, int row)
{
    const int oldCol = model_.currentCol(), oldRow = model_.currentRow();
    col = std::clamp(col, GridModel::kFixedCols, model_.colCount() - 1);
    row = std::clamp(row, GridModel::kFixedRows, std::max(GridModel::kFixedRows, model_.rowCount() - 1));
    if (col != oldCol || row != oldRow) {
        if (editorShown())
            hideEditor();
        if (onCellChanging)
            onCellChanging(oldCol, oldRow, col, row);
        model_.setCurrent(col, row);
    }
    selectionHidden_ = false;
    ensureVisible(model_.currentRow());
    invalidate();
}

void StringGrid::hideSelection()
{
    selectionHidden_ = true;
    invalidate();
}

bool StringGrid::editorShown() const
{
    return editor_ && IsWindowVisible(editor_->handle());
}

void StringGrid::showEditor()
{
    const int col = model_.currentCol(), row = model_.currentRow();
    if (col != editableCol_ || row >= model_.rowCount() || row < GridModel::kFixedRows)
        return;
    ensureVisible(row);
    const RECT r = logicalCellRect(col, row);
    editor_->setBounds(Bounds{r.left, r.top, r.right - r.left - 1, r.bottom - r.top - 1});
    // The grid's font, at its DPI now (a DPI change gave the editor the toolkit's own); before
    // the margins, which a font resets.
    SendMessageW(editor_->handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    if (ToolButton* b = editor_->button()) {
        const int size = r.bottom - r.top - 1;
        b->setBounds(Bounds{r.right - r.left - 1 - size, 0, size, size});
        SendMessageW(editor_->handle(), EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(scale(1), scale(size + 1)));
    }
    editor_->setText(model_.cell(col, row));
    editor_->setVisible(true);
    SendMessageW(editor_->handle(), EM_SETSEL, 0, -1);
    SetFocus(editor_->handle());
}

void StringGrid::hideEditor()
{
    const bool hadFocus = GetFocus() == editor_->handle();
    editor_->setVisible(false);
    if (hadFocus)
        SetFocus(handle());
}

void StringGrid::editorChanged()
{
    if (!editorShown())
        return;
    model_.setCell(model_.currentCol(), model_.currentRow(), editor_->text());
}

void StringGrid::clickAt(int x, int y)
{
    int col = 0, row = 0;
    if (!cellAt(x, y, col, row))
        return;
    SetFocus(handle());
    if (col >= GridModel::kFixedCols && row >= GridModel::kFixedRows)
        moveTo(col, row);
    if (onClickCell)
        onClickCell(col, row);
    if (col == editableCol_ && row >= GridModel::kFixedRows && col == model_.currentCol() && row == model_.currentRow())
        showEditor();
}

void StringGrid::keyDown(WPARAM key)
{
    const bool ctrl = GetKeyState(VK_CONTROL) < 0, shift = GetKeyState(VK_SHIFT) < 0, alt = GetKeyState(VK_MENU) < 0;
    const int col = model_.currentCol(), row = model_.currentRow();
    const int page = visibleRows();
    switch (key) {
    case VK_UP: moveTo(col, row - 1); break;
    case VK_DOWN: moveTo(col, row + 1); break;
    case VK_LEFT: moveTo(col - 1, row); break;
    case VK_RIGHT: moveTo(col + 1, row); break;
    case VK_PRIOR:
        setTopRow(topRow_ - page);
        moveTo(col, row - page);
        break;
    case VK_NEXT:
        setTopRow(topRow_ + page);
        moveTo(col, row + page);
        break;
    case VK_HOME: moveTo(GridModel::kFixedCols, ctrl ? GridModel::kFixedRows : row); break;
    case VK_END: moveTo(model_.colCount() - 1, ctrl ? model_.rowCount() - 1 : row); break;
    case VK_F2:
    case VK_RETURN: showEditor(); break;
    case VK_INSERT:
        if (!shift && !ctrl && !alt && (!onCanInsertRow || onCanInsertRow(row))) {
            model_.insertRow(model_.dataRows() > 0 ? row : GridModel::kFixedRows);
            refresh();
            if (onAutoInsertRow)
                onAutoInsertRow(row);
        }
        break;
    case VK_DELETE:
        if (!alt && model_.dataRows() > 0) {
            model_.deleteRow(row);
            refresh();
            if (onAutoDeleteRow)
                onAutoDeleteRow(row);
        }
        break;
    default:
        break;
    }
}

void StringGrid::paint(HDC target)
{
    RECT client;
    GetClientRect(handle(), &client);
    const int width = client.right, height = client.bottom;
    const HDC dc = CreateCompatibleDC(target);
    const HBITMAP bitmap = CreateCompatibleBitmap(target, std::max(width, 1), std::max(height, 1));
    const HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    FillRect(dc, &client, solidBrush(GetSysColor(COLOR_WINDOW)));
    SetBkMode(dc, TRANSPARENT);

    const int last = std::min(model_.rowCount() - 1, topRow_ + visibleRows());
    int painted = 0;
    for (int row = 0; row <= last; row = row < GridModel::kFixedRows - 1 ? row + 1 : std::max(row + 1, topRow_)) {
        for (int col = 0; col < model_.colCount(); ++col)
            paintCell(dc, col, row, cellRect(col, row));
        ++painted;
    }
    lastPaintedRows_ = painted;
    BitBlt(target, 0, 0, width, height, dc, 0, 0, SRCCOPY);
    SelectObject(dc, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

void StringGrid::paintCell(HDC dc, int col, int row, const RECT& r)
{
    const bool fixed = row < GridModel::kFixedRows || col < GridModel::kFixedCols;
    const bool current = !fixed && !selectionHidden_ && row == model_.currentRow() && col == model_.currentCol();
    RECT inner{r.left, r.top, r.right - 1, r.bottom - 1};
    COLORREF back = fixed ? fixedColour_ : GetSysColor(COLOR_WINDOW);
    COLORREF fore = GetSysColor(COLOR_WINDOWTEXT);
    if (current) {
        back = GetSysColor(COLOR_HIGHLIGHT);
        fore = GetSysColor(COLOR_HIGHLIGHTTEXT);
    }
    FillRect(dc, &inner, solidBrush(back));
    // Grid lines on the right and bottom edge of every cell.
    RECT line{r.right - 1, r.top, r.right, r.bottom};
    FillRect(dc, &line, solidBrush(GetSysColor(COLOR_BTNSHADOW)));
    line = RECT{r.left, r.bottom - 1, r.right, r.bottom};
    FillRect(dc, &line, solidBrush(GetSysColor(COLOR_BTNSHADOW)));

    RECT text = inner;
    text.left += scale(2);
    if (row < GridModel::kFixedRows && images_) {
        if (auto it = headerImages_.find(col); it != headerImages_.end()) {
            const fx::Size size{scale(images_->imageSize().width), scale(images_->imageSize().height)};
            GdiSurface surface(dc, fx::Font{"Tahoma", 8, false, false, false, false, 0}, dpi());
            images_->drawImage(it->second, surface, text.left, r.top + (r.bottom - r.top - 1 - size.height) / 2);
            text.left += size.width;
        }
    }
    const std::string& cell = model_.cell(col, row);
    if (cell.empty())
        return;
    const HGDIOBJ oldFont = SelectObject(dc, fixed ? boldFont_ : font_);
    SetTextColor(dc, fore);
    const std::wstring w = wide(cell);
    DrawTextW(dc, w.c_str(), static_cast<int>(w.size()), &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, oldFont);
}

LRESULT StringGrid::handleMessage(UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        clickAt(GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
        return 0;
    case WM_RBUTTONUP:
        if (popup_) {
            POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
            ClientToScreen(handle(), &p);
            popup_->popup(handle(), p);
        }
        return 0;
    case WM_KEYDOWN:
        keyDown(wp);
        return 0;
    case WM_CHAR:
        // Typing on the edited column starts the cell editor with that character.
        if (wp >= 32 && model_.currentCol() == editableCol_ && model_.dataRows() > 0) {
            showEditor();
            SendMessageW(editor_->handle(), WM_CHAR, wp, lp);
        }
        return 0;
    case WM_MOUSEWHEEL: {
        wheelDelta_ += GET_WHEEL_DELTA_WPARAM(wp);
        UINT lines = 3;
        SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
        const int notches = wheelDelta_ / WHEEL_DELTA;
        wheelDelta_ -= notches * WHEEL_DELTA;
        if (notches)
            scrollBy(-notches * static_cast<int>(lines == WHEEL_PAGESCROLL ? static_cast<UINT>(visibleRows()) : lines));
        return 0;
    }
    case WM_VSCROLL: {
        SCROLLINFO si{};
        si.cbSize = sizeof si;
        si.fMask = SIF_TRACKPOS;
        switch (LOWORD(wp)) {
        case SB_LINEUP: scrollBy(-1); break;
        case SB_LINEDOWN: scrollBy(1); break;
        case SB_PAGEUP: scrollBy(-visibleRows()); break;
        case SB_PAGEDOWN: scrollBy(visibleRows()); break;
        case SB_TOP: setTopRow(GridModel::kFixedRows); break;
        case SB_BOTTOM: setTopRow(model_.rowCount()); break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION:
            GetScrollInfo(handle(), SB_VERT, &si);
            setTopRow(si.nTrackPos + GridModel::kFixedRows);
            break;
        default:
            break;
        }
        return 0;
    }
    case WM_SIZE:
        updateScrollBar();
        setTopRow(topRow_);
        break;
    default:
        break;
    }
    return Control::handleMessage(msg, wp, lp);
}

} // namespace tk
