// The layout at 96, 120, 144 and 192 DPI: the test sets the screen's DPI (LogPixels), starts
// itself again at that DPI and there checks every window of the main window, its panels, the
// editor and the hint window: places scaled from the 96-DPI layout, children inside their
// parents, no siblings overlapping where the layout does not overlap them, every text fitting
// its room in its own font. Screenshots of each go to the artefacts.
#include "game/win32/main_window.h"

#include "editor/win32/instruction_dialog.h"
#include "effects/win32/dialogs.h"
#include "game/win32/control_ids.h"
#include "tests/e2e/driver.h"
#include "tests/win32/game_process.h"
#include "toolkit/markup_painter.h"
#include "toolkit/menu.h"
#include "toolkit/print_preview.h"
#include "common/win32/text.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <sstream>
#include <thread>
#include <vector>

namespace slovo {
namespace {

using wintest::pump;

constexpr int kDpis[] = {96, 120, 144, 192};
const BasePaths kPaths = BasePaths::fixedWindows();

// The DPI this process was started at by the sweep below, or 0 in the sweep itself.
int childDpi()
{
    const char* v = std::getenv("SLOVO_DPI_CHILD");
    return v ? std::atoi(v) : 0;
}

// Only the child makes the application: the sweep itself opens no window.
class ChildEnvironment : public wintest::AppEnvironment {
public:
    void SetUp() override
    {
        if (!childDpi())
            return;
        // A process without a manifest is not DPI aware; the game's manifest makes it per-monitor aware.
        using SetContext = BOOL(WINAPI*)(HANDLE);
        if (const auto set = reinterpret_cast<SetContext>(
                reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetProcessDpiAwarenessContext"))))
            set(reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4))); // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2
        AppEnvironment::SetUp();
    }
    void TearDown() override
    {
        if (childDpi())
            AppEnvironment::TearDown();
    }
};
ChildEnvironment* const g_env = static_cast<ChildEnvironment*>(::testing::AddGlobalTestEnvironment(new ChildEnvironment));

std::string settingsFile()
{
    wchar_t dir[MAX_PATH];
    GetWindowsDirectoryW(dir, MAX_PATH);
    return tk::narrow(dir) + "\\data\\win_dpi_test.bin";
}

// A registry value as it was, put back when this goes; any value for the meantime.
class RegistryValue {
public:
    RegistryValue(HKEY root, const wchar_t* path, const wchar_t* name) : name_(name)
    {
        RegCreateKeyExW(root, path, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &key_, nullptr);
        DWORD size = 0;
        had_ = RegQueryValueExW(key_, name_, nullptr, &type_, nullptr, &size) == ERROR_SUCCESS;
        old_.resize(size);
        if (had_)
            RegQueryValueExW(key_, name_, nullptr, &type_, old_.data(), &size);
    }
    ~RegistryValue()
    {
        restore();
        RegCloseKey(key_);
    }
    void restore() const
    {
        if (had_)
            RegSetValueExW(key_, name_, 0, type_, old_.data(), static_cast<DWORD>(old_.size()));
        else
            RegDeleteValueW(key_, name_);
    }
    RegistryValue(const RegistryValue&) = delete;
    RegistryValue& operator=(const RegistryValue&) = delete;
    void set(DWORD value) { RegSetValueExW(key_, name_, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value); }

private:
    HKEY key_ = nullptr;
    const wchar_t* name_;
    DWORD type_ = 0;
    std::vector<BYTE> old_;
    bool had_ = false;
};

// Runs this program again with a filter; its report goes where this one's does. The exit code,
// or 1 when it did not end in three minutes.
DWORD runSelf(const wchar_t* filter, const wchar_t* fontCheck)
{
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    SetEnvironmentVariableW(L"SLOVO_DPI_FONT_CHECK", fontCheck);
    std::wstring cmd = L"\"" + std::wstring(self) + L"\" --gtest_filter=" + filter + L" --gtest_brief=1";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION pi{};
    fflush(stdout);
    if (!CreateProcessW(self, cmd.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi))
        return 1;
    DWORD code = 1;
    if (WaitForSingleObject(pi.hProcess, 180000) == WAIT_OBJECT_0)
        GetExitCodeProcess(pi.hProcess, &code);
    else
        TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    SetEnvironmentVariableW(L"SLOVO_DPI_FONT_CHECK", nullptr);
    return code;
}

// Run by the sweep at its end: the program's bitmap face is the Russian one again.
TEST(AfterTheSweep, MsSansSerifIsTheRussianFace)
{
    const char* check = std::getenv("SLOVO_DPI_FONT_CHECK");
    const HDC dc = GetDC(nullptr);
    const HGDIOBJ old = SelectObject(dc, tk::defaultFont());
    wchar_t face[LF_FACESIZE] = {};
    GetTextFaceW(dc, LF_FACESIZE, face);
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    if (!check)
        GTEST_SKIP() << "only loads the font list";
    EXPECT_EQ(tk::narrow(face), "MS Sans Serif");
    EXPECT_EQ(tm.tmCharSet, RUSSIAN_CHARSET);
}

// Every DPI in its own process: the system reads LogPixels once, when a process starts.
TEST(ScreenScaling, EveryDpiInAProcessOfItsOwn)
{
    if (childDpi())
        GTEST_SKIP() << "the sweep runs in the first process only";
    // Each run keeps the window's place for the next, at the next DPI, as a player's would.
    DeleteFileW(tk::wide(settingsFile()).c_str());
    // Wine records the file of each face it loads at the DPI it runs at: a run at another DPI
    // leaves MS Sans Serif registered as a file of another character set for the programs after.
    const wchar_t* const fonts = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
    const RegistryValue sansSerif(HKEY_LOCAL_MACHINE, fonts, L"MS Sans Serif");
    for (const int dpi : kDpis) {
        RegistryValue logPixels(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels");
        logPixels.set(static_cast<DWORD>(dpi));

        SetEnvironmentVariableW(L"SLOVO_DPI_CHILD", std::to_wstring(dpi).c_str());
        const DWORD code = runSelf(L"AtThisDpi*.*", nullptr);
        SetEnvironmentVariableW(L"SLOVO_DPI_CHILD", nullptr);
        EXPECT_EQ(code, 0u) << dpi << " DPI: the layout check failed (its own output above)";
        sansSerif.restore();
    }
    // The first program at the screen's DPI again reloads Wine's font list and registers the
    // faces anew: let one do so, put the entry back, and see that the next finds the Russian face.
    EXPECT_EQ(runSelf(L"AfterTheSweep.*", nullptr), 0u) << "the font list was not reloaded";
    sansSerif.restore();
    EXPECT_EQ(runSelf(L"AfterTheSweep.*", L"1"), 0u) << "MS Sans Serif is not the Russian face after the sweep";
    DeleteFileW(tk::wide(settingsFile()).c_str());
}

RECT clientRect(HWND w)
{
    RECT r{};
    GetClientRect(w, &r);
    return r;
}

// A window's rectangle in its parent's client coordinates.
RECT placeOf(HWND w)
{
    RECT r{};
    GetWindowRect(w, &r);
    MapWindowPoints(nullptr, GetParent(w), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

bool overlap(const RECT& a, const RECT& b)
{
    RECT i;
    return IntersectRect(&i, &a, &b) != FALSE;
}

RECT logicalRect(const tk::Bounds& b)
{
    return RECT{b.x, b.y, b.x + b.width, b.y + b.height};
}

std::string describe(const RECT& r)
{
    std::ostringstream s;
    s << "(" << r.left << "," << r.top << ")-(" << r.right << "," << r.bottom << ")";
    return s.str();
}

int textWidth(HFONT font, const std::string& text)
{
    const std::wstring w = tk::wide(text);
    const HDC dc = GetDC(nullptr);
    const HGDIOBJ old = SelectObject(dc, font);
    RECT r{0, 0, 0, 0};
    DrawTextW(dc, w.c_str(), static_cast<int>(w.size()), &r, DT_SINGLELINE | DT_CALCRECT | DT_NOPREFIX);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return r.right - r.left;
}

int wrappedHeight(HFONT font, const std::string& text, int width)
{
    const std::wstring w = tk::wide(text);
    const HDC dc = GetDC(nullptr);
    const HGDIOBJ old = SelectObject(dc, font);
    RECT r{0, 0, width, 0};
    DrawTextW(dc, w.c_str(), static_cast<int>(w.size()), &r, DT_WORDBREAK | DT_CALCRECT | DT_NOPREFIX | DT_CENTER);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return r.bottom - r.top;
}

int markupWidth(const std::string& text, const tk::MarkupStyle& style)
{
    const HDC dc = GetDC(nullptr);
    const fx::MarkupResult m = tk::measureMarkup(dc, text, RECT{0, 0, 4000, 1000}, style);
    ReleaseDC(nullptr, dc);
    return m.width;
}

std::string faceOf(HFONT font)
{
    const HDC dc = GetDC(nullptr);
    const HGDIOBJ old = SelectObject(dc, font);
    wchar_t face[LF_FACESIZE] = {};
    GetTextFaceW(dc, LF_FACESIZE, face);
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return tk::narrow(face) + " " + std::to_string(tm.tmHeight) + " px";
}

// What one control's text needs beside the room it has, or {0, 0} when it shows no text of its own;
// the font it is measured in, when it is a plain one.
struct TextRoom {
    int needs = 0, has = 0;
    HFONT font = nullptr;
};

TextRoom textRoom(tk::Control& c)
{
    // A covered cell draws its letter, which its window text holds back.
    auto* label = dynamic_cast<tk::Label*>(&c);
    const std::string text = label ? label->drawnText() : c.text();
    const int dpi = c.dpi();
    const RECT r = clientRect(c.handle());
    if (text.empty())
        return {};
    if (label) {
        // The one wrapping label (the hint of the puzzle) must keep its lines inside its height.
        if (GetDlgCtrlID(c.handle()) == ids::kHintLabel)
            return {wrappedHeight(label->font(), text, r.right), r.bottom, label->font()};
        return {textWidth(label->font(), text), r.right, label->font()};
    }
    if (auto* pane = dynamic_cast<tk::StatusPane*>(&c))
        return {textWidth(tk::defaultFont(dpi), text), pane->textRoom(), tk::defaultFont(dpi)};
    if (auto* button = dynamic_cast<tk::ToolButton*>(&c)) {
        if (button->look() == tk::ButtonLook::Push) {
            tk::MarkupStyle style;
            style.wordWrap = false;
            style.dpi = dpi;
            return {markupWidth(text, style), r.right - 2 * tk::scaled(3, dpi)};
        }
        const int glyph = button->glyph() ? button->glyph()->atDpi(dpi).width() + tk::scaled(4, dpi) : 0;
        return {glyph + textWidth(tk::defaultFont(dpi), text), r.right, tk::defaultFont(dpi)};
    }
    if (dynamic_cast<tk::Panel*>(&c)) {
        tk::MarkupStyle style;
        style.font.bold = true;
        style.pictures = false;
        style.dpi = dpi;
        // Left margin and the caption button's place.
        return {markupWidth(text, style), r.right - tk::scaled(5 + 22, dpi)};
    }
    wchar_t cls[32] = {};
    GetClassNameW(c.handle(), cls, 32);
    if (std::wstring(cls) == L"Button") {
        const HFONT font = reinterpret_cast<HFONT>(SendMessageW(c.handle(), WM_GETFONT, 0, 0));
        const bool radio = (GetWindowLongW(c.handle(), GWL_STYLE) & BS_TYPEMASK) == BS_RADIOBUTTON;
        // A radio button's circle and gap; a push button's edges.
        return {textWidth(font, text) + tk::scaled(radio ? 18 : 6, dpi), r.right, font};
    }
    return {};
}

// Checks the control's children, and theirs: each placed at its 96-DPI bounds scaled, inside its
// parent and clear of its siblings unless the 96-DPI layout has it so, its text inside its room.
void checkChildren(HWND parentWindow, const tk::Bounds& parentLogical, const std::string& where)
{
    std::vector<tk::Control*> children;
    for (HWND w = GetWindow(parentWindow, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT))
        if (tk::Control* c = tk::Control::fromHandle(w); c && IsWindowVisible(w))
            children.push_back(c);
    const RECT parentClient = clientRect(parentWindow);
    const RECT parentLogicalRect{0, 0, parentLogical.width, parentLogical.height};
    for (tk::Control* c : children) {
        const std::string name = where + "/" + c->name();
        const int dpi = c->dpi();
        const tk::Bounds b = c->bounds();
        const RECT place = placeOf(c->handle());
        const RECT expected{tk::scaled(b.x, dpi), tk::scaled(b.y, dpi), tk::scaled(b.x + b.width, dpi), tk::scaled(b.y + b.height, dpi)};
        EXPECT_TRUE(EqualRect(&place, &expected)) << name << " at " << describe(place) << ", its bounds scaled are " << describe(expected);

        RECT inside;
        IntersectRect(&inside, &place, &parentClient);
        RECT logicalInside;
        const RECT logical = logicalRect(b);
        IntersectRect(&logicalInside, &logical, &parentLogicalRect);
        if (EqualRect(&logicalInside, &logical))
            EXPECT_TRUE(EqualRect(&inside, &place)) << name << " at " << describe(place) << " leaves its parent's "
                                                    << describe(parentClient);

        for (tk::Control* other : children) {
            if (other == c || overlap(logical, logicalRect(other->bounds())))
                continue;
            EXPECT_FALSE(overlap(place, placeOf(other->handle())))
                << name << " at " << describe(place) << " overlaps " << other->name() << " at " << describe(placeOf(other->handle()));
        }

        const TextRoom room = textRoom(*c);
        EXPECT_LE(room.needs, room.has) << name << " \"" << c->text() << "\" needs " << room.needs << " pixels, has "
                                        << room.has << (room.font ? " in " + faceOf(room.font) : "");

        checkChildren(c->handle(), b, name);
    }
}

std::string shotName(const char* what)
{
    return "dpi-" + std::to_string(childDpi()) + "-" + what + ".bmp";
}

void writeBase()
{
    Win32FileSystem fs;
    for (const auto* p : {&kPaths.stwords, &kPaths.sthints, &kPaths.words, &kPaths.hints})
        DeleteFileW(tk::wide(*p).c_str());
    CreateDirectoryW(tk::wide(kPaths.directory).c_str(), nullptr);
    // The widest letters in all ten cells, and a hint of two lines.
    fs.writeFile(kPaths.stwords, "ЖШЩЮМЖШЩЮМ\r\n");
    fs.writeFile(kPaths.sthints, "ЗДЕСЬ ДЛИННАЯ ПОДСКАЗКА К СЛОВУ, ЧТОБЫ ОНА ЗАНЯЛА ДВЕ СТРОКИ\r\n");
}

class AtThisDpi : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!childDpi())
            GTEST_SKIP() << "run by ScreenScaling.EveryDpiInAProcessOfItsOwn at each DPI";
        writeBase();
        SetCursorPos(1, 1);
        window = std::make_unique<MainWindow>(*g_env->app);
        window->show();
        SetWindowPos(window->handle(), nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        pump();
    }
    void TearDown() override
    {
        if (window)
            DestroyWindow(window->handle());
        window.reset();
        pump();
        for (const auto* p : {&kPaths.stwords, &kPaths.sthints})
            DeleteFileW(tk::wide(*p).c_str());
    }
    void check(const char* what)
    {
        pump();
        RedrawWindow(window->handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        e2e::screenshot(window->handle(), e2e::artifactPath(shotName(what)));
        SCOPED_TRACE(what);
        checkChildren(window->handle(), tk::Bounds{0, 0, 516, 274}, "Form1");
    }
    std::unique_ptr<MainWindow> window;
};

// The settings the run before saved at another DPI bring back the window's place, not its size.
TEST_F(AtThisDpi, TheProgramRunsAtTheDpiSet)
{
    EXPECT_EQ(tk::systemDpi(), childDpi());
    EXPECT_EQ(window->form().dpi(), childDpi());
    const RECT client = clientRect(window->handle());
    EXPECT_EQ(client.right, tk::scaled(516, childDpi()));
    EXPECT_EQ(client.bottom, tk::scaled(274, childDpi()));
}

TEST_F(AtThisDpi, MainWindowAndItsPanels)
{
    check("main");
    window->RzToolbarButton2Click();
    check("about");
    window->aboutPanel().setVisible(false);
    window->baseChoicePanel().setVisible(true);
    check("base-choice");
    window->baseChoicePanel().setVisible(false);
    window->RzToolbarButton1Click();
    check("editor");
}

TEST_F(AtThisDpi, TheStarfieldFillsItsPanel)
{
    window->starfieldPanel().bringToFront();
    window->starfieldPanel().setVisible(true);
    check("starfield");
    const RECT panel = clientRect(window->starfieldPanel().handle());
    const RECT field = placeOf(window->starfield().handle());
    EXPECT_TRUE(EqualRect(&panel, &field)) << describe(field) << " in " << describe(panel);

    // The stars fly over the whole field, its far third too: the field is drawn at the window's size.
    window->starfield().setActive(true);
    const auto start = GetTickCount();
    while (GetTickCount() - start < 1500) {
        pump();
        Sleep(20);
    }
    const int w = field.right - field.left, h = field.bottom - field.top;
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    const HDC source = GetDC(window->starfield().handle());
    const HDC mem = CreateCompatibleDC(source);
    const HBITMAP dib = CreateDIBSection(source, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ old = SelectObject(mem, dib);
    BitBlt(mem, 0, 0, w, h, source, 0, 0, SRCCOPY);
    GdiFlush();
    int farStars = 0;
    for (int y = 0; y < h; ++y)
        for (int x = w * 2 / 3; x < w; ++x)
            farStars += (static_cast<const uint32_t*>(bits)[static_cast<size_t>(y) * w + x] & 0xFFFFFF) != 0;
    SelectObject(mem, old);
    DeleteObject(dib);
    DeleteDC(mem);
    ReleaseDC(window->starfield().handle(), source);
    window->starfield().setActive(false);
    e2e::screenshot(window->handle(), e2e::artifactPath(shotName("stars")));
    EXPECT_GT(farStars, 0) << "no star in the right third of the field";
}

TEST_F(AtThisDpi, TheHintWindowHoldsItsText)
{
    tk::Control* letters = tk::Control::fromHandle(e2e::childById(window->handle(), ids::kLettersPanel));
    ASSERT_TRUE(letters);
    RECT r{};
    GetWindowRect(letters->handle(), &r);
    SetCursorPos(r.left + 4, r.top + 4);
    tk::Hints::mouseOver(*letters);
    // The hint window is made with the first hint it shows.
    HWND hint = nullptr;
    ASSERT_TRUE(e2e::waitFor([&] {
        pump();
        hint = FindWindowW(L"THTMLHintWindow", nullptr);
        return hint && IsWindowVisible(hint) != FALSE;
    })) << "the hint did not show";
    pump();
    e2e::screenshot(hint, e2e::artifactPath(shotName("hint")));
    // The hint's text at the form's DPI, with the margins the window gives it at 96 DPI scaled.
    tk::MarkupStyle style;
    style.font = {"Tahoma", 8, false, false, false, false, 0};
    style.wordWrap = false;
    style.dpi = childDpi();
    const int needs = markupWidth(letters->hint(), style) + tk::scaled(4 + 4, childDpi());
    EXPECT_LE(needs, clientRect(hint).right) << "the hint is " << clientRect(hint).right << " pixels wide";
    tk::Hints::mouseGone(*letters);
}

// Moved to a monitor of another DPI: the window takes the suggested rectangle and lays itself
// out again at the new DPI, fonts and pictures included.
TEST_F(AtThisDpi, ADpiChangeLaysTheWindowOutAgain)
{
    const int to = childDpi() == 144 ? 96 : 144;
    // Known Wine difference: Wine draws the frame at the system's DPI whatever the window's, where
    // Windows suggests the frame at the new DPI; the suggestion here keeps the frame it has.
    RECT before{};
    GetWindowRect(window->handle(), &before);
    const RECT inside = clientRect(window->handle());
    const int frameW = before.right - before.left - inside.right, frameH = before.bottom - before.top - inside.bottom;
    RECT suggested{10, 20, 10 + tk::scaled(516, to) + frameW, 20 + tk::scaled(274, to) + frameH};
    // The editor open before the change: its fields, grid and labels follow too.
    window->RzToolbarButton1Click();
    SendMessageW(window->handle(), WM_DPICHANGED, MAKEWPARAM(to, to), reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(window->form().dpi(), to);
    RECT now{};
    GetWindowRect(window->handle(), &now);
    EXPECT_TRUE(EqualRect(&now, &suggested)) << describe(now) << ", suggested " << describe(suggested);
    const RECT client = clientRect(window->handle());
    EXPECT_EQ(client.right, tk::scaled(516, to));
    EXPECT_EQ(client.bottom, tk::scaled(274, to));
    check("dpi-changed");
    // The grid's cell editor writes in the grid's font at the new DPI.
    tk::StringGrid& grid = window->editor()->grid();
    grid.moveTo(1, 1);
    grid.showEditor();
    const HFONT font = reinterpret_cast<HFONT>(SendMessageW(grid.editor().handle(), WM_GETFONT, 0, 0));
    EXPECT_EQ(font, tk::sharedFont(L"Tahoma", 11, false, to)) << "the cell editor's font is " << faceOf(font);
}

// What the menu timer saw: the item's rectangle, and its glyph's place photographed.
struct MenuSight {
    HMENU menu = nullptr;
    RECT item{};
    int ticks = 0;
};
MenuSight g_menuSight;

void CALLBACK menuTick(HWND, UINT, UINT_PTR, DWORD)
{
    const HWND popup = FindWindowW(L"#32768", nullptr);
    if (!popup || !IsWindowVisible(popup) || ++g_menuSight.ticks < 4)
        return;
    GetMenuItemRect(nullptr, g_menuSight.menu, 0, &g_menuSight.item);
    e2e::screenshot(popup, e2e::artifactPath(shotName("menu")));
    EndMenu();
}

// The main window's menus drop from the form: their items are measured at its DPI, room for the
// glyph, the gaps and the caption in the menu font at that DPI.
TEST_F(AtThisDpi, MenuItemsHoldTheirGlyphAndCaption)
{
    tk::PopupMenu menu;
    tk::MenuItem& item = menu.add(9001, "probe", "Выключить");
    item.setGlyph(tk::Picture::shared(L"Delete16.gif"));
    g_menuSight = {menu.handle(), {}, 0};
    SetCursorPos(1, 1);
    const UINT_PTR timer = SetTimer(window->handle(), 77, 100, menuTick);
    TrackPopupMenu(menu.handle(), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_LEFTBUTTON, 200, 200, 0, window->handle(), nullptr);
    KillTimer(window->handle(), timer);
    const int dpi = childDpi();
    const RECT& r = g_menuSight.item;
    ASSERT_GT(r.right - r.left, 0) << "the menu did not show";
    EXPECT_GE(r.bottom - r.top, tk::scaled(tk::MenuItem::kGlyphSize + 4, dpi));
    const int needs = tk::scaled(tk::MenuItem::kGlyphLeft + tk::MenuItem::kGlyphSize + tk::MenuItem::kCaptionGap, dpi)
                      + textWidth(tk::menuFont(dpi), "Выключить");
    EXPECT_GE(r.right - r.left, needs);
    const RECT glyph = tk::MenuItem::glyphRect(RECT{0, 0, r.right - r.left, r.bottom - r.top}, dpi);
    EXPECT_EQ(glyph.right - glyph.left, tk::scaled(16, dpi));
}

// Pictures at each DPI: the picture itself at 96, its twice-size source at 192, the twice-size
// source brought down between.
TEST(AtThisDpiPictures, ComeFromTheSourceForTheirScale)
{
    if (!childDpi())
        GTEST_SKIP() << "needs the application of a layout process";
    tk::Picture* glyph = tk::Picture::shared(L"History16.gif");
    ASSERT_TRUE(glyph);
    const std::unique_ptr<tk::Picture> twice = tk::Picture::fromResource(L"History16.gif.2X");
    ASSERT_TRUE(twice);
    ASSERT_EQ(twice->width(), 32);
    const auto pixels = [](HBITMAP b, int w, int h) {
        std::vector<uint32_t> out(static_cast<size_t>(w) * h);
        BITMAPINFO bi{};
        bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        const HDC screen = GetDC(nullptr);
        GetDIBits(screen, b, 0, static_cast<UINT>(h), out.data(), &bi, DIB_RGB_COLORS);
        ReleaseDC(nullptr, screen);
        return out;
    };
    for (const int dpi : kDpis) {
        const tk::Picture& at = glyph->atDpi(dpi);
        EXPECT_EQ(at.width(), tk::scaled(16, dpi)) << dpi;
        EXPECT_EQ(at.height(), tk::scaled(16, dpi)) << dpi;
        if (dpi == 96)
            EXPECT_EQ(&at, glyph);
        const int size = at.width();
        const HBITMAP expected = dpi == 96 ? nullptr : tk::resampled(twice->bitmap(), size, size);
        const std::vector<uint32_t> got = pixels(at.bitmap(), size, size);
        const std::vector<uint32_t> want = expected ? pixels(expected, size, size) : pixels(glyph->bitmap(), 16, 16);
        EXPECT_EQ(got, want) << dpi << " DPI: not drawn from the source for its scale";
        if (expected)
            DeleteObject(expected);
        if (dpi == 192)
            EXPECT_EQ(got, pixels(twice->bitmap(), 32, 32)) << "192 DPI shows the twice-size source itself";
    }
    // The gallows stages, a BITMAP resource and its twin, scaled the same way.
    for (const int dpi : kDpis) {
        BITMAP info{};
        ASSERT_TRUE(GetObjectW(tk::bitmapAtDpi(L"GALLOWS3", dpi), sizeof info, &info)) << dpi;
        EXPECT_EQ(info.bmWidth, tk::scaled(110, dpi)) << dpi;
        EXPECT_EQ(std::abs(info.bmHeight), tk::scaled(212, dpi)) << dpi;
    }
}

// Runs a modal window; another thread checks it, photographs it and closes it. Without a
// client size of its own (a window the user sizes) the client is taken as it is.
void checkModal(const std::function<void()>& run, const wchar_t* windowClass, const tk::Bounds* logicalClient,
                const char* what)
{
    std::thread driver([&] {
        HWND dialog = nullptr;
        e2e::waitFor([&] {
            dialog = FindWindowW(windowClass, nullptr);
            return dialog && IsWindowVisible(dialog);
        }, std::chrono::seconds(10));
        if (!dialog) {
            ADD_FAILURE() << what << " did not show";
            return;
        }
        Sleep(200);
        e2e::screenshot(dialog, e2e::artifactPath(shotName(what)));
        const RECT client = clientRect(dialog);
        tk::Bounds logical{0, 0, MulDiv(client.right, tk::kBaseDpi, childDpi()), MulDiv(client.bottom, tk::kBaseDpi, childDpi())};
        if (logicalClient) {
            EXPECT_EQ(client.right, tk::scaled(logicalClient->width, childDpi())) << what;
            EXPECT_EQ(client.bottom, tk::scaled(logicalClient->height, childDpi())) << what;
            logical = *logicalClient;
        }
        checkChildren(dialog, logical, what);
        if (!logicalClient) {
            // The print preview opens at its 96-DPI size scaled, within the screen.
            RECT work{}, opened{};
            SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
            GetWindowRect(dialog, &opened);
            EXPECT_EQ(opened.right - opened.left, std::min<int>(tk::scaled(500, childDpi()), work.right - work.left));
            EXPECT_EQ(opened.bottom - opened.top, std::min<int>(tk::scaled(650, childDpi()), work.bottom - work.top));
            // Dragged to a monitor of another DPI, the window the user sizes follows too.
            const int to = childDpi() == 144 ? 96 : 144;
            RECT suggested{0, 0, tk::scaled(400, to), tk::scaled(300, to)};
            SendMessageW(dialog, WM_DPICHANGED, MAKEWPARAM(to, to), reinterpret_cast<LPARAM>(&suggested));
            RECT now{};
            GetWindowRect(dialog, &now);
            EXPECT_TRUE(EqualRect(&now, &suggested)) << what << " at " << describe(now);
            const RECT after = clientRect(dialog);
            checkChildren(dialog, tk::Bounds{0, 0, MulDiv(after.right, tk::kBaseDpi, to), MulDiv(after.bottom, tk::kBaseDpi, to)},
                          std::string(what) + " after the DPI change");
        }
        PostMessageW(dialog, WM_CLOSE, 0, 0);
    });
    run();
    driver.join();
}

TEST(AtThisDpiDialogs, TheInstructionAndTheStopDialog)
{
    if (!childDpi())
        GTEST_SKIP() << "needs the application of a layout process";
    fx::THTMLDialog instruction = slovo::instructionDialog();
    const tk::Bounds instructionClient{0, 0, 600, 400};
    checkModal([&] { instruction.Execute(); }, L"TSlovoDialog", &instructionClient, "instruction");

    fx::TProStopDialog stop;
    stop.Language = fx::TDialogLanguage::dlRussian;
    stop.SoundType = fx::TSoundType::stNoSound;
    stop.Caption = "Ошибка ввода";
    stop.StopMessage = "Строка таблицы не заполнена! Заполните &слово и подсказку, затем сохраните таблицу еще раз.";
    stop.HelpContext = 1;
    // Its layout is given at 120 pixels per inch: 402 x 169 there.
    const tk::Bounds stopClient{0, 0, 322, 135};
    checkModal([&] { stop.Execute(); }, L"TSlovoDialog", &stopClient, "stop");

    // The print preview, a window the user sizes.
    std::vector<std::vector<std::string>> cells{{"", "Слово", "Подсказка"}};
    for (int row = 1; row <= 40; ++row)
        cells.push_back({std::to_string(row), "ЖШЩЮМЖШЩЮМ", "ЗДЕСЬ ДЛИННАЯ ПОДСКАЗКА К СЛОВУ"});
    tk::PreviewMemory memory;
    checkModal([&] { tk::showPrintPreview(nullptr, cells, memory); }, L"TSlovoPreview", nullptr, "preview");
    // It keeps the place it had last, the one the DPI change gave it.
    const int to = childDpi() == 144 ? 96 : 144;
    EXPECT_EQ(memory.rect.right - memory.rect.left, tk::scaled(400, to));
    EXPECT_EQ(memory.rect.bottom - memory.rect.top, tk::scaled(300, to));
}

} // namespace
} // namespace slovo
