// Window creation, message dispatch and the common properties of every control.
#include "toolkit/control.h"

#include "toolkit/application.h"
#include "toolkit/hints.h"
#include "toolkit/html_list_box.h"
#include "toolkit/menu.h"
#include "common/win32/text.h"

#include <map>
#include <tuple>
#include <unordered_map>

namespace tk {

namespace {

// Each window's object, kept in the process: storing it in the window (user data) is a server
// round trip under Wine for every control made and every one destroyed.
std::unordered_map<HWND, Control*>& objects()
{
    static std::unordered_map<HWND, Control*> map;
    return map;
}

void forget(HWND hwnd, const Control* control)
{
    const auto it = objects().find(hwnd);
    if (it != objects().end() && it->second == control)
        objects().erase(it);
}

} // namespace

HBRUSH solidBrush(COLORREF colour)
{
    // A handful of colours for the whole run; kept until the process ends.
    static std::map<COLORREF, HBRUSH> brushes;
    HBRUSH& brush = brushes[colour];
    if (!brush)
        brush = CreateSolidBrush(colour);
    return brush;
}

HFONT sharedFont(const std::wstring& face, int pixelHeight, bool bold, int dpi)
{
    pixelHeight = scaled(pixelHeight, dpi);
    // MS Sans Serif is a bitmap face with its sizes drawn for 96 DPI, offered only on a screen of
    // 96 DPI; elsewhere the system would pick a wider substitute, so its outline successor,
    // Tahoma, scales with the layout.
    const bool bitmapFace = dpi == kBaseDpi && systemDpi() == kBaseDpi;
    const std::wstring& chosen = !bitmapFace && face == L"MS Sans Serif" ? L"Tahoma" : face;
    static std::map<std::tuple<std::wstring, int, bool>, HFONT> fonts;
    HFONT& font = fonts[{chosen, pixelHeight, bold}];
    if (!font)
        font = CreateFontW(-pixelHeight, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, RUSSIAN_CHARSET,
                           OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, chosen.c_str());
    return font;
}

HFONT defaultFont(int dpi)
{
    return sharedFont(L"MS Sans Serif", 11, false, dpi);
}

Control::Control(Control* parent, std::string name)
    : parent_(parent), name_(std::move(name)), dpi_(parent ? parent->dpi() : systemDpi())
{
}

Control::~Control()
{
    if (hwnd_) {
        forget(hwnd_, this);
        if (systemProc_)
            SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(systemProc_));
        DestroyWindow(hwnd_);
    }
}

void Control::registerClass(const wchar_t* className, UINT classStyle, HCURSOR cursor, bool topLevel)
{
    static const HCURSOR arrow = LoadCursorW(nullptr, IDC_ARROW);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    if (GetClassInfoExW(Application::instance().module(), className, &wc))
        return;
    wc.cbSize = sizeof wc;
    wc.style = classStyle;
    wc.lpfnWndProc = windowProc;
    wc.hInstance = Application::instance().module();
    wc.hCursor = cursor ? cursor : arrow;
    // Only a top-level window shows an icon. Both sizes are given: a class with the large one
    // alone has the system make a small copy at every registration (a millisecond under Wine).
    if (topLevel) {
        wc.hIcon = Application::instance().icon();
        wc.hIconSm = Application::instance().smallIcon();
    }
    wc.lpszClassName = className;
    RegisterClassExW(&wc);
}

void Control::create(const wchar_t* className, DWORD style, DWORD exStyle, int id, const std::string& text)
{
    const HWND parentWindow = parent_ ? parent_->handle() : Application::instance().handle();
    if (parent_)
        style |= WS_CHILD | WS_CLIPSIBLINGS;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    const bool ours = GetClassInfoExW(Application::instance().module(), className, &wc) && wc.lpfnWndProc == windowProc;
    const Bounds b = deviceBounds();
    hwnd_ = CreateWindowExW(exStyle, className, wide(text).c_str(), style, b.x, b.y, b.width, b.height, parentWindow,
                            parent_ ? reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)) : nullptr,
                            Application::instance().module(), ours ? this : nullptr);
    // Our own classes are known from WM_NCCREATE on; a system class's window from here.
    if (!ours) {
        objects()[hwnd_] = this;
        systemProc_ = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(subclassProc)));
        SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(defaultFont(dpi_)), FALSE);
    }
}

Bounds Control::deviceBounds() const
{
    if (!parent_)
        return bounds_;
    // Edges are scaled, not sizes: controls that touch at 96 DPI touch at every DPI.
    const int left = scale(bounds_.x), top = scale(bounds_.y);
    return {left, top, scale(bounds_.x + bounds_.width) - left, scale(bounds_.y + bounds_.height) - top};
}

void Control::setDpi(int dpi)
{
    applyDpi(dpi);
    if (!hwnd_)
        return;
    // Every descendant, whatever its depth; a child's place is relative to its parent, so the
    // order does not matter.
    EnumChildWindows(hwnd_, applyDpiToChild, dpi);
    InvalidateRect(hwnd_, nullptr, TRUE);
}

BOOL CALLBACK Control::applyDpiToChild(HWND child, LPARAM dpi)
{
    if (Control* control = fromHandle(child))
        control->applyDpi(static_cast<int>(dpi));
    return TRUE;
}

void Control::applyDpi(int dpi)
{
    dpi_ = dpi;
    if (!hwnd_)
        return;
    if (parent_) {
        const Bounds b = deviceBounds();
        SetWindowPos(hwnd_, nullptr, b.x, b.y, b.width, b.height, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (systemProc_)
        SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(defaultFont(dpi_)), FALSE);
    dpiChanged();
}

Control* Control::fromHandle(HWND hwnd)
{
    if (!hwnd)
        return nullptr;
    const auto it = objects().find(hwnd);
    return it == objects().end() ? nullptr : it->second;
}

LRESULT CALLBACK Control::windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_NCCREATE) {
        auto* self = static_cast<Control*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        self->hwnd_ = hwnd;
        objects()[hwnd] = self;
    }
    Control* self = fromHandle(hwnd);
    if (!self)
        return DefWindowProcW(hwnd, msg, wp, lp);
    return dispatch(self, hwnd, msg, wp, lp);
}

LRESULT Control::dispatch(Control* self, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    LRESULT result = 0;
    try {
        result = self->handleMessage(msg, wp, lp);
    } catch (...) {
        Application::instance().handleException(std::current_exception());
    }
    if (msg == WM_NCDESTROY)
        forget(hwnd, self);
    return result;
}

LRESULT CALLBACK Control::subclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    Control* self = fromHandle(hwnd);
    if (!self)
        return DefWindowProcW(hwnd, msg, wp, lp);
    return dispatch(self, hwnd, msg, wp, lp);
}

LRESULT Control::defaultProc(UINT msg, WPARAM wp, LPARAM lp)
{
    if (systemProc_)
        return CallWindowProcW(systemProc_, hwnd_, msg, wp, lp);
    return DefWindowProcW(hwnd_, msg, wp, lp);
}

LRESULT Control::handleMessage(UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_ERASEBKGND:
        if (selfPainted_)
            return 1;
        break;
    case WM_PAINT:
        if (selfPainted_) {
            PAINTSTRUCT ps;
            const HDC dc = BeginPaint(hwnd_, &ps);
            paint(dc);
            EndPaint(hwnd_, &ps);
            return 0;
        }
        break;
    case WM_MOUSEMOVE:
    case WM_MOUSELEAVE:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
        trackHint(msg);
        break;
    case WM_SETTEXT:
        if (selfPainted_) {
            // The text shows at once, whoever set it.
            const LRESULT result = defaultProc(msg, wp, lp);
            invalidate(false);
            return result;
        }
        break;
    case WM_COMMAND:
        if (Control* child = fromHandle(reinterpret_cast<HWND>(lp)); child && child != this) {
            child->command(HIWORD(wp));
            return 0;
        }
        break;
    case WM_MEASUREITEM:
    case WM_DRAWITEM: {
        // Owner-drawn menu items of a menu this window tracks, and owner-drawn children, draw themselves.
        const UINT type = msg == WM_MEASUREITEM ? reinterpret_cast<MEASUREITEMSTRUCT*>(lp)->CtlType
                                                : reinterpret_cast<DRAWITEMSTRUCT*>(lp)->CtlType;
        if (type == ODT_MENU) {
            const ULONG_PTR data = msg == WM_MEASUREITEM ? reinterpret_cast<MEASUREITEMSTRUCT*>(lp)->itemData
                                                         : reinterpret_cast<DRAWITEMSTRUCT*>(lp)->itemData;
            if (const MenuItem* item = MenuItem::fromItemData(data)) {
                if (msg == WM_MEASUREITEM)
                    item->measure(*reinterpret_cast<MEASUREITEMSTRUCT*>(lp), dpi_);
                else
                    item->draw(*reinterpret_cast<DRAWITEMSTRUCT*>(lp), dpi_);
                return TRUE;
            }
            break;
        }
        const UINT id = msg == WM_MEASUREITEM ? reinterpret_cast<MEASUREITEMSTRUCT*>(lp)->CtlID
                                              : reinterpret_cast<DRAWITEMSTRUCT*>(lp)->CtlID;
        if (auto* list = dynamic_cast<HtmlListBox*>(fromHandle(GetDlgItem(hwnd_, static_cast<int>(id))))) {
            if (msg == WM_MEASUREITEM)
                list->measureItem(*reinterpret_cast<MEASUREITEMSTRUCT*>(lp));
            else
                list->drawItem(*reinterpret_cast<DRAWITEMSTRUCT*>(lp));
            return TRUE;
        }
        break;
    }
    case WM_DPICHANGED:
        // A top-level window moved to a monitor of another DPI: the layout follows, in the
        // rectangle the system suggests.
        if (!parent_) {
            setDpi(HIWORD(wp));
            const RECT* suggested = reinterpret_cast<const RECT*>(lp);
            SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                         suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
            return 0;
        }
        break;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
        const COLORREF colour = backgroundColour();
        SetBkColor(reinterpret_cast<HDC>(wp), colour);
        return reinterpret_cast<LRESULT>(solidBrush(colour));
    }
    default:
        break;
    }
    return defaultProc(msg, wp, lp);
}

void Control::trackHint(UINT msg)
{
    if (hint_.empty())
        return;
    if (msg == WM_MOUSEMOVE)
        Hints::mouseOver(*this);
    else
        Hints::mouseGone(*this);
}

COLORREF Control::backgroundColour() const
{
    return parent_ ? parent_->backgroundColour() : GetSysColor(COLOR_BTNFACE);
}

void Control::setBounds(const Bounds& b)
{
    bounds_ = b;
    if (hwnd_) {
        const Bounds d = deviceBounds();
        SetWindowPos(hwnd_, nullptr, d.x, d.y, d.width, d.height, SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void Control::setVisible(bool v)
{
    if (hwnd_ && visible() != v)
        ShowWindow(hwnd_, v ? SW_SHOWNA : SW_HIDE);
}

bool Control::visible() const
{
    return hwnd_ && (GetWindowLongW(hwnd_, GWL_STYLE) & WS_VISIBLE);
}

void Control::setEnabled(bool e)
{
    if (hwnd_ && enabled() != e)
        EnableWindow(hwnd_, e);
}

bool Control::enabled() const
{
    return hwnd_ && IsWindowEnabled(hwnd_);
}

void Control::setText(const std::string& t)
{
    if (hwnd_ && text() != t) {
        SetWindowTextW(hwnd_, wide(t).c_str());
        // A control that paints itself was marked by its WM_SETTEXT already.
        if (!selfPainted_)
            invalidate();
    }
}

std::string Control::text() const
{
    if (!hwnd_)
        return {};
    std::wstring buf(static_cast<size_t>(GetWindowTextLengthW(hwnd_)) + 1, L'\0');
    buf.resize(static_cast<size_t>(GetWindowTextW(hwnd_, buf.data(), static_cast<int>(buf.size()))));
    return narrow(buf);
}

void Control::invalidate(bool erase)
{
    // A window not on screen is painted whole when it shows: marking it costs a server round
    // trip under Wine and gains nothing, which adds up over the controls made at start.
    if (hwnd_ && IsWindowVisible(hwnd_))
        InvalidateRect(hwnd_, nullptr, erase ? TRUE : FALSE);
}

DrawingHeld::DrawingHeld(Control& control)
{
    // A control not on screen is painted whole when it shows anyway.
    if (IsWindowVisible(control.handle())) {
        held_ = control.handle();
        SendMessageW(held_, WM_SETREDRAW, FALSE, 0);
    }
}

DrawingHeld::~DrawingHeld()
{
    if (!held_)
        return;
    SendMessageW(held_, WM_SETREDRAW, TRUE, 0);
    RedrawWindow(held_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

void Control::bringToFront()
{
    if (hwnd_)
        SetWindowPos(hwnd_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void Control::placeBelow(const Control& sibling)
{
    if (hwnd_ && sibling.handle())
        SetWindowPos(hwnd_, sibling.handle(), 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

} // namespace tk
