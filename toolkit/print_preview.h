// The table's print preview window and printing on GDI: the print layout drawn on the screen and
// on the default printer.
#pragma once

#include "toolkit/core/print_layout.h"

#include <windows.h>

#include <string>
#include <vector>

namespace tk {

// The preview's place when it last closed, kept by its owner for the next preview.
struct PreviewMemory {
    bool valid = false;
    RECT rect{};
};

// Modal "Preview" on page 1; cells: row 0 the header row, column 0 the number column, cp1251.
void showPrintPreview(HWND owner, const std::vector<std::vector<std::string>>& cells, PreviewMemory& memory);

// Every page to the default printer, portrait, without a dialog. Throws slovo::Error.
void printTable(const std::vector<std::vector<std::string>>& cells);

// The printable page of the default printer in tenths of a millimetre, or A4 when there is none.
SIZE printablePageSize();

// Draws one page, scaled from the page's tenths of a millimetre into target.
void drawPrintPage(HDC dc, const PrintPage& page, const RECT& target, SIZE pageSize);

// The page as the preview shows it, on white: drawn several times larger and each pixel of
// target the average of its area there, so letters a few pixels high keep their strokes.
void drawPreviewPage(HDC dc, const PrintPage& page, const RECT& target, SIZE pageSize);

// Character widths and line heights of the print fonts, measured in tenths of a millimetre.
class GdiPrintMeasurer : public PrintTextMeasurer {
public:
    GdiPrintMeasurer();
    int lineHeight(PrintFont font) const override;
    int charWidth(PrintFont font, unsigned char c) const override;

private:
    int heights_[3]{};
    int widths_[3][256]{};
};

// The default printer's name; empty when there is none.
std::wstring defaultPrinter();

} // namespace tk
