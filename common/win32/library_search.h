// Libraries only from the system folder: a file planted beside a program (a download folder holds
// whatever a page pushed into it) is never loaded. Header only: the updater, which links nothing
// of the others, takes the same steps.
#pragma once

#include <windows.h>

#include <string>

namespace slovo {

// The system folder's copy of a library, by its full path.
inline std::wstring systemLibraryPath(const std::wstring& name)
{
    wchar_t dir[MAX_PATH];
    const UINT n = GetSystemDirectoryW(dir, MAX_PATH);
    std::wstring path(dir, n < MAX_PATH ? n : 0);
    if (path.empty() || path.back() != L'\\')
        path += L'\\';
    return path + name;
}

// Loads the system folder's copy; the libraries it needs are looked for in its folder first.
inline HMODULE loadSystemLibrary(const std::wstring& name)
{
    return LoadLibraryExW(systemLibraryPath(name).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

// A program's first step: from here on a library loaded by name, at first use or by the
// loader for another library, comes from the system folder alone. Windows 7 without KB2533623
// and older lack SetDefaultDllDirectories: there the current folder leaves the search, and
// what the program loads itself goes by full path (loadSystemLibrary).
inline void restrictLibrarySearch()
{
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    const auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
    if (setDefault == nullptr || !setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32))
        SetDllDirectoryW(L"");
}

} // namespace slovo
