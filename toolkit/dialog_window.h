// A modal dialog window built for one showing: a dialog border, buttons with modal results,
// Enter for the default button and Escape for the cancel button.
#pragma once

#include "toolkit/button.h"
#include "toolkit/control.h"

#include <memory>
#include <vector>

namespace tk {

class DialogWindow : public Control {
public:
    DialogWindow(const std::string& caption, int clientWidth, int clientHeight, COLORREF colour);

    // Centred on the screen (or the desktop's work area).
    void centre();
    Button& addButton(const std::string& caption, const Bounds& bounds, int modalResult, bool isDefault, bool isCancel, int id);
    // Shows the window modally over the application's windows; the close box gives closeResult.
    int showModal(int closeResult);
    void setModalResult(int result) { result_ = result; }
    // A sunken frame line drawn on the window's background.
    void addFrame(const Bounds& frame) { frames_.push_back(frame); }

    COLORREF backgroundColour() const override { return colour_; }

protected:
    LRESULT handleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    COLORREF colour_;
    int result_ = 0;
    int closeResult_ = 2;
    std::vector<std::unique_ptr<Button>> buttons_;
    std::vector<Bounds> frames_;
    Button* default_ = nullptr;
    Button* cancel_ = nullptr;
    int defaultResult_ = 0, cancelResult_ = 0;
};

} // namespace tk
