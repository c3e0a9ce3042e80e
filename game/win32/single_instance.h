// TabcSingleInstance: keeps a second copy of the game from running. The second copy warns,
// brings the first one forward and ends itself.
#pragma once

#include <windows.h>

#include <string>

namespace slovo {

class TabcSingleInstance {
public:
    // Creates the named mutex, asking for initial ownership.
    explicit TabcSingleInstance(const std::string& applicationTitle);
    ~TabcSingleInstance();
    TabcSingleInstance(const TabcSingleInstance&) = delete;
    TabcSingleInstance& operator=(const TabcSingleInstance&) = delete;

    static std::string mutexName(const std::string& applicationTitle);

    bool secondInstance() const { return mutex_ == nullptr; }
    // Once all components exist: a second instance warns, activates the first and terminates.
    void checkAfterLoading(HWND applicationWindow);

    std::string StopMsg = "Игра \"СЛОВОЛОВКА\" уже заружена на этом компьютере...";

private:
    std::string title_;
    HANDLE mutex_ = nullptr;
};

} // namespace slovo
