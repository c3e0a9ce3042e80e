// The game as a player meets it: first start, a win, a loss, the end through Cancel, and the
// start-up errors, with screenshots kept as artefacts.
#include "tests/e2e/game_e2e.h"

#include "common/error.h"
#include "game/core/app_title.h"
#include "game/core/puzzle.h"
#include "game/core/word_base.h"
#include "game/win32/control_ids.h"
#include "settings/core/rs02_format.h"
#include "settings/core/value_crypt.h"
#include "common/win32/win32_file_system.h"
#include "common/win32/text.h"
#include "tests/win32/library_marks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <set>

namespace {

using namespace slovo;
using e2e::closeGame;
using e2e::fileBytes;
using e2e::GameE2E;
using e2e::GameProcess;
using e2e::gameExe;
using e2e::kPaths;
using e2e::removeDataDirectory;
using e2e::buttonOf;
using e2e::press;
using e2e::secretWord;

std::string settingsPath()
{
    wchar_t dir[MAX_PATH];
    GetWindowsDirectoryW(dir, MAX_PATH);
    return tk::narrow(dir) + "\\data\\Slovolovka.bin";
}

// The file names of the libraries the game has loaded, in lower case.
std::set<std::wstring> loadedLibraries(GameProcess& game)
{
    std::set<std::wstring> names;
    for (std::wstring path : marks::modulePaths(game.process())) {
        std::transform(path.begin(), path.end(), path.begin(), ::towlower);
        names.insert(path.substr(path.find_last_of(L'\\') + 1));
    }
    return names;
}

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
    // program loads them at their first use (the 32-bit one imports the system's known
    // libraries as usual, and comctl32 and, under Wine, winspool.drv come with comdlg32 there).
    std::set<std::wstring> loaded = loadedLibraries(game);
    ASSERT_TRUE(loaded.count(L"user32.dll")) << "the game's libraries cannot be listed";
    for (const wchar_t* name : {L"gdiplus.dll", L"windowscodecs.dll", L"wininet.dll", L"winmm.dll", L"lz32.dll"})
        EXPECT_FALSE(loaded.count(name)) << tk::narrow(name) << " is loaded before it is needed";
    if (sizeof(void*) == 8) {
        for (const wchar_t* name : {L"comdlg32.dll", L"winspool.drv", L"oleaut32.dll", L"shell32.dll", L"comctl32.dll"})
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
