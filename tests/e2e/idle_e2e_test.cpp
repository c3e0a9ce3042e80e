// The idle reaction of the real game: after a short idle period the starfield covers the window
// and moves, a real mouse move hides it, and it covers the editor too.
#include "tests/e2e/driver.h"

#include "game/core/word_base.h"
#include "game/win32/control_ids.h"
#include "common/win32/text.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

using namespace slovo;
using e2e::GameProcess;
using e2e::gameExe;

std::string fileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// Distinct grey star pixels in a 24-bit BMP (header of 54 bytes).
int starPixels(const std::string& bmp)
{
    int n = 0;
    for (size_t i = 54; i + 2 < bmp.size(); i += 3) {
        const auto b = static_cast<unsigned char>(bmp[i]), g = static_cast<unsigned char>(bmp[i + 1]),
                   r = static_cast<unsigned char>(bmp[i + 2]);
        if (r == g && g == b && r >= 120 && r < 240)
            ++n;
    }
    return n;
}

class IdleE2E : public ::testing::Test {
protected:
    void SetUp() override
    {
        e2e::removeSystemLibrary();
        // The test-only idle period, read by the game from its environment.
        SetEnvironmentVariableW(L"SLOVO_TEST_IDLE_INTERVAL", L"2");
    }
    void TearDown() override
    {
        SetEnvironmentVariableW(L"SLOVO_TEST_IDLE_INTERVAL", nullptr);
        e2e::removeSystemLibrary();
    }
};

TEST_F(IdleE2E, StarfieldShowsMovesAndAMouseMoveHidesIt)
{
    GameProcess game;
    ASSERT_TRUE(game.launch(gameExe()));
    e2e::cursorOverTheGame(game);
    ASSERT_TRUE(e2e::waitFor([&] { return e2e::starfieldShown(game); }, std::chrono::seconds(15))) << "no starfield";
    Sleep(600);
    const std::string first = e2e::artifactPath("starfield-1.bmp"), second = e2e::artifactPath("starfield-2.bmp");
    ASSERT_TRUE(e2e::screenshot(game.mainWindow(), first));
    Sleep(300);
    ASSERT_TRUE(e2e::screenshot(game.mainWindow(), second));
    const std::string a = fileBytes(first), b = fileBytes(second);
    EXPECT_GT(starPixels(a), 50) << "too few stars";
    EXPECT_GT(starPixels(b), 50) << "too few stars";
    EXPECT_NE(a, b) << "the stars did not move";
    EXPECT_TRUE(e2e::wakeWithTheMouse(game)) << "the mouse did not hide the starfield";
    // The next idle period shows the same field again, its stars where they were.
    const HWND field = GetWindow(game.control(ids::kStarfieldPanel), GW_CHILD);
    EXPECT_TRUE(e2e::waitFor([&] { return e2e::starfieldShown(game); }, std::chrono::seconds(15)));
    EXPECT_EQ(GetWindow(game.control(ids::kStarfieldPanel), GW_CHILD), field) << "a new starfield was made";
    Sleep(100);
    ASSERT_TRUE(e2e::screenshot(game.mainWindow(), first));
    EXPECT_GT(starPixels(fileBytes(first)), 50) << "the stars were lost while awake";
    EXPECT_TRUE(e2e::wakeWithTheMouse(game));
    PostMessageW(game.mainWindow(), WM_CLOSE, 0, 0);
    EXPECT_EQ(game.waitForExit(), 0);
}

TEST_F(IdleE2E, StarfieldCoversTheEditorAndTheEditorStays)
{
    GameProcess game;
    ASSERT_TRUE(game.launch(gameExe()));
    game.click(ids::kToolButton + 4); // Редактор
    ASSERT_TRUE(e2e::waitFor([&] { return game.visible(ids::kEditorHost); }));
    e2e::cursorOverTheGame(game);
    ASSERT_TRUE(e2e::waitFor([&] { return e2e::starfieldShown(game); }, std::chrono::seconds(15))) << "no starfield over the editor";
    Sleep(400);
    e2e::screenshot(game.mainWindow(), e2e::artifactPath("starfield-over-editor.bmp"));
    EXPECT_GT(starPixels(fileBytes(e2e::artifactPath("starfield-over-editor.bmp"))), 50);
    EXPECT_TRUE(e2e::wakeWithTheMouse(game));
    EXPECT_TRUE(game.visible(ids::kEditorHost)) << "the editor went with the starfield";
    PostMessageW(game.mainWindow(), WM_CLOSE, 0, 0);
    game.waitForExit();
}

} // namespace
