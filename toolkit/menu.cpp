// Popup menus.
#include "toolkit/menu.h"

#include "common/win32/text.h"

namespace tk {

MenuItem::MenuItem(HMENU menu, UINT id, std::string name, const std::string& caption)
    : menu_(menu), id_(id), name_(std::move(name))
{
    AppendMenuW(menu_, MF_STRING, id, wide(caption).c_str());
}

void MenuItem::setEnabled(bool enabled)
{
    EnableMenuItem(menu_, id_, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

void MenuItem::setGlyph(HBITMAP glyph)
{
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_BITMAP;
    info.hbmpItem = glyph;
    SetMenuItemInfoW(menu_, id_, FALSE, &info);
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
