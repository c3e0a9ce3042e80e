// The print preview as a real window: its size and place, the buttons, their enabled states by
// page, the minimum size and the place remembered for the next preview; with a screenshot.
#include "toolkit/print_preview.h"

#include "tests/e2e/driver.h"
#include "common/win32/text.h"
#include "game/core/word_base.h"
#include "toolkit/application.h"
#include "toolkit/picture.h"

#include <gtest/gtest.h>

#include <cctype>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace tk {
namespace {

class PreviewEnvironment : public ::testing::Environment {
public:
    void SetUp() override { app = std::make_unique<Application>(GetModuleHandleW(nullptr), "Preview"); }
    void TearDown() override { app.reset(); }
    std::unique_ptr<Application> app;
};
[[maybe_unused]] auto* const g_env = ::testing::AddGlobalTestEnvironment(new PreviewEnvironment);

using Cells = std::vector<std::vector<std::string>>;

Cells table(int dataRows)
{
    Cells cells{{"", " Слово", " Подсказка"}};
    for (int r = 1; r <= dataRows; ++r)
        cells.push_back({std::to_string(r), "КОРИЦА", "ПРЯНОСТЬ ИЗ КОРЫ ДЕРЕВА"});
    return cells;
}

int pagesOf(const Cells& cells)
{
    const GdiPrintMeasurer measurer;
    const SIZE page = printablePageSize();
    return PrintLayout(cells, page.cx, page.cy, measurer).pageCount();
}

// Shows the preview; another thread inspects it and closes it.
void withPreview(const Cells& cells, PreviewMemory& memory, const std::function<void(HWND)>& inspectAndClose)
{
    std::thread driver([&] {
        HWND preview = nullptr;
        e2e::waitFor([&] {
            preview = FindWindowW(L"TSlovoPreview", nullptr);
            return preview && IsWindowVisible(preview);
        }, std::chrono::seconds(60));
        if (preview)
            inspectAndClose(preview);
    });
    showPrintPreview(nullptr, cells, memory);
    driver.join();
}

HWND button(HWND preview, const wchar_t* caption)
{
    return FindWindowExW(preview, nullptr, L"Button", caption);
}

RECT clientRectOf(HWND child, HWND parent)
{
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

TEST(PrintPreview, SizePlaceButtonsAndMinimum)
{
    const Cells cells = table(10);
    PreviewMemory memory;
    RECT window{}, buttons[4]{};
    std::string caption;
    MINMAXINFO limits{};
    bool found[4]{};
    withPreview(cells, memory, [&](HWND preview) {
        GetWindowRect(preview, &window);
        caption = e2e::windowText(preview);
        const wchar_t* captions[] = {L"Previous", L"Next", L"Print", L"Close"};
        for (int i = 0; i < 4; ++i) {
            const HWND b = button(preview, captions[i]);
            found[i] = b != nullptr;
            if (b)
                buttons[i] = clientRectOf(b, preview);
        }
        SendMessageW(preview, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
        Sleep(200);
        e2e::screenshot(preview, e2e::artifactPath("print-preview.bmp"));
        SendMessageW(button(preview, L"Close"), BM_CLICK, 0, 0);
    });
    EXPECT_EQ(caption, "Preview");
    EXPECT_EQ(window.right - window.left, 500);
    EXPECT_EQ(window.bottom - window.top, 650);
    // Centred in the work area: the screen less a taskbar (Wine keeps the shell desktop's
    // taskbar out of it after that desktop has gone).
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_EQ(window.left, work.left + (work.right - work.left - 500) / 2) << "centred in the work area";
    EXPECT_EQ(window.top, work.top + (work.bottom - work.top - 650) / 2);
    const int lefts[] = {8, 88, 168, 248};
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(found[i]) << "button " << i;
        EXPECT_EQ(buttons[i].left, lefts[i]) << "button " << i;
        EXPECT_EQ(buttons[i].top, 8) << "button " << i;
        EXPECT_EQ(buttons[i].right - buttons[i].left, 73) << "button " << i;
        EXPECT_EQ(buttons[i].bottom - buttons[i].top, 25) << "button " << i;
    }
    EXPECT_EQ(limits.ptMinTrackSize.x, 350);
    EXPECT_EQ(limits.ptMinTrackSize.y, 100);
    EXPECT_TRUE(memory.valid) << "the close remembers the place";
}

TEST(PrintPreview, PageButtonsEnabledByPage)
{
    const struct {
        int dataRows;
    } cases[] = {{5}, {400}};
    for (const auto& c : cases) {
        const Cells cells = table(c.dataRows);
        const int pages = pagesOf(cells);
        if (c.dataRows > 100) {
            ASSERT_GE(pages, 3) << "several pages wanted";
        }
        PreviewMemory memory;
        std::vector<std::pair<bool, bool>> states; // (Previous, Next) on each page, then after one more Next
        withPreview(cells, memory, [&](HWND preview) {
            const HWND prev = button(preview, L"Previous"), next = button(preview, L"Next");
            for (int p = 1; p <= pages; ++p) {
                states.emplace_back(IsWindowEnabled(prev) != FALSE, IsWindowEnabled(next) != FALSE);
                SendMessageW(next, BM_CLICK, 0, 0);
            }
            states.emplace_back(IsWindowEnabled(prev) != FALSE, IsWindowEnabled(next) != FALSE);
            SendMessageW(prev, BM_CLICK, 0, 0);
            states.emplace_back(IsWindowEnabled(prev) != FALSE, IsWindowEnabled(next) != FALSE);
            PostMessageW(preview, WM_CLOSE, 0, 0);
        });
        ASSERT_EQ(states.size(), static_cast<size_t>(pages + 2)) << c.dataRows << " rows";
        for (int p = 1; p <= pages; ++p) {
            EXPECT_EQ(states[static_cast<size_t>(p - 1)].first, p > 1) << "Previous on page " << p << " of " << pages;
            EXPECT_EQ(states[static_cast<size_t>(p - 1)].second, p < pages) << "Next on page " << p << " of " << pages;
        }
        EXPECT_EQ(states[static_cast<size_t>(pages)], states[static_cast<size_t>(pages - 1)]) << "a disabled Next does nothing";
        EXPECT_EQ(states.back().second, pages > 1) << "Previous steps back from the last page";
    }
}

TEST(PrintPreview, RemembersSizeAndPlaceForTheNextPreview)
{
    const Cells cells = table(3);
    PreviewMemory memory;
    withPreview(cells, memory, [](HWND preview) {
        SetWindowPos(preview, nullptr, 30, 40, 420, 300, SWP_NOZORDER | SWP_NOACTIVATE);
        PostMessageW(preview, WM_CLOSE, 0, 0);
    });
    ASSERT_TRUE(memory.valid);
    EXPECT_EQ(memory.rect.left, 30);
    EXPECT_EQ(memory.rect.top, 40);
    EXPECT_EQ(memory.rect.right, 450);
    EXPECT_EQ(memory.rect.bottom, 340);
    RECT again{};
    withPreview(cells, memory, [&](HWND preview) {
        GetWindowRect(preview, &again);
        PostMessageW(preview, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(again.left, 30);
    EXPECT_EQ(again.top, 40);
    EXPECT_EQ(again.right - again.left, 420);
    EXPECT_EQ(again.bottom - again.top, 300);
}

// A path of this machine for a Windows path, as Wine maps it.
std::string unixPath(const std::string& path)
{
    using ToUnix = char*(CDECL*)(const wchar_t*);
    const auto toUnix = reinterpret_cast<ToUnix>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    char* unix = toUnix ? toUnix(e2e::windowsPath(path).c_str()) : nullptr;
    const std::string out = unix ? unix : "";
    if (unix)
        HeapFree(GetProcessHeap(), 0, unix);
    return out;
}

// What OCR (tesseract, Russian) reads in a part of a screenshot, enlarged four times first as a
// reader's eye would. tesseract is a program of the machine beside Wine: Wine starts it but gives
// no handle to wait on, so the test waits for the mark its shell leaves at the end.
std::string readByOcr(const std::string& screenshot, const RECT& part)
{
    const std::string image = unixPath(screenshot);
    const std::string base = image.substr(0, image.rfind('.')) + "-ocr";
    const std::string done = base + ".done";
    DeleteFileW(e2e::windowsPath(done).c_str());
    const std::string crop = std::to_string(part.right - part.left) + "x" + std::to_string(part.bottom - part.top) + "+"
                             + std::to_string(part.left) + "+" + std::to_string(part.top);
    const std::string script = "OMP_THREAD_LIMIT=1; export OMP_THREAD_LIMIT; convert '" + image + "' -crop " + crop
                               + " +repage -colorspace Gray -resize 400% '" + base + ".png' && tesseract '" + base
                               + ".png' '" + base + "' -l rus --psm 6 >/dev/null 2>&1; touch '" + done + "'";
    std::wstring command = L"/bin/sh -c \"" + tk::wide(script) + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(L"/bin/sh", command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return "(OCR did not start: " + std::to_string(GetLastError()) + ")";
    for (HANDLE h : {pi.hProcess, pi.hThread})
        if (h)
            CloseHandle(h);
    if (!e2e::waitFor([&] { return GetFileAttributesW(e2e::windowsPath(done).c_str()) != INVALID_FILE_ATTRIBUTES; },
                      std::chrono::seconds(120)))
        return "(OCR gave no answer)";
    const HANDLE f = CreateFileW(e2e::windowsPath(base + ".txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    std::string utf8;
    if (f != INVALID_HANDLE_VALUE) {
        char buffer[4096];
        DWORD n = 0;
        while (ReadFile(f, buffer, sizeof buffer, &n, nullptr) && n > 0)
            utf8.append(buffer, n);
        CloseHandle(f);
    }
    std::wstring text(utf8.size(), L'\0');
    text.resize(static_cast<size_t>(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), text.data(),
                                                         static_cast<int>(text.size()))));
    return tk::narrow(text);
}

// Letters and digits only: OCR's blanks and punctuation vary where the letters do not.
std::string lettersOf(const std::string& text)
{
    std::string out;
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0xC0 || std::isalnum(static_cast<unsigned char>(c)))
            out += c;
    return out;
}

// Subclassed in: the test screen is 768 pixels high, and the system keeps a window within the
// screen unless the window lets it grow beyond (a player with a taller screen drags it so).
WNDPROC g_previewProc = nullptr;
LRESULT CALLBACK beyondTheScreen(HWND w, UINT msg, WPARAM wp, LPARAM lp)
{
    const LRESULT result = CallWindowProcW(g_previewProc, w, msg, wp, lp);
    if (msg == WM_GETMINMAXINFO)
        reinterpret_cast<MINMAXINFO*>(lp)->ptMaxTrackSize = {4000, 4000};
    return result;
}

// The page at the printer's detail brought down to a capture's size: drawn eight times larger,
// each pixel the average of its area there.
std::vector<unsigned char> pageBroughtDown(const PrintPage& page, SIZE pageSize, int w, int h)
{
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), 8 * w, -8 * h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    const HBITMAP large = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HDC mem = CreateCompatibleDC(nullptr);
    const HGDIOBJ old = SelectObject(mem, large);
    const RECT whole{0, 0, 8 * w, 8 * h};
    FillRect(mem, &whole, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    drawPrintPage(mem, page, whole, pageSize);
    GdiFlush();
    SelectObject(mem, old);
    DeleteDC(mem);
    const HBITMAP small = resampled(large, w, h);
    DeleteObject(large);
    std::vector<unsigned char> pixels = e2e::bitmapPixels(small, w, h);
    DeleteObject(small);
    return pixels;
}

// The ink of a capture: pixels dark, and grey between ink and paper.
struct Ink {
    double dark = 0, grey = 0;
};
Ink inkOf(const std::vector<unsigned char>& pixels, int w, int h)
{
    Ink ink;
    const size_t stride = (static_cast<size_t>(w) * 3 + 3) & ~size_t{3};
    for (size_t y = 0; y < static_cast<size_t>(h) && (y + 1) * stride <= pixels.size(); ++y)
        for (size_t x = 0; x < static_cast<size_t>(w); ++x) {
            const unsigned char g = pixels[y * stride + 3 * x + 1];
            ink.dark += g < 96;
            ink.grey += g >= 96 && g < 224;
        }
    return ink;
}

// The page legible as a picture of it, as a player reads it off the screen: at the preview's own
// size and at twice that size, OCR reads the hints of the first rows in the screenshot; at its
// own size its ink is that of the page at the printer's detail brought down: strokes thinner
// than a pixel in grey, neither dropped nor blackened whole.
TEST(PrintPreview, TheFirstRowsHintsReadOffTheScreenAtItsSizeAndTwiceThat)
{
    const slovo::WordBase builtin;
    Cells cells{{"", " Слово", " Подсказка"}};
    for (size_t r = 0; r < 40; ++r)
        cells.push_back({std::to_string(r + 1), builtin.List4[r], builtin.List3[r]});
    const struct {
        int zoom;
        size_t rowsRead;
        const char* shot;
    } cases[] = {{1, 10, "print-preview-legible.bmp"}, {2, 12, "print-preview-twice.bmp"}};
    for (const auto& c : cases) {
        PreviewMemory memory;
        const std::string shot = e2e::artifactPath(c.shot);
        RECT page{};
        std::vector<unsigned char> shown;
        withPreview(cells, memory, [&](HWND preview) {
            if (c.zoom > 1) {
                g_previewProc = reinterpret_cast<WNDPROC>(
                    SetWindowLongPtrW(preview, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(beyondTheScreen)));
                SetWindowPos(preview, nullptr, 0, 0, 500 * c.zoom, 650 * c.zoom, SWP_NOZORDER);
            }
            RedrawWindow(preview, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
            Sleep(300);
            // The page area, as the screenshot holds it: the part of the window on the screen.
            RECT window{};
            GetWindowRect(preview, &window);
            page = e2e::previewPageArea(preview);
            if (c.zoom == 1)
                shown = e2e::capture(preview, page);
            MapWindowPoints(preview, nullptr, reinterpret_cast<POINT*>(&page), 2);
            const RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
            IntersectRect(&page, &page, &screen);
            IntersectRect(&window, &window, &screen);
            OffsetRect(&page, -window.left, -window.top);
            e2e::screenshot(preview, shot);
            if (g_previewProc)
                SetWindowLongPtrW(preview, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_previewProc));
            g_previewProc = nullptr;
            PostMessageW(preview, WM_CLOSE, 0, 0);
        });
        if (c.zoom == 1) {
            const GdiPrintMeasurer measurer;
            const SIZE pageSize = printablePageSize();
            const PrintLayout layout(cells, pageSize.cx, pageSize.cy, measurer);
            const int w = page.right - page.left, h = page.bottom - page.top;
            const Ink ink = inkOf(shown, w, h), wanted = inkOf(pageBroughtDown(layout.page(1), pageSize, w, h), w, h);
            EXPECT_NEAR(ink.dark, wanted.dark, wanted.dark / 4) << "dark pixels";
            EXPECT_NEAR(ink.grey, wanted.grey, wanted.grey / 4) << "grey pixels, where strokes thinner than a pixel lie";
        }
        const std::string read = readByOcr(shot, page);
        const std::string letters = lettersOf(read);
        for (size_t r = 0; r < c.rowsRead; ++r)
            EXPECT_NE(letters.find(lettersOf(builtin.List3[r])), std::string::npos)
                << c.shot << ": row " << r + 1 << " \"" << builtin.List3[r] << "\" not read in:\n" << read;
    }
}

// Which pixel rows hold any dark pixel when the page is drawn on white at that size.
std::vector<bool> inkedRows(const PrintPage& page, SIZE pageSize, int w, int h)
{
    const HDC mem = CreateCompatibleDC(nullptr);
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    const HBITMAP dib = CreateDIBSection(mem, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ old = SelectObject(mem, dib);
    const RECT target{0, 0, w, h};
    FillRect(mem, &target, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    drawPrintPage(mem, page, target, pageSize);
    GdiFlush();
    std::vector<bool> rows(static_cast<size_t>(h), false);
    const auto* pixels = static_cast<const DWORD*>(bits);
    for (size_t y = 0; y < rows.size(); ++y)
        for (size_t x = 0; x < static_cast<size_t>(w) && !rows[y]; ++x) {
            const DWORD p = pixels[y * static_cast<size_t>(w) + x];
            rows[y] = (p & 0xFF) < 128 && ((p >> 8) & 0xFF) < 128 && ((p >> 16) & 0xFF) < 128;
        }
    SelectObject(mem, old);
    DeleteObject(dib);
    DeleteDC(mem);
    return rows;
}

// The title's raster face has no sizes as small as a reduced page needs; the two title lines
// must not overprint each other there, nor at the printer's sizes.
TEST(PrintPreview, TheTitleLinesNeverOverprintOnAPageOfAnySize)
{
    const Cells cells = table(3);
    const GdiPrintMeasurer measurer;
    const SIZE pageSize = printablePageSize();
    const PrintLayout layout(cells, pageSize.cx, pageSize.cy, measurer);
    const PrintPage page = layout.page(1);
    ASSERT_GE(page.items.size(), 2u);
    ASSERT_EQ(page.items[0].font, PrintFont::Title);
    ASSERT_EQ(page.items[1].font, PrintFont::Title);
    const struct {
        int width, height;
    } cases[] = {{435, 513}, {600, 850}, {1240, 1754}, {2480, 3508}};
    for (const auto& c : cases) {
        const auto first = inkedRows(PrintPage{{page.items[0]}}, pageSize, c.width, c.height);
        const auto second = inkedRows(PrintPage{{page.items[1]}}, pageSize, c.width, c.height);
        std::string shared;
        int inkedFirst = 0, inkedSecond = 0;
        for (size_t y = 0; y < first.size(); ++y) {
            inkedFirst += first[y];
            inkedSecond += second[y];
            if (first[y] && second[y])
                shared += " " + std::to_string(y);
        }
        EXPECT_GT(inkedFirst, 0) << c.width << " x " << c.height;
        EXPECT_GT(inkedSecond, 0) << c.width << " x " << c.height;
        EXPECT_EQ(shared, "") << c.width << " x " << c.height << ": rows inked by both title lines";
    }
}

} // namespace
} // namespace tk
