// The markup engine on the GDI surface under Wine: laying out and drawing the editor's
// instruction text into a memory bitmap, and measuring a two-line hint.
#include "bench/win32/stopwatch.h"
#include "editor/core/instruction_text.h"
#include "toolkit/application.h"
#include "toolkit/html_label.h"
#include "toolkit/markup_painter.h"
#include "toolkit/picture.h"

#include <cstdio>

int main()
{
    tk::GdiplusSession gdiplus;
    tk::Application app(GetModuleHandleW(nullptr), "bench");
    const HDC screen = GetDC(nullptr);
    const HDC dc = CreateCompatibleDC(screen);
    const HBITMAP bitmap = CreateCompatibleBitmap(screen, 600, 400);
    SelectObject(dc, bitmap);

    std::string text;
    for (const auto& line : slovo::instructionLines())
        text += line;
    tk::MarkupStyle style;
    style.shadowColour = 0;
    style.pictures = false;
    const int runs = 200;
    tk::paintMarkup(dc, text, RECT{8, 8, 592, 360}, style); // pictures and fonts made once
    double t0 = (1000.0 * stopwatchMs());
    for (int i = 0; i < runs; ++i) {
        fx::MarkupRequest r;
        fx::Font f = style.font;
        tk::GdiSurface surface(dc, f);
        r.text = text;
        r.rect = {8, 8, 592, 360};
        r.images = &tk::ResourceImageList::editorImages();
        r.shadowColour = 0;
        fx::DrawMarkup(surface, r);
    }
    const double draw = ((1000.0 * stopwatchMs()) - t0) / runs;

    const std::string hint = "<IMG src=\"Helpi16.gif\" align=\"top\"> Это Ваши друзья, они помогут <BR>      Вам избежать словоловки...";
    tk::MarkupStyle hintStyle;
    hintStyle.font = {"Tahoma", 8, false, false, false, false, 0x80000017};
    hintStyle.wordWrap = false;
    tk::measureMarkup(dc, hint, RECT{0, 0, 384, 1000}, hintStyle);
    t0 = (1000.0 * stopwatchMs());
    for (int i = 0; i < runs; ++i)
        tk::measureMarkup(dc, hint, RECT{0, 0, 384, 1000}, hintStyle);
    const double measure = ((1000.0 * stopwatchMs()) - t0) / runs;
    std::printf("GDI surface: instruction text laid out and drawn in %.0f us; a two-line hint measured in %.0f us (%d runs)\n",
                draw, measure, runs);
    DeleteDC(dc);
    DeleteObject(bitmap);
    ReleaseDC(nullptr, screen);
    return 0;
}
