// Top-level form window.
#include "toolkit/form.h"

#include "toolkit/application.h"

namespace tk {

Form::Form(const wchar_t* className, std::string name) : Control(nullptr, std::move(name)), className_(className) {}

void Form::createWindow(const std::string& caption, int clientWidth, int clientHeight, COLORREF colour)
{
    colour_ = colour;
    registerClass(className_, CS_DBLCLKS, nullptr);
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
    RECT r{0, 0, clientWidth, clientHeight};
    AdjustWindowRectEx(&r, style, FALSE, 0);
    setBounds({CW_USEDEFAULT, CW_USEDEFAULT, r.right - r.left, r.bottom - r.top});
    create(className_, style, 0, 0, caption);
}

void Form::show()
{
    ShowWindow(handle(), SW_SHOW);
    if (onShow)
        onShow();
    UpdateWindow(handle());
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
    case WM_SIZE:
        if (Application::instance().mainWindow() == handle() && (wp == SIZE_MINIMIZED || wp == SIZE_RESTORED))
            Application::instance().noteMainWindowMinimized(wp == SIZE_MINIMIZED);
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
