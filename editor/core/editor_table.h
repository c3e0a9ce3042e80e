// The editor's table rules without a window: filling it from the lists, putting an edited pair
// back, the save's check for empty words, and the fixed-width text export.
#pragma once

#include "editor/core/editor_host.h"
#include "toolkit/core/grid_model.h"

#include <string>
#include <vector>

namespace slovo {

inline constexpr int kNumberCol = 0, kWordCol = 1, kHintCol = 2;

inline constexpr const char* kPutBackCaption = "Некорректный ввод строк!";
inline constexpr const char* kPutBackMessage =
    "Некорректный ввод строк! Для правильной работы программы все строки базы данных должны быть заполнены!";
inline constexpr const char* kEmptyRowsCaption = "Пустые строки!";
inline constexpr const char* kEmptyRowsMessage =
    "Таблица содержит пустые строки! Пожалуйста, удалите пустые строки перед тем, как сохранить базу слов!";

// The three columns with their captions and no data rows.
tk::GridModel makeEditorTable();

// count + 1 rows, renumbered, row i + 1 holding words[i] and hints[i] (a missing hint stays empty).
void fillTable(tk::GridModel& table, const std::vector<std::string>& words, const std::vector<std::string>& hints);

// The table becomes the downloaded file's: its column and row counts, its cells, every other cell
// empty (the table keeps at least its header row, number column and one more column).
void loadDownloadedTable(tk::GridModel& table, const DownloadedBase& base);

// Width of a column that the table did not have before, and the bounds of a width from a file
// (so the columns of the widest table still add up within an int).
inline constexpr int kNewColumnWidth = 64;
inline constexpr int kMaxColumnWidth = 32767;

// The column widths after an import: one per column of the table, the widths it had, new columns
// kNewColumnWidth, then every width the file names for a column of the table, in file order,
// held within 0 .. kMaxColumnWidth.
std::vector<int> downloadedColumnWidths(std::vector<int> widths, int columns, const DownloadedBase& base);

// The pair goes into the current row unless either field is empty (spaces count as filled).
bool putBack(tk::GridModel& table, const std::string& word, const std::string& hint);

// The first data row with an empty word, or 0 when every word is filled.
int firstEmptyWordRow(const tk::GridModel& table);

// The word and hint columns of the data rows, in order.
std::vector<std::string> column(const tk::GridModel& table, int col);

// Every row from the header, each column padded to its widest first line plus one space, CR LF
// after every row.
std::string textExport(const tk::GridCells& cells);

} // namespace slovo
