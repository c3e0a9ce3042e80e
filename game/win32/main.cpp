// Program entry: the application object, the main window and the message loop.
#include "game/win32/main_window.h"
#include "toolkit/picture.h"
#include "common/win32/start_trace.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    slovo::trace::mark("WinMain entered");
    tk::GdiplusSession gdiplus;
    tk::Application app(instance, slovo::kApplicationTitle);
    slovo::trace::mark("application window");
    slovo::MainWindow window(app);
    window.show();
    slovo::trace::mark("shown, activation asked");
    app.run();
    return 0;
}
