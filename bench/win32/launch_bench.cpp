// The real program's start under Wine: process launch to the first puzzle shown, against a
// bare window program's launch to its window shown in the same run (alone, and with as many
// plain child windows as the first puzzle shows), the libraries each has loaded by then, and
// the programs' peak working sets.
// Usage: bench_launch <Slovolovka.exe> <bench_bare_window.exe> [runs]
#include "game/win32/control_ids.h"
#include "tests/e2e/driver.h"

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

namespace {

// Polls more often than the test driver: the figures are a few hundred milliseconds.
bool waitClosely(const std::function<bool()>& condition)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < until) {
        if (condition())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

// The libraries a process has loaded.
int libraryCount(HANDLE process)
{
    HMODULE modules[512];
    DWORD needed = 0;
    if (!EnumProcessModulesEx(process, modules, sizeof modules, &needed, LIST_MODULES_ALL))
        return -1;
    return static_cast<int>(needed / sizeof(HMODULE));
}

// Launch to shown (and, for the game, its first puzzle), in ms; -1 on failure.
double launchOnce(const char* exe, bool game, double* peakMiB, int* libraries, const wchar_t* arguments = L"")
{
    const auto t0 = std::chrono::steady_clock::now();
    e2e::GameProcess process;
    if (!process.start(e2e::windowsPath(exe), arguments)
        || !waitClosely([&] { return process.waitForMainWindow(std::chrono::milliseconds(0)); }))
        return -1;
    if (game && !waitClosely([&] { return process.text(slovo::ids::kStatusPane + 3).rfind("\xCE\xF1\xF2", 0) == 0; }))
        return -1;
    process.sync();
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    *libraries = libraryCount(process.process());
    if (peakMiB) {
        PROCESS_MEMORY_COUNTERS pmc{};
        pmc.cb = sizeof pmc;
        GetProcessMemoryInfo(process.process(), &pmc, sizeof pmc);
        *peakMiB = static_cast<double>(pmc.PeakWorkingSetSize) / (1024.0 * 1024.0);
    }
    PostMessageW(process.mainWindow(), WM_CLOSE, 0, 0);
    process.waitForExit();
    return ms;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_launch <Slovolovka.exe> <bench_bare_window.exe> [runs]\n");
        return 2;
    }
    const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 9;
    std::vector<double> game, bare, children, peaks, barePeaks;
    int gameLibraries = 0, bareLibraries = 0, childrenLibraries = 0;
    // Alternating, so both see the same machine load.
    for (int i = 0; i < runs; ++i) {
        double peak = 0, barePeak = 0;
        const double g = launchOnce(argv[1], true, &peak, &gameLibraries);
        const double b = launchOnce(argv[2], false, &barePeak, &bareLibraries);
        const double c = launchOnce(argv[2], false, nullptr, &childrenLibraries, L"--children");
        if (g < 0 || b < 0 || c < 0) {
            std::fprintf(stderr, "%s did not show\n", g < 0 ? "the game's first puzzle" : "the bare window");
            return 1;
        }
        game.push_back(g);
        bare.push_back(b);
        children.push_back(c);
        peaks.push_back(peak);
        barePeaks.push_back(barePeak);
    }
    // Every run, in order: the load of a shared machine shows as runs far above the rest.
    for (int i = 0; i < runs; ++i)
        std::printf("run %d: game %.0f ms, bare window %.0f ms, with plain children %.0f ms\n", i + 1, game[i], bare[i],
                    children[i]);
    std::printf("launch to first puzzle shown: median %.0f ms (min %.0f); bare window: median %.0f ms (min %.0f); "
                "ratio %.2f (target 1.20); libraries loaded by then %d against %d; "
                "peak working set median %.1f MiB against %.1f MiB, ratio %.2f (target 1.25) (%d runs)\n",
                median(game), *std::min_element(game.begin(), game.end()), median(bare),
                *std::min_element(bare.begin(), bare.end()), median(game) / median(bare), gameLibraries, bareLibraries,
                median(peaks), median(barePeaks), median(peaks) / median(barePeaks), runs);
    std::printf("bare window with 76 plain child windows: median %.0f ms (min %.0f); the game against it: ratio %.2f\n",
                median(children), *std::min_element(children.begin(), children.end()), median(game) / median(children));
    return 0;
}
