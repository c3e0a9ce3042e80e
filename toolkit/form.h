// A top-level form with a fixed single border, and the form events the program uses.
#pragma once

#include "toolkit/control.h"

#include <functional>

namespace tk {

class Form : public Control {
public:
    Form(const wchar_t* className, std::string name);

    // Creates the window with the given client size; the system picks the position.
    void createWindow(const std::string& caption, int clientWidth, int clientHeight, COLORREF colour);
    void show();
    void setColour(COLORREF colour) { colour_ = colour; }

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
};

} // namespace tk
