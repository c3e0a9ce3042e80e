// The hook library and the idle watcher for real: Snovid.dll through its exports and its mapping
// from two processes, hooks fed with real input, the watcher's sleep and wake, and the library
// file written once into the system directory.
#include "idle/win32/duvezode.h"
#include "idle/snovid_common.h"
#include "tests/e2e/driver.h"
#include "common/win32/text.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace {

using HookStateFn = unsigned char(WINAPI*)(unsigned char);
using HookProcFn = LRESULT(CALLBACK*)(int, WPARAM, LPARAM);

std::string builtLibrary()
{
    const char* path = std::getenv("SLOVO_SNOVID");
    return path ? path : "Snovid.dll";
}

std::string fileBytes(const std::wstring& path)
{
    std::ifstream in(path.c_str(), std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// Pumps this thread's messages for a while, or until done() holds.
void pump(DWORD milliseconds, const std::function<bool()>& done = [] { return false; })
{
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds && !done()) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
        Sleep(5);
    }
}

// A window that counts the wake messages it gets.
struct WakeCounter {
    static inline int count = 0;
    static inline UINT message = 0;
    HWND window = nullptr;
    WakeCounter()
    {
        message = RegisterWindowMessageA(snovid::kWakeMessageName);
        count = 0;
        WNDCLASSW wc{};
        wc.lpfnWndProc = proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"SlovoWakeCounter";
        RegisterClassW(&wc);
        window = CreateWindowExW(WS_EX_TOPMOST, L"SlovoWakeCounter", L"wake", WS_POPUP | WS_VISIBLE, 100, 100, 300, 300,
                                 nullptr, nullptr, wc.hInstance, nullptr);
    }
    ~WakeCounter() { DestroyWindow(window); }
    // A named stdcall function: i686 has no conversion from a lambda to a window procedure.
    static LRESULT CALLBACK proc(HWND h, UINT m, WPARAM w, LPARAM l)
    {
        if (m == message) {
            ++count;
            return 0;
        }
        return DefWindowProcW(h, m, w, l);
    }
    uint32_t handle32() const { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(window)); }
};

struct Library {
    HMODULE module = LoadLibraryW(e2e::windowsPath(builtLibrary()).c_str());
    HookStateFn hookState = module ? reinterpret_cast<HookStateFn>(reinterpret_cast<void*>(GetProcAddress(module, "HookState"))) : nullptr;
    HookProcFn keyboard = module ? reinterpret_cast<HookProcFn>(reinterpret_cast<void*>(GetProcAddress(module, "KeyboardProc"))) : nullptr;
    HookProcFn mouse = module ? reinterpret_cast<HookProcFn>(reinterpret_cast<void*>(GetProcAddress(module, "MouseProc"))) : nullptr;
    ~Library()
    {
        if (module)
            FreeLibrary(module);
    }
};

// The record as a third party sees it.
struct Record {
    HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 12, snovid::kMappingName);
    snovid::TSharedActivity* view = static_cast<snovid::TSharedActivity*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 12));
    ~Record()
    {
        UnmapViewOfFile(view);
        CloseHandle(mapping);
    }
};

void moveMouse(int x, int y)
{
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dx = x * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1);
    in.mi.dy = y * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1);
    in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &in, sizeof in);
}

TEST(SnovidLibrary, ExportsDriveTheSharedRecordAcrossTwoProcesses)
{
    Library lib;
    ASSERT_TRUE(lib.module) << builtLibrary();
    ASSERT_TRUE(lib.hookState && lib.keyboard && lib.mouse);
    Record rec;
    ASSERT_TRUE(rec.view);
    WakeCounter wake;
    rec.view->NotifyWnd = wake.handle32();
    rec.view->Armed = 0;
    rec.view->LastTick = 0;

    EXPECT_EQ(lib.keyboard(-1, 0, 0), 0) << "a negative code is passed on";
    EXPECT_EQ(rec.view->LastTick, 0u);
    EXPECT_EQ(lib.keyboard(0, 'A', 1), 0);
    EXPECT_NE(rec.view->LastTick, 0u);
    pump(200);
    EXPECT_EQ(WakeCounter::count, 0) << "woken while not armed";

    // Another process: the same test program, loading the library and pressing a key there.
    rec.view->Armed = 1;
    rec.view->LastTick = 0;
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(self) + L"\" --press-key-in-child";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    ASSERT_EQ(WaitForSingleObject(pi.hProcess, 20000), WAIT_OBJECT_0);
    DWORD exitCode = 99;
    GetExitCodeProcess(pi.hProcess, &exitCode);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    EXPECT_EQ(exitCode, 0u);
    pump(1000, [] { return WakeCounter::count > 0; });
    EXPECT_EQ(WakeCounter::count, 1) << "the child's key press did not wake";
    EXPECT_EQ(rec.view->Armed, 0);
    EXPECT_NE(rec.view->LastTick, 0u) << "the child stamped nothing";

    // The mouse: the first event after arming is only remembered.
    rec.view->Armed = 1;
    MOUSEHOOKSTRUCT ms{};
    ms.pt = {100, 200};
    lib.mouse(0, WM_LBUTTONDOWN, reinterpret_cast<LPARAM>(&ms));
    lib.mouse(0, WM_MOUSEMOVE, reinterpret_cast<LPARAM>(&ms));
    pump(200);
    EXPECT_EQ(WakeCounter::count, 1);
    ms.pt = {101, 200};
    lib.mouse(0, WM_MOUSEMOVE, reinterpret_cast<LPARAM>(&ms));
    pump(1000, [] { return WakeCounter::count > 1; });
    EXPECT_EQ(WakeCounter::count, 2);
}

TEST(SnovidLibrary, InstalledHooksSeeRealInput)
{
    Library lib;
    ASSERT_TRUE(lib.hookState);
    Record rec;
    WakeCounter wake;
    rec.view->NotifyWnd = wake.handle32();
    rec.view->Armed = 0;
    rec.view->LastTick = 0;
    ASSERT_EQ(lib.hookState(1), 1);
    EXPECT_NE(rec.view->LastTick, 0u) << "HookState did not stamp";
    EXPECT_EQ(lib.hookState(1), 1) << "a second HookState(true)";
    rec.view->LastTick = 0;
    SetForegroundWindow(wake.window);
    moveMouse(150, 150);
    pump(1000, [&] { return rec.view->LastTick != 0; });
    EXPECT_NE(rec.view->LastTick, 0u) << "the mouse hook stamped nothing";

    rec.view->Armed = 1;
    for (int i = 0; i < 4 && WakeCounter::count == 0; ++i) {
        moveMouse(160 + 10 * i, 170 + 10 * i);
        pump(300, [] { return WakeCounter::count > 0; });
    }
    EXPECT_GE(WakeCounter::count, 1) << "real mouse moves did not wake";
    EXPECT_EQ(rec.view->Armed, 0);
    EXPECT_EQ(lib.hookState(0), 1);
    EXPECT_EQ(lib.hookState(0), 1) << "HookState(false) with no hook held";
}

// The system directory's Snovid.dll, removed before and after: the tests must leave the prefix
// as they found it.
class WatcherTest : public ::testing::Test {
protected:
    static std::wstring systemCopy() { return tk::wide(idle::TDuvezode::libraryPath()); }
    static void removeSystemCopy() { ASSERT_TRUE(e2e::removeSystemLibrary()); }
    void SetUp() override { removeSystemCopy(); }
    void TearDown() override { removeSystemCopy(); }
    std::vector<std::string> errors;
    idle::TDuvezode::ErrorHandler onError = [this](std::exception_ptr e) {
        try {
            std::rethrow_exception(e);
        } catch (const std::exception& x) {
            errors.push_back(x.what());
        }
    };
};

TEST_F(WatcherTest, LibraryIsWrittenOnceAndNeverReplaced)
{
    {
        idle::TDuvezode watcher(onError);
        EXPECT_EQ(fileBytes(systemCopy()), fileBytes(e2e::windowsPath(builtLibrary()))) << "not the built library";
    }
    // Another file in its place, even a different one, stays as it is.
    removeSystemCopy();
    {
        std::ofstream(systemCopy().c_str(), std::ios::binary) << "not a library";
    }
    {
        idle::TDuvezode watcher(onError);
        EXPECT_EQ(fileBytes(systemCopy()), "not a library");
        try {
            watcher.setActive(true);
            FAIL() << "loaded a file that is no library";
        } catch (const idle::EDuvezodeError& e) {
            EXPECT_STREQ(e.what(), "Unable to load Snovid.dll");
        }
        EXPECT_TRUE(watcher.Active());
        EXPECT_EQ(watcher.state(), idle::WatcherState::Inactive);
        int sleeps = 0;
        watcher.setOnSleep([&](idle::TDuvezode&) { ++sleeps; });
        watcher.setInterval(1);
        pump(1500);
        EXPECT_EQ(sleeps, 0) << "slept without a record";
    }
    EXPECT_EQ(fileBytes(systemCopy()), "not a library");
}

TEST_F(WatcherTest, ShortIntervalSleepsOnceAndInputWakes)
{
    idle::TDuvezode watcher(onError);
    int sleeps = 0, awakes = 0;
    WakeCounter window; // something on screen for the mouse to move over
    watcher.setInterval(1);
    watcher.setActive(true);
    watcher.setOnAwake([&](idle::TDuvezode& sender) {
        EXPECT_EQ(&sender, &watcher);
        ++awakes;
    });
    watcher.setOnSleep([&](idle::TDuvezode&) { ++sleeps; });
    EXPECT_EQ(watcher.state(), idle::WatcherState::Watching);
    pump(3500);
    EXPECT_EQ(sleeps, 1);
    EXPECT_EQ(awakes, 0);
    EXPECT_EQ(watcher.state(), idle::WatcherState::Asleep);
    for (int i = 0; i < 4 && awakes == 0; ++i) {
        moveMouse(120 + 15 * i, 130 + 15 * i);
        pump(400, [&] { return awakes > 0; });
    }
    EXPECT_EQ(awakes, 1);
    EXPECT_EQ(watcher.state(), idle::WatcherState::Watching);
    // A second wake for the same sleep is handled as a wake.
    PostMessageW(watcher.hiddenWindow(), watcher.wakeMessageNumber(), 0, 0);
    pump(300);
    EXPECT_EQ(awakes, 2);
    watcher.setActive(false);
    EXPECT_EQ(watcher.state(), idle::WatcherState::Inactive);
    EXPECT_TRUE(errors.empty()) << errors.front();
}

} // namespace

int main(int argc, char** argv)
{
    // The second process of the two-process case: load the library, press a key through it.
    if (argc > 1 && std::string(argv[1]) == "--press-key-in-child") {
        Library lib;
        if (!lib.keyboard)
            return 2;
        lib.keyboard(0, 'B', 1);
        return 0;
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
