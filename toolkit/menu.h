// Real popup menus and their items; an item's enabled state is the switch state it stands for.
#pragma once

#include "toolkit/core/properties.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tk {

class Picture;

// Published property: Enabled. Items draw themselves (owner-drawn): a glyph with its
// transparency on the menu's own background, then a gap, then the caption. The caption stays
// the item's menu string, so mnemonics and readers of the menu still see it.
class MenuItem : public Persistent {
public:
    MenuItem(HMENU menu, UINT id, std::string name, const std::string& caption);
    ~MenuItem() override;
    const std::string& name() const { return name_; }
    UINT id() const { return id_; }
    void setEnabled(bool enabled);
    // A picture shown before the caption; the menu does not own it.
    void setGlyph(const Picture* glyph) { glyph_ = glyph; }
    const Picture* glyph() const { return glyph_; }
    bool enabled() const;
    std::function<void()> onClick;

    std::vector<PropInfo>& properties() override;
    std::string componentName() const override { return name_; }

    // The item behind an owner-drawn menu entry's data, or nullptr when it is not one of ours.
    static MenuItem* fromItemData(ULONG_PTR data);
    // At the DPI of the window the menu drops from.
    void measure(MEASUREITEMSTRUCT& m, int dpi) const;
    void draw(const DRAWITEMSTRUCT& d, int dpi) const;

    // Where the glyph goes inside the item's rectangle (16 x 16 at 96 DPI); the lengths below
    // are at 96 DPI.
    static RECT glyphRect(const RECT& item, int dpi);
    static constexpr int kGlyphSize = 16;
    static constexpr int kGlyphLeft = 4;  // from the item's left edge
    static constexpr int kCaptionGap = 8; // between the glyph and the caption

private:
    std::vector<PropInfo> properties_;
    HMENU menu_;
    UINT id_;
    std::string name_;
    std::wstring caption_;
    const Picture* glyph_ = nullptr;
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

// The font menus are drawn with: the system's menu font, at that DPI.
HFONT menuFont(int dpi);

} // namespace tk
