// Wine's shell desktop for the end-to-end tests, and real input on it.
#include "tests/e2e/desktop.h"

#include "tests/e2e/driver.h"

#include <vector>

namespace e2e {

namespace {

BOOL CALLBACK collectButton(HWND button, LPARAM lp)
{
    reinterpret_cast<std::vector<HWND>*>(lp)->push_back(button);
    return TRUE;
}

std::vector<HWND> taskbarButtons()
{
    std::vector<HWND> buttons;
    if (const HWND tray = ShellDesktop::taskbar())
        EnumChildWindows(tray, collectButton, reinterpret_cast<LPARAM>(&buttons));
    return buttons;
}

} // namespace

ShellDesktop::ShellDesktop(const wchar_t* name)
{
    wchar_t windows[MAX_PATH];
    GetWindowsDirectoryW(windows, MAX_PATH);
    const std::wstring exe = std::wstring(windows) + L"\\explorer.exe";
    std::wstring cmd = L"explorer.exe /desktop=" + std::wstring(name) + L",1024x768";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    if (!CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &explorer_))
        return;
    HDESK desktop = nullptr;
    waitFor([&] { return (desktop = OpenDesktopW(name, 0, FALSE, GENERIC_ALL)) != nullptr; });
    if (!desktop || !SetThreadDesktop(desktop))
        return;
    useDesktop(name);
    waitFor([] { return taskbar() != nullptr && IsWindowVisible(taskbar()); });
}

ShellDesktop::~ShellDesktop()
{
    if (explorer_.hProcess) {
        TerminateProcess(explorer_.hProcess, 0);
        WaitForSingleObject(explorer_.hProcess, 5000);
        CloseHandle(explorer_.hProcess);
        CloseHandle(explorer_.hThread);
    }
}

HWND ShellDesktop::taskbar()
{
    return FindWindowW(L"Shell_TrayWnd", nullptr);
}

std::vector<HWND> ShellDesktop::windowsOnTaskbar(DWORD pid)
{
    std::vector<HWND> windows;
    for (HWND button : taskbarButtons()) {
        const auto window = reinterpret_cast<HWND>(GetWindowLongPtrW(button, GWLP_ID));
        DWORD owner = 0;
        if (window && IsWindowVisible(button) && GetWindowThreadProcessId(window, &owner) && owner == pid)
            windows.push_back(window);
    }
    return windows;
}

HWND ShellDesktop::buttonOf(HWND window)
{
    for (HWND button : taskbarButtons())
        if (reinterpret_cast<HWND>(GetWindowLongPtrW(button, GWLP_ID)) == window && IsWindowVisible(button))
            return button;
    return nullptr;
}

bool ShellDesktop::screenshot(const std::string& file)
{
    return e2e::screenshot(GetDesktopWindow(), file);
}

bool keys(std::initializer_list<WORD> virtualKeys)
{
    std::vector<INPUT> input;
    for (WORD key : virtualKeys) {
        INPUT down{};
        down.type = INPUT_KEYBOARD;
        down.ki.wVk = key;
        input.push_back(down);
    }
    for (auto it = std::rbegin(virtualKeys); it != std::rend(virtualKeys); ++it) {
        INPUT up{};
        up.type = INPUT_KEYBOARD;
        up.ki.wVk = *it;
        up.ki.dwFlags = KEYEVENTF_KEYUP;
        input.push_back(up);
    }
    return SendInput(static_cast<UINT>(input.size()), input.data(), sizeof(INPUT)) == input.size();
}

bool mouseRightClick(POINT at)
{
    return mouseClick(at, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
}

bool moveMouse(POINT to)
{
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dx = to.x * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1);
    in.mi.dy = to.y * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1);
    in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    return SendInput(1, &in, sizeof in) == 1;
}

POINT centreOf(HWND window)
{
    RECT r{};
    GetWindowRect(window, &r);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

} // namespace e2e
