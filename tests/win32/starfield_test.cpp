// The starfield control for real: frames paced by its thread, painted from frames only, paused
// while inactive, and a destroyed control whose thread ends without another frame.
#include "effects/win32/starfield.h"
#include "toolkit/application.h"
#include "toolkit/panel.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

void pump(DWORD milliseconds)
{
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
        Sleep(2);
    }
}

// A black top-level panel on screen to hold the control.
struct Window {
    tk::Application app{GetModuleHandleW(nullptr), "Starfield"};
    std::unique_ptr<tk::Panel> panel;
    Window()
    {
        panel = std::make_unique<tk::Panel>(nullptr, "AdvPanel5", tk::Bounds{50, 50, 516, 274});
        panel->setColour(RGB(0, 0, 0));
        SetWindowLongPtrW(panel->handle(), GWL_STYLE, WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN);
        SetWindowPos(panel->handle(), HWND_TOPMOST, 50, 50, 516, 274, SWP_FRAMECHANGED | SWP_SHOWWINDOW);
    }
};

int litPixels(HWND window)
{
    const HDC dc = GetDC(window);
    int n = 0;
    for (int y = 0; y < 274; ++y)
        for (int x = 0; x < 516; ++x) {
            const COLORREF c = GetPixel(dc, x, y);
            if (c != CLR_INVALID && GetRValue(c) >= 120 && GetRValue(c) == GetGValue(c) && GetGValue(c) == GetBValue(c))
                ++n;
        }
    ReleaseDC(window, dc);
    return n;
}

TEST(Starfield, LoadingOrderAndTheFirstFrame)
{
    Window w;
    fx::TBUStarfield field(w.panel.get(), "BUStarfield1", tk::Bounds{0, 0, 516, 274});
    EXPECT_EQ(field.Delay(), 50u);
    EXPECT_EQ(field.Stars(), 100);
    EXPECT_EQ(field.MaxSpeed(), 10);
    EXPECT_FALSE(field.Active());
    field.setDelay(40);
    field.setStars(200);
    field.setMaxSpeed(15);
    for (const fx::TStar& s : field.core().stars())
        ASSERT_LE(s.Speed, 10) << "placed with the MaxSpeed then in force";
    int resizes = 0;
    field.onResize = [&] { ++resizes; };
    pump(200); // shown and painted
    field.StepFrame(); // sizes the bitmap and places the stars again, drawing nothing
    EXPECT_EQ(resizes, 1);
    EXPECT_EQ(litPixels(field.handle()), 0) << "the resize frame drew";
    bool fast = false;
    for (const fx::TStar& s : field.core().stars()) {
        EXPECT_GE(s.X, 516);
        fast = fast || s.Speed > 10;
    }
    EXPECT_TRUE(fast) << "no star took a speed above 10 after the first frame";
}

TEST(Starfield, RunsWhileActivePausesWhileNotAndPaintsOnlyFromFrames)
{
    Window w;
    fx::TBUStarfield field(w.panel.get(), "BUStarfield1", tk::Bounds{0, 0, 516, 274});
    field.setDelay(10);
    pump(200);
    EXPECT_EQ(field.frames(), 0u) << "frames while never active";
    field.setActive(true);
    pump(1500);
    EXPECT_GT(field.frames(), 15u) << "too few frames at Delay 10";
    EXPECT_GT(litPixels(field.handle()), 20) << "no stars on screen";
    field.setActive(false);
    pump(100);
    const unsigned paused = field.frames();
    pump(500);
    EXPECT_EQ(field.frames(), paused) << "frames while paused";
    // A repaint shows the parent's black until the next frame.
    InvalidateRect(field.handle(), nullptr, TRUE);
    UpdateWindow(field.handle());
    EXPECT_EQ(litPixels(field.handle()), 0) << "painted stars without a frame";
    field.setDelay(0);
    field.setActive(true);
    pump(300);
    EXPECT_GT(field.frames(), paused + 10) << "Delay 0 paused between frames";
}

TEST(Starfield, DestroyedControlRunsNoFrameAndItsThreadEnds)
{
    for (bool active : {true, false}) {
        Window w;
        auto field = std::make_unique<fx::TBUStarfield>(w.panel.get(), "BUStarfield1", tk::Bounds{0, 0, 516, 274});
        field->setDelay(active ? 0 : 1000);
        field->setActive(active);
        pump(200);
        const HANDLE thread = OpenThread(SYNCHRONIZE, FALSE, field->threadId());
        ASSERT_TRUE(thread) << "no worker thread";
        // Destroyed while the worker may be waiting on a step just handed over.
        field.reset();
        EXPECT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0) << "the thread did not end, active " << active;
        CloseHandle(thread);
        pump(200); // a step left in the queue finds no control
    }
}

} // namespace
