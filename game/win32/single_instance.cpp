// Single-instance guard over a named mutex and the first instance's application window.
#include "game/win32/single_instance.h"

#include "common/win32/text.h"

namespace slovo {

std::string TabcSingleInstance::mutexName(const std::string& applicationTitle)
{
    return "TabcSingleInstance in application " + applicationTitle;
}

TabcSingleInstance::TabcSingleInstance(const std::string& applicationTitle) : title_(applicationTitle)
{
    HANDLE h = CreateMutexW(nullptr, TRUE, tk::wide(mutexName(applicationTitle)).c_str());
    if (h && GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(h);
        h = nullptr;
    }
    mutex_ = h;
}

TabcSingleInstance::~TabcSingleInstance()
{
    if (mutex_)
        CloseHandle(mutex_);
}

void TabcSingleInstance::checkAfterLoading(HWND applicationWindow)
{
    if (!secondInstance())
        return;
    MessageBoxW(applicationWindow, tk::wide(StopMsg).c_str(), tk::wide(title_).c_str(), MB_OK | MB_ICONWARNING);

    wchar_t className[256] = {};
    wchar_t text[256] = {};
    GetClassNameW(applicationWindow, className, 256);
    GetWindowTextW(applicationWindow, text, 256);
    // Our own application window must not be the one found.
    SetWindowTextW(applicationWindow, L"");
    const HWND first = FindWindowW(className, text);
    SetWindowTextW(applicationWindow, text);

    if (first) {
        if (IsIconic(first)) {
            ShowWindow(first, SW_RESTORE);
        } else {
            const HWND popup = GetLastActivePopup(first);
            if (popup && IsWindowVisible(popup) && IsWindowEnabled(popup) && popup != first)
                SetForegroundWindow(popup);
        }
    }
    TerminateProcess(GetCurrentProcess(), 0);
}

} // namespace slovo
