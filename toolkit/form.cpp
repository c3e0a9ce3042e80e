// Top-level form window.
#include "toolkit/form.h"

#include "toolkit/application.h"

#include "common/win32/start_trace.h"

namespace tk {

Form::Form(const wchar_t* className, std::string name) : Control(nullptr, std::move(name)), className_(className) {}

void Form::createWindow(const std::string& caption, int clientWidth, int clientHeight, COLORREF colour)
{
    colour_ = colour;
    registerClass(className_, CS_DBLCLKS, nullptr, true);
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
    const RECT r = windowRectForClient(scale(clientWidth), scale(clientHeight), style, 0, dpi());
    setBounds({CW_USEDEFAULT, CW_USEDEFAULT, r.right - r.left, r.bottom - r.top});
    create(className_, style, 0, 0, caption);
    // The system places the window, maybe on a monitor of another DPI than the system's.
    if (const int actual = windowDpi(handle()); actual != dpi()) {
        setDpi(actual);
        const RECT sized = windowRectForClient(scale(clientWidth), scale(clientHeight), style, 0, actual);
        SetWindowPos(handle(), nullptr, 0, 0, sized.right - sized.left, sized.bottom - sized.top,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void Form::show()
{
    if (onShow)
        onShow();
    slovo::trace::mark("show: OnShow handlers");
    const int cmd = pendingState_ == wsMinimized ? SW_SHOWMINIMIZED : pendingState_ == wsMaximized ? SW_SHOWMAXIMIZED : SW_SHOW;
    if (Application::instance().mainWindow() == handle())
        Application::instance().showInTaskbar();
    slovo::trace::mark("show: application window in the taskbar");
    ShowWindow(handle(), cmd);
    slovo::trace::mark("show: ShowWindow");
    UpdateWindow(handle());
    slovo::trace::mark("show: UpdateWindow");
}

void Form::setShowHint(bool on)
{
    showHint_ = on;
    if (onShowHintChanged)
        onShowHintChanged(on);
}

int Form::windowState() const
{
    // A window being destroyed is hidden first but keeps its minimized or maximized state.
    if (IsIconic(handle()))
        return wsMinimized;
    if (IsZoomed(handle()))
        return wsMaximized;
    return IsWindowVisible(handle()) ? wsNormal : pendingState_;
}

void Form::setWindowState(int state)
{
    if (!IsWindowVisible(handle())) {
        pendingState_ = state;
        return;
    }
    ShowWindow(handle(), state == wsMinimized ? SW_MINIMIZE : state == wsMaximized ? SW_MAXIMIZE : SW_RESTORE);
}

Persistent* Form::ownedComponent(const std::string& name)
{
    for (const auto& [key, component] : owned_)
        if (enumValueOf({key}, name) == 0)
            return component;
    return nullptr;
}

std::vector<PropInfo>& Form::properties()
{
    if (properties_.empty()) {
        const auto windowRect = [this] {
            RECT r{};
            GetWindowRect(handle(), &r);
            return r;
        };
        PropInfo left;
        left.name = "Left";
        left.kind = PropKind::Integer;
        left.getOrdinal = [windowRect] { return int64_t{windowRect().left}; };
        left.setOrdinal = [this, windowRect](int64_t v) {
            SetWindowPos(handle(), nullptr, static_cast<int>(v), windowRect().top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        };
        PropInfo top;
        top.name = "Top";
        top.kind = PropKind::Integer;
        top.getOrdinal = [windowRect] { return int64_t{windowRect().top}; };
        top.setOrdinal = [this, windowRect](int64_t v) {
            SetWindowPos(handle(), nullptr, windowRect().left, static_cast<int>(v), 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        };
        PropInfo hint;
        hint.name = "ShowHint";
        hint.kind = PropKind::Enumeration;
        hint.valueNames = {"False", "True"};
        hint.getOrdinal = [this] { return int64_t{showHint_ ? 1 : 0}; };
        hint.setOrdinal = [this](int64_t v) { setShowHint(v != 0); };
        PropInfo state;
        state.name = "WindowState";
        state.kind = PropKind::Enumeration;
        state.valueNames = {"wsNormal", "wsMinimized", "wsMaximized"};
        state.getOrdinal = [this] { return int64_t{windowState()}; };
        state.setOrdinal = [this](int64_t v) { setWindowState(static_cast<int>(v)); };
        properties_ = {left, top, hint, state};
    }
    return properties_;
}

LRESULT Form::handleMessage(UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_ERASEBKGND: {
        RECT r;
        GetClientRect(handle(), &r);
        FillRect(reinterpret_cast<HDC>(wp), &r, solidBrush(colour_));
        return 1;
    }
    case WM_ACTIVATE:
        if (LOWORD(wp) != WA_INACTIVE && onActivate) {
            const LRESULT result = defaultProc(msg, wp, lp);
            onActivate();
            return result;
        }
        break;
    case WM_COMMAND:
        if (lp == 0 && HIWORD(wp) == 0 && onMenuCommand) {
            onMenuCommand(LOWORD(wp));
            return 0;
        }
        break;
    case WM_WINDOWPOSCHANGED:
        if (Application::instance().mainWindow() == handle())
            Application::instance().noteMainWindowMinimized(IsIconic(handle()) != FALSE);
        break;
    case WM_CLOSE:
        if (onClose)
            onClose();
        DestroyWindow(handle());
        return 0;
    case WM_DESTROY:
        if (onDestroy)
            onDestroy();
        if (Application::instance().mainWindow() == handle())
            PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    return Control::handleMessage(msg, wp, lp);
}

} // namespace tk
