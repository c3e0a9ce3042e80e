// Word file format: line ends, NUL, final line end, round trips and random input.
#include "game/core/word_file.h"

#include "tests/game/test_util.h"

#include <gtest/gtest.h>

#include <random>

namespace slovo {
namespace {

struct LinesCase {
    const char* name;
    std::string bytes;
    StringList expected;
};

TEST(WordFile, ParsesEveryLineEndAndNul)
{
    const LinesCase cases[] = {
        {"empty", "", {}},
        {"crlf", "А\r\nБ\r\n", {"А", "Б"}},
        {"lf", "А\nБ\n", {"А", "Б"}},
        {"cr", "А\rБ\r", {"А", "Б"}},
        {"no final end", "А\r\nБ", {"А", "Б"}},
        {"two final ends", "А\r\nБ\r\n\r\n", {"А", "Б", ""}},
        {"inner empty", "А\r\n\r\nБ\r\n", {"А", "", "Б"}},
        {"lf cr is two ends", "А\n\rБ", {"А", "", "Б"}},
        {"leading end", "\nА", {"", "А"}},
        {"lone end", "\r\n", {""}},
        {"nul ends text", std::string("А\r\nБ\0В\r\nГ", 9), {"А", "Б"}},
        {"nul first", std::string("\0А", 2), {}},
        {"mixed", "a\r\nb\nc\rd", {"a", "b", "c", "d"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parseLines(c.bytes), c.expected) << c.name;
}

TEST(WordFile, FormatsCrLfAfterEveryEntry)
{
    EXPECT_EQ(formatLines({}), "");
    EXPECT_EQ(formatLines({""}), "\r\n");
    EXPECT_EQ(formatLines({"СОБОЛЬ", "", "КИШМИШ"}), "СОБОЛЬ\r\n\r\nКИШМИШ\r\n");
}

TEST(WordFile, RoundTripKeepsEmptyEntries)
{
    const StringList lists[] = {{}, {""}, {"", ""}, {"А", "", "Б", ""}, {"x y z", "\x01\xFF"}};
    for (const auto& list : lists)
        EXPECT_EQ(parseLines(formatLines(list)), list) << list.size();
}

// Random bytes: whatever is read writes back to the same entries, and no read fails.
TEST(WordFile, RandomAndTruncatedInputsAreStable)
{
    std::mt19937 rng(20261209);
    const char alphabet[] = {'\r', '\n', '\0', 'A', '\xC0', ' '};
    for (int round = 0; round < 3000; ++round) {
        std::string bytes(rng() % 64, '\0');
        for (auto& b : bytes)
            b = (rng() % 3 == 0) ? static_cast<char>(rng()) : alphabet[rng() % sizeof alphabet];
        for (size_t cut : {bytes.size(), bytes.size() / 2, size_t{1}}) {
            const auto lines = parseLines(std::string_view(bytes).substr(0, std::min(cut, bytes.size())));
            for (const auto& line : lines)
                ASSERT_EQ(line.find_first_of(std::string("\r\n\0", 3)), std::string::npos) << test::escaped(bytes);
            ASSERT_EQ(parseLines(formatLines(lines)), lines) << test::escaped(bytes);
        }
    }
}

} // namespace
} // namespace slovo
