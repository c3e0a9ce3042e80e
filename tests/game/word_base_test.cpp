// Start-up preparation, the three load manners, save and update import, on real files.
#include "game/core/word_base.h"

#include "common/error.h"
#include "common/std_file_system.h"
#include "tests/game/test_util.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace slovo {
namespace {

StringList builtinWords()
{
    StringList words;
    for (const auto& e : builtinBase())
        words.emplace_back(e.word);
    return words;
}

StringList builtinHints()
{
    StringList hints;
    for (const auto& e : builtinBase())
        hints.emplace_back(e.hint);
    return hints;
}

std::string errorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const Error& e) {
        return e.what();
    }
    return "(no error)";
}

class WordBaseFiles : public ::testing::Test {
protected:
    test::TempDir tmp;
    BasePaths paths = BasePaths::under(tmp.file("data"));
    StdFileSystem fs;
    WordBase base;
};

TEST(BuiltinBase, HoldsTheTableAsStored)
{
    const auto& b = builtinBase();
    EXPECT_STREQ(b[0].word, "СОБОЛЬ");
    EXPECT_STREQ(b[92].word, "ГОЛОВАСТИК");
    EXPECT_STREQ(b[53].hint, "ВИД КРЕПЕЖА, КОТОРЫМ НЕ ПОЛЬЗОВАЛИСЬ РУССКИЕ ПЛОТН");
    EXPECT_EQ(std::string(b[53].hint).size(), 50u);
    for (const auto& e : b) {
        const std::string w = e.word;
        EXPECT_GE(w.size(), 1u);
        EXPECT_LE(w.size(), 10u) << test::escaped(w);
        for (unsigned char c : w)
            EXPECT_TRUE(c >= 0xC0 && c <= 0xDF && c != 0xC9 && c != 0xDA) << test::escaped(w);
    }
    const WordBase fresh;
    EXPECT_EQ(fresh.List4, builtinWords());
    EXPECT_EQ(fresh.List2, builtinWords());
    EXPECT_EQ(fresh.List3, builtinHints());
    EXPECT_EQ(fresh.List1, builtinHints());
    EXPECT_EQ(fresh.BaseKind, 0);
}

TEST(BasePaths, FixedWindowsPathsAreAsTheProgramNamesThem)
{
    const BasePaths p = BasePaths::fixedWindows();
    EXPECT_EQ(p.directory, "c:\\Windows\\data");
    EXPECT_EQ(p.stwords, "C:\\Windows\\data\\stwords.txt");
    EXPECT_EQ(p.sthints, "C:\\Windows\\data\\sthints.txt");
    EXPECT_EQ(p.words, "C:\\Windows\\data\\words.txt");
    EXPECT_EQ(p.hints, "C:\\Windows\\data\\hints.txt");
    EXPECT_EQ(p.download, "C:\\Windows\\data\\slovolovka.txt");
}

TEST_F(WordBaseFiles, FirstStartCreatesTheDirectoryAndSeedsTheStandardFiles)
{
    EXPECT_FALSE(prepareStartup(fs, base, paths));
    EXPECT_TRUE(std::filesystem::is_directory(paths.directory));
    const std::string words = test::readAll(paths.stwords);
    EXPECT_EQ(words, formatLines(builtinWords()));
    EXPECT_EQ(test::readAll(paths.sthints), formatLines(builtinHints()));
    EXPECT_EQ(words.substr(words.size() - 2), "\r\n");
    EXPECT_EQ(parseLines(words).size(), 93u);
    EXPECT_EQ(base.List2.size(), 93u);
    EXPECT_FALSE(std::filesystem::exists(tmp.file("data/stwords.txt.tmp")));
}

TEST_F(WordBaseFiles, ExistingStandardFilesAreUsedUnchanged)
{
    std::filesystem::create_directory(paths.directory);
    test::writeAll(paths.stwords, "ПЫЖ\nЛИНЬ");
    test::writeAll(paths.sthints, "ПРОКЛАДКА\r\nРЫБА\r\n");
    test::writeAll(paths.words, "");
    EXPECT_TRUE(prepareStartup(fs, base, paths));
    EXPECT_EQ(base.List4, (StringList{"ПЫЖ", "ЛИНЬ"}));
    EXPECT_EQ(base.List2, base.List4);
    EXPECT_EQ(base.List3, (StringList{"ПРОКЛАДКА", "РЫБА"}));
    EXPECT_EQ(base.List1, base.List3);
    EXPECT_EQ(test::readAll(paths.stwords), "ПЫЖ\nЛИНЬ");
}

TEST_F(WordBaseFiles, MissingWordsFileRewritesBothStandardFiles)
{
    std::filesystem::create_directory(paths.directory);
    test::writeAll(paths.sthints, "OLD\r\n");
    prepareStartup(fs, base, paths);
    EXPECT_EQ(test::readAll(paths.sthints), formatLines(builtinHints()));
}

TEST_F(WordBaseFiles, MissingHintsFileStopsTheReadingHalfway)
{
    std::filesystem::create_directory(paths.directory);
    test::writeAll(paths.stwords, "ПЫЖ\r\n");
    EXPECT_EQ(errorOf([&] { prepareStartup(fs, base, paths); }), "Cannot open file " + paths.sthints);
    EXPECT_EQ(base.List4, StringList{"ПЫЖ"});
    EXPECT_EQ(base.List3, builtinHints());
    EXPECT_EQ(base.List2, builtinWords());
    EXPECT_EQ(base.List1, builtinHints());
}

TEST_F(WordBaseFiles, DirectoryThatCannotBeCreatedLeavesEverythingAsItWas)
{
    const BasePaths deep = BasePaths::under(tmp.file("missing/parent/data"));
    EXPECT_EQ(errorOf([&] { prepareStartup(fs, base, deep); }), "Невозможно создать директорию!");
    EXPECT_FALSE(std::filesystem::exists(tmp.file("missing")));
    EXPECT_EQ(base.List4, builtinWords());
}

TEST_F(WordBaseFiles, LoadMannersDifferOnlyInWhatAFailureLeaves)
{
    std::filesystem::create_directory(paths.directory);
    test::writeAll(paths.words, "А\r\nБ\r\n");
    test::writeAll(paths.hints, "1\r\n2\r\n");

    for (auto load : {loadForBaseChoice, loadForBaseMenu, loadForEditor}) {
        WordBase b;
        load(fs, b, paths.words, paths.hints);
        EXPECT_EQ(b.List4, (StringList{"А", "Б"}));
        EXPECT_EQ(b.List2, b.List4);
        EXPECT_EQ(b.List3, (StringList{"1", "2"}));
        EXPECT_EQ(b.List1, b.List3);
    }

    const std::string missing = tmp.file("data/none.txt");
    {
        // Choice: the hints file is read first, so nothing changes.
        WordBase b;
        EXPECT_EQ(errorOf([&] { loadForBaseChoice(fs, b, paths.words, missing); }), "Cannot open file " + missing);
        EXPECT_EQ(b.List1, builtinHints());
        EXPECT_EQ(b.List4, builtinWords());
    }
    {
        // Menu: all four are cleared, the words file is read, the rest stays empty.
        WordBase b;
        EXPECT_EQ(errorOf([&] { loadForBaseMenu(fs, b, paths.words, missing); }), "Cannot open file " + missing);
        EXPECT_EQ(b.List4, (StringList{"А", "Б"}));
        EXPECT_TRUE(b.List3.empty());
        EXPECT_TRUE(b.List2.empty());
        EXPECT_TRUE(b.List1.empty());
    }
    {
        WordBase b;
        EXPECT_EQ(errorOf([&] { loadForEditor(fs, b, missing, paths.hints); }), "Cannot open file " + missing);
        EXPECT_TRUE(b.List4.empty());
        EXPECT_TRUE(b.List1.empty());
    }
}

TEST_F(WordBaseFiles, SaveWritesThePairThatBaseKindNames)
{
    std::filesystem::create_directory(paths.directory);
    saveBase(fs, base, paths, {"ПЫЖ", ""}, {"ПРОКЛАДКА", "ПУСТО"});
    EXPECT_EQ(test::readAll(paths.stwords), "ПЫЖ\r\n\r\n");
    EXPECT_EQ(test::readAll(paths.sthints), "ПРОКЛАДКА\r\nПУСТО\r\n");
    EXPECT_FALSE(std::filesystem::exists(paths.words));
    EXPECT_EQ(base.List2, base.List4);
    EXPECT_EQ(base.List1, base.List3);

    base.BaseKind = 1;
    saveBase(fs, base, paths, {}, {});
    EXPECT_EQ(std::filesystem::file_size(paths.words), 0u);
    EXPECT_EQ(std::filesystem::file_size(paths.hints), 0u);

    const std::string noDir = tmp.file("gone/words.txt");
    BasePaths bad = BasePaths::under(tmp.file("gone"));
    EXPECT_EQ(errorOf([&] { saveBase(fs, base, bad, {"А"}, {"Б"}); }), "Cannot create file " + noDir);
}

TEST_F(WordBaseFiles, ImportTurnsTheDownloadIntoTheUpdatedBase)
{
    std::filesystem::create_directory(paths.directory);
    test::writeAll(paths.download, "3,3\r\n1,1,ОЛЕНЬ\r\n2,1,ЖИВОТНОЕ\r\n1,2,ПУРГА\r\n2,2,БУРЯ\r\n");
    importUpdate(fs, base, paths);
    EXPECT_EQ(base.BaseKind, 1);
    EXPECT_EQ(base.List4, (StringList{"ОЛЕНЬ", "ПУРГА"}));
    EXPECT_EQ(base.List1, (StringList{"ЖИВОТНОЕ", "БУРЯ"}));
    EXPECT_EQ(test::readAll(paths.words), "ОЛЕНЬ\r\nПУРГА\r\n");
    EXPECT_EQ(test::readAll(paths.hints), "ЖИВОТНОЕ\r\nБУРЯ\r\n");

    WordBase other;
    test::writeAll(paths.download, "0,0\r\n");
    EXPECT_EQ(errorOf([&] { importUpdate(fs, other, paths); }), "File contains no data or corrupt file " + paths.download);
    EXPECT_EQ(other.BaseKind, 0);
    EXPECT_EQ(other.List4, builtinWords());
}

TEST_F(WordBaseFiles, LargeAndBinaryFilesReadSoundly)
{
    std::filesystem::create_directory(paths.directory);
    const std::string line = "ИХТИОФАУНА\r\n";
    std::string big;
    big.reserve(50u << 20);
    while (big.size() + line.size() <= (50u << 20))
        big += line;
    test::writeAll(paths.words, big);
    const StringList words = readWordFile(fs, paths.words);
    EXPECT_EQ(words.size(), big.size() / line.size());
    EXPECT_EQ(words.back(), "ИХТИОФАУНА");

    test::writeAll(paths.hints, std::string("ПЕРВАЯ\r\nВТО\0РАЯ\r\nТРЕТЬЯ\r\n", 26));
    EXPECT_EQ(readWordFile(fs, paths.hints), (StringList{"ПЕРВАЯ", "ВТО"}));
}

} // namespace
} // namespace slovo
