// A small test driver: starts the real game, finds its windows, reads their texts, clicks
// controls, answers message boxes and takes screenshots.
#pragma once

#include <windows.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace e2e {

// Turns a Unix path into the Wine drive Z: form; Windows paths pass unchanged.
std::wstring windowsPath(const std::string& path);

// An updated base of two words in the data folder, so the game offers the choice.
inline const std::vector<std::string> kUpdatedWords{"ОЛЕНЬ", "ПУРГА"}, kUpdatedHints{"СЕВЕРНОЕ ЖИВОТНОЕ", "СНЕЖНАЯ БУРЯ"};
void writeUpdatedBase();

// The game under test: SLOVO_GAME, else Slovolovka.exe beside the test.
std::wstring gameExe();

// The game's data folder gone with every file in it, whoever left them there; a plain file in
// its place, left by an earlier case, goes too.
void removeDataDirectory();

bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout = std::chrono::seconds(20));

// Sends WM_NULL to a window every 100 ms from a thread of its own and keeps the longest time a
// message waited for its answer: how long the window's thread left its messages alone.
class AnswerWatch {
public:
    explicit AnswerWatch(HWND window = nullptr);
    ~AnswerWatch();
    AnswerWatch(const AnswerWatch&) = delete;
    AnswerWatch& operator=(const AnswerWatch&) = delete;
    // The window to watch from now on; nullptr pauses.
    void watch(HWND window) { window_ = window; }
    DWORD longestMs() const { return longest_; }

private:
    std::atomic<HWND> window_;
    std::atomic<DWORD> longest_{0};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

struct MessageBoxInfo {
    HWND handle = nullptr;
    std::string title; // cp1251
    std::string text;  // cp1251
};

class GameProcess {
public:
    GameProcess() = default;
    ~GameProcess();
    GameProcess(const GameProcess&) = delete;
    GameProcess& operator=(const GameProcess&) = delete;

    // Starts the process, then waits for its main window to show.
    bool launch(const std::wstring& exe);
    bool start(const std::wstring& exe, const std::wstring& arguments = {});
    bool waitForMainWindow(std::chrono::milliseconds timeout = std::chrono::seconds(20));
    HWND mainWindow() const { return main_; }
    DWORD id() const { return pi_.dwProcessId; }
    HANDLE process() const { return pi_.hProcess; }

    // Waits until the game's thread has handled everything sent before (modal loops included).
    bool sync() const;
    // Whether the main window and all its children have painted what was last uncovered.
    bool painted() const;
    HWND control(int id) const;
    std::string text(int id) const;
    bool visible(int id) const;
    bool enabled(int id) const;
    void click(int id) const;
    bool checked(int id) const;
    // The control that has the keyboard focus in the game's thread, or nullptr.
    HWND focus() const;
    void pressKey(HWND target, WPARAM key) const;

    // A message box of this process, once one shows.
    MessageBoxInfo waitForMessageBox(std::chrono::milliseconds timeout = std::chrono::seconds(20)) const;
    static void answer(const MessageBoxInfo& box, int buttonId);

    // Exit code once the process ends, or -1 on time-out.
    long waitForExit(std::chrono::milliseconds timeout = std::chrono::seconds(20));

private:
    PROCESS_INFORMATION pi_{};
    HWND main_ = nullptr;
};

// Playing: the letter button of a letter, the word behind the covers, and a letter pressed
// until its button is used up. The word is known from the base the test gave the game: the
// entry whose hint shows and whose length is the number of cells shown (the window tree holds
// no covered letter); empty when the base has no such entry.
int buttonOf(char letter);
std::string secretWord(const GameProcess& game, const std::vector<std::string>& words, const std::vector<std::string>& hints);
void press(const GameProcess& game, char letter);
// The gallows stage the picture shows, told by its pixels from the game's six pictures; -1 when
// none is the nearest by far.
int gallowsStage(const GameProcess& game);

// What another program reads of a window (cp1251): the text the system keeps for it, the text
// the window answers WM_GETTEXT with, and the accessible name of its client object.
struct ReadableText {
    HWND window = nullptr;
    int id = 0;
    std::string text, answered, accessibleName;
    bool accessible = false; // an accessible object answered
};
// The window and every window inside it.
std::vector<ReadableText> readableTexts(HWND root);

// The candidate nearest to the pixels by far (less than half the distance to any other), or -1;
// the distance counts the pixels that differ clearly. Each candidate's distance goes to report.
int nearestByFar(const std::vector<unsigned char>& pixels, const std::vector<std::vector<unsigned char>>& candidates,
                 std::string* report = nullptr);

// The idle reaction: the starfield's panel shown, the cursor set over the game's window, and real
// mouse moves until the starfield hides (a move to the remembered point is absorbed).
bool starfieldShown(const GameProcess& game);
void cursorOverTheGame(const GameProcess& game);
bool wakeWithTheMouse(const GameProcess& game);

// A click posted to a window at client coordinates, and one of the real mouse at a point of
// the screen (moved, pressed and released in one go, so it lands before anything moves).
void postClick(HWND window, int x, int y);
bool mouseClick(POINT screen, DWORD down = MOUSEEVENTF_LEFTDOWN, DWORD up = MOUSEEVENTF_LEFTUP);

// Programs started from now on open on the desktop of that name (the caller's own by default).
void useDesktop(const std::wstring& name);

// The editor steps of the end-to-end tests. Opening: the toolbar's "Редактор", then the grid.
HWND openEditor(const GameProcess& game);
// Data row `row` edited through the fields (its word cell, the ellipsis, the new texts, the hint
// field's button), then on the row below it Insert and two Deletes, which remove the new row and
// that row.
struct EditorSteps {
    int row = 1;
    std::string word, hint; // cp1251
};
bool runEditorSteps(const GameProcess& game, HWND grid, const EditorSteps& steps);
// What the editor's save makes of the lists after those steps.
void applyEditorSteps(const EditorSteps& steps, std::vector<std::string>& words, std::vector<std::string>& hints);

// The game's standard save dialog with that title (cp1251): the file name it proposes goes to
// proposed, then path is typed in and the dialog confirmed. False when no such dialog showed.
bool saveThroughDialog(const GameProcess& game, const std::string& title, const std::string& path, std::string& proposed);

// The top-level window of that class in the game's process, once it shows, or nullptr.
HWND waitForWindow(const GameProcess& game, const wchar_t* className,
                   std::chrono::milliseconds timeout = std::chrono::seconds(20));

// The pixels the screen shows in a part of a window's client area, 24-bit rows bottom up; empty
// when the window is gone.
std::vector<unsigned char> capture(HWND window, const RECT& client);

// The print preview's page area in its client: 90 % of the client below the 41-pixel button
// bar, centred.
RECT previewPageArea(HWND preview);

// A bitmap's top left corner as a capture of that size holds it.
std::vector<unsigned char> bitmapPixels(HBITMAP bitmap, int w, int h);

// Saves what the screen shows inside the window's rectangle (the part on the screen) as a 24-bit BMP.
bool screenshot(HWND window, const std::string& file);
std::string artifactPath(const std::string& name);

// Removes Snovid.dll from the system directory, as the game writes it there. A process that the
// hooks reached (Wine's desktop among them) may keep it loaded: then it is moved to the temporary
// directory, where a later call deletes it.
bool removeSystemLibrary();

std::string windowText(HWND window);
// The descendant of parent with that control id, or nullptr.
HWND childById(HWND parent, int id);

} // namespace e2e
