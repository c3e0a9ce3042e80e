// What the player sees: the program's own fonts resolve to themselves, menu glyphs keep their
// transparency on the menu's background with a gap before the caption, and the ready pictures
// equal their GIFs.
#include "tests/e2e/driver.h"
#include "toolkit/application.h"
#include "toolkit/form.h"
#include "toolkit/menu.h"
#include "toolkit/picture.h"
#include "common/win32/text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

class LooksEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        gdiplus = std::make_unique<tk::GdiplusSession>();
        app = std::make_unique<tk::Application>(GetModuleHandleW(nullptr), "Looks");
    }
    void TearDown() override
    {
        app.reset();
        gdiplus.reset();
    }
    std::unique_ptr<tk::GdiplusSession> gdiplus;
    std::unique_ptr<tk::Application> app;
};
[[maybe_unused]] auto* const g_env = ::testing::AddGlobalTestEnvironment(new LooksEnvironment);

struct FontCase {
    const wchar_t* face;
    BYTE charset;
    bool bold;
    bool outline;
    const wchar_t* style; // of the outline font
};

// The layout was measured with these; a substitute (DejaVu Sans under Wine) is wider.
TEST(OwnFonts, TahomaMsSansSerifAndMarlettResolveToThemselves)
{
    const FontCase cases[] = {
        {L"Tahoma", RUSSIAN_CHARSET, false, true, L"Regular"},
        {L"Tahoma", RUSSIAN_CHARSET, true, true, L"Bold"},
        // A bitmap font, the Russian one as a Russian system registers it.
        {L"MS Sans Serif", RUSSIAN_CHARSET, false, false, nullptr},
        {L"Marlett", SYMBOL_CHARSET, false, true, L"Regular"},
    };
    const HDC dc = GetDC(nullptr);
    for (const FontCase& c : cases) {
        const HFONT font = CreateFontW(-11, 0, 0, 0, c.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, c.charset,
                                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, c.face);
        const HGDIOBJ old = SelectObject(dc, font);
        wchar_t face[LF_FACESIZE] = {};
        GetTextFaceW(dc, LF_FACESIZE, face);
        EXPECT_EQ(std::wstring(face), c.face) << tk::narrow(c.face) << " came out as " << tk::narrow(face);
        TEXTMETRICW tm{};
        GetTextMetricsW(dc, &tm);
        EXPECT_EQ(tm.tmCharSet, c.charset) << tk::narrow(c.face);
        EXPECT_EQ((tm.tmPitchAndFamily & TMPF_TRUETYPE) != 0, c.outline) << tk::narrow(c.face);
        if (c.outline) {
            const UINT size = GetOutlineTextMetricsW(dc, 0, nullptr);
            ASSERT_GT(size, 0u) << tk::narrow(c.face) << " is no outline font";
            std::vector<BYTE> buffer(size);
            auto* otm = reinterpret_cast<OUTLINETEXTMETRICW*>(buffer.data());
            GetOutlineTextMetricsW(dc, size, otm);
            const auto* family = reinterpret_cast<const wchar_t*>(buffer.data() + reinterpret_cast<size_t>(otm->otmpFamilyName));
            const auto* style = reinterpret_cast<const wchar_t*>(buffer.data() + reinterpret_cast<size_t>(otm->otmpStyleName));
            EXPECT_EQ(std::wstring(family), c.face) << "family " << tk::narrow(family);
            EXPECT_EQ(std::wstring(style), c.style) << tk::narrow(c.face) << " style " << tk::narrow(style);
        }
        SelectObject(dc, old);
        DeleteObject(font);
    }
    ReleaseDC(nullptr, dc);
}

// The screen's pixels in a rectangle, as 0x00RRGGBB, row by row.
std::vector<DWORD> screenPixels(const RECT& r)
{
    const int w = r.right - r.left, h = r.bottom - r.top;
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    const HDC screen = GetDC(nullptr);
    const HDC mem = CreateCompatibleDC(screen);
    const HBITMAP dib = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ old = SelectObject(mem, dib);
    BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    std::vector<DWORD> out(static_cast<const DWORD*>(bits), static_cast<const DWORD*>(bits) + static_cast<size_t>(w) * h);
    for (DWORD& p : out)
        p &= 0xFFFFFF;
    SelectObject(mem, old);
    DeleteObject(dib);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return out;
}

DWORD rgbOf(COLORREF c)
{
    return (static_cast<DWORD>(GetRValue(c)) << 16) | (static_cast<DWORD>(GetGValue(c)) << 8) | GetBValue(c);
}

struct MenuShot {
    RECT item{};
    std::vector<DWORD> pixels; // of the item's rectangle
};

// What the timer inside the menu's modal loop photographs.
struct Photograph {
    MenuShot* shot = nullptr;
    HMENU menu = nullptr;
    UINT index = 0;
    int ticks = 0;
    const char* artefact = nullptr;
};
Photograph g_photograph;

void CALLBACK photographTick(HWND, UINT, UINT_PTR, DWORD)
{
    Photograph& p = g_photograph;
    const HWND popup = FindWindowW(L"#32768", nullptr);
    if (!popup || !IsWindowVisible(popup) || ++p.ticks < 4)
        return;
    // No window: Wine maps the item from the given window's client area, not the menu's.
    GetMenuItemRect(nullptr, p.menu, p.index, &p.shot->item);
    p.shot->pixels = screenPixels(p.shot->item);
    if (p.artefact)
        e2e::screenshot(popup, e2e::artifactPath(p.artefact));
    EndMenu();
}

// Drops the menu down at (x, y) away from the cursor, photographs the item once it is painted,
// then closes the menu.
MenuShot photographItem(tk::Form& owner, tk::PopupMenu& menu, UINT index, int x, int y, const char* artefact)
{
    MenuShot result;
    g_photograph = {&result, menu.handle(), index, 0, artefact};
    SetCursorPos(2, 2);
    const UINT_PTR timer = SetTimer(owner.handle(), 1, 100, photographTick);
    TrackPopupMenu(menu.handle(), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_LEFTBUTTON, x, y, 0, owner.handle(), nullptr);
    KillTimer(owner.handle(), timer);
    return result;
}

TEST(MenuGlyphs, GlyphsShowTheirTransparencyOnTheMenuBackgroundWithAGap)
{
    tk::Form form(L"TLooksForm", "LooksForm");
    form.createWindow("Looks", 300, 200, RGB(255, 255, 255));
    form.show();
    tk::PopupMenu menu;
    const wchar_t* const glyphs[] = {L"Volume16.gif", L"Delete16.gif", L"Home16.gif"};
    tk::MenuItem& first = menu.add(101, "first", "Включить");
    tk::MenuItem& second = menu.add(102, "second", "Выключить");
    tk::MenuItem& third = menu.add(103, "third", "\"Стандартная\"");
    tk::MenuItem* items[] = {&first, &second, &third};
    for (int i = 0; i < 3; ++i) {
        ASSERT_NE(tk::Picture::shared(glyphs[i]), nullptr) << tk::narrow(glyphs[i]);
        items[i]->setGlyph(tk::Picture::shared(glyphs[i]));
    }
    second.setEnabled(false);
    // The menu string stays readable for mnemonics and for readers of the menu.
    wchar_t caption[64] = {};
    GetMenuStringW(menu.handle(), 101, caption, 64, MF_BYCOMMAND);
    EXPECT_EQ(tk::narrow(caption), "Включить");

    const DWORD background = rgbOf(GetSysColor(COLOR_MENU));
    for (UINT index : {0u, 2u}) {
        const MenuShot shot = photographItem(form, menu, index, 200, 200, index == 0 ? "menu-glyphs.bmp" : nullptr);
        ASSERT_FALSE(shot.pixels.empty()) << "the menu did not show";
        const int w = shot.item.right - shot.item.left;
        const RECT itemAt0{0, 0, w, shot.item.bottom - shot.item.top};
        const RECT g = tk::MenuItem::glyphRect(itemAt0, form.dpi());
        const tk::Picture* picture = tk::Picture::shared(glyphs[index]);
        DIBSECTION dib{};
        ASSERT_TRUE(GetObjectW(picture->bitmap(), sizeof dib, &dib));
        const auto* source = static_cast<const DWORD*>(dib.dsBm.bmBits);
        int transparent = 0, wrong = 0;
        DWORD firstWrong = 0;
        for (int y = 0; y < picture->height(); ++y) {
            for (int x = 0; x < picture->width(); ++x) {
                if ((source[y * picture->width() + x] >> 24) != 0)
                    continue;
                ++transparent;
                const DWORD p = shot.pixels[static_cast<size_t>(g.top + y) * w + g.left + x];
                if (p != background && wrong++ == 0)
                    firstWrong = p;
            }
        }
        EXPECT_GT(transparent, 0) << "the glyph has transparent pixels to look at";
        EXPECT_EQ(wrong, 0) << "item " << index << ": " << wrong << " of " << transparent
                            << " transparent pixels are not the menu background, first " << std::hex << firstWrong;
        // Around the glyph, and the gap before the caption: menu background only.
        for (int y = itemAt0.top; y < itemAt0.bottom; ++y) {
            for (int x = 0; x < g.right + tk::MenuItem::kCaptionGap; ++x) {
                if (x >= g.left && x < g.right && y >= g.top && y < g.bottom)
                    continue;
                const DWORD p = shot.pixels[static_cast<size_t>(y) * w + x];
                ASSERT_EQ(p, background) << "item " << index << " at " << x << "," << y << ": " << std::hex << p;
            }
        }
        // The caption follows the gap: dark pixels of text somewhere after it.
        bool text = false;
        for (int y = itemAt0.top; y < itemAt0.bottom && !text; ++y)
            for (int x = g.right + tk::MenuItem::kCaptionGap; x < w && !text; ++x)
                text = shot.pixels[static_cast<size_t>(y) * w + x] != background;
        EXPECT_TRUE(text) << "item " << index << " shows no caption";
    }
    DestroyWindow(form.handle());
}

// A named stdcall function, for i686: the BITMAP resources named as GIFs.
BOOL CALLBACK collectGifNames(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR list)
{
    if (!IS_INTRESOURCE(name)) {
        const std::wstring n(name);
        if (n.size() > 4 && n.compare(n.size() - 4, 4, L".GIF") == 0)
            reinterpret_cast<std::vector<std::wstring>*>(list)->push_back(n);
    }
    return TRUE;
}

// The ready bitmaps that spare the start GDI+ are the GIFs as GDI+ decodes them, pixel for
// pixel; a picture without one is still decoded from its GIF.
TEST(ReadyPictures, EveryReadyBitmapEqualsItsGifDecoded)
{
    std::vector<std::wstring> names;
    EnumResourceNamesW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(2) /* RT_BITMAP */, collectGifNames,
                       reinterpret_cast<LONG_PTR>(&names));
    // The 18 small named pictures and the editor's 9 image-list pictures.
    EXPECT_EQ(names.size(), 27u);
    const auto pixels = [](const tk::Picture& p) {
        DIBSECTION dib{};
        GetObjectW(p.bitmap(), sizeof dib, &dib);
        const auto* bits = static_cast<const DWORD*>(dib.dsBm.bmBits);
        return std::vector<DWORD>(bits, bits + static_cast<size_t>(p.width()) * p.height());
    };
    for (const std::wstring& name : names) {
        const auto ready = tk::Picture::fromResource(name);
        const auto gif = tk::Picture::decoded(GetModuleHandleW(nullptr), name);
        ASSERT_NE(ready, nullptr) << tk::narrow(name);
        ASSERT_NE(gif, nullptr) << tk::narrow(name) << " has no GIF beside its ready bitmap";
        EXPECT_EQ(ready->frameCount(), 1u) << tk::narrow(name);
        ASSERT_EQ(ready->width(), gif->width()) << tk::narrow(name);
        ASSERT_EQ(ready->height(), gif->height()) << tk::narrow(name);
        const std::vector<DWORD> a = pixels(*ready), b = pixels(*gif);
        const auto first = std::mismatch(a.begin(), a.end(), b.begin());
        EXPECT_TRUE(first.first == a.end()) << tk::narrow(name) << ": pixel " << (first.first - a.begin()) << " is "
                                            << std::hex << *first.first << " ready, " << *first.second << " decoded";
    }
    const auto about = tk::Picture::fromResource(L"about.gif");
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->width(), 230);
    const auto globe = tk::Picture::fromResource(L"globe_anim.gif");
    ASSERT_NE(globe, nullptr);
    EXPECT_GT(globe->frameCount(), 1u);
    EXPECT_EQ(tk::Picture::fromResource(L"nothing.gif"), nullptr);
}

} // namespace
