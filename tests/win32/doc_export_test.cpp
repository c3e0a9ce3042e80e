// The document export against the test prefix's real registry: without a word processor the
// export fails with the fixed message and leaves no file behind.
#include "editor/win32/doc_export.h"

#include "common/error.h"
#include "common/win32/text.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>

#include <string>
#include <vector>

namespace slovo {
namespace {

void removeProgId(HKEY root)
{
    RegDeleteTreeW(root, L"Software\\Classes\\word.application");
}

std::string errorOf(const std::vector<std::vector<std::string>>& cells, const std::string& path)
{
    try {
        exportTableToWord(cells, path);
    } catch (const Error& e) {
        return e.what();
    }
    return "(no error)";
}

std::string tempPath(const char* name)
{
    wchar_t dir[MAX_PATH];
    GetTempPathW(MAX_PATH, dir);
    return tk::narrow(dir) + name;
}

TEST(DocExport, WithoutTheWordProcessorFailsWithTheFixedMessageAndWritesNothing)
{
    removeProgId(HKEY_CURRENT_USER);
    removeProgId(HKEY_LOCAL_MACHINE);
    CLSID clsid;
    ASSERT_TRUE(FAILED(CLSIDFromProgID(L"word.application", &clsid))) << "the prefix must know no word processor";

    const std::vector<std::vector<std::string>> header{{"", " Слово", " Подсказка"}};
    std::vector<std::vector<std::string>> full = header;
    full.push_back({"1", "КОРИЦА", "ПРЯНОСТЬ"});
    struct Case {
        const char* what;
        std::vector<std::vector<std::string>> cells;
        std::string path;
    };
    const std::vector<Case> cases{
        {"header and one row", full, tempPath("slovo_export.doc")},
        {"header only", header, tempPath("slovo_header.doc")},
        {"no rows at all", {}, tempPath("slovo_empty.doc")},
        {"Cyrillic file name", full, tempPath("экспорт.doc")},
    };
    for (const Case& c : cases) {
        DeleteFileW(tk::wide(c.path).c_str());
        EXPECT_EQ(errorOf(c.cells, c.path), "Word OLE server not found") << c.what;
        EXPECT_EQ(GetFileAttributesW(tk::wide(c.path).c_str()), INVALID_FILE_ATTRIBUTES) << c.what << ": " << c.path;
    }
}

} // namespace
} // namespace slovo
