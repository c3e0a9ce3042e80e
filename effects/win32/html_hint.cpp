// The hint window: measured with the markup engine, a rounded region, a grey frame.
#include "effects/win32/html_hint.h"

#include "common/error.h"
#include "toolkit/application.h"
#include "common/win32/text.h"

#include <set>

namespace fx {

namespace {
std::set<tk::Form*>& formsWithHint()
{
    static std::set<tk::Form*> forms;
    return forms;
}
} // namespace

THTMLHint::THTMLHint(tk::Control* owner) : form_(dynamic_cast<tk::Form*>(owner)), window_(*this)
{
    if (!form_)
        throw slovo::Error("Control parent must be a form!");
    if (!formsWithHint().insert(form_).second)
        throw slovo::Error("Only one instance of THTMLHint allowed on form");
}

THTMLHint::~THTMLHint()
{
    formsWithHint().erase(form_);
}

THTMLHintWindow::THTMLHintWindow(THTMLHint& settings) : settings_(settings) {}

void THTMLHintWindow::createWindow()
{
    const HINSTANCE module = tk::Application::instance().module();
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    if (!GetClassInfoExW(module, L"THTMLHintWindow", &wc)) {
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = windowProc;
        wc.hInstance = module;
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.lpszClassName = L"THTMLHintWindow";
        RegisterClassExW(&wc);
    }
    // No border; topmost, never activated. Layered and transparent, it takes no mouse input at
    // all: a click on it lands on the control beneath (answering the hit test alone does not
    // carry the click to another window under Wine).
    hwnd_ = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE | WS_EX_LAYERED | WS_EX_TRANSPARENT,
                            L"THTMLHintWindow", L"", WS_POPUP, 0, 0, 0, 0, tk::Application::instance().handle(), nullptr,
                            module, nullptr);
    SetLayeredWindowAttributes(hwnd_, 0, 255, LWA_ALPHA);
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

THTMLHintWindow::~THTMLHintWindow()
{
    if (hwnd_)
        DestroyWindow(hwnd_);
}

int THTMLHintWindow::scale(int value) const
{
    return tk::scaled(value, settings_.dpi());
}

tk::MarkupStyle THTMLHintWindow::style() const
{
    tk::MarkupStyle s;
    s.font = settings_.HintFont;
    s.wordWrap = false;
    s.shadowColour = settings_.ShadowColor;
    s.shadowOffset = scale(settings_.ShadowOffset);
    s.linkColour = settings_.URLColor;
    s.dpi = settings_.dpi();
    return s;
}

void THTMLHintWindow::showHint(const std::string& markup, POINT cursor)
{
    // A top-level window costs much to make: the first hint makes it, not the program's start.
    if (!hwnd_)
        createWindow();
    if (IsWindowVisible(hwnd_))
        ShowWindow(hwnd_, SW_HIDE);
    text_ = markup;
    SetWindowTextW(hwnd_, tk::wide(markup).c_str());

    const HDC dc = GetDC(hwnd_);
    const int left = cursor.x;
    const MarkupResult m = tk::measureMarkup(dc, markup, RECT{left, 0, left + scale(kMaxHintWidth - 16), scale(1000)}, style());
    ReleaseDC(hwnd_, dc);
    measuredHeight_ = m.height;
    const int width = m.width + scale(2 * settings_.XMargin + 16);
    const int height = m.height + scale(2 * settings_.YMargin + 4);

    int x = cursor.x;
    int y = cursor.y + GetSystemMetrics(SM_CYCURSOR) * 3 / 4;
    const int screenW = GetSystemMetrics(SM_CXSCREEN), screenH = GetSystemMetrics(SM_CYSCREEN);
    if (x + width > screenW)
        x = screenW - width - 2;
    if (y + height > screenH)
        y = screenH - height - 2;
    if (settings_.HintStyle == HintStyle::hsRounded)
        SetWindowRgn(hwnd_, CreateRoundRectRgn(0, 0, width, height, scale(16), scale(16)), FALSE);
    else
        SetWindowRgn(hwnd_, nullptr, FALSE);
    SetWindowPos(hwnd_, HWND_TOPMOST, x, y, width, height, SWP_NOACTIVATE | SWP_SHOWWINDOW);
    InvalidateRect(hwnd_, nullptr, TRUE);
}

void THTMLHintWindow::hideHint()
{
    if (hwnd_)
        ShowWindow(hwnd_, SW_HIDE);
}

void THTMLHintWindow::paint(HDC dc)
{
    RECT r;
    GetClientRect(hwnd_, &r);
    const HBRUSH back = CreateSolidBrush(tk::resolveColour(settings_.HintColor));
    FillRect(dc, &r, back);
    DeleteObject(back);
    if (settings_.HintStyle == HintStyle::hsRounded) {
        const HPEN pen = CreatePen(PS_SOLID, 1, RGB(0x80, 0x80, 0x80));
        const HGDIOBJ oldPen = SelectObject(dc, pen);
        const HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
        RoundRect(dc, r.left, r.top, r.right - 1, r.bottom - 1, scale(16), scale(16));
        SelectObject(dc, oldBrush);
        SelectObject(dc, oldPen);
        DeleteObject(pen);
    } else {
        RECT edge = r;
        DrawEdge(dc, &edge, BDR_RAISEDINNER, BF_RECT);
    }
    const int block = measuredHeight_ + scale(2 * settings_.YMargin);
    RECT text{r.left + scale(settings_.XMargin + 4), r.top + (r.bottom - r.top - block) / 2 + scale(settings_.YMargin),
              r.right - scale(4), 0};
    text.bottom = text.top + block + scale(8);
    tk::paintMarkup(dc, text_, text, style());
}

LRESULT CALLBACK THTMLHintWindow::windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    auto* self = reinterpret_cast<THTMLHintWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    switch (msg) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        if (self) {
            PAINTSTRUCT ps;
            const HDC dc = BeginPaint(hwnd, &ps);
            try {
                self->paint(dc);
            } catch (...) {
            }
            EndPaint(hwnd, &ps);
            return 0;
        }
        break;
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    case WM_NCHITTEST:
        return HTTRANSPARENT;
    default:
        break;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

} // namespace fx
