// The Win32 steps the updater and the update client both take: starting a command line and
// unpacking a cabinet with the platform's cabinet library (the system folder's cabinet.dll).
#pragma once

#include "common/win32/library_search.h"

#include <windows.h>

#include <string>

namespace upd {

// Starts the command line with a window in that show state (normal unless told), waiting for its
// end when asked; false when it cannot start.
inline bool runCommand(std::wstring command, bool wait, WORD show = SW_SHOWNORMAL)
{
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = show;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return false;
    if (wait)
        WaitForSingleObject(pi.hProcess, INFINITE);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return true;
}

// The session record that cabinet.dll's Extract fills in.
struct CabinetError {
    int erfOper;
    int erfType;
    BOOL fError;
};
struct CabinetSession {
    INT fileSize;
    CabinetError error;
    void* fileList;
    INT fileCount;
    INT operation;
    CHAR destination[MAX_PATH];
    CHAR currentFile[MAX_PATH];
    CHAR reserved[MAX_PATH];
    void* filterList;
};

// Every file of the cabinet into the destination (empty: the current directory); true when all
// came out. Paths in the ANSI code page, as the library takes them.
inline bool extractCabinet(const char* cabinet, const char* destination)
{
    using ExtractFn = HRESULT(WINAPI*)(CabinetSession*, LPCSTR);
    constexpr INT extractFiles = 2;
    if (lstrlenA(destination) >= MAX_PATH)
        return false;
    HMODULE lib = slovo::loadSystemLibrary(L"cabinet.dll");
    if (lib == nullptr)
        return false;
    bool ok = false;
    const auto extract = reinterpret_cast<ExtractFn>(reinterpret_cast<void*>(GetProcAddress(lib, "Extract")));
    if (extract != nullptr) {
        CabinetSession session{};
        session.operation = extractFiles;
        lstrcpynA(session.destination, destination, MAX_PATH);
        ok = SUCCEEDED(extract(&session, cabinet)) && !session.error.fError;
    }
    FreeLibrary(lib);
    return ok;
}

} // namespace upd
