// TDuvezode: the idle watcher component. It writes Snovid.dll out of the program's resources,
// loads it, shares the activity record with its hooks and raises OnSleep and OnAwake.
#pragma once

#include "idle/core/watcher.h"

#include <windows.h>

#include <exception>
#include <functional>
#include <string>

namespace idle {

class TDuvezode : private WatcherPlatform {
public:
    using Notify = std::function<void(TDuvezode& sender)>;
    using ErrorHandler = std::function<void(std::exception_ptr)>;

    // Errors raised in the hidden window's messages go to onError (the application's error box).
    explicit TDuvezode(ErrorHandler onError);
    ~TDuvezode();
    TDuvezode(const TDuvezode&) = delete;
    TDuvezode& operator=(const TDuvezode&) = delete;

    std::string About() const { return {}; }
    void setAbout(const std::string&) {}
    bool Active() const { return core_.Active(); }
    void setActive(bool on) { core_.setActive(on); }
    uint32_t Interval() const { return core_.Interval(); }
    void setInterval(uint32_t seconds) { core_.setInterval(seconds); }
    void setOnAwake(Notify handler);
    void setOnSleep(Notify handler);

    WatcherState state() const { return core_.state(); }
    HWND hiddenWindow() const { return window_; }
    UINT wakeMessageNumber() const { return wakeMessage_; }

    // The library's path in the system directory.
    static std::string libraryPath();

private:
    void ExtractLibrary();
    void LoadHooks(bool on);
    static LRESULT CALLBACK WatcherWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

    // WatcherPlatform
    uint32_t tickCount() override { return GetTickCount(); }
    void loadHooks(bool on) override { LoadHooks(on); }
    snovid::TSharedActivity* record() override { return view_; }
    uint32_t notifyWindow() override;
    void killTimer() override { KillTimer(window_, 1); }
    bool setTimer(uint32_t milliseconds) override { return SetTimer(window_, 1, milliseconds, nullptr) != 0; }
    void raiseSleep() override;
    void raiseAwake() override;

    using HookStateProc = unsigned char(WINAPI*)(unsigned char);

    ErrorHandler onError_;
    DuvezodeCore core_{*this};
    Notify onAwake_, onSleep_;
    HWND window_ = nullptr;
    HMODULE library_ = nullptr;
    HookStateProc hookState_ = nullptr;
    HANDLE mapping_ = nullptr;
    snovid::TSharedActivity* view_ = nullptr;
    UINT wakeMessage_ = 0;
};

} // namespace idle
