// The updater as a real process: it waits for a real process, replaces, patches and expands
// component files, leaves plain files and a program whose replacement cannot move in alone, and
// starts the application again, shown in state 5.
#include "tests/win32/library_marks.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>

namespace {

// What the SZDD sample (SLOVO_PACKED) expands to.
const char* const kPackedText = "\xD1\xCB\xCE\xC2\xCE\r\n\xCF\xCE\xC4\xD1\xCA\xC0\xC7\xCA\xC0\r\n";

std::wstring env(const wchar_t* name)
{
    wchar_t buf[MAX_PATH];
    const DWORD n = GetEnvironmentVariableW(name, buf, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::wstring(buf, n) : L"";
}

std::string read(const std::wstring& path)
{
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return "<missing>";
    std::string out(1 << 16, '\0');
    DWORD n = 0;
    ReadFile(f, out.data(), static_cast<DWORD>(out.size()), &n, nullptr);
    CloseHandle(f);
    out.resize(n);
    return out;
}

void write(const std::wstring& path, const std::string& bytes)
{
    HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD n = 0;
    WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr);
    CloseHandle(f);
}

// Starts a command line in `dir`; returns the process handle.
HANDLE start(std::wstring line, const std::wstring& dir, DWORD* id = nullptr)
{
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si, &pi))
        return nullptr;
    CloseHandle(pi.hThread);
    if (id != nullptr)
        *id = pi.dwProcessId;
    return pi.hProcess;
}

class UpdaterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        upd_ = env(L"SLOVO_UPD");
        helper_ = env(L"SLOVO_WAIT_HELPER");
        ASSERT_FALSE(upd_.empty());
        wchar_t tmp[MAX_PATH];
        GetTempPathW(MAX_PATH, tmp);
        dir_ = std::wstring(tmp) + L"updtest" + std::to_wstring(GetTickCount()) + L"\\";
        CreateDirectoryW(dir_.c_str(), nullptr);
    }
    void TearDown() override { marks::removeFolder(dir_); }
    // Runs the updater (upd_ unless told) to its end, showing its running process to `running`
    // first; returns its running time in milliseconds, or -1.
    long runUpdater(const std::wstring& args, const std::wstring& exe = {},
                    const std::function<void(HANDLE)>& running = {})
    {
        const DWORD t0 = GetTickCount();
        HANDLE p = start(L"\"" + (exe.empty() ? upd_ : exe) + L"\" " + args, dir_);
        if (p != nullptr && running)
            running(p);
        if (p == nullptr || WaitForSingleObject(p, 20000) != WAIT_OBJECT_0)
            return -1;
        DWORD code = 99;
        GetExitCodeProcess(p, &code);
        CloseHandle(p);
        EXPECT_EQ(code, 0u);
        return static_cast<long>(GetTickCount() - t0);
    }

    std::wstring upd_;
    std::wstring helper_;
    std::wstring dir_;
};

TEST_F(UpdaterTest, WaitsForTheProcessThenReplaces)
{
    write(dir_ + L"prog.exe", "old");
    write(dir_ + L"prog.exe_new", "new");
    DWORD pid = 0;
    HANDLE app = start(L"\"" + helper_ + L"\" sleep 1500", dir_, &pid);
    ASSERT_NE(app, nullptr);
    const long took = runUpdater(std::to_wstring(pid) + L" null \"" + dir_ + L"prog.exe_new\"");
    EXPECT_EQ(WaitForSingleObject(app, 0), WAIT_OBJECT_0) << "the updater ended before the application";
    CloseHandle(app);
    EXPECT_GE(took, 1000) << "it waited for the application";
    EXPECT_EQ(read(dir_ + L"prog.exe"), "new");
    EXPECT_EQ(read(dir_ + L"prog.exe_new"), "<missing>");
}

TEST_F(UpdaterTest, RestartsTheApplicationWithItsParameter)
{
    DWORD pid = 0;
    HANDLE app = start(L"\"" + helper_ + L"\" sleep 300", dir_, &pid);
    ASSERT_NE(app, nullptr);
    const std::wstring marker = dir_ + L"restarted.txt";
    ASSERT_GE(runUpdater(std::to_wstring(pid) + L" \"" + helper_ + L" mark " + marker + L" again\""), 0);
    CloseHandle(app);
    for (int i = 0; i < 100 && read(marker) == "<missing>"; ++i)
        Sleep(50);
    const std::wstring want = L"again|" + std::to_wstring(SW_SHOW);
    EXPECT_EQ(read(marker), std::string(reinterpret_cast<const char*>(want.data()), want.size() * 2))
        << "restarted with its parameter, shown in state 5";
}

TEST_F(UpdaterTest, AReplacementThatCannotMoveInLeavesTheProgram)
{
    write(dir_ + L"prog.exe", "old");
    ASSERT_GE(runUpdater(L"1 null " + dir_ + L"prog.exe_new"), 0);
    EXPECT_EQ(read(dir_ + L"prog.exe"), "old") << "no replacement: the program stays";
    write(dir_ + L"prog.exe_new", "new");
    HANDLE held = CreateFileW((dir_ + L"prog.exe").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                              nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    ASSERT_GE(runUpdater(L"1 null " + dir_ + L"prog.exe_new"), 0);
    CloseHandle(held);
    EXPECT_EQ(read(dir_ + L"prog.exe"), "old") << "held open: the program stays";
    EXPECT_EQ(read(dir_ + L"prog.exe_new"), "new");
}

TEST_F(UpdaterTest, PatchFileRunsThePatchToolFromTheCurrentDirectory)
{
    // The patch tool is found in the current directory the updater inherits.
    ASSERT_TRUE(CopyFileW(helper_.c_str(), (dir_ + L"patcher.exe").c_str(), FALSE));
    write(dir_ + L"prog.PAT", "patch");
    ASSERT_GE(runUpdater(L"1 null " + dir_ + L"prog.PAT"), 0);
    EXPECT_EQ(read(dir_ + L"prog.PAT"), "<missing>") << "the patch file is deleted";
    const std::wstring want = dir_ + L"prog.PAT|" + dir_ + L"prog.EXE";
    EXPECT_EQ(read(dir_ + L"patched.txt"), std::string(reinterpret_cast<const char*>(want.data()), want.size() * 2));
}

TEST_F(UpdaterTest, NotANumberDoesNothing)
{
    write(dir_ + L"prog.exe_new", "new");
    for (const wchar_t* first : {L"abc", L"\"\"", L"12x"}) {
        ASSERT_GE(runUpdater(std::wstring(first) + L" null " + dir_ + L"prog.exe_new"), 0);
        EXPECT_EQ(read(dir_ + L"prog.exe_new"), "new") << first;
        EXPECT_EQ(read(dir_ + L"prog.exe"), "<missing>") << first;
    }
    ASSERT_GE(runUpdater(L""), 0);
}

TEST_F(UpdaterTest, PlainFilesStayAndCompressedOnesExpand)
{
    const std::wstring packedDir = env(L"SLOVO_PACKED");
    write(dir_ + L"x_NEW.dat_NEW", "twice");
    write(dir_ + L"plain.txt", "plain");
    ASSERT_TRUE(CopyFileW(packedDir.c_str(), (dir_ + L"packed.txt_").c_str(), FALSE)) << "SLOVO_PACKED";
    ASSERT_GE(runUpdater(L"1 null " + dir_ + L"x_NEW.dat_NEW " + dir_ + L"plain.txt " + dir_ + L"packed.txt_"), 0);
    EXPECT_EQ(read(dir_ + L"x_NEW.dat_NEW"), "twice") << "not a replacement, and not compressed: untouched";
    EXPECT_EQ(read(dir_ + L"x_NEW.dat"), "<missing>");
    EXPECT_EQ(read(dir_ + L"plain.txt"), "plain") << "a plain file is its own expanded name: untouched";
    EXPECT_EQ(read(dir_ + L"packed.txt"), kPackedText);
    EXPECT_NE(read(dir_ + L"packed.txt_"), "<missing>") << "the compressed file itself stays";
}

TEST_F(UpdaterTest, LibrariesBesideTheUpdaterAreNeverLoaded)
{
    // The game starts the updater in the temporary folder, which holds whatever was put there.
    const std::wstring updater = dir_ + L"upd.exe";
    ASSERT_TRUE(CopyFileW(upd_.c_str(), updater.c_str(), FALSE));
    ASSERT_TRUE(marks::plant(env(L"SLOVO_MARKER"), dir_, {L"lz32.dll", L"cabinet.dll"})) << "SLOVO_MARKER";
    ASSERT_TRUE(CopyFileW(env(L"SLOVO_PACKED").c_str(), (dir_ + L"packed.txt_").c_str(), FALSE));
    write(dir_ + L"data.cab", "MSCF");
    DWORD pid = 0;
    HANDLE app = start(L"\"" + helper_ + L"\" sleep 1500", dir_, &pid);
    ASSERT_NE(app, nullptr);
    const std::wstring restarted = dir_ + L"restarted.txt";
    const std::wstring args = std::to_wstring(pid) + L" \"" + helper_ + L" mark " + restarted + L" again\" " + dir_ +
                              L"packed.txt_ " + dir_ + L"data.cab";
    ASSERT_GE(runUpdater(args, updater, [&](HANDLE running) {
        // Waiting for the application, it holds nothing from its own folder but itself.
        Sleep(500);
        for (const std::wstring& path : marks::modulePaths(running))
            EXPECT_TRUE(lstrcmpiW(path.c_str(), updater.c_str()) == 0 || _wcsnicmp(path.c_str(), dir_.c_str(), dir_.size()) != 0)
                << std::string(path.begin(), path.end());
    }), 0);
    CloseHandle(app);
    EXPECT_EQ(read(dir_ + L"packed.txt"), kPackedText) << "expanded by the system's LZ32";
    for (int i = 0; i < 100 && read(restarted) == "<missing>"; ++i)
        Sleep(50);
    EXPECT_NE(read(restarted), "<missing>") << "the update ran to its end";
    // A Wine difference: Wine loads its own lz32 and cabinet under those names whichever copy a
    // search finds, so these stay unwritten even for a search that reached this folder (the
    // module list above is what sees that); Windows would load the copies.
    EXPECT_EQ(marks::written(dir_), "");
}

} // namespace
