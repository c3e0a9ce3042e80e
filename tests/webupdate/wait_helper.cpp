// A stand-in application for the updater tests: "sleep MS" waits, "mark FILE ARG" writes ARG, "|"
// and the show state it was started with;
// copied as patcher.exe it writes its two arguments into patched.txt of the current directory.
#include <windows.h>

#include <string>

int wmain(int argc, wchar_t** argv)
{
    const std::wstring self = argv[0];
    if (self.find(L"patcher") != std::wstring::npos) {
        HANDLE f = CreateFileW(L"patched.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        const std::wstring text = std::wstring(argc > 1 ? argv[1] : L"") + L"|" + (argc > 2 ? argv[2] : L"");
        DWORD n = 0;
        WriteFile(f, text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)), &n, nullptr);
        CloseHandle(f);
        return 0;
    }
    if (argc >= 3 && std::wstring(argv[1]) == L"sleep") {
        Sleep(static_cast<DWORD>(_wtoi(argv[2])));
        return 0;
    }
    if (argc >= 3 && std::wstring(argv[1]) == L"mark") {
        HANDLE f = CreateFileW(argv[2], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (f == INVALID_HANDLE_VALUE)
            return 1;
        STARTUPINFOW si{};
        GetStartupInfoW(&si);
        const int show = (si.dwFlags & STARTF_USESHOWWINDOW) != 0 ? si.wShowWindow : -1;
        const std::wstring text = (argc >= 4 ? argv[3] : L"") + std::wstring(L"|") + std::to_wstring(show);
        DWORD n = 0;
        WriteFile(f, text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)), &n, nullptr);
        CloseHandle(f);
        return 0;
    }
    return 2;
}
