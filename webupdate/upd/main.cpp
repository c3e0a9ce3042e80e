// upd.exe: waits for the application to end, puts its new component files in place, restarts it.
#include "webupdate/upd/update_steps.h"
#include "webupdate/upd/core/updater_args.h"

#include <windows.h>
#include <lzexpand.h>

#include <string>
#include <vector>

namespace {

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
    std::vector<wchar_t> source(path.begin(), path.end());
    source.push_back(L'\0');
    wchar_t expanded[MAX_PATH];
    OFSTRUCT of{};
    const INT in = LZOpenFileW(source.data(), &of, OF_READ);
    if (in < 0)
        return;
    // A plain file is its own expanded name: creating it would destroy it before the copy.
    if (GetExpandedNameW(source.data(), expanded) == 1 && lstrcmpiW(expanded, path.c_str()) != 0) {
        OFSTRUCT outOf{};
        const INT out = LZOpenFileW(expanded, &outOf, OF_CREATE);
        if (out >= 0) {
            LZCopy(in, out);
            LZClose(out);
        }
    }
    LZClose(in);
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
