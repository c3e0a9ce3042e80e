// Measures the editor on 10^5 rows in process: opening, one scroll step, the save, the text
// export and the print preview's page count. Prints milliseconds (best of several runs).
#include "game/win32/main_window.h"

#include "bench/win32/stopwatch.h"
#include "editor/core/editor_table.h"
#include "toolkit/picture.h"
#include "toolkit/print_preview.h"

#include <algorithm>
#include <cstdio>

namespace {

void pump()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&msg);
}

} // namespace

int main()
{
    tk::GdiplusSession gdiplus;
    tk::Application app(GetModuleHandleW(nullptr), slovo::kApplicationTitle);
    slovo::MainWindow window(app);
    window.show();
    pump();
    constexpr int kRows = 100000;
    double open = 1e9, scroll = 1e9, text = 1e9, pages = 1e9, save = 1e9;
    int pageCount = 0;
    slovo::Win32FileSystem fs;
    const std::string exportPath = slovo::BasePaths::fixedWindows().directory + "\\bench-export.txt";
    for (int run = 0; run < 5; ++run) {
        auto& base = window.base();
        base.List4.assign(kRows, "СЛОВОСЛОВО");
        base.List3.assign(kRows, "ПОДСКАЗКА К СЛОВУ ИЗ ВОСЬМИ-ДЕСЯТИ СЛОВ");
        double t0 = stopwatchMs();
        window.RzToolbarButton1Click();
        UpdateWindow(window.editor()->grid().handle());
        open = std::min(open, stopwatchMs() - t0);

        tk::StringGrid& grid = window.editor()->grid();
        t0 = stopwatchMs();
        SendMessageW(grid.handle(), WM_VSCROLL, SB_LINEDOWN, 0);
        UpdateWindow(grid.handle());
        scroll = std::min(scroll, stopwatchMs() - t0);

        t0 = stopwatchMs();
        fs.writeFile(exportPath, slovo::textExport(window.editor()->tableCells()));
        text = std::min(text, stopwatchMs() - t0);

        // As the preview starts: the fonts measured, the printer's page asked, the table laid out.
        t0 = stopwatchMs();
        {
            const tk::GdiPrintMeasurer measurer;
            const SIZE page = tk::printablePageSize();
            const auto& cells = window.editor()->tableCells();
            pageCount = tk::PrintLayout(cells, page.cx, page.cy, measurer).pageCount();
        }
        pages = std::min(pages, stopwatchMs() - t0);

        base.BaseKind = 0;
        t0 = stopwatchMs();
        window.editor()->saveClick();
        save = std::min(save, stopwatchMs() - t0);
        pump();
    }
    DeleteFileW(L"c:\\Windows\\data\\bench-export.txt");
    std::printf("editor open, %d rows: %.1f ms\none scroll step: %.2f ms\ntext export: %.1f ms\n"
                "preview page count (%d pages): %.1f ms\nsave: %.1f ms\n",
                kRows, open, scroll, text, pageCount, pages, save);
    DestroyWindow(window.handle());
    return 0;
}
