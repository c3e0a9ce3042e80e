// The game's own start, in process: from the main window's creation (start-up preparation
// included) to the first puzzle shown. Usage: bench_startup [entries] [runs]
#include "game/win32/main_window.h"
#include "common/win32/win32_file_system.h"
#include "bench/win32/stopwatch.h"
#include "toolkit/picture.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

// A standard base of n entries shaped like the built-in one (n = 0 keeps the built-in base).
void writeBase(int n)
{
    slovo::Win32FileSystem fs;
    const auto paths = slovo::BasePaths::fixedWindows();
    CreateDirectoryW(L"C:\\Windows\\data", nullptr);
    slovo::WordBase builtin;
    if (n == 0) {
        slovo::writeWordFile(fs, paths.stwords, builtin.List4);
        slovo::writeWordFile(fs, paths.sthints, builtin.List3);
        return;
    }
    slovo::StringList words, hints;
    for (int i = 0; i < n; ++i) {
        words.push_back(builtin.List4[i % 93]);
        hints.push_back(builtin.List3[i % 93]);
    }
    slovo::writeWordFile(fs, paths.stwords, words);
    slovo::writeWordFile(fs, paths.sthints, hints);
}

void drainMessages()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        if (msg.message != WM_QUIT)
            DispatchMessageW(&msg);
}

} // namespace

int main(int argc, char** argv)
{
    const int entries = argc > 1 ? std::atoi(argv[1]) : 0;
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 20;
    writeBase(entries);

    tk::GdiplusSession gdiplus;
    tk::Application app(GetModuleHandleW(nullptr), slovo::kApplicationTitle);
    std::vector<double> times, created, shown;
    for (int i = 0; i < runs; ++i) {
        const double t0 = stopwatchMs();
        {
            slovo::MainWindow window(app);
            created.push_back(stopwatchMs() - t0);
            window.show();
            // The first activation may arrive as a message: let it run, then paint.
            drainMessages();
            shown.push_back(stopwatchMs() - t0);
            RedrawWindow(window.handle(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
            times.push_back(stopwatchMs() - t0);
            if (window.puzzle().currentWord().empty()) {
                std::fprintf(stderr, "no puzzle was started\n");
                return 1;
            }
        }
        drainMessages();
    }
    std::sort(times.begin(), times.end());
    std::sort(created.begin(), created.end());
    std::sort(shown.begin(), shown.end());
    std::printf("entries %d: window creation to first puzzle shown: median %.2f ms, min %.2f ms, max %.2f ms (%d runs); "
                "of it created %.2f ms, shown and activated %.2f ms\n",
                entries == 0 ? 93 : entries, times[times.size() / 2], times.front(), times.back(), runs,
                created[created.size() / 2], shown[shown.size() / 2]);
    return 0;
}
