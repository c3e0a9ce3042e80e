// The real program's start under Wine: process launch to the first puzzle shown, and the
// process's peak working set. Usage: bench_launch <Slovolovka.exe> [runs]
#include "game/win32/control_ids.h"
#include "tests/e2e/driver.h"

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_launch <Slovolovka.exe> [runs]\n");
        return 2;
    }
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    std::vector<double> times, peaks;
    for (int i = 0; i < runs; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        e2e::GameProcess game;
        if (!game.launch(e2e::windowsPath(argv[1]))
            || !e2e::waitFor([&] { return game.text(slovo::ids::kStatusPane + 3).rfind("\xCE\xF1\xF2", 0) == 0; })) {
            std::fprintf(stderr, "the game did not show a puzzle\n");
            return 1;
        }
        game.sync();
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
        PROCESS_MEMORY_COUNTERS pmc{};
        pmc.cb = sizeof pmc;
        GetProcessMemoryInfo(game.process(), &pmc, sizeof pmc);
        peaks.push_back(static_cast<double>(pmc.PeakWorkingSetSize) / (1024.0 * 1024.0));
        PostMessageW(game.mainWindow(), WM_CLOSE, 0, 0);
        game.waitForExit();
    }
    std::sort(times.begin(), times.end());
    std::sort(peaks.begin(), peaks.end());
    std::printf("launch to first puzzle shown: median %.0f ms (min %.0f, max %.0f); peak working set median %.1f MiB (%d runs)\n",
                times[times.size() / 2], times.front(), times.back(), peaks[peaks.size() / 2], runs);
    return 0;
}
