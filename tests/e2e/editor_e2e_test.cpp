// The editor as a player meets it in the real game: editing rows and saving, cancelling, the base
// switch and the text export, the print preview's pages and the document export.
#include "tests/e2e/game_e2e.h"

#include "editor/core/editor_table.h"
#include "game/core/app_title.h"
#include "game/core/word_base.h"
#include "tests/win32/word_double/registration.h"
#include "toolkit/print_preview.h"

#include <algorithm>
#include <cstdlib>

using namespace slovo;
using e2e::GameE2E;

TEST_F(GameE2E, EditorEditsARowInsertsAndDeletesRowsAndSaves)
{
    e2e::GameProcess game;
    start(game);
    const HWND grid = e2e::openEditor(game);
    ASSERT_TRUE(grid);
    e2e::screenshot(game.mainWindow(), e2e::artifactPath("e2e-editor.bmp"));
    const e2e::EditorSteps steps{1, "ЛОСЬ", "ЗВЕРЬ"};
    ASSERT_TRUE(e2e::runEditorSteps(game, grid, steps));

    PostMessageW(game.control(ids::kEditorForm), WM_COMMAND, ids::kMenuSave, 0);
    ASSERT_TRUE(e2e::waitFor([&] { return !game.visible(ids::kEditorHost); }));
    WordBase builtin;
    StringList words = builtin.List4, hints = builtin.List3;
    e2e::applyEditorSteps(steps, words, hints);
    EXPECT_EQ(e2e::fileBytes(e2e::kPaths.stwords), formatLines(words));
    EXPECT_EQ(e2e::fileBytes(e2e::kPaths.sthints), formatLines(hints));
    EXPECT_EQ(game.text(ids::kStatusPane + 4), "Всего слов 92") << "the next puzzle comes from the saved lists";
    const std::string word = e2e::secretWord(game, words, hints);
    EXPECT_FALSE(word.empty()) << "the next puzzle comes from the saved pairs";
    e2e::closeGame(game);
}

TEST_F(GameE2E, EditorCancelSwitchAndTextExport)
{
    Win32FileSystem fs;
    CreateDirectoryW(tk::wide(e2e::kPaths.directory).c_str(), nullptr);
    fs.writeFile(e2e::kPaths.words, "ОЛЕНЬ\r\nПУРГА\r\n");
    fs.writeFile(e2e::kPaths.hints, "ЖИВОТНОЕ\r\nБУРЯ\r\n");
    e2e::GameProcess game;
    ASSERT_TRUE(game.launch(e2e::gameExe()));
    ASSERT_TRUE(e2e::waitFor([&] { return game.visible(ids::kBaseChoice); }));
    game.click(ids::kChoiceOk);
    ASSERT_TRUE(e2e::waitFor([&] { return game.text(ids::kStatusPane + 4) == "Всего слов 2"; }));

    // The updated base in use: switch the editor to the standard base, export, then cancel.
    ASSERT_TRUE(e2e::openEditor(game));
    const HWND form = game.control(ids::kEditorForm);
    PostMessageW(form, WM_COMMAND, ids::kMenuStandar, 0);
    ASSERT_TRUE(game.sync());
    const std::string words = e2e::fileBytes(e2e::kPaths.words), stwords = e2e::fileBytes(e2e::kPaths.stwords);

    // The text export through the real save dialog.
    const std::string target = e2e::kPaths.directory + "\\e2e-export.txt";
    PostMessageW(form, WM_COMMAND, ids::kMenuDoc1, 0);
    std::string proposed;
    ASSERT_TRUE(e2e::saveThroughDialog(game, "Сохранение базы в текстовом формате", target, proposed));
    EXPECT_EQ(proposed, "slovolovka.txt");
    ASSERT_TRUE(e2e::waitFor([&] { return GetFileAttributesW(tk::wide(target).c_str()) != INVALID_FILE_ATTRIBUTES; }));
    ASSERT_TRUE(game.sync());
    const std::string text = e2e::fileBytes(target);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 94) << "the standard base after the switch, and the header";
    EXPECT_EQ(text.find("\r\n"), text.find(" \r\n") + 1) << "each line ends in a space";

    // Back to the updated base: the next export holds its two pairs.
    PostMessageW(form, WM_COMMAND, ids::kMenuObnovl, 0);
    const std::string second = e2e::kPaths.directory + "\\e2e-export-updated.txt";
    PostMessageW(form, WM_COMMAND, ids::kMenuDoc1, 0);
    ASSERT_TRUE(e2e::saveThroughDialog(game, "Сохранение базы в текстовом формате", second, proposed));
    ASSERT_TRUE(e2e::waitFor([&] { return GetFileAttributesW(tk::wide(second).c_str()) != INVALID_FILE_ATTRIBUTES; }));
    ASSERT_TRUE(game.sync());
    tk::GridModel updated = makeEditorTable();
    fillTable(updated, {"ОЛЕНЬ", "ПУРГА"}, {"ЖИВОТНОЕ", "БУРЯ"});
    EXPECT_EQ(e2e::fileBytes(second), textExport(updated.cells()));

    PostMessageW(form, WM_COMMAND, ids::kMenuOtmena, 0);
    ASSERT_TRUE(e2e::waitFor([&] { return !game.visible(ids::kEditorHost); }));
    EXPECT_EQ(e2e::fileBytes(e2e::kPaths.words), words) << "cancel writes nothing";
    EXPECT_EQ(e2e::fileBytes(e2e::kPaths.stwords), stwords);
    e2e::closeGame(game);
}

namespace {

using Cells = std::vector<std::vector<std::string>>;

// The editor's table over a base of n pairs, the built-in ones over and over.
Cells editorTableOf(size_t n, StringList& words, StringList& hints)
{
    const WordBase builtin;
    words.clear();
    hints.clear();
    for (size_t i = 0; i < n; ++i) {
        words.push_back(builtin.List4[i % builtin.List4.size()]);
        hints.push_back(builtin.List3[i % builtin.List3.size()]);
    }
    tk::GridModel table = makeEditorTable();
    fillTable(table, words, hints);
    return table.cells();
}

// The page as the preview draws the print layout's page, in the pixels of a capture of that size.
std::vector<unsigned char> renderedPage(const tk::PrintLayout& layout, int page, SIZE pageSize, int w, int h)
{
    const HDC screen = GetDC(nullptr);
    const HDC mem = CreateCompatibleDC(screen);
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, h, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    const HBITMAP dib = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ old = SelectObject(mem, dib);
    tk::drawPreviewPage(mem, layout.page(page), RECT{0, 0, w, h}, pageSize);
    GdiFlush();
    const size_t stride = (static_cast<size_t>(w) * 3 + 3) & ~size_t{3};
    const auto* begin = static_cast<const unsigned char*>(bits);
    std::vector<unsigned char> out(begin, begin + stride * static_cast<size_t>(h));
    SelectObject(mem, old);
    DeleteObject(dib);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return out;
}

} // namespace

// A base long enough for three printed pages: the preview's "Previous" and "Next", clicked with
// the real mouse, step through them; the page shown is the one the print layout makes for that
// page, and each button is enabled only while there is a page to go to.
TEST_F(GameE2E, PrintPreviewPageButtonsStepThroughThreePages)
{
    const tk::GdiPrintMeasurer measurer;
    const SIZE pageSize = tk::printablePageSize();
    StringList words, hints;
    const Cells probe = editorTableOf(93, words, hints);
    const int perPage = tk::PrintLayout(probe, pageSize.cx, pageSize.cy, measurer).rowsPerPage();
    // Two full pages and half of a third, the header row included.
    const Cells cells = editorTableOf(static_cast<size_t>(2 * perPage + perPage / 2 - 1), words, hints);
    const tk::PrintLayout layout(cells, pageSize.cx, pageSize.cy, measurer);
    ASSERT_EQ(layout.pageCount(), 3) << words.size() << " pairs at " << layout.rowsPerPage() << " rows per page";

    Win32FileSystem fs;
    CreateDirectoryW(tk::wide(e2e::kPaths.directory).c_str(), nullptr);
    fs.writeFile(e2e::kPaths.stwords, formatLines(words));
    fs.writeFile(e2e::kPaths.sthints, formatLines(hints));
    e2e::GameProcess game;
    ASSERT_TRUE(game.launch(e2e::gameExe()));
    ASSERT_TRUE(e2e::waitFor([&] { return game.text(ids::kStatusPane + 4) == "Всего слов " + std::to_string(words.size()); }))
        << game.text(ids::kStatusPane + 4);
    ASSERT_TRUE(e2e::openEditor(game));
    PostMessageW(game.control(ids::kEditorForm), WM_COMMAND, ids::kMenuN4, 0);
    const HWND preview = e2e::waitForWindow(game, L"TSlovoPreview");
    ASSERT_TRUE(preview) << "no preview";
    EXPECT_EQ(e2e::windowText(preview), "Preview");
    const HWND previous = FindWindowExW(preview, nullptr, L"Button", L"Previous");
    const HWND next = FindWindowExW(preview, nullptr, L"Button", L"Next");
    const HWND close = FindWindowExW(preview, nullptr, L"Button", L"Close");
    ASSERT_TRUE(previous && next && close);

    const RECT area = e2e::previewPageArea(preview);
    const int w = area.right - area.left, h = area.bottom - area.top;
    std::vector<std::vector<unsigned char>> pages;
    for (int p = 1; p <= 3; ++p)
        pages.push_back(renderedPage(layout, p, pageSize, w, h));
    // The page the preview shows: the nearest of the three by far, with the distances for a failure.
    std::string distances;
    const auto shown = [&] {
        distances.clear();
        return e2e::nearestByFar(e2e::capture(preview, area), pages, &distances) + 1;
    };
    const auto centre = [](HWND button) {
        RECT r{};
        GetWindowRect(button, &r);
        return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    };

    ASSERT_TRUE(e2e::waitFor([&] { return shown() == 1; }, std::chrono::seconds(10))) << "opens on page 1;" << distances;
    EXPECT_FALSE(IsWindowEnabled(previous));
    EXPECT_TRUE(IsWindowEnabled(next));
    e2e::screenshot(preview, e2e::artifactPath("e2e-preview-page1.bmp"));
    const struct {
        const char* button;
        int page;
        bool previousEnabled, nextEnabled;
    } steps[] = {
        {"Next", 2, true, true},     {"Next", 3, true, false},      {"Next", 3, true, false}, // the last page stays
        {"Previous", 2, true, true}, {"Previous", 1, false, true}, {"Previous", 1, false, true},
        {"Next", 2, true, true},
    };
    for (const auto& step : steps) {
        const std::string what = std::string(step.button) + " to page " + std::to_string(step.page);
        ASSERT_TRUE(e2e::mouseClick(centre(std::string(step.button) == "Next" ? next : previous))) << what;
        ASSERT_TRUE(game.sync()) << what;
        EXPECT_TRUE(e2e::waitFor([&] { return shown() == step.page; }, std::chrono::seconds(10))) << what << ";" << distances;
        EXPECT_EQ(IsWindowEnabled(previous) != FALSE, step.previousEnabled) << what;
        EXPECT_EQ(IsWindowEnabled(next) != FALSE, step.nextEnabled) << what;
        if (step.page == 3)
            e2e::screenshot(preview, e2e::artifactPath("e2e-preview-page3.bmp"));
    }
    e2e::screenshot(preview, e2e::artifactPath("e2e-preview-page2.bmp"));

    ASSERT_TRUE(e2e::mouseClick(centre(close)));
    EXPECT_TRUE(e2e::waitFor([&] { return !IsWindowVisible(preview); })) << "Close ends the preview";
    EXPECT_TRUE(game.visible(ids::kEditorGrid)) << "the editor stays";
    SetCursorPos(10, 700);
    e2e::closeGame(game);
}

// The document export through the real save dialog against the word processor's TEST DOUBLE
// (tests/win32/word_double: the real word processor cannot exist here), told to fail at the
// table: the server's own message reaches the central error box, and the server was told to quit.
TEST_F(GameE2E, EditorDocumentExportShowsTheServersMessageAndQuitsIt)
{
    const char* dll = std::getenv("SLOVO_WORD_DOUBLE");
    ASSERT_TRUE(dll) << "SLOVO_WORD_DOUBLE names the double";
    const word_double::Registration registration(e2e::windowsPath(dll));
    ASSERT_TRUE(registration.ok());
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::string log = tk::narrow(temp) + "slovo_e2e_word_double.log";
    const std::string target = tk::narrow(temp) + "slovo_e2e_export.doc";
    DeleteFileW(tk::wide(log).c_str());
    DeleteFileW(tk::wide(target).c_str());
    const std::string message = "Недостаточно памяти для новой таблицы";
    // The game inherits the steering.
    const std::pair<const wchar_t*, std::wstring> steering[] = {
        {word_double::kLogVariable, tk::wide(log)}, {word_double::kFailVariable, L"Tables.Add"},
        {word_double::kFailMessageVariable, tk::wide(message)}};
    for (const auto& [name, value] : steering)
        SetEnvironmentVariableW(name, value.c_str());
    e2e::GameProcess game;
    start(game);
    for (const auto& entry : steering)
        SetEnvironmentVariableW(entry.first, nullptr);
    ASSERT_TRUE(e2e::openEditor(game));

    PostMessageW(game.control(ids::kEditorForm), WM_COMMAND, ids::kMenuSavexls, 0);
    std::string proposed;
    ASSERT_TRUE(e2e::saveThroughDialog(game, "Сохранение базы в формат Word", target, proposed));
    EXPECT_EQ(proposed, "slovolovka.doc");
    const auto box = game.waitForMessageBox();
    ASSERT_TRUE(box.handle) << "no error box";
    EXPECT_EQ(box.title, kApplicationTitle);
    EXPECT_EQ(box.text, message + ".") << "the server's message, with the error box's full stop";
    Sleep(200); // the box paints its text after it shows
    e2e::screenshot(box.handle, e2e::artifactPath("e2e-word-export-error.bmp"));
    e2e::GameProcess::answer(box, IDOK);
    ASSERT_TRUE(e2e::waitFor([&] { return !IsWindow(box.handle); }));

    std::vector<std::string> calls;
    const std::string bytes = e2e::fileBytes(log);
    std::wstring text(bytes.size(), L'\0');
    text.resize(static_cast<size_t>(MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(),
                                                         static_cast<int>(text.size()))));
    for (size_t start = 0, end; start < text.size(); start = end + 1) {
        end = text.find(L'\n', start);
        calls.push_back(tk::narrow(text.substr(start, end - start)));
        if (end == std::wstring::npos)
            break;
    }
    const std::vector<std::string> expected{
        "CreateInstance -> Application#1",
        "Application#1.Documents -> Documents#2",
        "Documents#2.Add() -> Document#3",
        "Document#3.Range(0, 0) -> Range#4",
        "Document#3.Tables -> Tables#5",
        "Tables#5.Add(Range#4, 94, 3) -> fails: " + message,
        "Application#1.Quit()",
        "Application#1 released, 0 objects left",
    };
    EXPECT_EQ(calls, expected) << "the server's log:\n" << tk::narrow(text);
    EXPECT_EQ(GetFileAttributesW(tk::wide(target).c_str()), INVALID_FILE_ATTRIBUTES) << "nothing saved";
    EXPECT_TRUE(game.visible(ids::kEditorGrid)) << "the editor stays open";
    DeleteFileW(tk::wide(log).c_str());
    e2e::closeGame(game);
}
