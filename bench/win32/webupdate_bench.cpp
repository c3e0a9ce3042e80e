// Measures the web update client against a loopback server: a 10 MB download, a whole run, and
// how long the thread that runs a download leaves a message unanswered at 2 KB/s and in a stall (a
// WM_NULL every 100 ms from another thread to a window of that thread). Run by
// bench/measure_webupdate.sh, which starts the server and serves the files.
#include "tests/e2e/driver.h"
#include "webupdate/win32/web_update.h"
#include "webupdate/win32/program_update.h"

#include <windows.h>

#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <string>

namespace {

double seconds(LARGE_INTEGER a, LARGE_INTEGER b)
{
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return static_cast<double>(b.QuadPart - a.QuadPart) / static_cast<double>(f.QuadPart);
}

} // namespace

int main()
{
    const std::string base = std::string("http://127.0.0.1:") + std::getenv("SLOVO_HTTP_PORT");
    wchar_t tmp[MAX_PATH];
    GetTempPathW(MAX_PATH, tmp);
    std::string dir;
    for (const wchar_t* p = tmp; *p != 0; ++p)
        dir += static_cast<char>(*p);
    wu::TWebUpdate update;
    wu::configureProgramUpdate(update);
    HINTERNET net = InternetOpenW(L"WebUpdate", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    double best = 1e9;
    for (int i = 0; i < 5; ++i) {
        LARGE_INTEGER a, b;
        QueryPerformanceCounter(&a);
        const bool ok = update.DownloadFile(net, base + "/big.bin", false, dir);
        QueryPerformanceCounter(&b);
        if (!ok) {
            std::printf("download failed\n");
            return 1;
        }
        best = std::min(best, seconds(a, b));
    }
    InternetCloseHandle(net);
    std::printf("10 MB download: best %.3f s, %.1f MB/s\n", best, 10.0 / best);

    update.PlainTargetDir = dir;
    update.URL = base + "/update/bench.INF";
    double run = 1e9;
    for (int i = 0; i < 5; ++i) {
        RegDeleteTreeW(HKEY_CURRENT_USER, L"slovolovka");
        LARGE_INTEGER a, b;
        QueryPerformanceCounter(&a);
        update.RunUpdate();
        QueryPerformanceCounter(&b);
        run = std::min(run, seconds(a, b));
    }
    RegDeleteTreeW(HKEY_CURRENT_USER, L"slovolovka");
    for (const char* name : {"big.bin", "slovolovka.txt"}) {
        const std::string path = dir + name;
        DeleteFileA(path.c_str());
    }
    std::printf("whole run (control file and base file): best %.1f ms\n", run * 1000);

    const HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    const struct {
        const char* what;
        const char* path;
    } answers[] = {{"20 kB at 2 KB/s", "/slow/2048/answers.bin"}, {"stall after 10 kB", "/stall/10240/answers.bin"}};
    for (const auto& c : answers) {
        net = InternetOpenW(L"WebUpdate", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
        e2e::AnswerWatch watch(window);
        const ULONGLONG start = GetTickCount64();
        const bool ok = update.DownloadFile(net, base + c.path, false, dir);
        const ULONGLONG took = GetTickCount64() - start;
        watch.watch(nullptr);
        InternetCloseHandle(net);
        std::printf("%s: %s after %.1f s, longest unanswered message %lu ms\n", c.what, ok ? "downloaded" : "failed",
                    static_cast<double>(took) / 1000, watch.longestMs());
    }
    DeleteFileA((dir + "answers.bin").c_str());
    DestroyWindow(window);
    return 0;
}
