// The editor's update from the Internet on the real game, against the loopback server on the
// address the game was built with: the import of the server's base, and the result lines of a
// missing control file, of a server that is not there and of a forged file count, a base file
// that stalls or ends short while the game goes on answering, and the game closed during a stall,
// with screenshots of the update panel.
#include "tests/e2e/desktop.h"
#include "tests/e2e/driver.h"

#include "common/error.h"
#include "common/win32/text.h"
#include "common/win32/win32_file_system.h"
#include "editor/win32/editor_ids.h"
#include "game/core/grid_file.h"
#include "game/core/word_base.h"
#include "game/win32/control_ids.h"
#include "tests/win32/library_marks.h"
#include "webupdate/win32/program_update.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cwctype>
#include <set>
#include <vector>

namespace {

using namespace slovo;
using e2e::GameProcess;
using e2e::gameExe;
using e2e::removeDataDirectory;

const BasePaths kPaths = BasePaths::fixedWindows();
const char* const kStatusPrefix = "<IMG src=\"icon_peace.gif\" align=\"top\">    ";
const char* const kNoConnection = "<IMG src=\"icon_roach.gif\" align=\"top\">    Отсутствует соединение с Интернет!....";
const char* const kNotReceived = "<IMG src=\"icon_roach.gif\" align=\"top\">    Обновление базы слов не получено!...";
const char* const kWaiting = "<IMG src=\"icon_love.gif\" align=\"top\">    Подождите, идет процесс обновления базы!...";

std::string env(const char* name)
{
    const char* v = std::getenv(name);
    return v ? v : "";
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

void writeBytes(const std::string& path, const std::string& bytes)
{
    Win32FileSystem fs;
    fs.writeFile(path, bytes);
}

bool exists(const std::string& path)
{
    return GetFileAttributesW(tk::wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The status list's items, read from the game's list box.
std::vector<std::string> statusItems(const GameProcess& game)
{
    std::vector<std::string> out;
    const HWND list = game.control(ids::kEditorStatusList);
    const LRESULT n = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < n; ++i) {
        const LRESULT len = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
        std::wstring text(static_cast<size_t>(std::max<LRESULT>(len, 0)) + 1, L'\0');
        SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
        text.resize(wcslen(text.c_str()));
        out.push_back(tk::narrow(text));
    }
    return out;
}

std::string joined(const std::vector<std::string>& items)
{
    std::string out;
    for (const auto& s : items)
        out += s + "\n";
    return out;
}

// Each of `wanted` begins an item of `items`, in that order, behind the status list's picture.
void expectInOrder(const std::vector<std::string>& items, const std::vector<std::string>& wanted)
{
    auto at = items.begin();
    for (const auto& w : wanted) {
        at = std::find_if(at, items.end(), [&](const std::string& item) { return item.rfind(kStatusPrefix + w, 0) == 0; });
        ASSERT_NE(at, items.end()) << "missing or out of order: " << w << "\n" << joined(items);
    }
}

// How many pixels of the screen inside the rectangle have that colour.
int pixelsOf(const RECT& r, COLORREF colour)
{
    const int w = r.right - r.left, h = r.bottom - r.top;
    if (w <= 0 || h <= 0)
        return 0;
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    const HDC screen = GetDC(nullptr);
    const HDC mem = CreateCompatibleDC(screen);
    const HBITMAP bmp = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ old = SelectObject(mem, bmp);
    BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    int n = 0;
    const auto* px = static_cast<const DWORD*>(bits);
    const DWORD want = (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
    for (int i = 0; i < w * h; ++i)
        n += (px[i] & 0xFFFFFF) == want;
    SelectObject(mem, old);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return n;
}

class UpdateE2E : public ::testing::Test {
protected:
    void SetUp() override
    {
        root_ = env("SLOVO_HTTP_ROOT");
        ASSERT_FALSE(root_.empty()) << "run through run_with_update_host.sh";
        removeDataDirectory();
        // The remembered date of an earlier run would make the server's base not new.
        RegDeleteTreeW(HKEY_CURRENT_USER, L"slovolovka");
    }
    void TearDown() override
    {
        if (!original_.empty())
            serveHealthyBase();
        DeleteFileW(tk::wide(env("SLOVO_OFFLINE_FLAG")).c_str());
        removeDataDirectory();
        RegDeleteTreeW(HKEY_CURRENT_USER, L"slovolovka");
        e2e::removeSystemLibrary();
        marks::removeFolder(planted_);
    }

    // The game on its first puzzle, the editor open, the update started. With an updated base the
    // start's choice takes it.
    void startUpdate(GameProcess& game, const std::wstring& exe = gameExe(), bool updatedBase = false)
    {
        ASSERT_TRUE(game.launch(exe)) << "the main window did not appear";
        if (updatedBase) {
            ASSERT_TRUE(e2e::waitFor([&] { return game.visible(ids::kBaseChoice); }));
            game.click(ids::kChoiceOk);
        }
        const char* const left = updatedBase ? "Осталось 2" : "Осталось 9";
        ASSERT_TRUE(e2e::waitFor([&] { return game.text(ids::kStatusPane + 3).rfind(left, 0) == 0; }));
        game.click(ids::kToolButton + 4);
        ASSERT_TRUE(e2e::waitFor([&] { return game.visible(ids::kEditorGrid); }));
        ASSERT_TRUE(game.sync());
        PostMessageW(game.control(ids::kEditorForm), WM_COMMAND, ids::kMenuUpdate, 0);
        ASSERT_TRUE(e2e::waitFor([&] { return game.visible(ids::kEditorUpdatePanel); }));
    }

    // A failed run: the statuses in order, the result line, the cancel button, nothing changed.
    void expectFailure(const std::string& shot, const std::vector<std::string>& statuses)
    {
        GameProcess game;
        startUpdate(game);
        ASSERT_TRUE(e2e::waitFor([&] { return game.enabled(ids::kEditorUpdateCancel); }))
            << joined(statusItems(game));
        ASSERT_TRUE(e2e::waitFor([&] { return statusItems(game).size() >= statuses.size(); }));
        ASSERT_TRUE(game.sync());
        expectInOrder(statusItems(game), statuses);
        EXPECT_EQ(game.text(ids::kEditorResultLine), kNoConnection);
        e2e::screenshot(game.mainWindow(), e2e::artifactPath(shot));
        // Escape presses the panel's cancel button, as in a dialog.
        ASSERT_TRUE(e2e::waitFor([&] { return GetForegroundWindow() == game.mainWindow(); }));
        ASSERT_TRUE(e2e::keys({VK_ESCAPE}));
        ASSERT_TRUE(e2e::waitFor([&] { return !game.visible(ids::kEditorUpdatePanel); }));
        ASSERT_TRUE(game.sync());
        EXPECT_EQ(game.focus(), game.control(ids::kEditorGrid)) << "the table takes the keys again";
        EXPECT_TRUE(game.visible(ids::kEditorGrid)) << "the editor is usable again";
        EXPECT_FALSE(exists(kPaths.words));
        EXPECT_FALSE(exists(kPaths.download));
        EXPECT_FALSE(game.enabled(ids::kToolButton + 1)) << "no updated base: the base menu stays closed";
        PostMessageW(game.mainWindow(), WM_CLOSE, 0, 0);
        EXPECT_EQ(game.waitForExit(), 0);
    }

    // The server's control file with its base file's address behind a misbehaving path.
    void serveBaseAt(const std::string& path)
    {
        if (original_.empty()) {
            original_ = fileBytes(std::string(SLOVO_SERVER_DIR) + "\\update\\slovolovka.INF");
            const std::string design = "http://127.0.0.1:8080", host = baseUrl().substr(0, baseUrl().find("/update/"));
            original_.replace(original_.find(design), design.size(), host);
        }
        std::string bytes = original_;
        const std::string at = "/update/slovolovka.txt";
        bytes.replace(bytes.find(at), at.size(), path + at);
        writeBytes(root_ + "\\update\\slovolovka.INF", bytes);
    }
    void serveHealthyBase() { writeBytes(root_ + "\\update\\slovolovka.INF", original_); }
    static std::string baseUrl(const std::string& path = "")
    {
        const std::string control = wu::programUpdateUrl();
        return control.substr(0, control.rfind("/update/")) + path + "/update/slovolovka.txt";
    }
    static bool listed(const GameProcess& game, const std::string& status)
    {
        const auto items = statusItems(game);
        return std::find(items.begin(), items.end(), kStatusPrefix + status) != items.end();
    }

    std::string root_;
    std::string original_;
    std::wstring planted_;
};

TEST_F(UpdateE2E, TheEditorsUpdateImportsTheServersBase)
{
    const std::string bytes = fileBytes(std::string(SLOVO_SERVER_DIR) + "\\update\\slovolovka.txt");
    const GridFile served = parseGridFile(bytes, "slovolovka.txt");
    ASSERT_GE(served.words.size(), 300u);
    const std::string control = wu::programUpdateUrl();
    const std::string baseUrl = control.substr(0, control.rfind('/')) + "/slovolovka.txt";

    GameProcess game;
    startUpdate(game);
    // The run is over once the base is in; the import waits for the timer's next tick.
    ASSERT_TRUE(e2e::waitFor([&] { return game.text(ids::kEditorResultLine) == kWaiting && exists(kPaths.download); }))
        << game.text(ids::kEditorResultLine) << "\n" << joined(statusItems(game));
    ASSERT_TRUE(e2e::waitFor([&] {
        const auto items = statusItems(game);
        return !items.empty() && items.back() == kStatusPrefix + std::string("Closed Internet connection");
    })) << joined(statusItems(game));
    ASSERT_TRUE(game.sync());
    e2e::screenshot(game.mainWindow(), e2e::artifactPath("e2e-update-running.bmp"));
    expectInOrder(statusItems(game), {"Checking for Internet connection", "Found open Internet connection",
                                      "Download : " + control, "Update control file found", "Date based update found",
                                      "New version found : ", "Found file update instruction",
                                      "Download update : " + baseUrl, "Download : " + baseUrl,
                                      "Finished processing update control file", "Closed Internet connection"});
    EXPECT_FALSE(game.enabled(ids::kEditorUpdateCancel)) << "disabled through a successful run";

    // Within the timer's 4 s the import saves and closes the editor, and a new puzzle starts.
    ASSERT_TRUE(e2e::waitFor([&] { return !game.visible(ids::kEditorHost); }, std::chrono::seconds(10)));
    // Painting comes after every other message: give the uncovered window a moment for it.
    Sleep(1000);
    ASSERT_TRUE(game.sync());
    e2e::screenshot(game.mainWindow(), e2e::artifactPath("e2e-update-imported.bmp"));
    EXPECT_EQ(fileBytes(kPaths.words), formatLines(served.words));
    EXPECT_EQ(fileBytes(kPaths.hints), formatLines(served.hints));
    EXPECT_EQ(fileBytes(kPaths.download), bytes) << "the downloaded file stays";
    EXPECT_TRUE(game.enabled(ids::kToolButton + 1)) << "База";
    EXPECT_EQ(game.text(ids::kStatusPane + 4), "Всего слов " + std::to_string(served.words.size()))
        << "the puzzle counts the new base";
    const std::string word = e2e::secretWord(game, served.words, served.hints);
    EXPECT_FALSE(word.empty()) << "the new puzzle's word comes from the new base: " << game.text(ids::kHintLabel);
    WordBase builtin;
    EXPECT_EQ(std::find(builtin.List4.begin(), builtin.List4.end(), word), builtin.List4.end()) << word;

    // The base menu: "Стандартная" enabled, "Обновление" (updateb) disabled, as its owner-drawn
    // items show them, the upper item in menu text, the lower one in grey text only.
    game.click(ids::kToolButton + 1);
    HWND popup = nullptr;
    ASSERT_TRUE(e2e::waitFor([&] {
        popup = FindWindowW(L"#32768", nullptr);
        return popup && IsWindowVisible(popup);
    }));
    Sleep(300);
    RECT menu{};
    GetWindowRect(popup, &menu);
    e2e::screenshot(popup, e2e::artifactPath("e2e-update-base-menu.bmp"));
    RECT upper = menu, lower = menu;
    upper.bottom = lower.top = (menu.top + menu.bottom) / 2;
    EXPECT_GT(pixelsOf(upper, GetSysColor(COLOR_MENUTEXT)), 20) << "standart enabled";
    EXPECT_EQ(pixelsOf(lower, GetSysColor(COLOR_MENUTEXT)), 0) << "updateb disabled";
    EXPECT_GT(pixelsOf(lower, GetSysColor(COLOR_GRAYTEXT)), 20) << "updateb drawn grey";
    PostMessageW(popup, WM_KEYDOWN, VK_ESCAPE, 0);
    ASSERT_TRUE(e2e::waitFor([&] { return !IsWindowVisible(popup); }));
    PostMessageW(game.mainWindow(), WM_CLOSE, 0, 0);
    EXPECT_EQ(game.waitForExit(), 0);
}

TEST_F(UpdateE2E, AMissingControlFileShowsTheNoConnectionLine)
{
    DeleteFileW(tk::wide(root_ + "\\update\\slovolovka.INF").c_str());
    const std::string control = wu::programUpdateUrl();
    expectFailure("e2e-update-404.bmp", {"Checking for Internet connection", "Download : " + control,
                                        "Http status : 404", "Update control file not found",
                                        "Closed Internet connection"});
}

TEST_F(UpdateE2E, AForgedFileCountLeavesTheGameAnswering)
{
    // A control file that states 2,147,483,647 file entries and holds none: the run ends, the game
    // answers and the panel ends with its result line and the enabled cancel button.
    writeBytes(root_ + "\\update\\slovolovka.INF", "[update]\r\ndate=01/02/2003\r\n[files]\r\ncount=2147483647\r\n");
    GameProcess game;
    startUpdate(game);
    // The panel shows before the button is disabled: the run is over once its last status is in.
    ASSERT_TRUE(e2e::waitFor([&] {
        const auto items = statusItems(game);
        return !items.empty() && items.back() == kStatusPrefix + std::string("Closed Internet connection") &&
               game.enabled(ids::kEditorUpdateCancel);
    })) << joined(statusItems(game));
    ASSERT_TRUE(game.sync()) << "the game answers";
    expectInOrder(statusItems(game), {"Found file update instruction", "Finished processing update control file",
                                      "Closed Internet connection"});
    EXPECT_EQ(game.text(ids::kEditorResultLine), kNotReceived);
    e2e::screenshot(game.mainWindow(), e2e::artifactPath("e2e-update-forged-count.bmp"));
    PostMessageW(game.mainWindow(), WM_CLOSE, 0, 0);
    EXPECT_EQ(game.waitForExit(), 0);
}

TEST_F(UpdateE2E, ABaseThatStallsOrEndsShortLeavesTheGameAnsweringAndTheBaseAsItWas)
{
    // Headers and 10,000 bytes, then silence; and half the announced length, then closed. Each
    // run fails its download while the game answers, the updated base stays byte for byte, and
    // the next run against the healthy server imports the server's base.
    const GridFile served = parseGridFile(fileBytes(std::string(SLOVO_SERVER_DIR) + "\\update\\slovolovka.txt"),
                                          "slovolovka.txt");
    for (const std::string path : {"/stall/10000", "/short/27000"}) {
        SCOPED_TRACE(path);
        removeDataDirectory();
        RegDeleteTreeW(HKEY_CURRENT_USER, L"slovolovka");
        e2e::writeUpdatedBase();
        const std::string words = fileBytes(kPaths.words), hints = fileBytes(kPaths.hints);
        serveBaseAt(path);
        const std::string url = baseUrl(path);
        GameProcess game;
        e2e::AnswerWatch watch;
        ASSERT_NO_FATAL_FAILURE(startUpdate(game, gameExe(), true));
        watch.watch(game.mainWindow());
        // Two seconds in, a stall has begun (nothing here waits on the game): the window still
        // paints what was uncovered.
        Sleep(2000);
        RedrawWindow(game.mainWindow(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
        EXPECT_TRUE(e2e::waitFor([&] { return game.painted(); }, std::chrono::seconds(2)));
        ASSERT_TRUE(e2e::waitFor([&] { return listed(game, "Download : " + url); })) << joined(statusItems(game));
        // Within 35 s of the silence: the failed download, its result line and the cancel button.
        ASSERT_TRUE(e2e::waitFor([&] { return game.enabled(ids::kEditorUpdateCancel); }, std::chrono::seconds(35)))
            << joined(statusItems(game));
        ASSERT_TRUE(e2e::waitFor([&] { return listed(game, "Closed Internet connection"); }));
        watch.watch(nullptr);
        ASSERT_TRUE(game.sync());
        expectInOrder(statusItems(game), {"Download : " + url, "Cannot download update file : " + url,
                                          "Finished processing update control file", "Closed Internet connection"});
        EXPECT_EQ(game.text(ids::kEditorResultLine), kNoConnection);
        EXPECT_LE(watch.longestMs(), 500u) << "the game left a message unanswered that long";
        e2e::screenshot(game.mainWindow(), e2e::artifactPath("e2e-update-" + path.substr(1, path.rfind('/') - 1) + ".bmp"));
        EXPECT_EQ(fileBytes(kPaths.words), words);
        EXPECT_EQ(fileBytes(kPaths.hints), hints);
        EXPECT_FALSE(exists(kPaths.download)) << "no part of the base under its name";
        WIN32_FIND_DATAW found;
        const HANDLE temporary = FindFirstFileW(tk::wide(kPaths.directory + "\\WUPD*").c_str(), &found);
        EXPECT_EQ(temporary, INVALID_HANDLE_VALUE) << "a temporary file was left";
        if (temporary != INVALID_HANDLE_VALUE)
            FindClose(temporary);

        // The failed run remembered nothing: the next one fetches and imports the base.
        serveHealthyBase();
        game.click(ids::kEditorUpdateCancel);
        ASSERT_TRUE(e2e::waitFor([&] { return !game.visible(ids::kEditorUpdatePanel); }));
        PostMessageW(game.control(ids::kEditorForm), WM_COMMAND, ids::kMenuUpdate, 0);
        ASSERT_TRUE(e2e::waitFor([&] { return !game.visible(ids::kEditorHost); }, std::chrono::seconds(20)))
            << joined(statusItems(game));
        ASSERT_TRUE(game.sync());
        EXPECT_EQ(fileBytes(kPaths.words), formatLines(served.words));
        EXPECT_EQ(fileBytes(kPaths.hints), formatLines(served.hints));
        PostMessageW(game.mainWindow(), WM_CLOSE, 0, 0);
        EXPECT_EQ(game.waitForExit(), 0);
    }
}

TEST_F(UpdateE2E, ClosingTheGameDuringAStallEndsIt)
{
    serveBaseAt("/stall/10000");
    GameProcess game;
    ASSERT_NO_FATAL_FAILURE(startUpdate(game));
    // By then the base's first bytes are in and the server is silent. Nothing here waits on the
    // game: a game stuck in its download would keep a sent message too.
    Sleep(2000);
    ASSERT_FALSE(game.enabled(ids::kEditorUpdateCancel)) << "the run is over already";
    PostMessageW(game.mainWindow(), WM_CLOSE, 0, 0);
    EXPECT_EQ(game.waitForExit(std::chrono::seconds(5)), 0) << "the game did not end in order";
}

TEST_F(UpdateE2E, AnUnreachableServerShowsTheNoConnectionLine)
{
    const std::string flag = env("SLOVO_OFFLINE_FLAG");
    writeBytes(flag, "");
    ASSERT_TRUE(e2e::waitFor([&] { return fileBytes(flag + ".state") == "down"; }));
    const std::string control = wu::programUpdateUrl();
    expectFailure("e2e-update-unreachable.bmp", {"Checking for Internet connection", "Found open Internet connection",
                                                "Download : " + control, "File not found : " + control,
                                                "Update control file not found", "Closed Internet connection"});
}

TEST_F(UpdateE2E, LibrariesBesideTheGameAreNeverLoaded)
{
    // The game in a folder that also holds libraries under the hook library's name and those of
    // system libraries it loads at first use, as a download folder may.
    wchar_t temp[MAX_PATH], system[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    planted_ = std::wstring(temp) + L"slovo-planted\\";
    CreateDirectoryW(planted_.c_str(), nullptr);
    const std::wstring exe = planted_ + L"Slovolovka.exe";
    ASSERT_TRUE(CopyFileW(gameExe().c_str(), exe.c_str(), FALSE));
    const std::vector<std::wstring> names{L"snovid.dll", L"winmm.dll", L"version.dll", L"wininet.dll", L"lz32.dll", L"gdiplus.dll"};
    ASSERT_TRUE(marks::plant(e2e::windowsPath(env("SLOVO_MARKER")), planted_, names));
    // The base's entry is compared with the game's version and expanded: version and LZ too.
    const std::string control = wu::programUpdateUrl();
    writeBytes(root_ + "\\update\\slovolovka.INF",
               "[update]\r\ndate=01/02/2003\r\n[files]\r\ncount=1\r\n[file1]\r\nurl=" +
                   control.substr(0, control.rfind('/')) + "/slovolovka.txt\r\ntargetdir=C:\\Windows\\data\r\n"
                   "compressed=1\r\nnewversion=99.0.0.0\r\nlocalversion=" + tk::narrow(exe) + "\r\n");

    GameProcess game;
    SetEnvironmentVariableW(L"SLOVO_TEST_IDLE_INTERVAL", L"2");
    startUpdate(game, exe);
    SetEnvironmentVariableW(L"SLOVO_TEST_IDLE_INTERVAL", nullptr);
    ASSERT_TRUE(e2e::waitFor([&] { return !game.visible(ids::kEditorHost); }, std::chrono::seconds(30)))
        << "the update was not imported\n" << joined(statusItems(game));
    ASSERT_TRUE(game.sync());
    // The imported base, as the game wrote it.
    const std::string word = e2e::secretWord(game, parseLines(fileBytes(kPaths.words)), parseLines(fileBytes(kPaths.hints)));
    ASSERT_FALSE(word.empty());
    e2e::press(game, word.front()); // the sound of an uncovered letter
    game.click(ids::kToolButton + 5);
    ASSERT_TRUE(e2e::waitFor([&] { return game.visible(ids::kAboutPanel); }));
    game.click(ids::kAboutClose);
    ASSERT_TRUE(e2e::waitFor([&] { return !game.visible(ids::kAboutPanel); }));
    e2e::cursorOverTheGame(game);
    EXPECT_TRUE(e2e::waitFor([&] { return e2e::starfieldShown(game); }, std::chrono::seconds(15))) << "no sleep";
    EXPECT_TRUE(e2e::wakeWithTheMouse(game)) << "no wake";

    GetSystemDirectoryW(system, MAX_PATH);
    const auto lower = [](std::wstring text) {
        std::transform(text.begin(), text.end(), text.begin(), ::towlower);
        return text;
    };
    const bool wine = GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
    std::set<std::wstring> loaded;
    for (const std::wstring& path : marks::modulePaths(game.process())) {
        const std::wstring name = lower(path.substr(path.find_last_of(L'\\') + 1));
        if (std::find(names.begin(), names.end(), name) == names.end())
            continue;
        loaded.insert(name);
        // A Wine difference: Wine's own gdi32, which the game imports, imports version.dll, found
        // by name beside the game before the game's first line runs (Wine then maps its builtin
        // copy under that path). Windows' gdi32 is a known library: what it needs comes from the
        // system folder.
        if (wine && name == L"version.dll")
            continue;
        EXPECT_EQ(lower(path), lower(std::wstring(system) + L"\\" + name)) << "not the system folder's";
    }
    for (const std::wstring& name : names)
        EXPECT_TRUE(loaded.count(name)) << tk::narrow(name) << " was never loaded";
    PostMessageW(game.mainWindow(), WM_CLOSE, 0, 0);
    EXPECT_EQ(game.waitForExit(), 0);
    // A Wine difference: for the names of its builtin libraries Wine maps its own copy wherever
    // the search found a file, so only the hook library's copy could write here (the module paths
    // above see the others); Windows would load each copy a search reached.
    EXPECT_EQ(marks::written(planted_), "");
}

} // namespace
