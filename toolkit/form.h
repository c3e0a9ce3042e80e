// A top-level form with a fixed single border, and the form events the program uses.
#pragma once

#include "toolkit/control.h"
#include "toolkit/core/properties.h"

#include <functional>
#include <map>

namespace tk {

enum WindowState { wsNormal = 0, wsMinimized = 1, wsMaximized = 2 };

// Published properties: Left, Top, ShowHint, WindowState; owned components by name.
class Form : public Control, public Persistent {
public:
    Form(const wchar_t* className, std::string name);

    // Creates the window with the given client size (96-DPI pixels); the system picks the position.
    void createWindow(const std::string& caption, int clientWidth, int clientHeight, COLORREF colour);
    // OnShow runs first, then the window appears in its window state.
    void show();
    void setColour(COLORREF colour) { colour_ = colour; }

    bool showHint() const { return showHint_; }
    void setShowHint(bool on);
    int windowState() const;
    void setWindowState(int state);

    void own(const std::string& name, Persistent* component) { owned_[name] = component; }
    std::vector<PropInfo>& properties() override;
    Persistent* ownedComponent(const std::string& name) override;
    std::string componentName() const override { return name(); }

    std::function<void(bool)> onShowHintChanged;

    std::function<void()> onShow;
    std::function<void()> onActivate; // each activation by the user or the system
    std::function<void()> onClose;    // before the window is destroyed
    std::function<void()> onDestroy;
    // Menu commands (WM_COMMAND without a control).
    std::function<void(UINT)> onMenuCommand;

    COLORREF backgroundColour() const override { return colour_; }

protected:
    LRESULT handleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    const wchar_t* className_;
    COLORREF colour_ = RGB(255, 255, 255);
    bool showHint_ = true;
    int pendingState_ = wsNormal; // until the window is shown
    std::map<std::string, Persistent*> owned_;
    std::vector<PropInfo> properties_;
};

} // namespace tk
