// TForm2, the word-base editor window shown in the main window's host panel. For now it is an
// empty editor whose exit command leaves it; the grid and its commands come with the editor.
#pragma once

#include "toolkit/label.h"
#include "toolkit/panel.h"
#include "toolkit/tool_button.h"

#include <functional>
#include <memory>

namespace slovo {

class EditorWindow {
public:
    // onExit hides the host; the window itself stays until the host lets it go.
    EditorWindow(tk::Control* host, std::function<void()> onExit);

    tk::Panel& window() { return *window_; }
    // Hide it and take it out of the host; the window is not destroyed.
    void release(HWND outside);

private:
    std::unique_ptr<tk::Panel> window_;
    std::unique_ptr<tk::Label> note_;
    std::unique_ptr<tk::ToolButton> exit_;
};

} // namespace slovo
