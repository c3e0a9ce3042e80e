// The game on a desktop as a player has it: Wine's shell desktop with a taskbar and another
// program beside the game. One taskbar button that minimizes and restores the game, a second
// start that harms nothing, and the idle starfield woken by input in the other program.
#include "tests/e2e/desktop.h"
#include "tests/e2e/driver.h"

#include "game/core/app_title.h"
#include "game/win32/control_ids.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using namespace slovo;
using e2e::GameProcess;
using e2e::ShellDesktop;
using std::chrono::seconds;

ShellDesktop* g_desktop = nullptr;

// The desktop is opened once: the thread can move onto it only before it owns a window.
class DesktopEnvironment : public ::testing::Environment {
public:
    void SetUp() override { desktop_ = std::make_unique<ShellDesktop>(); g_desktop = desktop_.get(); }
    void TearDown() override { desktop_.reset(); }

private:
    std::unique_ptr<ShellDesktop> desktop_;
};
const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new DesktopEnvironment);

std::wstring otherProgram()
{
    const char* exe = std::getenv("SLOVO_OTHER_PROGRAM");
    return e2e::windowsPath(exe && *exe ? exe : "other_program.exe");
}

class DesktopE2E : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(g_desktop && g_desktop->ready()) << "no shell desktop with a taskbar";
        e2e::removeDataDirectory();
        e2e::removeSystemLibrary();
    }
    void TearDown() override
    {
        SetEnvironmentVariableW(L"SLOVO_TEST_IDLE_INTERVAL", nullptr);
        e2e::removeSystemLibrary();
    }

    // The other program, focused by a real click, with the game beside it sleeping after 2 s.
    void startBesideAnotherProgram(GameProcess& game)
    {
        ASSERT_TRUE(other_.start(otherProgram()));
        otherWindow_ = e2e::waitForWindow(other_, L"SlovoOtherProgram");
        ASSERT_NE(otherWindow_, nullptr);
        SetEnvironmentVariableW(L"SLOVO_TEST_IDLE_INTERVAL", L"2");
        ASSERT_TRUE(game.launch(e2e::gameExe()));
        ASSERT_TRUE(e2e::mouseClick(e2e::centreOf(otherWindow_)));
        ASSERT_TRUE(e2e::waitFor([&] { return GetForegroundWindow() == otherWindow_; }));
    }

    static bool menuShows()
    {
        return e2e::waitFor([] {
            const HWND menu = FindWindowW(L"#32768", nullptr);
            return menu && IsWindowVisible(menu);
        });
    }
    static bool asleep(const GameProcess& game) { return game.visible(ids::kStarfieldPanel); }
    static bool fallsAsleep(const GameProcess& game)
    {
        const bool shown = e2e::waitFor([&] { return asleep(game); }, seconds(15));
        // The watcher arms the record just after it shows the starfield: input in between
        // counts as activity, not as a wake.
        Sleep(300);
        return shown;
    }

    // Real mouse moves over the other program until the starfield hides: the first move a
    // process sees after the game fell asleep is only remembered.
    bool wakesOnMouseOverTheOther(const GameProcess& game)
    {
        const POINT c = e2e::centreOf(otherWindow_);
        for (int i = 1; i <= 5; ++i) {
            e2e::moveMouse({c.x + 9 * i, c.y + 5 * i});
            if (e2e::waitFor([&] { return !asleep(game); }, std::chrono::milliseconds(600)))
                return true;
        }
        return false;
    }
    bool wakesOnKeyInTheOther(const GameProcess& game)
    {
        EXPECT_TRUE(e2e::waitFor([&] { return GetForegroundWindow() == otherWindow_; }, seconds(3)))
            << "the other program lost the focus to " << e2e::windowText(GetForegroundWindow());
        return e2e::keys({'A'}) && e2e::waitFor([&] { return !asleep(game); }, seconds(3));
    }

    // A second copy started now warns with no window of its own on the taskbar, and ends on OK.
    static void startASecondCopy()
    {
        GameProcess second;
        ASSERT_TRUE(second.start(e2e::gameExe()));
        const auto warning = second.waitForMessageBox();
        ASSERT_TRUE(warning.handle) << "no warning from the second copy";
        EXPECT_TRUE(ShellDesktop::windowsOnTaskbar(second.id()).empty());
        GameProcess::answer(warning, IDOK);
        EXPECT_EQ(second.waitForExit(), 0);
    }

    GameProcess other_;
    HWND otherWindow_ = nullptr;
};

TEST_F(DesktopE2E, OneTaskbarButtonMinimizesAndRestoresTheGame)
{
    GameProcess game;
    ASSERT_TRUE(game.launch(e2e::gameExe()));
    const HWND main = game.mainWindow();
    std::vector<HWND> onTaskbar;
    ASSERT_TRUE(e2e::waitFor([&] { return !(onTaskbar = ShellDesktop::windowsOnTaskbar(game.id())).empty(); }))
        << "the game has no taskbar button";
    ASSERT_EQ(onTaskbar.size(), 1u) << "one button for the program";
    const HWND app = onTaskbar[0];
    // Under Wine the button shows the title only (the window's icon is checked in process).
    EXPECT_EQ(e2e::windowText(app), kApplicationTitle);
    EXPECT_EQ(GetWindow(main, GW_OWNER), app) << "the button is the application window's, which owns the main window";
    ASSERT_TRUE(e2e::waitFor([&] { return GetForegroundWindow() == main; }));
    EXPECT_TRUE(e2e::waitFor([&] { return game.painted(); })) << "the first puzzle is not painted";
    ShellDesktop::screenshot(e2e::artifactPath("desktop-taskbar.bmp"));

    const auto restored = [&] { return !IsIconic(main) && IsWindowVisible(main) && GetForegroundWindow() == main; };
    // The window menu (Alt+Space) minimizes; the button brings the game back to the front.
    ASSERT_TRUE(e2e::keys({VK_MENU, VK_SPACE}));
    ASSERT_TRUE(menuShows());
    ASSERT_TRUE(e2e::keys({'N'}));
    ASSERT_TRUE(e2e::waitFor([&] { return IsIconic(main) != FALSE; })) << "the window menu did not minimize";
    EXPECT_EQ(ShellDesktop::windowsOnTaskbar(game.id()), onTaskbar) << "the button stays while minimized";
    ShellDesktop::screenshot(e2e::artifactPath("desktop-minimized.bmp"));
    ASSERT_TRUE(e2e::mouseClick(e2e::centreOf(ShellDesktop::buttonOf(app))));
    EXPECT_TRUE(e2e::waitFor(restored)) << "the taskbar button did not restore the game";

    // The button's window menu minimizes and restores too.
    ASSERT_TRUE(e2e::mouseRightClick(e2e::centreOf(ShellDesktop::buttonOf(app))));
    ASSERT_TRUE(menuShows());
    ASSERT_TRUE(e2e::keys({'N'}));
    ASSERT_TRUE(e2e::waitFor([&] { return IsIconic(main) != FALSE; })) << "the button's menu did not minimize";
    ASSERT_TRUE(e2e::mouseRightClick(e2e::centreOf(ShellDesktop::buttonOf(app))));
    ASSERT_TRUE(menuShows());
    ASSERT_TRUE(e2e::keys({'R'}));
    EXPECT_TRUE(e2e::waitFor(restored)) << "the button's menu did not restore the game";
    // Painting comes after every other message: the restored window is photographed once painted.
    ASSERT_TRUE(game.sync());
    Sleep(500);
    ShellDesktop::screenshot(e2e::artifactPath("desktop-restored.bmp"));

    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(game.waitForExit(), 0);
    EXPECT_TRUE(e2e::waitFor([&] { return ShellDesktop::windowsOnTaskbar(game.id()).empty(); }));
}

TEST_F(DesktopE2E, InputInAnotherProgramWakesTheGame)
{
    GameProcess game;
    startBesideAnotherProgram(game);
    ASSERT_TRUE(fallsAsleep(game)) << "no starfield";
    Sleep(1500); // the stars fly in from the right
    ShellDesktop::screenshot(e2e::artifactPath("desktop-asleep-beside-another-program.bmp"));
    EXPECT_TRUE(wakesOnMouseOverTheOther(game)) << "a mouse move over the other program did not wake the game";
    ASSERT_TRUE(fallsAsleep(game));
    EXPECT_TRUE(wakesOnKeyInTheOther(game)) << "a key in the other program did not wake the game";
    EXPECT_TRUE(e2e::waitFor([&] { return game.painted(); })) << "the game is not painted again after the starfield";
    ShellDesktop::screenshot(e2e::artifactPath("desktop-awake-beside-another-program.bmp"));
    PostMessageW(game.mainWindow(), WM_CLOSE, 0, 0);
    EXPECT_EQ(game.waitForExit(), 0);
}

TEST_F(DesktopE2E, ASecondStartLeavesTheFirstSleepingAndWaking)
{
    GameProcess game;
    startBesideAnotherProgram(game);
    startASecondCopy();
    ASSERT_TRUE(e2e::mouseClick(e2e::centreOf(otherWindow_)));
    ASSERT_TRUE(fallsAsleep(game)) << "no starfield after a second start";
    EXPECT_TRUE(wakesOnMouseOverTheOther(game)) << "the game no longer wakes after a second start";

    ASSERT_TRUE(fallsAsleep(game));
    startASecondCopy(); // while the first sleeps
    ASSERT_TRUE(e2e::mouseClick(e2e::centreOf(otherWindow_)));
    EXPECT_TRUE(e2e::waitFor([&] { return !asleep(game); }, seconds(3))) << "a click did not wake the game";
    ASSERT_TRUE(fallsAsleep(game));
    EXPECT_TRUE(wakesOnKeyInTheOther(game)) << "the game no longer wakes after a second start in its sleep";
    PostMessageW(game.mainWindow(), WM_CLOSE, 0, 0);
    EXPECT_EQ(game.waitForExit(), 0);
}

TEST_F(DesktopE2E, KeysAsInADialogOnTheBaseChoice)
{
    e2e::writeUpdatedBase();
    GameProcess game;
    ASSERT_TRUE(game.launch(e2e::gameExe()));
    ASSERT_TRUE(e2e::waitFor([&] { return game.visible(ids::kBaseChoice); }));
    ASSERT_TRUE(e2e::waitFor([&] { return GetForegroundWindow() == game.mainWindow(); }));
    // A click on a radio button takes the focus from "ОК"; Tab walks the panel's controls to
    // "ОК" (the system decides whether the radio buttons are one stop or two), Shift+Tab back.
    const HWND standard = game.control(ids::kChoiceStandard), updated = game.control(ids::kChoiceUpdated),
               ok = game.control(ids::kChoiceOk);
    ASSERT_TRUE(e2e::mouseClick(e2e::centreOf(standard)));
    ASSERT_TRUE(e2e::waitFor([&] { return game.focus() == standard; }));
    HWND previous = standard;
    for (int stop = 0; stop < 2 && previous != ok; ++stop) {
        ASSERT_TRUE(e2e::keys({VK_TAB}));
        ASSERT_TRUE(e2e::waitFor([&] { return game.focus() != previous; })) << "Tab did not move the focus";
        previous = game.focus();
        ASSERT_TRUE(previous == updated || previous == ok) << "Tab left the panel";
    }
    EXPECT_EQ(previous, ok);
    ASSERT_TRUE(e2e::keys({VK_SHIFT, VK_TAB}));
    ASSERT_TRUE(e2e::waitFor([&] { return game.focus() == standard || game.focus() == updated; }))
        << "Shift+Tab did not go back to the choice";
    EXPECT_TRUE(game.checked(ids::kChoiceStandard)) << "Tab changed the choice";
    ShellDesktop::screenshot(e2e::artifactPath("desktop-base-choice.bmp"));
    // Enter presses the default button, wherever the focus is in the panel.
    ASSERT_TRUE(e2e::keys({VK_RETURN}));
    ASSERT_TRUE(e2e::waitFor([&] { return !game.visible(ids::kBaseChoice); })) << "Enter did not press ОК";
    ASSERT_TRUE(game.sync());
    EXPECT_EQ(game.text(ids::kStatusPane + 4), "Всего слов 93") << "the standard base was chosen";
    // In the game itself Tab finds nothing to visit: the letter buttons take no focus.
    ASSERT_TRUE(e2e::keys({VK_TAB}));
    ASSERT_TRUE(game.sync());
    const HWND focus = game.focus();
    for (int b = 1; b <= 30; ++b)
        EXPECT_NE(focus, game.control(ids::kLetterButton + b)) << "letter button " << b << " took the focus";
    PostMessageW(game.mainWindow(), WM_CLOSE, 0, 0);
    EXPECT_EQ(game.waitForExit(), 0);
}

} // namespace
