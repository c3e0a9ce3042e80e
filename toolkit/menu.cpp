// Popup menus with owner-drawn items.
#include "toolkit/menu.h"

#include "toolkit/dpi.h"
#include "toolkit/picture.h"
#include "common/win32/text.h"

#include <algorithm>
#include <map>
#include <set>

namespace tk {

namespace {

// Live items: owner-drawn data of a menu that is not ours is never taken for one.
std::set<const MenuItem*>& liveItems()
{
    static std::set<const MenuItem*> items;
    return items;
}

} // namespace

HFONT menuFont(int dpi)
{
    // Made once per DPI: the system's is given at the system's DPI.
    static std::map<int, HFONT> fonts;
    HFONT& font = fonts[dpi];
    if (!font) {
        NONCLIENTMETRICSW metrics{};
        metrics.cbSize = sizeof metrics;
        SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
        metrics.lfMenuFont.lfHeight = MulDiv(metrics.lfMenuFont.lfHeight, dpi, systemDpi());
        font = CreateFontIndirectW(&metrics.lfMenuFont);
    }
    return font;
}

MenuItem::MenuItem(HMENU menu, UINT id, std::string name, const std::string& caption)
    : menu_(menu), id_(id), name_(std::move(name)), caption_(wide(caption))
{
    liveItems().insert(this);
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_ID | MIIM_FTYPE | MIIM_STRING | MIIM_DATA;
    info.fType = MFT_OWNERDRAW;
    info.wID = id;
    info.dwItemData = reinterpret_cast<ULONG_PTR>(this);
    info.dwTypeData = caption_.data();
    InsertMenuItemW(menu_, GetMenuItemCount(menu_), TRUE, &info);
}

MenuItem::~MenuItem()
{
    liveItems().erase(this);
}

MenuItem* MenuItem::fromItemData(ULONG_PTR data)
{
    auto* item = reinterpret_cast<MenuItem*>(data);
    return liveItems().count(item) ? item : nullptr;
}

RECT MenuItem::glyphRect(const RECT& item, int dpi)
{
    const int size = scaled(kGlyphSize, dpi), left = item.left + scaled(kGlyphLeft, dpi);
    const int top = item.top + (item.bottom - item.top - size) / 2;
    return RECT{left, top, left + size, top + size};
}

void MenuItem::measure(MEASUREITEMSTRUCT& m, int dpi) const
{
    const HDC dc = GetDC(nullptr);
    const HGDIOBJ old = SelectObject(dc, menuFont(dpi));
    RECT text{0, 0, 0, 0};
    DrawTextW(dc, caption_.c_str(), -1, &text, DT_SINGLELINE | DT_CALCRECT);
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    // The system adds the width of a check mark on its own.
    m.itemWidth = static_cast<UINT>(scaled(kGlyphLeft + kGlyphSize + kCaptionGap, dpi) + text.right + scaled(kCaptionGap, dpi));
    m.itemHeight = static_cast<UINT>(std::max<LONG>(scaled(kGlyphSize + 4, dpi), tm.tmHeight + scaled(6, dpi)));
}

void MenuItem::draw(const DRAWITEMSTRUCT& d, int dpi) const
{
    const bool selected = (d.itemState & ODS_SELECTED) != 0;
    const bool grayed = (d.itemState & (ODS_GRAYED | ODS_DISABLED)) != 0;
    FillRect(d.hDC, &d.rcItem, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_MENU));
    if (glyph_) {
        const RECT g = glyphRect(d.rcItem, dpi);
        glyph_->atDpi(dpi).draw(d.hDC, g.left, g.top, 0, grayed ? 96 : 255);
    }
    RECT text = d.rcItem;
    text.left += scaled(kGlyphLeft + kGlyphSize + kCaptionGap, dpi);
    const HGDIOBJ old = SelectObject(d.hDC, menuFont(dpi));
    SetBkMode(d.hDC, TRANSPARENT);
    SetTextColor(d.hDC, GetSysColor(grayed ? COLOR_GRAYTEXT : selected ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT));
    UINT format = DT_SINGLELINE | DT_VCENTER | DT_LEFT;
    if (d.itemState & ODS_NOACCEL)
        format |= DT_HIDEPREFIX;
    DrawTextW(d.hDC, caption_.c_str(), -1, &text, format);
    SelectObject(d.hDC, old);
}

void MenuItem::setEnabled(bool enabled)
{
    EnableMenuItem(menu_, id_, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

bool MenuItem::enabled() const
{
    const UINT state = GetMenuState(menu_, id_, MF_BYCOMMAND);
    return state != static_cast<UINT>(-1) && !(state & (MF_GRAYED | MF_DISABLED));
}

std::vector<PropInfo>& MenuItem::properties()
{
    if (properties_.empty()) {
        PropInfo p;
        p.name = "Enabled";
        p.kind = PropKind::Enumeration;
        p.valueNames = {"False", "True"};
        p.getOrdinal = [this] { return int64_t{enabled() ? 1 : 0}; };
        p.setOrdinal = [this](int64_t v) { setEnabled(v != 0); };
        properties_.push_back(p);
    }
    return properties_;
}

PopupMenu::PopupMenu() : menu_(CreatePopupMenu()) {}

PopupMenu::~PopupMenu()
{
    DestroyMenu(menu_);
}

MenuItem& PopupMenu::add(UINT id, std::string name, const std::string& caption)
{
    items_.push_back(std::make_unique<MenuItem>(menu_, id, std::move(name), caption));
    return *items_.back();
}

void PopupMenu::addSeparator()
{
    AppendMenuW(menu_, MF_SEPARATOR, 0, nullptr);
}

void PopupMenu::popup(HWND owner, POINT screen)
{
    // The choice comes back here rather than as a WM_COMMAND, so the owner needs no dispatch.
    const UINT id = static_cast<UINT>(TrackPopupMenu(menu_, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD,
                                                     screen.x, screen.y, 0, owner, nullptr));
    if (id)
        dispatch(id);
}

bool PopupMenu::dispatch(UINT id)
{
    for (auto& item : items_) {
        if (item->id() == id) {
            if (item->enabled() && item->onClick)
                item->onClick();
            return true;
        }
    }
    return false;
}

} // namespace tk
