// The word files and the settings file are replaced atomically: a writer killed at random moments
// while it saves leaves each file as the old generation or the new one, whole.
#include "tests/win32/save_generation.h"

#include "common/win32/text.h"
#include "common/win32/win32_file_system.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <random>

namespace slovo {
namespace {

std::wstring besideThisProgram(const std::wstring& name)
{
    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring p(path, n);
    return p.substr(0, p.rfind(L'\\') + 1) + name;
}

std::string scratchDirectory()
{
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    // One per bitness: the x86_64 and i686 runs share the prefix's temporary folder and may run at once.
    const std::wstring dir = std::wstring(temp) + (sizeof(void*) == 8 ? L"slovo-save-under-fire-x64" : L"slovo-save-under-fire-x86");
    CreateDirectoryW(dir.c_str(), nullptr);
    for (const wchar_t* f : {L"\\words.txt", L"\\hints.txt", L"\\settings.bin", L"\\words.txt.~new",
                             L"\\hints.txt.~new", L"\\settings.bin.~new"})
        DeleteFileW((dir + f).c_str());
    return tk::narrow(dir);
}

TEST(SaveUnderFire, EveryFileIsTheOldOrTheNewGenerationWhole)
{
    const std::string dir = scratchDirectory();
    const std::wstring writer = besideThisProgram(L"save_writer.exe");
    Win32FileSystem fs;
    std::mt19937 rng(1302);
    long seen[3] = {0, 0, 0};
    long next = 1;
    int kills = 0, torn = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(150);
    for (int round = 0; round < 30 && std::chrono::steady_clock::now() < deadline; ++round) {
        std::wstring command = L"\"" + writer + L"\" \"" + tk::wide(dir) + L"\" " + std::to_wstring(next);
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        ASSERT_TRUE(CreateProcessW(writer.c_str(), command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                                   nullptr, &si, &pi))
            << GetLastError();
        // From the start-up to a few saves in: some kills land inside a write, some in a rename.
        const DWORD wait = WaitForSingleObject(pi.hProcess, 200 + rng() % 2500);
        if (wait == WAIT_TIMEOUT) {
            TerminateProcess(pi.hProcess, 9);
            WaitForSingleObject(pi.hProcess, INFINITE);
            ++kills;
        }
        DWORD code = 0;
        GetExitCodeProcess(pi.hProcess, &code);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        ASSERT_EQ(wait, static_cast<DWORD>(WAIT_TIMEOUT)) << "the writer stopped by itself with " << code;

        const struct {
            const char* name;
            int slot;
        } files[] = {{"words.txt", 0}, {"hints.txt", 1}, {"settings.bin", 2}};
        for (const auto& f : files) {
            const std::string path = dir + "\\" + f.name;
            if (!fs.fileExists(path)) {
                EXPECT_EQ(seen[f.slot], 0) << f.name << " vanished after generation " << seen[f.slot];
                continue;
            }
            const std::string bytes = fs.readFile(path);
            const long gen = f.slot == 2 ? test::wholeSettingsFile(bytes)
                                         : test::wholeWordFile(bytes, f.slot == 0 ? 'W' : 'H');
            if (gen < 0)
                ++torn;
            EXPECT_GE(gen, seen[f.slot]) << f.name << " is not whole (" << bytes.size() << " bytes) or went back, round "
                                         << round;
            seen[f.slot] = std::max(seen[f.slot], gen);
        }
        next = std::max({seen[0], seen[1], seen[2]}) + 1;
    }
    EXPECT_EQ(torn, 0);
    EXPECT_GE(kills, 10) << "too few kills to mean anything";
    EXPECT_GT(seen[0], 1) << "the writer never finished a save";
    std::printf("kills %d, last generations %ld %ld %ld\n", kills, seen[0], seen[1], seen[2]);
}

} // namespace
} // namespace slovo
