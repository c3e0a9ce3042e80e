// upd.exe: waits for the application to end, puts its new component files in place, restarts it.
#include "common/win32/library_search.h"
#include "webupdate/upd/update_steps.h"
#include "webupdate/upd/core/updater_args.h"

#include <windows.h>
#include <lzexpand.h>

#include <string>
#include <vector>

namespace {

// LZ expansion from the system folder's LZ32.dll, loaded at first use: imported, it would be
// looked for in the updater's own folder (the temporary one) before the updater ran at all.
struct LzFunctions {
    decltype(&LZOpenFileW) open = nullptr;
    decltype(&GetExpandedNameW) expandedName = nullptr;
    decltype(&LZCopy) copy = nullptr;
    decltype(&LZClose) close = nullptr;
};

template <typename F>
void bind(F& function, HMODULE library, const char* name)
{
    function = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

// Null when the library or one of its functions is missing.
const LzFunctions* lz()
{
    static const LzFunctions functions = [] {
        LzFunctions f;
        if (const HMODULE library = slovo::loadSystemLibrary(L"lz32.dll")) {
            bind(f.open, library, "LZOpenFileW");
            bind(f.expandedName, library, "GetExpandedNameW");
            bind(f.copy, library, "LZCopy");
            bind(f.close, library, "LZClose");
        }
        return f;
    }();
    return functions.open && functions.expandedName && functions.copy && functions.close ? &functions : nullptr;
}

void unpackCabinet(const std::wstring& path)
{
    char narrowPath[MAX_PATH];
    // An empty destination unpacks into the current directory, the application's own.
    if (WideCharToMultiByte(CP_ACP, 0, path.c_str(), -1, narrowPath, MAX_PATH, nullptr, nullptr) > 0 &&
        upd::extractCabinet(narrowPath, ""))
        DeleteFileW(path.c_str());
}

void expand(const std::wstring& path)
{
    const LzFunctions* api = lz();
    if (api == nullptr)
        return;
    std::vector<wchar_t> source(path.begin(), path.end());
    source.push_back(L'\0');
    wchar_t expanded[MAX_PATH];
    OFSTRUCT of{};
    const INT in = api->open(source.data(), &of, OF_READ);
    if (in < 0)
        return;
    // A plain file is its own expanded name: creating it would destroy it before the copy.
    if (api->expandedName(source.data(), expanded) == 1 && lstrcmpiW(expanded, path.c_str()) != 0) {
        OFSTRUCT outOf{};
        const INT out = api->open(expanded, &outOf, OF_CREATE);
        if (out >= 0) {
            api->copy(in, out);
            api->close(out);
        }
    }
    api->close(in);
}

void handleComponent(const std::wstring& file)
{
    switch (upd::classify(file)) {
    case upd::ComponentKind::replacement:
        // One step that takes the old file's place only when the new one is there and can move
        // in: a missing or unmovable replacement leaves the program file as it was.
        MoveFileExW(file.c_str(), upd::replacementTarget(file).c_str(), MOVEFILE_REPLACE_EXISTING);
        break;
    case upd::ComponentKind::patch:
        upd::runCommand(L"patcher.exe " + file + L" " + upd::patchTarget(file), true);
        DeleteFileW(file.c_str());
        break;
    case upd::ComponentKind::cabinet:
        unpackCabinet(file);
        break;
    case upd::ComponentKind::compressed:
        expand(file);
        break;
    }
}

} // namespace

extern "C" int WinMainCRTStartup();

// The process's entry, ahead of the runtime's start: the search is restricted before anything
// loads a library by name.
extern "C" int slovoStart()
{
    slovo::restrictLibrarySearch();
    return WinMainCRTStartup();
}

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    const auto plan = upd::makePlan(upd::splitCommandLine(GetCommandLineW()));
    if (!plan)
        return 0;
    if (HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, plan->processId)) {
        WaitForSingleObject(process, INFINITE);
        CloseHandle(process);
    }
    for (const std::wstring& file : plan->components)
        handleComponent(file);
    if (!plan->restart.empty())
        upd::runCommand(plan->restart, false, SW_SHOW);
    return 0;
}
