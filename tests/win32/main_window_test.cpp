// The main window in process, with real windows, menus and files: the commands' effects on the
// switches, the lists and the panels, which the end-to-end driver cannot read across processes.
#include "game/win32/main_window.h"

#include "common/error.h"
#include "game/win32/control_ids.h"
#include "toolkit/picture.h"
#include "tests/e2e/driver.h"
#include "tests/win32/game_process.h"
#include "common/win32/text.h"

#include <gtest/gtest.h>

#include <memory>

namespace slovo {
namespace {

using wintest::AppEnvironment;
using wintest::addAppEnvironment;
using wintest::pump;
using wintest::resetData;

const BasePaths kPaths = BasePaths::fixedWindows();

AppEnvironment* const g_env = addAppEnvironment();

class MainWindowTest : public ::testing::Test {
protected:
    void open(bool withUpdatedBase)
    {
        resetData(withUpdatedBase);
        window = std::make_unique<MainWindow>(*g_env->app);
        window->show();
        pump();
    }
    void TearDown() override
    {
        if (window)
            DestroyWindow(window->handle());
        window.reset();
        pump();
        resetData(false);
        DeleteFileW(tk::wide(settingsFile()).c_str());
    }
    static std::string settingsFile()
    {
        wchar_t dir[MAX_PATH];
        GetWindowsDirectoryW(dir, MAX_PATH);
        return tk::narrow(dir) + "\\data\\win_main_window_test.bin";
    }
    HWND child(int id) const { return e2e::childById(window->handle(), id); }
    std::unique_ptr<MainWindow> window;
};

TEST_F(MainWindowTest, FirstStartClosesTheBaseMenuAndSetsTheSwitches)
{
    open(false);
    EXPECT_FALSE(window->baseButton().enabled()) << "no words.txt: the base menu cannot be opened";
    EXPECT_FALSE(window->baseChoicePanel().visible());
    EXPECT_TRUE(window->standart().enabled());
    EXPECT_TRUE(window->updateb().enabled());
    EXPECT_FALSE(window->soundOnItem().enabled()) << "sound is on";
    EXPECT_TRUE(window->soundOffItem().enabled());
    EXPECT_TRUE(window->showHint());
    EXPECT_FALSE(window->helpOnItem().enabled());
    EXPECT_TRUE(window->helpOffItem().enabled());
    EXPECT_FALSE(window->puzzle().currentWord().empty()) << "the first activation starts a puzzle";
    EXPECT_EQ(window->base().List2.size(), 92u);
    // The taskbar button is the application window's, with the program's icon. Wine's taskbar
    // draws no icons and another process cannot read them, so it is checked here (a known Wine
    // difference; the desktop end-to-end test checks the button itself).
    EXPECT_TRUE(IsWindowVisible(g_env->app->handle()));
    EXPECT_NE(GetClassLongPtrW(g_env->app->handle(), GCLP_HICONSM), 0);
    // The main window's caption and the window switcher show the program's icon, from its class.
    EXPECT_EQ(GetClassLongPtrW(window->form().handle(), GCLP_HICON), GetClassLongPtrW(g_env->app->handle(), GCLP_HICON));
    EXPECT_NE(GetClassLongPtrW(window->form().handle(), GCLP_HICONSM), 0);
}

TEST_F(MainWindowTest, SoundAndHintSwitchesFlipTheirItems)
{
    open(false);
    window->SoundOFFClick();
    EXPECT_TRUE(window->soundOnItem().enabled());
    EXPECT_FALSE(window->soundOffItem().enabled());
    window->SoundONClick();
    EXPECT_FALSE(window->soundOnItem().enabled());
    EXPECT_TRUE(window->soundOffItem().enabled());

    window->HelpOFFClick();
    EXPECT_FALSE(window->showHint());
    EXPECT_TRUE(window->helpOnItem().enabled());
    EXPECT_FALSE(window->helpOffItem().enabled());
    window->HelpONClick();
    EXPECT_TRUE(window->showHint());
    EXPECT_FALSE(window->helpOnItem().enabled());

    // Through the menu commands as the dropped-down menu sends them; a closed item does nothing.
    SendMessageW(window->handle(), WM_COMMAND, ids::kMenuSoundOff, 0);
    EXPECT_TRUE(window->soundOnItem().enabled());
    SendMessageW(window->handle(), WM_COMMAND, ids::kMenuSoundOff, 0);
    EXPECT_TRUE(window->soundOnItem().enabled());
    EXPECT_FALSE(window->soundOffItem().enabled());
}

TEST_F(MainWindowTest, BaseChoicePanelChoosesAndTheBaseMenuSwitches)
{
    open(true);
    ASSERT_TRUE(window->baseChoicePanel().visible());
    EXPECT_TRUE(window->choiceUpdated().checked());
    EXPECT_FALSE(window->choiceStandard().checked());
    EXPECT_EQ(GetFocus(), child(ids::kChoiceOk));
    EXPECT_TRUE(window->baseButton().enabled());

    window->But1Click();
    EXPECT_FALSE(window->baseChoicePanel().visible());
    EXPECT_EQ(window->base().BaseKind, 1);
    EXPECT_EQ(window->base().List4, (StringList{"ОЛЕНЬ", "ПУРГА", "ЛИНЬ"}));
    EXPECT_EQ(window->base().List2.size(), 2u);
    EXPECT_TRUE(window->standart().enabled());
    EXPECT_FALSE(window->updateb().enabled());

    window->standartClick();
    EXPECT_EQ(window->base().BaseKind, 0);
    EXPECT_EQ(window->base().List4.size(), 93u);
    EXPECT_FALSE(window->standart().enabled());
    EXPECT_TRUE(window->updateb().enabled());

    window->updatebClick();
    EXPECT_EQ(window->base().BaseKind, 1);
    EXPECT_EQ(window->base().List3, (StringList{"ЖИВОТНОЕ", "БУРЯ", "РЫБА"}));
}

TEST_F(MainWindowTest, StandardChoiceThroughTheRadioButtons)
{
    open(true);
    SendMessageW(child(ids::kChoiceStandard), BM_CLICK, 0, 0);
    EXPECT_TRUE(window->choiceStandard().checked());
    EXPECT_FALSE(window->choiceUpdated().checked());
    window->But1Click();
    EXPECT_EQ(window->base().BaseKind, 0);
    EXPECT_EQ(window->base().List4.size(), 93u);
    EXPECT_FALSE(window->standart().enabled());
    EXPECT_TRUE(window->updateb().enabled());
}

TEST_F(MainWindowTest, AFailedBaseMenuLoadLeavesClearedListsAndNoPuzzle)
{
    open(true);
    window->But1Click();
    const std::string word = window->puzzle().currentWord();
    DeleteFileW(tk::wide(kPaths.sthints).c_str());
    try {
        window->standartClick();
        FAIL() << "expected an error";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open file " + kPaths.sthints);
    }
    EXPECT_EQ(window->base().List4.size(), 93u) << "read before the failure";
    EXPECT_TRUE(window->base().List3.empty());
    EXPECT_TRUE(window->base().List2.empty());
    EXPECT_TRUE(window->base().List1.empty());
    EXPECT_EQ(window->puzzle().currentWord(), word) << "no puzzle was started";
}

TEST_F(MainWindowTest, PanelsOpenCloseFoldAndStackInOrder)
{
    open(false);
    window->RzToolbarButton2Click();
    EXPECT_TRUE(window->aboutPanel().visible());
    SendMessageW(child(ids::kAboutClose), BM_CLICK, 0, 0);
    EXPECT_FALSE(window->aboutPanel().visible());

    RECT r;
    GetWindowRect(child(ids::kHintPanel), &r);
    EXPECT_EQ(r.bottom - r.top, 93);
    SendMessageW(child(ids::kHintPanelFold), BM_CLICK, 0, 0);
    GetWindowRect(child(ids::kHintPanel), &r);
    EXPECT_EQ(r.bottom - r.top, 20) << "folded to its caption bar";
    SendMessageW(child(ids::kHintPanelFold), BM_CLICK, 0, 0);
    GetWindowRect(child(ids::kHintPanel), &r);
    EXPECT_EQ(r.bottom - r.top, 93);

    // Z order among the form's children, from the top: the overlays above the game's panels,
    // the about panel (made by the command) among them.
    std::vector<int> order;
    for (HWND w = GetWindow(window->handle(), GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) {
        const int id = GetDlgCtrlID(w);
        if (id == ids::kStarfieldPanel || id == ids::kBaseChoice || id == ids::kEditorHost || id == ids::kAboutPanel
            || id == ids::kLettersPanel)
            order.push_back(id);
    }
    EXPECT_EQ(order, (std::vector<int>{ids::kStarfieldPanel, ids::kBaseChoice, ids::kEditorHost, ids::kAboutPanel,
                                       ids::kLettersPanel}));
    EXPECT_EQ(GetWindow(window->handle(), GW_CHILD), child(ids::kStarfieldPanel));
}

TEST_F(MainWindowTest, EachEditorCommandMakesANewEditorAndLetsTheOldOneGo)
{
    open(false);
    window->RzToolbarButton1Click();
    EXPECT_TRUE(window->editorHost().visible());
    const HWND first = GetWindow(window->editorHost().handle(), GW_CHILD);
    ASSERT_TRUE(first);
    PostMessageW(first, WM_COMMAND, ids::kMenuOtmena, 0);
    pump();
    EXPECT_FALSE(window->editorHost().visible()) << "the editor's cancel hides it";

    window->RzToolbarButton1Click();
    EXPECT_EQ(window->editorWindowCount(), 2u);
    EXPECT_TRUE(IsWindow(first)) << "the first editor is not destroyed";
    EXPECT_NE(GetParent(first), window->editorHost().handle()) << "but taken out of the host";
    EXPECT_FALSE(IsWindowVisible(first));
    EXPECT_TRUE(window->editorHost().visible());
}

TEST_F(MainWindowTest, SwitchesComeBackFromTheSettingsFile)
{
    open(false);
    EXPECT_EQ(window->settingsFile().GetFileName(), settingsFile());
    window->SoundOFFClick();
    window->HelpOFFClick();
    DestroyWindow(window->handle()); // the saver keeps the properties
    window.reset();                  // and the file is written once, now
    pump();
    Win32FileSystem fs;
    ASSERT_TRUE(fs.fileExists(settingsFile()));

    window = std::make_unique<MainWindow>(*g_env->app);
    window->show();
    pump();
    EXPECT_TRUE(window->soundOnItem().enabled()) << "sound stays off";
    EXPECT_FALSE(window->soundOffItem().enabled());
    EXPECT_FALSE(window->showHint());
    EXPECT_TRUE(window->helpOnItem().enabled()) << "FormShow sees the restored hints switch";
    EXPECT_FALSE(window->helpOffItem().enabled());
    ASSERT_GE(window->storage().FindKey("\\Form1.rsPropSaver1\\Left", false), 0);
    EXPECT_EQ(window->storage().value().current()->type, rs::vtInteger) << "decrypted on loading";
}

TEST_F(MainWindowTest, OnlyOneHintComponentPerFormAndOnlyOnForms)
{
    open(false);
    try {
        fx::THTMLHint second(&window->form());
        FAIL() << "a second hint component was accepted";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Only one instance of THTMLHint allowed on form");
    }
    try {
        fx::THTMLHint onPanel(&window->aboutPanel());
        FAIL() << "a panel was accepted as the owner";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Control parent must be a form!");
    }
}

TEST(SingleInstance, MutexNameCarriesTheTitle)
{
    EXPECT_EQ(TabcSingleInstance::mutexName(kApplicationTitle), "TabcSingleInstance in application Игра <<СЛОВОЛОВКА>>.");
    TabcSingleInstance first("Slovolovka test title");
    EXPECT_FALSE(first.secondInstance());
    {
        TabcSingleInstance second("Slovolovka test title");
        EXPECT_TRUE(second.secondInstance());
        TabcSingleInstance other("Another title");
        EXPECT_FALSE(other.secondInstance()) << "another title does not see it";
    }
}

} // namespace
} // namespace slovo
