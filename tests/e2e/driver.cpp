// Test driver over the real Win32 windows of another process.
#include "tests/e2e/driver.h"
#include "tests/e2e/desktop.h"

#include "game/core/app_title.h"
#include "game/core/puzzle.h"
#include "game/core/word_base.h"
#include "common/win32/win32_file_system.h"
#include "game/win32/control_ids.h"
#include "common/win32/text.h"

#include <oleacc.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

namespace e2e {

std::wstring windowsPath(const std::string& path)
{
    if (path.empty() || path[0] != '/')
        return tk::wide(path);
    std::string p = "Z:" + path;
    for (auto& c : p)
        if (c == '/')
            c = '\\';
    return tk::wide(p);
}

std::wstring gameExe()
{
    const char* exe = std::getenv("SLOVO_GAME");
    return windowsPath(exe && *exe ? exe : "Slovolovka.exe");
}

void removeDataDirectory()
{
    const std::wstring dir = tk::wide(slovo::BasePaths::fixedWindows().directory);
    WIN32_FIND_DATAW fd;
    const HANDLE find = FindFirstFileW((dir + L"\\*").c_str(), &fd);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                DeleteFileW((dir + L"\\" + fd.cFileName).c_str());
        } while (FindNextFileW(find, &fd));
        FindClose(find);
    }
    RemoveDirectoryW(dir.c_str());
    DeleteFileW(dir.c_str());
}

void writeUpdatedBase()
{
    const slovo::BasePaths paths = slovo::BasePaths::fixedWindows();
    CreateDirectoryW(tk::wide(paths.directory).c_str(), nullptr);
    slovo::Win32FileSystem fs;
    fs.writeFile(paths.words, slovo::formatLines(kUpdatedWords));
    fs.writeFile(paths.hints, slovo::formatLines(kUpdatedHints));
}

bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout)
{
    const auto until = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < until) {
        if (condition())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return condition();
}

AnswerWatch::AnswerWatch(HWND window) : window_(window)
{
    thread_ = std::thread([this] {
        while (!stop_) {
            if (const HWND w = window_) {
                const ULONGLONG sent = GetTickCount64();
                DWORD_PTR result = 0;
                SendMessageTimeoutW(w, WM_NULL, 0, 0, SMTO_NORMAL, 120000, &result);
                longest_ = std::max<DWORD>(longest_, static_cast<DWORD>(GetTickCount64() - sent));
            }
            Sleep(100);
        }
    });
}

AnswerWatch::~AnswerWatch()
{
    stop_ = true;
    thread_.join();
}

std::string windowText(HWND window)
{
    std::wstring buf(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    buf.resize(static_cast<size_t>(GetWindowTextW(window, buf.data(), static_cast<int>(buf.size()))));
    return tk::narrow(buf);
}

GameProcess::~GameProcess()
{
    if (pi_.hProcess) {
        if (WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT) {
            TerminateProcess(pi_.hProcess, 1);
            WaitForSingleObject(pi_.hProcess, 5000);
        }
        CloseHandle(pi_.hProcess);
        CloseHandle(pi_.hThread);
    }
}

bool GameProcess::launch(const std::wstring& exe)
{
    return start(exe) && waitForMainWindow();
}

namespace {

std::wstring g_desktop;

} // namespace

void useDesktop(const std::wstring& name)
{
    g_desktop = name;
}

bool GameProcess::start(const std::wstring& exe, const std::wstring& arguments)
{
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.lpDesktop = g_desktop.empty() ? nullptr : g_desktop.data();
    std::wstring cmd = L"\"" + exe + L"\"";
    if (!arguments.empty())
        cmd += L" " + arguments;
    return CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi_) != FALSE;
}

bool GameProcess::waitForMainWindow(std::chrono::milliseconds timeout)
{
    const std::wstring title = tk::wide(slovo::kApplicationTitle);
    return waitFor(
        [&] {
        HWND w = FindWindowW(L"TForm1", title.c_str());
        DWORD pid = 0;
        if (w)
            GetWindowThreadProcessId(w, &pid);
        if (w && pid == pi_.dwProcessId && IsWindowVisible(w))
            main_ = w;
        return main_ != nullptr;
        },
        timeout);
}

bool GameProcess::sync() const
{
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(main_, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result) != 0;
}

namespace {

struct ChildSearch {
    int id;
    HWND found;
};

// A named callback: on i686 a window enumerator is stdcall, which no lambda converts to.
BOOL CALLBACK matchChildId(HWND w, LPARAM lp)
{
    auto* s = reinterpret_cast<ChildSearch*>(lp);
    if (GetDlgCtrlID(w) == s->id) {
        s->found = w;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK findUnpainted(HWND w, LPARAM lp)
{
    if (!GetUpdateRect(w, nullptr, FALSE))
        return TRUE;
    *reinterpret_cast<bool*>(lp) = false;
    return FALSE;
}

} // namespace

bool GameProcess::painted() const
{
    bool painted = !GetUpdateRect(main_, nullptr, FALSE);
    if (painted)
        EnumChildWindows(main_, findUnpainted, reinterpret_cast<LPARAM>(&painted));
    return painted;
}

HWND childById(HWND parent, int id)
{
    ChildSearch search{id, nullptr};
    EnumChildWindows(parent, matchChildId, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND GameProcess::control(int id) const
{
    return childById(main_, id);
}

std::string GameProcess::text(int id) const
{
    const HWND w = control(id);
    return w ? windowText(w) : "(no control " + std::to_string(id) + ")";
}

bool GameProcess::visible(int id) const
{
    const HWND w = control(id);
    return w && (GetWindowLongW(w, GWL_STYLE) & WS_VISIBLE);
}

bool GameProcess::enabled(int id) const
{
    const HWND w = control(id);
    return w && IsWindowEnabled(w);
}

void GameProcess::click(int id) const
{
    // Posted, so a click that opens a modal box does not block the driver.
    PostMessageW(control(id), BM_CLICK, 0, 0);
}

bool GameProcess::checked(int id) const
{
    return SendMessageW(control(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

HWND GameProcess::focus() const
{
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    const DWORD thread = GetWindowThreadProcessId(main_, nullptr);
    return GetGUIThreadInfo(thread, &info) ? info.hwndFocus : nullptr;
}

void GameProcess::pressKey(HWND target, WPARAM key) const
{
    PostMessageW(target, WM_KEYDOWN, key, 1);
    PostMessageW(target, WM_KEYUP, key, 0xC0000001);
}

MessageBoxInfo GameProcess::waitForMessageBox(std::chrono::milliseconds timeout) const
{
    MessageBoxInfo info;
    const DWORD pid = pi_.dwProcessId;
    waitFor(
        [&] {
            HWND w = nullptr;
            while ((w = FindWindowExW(nullptr, w, L"#32770", nullptr)) != nullptr) {
                DWORD owner = 0;
                GetWindowThreadProcessId(w, &owner);
                if (owner == pid && IsWindowVisible(w)) {
                    info.handle = w;
                    return true;
                }
            }
            return false;
        },
        timeout);
    if (info.handle) {
        info.title = windowText(info.handle);
        // The message text is the box's static control with id 0xFFFF.
        if (HWND text = GetDlgItem(info.handle, 0xFFFF))
            info.text = windowText(text);
    }
    return info;
}

void GameProcess::answer(const MessageBoxInfo& box, int buttonId)
{
    PostMessageW(box.handle, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box.handle, buttonId)));
}

long GameProcess::waitForExit(std::chrono::milliseconds timeout)
{
    if (WaitForSingleObject(pi_.hProcess, static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0)
        return -1;
    DWORD code = 0;
    GetExitCodeProcess(pi_.hProcess, &code);
    return static_cast<long>(code);
}

std::string artifactPath(const std::string& name)
{
    const char* dir = std::getenv("SLOVO_ARTIFACTS");
    std::string base = dir && *dir ? dir : "artifacts";
    CreateDirectoryW(windowsPath(base).c_str(), nullptr);
    return base + "/" + name;
}

namespace {

// A part of what a device context holds, 24-bit rows bottom up as a BMP holds them.
std::vector<unsigned char> pixelsOf(HDC source, int x, int y, int w, int h)
{
    if (w <= 0 || h <= 0)
        return {};
    const HDC mem = CreateCompatibleDC(source);
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, h, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    const HBITMAP dib = CreateDIBSection(source, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    std::vector<unsigned char> out;
    if (dib) {
        const HGDIOBJ old = SelectObject(mem, dib);
        BitBlt(mem, 0, 0, w, h, source, x, y, SRCCOPY);
        GdiFlush();
        const size_t stride = (static_cast<size_t>(w) * 3 + 3) & ~size_t{3};
        const auto* begin = static_cast<const unsigned char*>(bits);
        out.assign(begin, begin + stride * static_cast<size_t>(h));
        SelectObject(mem, old);
        DeleteObject(dib);
    }
    DeleteDC(mem);
    return out;
}

// The screen inside a rectangle of screen coordinates.
std::vector<unsigned char> screenPixels(const RECT& r)
{
    const HDC screen = GetDC(nullptr);
    std::vector<unsigned char> out = pixelsOf(screen, r.left, r.top, r.right - r.left, r.bottom - r.top);
    ReleaseDC(nullptr, screen);
    return out;
}

} // namespace

std::vector<unsigned char> capture(HWND window, const RECT& client)
{
    RECT r = client;
    if (!IsWindow(window))
        return {};
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&r), 2);
    return screenPixels(r);
}

bool screenshot(HWND window, const std::string& file)
{
    RECT r{};
    if (!GetWindowRect(window, &r))
        return false;
    // Only what is on the screen: a copy reaching beyond it comes back black under Wine.
    const RECT screenRect{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (!IntersectRect(&r, &r, &screenRect))
        return false;
    const std::vector<unsigned char> bits = screenPixels(r);
    if (bits.empty())
        return false;
    const DWORD size = static_cast<DWORD>(bits.size());
    BITMAPINFOHEADER bh{sizeof(BITMAPINFOHEADER), r.right - r.left, r.bottom - r.top, 1, 24, BI_RGB, size, 0, 0, 0, 0};
    BITMAPFILEHEADER fh{0x4D42, static_cast<DWORD>(sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) + size), 0, 0,
                        static_cast<DWORD>(sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER))};
    bool ok = false;
    const HANDLE f = CreateFileW(windowsPath(file).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (f != INVALID_HANDLE_VALUE) {
        DWORD n = 0;
        ok = WriteFile(f, &fh, sizeof fh, &n, nullptr) && WriteFile(f, &bh, sizeof bh, &n, nullptr)
             && WriteFile(f, bits.data(), size, &n, nullptr);
        CloseHandle(f);
    }
    return ok;
}

void postClick(HWND window, int x, int y)
{
    PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    PostMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

bool mouseClick(POINT at, DWORD down, DWORD up)
{
    const auto absolute = [](LONG v, int metric) {
        return static_cast<LONG>((v * 65535 + GetSystemMetrics(metric) / 2) / (GetSystemMetrics(metric) - 1));
    };
    INPUT input[3]{};
    for (INPUT& i : input) {
        i.type = INPUT_MOUSE;
        i.mi.dx = absolute(at.x, SM_CXSCREEN);
        i.mi.dy = absolute(at.y, SM_CYSCREEN);
    }
    input[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    input[1].mi.dwFlags = down | MOUSEEVENTF_ABSOLUTE;
    input[2].mi.dwFlags = up | MOUSEEVENTF_ABSOLUTE;
    return SendInput(3, input, sizeof(INPUT)) == 3;
}

HWND openEditor(const GameProcess& game)
{
    game.click(slovo::ids::kToolButton + 4);
    if (!waitFor([&] { return game.visible(slovo::ids::kEditorGrid); }) || !game.sync())
        return nullptr;
    return game.control(slovo::ids::kEditorGrid);
}

namespace {

// The grid's design: number, word and hint columns 45, 101 and 349 wide, rows 21 high.
constexpr int kRowHeight = 21, kNumberWidth = 45, kWordWidth = 101;

void setText(HWND edit, const std::string& text)
{
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(tk::wide(text).c_str()));
}

} // namespace

bool runEditorSteps(const GameProcess& game, HWND grid, const EditorSteps& steps)
{
    namespace ids = slovo::ids;
    postClick(grid, kNumberWidth + 10, steps.row * kRowHeight + 10);
    if (!waitFor([&] { return game.visible(ids::kEditorCellEditor); }))
        return false;
    game.click(ids::kEditorEllipsis);
    if (!waitFor([&] { return game.enabled(ids::kEditorWord); }))
        return false;
    setText(game.control(ids::kEditorWord), steps.word);
    setText(game.control(ids::kEditorHint), steps.hint);
    game.click(ids::kEditorHintButton);
    if (!waitFor([&] { return !game.enabled(ids::kEditorWord); }))
        return false;
    postClick(grid, kNumberWidth + kWordWidth + 20, (steps.row + 1) * kRowHeight + 10);
    game.pressKey(grid, VK_INSERT);
    game.pressKey(grid, VK_DELETE);
    game.pressKey(grid, VK_DELETE);
    return game.sync();
}

void applyEditorSteps(const EditorSteps& steps, std::vector<std::string>& words, std::vector<std::string>& hints)
{
    const size_t edited = static_cast<size_t>(steps.row - 1);
    words[edited] = steps.word;
    hints[edited] = steps.hint;
    words.erase(words.begin() + static_cast<long>(edited + 1));
    hints.erase(hints.begin() + static_cast<long>(edited + 1));
}

bool saveThroughDialog(const GameProcess& game, const std::string& title, const std::string& path, std::string& proposed)
{
    HWND dialog = nullptr;
    const std::wstring caption = tk::wide(title);
    if (!waitFor([&] {
            dialog = FindWindowW(L"#32770", caption.c_str());
            DWORD pid = 0;
            if (dialog)
                GetWindowThreadProcessId(dialog, &pid);
            return dialog && pid == game.id() && IsWindowVisible(dialog);
        }))
        return false;
    // The file name field is the one with the focus when the dialog opens.
    HWND edit = nullptr;
    if (!waitFor([&] {
            GUITHREADINFO info{};
            info.cbSize = sizeof info;
            GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info);
            edit = info.hwndFocus;
            return edit && edit != dialog;
        }))
        return false;
    wchar_t offered[MAX_PATH] = {};
    SendMessageW(edit, WM_GETTEXT, MAX_PATH, reinterpret_cast<LPARAM>(offered));
    proposed = tk::narrow(offered);
    setText(edit, path);
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
    return waitFor([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); });
}

HWND waitForWindow(const GameProcess& game, const wchar_t* className, std::chrono::milliseconds timeout)
{
    HWND found = nullptr;
    waitFor(
        [&] {
            HWND w = nullptr;
            while ((w = FindWindowExW(nullptr, w, className, nullptr)) != nullptr) {
                DWORD pid = 0;
                GetWindowThreadProcessId(w, &pid);
                if (pid == game.id() && IsWindowVisible(w)) {
                    found = w;
                    return true;
                }
            }
            return false;
        },
        timeout);
    return found;
}

bool removeSystemLibrary()
{
    wchar_t dir[MAX_PATH], temp[MAX_PATH];
    GetSystemDirectoryW(dir, MAX_PATH);
    GetTempPathW(MAX_PATH, temp);
    const std::wstring path = std::wstring(dir) + L"\\Snovid.dll";
    const std::wstring parked = std::wstring(temp) + L"slovo-removed-Snovid";
    // Copies parked by earlier calls, once nobody holds them.
    WIN32_FIND_DATAW fd;
    const HANDLE find = FindFirstFileW((parked + L"*").c_str(), &fd);
    if (find != INVALID_HANDLE_VALUE) {
        do
            DeleteFileW((std::wstring(temp) + fd.cFileName).c_str());
        while (FindNextFileW(find, &fd));
        FindClose(find);
    }
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES || DeleteFileW(path.c_str()))
        return true;
    const std::wstring target = parked + std::to_wstring(GetTickCount()) + L"-" + std::to_wstring(GetCurrentProcessId()) + L".dll";
    return MoveFileExW(path.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED) != 0;
}

int buttonOf(char letter)
{
    for (int b = 1; b <= slovo::kLetterButtons; ++b)
        if (slovo::letterOfButton(b) == letter)
            return b;
    return 0;
}

std::string secretWord(const GameProcess& game, const std::vector<std::string>& words, const std::vector<std::string>& hints)
{
    size_t cells = 0;
    while (cells < static_cast<size_t>(slovo::kCells) && game.visible(slovo::ids::kCellCover + static_cast<int>(cells) + 1))
        ++cells;
    const std::string hint = game.text(slovo::ids::kHintLabel);
    for (size_t i = 0; i < words.size() && i < hints.size(); ++i)
        if (hints[i] == hint && words[i].size() == cells)
            return words[i];
    return {};
}

namespace {

// Clearly: font smoothing on the screen may differ a little from a bitmap's.
size_t clearlyDiffering(const std::vector<unsigned char>& a, const std::vector<unsigned char>& b)
{
    if (a.size() != b.size())
        return std::max(a.size(), b.size()) / 3;
    size_t differing = 0;
    for (size_t i = 0; i + 2 < a.size(); i += 3)
        differing += std::abs(a[i] - b[i]) + std::abs(a[i + 1] - b[i + 1]) + std::abs(a[i + 2] - b[i + 2]) > 96;
    return differing;
}

} // namespace

int nearestByFar(const std::vector<unsigned char>& pixels, const std::vector<std::vector<unsigned char>>& candidates,
                 std::string* report)
{
    std::vector<size_t> distances;
    for (const auto& candidate : candidates) {
        distances.push_back(clearlyDiffering(pixels, candidate));
        if (report)
            *report += " " + std::to_string(distances.size() - 1) + ": " + std::to_string(distances.back());
    }
    int best = -1;
    for (size_t i = 0; i < distances.size(); ++i)
        if (best < 0 || distances[i] < distances[static_cast<size_t>(best)])
            best = static_cast<int>(i);
    for (size_t i = 0; best >= 0 && i < distances.size(); ++i)
        if (static_cast<int>(i) != best && distances[i] < 2 * distances[static_cast<size_t>(best)])
            return -1;
    return best;
}

RECT previewPageArea(HWND preview)
{
    RECT client{};
    GetClientRect(preview, &client);
    const int w = client.right, h = client.bottom - 41;
    const int pw = w * 9 / 10, ph = h * 9 / 10;
    const int left = (w - pw) / 2, top = 41 + (h - ph) / 2;
    return {left, top, left + pw, top + ph};
}

std::vector<unsigned char> bitmapPixels(HBITMAP bitmap, int w, int h)
{
    const HDC source = CreateCompatibleDC(nullptr);
    const HGDIOBJ old = SelectObject(source, bitmap);
    std::vector<unsigned char> out = pixelsOf(source, 0, 0, w, h);
    SelectObject(source, old);
    DeleteDC(source);
    return out;
}

int gallowsStage(const GameProcess& game)
{
    const HWND picture = game.control(slovo::ids::kGallows);
    RECT client{};
    if (!picture || !GetClientRect(picture, &client))
        return -1;
    const HMODULE exe = LoadLibraryExW(gameExe().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (!exe)
        return -1;
    std::vector<std::vector<unsigned char>> stages;
    for (int stage = 0; stage <= 5; ++stage) {
        const std::wstring name = L"GALLOWS" + std::to_wstring(stage);
        const auto bitmap = static_cast<HBITMAP>(LoadImageW(exe, name.c_str(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
        stages.push_back(bitmap ? bitmapPixels(bitmap, client.right, client.bottom) : std::vector<unsigned char>{});
        if (bitmap)
            DeleteObject(bitmap);
    }
    FreeLibrary(exe);
    return nearestByFar(capture(picture, client), stages);
}

namespace {

BOOL CALLBACK collectWindow(HWND w, LPARAM lp)
{
    reinterpret_cast<std::vector<HWND>*>(lp)->push_back(w);
    return TRUE;
}

std::string accessibleName(HWND window, bool& answered)
{
    answered = false;
    IAccessible* object = nullptr;
    // The header's IID_IAccessible is taken from the library as a thunk, not the identifier.
    if (FAILED(AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                          reinterpret_cast<void**>(&object)))
        || !object)
        return {};
    VARIANT self;
    VariantInit(&self);
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR name = nullptr;
    const HRESULT hr = object->get_accName(self, &name);
    object->Release();
    answered = SUCCEEDED(hr);
    std::string text = name ? tk::narrow(std::wstring(name, SysStringLen(name))) : std::string();
    SysFreeString(name);
    return text;
}

} // namespace

std::vector<ReadableText> readableTexts(HWND root)
{
    std::vector<HWND> windows{root};
    EnumChildWindows(root, collectWindow, reinterpret_cast<LPARAM>(&windows));
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    std::vector<ReadableText> out;
    for (HWND w : windows) {
        ReadableText r;
        r.window = w;
        r.id = GetDlgCtrlID(w);
        r.text = windowText(w);
        wchar_t buffer[1024] = {};
        DWORD_PTR length = 0;
        if (SendMessageTimeoutW(w, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buffer), SMTO_NORMAL, 5000, &length))
            r.answered = tk::narrow(std::wstring(buffer, std::min<size_t>(length, 1023)));
        r.accessibleName = accessibleName(w, r.accessible);
        out.push_back(std::move(r));
    }
    if (SUCCEEDED(com))
        CoUninitialize();
    return out;
}

void press(const GameProcess& game, char letter)
{
    const int id = slovo::ids::kLetterButton + buttonOf(letter);
    game.click(id);
    waitFor([&] { return !game.enabled(id); }, std::chrono::seconds(10));
}

bool starfieldShown(const GameProcess& game)
{
    return game.visible(slovo::ids::kStarfieldPanel);
}

// The moves go to the game's own window: Wine does not run a 32-bit hook library for the 64-bit
// processes under the cursor (Windows marshals the call to the installing thread), so the x86
// game would only see moves over other windows there (a known Wine difference).
void cursorOverTheGame(const GameProcess& game)
{
    const POINT centre = centreOf(game.mainWindow());
    SetCursorPos(centre.x, centre.y);
}

bool wakeWithTheMouse(const GameProcess& game)
{
    for (int i = 1; i <= 5; ++i) {
        POINT p;
        GetCursorPos(&p);
        moveMouse({p.x + 7 * i, p.y + 5 * i});
        if (waitFor([&] { return !starfieldShown(game); }, std::chrono::milliseconds(600)))
            return true;
    }
    return false;
}

} // namespace e2e
