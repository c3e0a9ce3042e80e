// The application object: the hidden application window with the title, the message loop, the
// central error box and message boxes centred over their owner.
#pragma once

#include <windows.h>

#include <exception>
#include <string>

namespace tk {

enum class BoxIcon { Information, Warning, Error, Question };

class Application {
public:
    Application(HINSTANCE instance, const std::string& title);
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    static Application& instance();

    HINSTANCE module() const { return module_; }
    HWND handle() const { return window_; }
    // The program's icon at the system's two sizes, loaded once for every top-level class.
    HICON icon() const { return icon_; }
    HICON smallIcon() const { return smallIcon_; }
    const std::string& title() const { return title_; }

    // The main window ends the loop when it is destroyed.
    void setMainWindow(HWND window) { mainWindow_ = window; }
    HWND mainWindow() const { return mainWindow_; }

    // The application window stands for the program: it is its one taskbar button, shown with
    // the main window; minimizing the main window marks it minimized, and restoring it (through
    // the taskbar, its window menu or another instance) restores the main window.
    void showInTaskbar();
    void noteMainWindowMinimized(bool minimized);

    int run();
    // Orderly end: the main window is closed (and destroyed), which ends the loop.
    void terminate();

    // The central error box: message, full-stop rule, application title, error icon, one OK.
    void showError(const std::string& message);
    // Any exception escaping a handler ends here; callbacks call it from their catch blocks.
    void handleException(std::exception_ptr error);

    // A modal message box centred over the main window; returns IDOK, IDCANCEL, ...
    // The box is owned by the application window, so it is the application's last active pop-up,
    // and the main window is disabled while it shows.
    int messageBox(const std::string& text, const std::string& caption, BoxIcon icon, UINT buttons);

private:
    HINSTANCE module_;
    std::string title_;
    HWND window_ = nullptr;
    HWND mainWindow_ = nullptr;
    HICON icon_ = nullptr;
    HICON smallIcon_ = nullptr;
};

} // namespace tk
