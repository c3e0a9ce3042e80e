// The print preview as a real window: its size and place, the buttons, their enabled states by
// page, the minimum size and the place remembered for the next preview; with a screenshot.
#include "toolkit/print_preview.h"

#include "tests/e2e/driver.h"
#include "toolkit/application.h"

#include <gtest/gtest.h>

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
