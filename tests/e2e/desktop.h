// The desktop a player's Windows has: Wine's shell desktop with its taskbar, real keys and
// clicks on it, and the taskbar buttons read back from the tray window's children.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace e2e {

// Starts Wine's explorer with a desktop of that name and a taskbar, and moves the calling thread
// (which must own no window yet) onto it; programs started by GameProcess go there too. The
// explorer ends with the object.
class ShellDesktop {
public:
    explicit ShellDesktop(const wchar_t* name = L"shell");
    ~ShellDesktop();
    ShellDesktop(const ShellDesktop&) = delete;
    ShellDesktop& operator=(const ShellDesktop&) = delete;

    bool ready() const { return taskbar() != nullptr; }
    static HWND taskbar();
    // The top-level windows of a process that have a button shown on the taskbar (each button
    // is a child of the tray window whose control id is the window it stands for).
    static std::vector<HWND> windowsOnTaskbar(DWORD pid);
    static HWND buttonOf(HWND window);
    // The whole desktop with its taskbar, as a BMP.
    static bool screenshot(const std::string& file);

private:
    PROCESS_INFORMATION explorer_{};
};

// Real keys: pressed in the given order, released in the reverse one.
bool keys(std::initializer_list<WORD> virtualKeys);
// A real right click at a point of the screen, and a real move to one.
bool mouseRightClick(POINT at);
bool moveMouse(POINT to);
POINT centreOf(HWND window);

} // namespace e2e
