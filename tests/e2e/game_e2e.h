// The end-to-end cases' common ground: a fixture that clears the data folder around each case
// and starts the game to its first puzzle, and the files read back.
#pragma once

#include "tests/e2e/driver.h"

#include "common/error.h"
#include "common/win32/text.h"
#include "common/win32/win32_file_system.h"
#include "game/core/word_base.h"
#include "game/win32/control_ids.h"

#include <gtest/gtest.h>

#include <string>

namespace e2e {

inline const slovo::BasePaths kPaths = slovo::BasePaths::fixedWindows();

// A file's bytes, or the message of the error reading it.
inline std::string fileBytes(const std::string& path)
{
    slovo::Win32FileSystem fs;
    try {
        return fs.readFile(path);
    } catch (const slovo::Error& e) {
        return e.what();
    }
}

inline void closeGame(GameProcess& game)
{
    PostMessageW(game.mainWindow(), WM_CLOSE, 0, 0);
    EXPECT_EQ(game.waitForExit(), 0);
}

class GameE2E : public ::testing::Test {
protected:
    void SetUp() override { removeDataDirectory(); }
    void TearDown() override
    {
        removeDataDirectory();
        e2e::removeSystemLibrary(); // written by the game
    }

    // Starts the game and waits until its first puzzle shows.
    void start(GameProcess& game)
    {
        ASSERT_TRUE(game.launch(gameExe())) << "the main window did not appear";
        ASSERT_TRUE(e2e::waitFor([&] { return game.text(slovo::ids::kStatusPane + 3).rfind("Осталось 9", 0) == 0; }))
            << tk::wide(game.text(slovo::ids::kStatusPane + 3)).size();
        ASSERT_TRUE(game.sync());
    }
};

} // namespace e2e
