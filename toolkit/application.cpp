// Application window, message loop and the program's message boxes.
#include "toolkit/application.h"

#include "common/error.h"
#include "common/win32/text.h"

#include <commctrl.h>

#include <algorithm>

namespace tk {

namespace {

Application* g_app = nullptr;
HWND g_centreOver = nullptr;
HHOOK g_centreHook = nullptr;

constexpr UINT kRestoreMain = WM_APP + 1;
bool g_clearingMinimized = false;

LRESULT CALLBACK appWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_WINDOWPOSCHANGING: {
        // The application window is never shown; being shown means being restored.
        auto* pos = reinterpret_cast<WINDOWPOS*>(lp);
        if (pos->flags & SWP_SHOWWINDOW) {
            pos->flags &= ~SWP_SHOWWINDOW;
            if (!g_clearingMinimized)
                PostMessageW(hwnd, kRestoreMain, 0, 0);
        }
        break;
    }
    case kRestoreMain:
        if (g_app && g_app->mainWindow()) {
            ShowWindow(g_app->mainWindow(), SW_RESTORE);
            SetForegroundWindow(g_app->mainWindow());
        }
        return 0;
    default:
        break;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

// Message boxes open where the system likes; this moves the box over its owner as it appears.
LRESULT CALLBACK centreHookProc(int code, WPARAM wp, LPARAM lp)
{
    if (code == HCBT_ACTIVATE) {
        const HWND box = reinterpret_cast<HWND>(wp);
        RECT owner{}, r{};
        if (g_centreOver && GetWindowRect(g_centreOver, &owner) && GetWindowRect(box, &r)) {
            const int w = r.right - r.left, h = r.bottom - r.top;
            int x = owner.left + ((owner.right - owner.left) - w) / 2;
            int y = owner.top + ((owner.bottom - owner.top) - h) / 2;
            RECT work{};
            SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
            x = std::max<int>(work.left, std::min<int>(x, work.right - w));
            y = std::max<int>(work.top, std::min<int>(y, work.bottom - h));
            SetWindowPos(box, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
        UnhookWindowsHookEx(g_centreHook);
        g_centreHook = nullptr;
        return 0;
    }
    return CallNextHookEx(g_centreHook, code, wp, lp);
}

} // namespace

Application::Application(HINSTANCE instance, const std::string& title) : module_(instance), title_(title)
{
    g_app = this;
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES | ICC_BAR_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = appWindowProc;
    wc.hInstance = instance;
    wc.lpszClassName = L"TApplication";
    wc.hIcon = LoadIconW(instance, L"MAINICON");
    RegisterClassExW(&wc);
    // A real top-level window that stands for the program; it is never shown.
    window_ = CreateWindowExW(0, L"TApplication", wide(title).c_str(), WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                              0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
}

Application::~Application()
{
    if (window_)
        DestroyWindow(window_);
    g_app = nullptr;
}

Application& Application::instance()
{
    return *g_app;
}

void Application::noteMainWindowMinimized(bool minimized)
{
    if (minimized == (IsIconic(window_) != FALSE))
        return;
    if (minimized) {
        SetWindowLongPtrW(window_, GWL_STYLE, GetWindowLongPtrW(window_, GWL_STYLE) | WS_MINIMIZE);
        return;
    }
    // Some systems keep WS_MINIMIZE against SetWindowLong; a restore that stays hidden clears it.
    g_clearingMinimized = true;
    ShowWindow(window_, SW_SHOWNOACTIVATE);
    g_clearingMinimized = false;
}

int Application::run()
{
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}

void Application::terminate()
{
    if (mainWindow_ && IsWindow(mainWindow_))
        PostMessageW(mainWindow_, WM_CLOSE, 0, 0);
    else
        PostQuitMessage(0);
}

void Application::showError(const std::string& message)
{
    messageBox(slovo::errorBoxText(message), title_, BoxIcon::Error, MB_OK);
}

void Application::handleException(std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        showError(e.what());
    } catch (...) {
        showError("Unknown error");
    }
}

int Application::messageBox(const std::string& text, const std::string& caption, BoxIcon icon, UINT buttons)
{
    UINT style = buttons | MB_APPLMODAL;
    switch (icon) {
    case BoxIcon::Information: style |= MB_ICONINFORMATION; break;
    case BoxIcon::Warning: style |= MB_ICONWARNING; break;
    case BoxIcon::Error: style |= MB_ICONERROR; break;
    case BoxIcon::Question: style |= MB_ICONQUESTION; break;
    }
    const bool overMain = mainWindow_ && IsWindowVisible(mainWindow_);
    g_centreOver = overMain ? mainWindow_ : nullptr;
    if (g_centreOver)
        g_centreHook = SetWindowsHookExW(WH_CBT, centreHookProc, nullptr, GetCurrentThreadId());
    const bool wasEnabled = overMain && IsWindowEnabled(mainWindow_);
    if (wasEnabled)
        EnableWindow(mainWindow_, FALSE);
    const int result = MessageBoxW(window_, wide(text).c_str(), wide(caption).c_str(), style);
    if (g_centreHook) {
        UnhookWindowsHookEx(g_centreHook);
        g_centreHook = nullptr;
    }
    if (wasEnabled && IsWindow(mainWindow_)) {
        EnableWindow(mainWindow_, TRUE);
        SetActiveWindow(mainWindow_);
    }
    return result;
}

} // namespace tk
