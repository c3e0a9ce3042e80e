// The editor window placed in the host panel.
#include "editor/win32/editor_window.h"

#include "editor/win32/editor_ids.h"
#include "toolkit/picture.h"

namespace slovo {

EditorWindow::EditorWindow(tk::Control* host, std::function<void()> onExit)
{
    const tk::Bounds hb = host->bounds();
    window_ = std::make_unique<tk::Panel>(host, "Form2", tk::Bounds{0, 0, hb.width, hb.height});
    window_->setColour(RGB(244, 244, 250));
    window_->setCaption("<B>Редактор базы слов</B>", RGB(181, 181, 219));
    tk::LabelStyle style;
    style.centre = true;
    style.middle = true;
    style.wordWrap = true;
    note_ = std::make_unique<tk::Label>(window_.get(), "Note", tk::Bounds{20, 60, hb.width - 40, 120}, style);
    note_->setText("Редактор базы слов");
    exit_ = std::make_unique<tk::ToolButton>(window_.get(), "Exit", tk::Bounds{hb.width / 2 - 40, 200, 80, 25},
                                             "<IMG src=\"Export16.gif\"> Выход", ids::kEditorExit, tk::ButtonLook::Push);
    exit_->onClick = std::move(onExit);
}

void EditorWindow::release(HWND outside)
{
    window_->setVisible(false);
    SetParent(window_->handle(), outside);
}

} // namespace slovo
