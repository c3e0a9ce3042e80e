// Real popup menus and their items; an item's enabled state is the switch state it stands for.
#pragma once

#include "toolkit/core/properties.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tk {

// Published property: Enabled.
class MenuItem : public Persistent {
public:
    MenuItem(HMENU menu, UINT id, std::string name, const std::string& caption);
    const std::string& name() const { return name_; }
    UINT id() const { return id_; }
    void setEnabled(bool enabled);
    // A 32-bit premultiplied bitmap shown beside the caption; the menu does not own it.
    void setGlyph(HBITMAP glyph);
    bool enabled() const;
    std::function<void()> onClick;

    std::vector<PropInfo>& properties() override;
    std::string componentName() const override { return name_; }

private:
    std::vector<PropInfo> properties_;
    HMENU menu_;
    UINT id_;
    std::string name_;
};

class PopupMenu {
public:
    PopupMenu();
    ~PopupMenu();
    PopupMenu(const PopupMenu&) = delete;
    PopupMenu& operator=(const PopupMenu&) = delete;

    HMENU handle() const { return menu_; }
    MenuItem& add(UINT id, std::string name, const std::string& caption);
    void addSeparator();
    // Shows the menu at a screen point and runs the chosen item's handler.
    void popup(HWND owner, POINT screen);
    // Runs the item's handler; false when the id is not one of this menu's.
    bool dispatch(UINT id);

private:
    HMENU menu_;
    std::vector<std::unique_ptr<MenuItem>> items_;
};

} // namespace tk
