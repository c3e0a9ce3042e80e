// How long the thread that runs a download leaves a message unanswered: during a download at
// 2 KB/s and during a stall the client gives up. Run by bench/measure_webupdate.sh, which starts the
// server; a WM_NULL goes to a window of this thread every 100 ms from another thread.
#include "tests/e2e/driver.h"
#include "webupdate/win32/program_update.h"
#include "webupdate/win32/web_update.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

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
    const HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    const struct {
        const char* what;
        const char* path;
    } cases[] = {{"20 kB at 2 KB/s", "/slow/2048/answers.bin"}, {"stall after 10 kB", "/stall/10240/answers.bin"}};
    for (const auto& c : cases) {
        HINTERNET net = InternetOpenW(L"WebUpdate", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
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
