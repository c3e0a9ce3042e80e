// The tests' marker library. Copied under the name of a system library or of the hook library into
// a folder no program may take libraries from, it leaves "<its own path>.loaded", naming itself,
// in every process that loads it. It exports HookState as the hook library does, so a copy named
// Snovid.dll would pass for that one.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, void*)
{
    if (reason != DLL_PROCESS_ATTACH)
        return TRUE;
    wchar_t path[MAX_PATH], mark[MAX_PATH + 8];
    const DWORD n = GetModuleFileNameW(self, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return TRUE;
    lstrcpyW(mark, path);
    lstrcatW(mark, L".loaded");
    const HANDLE file = CreateFileW(mark, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, path, n * sizeof(wchar_t), &written, nullptr);
    CloseHandle(file);
    return TRUE;
}

extern "C" __declspec(dllexport) unsigned char WINAPI HookState(unsigned char)
{
    return 1;
}
