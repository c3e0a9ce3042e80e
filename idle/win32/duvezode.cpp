// TDuvezode over Win32: the hidden window and its timer, the library file and its loading.
#include "idle/win32/duvezode.h"

#include "common/win32/library_search.h"
#include "common/win32/text.h"

namespace idle {

namespace {

constexpr wchar_t kWindowClass[] = L"TDuvezodeWatcher";
constexpr UINT_PTR kTimerId = 1;

void registerWindowClass(WNDPROC proc)
{
    WNDCLASSW wc{};
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kWindowClass;
    RegisterClassW(&wc); // a second registration fails harmlessly
}

} // namespace

TDuvezode::TDuvezode(ErrorHandler onError) : onError_(std::move(onError))
{
    registerWindowClass(WatcherWndProc);
    // A message-only window: it takes posted messages and timers and is never shown.
    window_ = CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleW(nullptr), nullptr);
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    wakeMessage_ = RegisterWindowMessageA(snovid::kWakeMessageName);
    try {
        ExtractLibrary();
    } catch (...) {
        DestroyWindow(window_);
        throw;
    }
}

TDuvezode::~TDuvezode()
{
    try {
        core_.setActive(false);
    } catch (...) {
        // Unloading raises nothing; a timer error cannot come from switching off.
    }
    // What a failed load left behind (the library without a record) goes too.
    if (library_)
        LoadHooks(false);
    KillTimer(window_, kTimerId);
    DestroyWindow(window_);
}

void TDuvezode::setOnAwake(Notify handler)
{
    onAwake_ = std::move(handler);
    core_.setOnAwakeAssigned(static_cast<bool>(onAwake_));
}

void TDuvezode::setOnSleep(Notify handler)
{
    onSleep_ = std::move(handler);
    core_.setOnSleepAssigned(static_cast<bool>(onSleep_));
}

std::string TDuvezode::libraryPath()
{
    return tk::narrow(slovo::systemLibraryPath(tk::wide(snovid::kLibraryFileName)));
}

void TDuvezode::ExtractLibrary()
{
    const std::string path = libraryPath();
    const std::wstring wpath = tk::wide(path);
    if (GetFileAttributesW(wpath.c_str()) != INVALID_FILE_ATTRIBUTES)
        return;
    const HMODULE module = GetModuleHandleW(nullptr);
    const HRSRC info = FindResourceW(module, tk::wide(snovid::kResourceName).c_str(), MAKEINTRESOURCEW(10));
    if (!info)
        return;
    const HGLOBAL loaded = LoadResource(module, info);
    if (!loaded)
        return;
    const DWORD size = SizeofResource(module, info);
    const void* data = LockResource(loaded);
    // Written beside its place and moved in without replacing: a short write never leaves a
    // broken library that would be kept for ever, and a copy that appeared meanwhile wins.
    const std::wstring temp = wpath + L"." + std::to_wstring(GetCurrentProcessId()) + L".tmp";
    const HANDLE file = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    bool written = false;
    if (file != INVALID_HANDLE_VALUE) {
        DWORD done = 0;
        written = data && WriteFile(file, data, size, &done, nullptr) && done == size;
        written = CloseHandle(file) && written;
    }
    FreeResource(loaded);
    if (!written) {
        DeleteFileW(temp.c_str());
        throw slovo::Error("Cannot create file " + path);
    }
    if (!MoveFileExW(temp.c_str(), wpath.c_str(), 0))
        DeleteFileW(temp.c_str());
}

void TDuvezode::LoadHooks(bool on)
{
    if (!on) {
        if (!library_)
            return;
        if (hookState_)
            hookState_(0);
        if (view_)
            UnmapViewOfFile(view_);
        view_ = nullptr;
        if (mapping_)
            CloseHandle(mapping_);
        mapping_ = nullptr;
        FreeLibrary(library_);
        library_ = nullptr;
        hookState_ = nullptr;
        return;
    }
    // Loaded with its record mapped: nothing to do. A library left by a failed load goes on
    // from the step that failed, so the record is never used unmapped.
    if (library_ && view_)
        return;
    if (!library_) {
        // By the full path of the file ExtractLibrary checks and writes: a search by name would
        // take a Snovid.dll beside the program first and hook it into every program.
        library_ = LoadLibraryW(tk::wide(libraryPath()).c_str());
        if (!library_)
            throw EDuvezodeError("Unable to load Snovid.dll");
    }
    if (!hookState_) {
        hookState_ = reinterpret_cast<HookStateProc>(reinterpret_cast<void*>(GetProcAddress(library_, snovid::kHookStateExport)));
        if (!hookState_)
            throw EDuvezodeError("Cannot find procedure \"HookState\" in Snovid.dll");
    }
    hookState_(1);
    if (!mapping_) {
        mapping_ = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, snovid::kRecordSize, snovid::kMappingName);
        if (!mapping_)
            throw EDuvezodeError("Cannot load MapFile in Snovid.dll");
    }
    view_ = static_cast<snovid::TSharedActivity*>(MapViewOfFile(mapping_, FILE_MAP_ALL_ACCESS, 0, 0, snovid::kRecordSize));
    if (!view_)
        throw EDuvezodeError("Cannot create MapFile view in Snovid.dll");
}

uint32_t TDuvezode::notifyWindow()
{
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(window_));
}

void TDuvezode::raiseSleep()
{
    if (onSleep_)
        onSleep_(*this);
}

void TDuvezode::raiseAwake()
{
    if (onAwake_)
        onAwake_(*this);
}

LRESULT CALLBACK TDuvezode::WatcherWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    auto* self = reinterpret_cast<TDuvezode*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self && (msg == WM_TIMER || msg == self->wakeMessage_)) {
        try {
            if (msg == WM_TIMER)
                self->core_.timerMessage();
            else
                self->core_.wakeMessage();
        } catch (...) {
            if (self->onError_)
                self->onError_(std::current_exception());
        }
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

} // namespace idle
