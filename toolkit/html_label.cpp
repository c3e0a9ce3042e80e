// Markup labels with links.
#include "toolkit/html_label.h"

#include "toolkit/picture.h"
#include "common/win32/text.h"

#include <shellapi.h>
#include <windowsx.h>

namespace tk {

HtmlLabel::HtmlLabel(Control* parent, std::string name, const Bounds& bounds, const MarkupStyle& style, int id)
    : Control(parent, std::move(name)), style_(style)
{
    registerClass(L"THTMLabel", 0, nullptr);
    setBounds(bounds);
    create(L"THTMLabel", WS_VISIBLE, 0, id, "");
    setSelfPainted();
}

fx::MarkupResult HtmlLabel::layout(HDC dc, bool measure, int probeX, int probeY, bool hitTest)
{
    RECT r;
    GetClientRect(handle(), &r);
    GdiSurface surface(dc, style_.font, dpi());
    const std::string source = text();
    fx::MarkupRequest q = markupRequest(source, RECT{r.left, r.top, r.right, measure ? 100000 : r.bottom}, style_);
    q.images = images_;
    q.measureOnly = measure;
    q.hitTestOnly = hitTest;
    q.probeX = probeX;
    q.probeY = probeY;
    return fx::DrawMarkup(surface, q);
}

void HtmlLabel::setFontColour(uint32_t colour)
{
    style_.font.colour = colour;
    invalidate();
}

void HtmlLabel::autoSize()
{
    const HDC dc = GetDC(handle());
    const fx::MarkupResult m = layout(dc, true, -1, -1, false);
    ReleaseDC(handle(), dc);
    // The bounds are at 96 DPI; the text's height at the label's own is rounded up.
    Bounds b = bounds();
    b.height = (m.height * kBaseDpi + dpi() - 1) / dpi();
    setBounds(b);
}

void HtmlLabel::paint(HDC dc)
{
    RECT r;
    GetClientRect(handle(), &r);
    FillRect(dc, &r, solidBrush(parent() ? parent()->backgroundColour() : GetSysColor(COLOR_BTNFACE)));
    layout(dc, false, -1, -1, false);
}

LRESULT HtmlLabel::handleMessage(UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_MOUSEMOVE: {
        const HDC dc = GetDC(handle());
        const fx::MarkupResult hit = layout(dc, false, GET_X_LPARAM(lp), GET_Y_LPARAM(lp), true);
        ReleaseDC(handle(), dc);
        const std::string anchor = hit.hit ? hit.anchor : std::string();
        if (anchor != overAnchor_) {
            if (!overAnchor_.empty() && OnAnchorExit)
                OnAnchorExit(overAnchor_);
            overAnchor_ = anchor;
            if (!anchor.empty() && OnAnchorEnter)
                OnAnchorEnter(anchor);
        }
        SetCursor(LoadCursorW(nullptr, anchor.empty() ? IDC_ARROW : IDC_HAND));
        break;
    }
    case WM_SETCURSOR:
        if (!overAnchor_.empty()) {
            SetCursor(LoadCursorW(nullptr, IDC_HAND));
            return TRUE;
        }
        break;
    case WM_LBUTTONDOWN:
        if (!overAnchor_.empty()) {
            const std::string target = overAnchor_;
            if (target.find("://") != std::string::npos || target.find("mailto:") != std::string::npos)
                ShellExecuteW(nullptr, L"open", wide(target).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
            else if (OnAnchorClick)
                OnAnchorClick(target);
            return 0;
        }
        break;
    default:
        break;
    }
    return Control::handleMessage(msg, wp, lp);
}

ResourceImageList& ResourceImageList::editorImages()
{
    static ResourceImageList images;
    return images;
}

void ResourceImageList::drawImage(int index, fx::MarkupSurface& surface, int x, int y)
{
    const std::wstring name = L"imagelist" + std::to_wstring(index) + L".gif";
    if (const Picture* p = Picture::shared(name))
        p->atDpi(surface.pixelsPerInch()).draw(static_cast<GdiSurface&>(surface).dc(), x, y);
}

} // namespace tk
