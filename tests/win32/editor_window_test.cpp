// The editor in process inside a real main window, with real windows, keys, menus, dialogs and
// the real files under C:\Windows\data: opening, grid keys, row editing through the fields,
// save, cancel, the base switches and the text export through the real save dialog.
#include "game/win32/main_window.h"

#include "editor/core/editor_table.h"
#include "editor/win32/editor_ids.h"
#include "toolkit/picture.h"
#include "tests/e2e/driver.h"
#include "tests/win32/game_process.h"
#include "common/win32/text.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

namespace slovo {
namespace {

using wintest::AppEnvironment;
using wintest::addAppEnvironment;
using wintest::pump;
using wintest::resetData;

const BasePaths kPaths = BasePaths::fixedWindows();

AppEnvironment* const g_env = addAppEnvironment();

std::string readFile(const std::string& path)
{
    Win32FileSystem fs;
    return fs.fileExists(path) ? fs.readFile(path) : std::string("<missing>");
}

// A top-level window of this process with that title, once it shows.
HWND findWindow(const std::wstring& title, const wchar_t* cls = nullptr)
{
    HWND found = nullptr;
    e2e::waitFor([&] {
        found = FindWindowW(cls, title.c_str());
        return found && IsWindowVisible(found);
    }, std::chrono::seconds(10));
    return found;
}

// Closes the window of that title once it shows; returns its title, empty when none showed.
std::string closeWindow(const std::string& title)
{
    const HWND w = findWindow(tk::wide(title));
    if (!w)
        return {};
    const std::string text = e2e::windowText(w);
    PostMessageW(w, WM_CLOSE, 0, 0);
    return text;
}

// Runs a modal step while another thread handles the window it opens.
template <typename Run>
void withWindow(Run run, const std::function<void()>& driver)
{
    std::thread t(driver);
    run();
    t.join();
}

class EditorTest : public ::testing::Test {
protected:
    void open(bool withUpdatedBase, bool chooseUpdated = false)
    {
        resetData(withUpdatedBase);
        window = std::make_unique<MainWindow>(*g_env->app);
        window->show();
        pump();
        if (withUpdatedBase) {
            (chooseUpdated ? window->choiceUpdated() : window->choiceStandard()).setChecked(true);
            if (chooseUpdated)
                window->Button2Click();
            else
                window->Button1Click();
            window->But1Click();
        }
        window->RzToolbarButton1Click();
        pump();
        ASSERT_TRUE(window->editor());
    }
    void TearDown() override
    {
        if (window)
            DestroyWindow(window->handle());
        window.reset();
        pump();
        resetData(false);
    }
    EditorWindow& editor() { return *window->editor(); }
    tk::GridModel& table() { return editor().grid().model(); }
    void key(WPARAM k)
    {
        SetFocus(editor().grid().handle());
        SendMessageW(editor().grid().handle(), WM_KEYDOWN, k, 0);
        pump();
    }
    void clickCell(int col, int row)
    {
        const RECT r = editor().grid().cellRect(col, row);
        SendMessageW(editor().grid().handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(r.left + 5, r.top + 5));
        SendMessageW(editor().grid().handle(), WM_LBUTTONUP, 0, MAKELPARAM(r.left + 5, r.top + 5));
        pump();
    }
    void type(tk::EditField& field, const std::wstring& text)
    {
        for (wchar_t ch : text)
            SendMessageW(field.handle(), WM_CHAR, ch, 0);
    }
    // Presses the ellipsis of the word cell in that row, as the player does.
    void ellipsis(int row)
    {
        clickCell(kWordCol, row);
        ASSERT_TRUE(editor().grid().editorShown());
        editor().grid().editor().button()->click();
        pump();
    }
    std::unique_ptr<MainWindow> window;
};

tk::Bounds boundsIn(HWND child, HWND parent)
{
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return tk::Bounds{r.left, r.top, r.right - r.left, r.bottom - r.top};
}

TEST_F(EditorTest, OpeningPlacesTheControlsAndFillsTheTable)
{
    open(false);
    const HWND form = editor().window().handle();
    struct Case {
        HWND control;
        tk::Bounds expected;
    };
    for (const Case& c : {Case{editor().edit1().handle(), {44, 8, 101, 21}}, Case{editor().edit2().handle(), {148, 8, 345, 21}},
                          Case{editor().grid().handle(), {0, 36, 516, 238}}, Case{editor().button1().handle(), {436, 240, 75, 25}},
                          Case{editor().panel1().handle(), {0, 0, 517, 277}},
                          Case{editor().listBox1().handle(), {92, 28, 401, 149}},
                          Case{editor().label1().handle(), {92, 192, 397, 29}},
                          Case{editor().htmlButton1().handle(), {216, 236, 75, 25}}}) {
        const tk::Bounds b = boundsIn(c.control, form);
        EXPECT_TRUE(b.x == c.expected.x && b.y == c.expected.y && b.width == c.expected.width && b.height == c.expected.height)
            << e2e::windowText(c.control) << ": " << b.x << "," << b.y << " " << b.width << "x" << b.height;
    }
    // The grid's scroll bar shows whole: inside the editor's client area, as far as the main
    // window's client area shows it.
    RECT shown{}, formClient{}, mainClient{};
    GetClientRect(form, &formClient);
    MapWindowPoints(form, nullptr, reinterpret_cast<POINT*>(&formClient), 2);
    GetClientRect(window->handle(), &mainClient);
    MapWindowPoints(window->handle(), nullptr, reinterpret_cast<POINT*>(&mainClient), 2);
    IntersectRect(&shown, &formClient, &mainClient);
    SCROLLBARINFO bar{};
    bar.cbSize = sizeof bar;
    ASSERT_TRUE(GetScrollBarInfo(editor().grid().handle(), OBJID_VSCROLL, &bar));
    RECT inside{};
    IntersectRect(&inside, &bar.rcScrollBar, &shown);
    EXPECT_TRUE(EqualRect(&inside, &bar.rcScrollBar) && !IsRectEmpty(&inside))
        << "scroll bar " << bar.rcScrollBar.left << "," << bar.rcScrollBar.top << " to " << bar.rcScrollBar.right << ","
        << bar.rcScrollBar.bottom << ", the editor shows " << shown.left << "," << shown.top << " to " << shown.right << ","
        << shown.bottom;
    EXPECT_FALSE(editor().panel1().visible());
    EXPECT_FALSE(editor().edit1().enabled());
    EXPECT_FALSE(editor().edit2().enabled());
    EXPECT_EQ(table().rowCount(), 94) << "the built-in base of 93 rows and the header";
    EXPECT_EQ(table().cell(kNumberCol, 93), "93");
    EXPECT_EQ(table().cell(kWordCol, 1), window->base().List4[0]);
    EXPECT_EQ(table().cell(kHintCol, 93), window->base().List3[92]);
    EXPECT_FALSE(editor().standar().enabled()) << "no words.txt: both switches off";
    EXPECT_FALSE(editor().obnovl().enabled());
    Sleep(200);
    e2e::screenshot(window->handle(), e2e::artifactPath("editor.bmp"));
}

TEST_F(EditorTest, TheSwitchesFollowTheBaseInUse)
{
    open(true, false);
    EXPECT_FALSE(editor().standar().enabled());
    EXPECT_TRUE(editor().obnovl().enabled());
    window.reset();
    pump();
    open(true, true);
    EXPECT_TRUE(editor().standar().enabled());
    EXPECT_FALSE(editor().obnovl().enabled());
    EXPECT_EQ(table().rowCount(), 4);
    EXPECT_EQ(table().cell(kWordCol, 1), "ОЛЕНЬ");
}

TEST_F(EditorTest, GridKeysMoveScrollInsertAndDelete)
{
    open(false);
    tk::StringGrid& grid = editor().grid();
    clickCell(kHintCol, 1);
    key(VK_DOWN);
    key(VK_DOWN);
    EXPECT_EQ(table().currentRow(), 3);
    key(VK_NEXT);
    EXPECT_EQ(table().currentRow(), 3 + grid.visibleRows());
    EXPECT_GT(grid.topRow(), 1);
    SetKeyboardState([] { static BYTE s[256] = {}; s[VK_CONTROL] = 0x80; return s; }());
    key(VK_END);
    BYTE none[256] = {};
    SetKeyboardState(none);
    EXPECT_EQ(table().currentRow(), 93);
    EXPECT_EQ(grid.topRow(), 94 - grid.visibleRows());
    SendMessageW(grid.handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
    EXPECT_EQ(grid.topRow(), 94 - grid.visibleRows() - 3) << "one notch scrolls three rows";

    clickCell(kHintCol, 1);
    grid.moveTo(kHintCol, 5);
    const std::string old5 = table().cell(kWordCol, 5);
    key(VK_INSERT);
    EXPECT_EQ(table().rowCount(), 95);
    EXPECT_EQ(table().cell(kWordCol, 5), "");
    EXPECT_EQ(table().cell(kWordCol, 6), old5);
    EXPECT_EQ(table().cell(kNumberCol, 94), "94");
    key(VK_DELETE);
    EXPECT_EQ(table().rowCount(), 94);
    EXPECT_EQ(table().cell(kWordCol, 5), old5);
    for (int r = 1; r < table().rowCount(); ++r)
        ASSERT_EQ(table().cell(kNumberCol, r), std::to_string(r)) << "row " << r;

    editor().N1Click();
    EXPECT_EQ(table().rowCount(), 95);
    EXPECT_EQ(table().cell(kNumberCol, 94), "") << "appending does not number";
    key(VK_UP);
    EXPECT_EQ(table().cell(kNumberCol, 94), "94") << "moving the current cell does";
}

TEST_F(EditorTest, PaintingCostsTheVisibleRowsOnly)
{
    open(false);
    tk::StringGrid& grid = editor().grid();
    for (int rows : {10, 100000}) {
        table().setRowCount(rows + 1);
        table().renumber();
        grid.refresh();
        RedrawWindow(grid.handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        EXPECT_EQ(grid.lastPaintedRows(), std::min(rows, grid.visibleRows() + 1) + 1) << rows << " rows";
    }
    SendMessageW(grid.handle(), WM_VSCROLL, SB_BOTTOM, 0);
    EXPECT_EQ(grid.topRow(), 100001 - grid.visibleRows());
}

TEST_F(EditorTest, ARowIsEditedThroughTheFields)
{
    open(false);
    ellipsis(3);
    EXPECT_TRUE(editor().edit1().enabled());
    EXPECT_TRUE(editor().edit2().enabled());
    EXPECT_EQ(editor().edit1().text(), table().cell(kWordCol, 3));
    EXPECT_EQ(editor().edit2().text(), table().cell(kHintCol, 3));

    editor().edit1().setText("");
    type(editor().edit1(), L"к1от2ик");
    EXPECT_EQ(editor().edit1().text(), "КОТИК") << "digits refused, letters in upper case";
    editor().edit2().setText("");
    withWindow([&] { editor().edit2().button()->click(); }, [] { closeWindow("Некорректный ввод строк!"); });
    EXPECT_EQ(table().cell(kWordCol, 3), window->base().List4[2]) << "an empty hint puts nothing back";

    editor().edit2().setText("");
    type(editor().edit2(), L"зверёк");
    editor().edit2().button()->click();
    pump();
    EXPECT_EQ(table().cell(kWordCol, 3), "КОТИК");
    EXPECT_EQ(table().cell(kHintCol, 3), "ЗВЕРЁК");
    EXPECT_TRUE(editor().grid().selectionHidden());
    EXPECT_EQ(editor().edit1().text(), "");
    EXPECT_FALSE(editor().edit1().enabled());

    ellipsis(4);
    editor().edit1().setText("ПЁС");
    clickCell(kHintCol, 6);
    EXPECT_EQ(editor().edit1().text(), "") << "a click discards the edit";
    EXPECT_FALSE(editor().edit2().enabled());
    EXPECT_EQ(table().cell(kWordCol, 4), window->base().List4[3]);
}

TEST_F(EditorTest, AnEmptyFieldShowsTheStopDialog)
{
    open(false);
    ellipsis(2);
    editor().edit2().setText("");
    std::string caption;
    withWindow([&] { editor().edit2().button()->click(); }, [&] {
        const HWND w = findWindow(tk::wide("Некорректный ввод строк!"));
        caption = w ? e2e::windowText(w) : "";
        if (w)
            PostMessageW(w, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(caption, "Некорректный ввод строк!");
    EXPECT_TRUE(editor().edit1().enabled()) << "the fields keep their text and stay enabled";
    EXPECT_FALSE(editor().edit1().text().empty());
}

TEST_F(EditorTest, SaveWritesTheBaseInUseRestartsAndDestroysTheEditor)
{
    open(true, true);
    const std::string standardWords = readFile(kPaths.stwords);
    table().setCell(kWordCol, 2, "ВЬЮГА");
    table().setCell(kHintCol, 3, "");
    editor().saveClick();
    EXPECT_FALSE(window->editorHost().visible());
    EXPECT_EQ(window->editorWindowCount(), 1u) << "still there while the handler runs";
    pump();
    EXPECT_EQ(window->editorWindowCount(), 0u) << "destroyed once the handler returned";
    EXPECT_EQ(readFile(kPaths.words), "ОЛЕНЬ\r\nВЬЮГА\r\nЛИНЬ\r\n");
    EXPECT_EQ(readFile(kPaths.hints), "ЖИВОТНОЕ\r\nБУРЯ\r\n\r\n");
    EXPECT_EQ(readFile(kPaths.stwords), standardWords) << "the other pair is untouched";
    EXPECT_EQ(window->base().List2.size() + 1, window->base().List4.size()) << "the new puzzle took its word";
    EXPECT_EQ(window->base().List4[1], "ВЬЮГА");
    const std::string w = window->puzzle().currentWord();
    EXPECT_TRUE(w == "ОЛЕНЬ" || w == "ВЬЮГА" || w == "ЛИНЬ") << "the next puzzle comes from the new lists: " << w;
}

TEST_F(EditorTest, SaveRefusesEmptyWordsAndWritesNothing)
{
    open(true, false);
    const std::string before = readFile(kPaths.stwords);
    table().setCell(kWordCol, 3, "");
    std::string caption;
    withWindow([&] { editor().saveClick(); }, [&] {
        const HWND w = findWindow(tk::wide("Пустые строки!"));
        caption = w ? e2e::windowText(w) : "";
        if (w)
            PostMessageW(w, WM_CLOSE, 0, 0);
    });
    pump();
    EXPECT_EQ(caption, "Пустые строки!");
    EXPECT_EQ(readFile(kPaths.stwords), before);
    EXPECT_EQ(window->editorWindowCount(), 1u);
    EXPECT_TRUE(window->editorHost().visible());
}

TEST_F(EditorTest, SavingNoRowsEmptiesThePairAndTheLists)
{
    open(true, true);
    table().clear();
    std::thread closer([] {
        // The empty base is reported by the puzzle start; the save goes on.
        const HWND box = findWindow(tk::wide(kApplicationTitle), L"#32770");
        if (box)
            PostMessageW(box, WM_CLOSE, 0, 0);
    });
    editor().saveClick();
    closer.join();
    pump();
    EXPECT_EQ(readFile(kPaths.words), "");
    EXPECT_EQ(readFile(kPaths.hints), "");
    EXPECT_TRUE(window->base().List1.empty() && window->base().List2.empty() && window->base().List3.empty() &&
                window->base().List4.empty());
}

TEST_F(EditorTest, CancelLeavesTheFilesAndLoadsTheStandardBase)
{
    open(true, true);
    const std::string words = readFile(kPaths.words), stwords = readFile(kPaths.stwords);
    table().setCell(kWordCol, 1, "ЛОСЬ");
    editor().obnovlClick();
    editor().otmenaClick();
    pump();
    EXPECT_EQ(readFile(kPaths.words), words);
    EXPECT_EQ(readFile(kPaths.stwords), stwords);
    EXPECT_EQ(window->base().List4.size(), 93u) << "the standard base is in the lists";
    EXPECT_EQ(window->base().BaseKind, 1) << "BaseKind stays";
    EXPECT_FALSE(window->editorHost().visible());
    EXPECT_EQ(window->editorWindowCount(), 1u) << "hidden, not destroyed";
}

TEST_F(EditorTest, SwitchingTheBaseReloadsListsAndTable)
{
    open(true, false);
    editor().obnovlClick();
    EXPECT_EQ(window->base().BaseKind, 1);
    EXPECT_EQ(table().rowCount(), 4);
    EXPECT_EQ(window->base().List2, window->base().List4);
    EXPECT_TRUE(editor().standar().enabled());
    EXPECT_FALSE(editor().obnovl().enabled());
    editor().standarClick();
    EXPECT_EQ(window->base().BaseKind, 0);
    EXPECT_EQ(table().rowCount(), 94);
    EXPECT_FALSE(editor().standar().enabled());
    EXPECT_TRUE(editor().obnovl().enabled());

    // A missing hints file: the words were read, the rest stay empty, table and BaseKind stay.
    DeleteFileW(tk::wide(kPaths.hints).c_str());
    std::string message;
    std::thread closer([&] {
        const HWND box = findWindow(tk::wide(kApplicationTitle), L"#32770");
        message = box ? e2e::windowText(GetDlgItem(box, 0xFFFF)) : "";
        if (box)
            PostMessageW(box, WM_CLOSE, 0, 0);
    });
    SendMessageW(editor().window().handle(), WM_COMMAND, ids::kMenuObnovl, 0);
    closer.join();
    EXPECT_EQ(message, "Cannot open file " + kPaths.hints + ".");
    EXPECT_EQ(window->base().BaseKind, 0);
    EXPECT_EQ(table().rowCount(), 94);
    EXPECT_EQ(window->base().List4.size(), 3u);
    EXPECT_TRUE(window->base().List3.empty());
    EXPECT_TRUE(editor().standar().enabled()) << "the states of the first step stay";
    EXPECT_FALSE(editor().obnovl().enabled());
}

// Types the path into the save dialog that has that title and confirms it.
void answerSaveDialog(const std::wstring& title, const std::wstring& path, std::string* proposed)
{
    const HWND dialog = findWindow(title, L"#32770");
    if (!dialog)
        return;
    Sleep(300);
    // The file name field has the focus when the dialog opens.
    HWND edit = nullptr;
    e2e::waitFor([&] {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info);
        edit = info.hwndFocus;
        return edit != nullptr && edit != dialog;
    }, std::chrono::seconds(5));
    if (!edit) {
        PostMessageW(dialog, WM_CLOSE, 0, 0);
        return;
    }
    if (proposed)
        *proposed = e2e::windowText(edit);
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
    if (e2e::waitFor([&] { return !IsWindow(dialog); }, std::chrono::seconds(5)))
        return;
    PostMessageW(dialog, WM_CLOSE, 0, 0);
}

TEST_F(EditorTest, TextExportThroughTheSaveDialog)
{
    open(false);
    const std::string target = kPaths.directory + "\\export-test.txt";
    DeleteFileW(tk::wide(target).c_str());
    std::string proposed;
    withWindow([&] { editor().doc1Click(); },
               [&] { answerSaveDialog(tk::wide("Сохранение базы в текстовом формате"), tk::wide(target), &proposed); });
    EXPECT_EQ(proposed, "slovolovka.txt");
    EXPECT_EQ(readFile(target), textExport(editor().tableCells()));
    EXPECT_EQ(readFile(target).substr(0, 2), "  ");
    DeleteFileW(tk::wide(target).c_str());

    const std::string bad = kPaths.directory + "\\no-such-dir\\x.txt";
    std::string message;
    std::thread closer([&] {
        const HWND box = findWindow(tk::wide(kApplicationTitle), L"#32770");
        message = box ? e2e::windowText(GetDlgItem(box, 0xFFFF)) : "";
        if (box)
            PostMessageW(box, WM_CLOSE, 0, 0);
    });
    withWindow([&] { SendMessageW(editor().window().handle(), WM_COMMAND, ids::kMenuDoc1, 0); },
               [&] { answerSaveDialog(tk::wide("Сохранение базы в текстовом формате"), tk::wide(bad), nullptr); });
    closer.join();
    EXPECT_EQ(message, "Cannot Create file " + bad + ".");
}

TEST_F(EditorTest, ContextMenuAndInstructionDialog)
{
    open(false);
    const HMENU menu = editor().popupMenu().handle();
    std::vector<std::string> captions;
    int glyphs = 0;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        wchar_t text[128] = {};
        MENUITEMINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_STRING | MIIM_DATA;
        info.dwTypeData = text;
        info.cch = 127;
        GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info);
        captions.push_back(info.fType & MFT_SEPARATOR ? "-" : tk::narrow(text));
        // Items draw themselves: the glyph rides with the toolkit's item behind the entry.
        const tk::MenuItem* item = tk::MenuItem::fromItemData(info.dwItemData);
        glyphs += item && item->glyph();
    }
    EXPECT_EQ(captions, (std::vector<std::string>{"Добавить строку", "-", "Печать", "-", "Обновить из Интернет", "-",
                                                  "\"Стандартная\" база", "База с сервера", "-", "Отменить и выйти",
                                                  "Сохранить и выйти", "Сохранить в файл (*.doc)",
                                                  "Сохранить в файл (*.txt)", "-", "Инструкция", "-",
                                                  "Выход из программы"}));
    EXPECT_EQ(glyphs, 11) << "every item but the separators has a glyph";

    // The right click opens it over the table.
    std::atomic<bool> shown = false;
    withWindow([&] {
        const RECT r = editor().grid().cellRect(kHintCol, 2);
        PostMessageW(editor().grid().handle(), WM_RBUTTONUP, 0, MAKELPARAM(r.left + 20, r.top + 5));
        pump();
    }, [&] {
        HWND popup = nullptr;
        shown = e2e::waitFor([&] { popup = FindWindowW(L"#32768", nullptr); return popup && IsWindowVisible(popup); },
                             std::chrono::seconds(5));
        Sleep(200);
        e2e::screenshot(GetDesktopWindow(), e2e::artifactPath("editor-menu.bmp"));
        if (popup)
            PostMessageW(popup, WM_KEYDOWN, VK_ESCAPE, 0);
        Sleep(100);
        PostMessageW(popup, WM_KEYDOWN, VK_ESCAPE, 0);
    });
    EXPECT_TRUE(shown);

    std::string title;
    withWindow([&] { editor().N5Click(); }, [&] {
        const HWND w = findWindow(tk::wide("Инструкция"));
        title = w ? e2e::windowText(w) : "";
        RECT c{};
        GetClientRect(w, &c);
        EXPECT_EQ(c.right, 600);
        Sleep(300);
        e2e::screenshot(w, e2e::artifactPath("editor-instruction.bmp"));
        PostMessageW(w, WM_KEYDOWN, VK_ESCAPE, 0);
        PostMessageW(w, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(title, "Инструкция");
}

} // namespace
} // namespace slovo
