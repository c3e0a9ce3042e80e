// Dialog keys for the program's panels.
#include "toolkit/dialog_keys.h"

#include "toolkit/panel.h"

namespace tk {

namespace {

// The panel around the focus that names a default or cancel button.
Panel* keyPanel(HWND focus)
{
    for (HWND w = focus; w; w = GetParent(w))
        if (auto* panel = dynamic_cast<Panel*>(Control::fromHandle(w)); panel && (panel->defaultButton || panel->cancelButton))
            return panel;
    return nullptr;
}

bool press(ToolButton* button)
{
    if (!button || !IsWindowVisible(button->handle()) || !IsWindowEnabled(button->handle()))
        return false;
    button->click();
    return true;
}

} // namespace

bool handleDialogKey(const MSG& msg)
{
    if (msg.message != WM_KEYDOWN || (msg.wParam != VK_RETURN && msg.wParam != VK_ESCAPE && msg.wParam != VK_TAB))
        return false;
    const HWND focus = msg.hwnd;
    if (!focus || !Control::fromHandle(GetAncestor(focus, GA_ROOT)))
        return false;
    const LRESULT wants = SendMessageW(focus, WM_GETDLGCODE, msg.wParam, reinterpret_cast<LPARAM>(&msg));
    if (wants & (DLGC_WANTALLKEYS | DLGC_WANTMESSAGE))
        return false;
    Panel* panel = keyPanel(focus);
    if (msg.wParam == VK_TAB) {
        if (wants & DLGC_WANTTAB)
            return false;
        const HWND scope = panel ? panel->handle() : GetAncestor(focus, GA_ROOT);
        const bool back = GetKeyState(VK_SHIFT) < 0;
        const HWND next = GetNextDlgTabItem(scope, focus, back);
        if (next && next != focus)
            SetFocus(next);
        return true;
    }
    // Enter on a push button presses that button, as in a dialog.
    if (!panel || (msg.wParam == VK_RETURN && dynamic_cast<ToolButton*>(Control::fromHandle(focus))))
        return false;
    return press(msg.wParam == VK_RETURN ? panel->defaultButton : panel->cancelButton);
}

} // namespace tk
