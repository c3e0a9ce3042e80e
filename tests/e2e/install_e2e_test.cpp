// The installed game as a player meets it, run by tests/install/install_test.sh inside the
// prefix the installer ran in, as the administrator and as a standard user: the data folder's
// rights, a start from Program Files, a won puzzle, the settings kept in the data folder and,
// as the standard user, the editor's save into the standard word files.
#include "tests/e2e/driver.h"

#include "game/core/puzzle.h"
#include "game/core/word_base.h"
#include "game/win32/control_ids.h"
#include "common/win32/text.h"
#include "common/win32/win32_file_system.h"
#include "tests/win32/library_marks.h"

#include <gtest/gtest.h>

#include <aclapi.h>
#include <sddl.h>
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <set>

namespace {

using namespace slovo;
using e2e::GameProcess;

const BasePaths kPaths = BasePaths::fixedWindows();

std::wstring installedGame()
{
    const char* exe = std::getenv("SLOVO_GAME");
    return tk::wide(exe ? exe : "C:\\Program Files\\Slovolovka\\Slovolovka.exe");
}

// The path of the process's Snovid.dll, or "" when it has none loaded.
std::wstring loadedHookLibrary(HANDLE process)
{
    for (const std::wstring& p : marks::modulePaths(process))
        if (p.size() >= 10 && lstrcmpiW(p.c_str() + p.size() - 10, L"Snovid.dll") == 0)
            return p;
    return L"";
}

FILETIME lastWrite(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
    return data.ftLastWriteTime;
}

TEST(InstalledGame, DataFolderLetsTheUsersGroupCreateChangeAndDelete)
{
    if (std::getenv("SLOVO_STANDARD_USER"))
        GTEST_SKIP() << "checked in the administrator's run";
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR sd = nullptr;
    ASSERT_EQ(GetNamedSecurityInfoW(L"C:\\Windows\\data", SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                    &dacl, nullptr, &sd),
              static_cast<DWORD>(ERROR_SUCCESS));
    ASSERT_NE(dacl, nullptr);
    BYTE users[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof users;
    ASSERT_TRUE(CreateWellKnownSid(WinBuiltinUsersSid, nullptr, users, &size));
    std::string found = "no entry for S-1-5-32-545";
    bool granted = false;
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        ACE_HEADER* ace = nullptr;
        if (!GetAce(dacl, i, reinterpret_cast<void**>(&ace)) || ace->AceType != ACCESS_ALLOWED_ACE_TYPE)
            continue;
        auto* allowed = reinterpret_cast<ACCESS_ALLOWED_ACE*>(ace);
        if (!EqualSid(&allowed->SidStart, users))
            continue;
        found = "mask " + std::to_string(allowed->Mask) + " flags " + std::to_string(ace->AceFlags);
        const DWORD modify = FILE_GENERIC_READ | FILE_GENERIC_WRITE | FILE_GENERIC_EXECUTE | DELETE;
        const BYTE inherit = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;
        granted = granted || ((allowed->Mask & modify) == modify && (ace->AceFlags & inherit) == inherit);
    }
    LocalFree(sd);
    // Wine difference: Wine keeps no access list on a file; it turns the one set into the
    // folder's Unix mode (group writable), which install_test.sh checks instead.
    if (!granted && GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version"))
        GTEST_SKIP() << "Wine keeps no file access lists (" << found << ")";
    EXPECT_TRUE(granted) << found;
}

TEST(InstalledGame, StartsFromProgramFilesPlaysAndKeepsItsSettingsInTheDataFolder)
{
    const std::wstring settings = L"C:\\Windows\\data\\Slovolovka.bin";
    const FILETIME before = lastWrite(settings);
    GameProcess game;
    ASSERT_TRUE(game.launch(installedGame())) << "the main window did not appear";
    ASSERT_TRUE(e2e::waitFor([&] { return game.text(ids::kStatusPane + 3).rfind("Осталось", 0) == 0; }));
    ASSERT_TRUE(game.sync());
    const std::string remaining = game.text(ids::kStatusPane + 3);
    if (std::getenv("SLOVO_EXPECT_SNOVID")) {
        // The installed copy, which the game finds by name and so never writes.
        wchar_t system[MAX_PATH];
        GetSystemDirectoryW(system, MAX_PATH);
        const std::wstring loaded = loadedHookLibrary(game.process());
        EXPECT_EQ(lstrcmpiW(loaded.c_str(), (std::wstring(system) + L"\\Snovid.dll").c_str()), 0) << tk::narrow(loaded);
    }

    // The base as the game seeded it, or as the earlier runs left it.
    Win32FileSystem fs;
    const std::string word = e2e::secretWord(game, readWordFile(fs, kPaths.stwords), readWordFile(fs, kPaths.sthints));
    ASSERT_FALSE(word.empty());
    std::set<char> letters(word.begin(), word.end());
    for (char c : word)
        if (letters.erase(c))
            e2e::press(game, c);
    const auto box = game.waitForMessageBox();
    ASSERT_TRUE(box.handle) << "no win box";
    EXPECT_EQ(box.title, "Information");
    EXPECT_EQ(game.text(ids::kStatusPane + 1), "Угадано 1");
    ASSERT_TRUE(game.sync());
    Sleep(200); // the box paints its text after it shows
    e2e::screenshot(game.mainWindow(), e2e::artifactPath(std::getenv("SLOVO_STANDARD_USER") ? "installed-user-win.bmp"
                                                                                              : "installed-win.bmp"));
    GameProcess::answer(box, IDOK);
    ASSERT_TRUE(e2e::waitFor([&] { return game.text(ids::kStatusPane + 3) != remaining; }));

    PostMessageW(game.mainWindow(), WM_CLOSE, 0, 0);
    // A settings file that cannot be written would show its error box here instead.
    EXPECT_EQ(game.waitForExit(), 0);
    EXPECT_NE(GetFileAttributesW(tk::wide(kPaths.stwords).c_str()), INVALID_FILE_ATTRIBUTES);
    const FILETIME after = lastWrite(settings);
    EXPECT_NE(GetFileAttributesW(settings.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(CompareFileTime(&before, &after), 0) << "the settings were not written";
}

TEST(InstalledGame, TheEditorSavesTheStandardBaseIntoTheDataFolder)
{
    if (!std::getenv("SLOVO_STANDARD_USER"))
        GTEST_SKIP() << "checked in the standard user's run, where only the data folder is writable";
    // The base as the earlier runs left it, so the expectation follows whatever they played.
    Win32FileSystem fs;
    StringList words = readWordFile(fs, kPaths.stwords), hints = readWordFile(fs, kPaths.sthints);
    ASSERT_GE(words.size(), 3u);
    ASSERT_EQ(words.size(), hints.size());

    GameProcess game;
    ASSERT_TRUE(game.launch(installedGame())) << "the main window did not appear";
    ASSERT_TRUE(e2e::waitFor([&] { return game.text(ids::kStatusPane + 3).rfind("Осталось", 0) == 0; }));
    ASSERT_TRUE(game.sync());
    const HWND grid = e2e::openEditor(game);
    ASSERT_TRUE(grid);
    const e2e::EditorSteps steps{1, "ЛОСЬ", "ЗВЕРЬ"};
    ASSERT_TRUE(e2e::runEditorSteps(game, grid, steps));
    e2e::screenshot(game.mainWindow(), e2e::artifactPath("installed-user-editor.bmp"));

    PostMessageW(game.control(ids::kEditorForm), WM_COMMAND, ids::kMenuSave, 0);
    // A word file that cannot be written would show its error box and keep the editor open.
    ASSERT_TRUE(e2e::waitFor([&] { return !game.visible(ids::kEditorHost); }));
    e2e::applyEditorSteps(steps, words, hints);
    EXPECT_EQ(readWordFile(fs, kPaths.stwords), words);
    EXPECT_EQ(readWordFile(fs, kPaths.sthints), hints);
    EXPECT_EQ(game.text(ids::kStatusPane + 4), "Всего слов " + std::to_string(words.size()))
        << "the next puzzle comes from the saved lists";
    EXPECT_FALSE(e2e::secretWord(game, words, hints).empty()) << "the next puzzle comes from the saved pairs";

    PostMessageW(game.mainWindow(), WM_CLOSE, 0, 0);
    EXPECT_EQ(game.waitForExit(), 0);
}

} // namespace
