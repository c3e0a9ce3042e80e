// Win32 file access on the real C:\Windows\data of the test prefix: directory creation, share
// modes, atomic replacement and Cyrillic names.
#include "common/win32/win32_file_system.h"

#include "common/error.h"
#include "game/core/word_base.h"
#include "common/win32/text.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace slovo {
namespace {

const BasePaths kPaths = BasePaths::fixedWindows();

void resetDataDirectory()
{
    WIN32_FIND_DATAW fd;
    const std::wstring dir = tk::wide(kPaths.directory);
    HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            DeleteFileW((dir + L"\\" + fd.cFileName).c_str());
        } while (FindNextFileW(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryW(dir.c_str());
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

class Win32Files : public ::testing::Test {
protected:
    void SetUp() override { resetDataDirectory(); }
    void TearDown() override { resetDataDirectory(); }
    Win32FileSystem fs;
};

TEST_F(Win32Files, StartupCreatesTheDataDirectoryAndItsFiles)
{
    WordBase base;
    EXPECT_FALSE(fs.directoryExists(kPaths.directory));
    EXPECT_FALSE(prepareStartup(fs, base, kPaths));
    EXPECT_TRUE(fs.directoryExists("C:\\windows\\DATA"));
    const std::string words = fs.readFile(kPaths.stwords);
    EXPECT_EQ(parseLines(words).size(), 93u);
    EXPECT_EQ(words, formatLines(base.List4));
    EXPECT_FALSE(fs.fileExists(kPaths.stwords + ".~new")) << "no temporary file is left";
    EXPECT_FALSE(fs.fileExists(kPaths.directory)) << "a directory is not a file";
}

TEST_F(Win32Files, DirectoryWithoutParentIsNotCreated)
{
    EXPECT_FALSE(fs.createDirectory("C:\\Windows\\data\\one\\two"));
    EXPECT_FALSE(fs.directoryExists("C:\\Windows\\data"));
}

TEST_F(Win32Files, ReadingShutsOutWritersButSharesWithReaders)
{
    ASSERT_TRUE(fs.createDirectory(kPaths.directory));
    fs.writeFile(kPaths.words, "ПЫЖ\r\n");
    const std::wstring path = tk::wide(kPaths.words);

    {
        // Someone holds the file open for writing: the read is refused.
        HANDLE writer = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(writer, INVALID_HANDLE_VALUE);
        EXPECT_EQ(errorOf([&] { fs.readFile(kPaths.words); }), "Cannot open file " + kPaths.words);
        CloseHandle(writer);
    }
    {
        // Another reader: fine.
        HANDLE reader = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(reader, INVALID_HANDLE_VALUE);
        EXPECT_EQ(fs.readFile(kPaths.words), "ПЫЖ\r\n");
        // While it reads, a write cannot replace the file; the old content stays whole.
        EXPECT_EQ(errorOf([&] { fs.writeFile(kPaths.words, "НОВОЕ\r\n"); }), "Cannot create file " + kPaths.words);
        CloseHandle(reader);
    }
    EXPECT_EQ(fs.readFile(kPaths.words), "ПЫЖ\r\n");
    EXPECT_FALSE(fs.fileExists(kPaths.words + ".~new"));
    fs.writeFile(kPaths.words, "НОВОЕ\r\n");
    EXPECT_EQ(fs.readFile(kPaths.words), "НОВОЕ\r\n");
}

TEST_F(Win32Files, MissingFilesAndDirectoriesGiveTheFixedMessages)
{
    EXPECT_EQ(errorOf([&] { fs.readFile(kPaths.sthints); }), "Cannot open file C:\\Windows\\data\\sthints.txt");
    EXPECT_EQ(errorOf([&] { fs.writeFile(kPaths.stwords, "x"); }), "Cannot create file C:\\Windows\\data\\stwords.txt");
}

TEST_F(Win32Files, CyrillicNamesAndEmptyFilesWork)
{
    ASSERT_TRUE(fs.createDirectory(kPaths.directory));
    const std::string name = kPaths.directory + "\\База слов.txt";
    fs.writeFile(name, "");
    EXPECT_TRUE(fs.fileExists(name));
    EXPECT_EQ(fs.readFile(name), "");
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((tk::wide(kPaths.directory) + L"\\*.txt").c_str(), &fd);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(std::wstring(fd.cFileName), L"\u0411\u0430\u0437\u0430 \u0441\u043b\u043e\u0432.txt");
    FindClose(h);
    DeleteFileW(tk::wide(name).c_str());
}

TEST_F(Win32Files, LargeFilesReadWhole)
{
    ASSERT_TRUE(fs.createDirectory(kPaths.directory));
    StringList many(200000, "ИХТИОФАУНА");
    many[123456] = "";
    fs.writeFile(kPaths.words, formatLines(many));
    EXPECT_EQ(readWordFile(fs, kPaths.words), many);
}

} // namespace
} // namespace slovo
