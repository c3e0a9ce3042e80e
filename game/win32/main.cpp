// Program entry: the library search restricted, the application object, the main window and the
// message loop.
#include "game/win32/main_window.h"
#include "toolkit/picture.h"
#include "common/win32/library_search.h"
#include "common/win32/start_trace.h"

#include <windows.h>
#include <delayimp.h>

#include <string>

extern "C" int WinMainCRTStartup();

// The process's entry, ahead of the runtime's start and of every static initialiser: nothing
// can load a library by name before the search is restricted.
extern "C" int slovoStart()
{
    slovo::restrictLibrarySearch();
    return WinMainCRTStartup();
}

namespace {

// A library loaded at first use comes from the system folder by full path, also where the
// search itself cannot be restricted.
FARPROC WINAPI loadDelayed(unsigned note, PDelayLoadInfo info)
{
    if (note != dliNotePreLoadLibrary)
        return nullptr;
    const std::string name = info->szDll;
    return reinterpret_cast<FARPROC>(slovo::loadSystemLibrary(std::wstring(name.begin(), name.end())));
}

} // namespace

extern "C" {
PfnDliHook __pfnDliNotifyHook2 = loadDelayed;
}

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
