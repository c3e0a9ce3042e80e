// The DPI queries, looked up at run time: Windows 7 and 8 have no per-monitor functions.
#include "toolkit/dpi.h"

namespace tk {

namespace {

template <typename F>
F user32Function(const char* name)
{
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
}

} // namespace

int systemDpi()
{
    static const int dpi = [] {
        if (const auto forSystem = user32Function<UINT(WINAPI*)()>("GetDpiForSystem"))
            return static_cast<int>(forSystem());
        const HDC screen = GetDC(nullptr);
        const int caps = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
        return caps;
    }();
    return dpi > 0 ? dpi : kBaseDpi;
}

int windowDpi(HWND window)
{
    static const auto forWindow = user32Function<UINT(WINAPI*)(HWND)>("GetDpiForWindow");
    const int dpi = forWindow && window ? static_cast<int>(forWindow(window)) : 0;
    return dpi > 0 ? dpi : systemDpi();
}

RECT windowRectForClient(int clientWidth, int clientHeight, DWORD style, DWORD exStyle, int dpi)
{
    static const auto forDpi = user32Function<BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT)>("AdjustWindowRectExForDpi");
    RECT r{0, 0, clientWidth, clientHeight};
    if (!forDpi || !forDpi(&r, style, FALSE, exStyle, static_cast<UINT>(dpi)))
        AdjustWindowRectEx(&r, style, FALSE, exStyle);
    return r;
}

} // namespace tk
