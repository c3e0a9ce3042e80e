// Test driver over the real Win32 windows of another process.
#include "tests/e2e/driver.h"

#include "game/core/app_title.h"
#include "game/core/puzzle.h"
#include "game/win32/control_ids.h"
#include "common/win32/text.h"

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

bool GameProcess::start(const std::wstring& exe)
{
    STARTUPINFOW si{};
    si.cb = sizeof si;
    std::wstring cmd = L"\"" + exe + L"\"";
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

} // namespace

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

bool screenshot(HWND window, const std::string& file)
{
    RECT r{};
    if (!GetWindowRect(window, &r))
        return false;
    // Only what is on the screen: a copy reaching beyond it comes back black under Wine.
    const RECT screenRect{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (!IntersectRect(&r, &r, &screenRect))
        return false;
    const int w = r.right - r.left, h = r.bottom - r.top;
    const HDC screen = GetDC(nullptr);
    const HDC mem = CreateCompatibleDC(screen);
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, h, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    const HBITMAP dib = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ old = SelectObject(mem, dib);
    BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    const DWORD stride = ((static_cast<DWORD>(w) * 3 + 3) & ~3u);
    const DWORD size = stride * static_cast<DWORD>(h);
    BITMAPFILEHEADER fh{0x4D42, static_cast<DWORD>(sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) + size), 0, 0,
                        static_cast<DWORD>(sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER))};
    bi.bmiHeader.biSizeImage = size;
    bool ok = false;
    const HANDLE f = CreateFileW(windowsPath(file).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (f != INVALID_HANDLE_VALUE) {
        DWORD n = 0;
        ok = WriteFile(f, &fh, sizeof fh, &n, nullptr) && WriteFile(f, &bi.bmiHeader, sizeof bi.bmiHeader, &n, nullptr)
             && WriteFile(f, bits, size, &n, nullptr);
        CloseHandle(f);
    }
    SelectObject(mem, old);
    DeleteObject(dib);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return ok;
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

std::string secretWord(const GameProcess& game)
{
    std::string word;
    for (int i = 1; i <= slovo::kCells && game.visible(slovo::ids::kCellLabel + i); ++i)
        word += game.text(slovo::ids::kCellLabel + i);
    return word;
}

void press(const GameProcess& game, char letter)
{
    const int id = slovo::ids::kLetterButton + buttonOf(letter);
    game.click(id);
    waitFor([&] { return !game.enabled(id); }, std::chrono::seconds(10));
}

} // namespace e2e
