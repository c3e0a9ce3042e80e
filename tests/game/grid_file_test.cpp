// Grid cell file reader: the table, its bounds, the line-break rule and corrupt headers.
#include "game/core/grid_file.h"

#include "common/error.h"
#include "tests/game/test_util.h"

#include <gtest/gtest.h>

#include <random>

namespace slovo {
namespace {

const std::string kPath = "C:\\Windows\\data\\slovolovka.txt";

std::string errorOf(const std::string& bytes)
{
    try {
        parseGridFile(bytes, kPath);
    } catch (const Error& e) {
        return e.what();
    }
    return "(no error)";
}

TEST(GridFile, ReadsRowsInOrderAndIgnoresCellsOutsideTheTable)
{
    const std::string bytes = "3,4\r\n"
                              "cw:0,64\r\n"
                              "cw:1,120\r\n"
                              "cw:9,50\r\n"
                              "cw:3,50\r\n"
                              "0,0,No.\r\n"
                              "1,0,Word\r\n"
                              "1,2,ОЛЕНЬ\r\n"
                              "2,2,ЖИВОТНОЕ\r\n"
                              "1,1,СОБОЛЬ\r\n"
                              "2,1,МЕХ, ЦЕННЫЙ\r\n"
                              "0,3,3\r\n"
                              "1,3,ПУРГА\r\n"
                              "2,3,БУРЯ\r\n"
                              "5,1,outside\r\n"
                              "1,7,outside\r\n"
                              "-1,1,outside\r\n";
    const GridFile g = parseGridFile(bytes, kPath);
    EXPECT_EQ(g.columns, 3);
    EXPECT_EQ(g.rows, 4);
    EXPECT_EQ(g.words, (StringList{"СОБОЛЬ", "ОЛЕНЬ", "ПУРГА"}));
    EXPECT_EQ(g.hints, (StringList{"МЕХ, ЦЕННЫЙ", "ЖИВОТНОЕ", "БУРЯ"}));
    EXPECT_EQ(g.widths, (std::vector<std::pair<int32_t, int32_t>>{{0, 64}, {1, 120}}));
    std::string other;
    for (const GridCell& c : g.cells)
        other += std::to_string(c.column) + "," + std::to_string(c.row) + "=" + c.text + ";";
    EXPECT_EQ(other, "0,0=No.;1,0=Word;0,3=3;") << "the header row and number column, in file order";
}

TEST(GridFile, OtherCellsKeepEveryColumnOfTheTable)
{
    const GridFile g = parseGridFile("5,3\r\n"
                                     "4,2,ПЯТАЯ\r\n"
                                     "3,0,Четвёртая\r\n"
                                     "4,0,x\x08y\r\n"
                                     "2,0, Подсказка\r\n"
                                     "1,1,СЛОВО\r\n"
                                     "4,2,СНОВА\r\n"
                                     "5,2,outside\r\n",
                                     kPath);
    std::string other;
    for (const GridCell& c : g.cells)
        other += std::to_string(c.column) + "," + std::to_string(c.row) + "=" + c.text + ";";
    EXPECT_EQ(other, "4,2=ПЯТАЯ;3,0=Четвёртая;4,0=x;2,0= Подсказка;4,2=СНОВА;");
    EXPECT_EQ(g.words, (StringList{"СЛОВО", ""}));
}

TEST(GridFile, RowsWithoutCellsGiveEmptyEntries)
{
    const GridFile g = parseGridFile("3,4\r\n1,2,ЛИНЬ\r\n", kPath);
    EXPECT_EQ(g.words, (StringList{"", "ЛИНЬ", ""}));
    EXPECT_EQ(g.hints, (StringList{"", "", ""}));
    // Two columns: column 2 lies outside the table, so hints stay empty.
    const GridFile narrow = parseGridFile("2,2\r\n1,1,А\r\n2,1,Б\r\n", kPath);
    EXPECT_EQ(narrow.words, StringList{"А"});
    EXPECT_EQ(narrow.hints, StringList{""});
    EXPECT_TRUE(parseGridFile("1,1\r\n", kPath).words.empty());
}

TEST(GridFile, LineBreakBytesCutTheCellText)
{
    struct Case {
        std::string raw, expected;
    } cases[] = {
        {"ПЕРВАЯ\x09\x08ВТОРАЯ", "ПЕРВАЯ"},
        {"ОДНА\x08ДВЕ", "ОДНА"},
        {"TAB\x09ONLY", "TAB\x09ONLY"}, // no byte 8: byte 9 is just a byte
        {"\x08", ""},
        {"PLAIN", "PLAIN"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(gridCellText(c.raw), c.expected) << test::escaped(c.raw);
        const GridFile g = parseGridFile("3,2\r\n2,1," + c.raw + "\r\n", kPath);
        EXPECT_EQ(g.hints[0], c.expected) << test::escaped(c.raw);
    }
}

TEST(GridFile, LfLineEndsAndMalformedCellLinesAreTolerated)
{
    const GridFile g = parseGridFile("3,3\n1,1,А\nnonsense\n1,x,Б\n,,\n2,2,ВТОРОЙ,С ЗАПЯТОЙ\n+2, 1 ,ЗНАК\n", kPath);
    EXPECT_EQ(g.words, (StringList{"А", ""}));
    EXPECT_EQ(g.hints, (StringList{"ЗНАК", "ВТОРОЙ,С ЗАПЯТОЙ"})) << "numbers may carry a sign and blanks";
}

TEST(GridFile, CorruptHeadersAreReported)
{
    const std::string expected = "File contains no data or corrupt file " + kPath;
    const char* headers[] = {"", "\r\n", "3", "3,", ",4", "0,4", "3,0", "-3,4", "3,-4", "a,b",
                             "2000000000,2000000000", "99999999999,2", "3,1048578", "65537,2", "3,4x",
                             // More cells than the import's table may hold.
                             "5,1048577", "65536,65"};
    for (const char* h : headers)
        EXPECT_EQ(errorOf(std::string(h) + "\r\n1,1,А\r\n"), expected) << h;
    EXPECT_EQ(errorOf(std::string("\0" "3,4", 4)), expected);
}

TEST(GridFile, LargestAllowedTableStillReads)
{
    const GridFile g = parseGridFile("3,1048577\r\n1,1048576,ПОСЛЕДНЕЕ\r\n", kPath);
    ASSERT_EQ(g.words.size(), 1048576u);
    EXPECT_EQ(g.words.back(), "ПОСЛЕДНЕЕ");
    EXPECT_EQ(parseGridFile("4,1048577\r\n", kPath).columns, 4) << "four columns of the most rows";
    EXPECT_EQ(parseGridFile("65536,64\r\n", kPath).rows, 64) << "the most columns in few rows";
}

// Random and truncated files: the reader either returns a table within its header's size or
// reports the corrupt-file error; nothing else escapes.
TEST(GridFile, RandomAndTruncatedInputs)
{
    std::mt19937 rng(77);
    const std::string valid = "3,5\r\ncw:1,100\r\n1,1,СОБОЛЬ\r\n2,1,МЕХ\x08ВТОРАЯ\r\n1,4,ПЫЖ\r\n2,4,ПРОКЛАДКА\r\n";
    for (size_t cut = 0; cut <= valid.size(); ++cut) {
        try {
            const GridFile g = parseGridFile(valid.substr(0, cut), kPath);
            EXPECT_EQ(g.words.size(), static_cast<size_t>(g.rows - 1));
        } catch (const Error&) {
            EXPECT_LT(cut, 5u) << "only a cut header may be corrupt";
        }
    }
    const char pieces[] = {',', '\r', '\n', '1', '2', '-', 'c', 'w', '\x08', '\x09', '9', '\0'};
    for (int round = 0; round < 5000; ++round) {
        std::string bytes = (rng() % 2) ? "4,6\r\n" : "";
        const size_t n = rng() % 48;
        for (size_t i = 0; i < n; ++i)
            bytes += (rng() % 4 == 0) ? static_cast<char>(rng()) : pieces[rng() % sizeof pieces];
        try {
            const GridFile g = parseGridFile(bytes, kPath);
            ASSERT_GT(g.rows, 0);
            ASSERT_LE(g.rows, kMaxGridRows);
            ASSERT_EQ(g.words.size(), static_cast<size_t>(g.rows - 1));
            ASSERT_EQ(g.hints.size(), g.words.size());
            ASSERT_LE(int64_t{g.columns} * g.rows, kMaxGridCells);
            for (const GridCell& c : g.cells) {
                ASSERT_TRUE(c.column >= 0 && c.column < g.columns && c.row >= 0 && c.row < g.rows)
                    << c.column << "," << c.row;
                ASSERT_TRUE(c.row == 0 || (c.column != 1 && c.column != 2)) << c.column << "," << c.row;
            }
        } catch (const Error& e) {
            ASSERT_EQ(std::string(e.what()), "File contains no data or corrupt file " + kPath);
        }
    }
}

} // namespace
} // namespace slovo
