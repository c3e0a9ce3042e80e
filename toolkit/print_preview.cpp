// The print preview window, the page painter for screen and printer, and printing.
#include "toolkit/print_preview.h"

#include "toolkit/application.h"
#include "toolkit/button.h"
#include "toolkit/control.h"
#include "toolkit/picture.h"
#include "common/error.h"
#include "common/win32/text.h"

#include <winspool.h>

#include <algorithm>
#include <map>
#include <memory>
#include <utility>

namespace tk {

namespace {

using Cells = std::vector<std::vector<std::string>>;

constexpr int kBarHeight = 41;
constexpr COLORREF kGrey = RGB(128, 128, 128);
// The fonts are measured this many times larger than drawn, so widths keep a tenth's precision.
constexpr int kMeasureZoom = 10;
constexpr SIZE kA4{2100, 2970};
// The longer side of the preview's page is drawn at least this many pixels long before it is
// brought down to the page area.
constexpr int kPreviewDetail = 2000;

int emTenths(PrintFont font)
{
    return printFontSpec(font).points * 254 / 72;
}

// pixelHeight is the character height, or with a stand-in face the whole cell's, so the stand-in
// never grows beyond the line.
HFONT createPrintFont(PrintFont font, int pixelHeight, DWORD precision = OUT_DEFAULT_PRECIS, const wchar_t* face = nullptr)
{
    const PrintFontSpec wanted = printFontSpec(font);
    const int height = face ? std::max(1, pixelHeight) : -std::max(1, pixelHeight);
    return CreateFontW(height, 0, 0, 0, wanted.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                       RUSSIAN_CHARSET, precision, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS,
                       face ? face : wanted.face);
}

// A raster face that the device cannot show that small: its smallest size stands taller than the
// line it is placed on (a line is about a fifth taller than the character height asked for).
bool tooTallRaster(HDC dc, HFONT font, int pixelHeight)
{
    const HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICW tm{};
    const bool measured = GetTextMetricsW(dc, &tm) != FALSE;
    SelectObject(dc, old);
    return measured && !(tm.tmPitchAndFamily & (TMPF_TRUETYPE | TMPF_VECTOR)) && tm.tmHeight > pixelHeight + pixelHeight / 4 + 1;
}

// "MS Sans Serif" is a raster face without small sizes: on a reduced page the two title lines
// would overprint each other. A TrueType face draws it then: its own TrueType twin, or, where the
// font mapper keeps the raster face regardless (Wine), the cells' Tahoma.
HFONT fittingPrintFont(HDC dc, PrintFont font, int pixelHeight)
{
    HFONT chosen = createPrintFont(font, pixelHeight);
    if (tooTallRaster(dc, chosen, pixelHeight)) {
        DeleteObject(chosen);
        chosen = createPrintFont(font, pixelHeight, OUT_TT_ONLY_PRECIS, printFontSpec(font).face);
        if (tooTallRaster(dc, chosen, pixelHeight)) {
            DeleteObject(chosen);
            chosen = createPrintFont(font, pixelHeight, OUT_TT_ONLY_PRECIS, printFontSpec(PrintFont::Cell).face);
        }
    }
    return chosen;
}

// A device context of the named printer in portrait; an information context when only asked.
HDC printerDc(const std::wstring& name, bool informationOnly)
{
    std::vector<BYTE> buffer;
    DEVMODEW* mode = nullptr;
    HANDLE printer = nullptr;
    if (OpenPrinterW(const_cast<wchar_t*>(name.c_str()), &printer, nullptr)) {
        const LONG size = DocumentPropertiesW(nullptr, printer, const_cast<wchar_t*>(name.c_str()), nullptr, nullptr, 0);
        if (size > 0) {
            buffer.resize(static_cast<size_t>(size));
            mode = reinterpret_cast<DEVMODEW*>(buffer.data());
            if (DocumentPropertiesW(nullptr, printer, const_cast<wchar_t*>(name.c_str()), mode, nullptr, DM_OUT_BUFFER) == IDOK) {
                mode->dmFields |= DM_ORIENTATION;
                mode->dmOrientation = DMORIENT_PORTRAIT;
            } else {
                mode = nullptr;
            }
        }
        ClosePrinter(printer);
    }
    return informationOnly ? CreateICW(L"WINSPOOL", name.c_str(), nullptr, mode)
                           : CreateDCW(L"WINSPOOL", name.c_str(), nullptr, mode);
}

SIZE pageSizeOf(HDC dc)
{
    const int dpiX = std::max(1, GetDeviceCaps(dc, LOGPIXELSX)), dpiY = std::max(1, GetDeviceCaps(dc, LOGPIXELSY));
    return {MulDiv(GetDeviceCaps(dc, HORZRES), 254, dpiX), MulDiv(GetDeviceCaps(dc, VERTRES), 254, dpiY)};
}

class PreviewWindow : public Control {
public:
    PreviewWindow(const Cells& cells, PreviewMemory& memory)
        : Control(nullptr, "Preview"), cells_(cells), memory_(memory), pageSize_(printablePageSize()),
          layout_(cells_, pageSize_.cx, pageSize_.cy, measurer_)
    {
        registerClass(L"TSlovoPreview", CS_HREDRAW | CS_VREDRAW, nullptr, true);
        if (memory_.valid) {
            const RECT& r = memory_.rect;
            setBounds({r.left, r.top, r.right - r.left, r.bottom - r.top});
        } else {
            // At a high DPI the scaled page may not fit the screen: then it takes the screen's height.
            RECT work{};
            SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
            const int w = std::min<int>(scale(500), work.right - work.left), h = std::min<int>(scale(650), work.bottom - work.top);
            setBounds({work.left + (work.right - work.left - w) / 2, work.top + (work.bottom - work.top - h) / 2, w, h});
        }
        setSelfPainted();
        create(L"TSlovoPreview", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, "Preview");
        const char* captions[] = {"Previous", "Next", "Print", "Close"};
        for (int i = 0; i < 4; ++i)
            buttons_[i] = std::make_unique<Button>(this, captions[i], Bounds{8 + 80 * i, 8, 73, 25}, captions[i], 1 + i, true);
        buttons_[0]->onClick = [this] { step(-1); };
        buttons_[1]->onClick = [this] { step(+1); };
        buttons_[2]->onClick = [this] { print(); };
        buttons_[3]->onClick = [this] { finish(); };
        updateButtons();
    }

    void run(HWND owner)
    {
        const bool disableOwner = owner && IsWindowEnabled(owner);
        if (disableOwner)
            EnableWindow(owner, FALSE);
        ShowWindow(handle(), SW_SHOW);
        SetForegroundWindow(handle());
        MSG msg;
        bool quit = false;
        while (!done_ && IsWindow(handle())) {
            const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
            if (got <= 0) {
                quit = got == 0;
                break;
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        // A restored place: a minimized or maximized window would come back in its odd size.
        WINDOWPLACEMENT placement{};
        placement.length = sizeof placement;
        if (GetWindowPlacement(handle(), &placement)) {
            memory_.rect = placement.rcNormalPosition;
            memory_.valid = true;
        }
        if (disableOwner)
            EnableWindow(owner, TRUE);
        ShowWindow(handle(), SW_HIDE);
        if (owner)
            SetActiveWindow(owner);
        if (quit)
            PostQuitMessage(static_cast<int>(msg.wParam));
    }

protected:
    LRESULT handleMessage(UINT msg, WPARAM wp, LPARAM lp) override
    {
        switch (msg) {
        case WM_CLOSE:
            finish();
            return 0;
        case WM_GETMINMAXINFO:
            reinterpret_cast<MINMAXINFO*>(lp)->ptMinTrackSize = {scale(350), scale(100)};
            return 0;
        default:
            break;
        }
        return Control::handleMessage(msg, wp, lp);
    }

    void paint(HDC dc) override
    {
        RECT client;
        GetClientRect(handle(), &client);
        const int w = client.right, h = client.bottom;
        if (w <= 0 || h <= 0)
            return;
        // Drawn off screen first: the page is many small texts, which would flicker.
        const HDC mem = CreateCompatibleDC(dc);
        const HBITMAP bitmap = CreateCompatibleBitmap(dc, w, h);
        const HGDIOBJ old = SelectObject(mem, bitmap);
        const RECT bar{0, 0, w, std::min(h, scale(kBarHeight))};
        FillRect(mem, &bar, GetSysColorBrush(COLOR_BTNFACE));
        const RECT below{0, bar.bottom, w, h};
        FillRect(mem, &below, solidBrush(kGrey));
        const RECT page = pageRect(client);
        if (page.right > page.left && page.bottom > page.top)
            drawPreviewPage(mem, layout_.page(page_), page, pageSize_);
        BitBlt(dc, 0, 0, w, h, mem, 0, 0, SRCCOPY);
        SelectObject(mem, old);
        DeleteObject(bitmap);
        DeleteDC(mem);
    }

private:
    RECT pageRect(const RECT& client) const
    {
        const int bar = scale(kBarHeight);
        const int w = client.right, h = client.bottom - bar;
        const int pw = w * 9 / 10, ph = h * 9 / 10;
        const int left = (w - pw) / 2, top = bar + (h - ph) / 2;
        return {left, top, left + pw, top + ph};
    }

    // A message sent from elsewhere does not end GetMessage: a posted one wakes the loop.
    void finish()
    {
        done_ = true;
        PostMessageW(handle(), WM_NULL, 0, 0);
    }

    void step(int delta)
    {
        page_ = std::clamp(page_ + delta, 1, layout_.pageCount());
        updateButtons();
        invalidate();
    }

    void updateButtons()
    {
        buttons_[0]->setEnabled(page_ > 1);
        buttons_[1]->setEnabled(page_ < layout_.pageCount());
    }

    void print()
    {
        const HCURSOR previous = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        try {
            printTable(cells_);
        } catch (...) {
            SetCursor(previous);
            throw;
        }
        SetCursor(previous);
    }

    const Cells& cells_;
    PreviewMemory& memory_;
    GdiPrintMeasurer measurer_;
    SIZE pageSize_;
    PrintLayout layout_;
    int page_ = 1;
    bool done_ = false;
    std::unique_ptr<Button> buttons_[4];
};

} // namespace

GdiPrintMeasurer::GdiPrintMeasurer()
{
    const HDC dc = CreateCompatibleDC(nullptr);
    for (PrintFont font : {PrintFont::Title, PrintFont::Footer, PrintFont::Cell}) {
        const size_t f = static_cast<size_t>(font);
        const HFONT handle = createPrintFont(font, emTenths(font) * kMeasureZoom);
        const HGDIOBJ old = SelectObject(dc, handle);
        TEXTMETRICW tm{};
        GetTextMetricsW(dc, &tm);
        heights_[f] = (tm.tmHeight + kMeasureZoom / 2) / kMeasureZoom;
        for (int c = 32; c < 256; ++c) {
            const char byte = static_cast<char>(c);
            wchar_t ch = 0;
            SIZE extent{};
            if (MultiByteToWideChar(1251, 0, &byte, 1, &ch, 1) == 1 && GetTextExtentPoint32W(dc, &ch, 1, &extent))
                widths_[f][c] = (extent.cx + kMeasureZoom / 2) / kMeasureZoom;
        }
        SelectObject(dc, old);
        DeleteObject(handle);
    }
    DeleteDC(dc);
}

int GdiPrintMeasurer::lineHeight(PrintFont font) const
{
    return heights_[static_cast<size_t>(font)];
}

int GdiPrintMeasurer::charWidth(PrintFont font, unsigned char c) const
{
    return widths_[static_cast<size_t>(font)][c];
}

SIZE printablePageSize()
{
    const std::wstring name = defaultPrinter();
    if (name.empty())
        return kA4;
    const HDC dc = printerDc(name, true);
    if (!dc)
        return kA4;
    SIZE size = pageSizeOf(dc);
    DeleteDC(dc);
    if (size.cx <= 0 || size.cy <= 0)
        size = kA4;
    return size;
}

void drawPrintPage(HDC dc, const PrintPage& page, const RECT& target, SIZE pageSize)
{
    if (pageSize.cx <= 0 || pageSize.cy <= 0)
        return;
    const int tw = target.right - target.left, th = target.bottom - target.top;
    std::map<std::pair<PrintFont, int>, HFONT> fonts;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    const HGDIOBJ old = GetCurrentObject(dc, OBJ_FONT);
    for (const PrintItem& item : page.items) {
        const int height = std::max(1, MulDiv(item.fontHeight, th, pageSize.cy));
        HFONT& font = fonts[{item.font, height}];
        if (!font)
            font = fittingPrintFont(dc, item.font, height);
        SelectObject(dc, font);
        const std::wstring text = wide(item.text);
        TextOutW(dc, target.left + MulDiv(item.x, tw, pageSize.cx), target.top + MulDiv(item.y, th, pageSize.cy),
                 text.c_str(), static_cast<int>(text.size()));
    }
    SelectObject(dc, old);
    for (auto& entry : fonts)
        DeleteObject(entry.second);
}

void drawPreviewPage(HDC dc, const PrintPage& page, const RECT& target, SIZE pageSize)
{
    const int tw = target.right - target.left, th = target.bottom - target.top;
    if (tw <= 0 || th <= 0)
        return;
    // Detail enough for the cells' letters, within a bitmap of a few megapixels.
    const int longer = std::max(tw, th);
    const int zoom = std::clamp((kPreviewDetail + longer - 1) / longer, 1, 4);
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), tw * zoom, -th * zoom, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    const HBITMAP large = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!large) {
        FillRect(dc, &target, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        drawPrintPage(dc, page, target, pageSize);
        return;
    }
    const HDC mem = CreateCompatibleDC(dc);
    const HGDIOBJ old = SelectObject(mem, large);
    const RECT whole{0, 0, tw * zoom, th * zoom};
    FillRect(mem, &whole, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    drawPrintPage(mem, page, whole, pageSize);
    GdiFlush();
    SelectObject(mem, old);
    const HBITMAP small = resampled(large, tw, th);
    DeleteObject(large);
    if (small) {
        SelectObject(mem, small);
        BitBlt(dc, target.left, target.top, tw, th, mem, 0, 0, SRCCOPY);
        SelectObject(mem, old);
        DeleteObject(small);
    }
    DeleteDC(mem);
}

void printTable(const Cells& cells)
{
    const std::wstring name = defaultPrinter();
    if (name.empty())
        throw slovo::Error("There is no default printer currently selected");
    const HDC dc = printerDc(name, false);
    if (!dc)
        throw slovo::Error("Cannot open printer " + narrow(name));
    const SIZE size = pageSizeOf(dc);
    const RECT target{0, 0, GetDeviceCaps(dc, HORZRES), GetDeviceCaps(dc, VERTRES)};
    const GdiPrintMeasurer measurer;
    const PrintLayout layout(cells, size.cx, size.cy, measurer);
    std::wstring title = wide(PrintSettings{}.title.front());
    DOCINFOW info{};
    info.cbSize = sizeof info;
    info.lpszDocName = title.c_str();
    bool ok = StartDocW(dc, &info) > 0;
    for (int p = 1; ok && p <= layout.pageCount(); ++p) {
        ok = StartPage(dc) > 0;
        if (ok) {
            drawPrintPage(dc, layout.page(p), target, size);
            ok = EndPage(dc) > 0;
        }
    }
    if (ok)
        ok = EndDoc(dc) > 0;
    else
        AbortDoc(dc);
    DeleteDC(dc);
    if (!ok)
        throw slovo::Error("Printing failed on " + narrow(name));
}

void showPrintPreview(HWND owner, const Cells& cells, PreviewMemory& memory)
{
    PreviewWindow window(cells, memory);
    window.run(owner);
}

std::wstring defaultPrinter()
{
    DWORD size = 0;
    GetDefaultPrinterW(nullptr, &size);
    if (size == 0)
        return {};
    std::wstring name(size, L'\0');
    if (!GetDefaultPrinterW(name.data(), &size))
        return {};
    name.resize(wcslen(name.c_str()));
    return name;
}

} // namespace tk
