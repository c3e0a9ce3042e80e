// The grid model's row operations and the editor's table rules: numbering, Insert and Delete,
// putting a pair back, the save's check and the fixed-width text export.
#include "editor/core/editor_table.h"

#include <gtest/gtest.h>

#include <sstream>

namespace slovo {
namespace {

tk::GridModel tableOf(int rows)
{
    tk::GridModel t = makeEditorTable();
    std::vector<std::string> words, hints;
    for (int i = 1; i <= rows; ++i) {
        words.push_back("W" + std::to_string(i));
        hints.push_back("H" + std::to_string(i));
    }
    fillTable(t, words, hints);
    return t;
}

std::string numbers(const tk::GridModel& t)
{
    std::string out;
    for (int r = 1; r < t.rowCount(); ++r)
        out += (r > 1 ? "," : "") + t.cell(kNumberCol, r);
    return out;
}

std::string wordsOf(const tk::GridModel& t)
{
    std::string out;
    for (const auto& w : column(t, kWordCol))
        out += (out.empty() ? "" : ",") + (w.empty() ? std::string("_") : w);
    return out;
}

TEST(EditorTable, OpeningFillsNumbersWordsHintsAndKeepsTheHeader)
{
    const tk::GridModel t = tableOf(3);
    EXPECT_EQ(t.rowCount(), 4);
    EXPECT_EQ(t.colCount(), 3);
    EXPECT_EQ(t.cell(0, 0), "");
    EXPECT_EQ(t.cell(1, 0), " Слово");
    EXPECT_EQ(t.cell(2, 0), " Подсказка");
    EXPECT_EQ(numbers(t), "1,2,3");
    EXPECT_EQ(t.cell(kWordCol, 2), "W2");
    EXPECT_EQ(t.cell(kHintCol, 3), "H3");
    tk::GridModel empty = makeEditorTable();
    fillTable(empty, {}, {});
    EXPECT_EQ(empty.rowCount(), 1) << "empty lists: the header row only";
}

TEST(EditorTable, ADownloadedTableTakesTheFilesShapeAndCells)
{
    struct Case {
        const char* name;
        DownloadedBase base;
        int cols, rows;
        std::vector<std::pair<std::pair<int, int>, std::string>> cells; // (col, row) -> text
    };
    const Case cases[] = {
        {"the file's own numbers and header, no captions added",
         {3, 3, {}, {"ОЛЕНЬ", "ПУРГА"}, {"ЗВЕРЬ", "БУРЯ"}, {{0, 1, "7"}, {2, 0, "Подсказка"}}},
         3, 3,
         {{{0, 1}, "7"}, {{0, 2}, ""}, {{1, 0}, ""}, {{2, 0}, "Подсказка"}, {{1, 2}, "ПУРГА"}, {{2, 1}, "ЗВЕРЬ"}, {{2, 2}, "БУРЯ"}}},
        {"five columns",
         {5, 2, {}, {"ЛИНЬ"}, {"РЫБА"}, {{4, 1, "ПЯТАЯ"}, {3, 0, "ЧЕТВЁРТАЯ"}}},
         5, 2,
         {{{4, 1}, "ПЯТАЯ"}, {{3, 0}, "ЧЕТВЁРТАЯ"}, {{3, 1}, ""}, {{1, 1}, "ЛИНЬ"}}},
        {"two columns: no hint column",
         {2, 3, {}, {"А", "Б"}, {"", ""}, {}},
         2, 3,
         {{{1, 1}, "А"}, {{2, 1}, ""}}},
        {"one column still keeps a word column, empty",
         {1, 2, {}, {""}, {""}, {}},
         2, 2,
         {{{1, 1}, ""}}},
        {"header row only",
         {3, 1, {}, {}, {}, {{1, 0, " Слово"}}},
         3, 1,
         {{{1, 0}, " Слово"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        tk::GridModel t = tableOf(4);
        loadDownloadedTable(t, c.base);
        EXPECT_EQ(t.colCount(), c.cols);
        EXPECT_EQ(t.rowCount(), c.rows);
        for (const auto& [at, text] : c.cells)
            EXPECT_EQ(t.cell(at.first, at.second), text) << at.first << "," << at.second;
        EXPECT_EQ(column(t, kWordCol), c.base.words);
    }
}

TEST(EditorTable, ADownloadedTableKeepsItsWidthsAndTakesTheFilesOwn)
{
    struct Case {
        const char* name;
        std::vector<int> before;
        int columns;
        std::vector<std::pair<int, int>> named;
        std::vector<int> after;
    };
    const Case cases[] = {
        {"the file's widths", {45, 101, 349}, 3, {{0, 30}, {2, 200}}, {30, 101, 200}},
        {"none named", {45, 101, 349}, 3, {}, {45, 101, 349}},
        {"a later line wins", {45, 101, 349}, 3, {{1, 80}, {1, 90}}, {45, 90, 349}},
        {"new columns get the default", {45, 101, 349}, 5, {{4, 10}}, {45, 101, 349, 64, 10}},
        {"fewer columns", {45, 101, 349}, 2, {{2, 10}}, {45, 101}},
        {"columns outside a new table", {}, 2, {{-1, 10}, {2, 10}}, {64, 64}},
        {"widths held in bounds", {45, 101, 349}, 3, {{0, -5}, {1, 2000000000}}, {0, 32767, 349}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DownloadedBase base;
        base.columns = c.columns;
        base.widths = c.named;
        EXPECT_EQ(downloadedColumnWidths(c.before, c.columns, base), c.after);
    }
}

TEST(EditorTable, AppendingDoesNotNumberUntilRenumbered)
{
    tk::GridModel t = tableOf(2);
    t.appendRow();
    EXPECT_EQ(numbers(t), "1,2,");
    t.renumber();
    EXPECT_EQ(numbers(t), "1,2,3");
    EXPECT_EQ(t.cell(0, 0), "") << "the header row is not numbered";
}

TEST(EditorTable, InsertOnRowFiveMovesTheRestDown)
{
    tk::GridModel t = tableOf(8);
    t.setCurrent(kHintCol, 5);
    t.insertRow(t.currentRow());
    t.renumber();
    EXPECT_EQ(wordsOf(t), "W1,W2,W3,W4,_,W5,W6,W7,W8");
    EXPECT_EQ(numbers(t), "1,2,3,4,5,6,7,8,9");
    EXPECT_EQ(t.cell(kHintCol, 5), "");
}

TEST(EditorTable, DeleteRemovesARowOrEmptiesTheLastOne)
{
    struct Case {
        int rows, current;
        std::string words, numbers;
    };
    for (const Case& c : {Case{1, 1, "_", "1"}, Case{2, 1, "W2", "1"}, Case{5, 3, "W1,W2,W4,W5", "1,2,3,4"},
                          Case{5, 5, "W1,W2,W3,W4", "1,2,3,4"}}) {
        tk::GridModel t = tableOf(c.rows);
        t.setCurrent(kHintCol, c.current);
        t.deleteRow(t.currentRow());
        t.renumber();
        EXPECT_EQ(wordsOf(t), c.words) << c.rows << " rows, delete " << c.current;
        EXPECT_EQ(numbers(t), c.numbers) << c.rows << " rows, delete " << c.current;
        EXPECT_LT(t.currentRow(), t.rowCount());
        EXPECT_GE(t.currentRow(), 1);
    }
    tk::GridModel one = tableOf(1);
    one.deleteRow(1);
    EXPECT_EQ(one.cell(kHintCol, 1), "") << "the single row's hint is emptied too";
}

TEST(EditorTable, PutBackNeedsBothFieldsAndLandsInTheCurrentRow)
{
    struct Case {
        std::string word, hint;
        bool taken;
    };
    for (const Case& c : {Case{"", "", false}, Case{"КОТ", "", false}, Case{"", "ЗВЕРЬ", false},
                          Case{" ", " ", true}, Case{"КОТ", "ЗВЕРЬ", true}}) {
        tk::GridModel t = tableOf(3);
        t.setCurrent(kWordCol, 2);
        EXPECT_EQ(putBack(t, c.word, c.hint), c.taken) << "'" << c.word << "' '" << c.hint << "'";
        EXPECT_EQ(t.cell(kWordCol, 2), c.taken ? c.word : "W2");
        EXPECT_EQ(t.cell(kHintCol, 2), c.taken ? c.hint : "H2");
        EXPECT_EQ(t.cell(kWordCol, 1), "W1");
    }
}

TEST(EditorTable, TheSaveTestsOnlyTheWordColumn)
{
    tk::GridModel t = tableOf(4);
    EXPECT_EQ(firstEmptyWordRow(t), 0);
    t.setCell(kHintCol, 3, "");
    EXPECT_EQ(firstEmptyWordRow(t), 0) << "an empty hint passes";
    t.setCell(kWordCol, 3, "");
    t.setCell(kWordCol, 4, "");
    EXPECT_EQ(firstEmptyWordRow(t), 3);
    EXPECT_EQ(firstEmptyWordRow(makeEditorTable()), 0);
}

TEST(TextExport, TheExampleByteForByte)
{
    tk::GridModel t = makeEditorTable();
    fillTable(t, {"КОРИЦА"}, {"ПРЯНОСТЬ"});
    EXPECT_EQ(textExport(t.cells()), "  " " Слово" " " " Подсказка" " \r\n"
                                     "1 " "КОРИЦА" " " "ПРЯНОСТЬ" "   \r\n");
}

TEST(TextExport, NinetyThreeRowsGiveNinetyFourEqualLines)
{
    tk::GridModel t = makeEditorTable();
    std::vector<std::string> words, hints;
    for (int i = 0; i < 93; ++i) {
        words.push_back(std::string(static_cast<size_t>(1 + i % 10), 'А'));
        hints.push_back(std::string(static_cast<size_t>(5 + i % 37), 'Б'));
    }
    fillTable(t, words, hints);
    const std::string text = textExport(t.cells());
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    EXPECT_EQ(start, text.size()) << "the text ends in CR LF";
    ASSERT_EQ(lines.size(), 94u);
    for (size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i].size(), 2u + 1 + 10 + 1 + 41 + 1) << "line " << i << ": '" << lines[i] << "'";
        EXPECT_EQ(lines[i].back(), ' ') << "line " << i;
    }
}

TEST(TextExport, OnlyTheFirstLineOfACellCountsAndIsWritten)
{
    const tk::GridCells cells{{"", "A\r\nLONGER", "B"}, {"1", "XY", "C\nD"}};
    EXPECT_EQ(textExport(cells), "  A  B \r\n1 XY C \r\n");
    EXPECT_EQ(textExport({}), "");
}

TEST(GridModel, OutOfRangeCellsAndCurrentStayInside)
{
    tk::GridModel t(3, 1);
    EXPECT_EQ(t.cell(5, 5), "");
    t.setCell(7, 0, "X");
    t.setCell(-1, -1, "X");
    EXPECT_EQ(t.currentRow(), 1) << "no data rows: row 1";
    t.insertRow(t.currentRow());
    EXPECT_EQ(t.rowCount(), 2);
    t.setCurrent(99, 99);
    EXPECT_EQ(t.currentCol(), 2);
    EXPECT_EQ(t.currentRow(), 1);
    t.deleteRow(0);
    EXPECT_EQ(t.rowCount(), 2) << "the header row cannot be deleted";
    t.insertRow(1);
    t.deleteRow(t.rowCount());
    EXPECT_EQ(t.rowCount(), 3) << "nor a row past the last";
    t.clearRow(-1);
    t.clearRow(t.rowCount());
    t.setRowCount(-3);
    EXPECT_EQ(t.rowCount(), 1);
}

} // namespace
} // namespace slovo
