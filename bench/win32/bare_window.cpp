// The yardstick for the game's launch time: a bare MinGW window program that creates and shows
// one window (the game's class name and title, so the launch measurement finds it alike).
// With --children it also makes as many plain child windows as the game's first puzzle shows
// (6 panels with 3 labels each, 30 buttons, 22 labels): what real windows alone cost.
#include "common/win32/start_trace.h"

#include <windows.h>

#include <cstring>

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

static void createPlainChildren(HWND window, HINSTANCE instance)
{
    WNDCLASSW panel{};
    panel.lpfnWndProc = DefWindowProcW;
    panel.hInstance = instance;
    panel.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    panel.lpszClassName = L"BarePanel";
    RegisterClassW(&panel);
    const auto child = [&](HWND parent, const wchar_t* cls, const wchar_t* text, int x, int y, int w, int h) {
        return CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, x, y, w, h, parent, nullptr,
                               instance, nullptr);
    };
    for (int p = 0; p < 6; ++p) {
        const HWND host = child(window, L"BarePanel", L"", p * 84, 30, 80, 60);
        for (int i = 0; i < 3; ++i)
            child(host, L"STATIC", L"Метка", 2, 2 + i * 18, 74, 16);
    }
    for (int i = 0; i < 30; ++i)
        child(window, L"BUTTON", L"Ж", 4 + (i % 15) * 33, 100 + (i / 15) * 32, 30, 30);
    for (int i = 0; i < 22; ++i)
        child(window, L"STATIC", L"Слово", 4 + (i % 11) * 45, 170 + (i / 11) * 22, 42, 20);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int show)
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
    if (std::strstr(commandLine, "--children"))
        createPlainChildren(window, instance);
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
