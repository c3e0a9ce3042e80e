// What the in-process tests of the main window share: the application and GDI+ for the whole
// run, a message pump that lets posted work run, and a clean data folder.
#pragma once

#include "common/win32/text.h"
#include "common/win32/win32_file_system.h"
#include "game/core/app_title.h"
#include "game/core/word_base.h"
#include "tests/e2e/driver.h"
#include "toolkit/application.h"
#include "toolkit/picture.h"

#include <gtest/gtest.h>

#include <memory>

namespace slovo::wintest {

class AppEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        gdiplus = std::make_unique<tk::GdiplusSession>();
        app = std::make_unique<tk::Application>(GetModuleHandleW(nullptr), kApplicationTitle);
    }
    void TearDown() override
    {
        app.reset();
        gdiplus.reset();
        // The main window's idle watcher wrote the hook library into the system directory.
        e2e::removeSystemLibrary();
    }
    std::unique_ptr<tk::GdiplusSession> gdiplus;
    std::unique_ptr<tk::Application> app;
};

inline AppEnvironment* addAppEnvironment()
{
    return static_cast<AppEnvironment*>(::testing::AddGlobalTestEnvironment(new AppEnvironment));
}

inline void pump()
{
    for (int round = 0; round < 5; ++round) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            if (msg.message != WM_QUIT)
                DispatchMessageW(&msg);
        Sleep(5);
    }
}

// The data folder without base files; with the updated base, a small one of three words.
inline void resetData(bool withUpdatedBase)
{
    const BasePaths paths = BasePaths::fixedWindows();
    Win32FileSystem fs;
    for (const auto* p : {&paths.stwords, &paths.sthints, &paths.words, &paths.hints})
        DeleteFileW(tk::wide(*p).c_str());
    CreateDirectoryW(tk::wide(paths.directory).c_str(), nullptr);
    if (withUpdatedBase) {
        fs.writeFile(paths.words, "ОЛЕНЬ\r\nПУРГА\r\nЛИНЬ\r\n");
        fs.writeFile(paths.hints, "ЖИВОТНОЕ\r\nБУРЯ\r\nРЫБА\r\n");
    }
}

} // namespace slovo::wintest
