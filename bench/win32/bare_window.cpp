// The yardstick for the game's launch time: a bare MinGW window program that creates and shows
// one window (the game's class name and title, so the launch measurement finds it alike).
#include "common/win32/start_trace.h"

#include <windows.h>

namespace {

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wp, LPARAM lp)
{
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wp, lp);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show)
{
    slovo::trace::mark("WinMain entered");
    WNDCLASSW wc{};
    wc.lpfnWndProc = windowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = L"TForm1";
    RegisterClassW(&wc);
    const HWND window = CreateWindowExW(0, L"TForm1", L"Игра <<СЛОВОЛОВКА>>.", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                        CW_USEDEFAULT, 524, 301, nullptr, nullptr, instance, nullptr);
    slovo::trace::mark("window created");
    ShowWindow(window, show);
    slovo::trace::mark("shown");
    UpdateWindow(window);
    slovo::trace::mark("painted");
    slovo::trace::arm();
    MSG msg;
    for (;;) {
        slovo::trace::idle();
        if (GetMessageW(&msg, nullptr, 0, 0) <= 0)
            break;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
