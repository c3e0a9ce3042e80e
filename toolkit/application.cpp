// Application window, message loop and the program's message boxes.
#include "toolkit/application.h"

#include "toolkit/dialog_keys.h"

#include "common/error.h"
#include "common/win32/start_trace.h"
#include "common/win32/text.h"

#include <algorithm>

namespace tk {

namespace {

Application* g_app = nullptr;
HWND g_centreOver = nullptr;
HHOOK g_centreHook = nullptr;

constexpr UINT kRestoreMain = WM_APP + 1;
constexpr UINT kActivateMain = WM_APP + 2;
bool g_clearingMinimized = false;
bool g_inTaskbar = false;

// The application window stands for the program in the taskbar and in the task switcher: it is
// shown, but with no size, and hands whatever the shell asks of it to the main window.
LRESULT CALLBACK appWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    const HWND main = g_app ? g_app->mainWindow() : nullptr;
    switch (msg) {
    case WM_WINDOWPOSCHANGING: {
        auto* pos = reinterpret_cast<WINDOWPOS*>(lp);
        // Until the main window shows, nothing of the program is on screen, so a second copy
        // that ends at once never leaves a taskbar button flashing.
        if (!g_inTaskbar)
            pos->flags &= ~SWP_SHOWWINDOW;
        if (!(pos->flags & SWP_NOSIZE))
            pos->cx = pos->cy = 0;
        break;
    }
    case WM_GETMINMAXINFO:
        reinterpret_cast<MINMAXINFO*>(lp)->ptMinTrackSize = {0, 0};
        return 0;
    case WM_QUERYOPEN:
        // Restored from outside (another copy of the program, the shell): so is the main window.
        if (!g_clearingMinimized)
            PostMessageW(hwnd, kRestoreMain, 0, 0);
        return TRUE;
    case WM_SYSCOMMAND:
        switch (wp & 0xFFF0) {
        case SC_RESTORE:
            PostMessageW(hwnd, kRestoreMain, 0, 0);
            return 0;
        case SC_MINIMIZE:
            if (main)
                ShowWindow(main, SW_MINIMIZE);
            return 0;
        case SC_CLOSE:
            if (g_app)
                g_app->terminate();
            return 0;
        default:
            break;
        }
        break;
    case WM_ACTIVATE:
        // Activated through its taskbar button or the task switcher: the main window takes over.
        if (LOWORD(wp) != WA_INACTIVE)
            PostMessageW(hwnd, kActivateMain, 0, 0);
        break;
    case kRestoreMain:
        if (main) {
            ShowWindow(main, SW_RESTORE);
            SetForegroundWindow(main);
        }
        return 0;
    case kActivateMain:
        // A minimized main window stays so: the system activates this window when its owned
        // main window is minimized, and a restore comes as SC_RESTORE.
        if (main && IsWindowVisible(main) && !IsIconic(main) && GetForegroundWindow() == hwnd) {
            // A modal box or dialog over the main window keeps the front.
            const HWND popup = GetLastActivePopup(hwnd);
            SetForegroundWindow(popup && popup != hwnd && IsWindowVisible(popup) ? popup : main);
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
    // Every control is the toolkit's own or one of user32's: the common controls library is not
    // loaded (under Wine it took a tenth of the launch and 3 MiB); the file dialogs bring it.
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = appWindowProc;
    wc.hInstance = instance;
    wc.lpszClassName = L"TApplication";
    icon_ = LoadIconW(instance, L"MAINICON");
    smallIcon_ = static_cast<HICON>(LoadImageW(instance, L"MAINICON", IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                               GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
    wc.hIcon = icon_;
    wc.hIconSm = smallIcon_;
    RegisterClassExW(&wc);
    // A real top-level window that stands for the program; it is shown with no size once the
    // main window shows.
    window_ = CreateWindowExW(0, L"TApplication", wide(title).c_str(), WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                              0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
}

void Application::showInTaskbar()
{
    if (g_inTaskbar)
        return;
    g_inTaskbar = true;
    ShowWindow(window_, SW_SHOWNOACTIVATE);
}

Application::~Application()
{
    if (window_)
        DestroyWindow(window_);
    g_app = nullptr;
    g_inTaskbar = false;
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
    // Some systems keep WS_MINIMIZE against SetWindowLong; a restore (hidden until the main
    // window shows) clears it.
    g_clearingMinimized = true;
    ShowWindow(window_, SW_SHOWNOACTIVATE);
    g_clearingMinimized = false;
}

int Application::run()
{
    MSG msg;
    for (;;) {
        slovo::trace::idle();
        if (GetMessageW(&msg, nullptr, 0, 0) <= 0)
            break;
        if (handleDialogKey(msg))
            continue;
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
