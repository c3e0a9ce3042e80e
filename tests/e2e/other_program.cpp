// Another program on the player's desktop: one plain window with an edit field, nothing of the
// game's. The end-to-end tests move the mouse and type over it.
#include <windows.h>

namespace {

LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_CREATE:
        CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"", WS_CHILD | WS_VISIBLE | ES_MULTILINE, 10, 10, 360, 220, hwnd,
                        nullptr, GetModuleHandleW(nullptr), nullptr);
        return 0;
    case WM_SETFOCUS:
        SetFocus(GetWindow(hwnd, GW_CHILD));
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(hwnd, msg, wp, lp);
    }
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    WNDCLASSW wc{};
    wc.lpfnWndProc = windowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = L"SlovoOtherProgram";
    RegisterClassW(&wc);
    // Beside the game, which opens at the desktop's top left.
    const HWND window = CreateWindowExW(0, wc.lpszClassName, L"Another program", WS_OVERLAPPEDWINDOW, 580, 60, 400, 280,
                                        nullptr, nullptr, instance, nullptr);
    ShowWindow(window, SW_SHOWNORMAL);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
