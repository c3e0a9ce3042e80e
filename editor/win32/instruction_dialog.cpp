// The editor's instruction window, as the editor shows it and the tests inspect it.
#include "editor/win32/instruction_dialog.h"

#include "editor/core/instruction_text.h"
#include "toolkit/html_label.h"

namespace slovo {

fx::THTMLDialog instructionDialog()
{
    fx::THTMLDialog d;
    d.Caption = "Инструкция";
    d.Width = 600;
    d.Height = 400;
    d.Position = fx::TPosition::poDesktopCenter;
    d.Color = 0xFFFFFF;
    d.Images = &tk::ResourceImageList::editorImages();
    d.ShadowColor = 0;
    d.LeftButton.Visible = false;
    d.CenterButton.Visible = false;
    d.RightButton = fx::TButtonProperties{"Закрыть", true, true, 2, true};
    // Each line carries its own trailing blank where the text goes on: they are joined as they
    // are, so the text wraps only where the markup or the width says.
    d.HTMLText = instructionLines();
    return d;
}

} // namespace slovo
