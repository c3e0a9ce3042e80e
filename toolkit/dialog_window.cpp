// Modal dialog windows.
#include "toolkit/dialog_window.h"

#include "toolkit/application.h"

namespace tk {

DialogWindow::DialogWindow(const std::string& caption, int clientWidth, int clientHeight, COLORREF colour)
    : Control(nullptr, "Dialog"), colour_(colour)
{
    registerClass(L"TSlovoDialog", 0, nullptr, true);
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN | DS_MODALFRAME;
    const RECT r = windowRectForClient(scale(clientWidth), scale(clientHeight), style, WS_EX_DLGMODALFRAME, dpi());
    setBounds({0, 0, r.right - r.left, r.bottom - r.top});
    create(L"TSlovoDialog", style, WS_EX_DLGMODALFRAME, 0, caption);
}

void DialogWindow::centre()
{
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    Bounds b = bounds();
    b.x = work.left + (work.right - work.left - b.width) / 2;
    b.y = work.top + (work.bottom - work.top - b.height) / 2;
    setBounds(b);
}

Button& DialogWindow::addButton(const std::string& caption, const Bounds& bounds, int modalResult, bool isDefault,
                                bool isCancel, int id)
{
    buttons_.push_back(std::make_unique<Button>(this, caption, bounds, caption, id, true));
    Button& button = *buttons_.back();
    if (isDefault) {
        SendMessageW(button.handle(), BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
        default_ = &button;
        defaultResult_ = modalResult;
    }
    if (isCancel) {
        cancel_ = &button;
        cancelResult_ = modalResult;
    }
    button.onClick = [this, modalResult] { result_ = modalResult; };
    return button;
}

int DialogWindow::showModal(int closeResult)
{
    closeResult_ = closeResult;
    result_ = 0;
    Application& app = Application::instance();
    const HWND main = app.mainWindow();
    const bool disableMain = main && IsWindowEnabled(main);
    if (disableMain)
        EnableWindow(main, FALSE);
    ShowWindow(handle(), SW_SHOW);
    SetForegroundWindow(handle());
    SetFocus(default_ ? default_->handle() : handle());
    MSG msg;
    while (result_ == 0 && IsWindow(handle()) && GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_KEYDOWN && (msg.hwnd == handle() || IsChild(handle(), msg.hwnd))) {
            if (msg.wParam == VK_RETURN && default_) {
                result_ = defaultResult_;
                continue;
            }
            if (msg.wParam == VK_ESCAPE && cancel_) {
                result_ = cancelResult_;
                continue;
            }
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    if (disableMain) {
        EnableWindow(main, TRUE);
        SetActiveWindow(main);
    }
    ShowWindow(handle(), SW_HIDE);
    return result_;
}

LRESULT DialogWindow::handleMessage(UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_CLOSE:
        result_ = closeResult_;
        return 0;
    case WM_ERASEBKGND: {
        RECT r;
        GetClientRect(handle(), &r);
        FillRect(reinterpret_cast<HDC>(wp), &r, solidBrush(colour_));
        for (const Bounds& f : frames_) {
            RECT edge{scale(f.x), scale(f.y), scale(f.x + f.width), scale(f.y + f.height)};
            DrawEdge(reinterpret_cast<HDC>(wp), &edge, EDGE_ETCHED, BF_RECT);
        }
        return 1;
    }
    default:
        break;
    }
    return Control::handleMessage(msg, wp, lp);
}

} // namespace tk
