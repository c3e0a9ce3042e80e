// Toolkit-drawn buttons.
#include "toolkit/tool_button.h"

#include "toolkit/core/plain_markup.h"
#include "toolkit/markup_painter.h"
#include "toolkit/picture.h"
#include "common/win32/text.h"

#include <windowsx.h>

#include <algorithm>

namespace tk {

ToolButton::ToolButton(Control* parent, std::string name, const Bounds& bounds, const std::string& caption, int id,
                       ButtonLook look)
    : Control(parent, std::move(name)), look_(look)
{
    registerClass(L"TSlovoToolButton", CS_DBLCLKS, nullptr);
    setBounds(bounds);
    // Push buttons take the focus by Tab, as in a dialog; toolbar and caption-bar buttons do not.
    create(L"TSlovoToolButton", WS_VISIBLE | (look == ButtonLook::Push ? WS_TABSTOP : 0), 0, id, caption);
    setSelfPainted();
}

void ToolButton::setGlyph(Picture* glyph)
{
    glyph_ = glyph;
    invalidate();
}

void ToolButton::setSymbol(Symbol symbol)
{
    symbol_ = symbol;
    invalidate();
}

void ToolButton::click()
{
    if (enabled() && onClick)
        onClick();
}

void ToolButton::paint(HDC dc)
{
    RECT r;
    GetClientRect(handle(), &r);
    const bool on = enabled();
    if (look_ == ButtonLook::Push) {
        FillRect(dc, &r, solidBrush(GetSysColor(COLOR_BTNFACE)));
        RECT edge = r;
        if (default_ || GetFocus() == handle()) {
            FrameRect(dc, &edge, solidBrush(GetSysColor(COLOR_WINDOWFRAME)));
            InflateRect(&edge, -1, -1);
        }
        DrawEdge(dc, &edge, pressed_ && hover_ ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
    } else {
        FillRect(dc, &r, solidBrush(parent() ? parent()->backgroundColour() : GetSysColor(COLOR_BTNFACE)));
        if (on && (hover_ || pressed_)) {
            RECT box = r;
            FillRect(dc, &box, solidBrush(pressed_ && hover_ ? RGB(196, 206, 235) : RGB(224, 230, 248)));
            FrameRect(dc, &box, solidBrush(RGB(120, 134, 190)));
        }
    }
    const int shift = pressed_ && hover_ ? scale(1) : 0;

    if (symbol_ != Symbol::None) {
        const HPEN pen = CreatePen(PS_SOLID, scale(2), on ? RGB(40, 40, 70) : GetSysColor(COLOR_GRAYTEXT));
        const HGDIOBJ old = SelectObject(dc, pen);
        const int cx = (r.right - r.left) / 2 + shift, cy = (r.bottom - r.top) / 2 + shift;
        const int s4 = scale(4);
        if (symbol_ == Symbol::Close) {
            MoveToEx(dc, cx - s4, cy - s4, nullptr);
            LineTo(dc, cx + s4, cy + s4);
            MoveToEx(dc, cx + s4, cy - s4, nullptr);
            LineTo(dc, cx - s4, cy + s4);
        } else {
            const int d = symbol_ == Symbol::Fold ? -1 : 1;
            MoveToEx(dc, cx - s4, cy - scale(2) * d, nullptr);
            LineTo(dc, cx, cy + scale(2) * d);
            LineTo(dc, cx + scale(5), cy - scale(3) * d);
        }
        SelectObject(dc, old);
        DeleteObject(pen);
        return;
    }

    if (look_ == ButtonLook::Push) {
        // The caption is markup, centred on the button and cut with an ellipsis.
        MarkupStyle style;
        style.wordWrap = false;
        style.font.colour = on ? 0x80000000u + COLOR_BTNTEXT : 0x80000000u + COLOR_GRAYTEXT;
        style.dpi = dpi();
        const RECT inner{r.left + scale(3), r.top, r.right - scale(3), r.bottom};
        const auto m = measureMarkup(dc, text(), inner, style);
        const int left = inner.left + std::max(0, static_cast<int>((inner.right - inner.left - m.width) / 2)) - scale(1) + shift;
        const int top = std::max(0, static_cast<int>((r.bottom - r.top - m.height) / 2)) + shift;
        paintMarkup(dc, text(), RECT{left, top, inner.right, top + m.height}, style);
        return;
    }
    const std::wstring caption = wide(stripMarkup(text()));
    const HGDIOBJ oldFont = SelectObject(dc, defaultFont(dpi()));
    SIZE extent{};
    GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &extent);
    const Picture* glyph = glyph_ ? &glyph_->atDpi(dpi()) : nullptr;
    const int glyphW = glyph ? glyph->width() : 0;
    const int gap = glyph && !caption.empty() ? scale(4) : 0;
    const int total = glyphW + gap + extent.cx;
    int x = (r.right - r.left - total) / 2 + shift;
    if (glyph) {
        glyph->draw(dc, x, (r.bottom - r.top - glyph->height()) / 2 + shift, 0, on ? 255 : 90);
        x += glyphW + gap;
    }
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, on ? GetSysColor(COLOR_BTNTEXT) : GetSysColor(COLOR_GRAYTEXT));
    RECT textRect{x, r.top + shift, r.right, r.bottom + shift};
    DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &textRect, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, oldFont);
}

LRESULT ToolButton::handleMessage(UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_MOUSEMOVE || msg == WM_MOUSELEAVE || msg == WM_LBUTTONDOWN)
        trackHint(msg);
    switch (msg) {
    case WM_MOUSEMOVE: {
        RECT r;
        GetClientRect(handle(), &r);
        const POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
        const bool inside = PtInRect(&r, p) != FALSE;
        if (inside != hover_) {
            hover_ = inside;
            InvalidateRect(handle(), nullptr, FALSE);
        }
        TRACKMOUSEEVENT tme{sizeof tme, TME_LEAVE, handle(), 0};
        TrackMouseEvent(&tme);
        return 0;
    }
    case WM_MOUSELEAVE:
        hover_ = false;
        InvalidateRect(handle(), nullptr, FALSE);
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        pressed_ = true;
        hover_ = true;
        if (look_ == ButtonLook::Push)
            SetFocus(handle());
        SetCapture(handle());
        InvalidateRect(handle(), nullptr, FALSE);
        return 0;
    case WM_LBUTTONUP: {
        const bool fire = pressed_ && hover_;
        pressed_ = false;
        ReleaseCapture();
        InvalidateRect(handle(), nullptr, FALSE);
        if (fire)
            click();
        return 0;
    }
    case WM_CAPTURECHANGED:
        pressed_ = false;
        InvalidateRect(handle(), nullptr, FALSE);
        return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        InvalidateRect(handle(), nullptr, FALSE);
        return 0;
    case WM_KEYDOWN:
        if (wp == VK_RETURN || wp == VK_SPACE) {
            click();
            return 0;
        }
        break;
    case BM_CLICK:
        click();
        return 0;
    case WM_ENABLE:
        InvalidateRect(handle(), nullptr, FALSE);
        return 0;
    default:
        break;
    }
    return Control::handleMessage(msg, wp, lp);
}

} // namespace tk
