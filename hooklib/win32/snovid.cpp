// Snovid.dll: global keyboard and mouse hooks that stamp input into the shared record
// "Duvezode" and wake the idle watcher; loaded into every process that receives input.
#include "hooklib/core/hook_decisions.h"

#include <windows.h>

namespace {

// Per-process state; plain data, so loading the library runs no constructor.
HINSTANCE g_instance;
HANDLE g_mapping;
snovid::ProcessState g_state;
snovid::HookHandles g_hooks;

struct Win32Platform {
    int hookId = 0;
    uint32_t tick() { return GetTickCount(); }
    void post(uint32_t window, uint32_t message, uintptr_t wp, intptr_t lp)
    {
        // Window handles carry 32 significant bits, sign-extended on 64-bit Windows.
        PostMessageA(reinterpret_cast<HWND>(static_cast<intptr_t>(static_cast<int32_t>(window))), message, wp, lp);
    }
    intptr_t callNext(int code, uintptr_t wp, intptr_t lp)
    {
        const uintptr_t hook = hookId == WH_KEYBOARD ? g_hooks.keyboard : g_hooks.mouse;
        return CallNextHookEx(reinterpret_cast<HHOOK>(hook), code, wp, lp);
    }
    uintptr_t install(snovid::HookKind kind);
    void uninstall(uintptr_t hook) { UnhookWindowsHookEx(reinterpret_cast<HHOOK>(hook)); }
};

void failureBox(const char* step)
{
    MessageBoxA(nullptr, "Error Snovid.dll loading", step, MB_OK | MB_ICONERROR);
}

void OpenSharedRecord()
{
    g_mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, snovid::kRecordSize,
                                   snovid::kMappingName);
    if (!g_mapping) {
        failureBox("Cannot load MapFile");
        return;
    }
    g_state.record = static_cast<snovid::TSharedActivity*>(
        MapViewOfFile(g_mapping, FILE_MAP_ALL_ACCESS, 0, 0, snovid::kRecordSize));
    if (!g_state.record)
        failureBox("Cannot create MapFile view");
}

void CloseSharedRecord()
{
    if (g_state.record)
        UnmapViewOfFile(g_state.record);
    g_state.record = nullptr;
    if (g_mapping)
        CloseHandle(g_mapping);
    g_mapping = nullptr;
}

} // namespace

extern "C" {

LRESULT CALLBACK KeyboardProc(int code, WPARAM wp, LPARAM lp)
{
    Win32Platform p{WH_KEYBOARD};
    return snovid::keyboardEvent(g_state, p, code, wp, lp);
}

LRESULT CALLBACK MouseProc(int code, WPARAM wp, LPARAM lp)
{
    Win32Platform p{WH_MOUSE};
    // MOUSEHOOKSTRUCT opens with the cursor point, laid out as two 32-bit integers.
    static_assert(sizeof(POINT) == sizeof(snovid::Point));
    return snovid::mouseEvent(g_state, p, code, wp, lp, reinterpret_cast<const snovid::Point*>(lp));
}

unsigned char WINAPI HookState(unsigned char active)
{
    Win32Platform p;
    return snovid::hookState(g_hooks, g_state, p, active != 0) ? 1 : 0;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        g_instance = instance;
        g_state.wakeMessage = RegisterWindowMessageA(snovid::kWakeMessageName);
        OpenSharedRecord();
        break;
    case DLL_PROCESS_DETACH:
        CloseSharedRecord();
        break;
    default:
        break;
    }
    return TRUE;
}

} // extern "C"

uintptr_t Win32Platform::install(snovid::HookKind kind)
{
    const HHOOK hook = kind == snovid::HookKind::Keyboard ? SetWindowsHookExA(WH_KEYBOARD, KeyboardProc, g_instance, 0)
                                                          : SetWindowsHookExA(WH_MOUSE, MouseProc, g_instance, 0);
    return reinterpret_cast<uintptr_t>(hook);
}
