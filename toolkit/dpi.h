// Screen scaling: every layout value of the program is given in pixels at 96 DPI and scaled
// here, once, to the DPI of the window it lands in.
#pragma once

#include <windows.h>

namespace tk {

inline constexpr int kBaseDpi = 96;

// A length in 96-DPI pixels at the given DPI, rounded to the nearest pixel.
inline int scaled(int value, int dpi)
{
    return dpi == kBaseDpi ? value : MulDiv(value, dpi, kBaseDpi);
}

// The DPI windows get when they are created: the system's (the primary monitor's).
int systemDpi();
// The DPI of the monitor a window is on, as the system tells a per-monitor aware program.
int windowDpi(HWND window);
// The frame around a client area of that size, at that DPI.
RECT windowRectForClient(int clientWidth, int clientHeight, DWORD style, DWORD exStyle, int dpi);

} // namespace tk
