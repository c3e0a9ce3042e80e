// Program entry: the application object, the main window and the message loop.
#include "game/win32/main_window.h"
#include "toolkit/picture.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    tk::GdiplusSession gdiplus;
    tk::Application app(instance, slovo::kApplicationTitle);
    slovo::MainWindow window(app);
    window.show();
    app.run();
    return 0;
}
