// Planting the marker library (marker_library.cpp) where a program must not take libraries from,
// reading what the planted copies wrote, and the libraries a process has loaded.
#pragma once

#include <windows.h>
#include <psapi.h>

#include <string>
#include <vector>

namespace marks {

// A folder (ending in a backslash) and the files in it gone; nothing for no folder.
inline void removeFolder(const std::wstring& dir)
{
    if (dir.empty())
        return;
    WIN32_FIND_DATAW fd;
    const HANDLE find = FindFirstFileW((dir + L"*").c_str(), &fd);
    if (find != INVALID_HANDLE_VALUE) {
        do
            DeleteFileW((dir + fd.cFileName).c_str());
        while (FindNextFileW(find, &fd));
        FindClose(find);
    }
    RemoveDirectoryW(dir.c_str());
}

// Copies of the marker library in dir (ending in a backslash), one under each name.
inline bool plant(const std::wstring& marker, const std::wstring& dir, const std::vector<std::wstring>& names)
{
    for (const std::wstring& name : names)
        if (!CopyFileW(marker.c_str(), (dir + name).c_str(), FALSE))
            return false;
    return true;
}

// The paths the planted copies in dir named when they were loaded, one a line; empty when none was.
inline std::string written(const std::wstring& dir)
{
    std::wstring out;
    WIN32_FIND_DATAW fd;
    const HANDLE find = FindFirstFileW((dir + L"*.loaded").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE)
        return {};
    do {
        const HANDLE f = CreateFileW((dir + fd.cFileName).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        wchar_t path[MAX_PATH] = {};
        DWORD got = 0;
        ReadFile(f, path, sizeof path - sizeof(wchar_t), &got, nullptr);
        CloseHandle(f);
        out += std::wstring(path, got / sizeof(wchar_t)) + L"\n";
    } while (FindNextFileW(find, &fd));
    FindClose(find);
    std::string narrow(out.size() * 3, '\0');
    narrow.resize(WideCharToMultiByte(CP_UTF8, 0, out.data(), static_cast<int>(out.size()), narrow.data(),
                                      static_cast<int>(narrow.size()), nullptr, nullptr));
    return narrow;
}

// The full paths of the libraries (and the program) a process has loaded.
inline std::vector<std::wstring> modulePaths(HANDLE process)
{
    std::vector<std::wstring> paths;
    HMODULE modules[512];
    DWORD bytes = 0;
    if (!EnumProcessModulesEx(process, modules, sizeof modules, &bytes, LIST_MODULES_ALL))
        return paths;
    for (DWORD i = 0; i < bytes / sizeof(HMODULE) && i < 512; ++i) {
        wchar_t path[MAX_PATH];
        if (GetModuleFileNameExW(process, modules[i], path, MAX_PATH))
            paths.emplace_back(path);
    }
    return paths;
}

} // namespace marks
