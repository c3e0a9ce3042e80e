// The game as a player meets it: first start, a win, a loss, the end through Cancel, and the
// start-up errors, with screenshots kept as artefacts.
#include "tests/e2e/driver.h"

#include "common/error.h"
#include "editor/core/editor_table.h"
#include "game/core/app_title.h"
#include "game/core/puzzle.h"
#include "game/core/word_base.h"
#include "game/win32/control_ids.h"
#include "settings/core/rs02_format.h"
#include "settings/core/value_crypt.h"
#include "common/win32/win32_file_system.h"
#include "common/win32/text.h"
#include "tests/win32/word_double/registration.h"
#include "toolkit/print_preview.h"

#include <gtest/gtest.h>

#include <psapi.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <set>

namespace {

using namespace slovo;
using e2e::GameProcess;
using e2e::gameExe;
using e2e::removeDataDirectory;
using e2e::buttonOf;
using e2e::press;
using e2e::secretWord;

const BasePaths kPaths = BasePaths::fixedWindows();

std::string settingsPath()
{
    wchar_t dir[MAX_PATH];
    GetWindowsDirectoryW(dir, MAX_PATH);
    return tk::narrow(dir) + "\\data\\Slovolovka.bin";
}

std::string fileBytes(const std::string& path)
{
    Win32FileSystem fs;
    try {
        return fs.readFile(path);
    } catch (const Error& e) {
        return e.what();
    }
}

// The file names of the libraries the game has loaded, in lower case.
std::set<std::wstring> loadedLibraries(GameProcess& game)
{
    std::set<std::wstring> names;
    HMODULE modules[512];
    DWORD needed = 0;
    if (!EnumProcessModulesEx(game.process(), modules, sizeof modules, &needed, LIST_MODULES_ALL))
        return names;
    for (DWORD i = 0; i < std::min<DWORD>(needed / sizeof(HMODULE), 512); ++i) {
        wchar_t name[MAX_PATH] = {};
        if (GetModuleBaseNameW(game.process(), modules[i], name, MAX_PATH)) {
            std::wstring lower(name);
            std::transform(lower.begin(), lower.end(), lower.begin(), ::towlower);
            names.insert(lower);
        }
    }
    return names;
}

void closeGame(GameProcess& game)
{
    PostMessageW(game.mainWindow(), WM_CLOSE, 0, 0);
    EXPECT_EQ(game.waitForExit(), 0);
}

class GameE2E : public ::testing::Test {
protected:
    void SetUp() override { removeDataDirectory(); }
    void TearDown() override
    {
        removeDataDirectory();
        e2e::removeSystemLibrary(); // written by the game
    }

    // Starts the game and waits until its first puzzle shows.
    void start(GameProcess& game)
    {
        ASSERT_TRUE(game.launch(gameExe())) << "the main window did not appear";
        ASSERT_TRUE(e2e::waitFor([&] { return game.text(ids::kStatusPane + 3).rfind("Осталось 9", 0) == 0; }))
            << tk::wide(game.text(ids::kStatusPane + 3)).size();
        ASSERT_TRUE(game.sync());
    }
};

TEST_F(GameE2E, FirstStartSeedsTheStandardBaseAndShowsAPuzzle)
{
    GameProcess game;
    start(game);

    WordBase builtin;
    EXPECT_EQ(fileBytes(kPaths.stwords), formatLines(builtin.List4));
    EXPECT_EQ(fileBytes(kPaths.sthints), formatLines(builtin.List3));
    EXPECT_EQ(parseLines(fileBytes(kPaths.stwords)).size(), 93u);
    EXPECT_EQ(GetFileAttributesW(tk::wide(kPaths.words).c_str()), INVALID_FILE_ATTRIBUTES);

    EXPECT_EQ(game.text(ids::kStatusPane + 1), "Отгадано 0...");
    EXPECT_EQ(game.text(ids::kStatusPane + 2), "Не отгадано 0...");
    EXPECT_EQ(game.text(ids::kStatusPane + 3), "Осталось 93");
    EXPECT_EQ(game.text(ids::kStatusPane + 4), "Всего слов 93");
    EXPECT_EQ(e2e::windowText(game.mainWindow()), kApplicationTitle);
    EXPECT_EQ(e2e::gallowsStage(game), 0);
    EXPECT_FALSE(game.enabled(ids::kToolButton + 1)) << "no words.txt: the base menu is closed";
    EXPECT_TRUE(game.enabled(ids::kToolButton + 2));
    EXPECT_FALSE(game.visible(ids::kBaseChoice));
    EXPECT_FALSE(game.visible(ids::kAboutPanel));
    EXPECT_EQ(game.text(ids::kToolButton + 5), "О программе");

    const std::string word = secretWord(game, builtin.List4, builtin.List3);
    ASSERT_FALSE(word.empty()) << "a hint of the built-in base, over as many cells as its word has letters";
    for (int i = 1; i <= kCells; ++i) {
        const bool used = i <= static_cast<int>(word.size());
        EXPECT_EQ(game.visible(ids::kCellCover + i), used) << i;
        EXPECT_EQ(game.visible(ids::kCellLabel + i), used) << i;
    }
    RECT client{};
    GetClientRect(game.mainWindow(), &client);
    EXPECT_EQ(client.right, 516);
    EXPECT_EQ(client.bottom, 274);
    for (int k = 1; k <= kLetterButtons; ++k)
        EXPECT_EQ(game.text(ids::kLetterButton + k), std::string(1, letterOfButton(k))) << k;

    e2e::screenshot(game.mainWindow(), e2e::artifactPath("first-start.bmp"));
    closeGame(game);
}

// What another program reads of the whole window tree (window texts, the texts windows answer,
// accessible names): no covered letter, each uncovered one, and nothing of the gallows' stage.
void expectNothingGivenAway(const GameProcess& game, const std::string& word, const std::set<char>& pressed, const char* when)
{
    bool accessible = false;
    for (const e2e::ReadableText& r : e2e::readableTexts(game.mainWindow())) {
        accessible |= r.accessible;
        for (const std::string* read : {&r.text, &r.answered, &r.accessibleName})
            EXPECT_EQ(read->find(word), std::string::npos) << when << ": control " << r.id << " reads \"" << *read << "\"";
        const int cell = r.id - ids::kCellLabel;
        if (cell >= 1 && cell <= static_cast<int>(word.size())) {
            const char letter = word[static_cast<size_t>(cell - 1)];
            const std::string shown = pressed.count(letter) ? std::string(1, letter) : "";
            EXPECT_EQ(r.text, shown) << when << ": cell " << cell;
            EXPECT_EQ(r.answered, shown) << when << ": cell " << cell;
            if (r.accessible) {
                EXPECT_EQ(r.accessibleName, shown) << when << ": cell " << cell;
            }
        }
        if (r.id == ids::kGallows) {
            EXPECT_EQ(r.text, "Виселица") << when;
            EXPECT_EQ(r.answered, "Виселица") << when;
            if (r.accessible) {
                EXPECT_EQ(r.accessibleName, "Виселица") << when;
            }
        }
    }
    EXPECT_TRUE(accessible) << when << ": no window gave an accessible object";
}

TEST_F(GameE2E, WinThenLossThenCancelEndsTheProgram)
{
    GameProcess game;
    start(game);
    const WordBase builtin;

    // A win: every distinct letter of the word once.
    const std::string word = secretWord(game, builtin.List4, builtin.List3);
    ASSERT_FALSE(word.empty());
    std::set<char> letters(word.begin(), word.end()), pressedLetters;
    expectNothingGivenAway(game, word, pressedLetters, "before the first letter");
    int pressed = 0;
    for (char c : word) {
        if (!letters.erase(c))
            continue;
        if (letters.empty())
            e2e::screenshot(game.mainWindow(), e2e::artifactPath("before-win.bmp"));
        press(game, c);
        ++pressed;
        pressedLetters.insert(c);
        ASSERT_TRUE(game.sync());
        expectNothingGivenAway(game, word, pressedLetters, ("after " + std::to_string(pressed) + " letters").c_str());
    }
    const auto winBox = game.waitForMessageBox();
    ASSERT_TRUE(winBox.handle) << "no win box after " << pressed << " letters";
    EXPECT_EQ(winBox.title, "Information");
    EXPECT_EQ(winBox.text, "Отлично! Вам удалось угадать\r\nслово и остаться в живых!!\r\n\r\nЗагаданное слово " + word
                               + "\r\nПродолжим?");
    EXPECT_EQ(game.text(ids::kStatusPane + 1), "Угадано 1");
    EXPECT_EQ(game.text(ids::kStatusPane + 3), "Осталось 92");
    for (int i = 1; i <= static_cast<int>(word.size()); ++i)
        EXPECT_FALSE(game.visible(ids::kCellCover + i)) << i;
    e2e::screenshot(winBox.handle, e2e::artifactPath("win-box.bmp"));
    GameProcess::answer(winBox, IDOK);

    // The next puzzle, lost with five letters that are not in its word.
    ASSERT_TRUE(e2e::waitFor([&] { return game.text(ids::kStatusPane + 3) == "Осталось 92" && e2e::gallowsStage(game) == 0
                                          && game.enabled(ids::kLetterButton + buttonOf(word[0])); }));
    ASSERT_TRUE(game.sync());
    const std::string next = secretWord(game, builtin.List4, builtin.List3);
    ASSERT_FALSE(next.empty());
    int misses = 0;
    for (int b = 1; b <= kLetterButtons && misses < 5; ++b) {
        const char c = letterOfButton(b);
        if (next.find(c) != std::string::npos)
            continue;
        if (misses == 4)
            e2e::screenshot(game.mainWindow(), e2e::artifactPath("before-loss.bmp"));
        press(game, c);
        ++misses;
        if (misses < 5) {
            ASSERT_TRUE(game.sync());
            EXPECT_TRUE(e2e::waitFor([&] { return e2e::gallowsStage(game) == misses; })) << "stage " << misses;
            expectNothingGivenAway(game, next, {}, ("at stage " + std::to_string(misses)).c_str());
        }
    }
    const auto lossBox = game.waitForMessageBox();
    ASSERT_TRUE(lossBox.handle);
    EXPECT_EQ(lossBox.title, "Error");
    EXPECT_EQ(lossBox.text, "Все попытки исчерпаны! \r\nВам не удалось угадать\r\nслово... Вы повешены..:)\r\n\r\n"
                            "Попробуем еше разок??");
    expectNothingGivenAway(game, next, {}, "lost");
    // The box aside, so the whole picture shows.
    RECT box{};
    GetWindowRect(lossBox.handle, &box);
    SetWindowPos(lossBox.handle, nullptr, GetSystemMetrics(SM_CXSCREEN) - (box.right - box.left),
                 GetSystemMetrics(SM_CYSCREEN) - (box.bottom - box.top), 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_TRUE(e2e::waitFor([&] { return e2e::gallowsStage(game) == 5; })) << "the whole figure";
    EXPECT_EQ(game.text(ids::kStatusPane + 2), "Не отгадано 1");
    EXPECT_EQ(game.text(ids::kStatusPane + 3), "Осталось 91");
    EXPECT_TRUE(game.visible(ids::kCellCover + 1)) << "a lost word stays covered";
    e2e::screenshot(game.mainWindow(), e2e::artifactPath("loss.bmp"));

    GameProcess::answer(lossBox, IDCANCEL);
    EXPECT_EQ(game.waitForExit(), 0) << "Cancel ends the program";
}

TEST_F(GameE2E, DirectoryThatCannotBeCreatedIsReportedAndTheGameStillPlays)
{
    // A plain file where the data directory should be.
    const HANDLE f = CreateFileW(tk::wide(kPaths.directory).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    CloseHandle(f);

    GameProcess game;
    ASSERT_TRUE(game.start(gameExe()));
    const auto box = game.waitForMessageBox();
    ASSERT_TRUE(box.handle) << "no error box";
    EXPECT_EQ(box.title, kApplicationTitle);
    EXPECT_EQ(box.text, "Невозможно создать директорию!");
    GameProcess::answer(box, IDOK);
    ASSERT_TRUE(game.waitForMainWindow());
    ASSERT_TRUE(e2e::waitFor([&] { return game.text(ids::kStatusPane + 3) == "Осталось 93"; }));
    PostMessageW(game.mainWindow(), WM_CLOSE, 0, 0);
    // Nor can the settings be kept there: said at the end, and the program still ends normally.
    const auto saveBox = game.waitForMessageBox();
    ASSERT_TRUE(saveBox.handle);
    EXPECT_EQ(saveBox.text, "Cannot create file " + settingsPath() + ".");
    GameProcess::answer(saveBox, IDOK);
    EXPECT_EQ(game.waitForExit(), 0);
    DeleteFileW(tk::wide(kPaths.directory).c_str());
}

TEST_F(GameE2E, MissingHintsFileIsReportedWithAFullStop)
{
    CreateDirectoryW(tk::wide(kPaths.directory).c_str(), nullptr);
    Win32FileSystem fs;
    fs.writeFile(kPaths.stwords, "ПЫЖ\r\nЛИНЬ\r\n");

    GameProcess game;
    ASSERT_TRUE(game.start(gameExe()));
    const auto box = game.waitForMessageBox();
    ASSERT_TRUE(box.handle);
    EXPECT_EQ(box.title, kApplicationTitle);
    EXPECT_EQ(box.text, "Cannot open file C:\\Windows\\data\\sthints.txt.");
    GameProcess::answer(box, IDOK);
    ASSERT_TRUE(game.waitForMainWindow());
    // List4 holds the file's two words, the remaining lists still the built-in base.
    ASSERT_TRUE(e2e::waitFor([&] { return game.text(ids::kStatusPane + 4) == "Всего слов 2"; }));
    EXPECT_EQ(game.text(ids::kStatusPane + 3), "Осталось 93");
    closeGame(game);
}

FILETIME lastWrite(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    GetFileAttributesExW(tk::wide(path).c_str(), GetFileExInfoStandard, &data);
    return data.ftLastWriteTime;
}

TEST_F(GameE2E, UpdatedBaseIsOfferedAndEnterChoosesIt)
{
    e2e::writeUpdatedBase();
    GameProcess game;
    ASSERT_TRUE(game.launch(gameExe()));
    ASSERT_TRUE(e2e::waitFor([&] { return game.visible(ids::kBaseChoice); }));
    ASSERT_TRUE(game.sync());
    EXPECT_TRUE(game.checked(ids::kChoiceUpdated));
    EXPECT_FALSE(game.checked(ids::kChoiceStandard));
    EXPECT_EQ(game.focus(), game.control(ids::kChoiceOk));
    EXPECT_EQ(game.text(ids::kChoiceOk), "<IMG src=\"Properties16.gif\">    ОК");
    EXPECT_TRUE(game.enabled(ids::kToolButton + 1));
    e2e::screenshot(game.mainWindow(), e2e::artifactPath("base-choice.bmp"));

    game.pressKey(game.focus(), VK_RETURN);
    ASSERT_TRUE(e2e::waitFor([&] { return !game.visible(ids::kBaseChoice); }));
    ASSERT_TRUE(game.sync());
    EXPECT_EQ(game.text(ids::kStatusPane + 4), "Всего слов 2");
    EXPECT_EQ(game.text(ids::kStatusPane + 3), "Осталось 2");
    const std::string word = secretWord(game, e2e::kUpdatedWords, e2e::kUpdatedHints);
    EXPECT_EQ(word, "ОЛЕНЬ") << "with two entries the first is drawn";
    EXPECT_EQ(game.text(ids::kHintLabel), "СЕВЕРНОЕ ЖИВОТНОЕ");

    closeGame(game);
}

TEST_F(GameE2E, StandardBaseChosenFromThePanel)
{
    e2e::writeUpdatedBase();
    GameProcess game;
    ASSERT_TRUE(game.launch(gameExe()));
    ASSERT_TRUE(e2e::waitFor([&] { return game.visible(ids::kBaseChoice); }));
    game.click(ids::kChoiceStandard);
    ASSERT_TRUE(e2e::waitFor([&] { return game.checked(ids::kChoiceStandard) && !game.checked(ids::kChoiceUpdated); }));
    game.click(ids::kChoiceOk);
    ASSERT_TRUE(e2e::waitFor([&] { return !game.visible(ids::kBaseChoice); }));
    ASSERT_TRUE(game.sync());
    EXPECT_EQ(game.text(ids::kStatusPane + 4), "Всего слов 93");
    EXPECT_EQ(game.text(ids::kStatusPane + 3), "Осталось 93");
    closeGame(game);
}

TEST_F(GameE2E, AboutPanelMenusAndExit)
{
    GameProcess game;
    start(game);

    // The first puzzle shows without GDI+ and the libraries only later commands use: the
    // 64-bit program loads them at their first use (the 32-bit one imports them as usual, and
    // comctl32 comes with comdlg32 there).
    std::set<std::wstring> loaded = loadedLibraries(game);
    ASSERT_TRUE(loaded.count(L"user32.dll")) << "the game's libraries cannot be listed";
    if (sizeof(void*) == 8) {
        for (const wchar_t* name : {L"gdiplus.dll", L"windowscodecs.dll", L"wininet.dll", L"comdlg32.dll", L"winspool.drv",
                                    L"oleaut32.dll", L"winmm.dll", L"lz32.dll", L"shell32.dll", L"comctl32.dll"})
            EXPECT_FALSE(loaded.count(name)) << tk::narrow(name) << " is loaded before it is needed";
    }

    game.click(ids::kToolButton + 5);
    ASSERT_TRUE(e2e::waitFor([&] { return game.visible(ids::kAboutPanel); }));
    ASSERT_TRUE(game.sync());
    // The about panel's pictures are decoded by GDI+ when it first paints.
    EXPECT_TRUE(e2e::waitFor([&] { return loadedLibraries(game).count(L"gdiplus.dll") != 0; }));
    Sleep(300); // let the animated pictures step
    e2e::screenshot(game.mainWindow(), e2e::artifactPath("about-panel.bmp"));
    game.click(ids::kAboutClose);
    ASSERT_TRUE(e2e::waitFor([&] { return !game.visible(ids::kAboutPanel); }));

    // The sounds menu drops down below its button.
    game.click(ids::kToolButton + 2);
    HWND menu = nullptr;
    ASSERT_TRUE(e2e::waitFor([&] { return (menu = FindWindowW(L"#32768", nullptr)) != nullptr && IsWindowVisible(menu); }));
    RECT button{}, popup{};
    GetWindowRect(game.control(ids::kToolButton + 2), &button);
    GetWindowRect(menu, &popup);
    EXPECT_EQ(popup.left, button.left);
    EXPECT_EQ(popup.top, button.bottom);
    RECT shot{};
    GetWindowRect(game.mainWindow(), &shot);
    e2e::screenshot(game.mainWindow(), e2e::artifactPath("sounds-menu.bmp"));
    game.pressKey(menu, VK_ESCAPE);
    ASSERT_TRUE(e2e::waitFor([&] { return !IsWindowVisible(menu) || !IsWindow(menu); }));

    // "Выход" ends the program.
    game.click(ids::kToolButton + 6);
    EXPECT_EQ(game.waitForExit(), 0);
}

TEST_F(GameE2E, HintsShowInTheRoundedHintWindow)
{
    GameProcess game;
    start(game);
    RECT panel{};
    GetWindowRect(game.control(ids::kLettersPanel), &panel);
    SetCursorPos(panel.left + 200, panel.top + 8); // on the caption bar, between the buttons
    HWND hint = nullptr;
    ASSERT_TRUE(e2e::waitFor([&] {
        hint = FindWindowW(L"THTMLHintWindow", nullptr);
        return hint && IsWindowVisible(hint);
    }, std::chrono::seconds(10))) << "no hint after resting on the letters panel";
    EXPECT_EQ(e2e::windowText(hint),
              "<IMG src=\"Helpi16.gif\" align=\"top\"> Это Ваши друзья, они помогут <BR>      Вам избежать словоловки...");
    RECT r{};
    GetWindowRect(hint, &r);
    EXPECT_GT(r.right - r.left, 150);
    EXPECT_GT(r.bottom - r.top, 24) << "two lines";
    e2e::screenshot(game.mainWindow(), e2e::artifactPath("hint.bmp"));

    // Hints off: resting on a control shows nothing.
    SetCursorPos(10, 700);
    ASSERT_TRUE(e2e::waitFor([&] { return !IsWindowVisible(hint); }));
    PostMessageW(game.mainWindow(), WM_COMMAND, ids::kMenuHelpOff, 0);
    ASSERT_TRUE(game.sync());
    SetCursorPos(panel.left + 200, panel.top + 8);
    Sleep(1200);
    EXPECT_FALSE(IsWindowVisible(hint));
    closeGame(game);
}

// The hint window lies over part of the letter rows; a click on it belongs to the letter beneath.
TEST_F(GameE2E, AClickThroughAShowingHintPressesTheLetterBeneath)
{
    GameProcess game;
    start(game);
    RECT panel{};
    GetWindowRect(game.control(ids::kLettersPanel), &panel);
    SetCursorPos(panel.left + 200, panel.top + 8);
    HWND hint = nullptr;
    ASSERT_TRUE(e2e::waitFor([&] {
        hint = FindWindowW(L"THTMLHintWindow", nullptr);
        return hint && IsWindowVisible(hint);
    }, std::chrono::seconds(10))) << "no hint after resting on the letters panel";
    RECT h{};
    GetWindowRect(hint, &h);
    int covered = 0;
    POINT at{};
    for (int b = 1; b <= kLetterButtons && !covered; ++b) {
        RECT r{};
        GetWindowRect(game.control(ids::kLetterButton + b), &r);
        at = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        if (PtInRect(&h, at) && game.enabled(ids::kLetterButton + b))
            covered = b;
    }
    ASSERT_NE(covered, 0) << "no letter lies under the hint " << h.left << "," << h.top << " " << h.right << "," << h.bottom;
    // Move, press and release in one go: the click lands while the hint still shows.
    ASSERT_TRUE(e2e::mouseClick(at));
    EXPECT_TRUE(e2e::waitFor([&] { return !game.enabled(ids::kLetterButton + covered); }, std::chrono::seconds(10)))
        << "letter " << covered << " was not pressed";
    EXPECT_TRUE(e2e::waitFor([&] { return !IsWindowVisible(hint); }, std::chrono::seconds(10))) << "the hint still shows";
    e2e::screenshot(game.mainWindow(), e2e::artifactPath("click-through-hint.bmp"));
    SetCursorPos(10, 700);
    closeGame(game);
}

TEST_F(GameE2E, SecondInstanceWarnsRestoresTheFirstAndEnds)
{
    GameProcess first;
    start(first);
    const FILETIME before = lastWrite(kPaths.stwords);
    ShowWindow(first.mainWindow(), SW_MINIMIZE);
    ASSERT_TRUE(e2e::waitFor([&] { return IsIconic(first.mainWindow()) != FALSE; }));
    ASSERT_TRUE(first.sync());

    GameProcess second;
    ASSERT_TRUE(second.start(gameExe()));
    const auto warning = second.waitForMessageBox();
    ASSERT_TRUE(warning.handle) << "no warning from the second instance";
    EXPECT_EQ(warning.title, kApplicationTitle);
    EXPECT_EQ(warning.text, "Игра \"СЛОВОЛОВКА\" уже заружена на этом компьютере...");
    HWND secondsMain = nullptr;
    for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, L"TForm1", nullptr)) != nullptr;) {
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        if (pid == second.id() && IsWindowVisible(w))
            secondsMain = w;
    }
    EXPECT_EQ(secondsMain, nullptr) << "the second instance shows no window of its own";
    GameProcess::answer(warning, IDOK);
    EXPECT_EQ(second.waitForExit(), 0);
    EXPECT_TRUE(e2e::waitFor([&] { return IsIconic(first.mainWindow()) == FALSE && IsWindowVisible(first.mainWindow()); }))
        << "the first instance is restored";
    const FILETIME after = lastWrite(kPaths.stwords);
    EXPECT_EQ(CompareFileTime(&before, &after), 0) << "no word base file was written";

    closeGame(first);
}

TEST_F(GameE2E, SecondInstanceBringsTheFirstsWinBoxForward)
{
    GameProcess first;
    start(first);
    const WordBase builtin;
    const std::string word = secretWord(first, builtin.List4, builtin.List3);
    std::set<char> letters(word.begin(), word.end());
    for (char c : word)
        if (letters.erase(c))
            press(first, c);
    const auto winBox = first.waitForMessageBox();
    ASSERT_TRUE(winBox.handle);

    GameProcess second;
    ASSERT_TRUE(second.start(gameExe()));
    const auto warning = second.waitForMessageBox();
    ASSERT_TRUE(warning.handle);
    GameProcess::answer(warning, IDOK);
    EXPECT_EQ(second.waitForExit(), 0);
    EXPECT_TRUE(e2e::waitFor([&] { return GetForegroundWindow() == winBox.handle; }))
        << "the win box is the first instance's last active pop-up";

    GameProcess::answer(winBox, IDCANCEL);
    EXPECT_EQ(first.waitForExit(), 0);
}

// The keys of the settings file, decrypted with the game's key, by name.
std::map<std::string, rs::StorageValue> settingsKeys(rs::Rs02Tables* tablesOut = nullptr)
{
    rs::Rs02Tables t = rs::readRs02(fileBytes(settingsPath()));
    std::map<std::string, rs::StorageValue> keys;
    for (auto k : t.keys) {
        if (k.name != "FormPlacement")
            rs::decryptValue(k.value, 537114806);
        keys[k.name] = k.value;
    }
    if (tablesOut)
        *tablesOut = std::move(t);
    return keys;
}

TEST_F(GameE2E, SettingsAreWrittenAtExitAndRestoredAtTheNextStart)
{
    {
        GameProcess game;
        start(game);
        closeGame(game);
    }
    rs::Rs02Tables tables;
    auto keys = settingsKeys(&tables);
    EXPECT_TRUE(tables.complete);
    ASSERT_EQ(tables.sections.size(), 1u);
    EXPECT_EQ(tables.sections[0].name, "Form1.rsPropSaver1");
    EXPECT_EQ(tables.sections[0].id, 1u);
    EXPECT_EQ(tables.sections[0].parent, 0u);
    std::vector<std::string> names;
    for (const auto& k : tables.keys)
        names.push_back(k.name);
    EXPECT_EQ(names, (std::vector<std::string>{"FormPlacement", "Left", "ShowHint", "SoundOFF.Enabled", "SoundON.Enabled",
                                               "Top", "WindowState"}));
    for (size_t i = 1; i < tables.keys.size(); ++i)
        EXPECT_EQ(tables.keys[i].value.type, rs::vtString) << "stored encrypted: " << tables.keys[i].name;
    EXPECT_EQ(keys["Left"].type, rs::vtInteger);
    EXPECT_EQ(keys["ShowHint"].bytes, "True");
    EXPECT_EQ(keys["SoundOFF.Enabled"].bytes, "True");
    EXPECT_EQ(keys["SoundON.Enabled"].bytes, "False");
    EXPECT_EQ(keys["WindowState"].bytes, "wsNormal");
    EXPECT_EQ(std::count(keys["FormPlacement"].bytes.begin(), keys["FormPlacement"].bytes.end(), ','), 9);

    {
        GameProcess game;
        start(game);
        SetWindowPos(game.mainWindow(), nullptr, 123, 77, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        PostMessageW(game.mainWindow(), WM_COMMAND, ids::kMenuSoundOff, 0);
        PostMessageW(game.mainWindow(), WM_COMMAND, ids::kMenuHelpOff, 0);
        ASSERT_TRUE(game.sync());
        closeGame(game);
    }
    keys = settingsKeys();
    rs::TrsKeyValueWrapper w;
    w.setCurrent(&keys["Left"]);
    EXPECT_EQ(w.AsInteger(), 123);
    w.setCurrent(&keys["Top"]);
    EXPECT_EQ(w.AsInteger(), 77);
    EXPECT_EQ(keys["SoundOFF.Enabled"].bytes, "False");
    EXPECT_EQ(keys["SoundON.Enabled"].bytes, "True");
    EXPECT_EQ(keys["ShowHint"].bytes, "False");

    {
        // Restored, and so saved again unchanged.
        GameProcess game;
        start(game);
        RECT r{};
        GetWindowRect(game.mainWindow(), &r);
        EXPECT_EQ(r.left, 123);
        EXPECT_EQ(r.top, 77);
        e2e::screenshot(game.mainWindow(), e2e::artifactPath("restored.bmp"));
        closeGame(game);
    }
    keys = settingsKeys();
    EXPECT_EQ(keys["SoundON.Enabled"].bytes, "True");
    EXPECT_EQ(keys["ShowHint"].bytes, "False");
}

TEST_F(GameE2E, MinimizedAndMaximizedWindowsComeBackSo)
{
    {
        GameProcess game;
        start(game);
        ShowWindow(game.mainWindow(), SW_MINIMIZE);
        ASSERT_TRUE(e2e::waitFor([&] { return IsIconic(game.mainWindow()) != FALSE; }));
        ASSERT_TRUE(game.sync());
        closeGame(game);
    }
    EXPECT_EQ(settingsKeys()["WindowState"].bytes, "wsMinimized");
    {
        GameProcess game;
        ASSERT_TRUE(game.start(gameExe()));
        HWND main = nullptr;
        ASSERT_TRUE(e2e::waitFor([&] { return (main = FindWindowW(L"TForm1", tk::wide(kApplicationTitle).c_str())) != nullptr && IsWindowVisible(main); }));
        EXPECT_TRUE(e2e::waitFor([&] { return IsIconic(main) != FALSE; })) << "comes back minimized";
        ShowWindow(main, SW_MAXIMIZE);
        ASSERT_TRUE(e2e::waitFor([&] { return IsZoomed(main) != FALSE; }));
        PostMessageW(main, WM_CLOSE, 0, 0);
        EXPECT_EQ(game.waitForExit(), 0);
    }
    EXPECT_EQ(settingsKeys()["WindowState"].bytes, "wsMaximized");
    const std::string placement = settingsKeys()["FormPlacement"].bytes;
    EXPECT_EQ(placement.substr(placement.find(',') + 1, 2), "3,") << "SW_SHOWMAXIMIZED: " << placement;
    {
        GameProcess game;
        start(game);
        EXPECT_TRUE(e2e::waitFor([&] { return IsZoomed(game.mainWindow()) != FALSE; })) << "comes back maximized";
        closeGame(game);
    }
}

TEST_F(GameE2E, ACorruptSettingsFileStillLetsTheGameStart)
{
    CreateDirectoryW(tk::wide(kPaths.directory).c_str(), nullptr);
    Win32FileSystem fs;
    fs.writeFile(settingsPath(), std::string("RS02\xFF\xFF\xFF\xFF\x01\x00\x00garbage", 18));
    GameProcess game;
    start(game);
    EXPECT_EQ(game.text(ids::kStatusPane + 3), "Осталось 93");
    closeGame(game);
    rs::Rs02Tables tables;
    const auto keys = settingsKeys(&tables);
    EXPECT_TRUE(tables.complete) << "the next save writes a clean file";
    EXPECT_EQ(keys.size(), 7u);
}

} // namespace

TEST_F(GameE2E, EditorEditsARowInsertsAndDeletesRowsAndSaves)
{
    GameProcess game;
    start(game);
    const HWND grid = e2e::openEditor(game);
    ASSERT_TRUE(grid);
    e2e::screenshot(game.mainWindow(), e2e::artifactPath("e2e-editor.bmp"));
    const e2e::EditorSteps steps{1, "ЛОСЬ", "ЗВЕРЬ"};
    ASSERT_TRUE(e2e::runEditorSteps(game, grid, steps));

    PostMessageW(game.control(ids::kEditorForm), WM_COMMAND, ids::kMenuSave, 0);
    ASSERT_TRUE(e2e::waitFor([&] { return !game.visible(ids::kEditorHost); }));
    WordBase builtin;
    StringList words = builtin.List4, hints = builtin.List3;
    e2e::applyEditorSteps(steps, words, hints);
    EXPECT_EQ(fileBytes(kPaths.stwords), formatLines(words));
    EXPECT_EQ(fileBytes(kPaths.sthints), formatLines(hints));
    EXPECT_EQ(game.text(ids::kStatusPane + 4), "Всего слов 92") << "the next puzzle comes from the saved lists";
    const std::string word = secretWord(game, words, hints);
    EXPECT_FALSE(word.empty()) << "the next puzzle comes from the saved pairs";
    closeGame(game);
}

TEST_F(GameE2E, EditorCancelSwitchAndTextExport)
{
    Win32FileSystem fs;
    CreateDirectoryW(tk::wide(kPaths.directory).c_str(), nullptr);
    fs.writeFile(kPaths.words, "ОЛЕНЬ\r\nПУРГА\r\n");
    fs.writeFile(kPaths.hints, "ЖИВОТНОЕ\r\nБУРЯ\r\n");
    GameProcess game;
    ASSERT_TRUE(game.launch(gameExe()));
    ASSERT_TRUE(e2e::waitFor([&] { return game.visible(ids::kBaseChoice); }));
    game.click(ids::kChoiceOk);
    ASSERT_TRUE(e2e::waitFor([&] { return game.text(ids::kStatusPane + 4) == "Всего слов 2"; }));

    // The updated base in use: switch the editor to the standard base, export, then cancel.
    ASSERT_TRUE(e2e::openEditor(game));
    const HWND form = game.control(ids::kEditorForm);
    PostMessageW(form, WM_COMMAND, ids::kMenuStandar, 0);
    ASSERT_TRUE(game.sync());
    const std::string words = fileBytes(kPaths.words), stwords = fileBytes(kPaths.stwords);

    // The text export through the real save dialog.
    const std::string target = kPaths.directory + "\\e2e-export.txt";
    PostMessageW(form, WM_COMMAND, ids::kMenuDoc1, 0);
    std::string proposed;
    ASSERT_TRUE(e2e::saveThroughDialog(game, "Сохранение базы в текстовом формате", target, proposed));
    EXPECT_EQ(proposed, "slovolovka.txt");
    ASSERT_TRUE(e2e::waitFor([&] { return GetFileAttributesW(tk::wide(target).c_str()) != INVALID_FILE_ATTRIBUTES; }));
    ASSERT_TRUE(game.sync());
    const std::string text = fileBytes(target);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 94) << "the standard base after the switch, and the header";
    EXPECT_EQ(text.find("\r\n"), text.find(" \r\n") + 1) << "each line ends in a space";

    // Back to the updated base: the next export holds its two pairs.
    PostMessageW(form, WM_COMMAND, ids::kMenuObnovl, 0);
    const std::string second = kPaths.directory + "\\e2e-export-updated.txt";
    PostMessageW(form, WM_COMMAND, ids::kMenuDoc1, 0);
    ASSERT_TRUE(e2e::saveThroughDialog(game, "Сохранение базы в текстовом формате", second, proposed));
    ASSERT_TRUE(e2e::waitFor([&] { return GetFileAttributesW(tk::wide(second).c_str()) != INVALID_FILE_ATTRIBUTES; }));
    ASSERT_TRUE(game.sync());
    tk::GridModel updated = makeEditorTable();
    fillTable(updated, {"ОЛЕНЬ", "ПУРГА"}, {"ЖИВОТНОЕ", "БУРЯ"});
    EXPECT_EQ(fileBytes(second), textExport(updated.cells()));

    PostMessageW(form, WM_COMMAND, ids::kMenuOtmena, 0);
    ASSERT_TRUE(e2e::waitFor([&] { return !game.visible(ids::kEditorHost); }));
    EXPECT_EQ(fileBytes(kPaths.words), words) << "cancel writes nothing";
    EXPECT_EQ(fileBytes(kPaths.stwords), stwords);
    closeGame(game);
}

namespace {

using Cells = std::vector<std::vector<std::string>>;

// The editor's table over a base of n pairs, the built-in ones over and over.
Cells editorTableOf(size_t n, StringList& words, StringList& hints)
{
    const WordBase builtin;
    words.clear();
    hints.clear();
    for (size_t i = 0; i < n; ++i) {
        words.push_back(builtin.List4[i % builtin.List4.size()]);
        hints.push_back(builtin.List3[i % builtin.List3.size()]);
    }
    tk::GridModel table = makeEditorTable();
    fillTable(table, words, hints);
    return table.cells();
}

// The page as the preview draws the print layout's page, in the pixels of a capture of that size.
std::vector<unsigned char> renderedPage(const tk::PrintLayout& layout, int page, SIZE pageSize, int w, int h)
{
    const HDC screen = GetDC(nullptr);
    const HDC mem = CreateCompatibleDC(screen);
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, h, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    const HBITMAP dib = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ old = SelectObject(mem, dib);
    tk::drawPreviewPage(mem, layout.page(page), RECT{0, 0, w, h}, pageSize);
    GdiFlush();
    const size_t stride = (static_cast<size_t>(w) * 3 + 3) & ~size_t{3};
    const auto* begin = static_cast<const unsigned char*>(bits);
    std::vector<unsigned char> out(begin, begin + stride * static_cast<size_t>(h));
    SelectObject(mem, old);
    DeleteObject(dib);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return out;
}

} // namespace

// A base long enough for three printed pages: the preview's "Previous" and "Next", clicked with
// the real mouse, step through them; the page shown is the one the print layout makes for that
// page, and each button is enabled only while there is a page to go to.
TEST_F(GameE2E, PrintPreviewPageButtonsStepThroughThreePages)
{
    const tk::GdiPrintMeasurer measurer;
    const SIZE pageSize = tk::printablePageSize();
    StringList words, hints;
    const Cells probe = editorTableOf(93, words, hints);
    const int perPage = tk::PrintLayout(probe, pageSize.cx, pageSize.cy, measurer).rowsPerPage();
    // Two full pages and half of a third, the header row included.
    const Cells cells = editorTableOf(static_cast<size_t>(2 * perPage + perPage / 2 - 1), words, hints);
    const tk::PrintLayout layout(cells, pageSize.cx, pageSize.cy, measurer);
    ASSERT_EQ(layout.pageCount(), 3) << words.size() << " pairs at " << layout.rowsPerPage() << " rows per page";

    Win32FileSystem fs;
    CreateDirectoryW(tk::wide(kPaths.directory).c_str(), nullptr);
    fs.writeFile(kPaths.stwords, formatLines(words));
    fs.writeFile(kPaths.sthints, formatLines(hints));
    GameProcess game;
    ASSERT_TRUE(game.launch(gameExe()));
    ASSERT_TRUE(e2e::waitFor([&] { return game.text(ids::kStatusPane + 4) == "Всего слов " + std::to_string(words.size()); }))
        << game.text(ids::kStatusPane + 4);
    ASSERT_TRUE(e2e::openEditor(game));
    PostMessageW(game.control(ids::kEditorForm), WM_COMMAND, ids::kMenuN4, 0);
    const HWND preview = e2e::waitForWindow(game, L"TSlovoPreview");
    ASSERT_TRUE(preview) << "no preview";
    EXPECT_EQ(e2e::windowText(preview), "Preview");
    const HWND previous = FindWindowExW(preview, nullptr, L"Button", L"Previous");
    const HWND next = FindWindowExW(preview, nullptr, L"Button", L"Next");
    const HWND close = FindWindowExW(preview, nullptr, L"Button", L"Close");
    ASSERT_TRUE(previous && next && close);

    const RECT area = e2e::previewPageArea(preview);
    const int w = area.right - area.left, h = area.bottom - area.top;
    std::vector<std::vector<unsigned char>> pages;
    for (int p = 1; p <= 3; ++p)
        pages.push_back(renderedPage(layout, p, pageSize, w, h));
    // The page the preview shows: the nearest of the three by far, with the distances for a failure.
    std::string distances;
    const auto shown = [&] {
        distances.clear();
        return e2e::nearestByFar(e2e::capture(preview, area), pages, &distances) + 1;
    };
    const auto centre = [](HWND button) {
        RECT r{};
        GetWindowRect(button, &r);
        return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    };

    ASSERT_TRUE(e2e::waitFor([&] { return shown() == 1; }, std::chrono::seconds(10))) << "opens on page 1;" << distances;
    EXPECT_FALSE(IsWindowEnabled(previous));
    EXPECT_TRUE(IsWindowEnabled(next));
    e2e::screenshot(preview, e2e::artifactPath("e2e-preview-page1.bmp"));
    const struct {
        const char* button;
        int page;
        bool previousEnabled, nextEnabled;
    } steps[] = {
        {"Next", 2, true, true},     {"Next", 3, true, false},      {"Next", 3, true, false}, // the last page stays
        {"Previous", 2, true, true}, {"Previous", 1, false, true}, {"Previous", 1, false, true},
        {"Next", 2, true, true},
    };
    for (const auto& step : steps) {
        const std::string what = std::string(step.button) + " to page " + std::to_string(step.page);
        ASSERT_TRUE(e2e::mouseClick(centre(std::string(step.button) == "Next" ? next : previous))) << what;
        ASSERT_TRUE(game.sync()) << what;
        EXPECT_TRUE(e2e::waitFor([&] { return shown() == step.page; }, std::chrono::seconds(10))) << what << ";" << distances;
        EXPECT_EQ(IsWindowEnabled(previous) != FALSE, step.previousEnabled) << what;
        EXPECT_EQ(IsWindowEnabled(next) != FALSE, step.nextEnabled) << what;
        if (step.page == 3)
            e2e::screenshot(preview, e2e::artifactPath("e2e-preview-page3.bmp"));
    }
    e2e::screenshot(preview, e2e::artifactPath("e2e-preview-page2.bmp"));

    ASSERT_TRUE(e2e::mouseClick(centre(close)));
    EXPECT_TRUE(e2e::waitFor([&] { return !IsWindowVisible(preview); })) << "Close ends the preview";
    EXPECT_TRUE(game.visible(ids::kEditorGrid)) << "the editor stays";
    SetCursorPos(10, 700);
    closeGame(game);
}

// The document export through the real save dialog against the word processor's TEST DOUBLE
// (tests/win32/word_double: the real word processor cannot exist here), told to fail at the
// table: the server's own message reaches the central error box, and the server was told to quit.
TEST_F(GameE2E, EditorDocumentExportShowsTheServersMessageAndQuitsIt)
{
    const char* dll = std::getenv("SLOVO_WORD_DOUBLE");
    ASSERT_TRUE(dll) << "SLOVO_WORD_DOUBLE names the double";
    const word_double::Registration registration(e2e::windowsPath(dll));
    ASSERT_TRUE(registration.ok());
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::string log = tk::narrow(temp) + "slovo_e2e_word_double.log";
    const std::string target = tk::narrow(temp) + "slovo_e2e_export.doc";
    DeleteFileW(tk::wide(log).c_str());
    DeleteFileW(tk::wide(target).c_str());
    const std::string message = "Недостаточно памяти для новой таблицы";
    // The game inherits the steering.
    const std::pair<const wchar_t*, std::wstring> steering[] = {
        {word_double::kLogVariable, tk::wide(log)}, {word_double::kFailVariable, L"Tables.Add"},
        {word_double::kFailMessageVariable, tk::wide(message)}};
    for (const auto& [name, value] : steering)
        SetEnvironmentVariableW(name, value.c_str());
    GameProcess game;
    start(game);
    for (const auto& entry : steering)
        SetEnvironmentVariableW(entry.first, nullptr);
    ASSERT_TRUE(e2e::openEditor(game));

    PostMessageW(game.control(ids::kEditorForm), WM_COMMAND, ids::kMenuSavexls, 0);
    std::string proposed;
    ASSERT_TRUE(e2e::saveThroughDialog(game, "Сохранение базы в формат Word", target, proposed));
    EXPECT_EQ(proposed, "slovolovka.doc");
    const auto box = game.waitForMessageBox();
    ASSERT_TRUE(box.handle) << "no error box";
    EXPECT_EQ(box.title, kApplicationTitle);
    EXPECT_EQ(box.text, message + ".") << "the server's message, with the error box's full stop";
    Sleep(200); // the box paints its text after it shows
    e2e::screenshot(box.handle, e2e::artifactPath("e2e-word-export-error.bmp"));
    GameProcess::answer(box, IDOK);
    ASSERT_TRUE(e2e::waitFor([&] { return !IsWindow(box.handle); }));

    std::vector<std::string> calls;
    const std::string bytes = fileBytes(log);
    std::wstring text(bytes.size(), L'\0');
    text.resize(static_cast<size_t>(MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(),
                                                         static_cast<int>(text.size()))));
    for (size_t start = 0, end; start < text.size(); start = end + 1) {
        end = text.find(L'\n', start);
        calls.push_back(tk::narrow(text.substr(start, end - start)));
        if (end == std::wstring::npos)
            break;
    }
    const std::vector<std::string> expected{
        "CreateInstance -> Application#1",
        "Application#1.Documents -> Documents#2",
        "Documents#2.Add() -> Document#3",
        "Document#3.Range(0, 0) -> Range#4",
        "Document#3.Tables -> Tables#5",
        "Tables#5.Add(Range#4, 94, 3) -> fails: " + message,
        "Application#1.Quit()",
        "Application#1 released, 0 objects left",
    };
    EXPECT_EQ(calls, expected) << "the server's log:\n" << tk::narrow(text);
    EXPECT_EQ(GetFileAttributesW(tk::wide(target).c_str()), INVALID_FILE_ATTRIBUTES) << "nothing saved";
    EXPECT_TRUE(game.visible(ids::kEditorGrid)) << "the editor stays open";
    DeleteFileW(tk::wide(log).c_str());
    closeGame(game);
}
