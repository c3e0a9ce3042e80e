// Pictures: the ready bitmaps made at build time, else decoded with the GDI+ flat API, frames
// of animated GIFs included.
#include "toolkit/picture.h"

#include "toolkit/application.h"

#include <objidl.h>

#include <gdiplus.h>
#include <shlwapi.h>

#include <map>

namespace tk {

using namespace Gdiplus;

namespace {

// GDI+ starts with the first picture that needs decoding, not with the program: its library
// and the codecs behind it then load only when a picture really needs them.
ULONG_PTR g_gdiplusToken = 0;

bool gdiplusStarted()
{
    if (!g_gdiplusToken) {
        GdiplusStartupInput input;
        if (GdiplusStartup(&g_gdiplusToken, &input, nullptr) != Ok)
            g_gdiplusToken = 0;
    }
    return g_gdiplusToken != 0;
}

// Gdiplus::FrameDimensionTime, which is data and so cannot come from a delay-loaded library.
constexpr GUID kFrameDimensionTime = {0x6aedbd6d, 0x3fb5, 0x418a, {0x83, 0xa6, 0x7f, 0x45, 0x22, 0x9d, 0xc8, 0x72}};

} // namespace

GdiplusSession::~GdiplusSession()
{
    if (g_gdiplusToken)
        GdiplusShutdown(g_gdiplusToken);
    g_gdiplusToken = 0;
}

Picture::~Picture()
{
    for (HBITMAP b : frames_)
        DeleteObject(b);
}

namespace {

HBITMAP premultipliedCopy(GpBitmap* bitmap, int w, int h)
{
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!dib)
        return nullptr;
    GpRect rect(0, 0, w, h);
    BitmapData data{};
    if (DllExports::GdipBitmapLockBits(bitmap, &rect, ImageLockModeRead, PixelFormat32bppPARGB, &data) == Ok) {
        for (int y = 0; y < h; ++y)
            memcpy(static_cast<BYTE*>(bits) + static_cast<size_t>(y) * w * 4,
                   static_cast<BYTE*>(data.Scan0) + static_cast<ptrdiff_t>(y) * data.Stride, static_cast<size_t>(w) * 4);
        DllExports::GdipBitmapUnlockBits(bitmap, &data);
    }
    return dib;
}

// The BITMAP resource of the same name: a 32-bit DIB of premultiplied pixels, top-down, as
// tools/make_assets.py writes them.
HBITMAP readyBitmap(HMODULE module, const std::wstring& name, int& w, int& h)
{
    HRSRC res = FindResourceW(module, name.c_str(), MAKEINTRESOURCEW(2) /* RT_BITMAP */);
    if (!res)
        return nullptr;
    const DWORD size = SizeofResource(module, res);
    const auto* header = static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(module, res)));
    if (!header || size < sizeof(BITMAPINFOHEADER) || header->biSize < sizeof(BITMAPINFOHEADER) || header->biPlanes != 1
        || header->biBitCount != 32 || header->biCompression != BI_RGB || header->biWidth <= 0 || header->biHeight >= 0
        || header->biWidth > 4096 || header->biHeight < -4096)
        return nullptr;
    w = header->biWidth;
    h = -header->biHeight;
    const size_t bytes = static_cast<size_t>(w) * static_cast<size_t>(h) * 4;
    if (size - header->biSize < bytes)
        return nullptr;
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (dib)
        memcpy(bits, reinterpret_cast<const BYTE*>(header) + header->biSize, bytes);
    return dib;
}

} // namespace

std::unique_ptr<Picture> Picture::fromResource(const std::wstring& name)
{
    const HMODULE module = Application::instance().module();
    int readyW = 0, readyH = 0;
    if (HBITMAP ready = readyBitmap(module, name, readyW, readyH)) {
        std::unique_ptr<Picture> picture(new Picture);
        picture->width_ = readyW;
        picture->height_ = readyH;
        picture->frames_.push_back(ready);
        picture->delays_.push_back(100);
        return picture;
    }
    return decoded(module, name);
}

std::unique_ptr<Picture> Picture::decoded(HMODULE module, const std::wstring& name)
{
    if (!gdiplusStarted())
        return nullptr;
    HRSRC res = FindResourceW(module, name.c_str(), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
    if (!res)
        return nullptr;
    const DWORD size = SizeofResource(module, res);
    const void* data = LockResource(LoadResource(module, res));
    if (!data || size == 0)
        return nullptr;
    IStream* stream = SHCreateMemStream(static_cast<const BYTE*>(data), size);
    if (!stream)
        return nullptr;
    std::unique_ptr<Picture> picture(new Picture);
    GpBitmap* bitmap = nullptr;
    if (DllExports::GdipCreateBitmapFromStream(stream, &bitmap) == Ok && bitmap) {
        UINT w = 0, h = 0;
        DllExports::GdipGetImageWidth(bitmap, &w);
        DllExports::GdipGetImageHeight(bitmap, &h);
        picture->width_ = static_cast<int>(w);
        picture->height_ = static_cast<int>(h);
        GUID dimension = kFrameDimensionTime;
        UINT frames = 0;
        if (DllExports::GdipImageGetFrameCount(bitmap, &dimension, &frames) != Ok || frames == 0)
            frames = 1;
        std::vector<UINT> delays(frames, 100);
        UINT propSize = 0;
        if (frames > 1 && DllExports::GdipGetPropertyItemSize(bitmap, PropertyTagFrameDelay, &propSize) == Ok && propSize) {
            std::vector<BYTE> buffer(propSize);
            auto* item = reinterpret_cast<PropertyItem*>(buffer.data());
            if (DllExports::GdipGetPropertyItem(bitmap, PropertyTagFrameDelay, propSize, item) == Ok) {
                const auto* values = static_cast<const UINT*>(item->value);
                for (UINT i = 0; i < frames && (i + 1) * sizeof(UINT) <= item->length; ++i)
                    delays[i] = values[i] ? values[i] * 10 : 100;
            }
        }
        for (UINT f = 0; f < frames; ++f) {
            if (frames > 1)
                DllExports::GdipImageSelectActiveFrame(bitmap, &dimension, f);
            if (HBITMAP frame = premultipliedCopy(bitmap, picture->width_, picture->height_)) {
                picture->frames_.push_back(frame);
                picture->delays_.push_back(delays[f]);
            }
        }
        DllExports::GdipDisposeImage(bitmap);
    }
    stream->Release();
    if (picture->frames_.empty())
        return nullptr;
    return picture;
}

Picture* Picture::shared(const std::wstring& name)
{
    static std::map<std::wstring, std::unique_ptr<Picture>> pictures;
    auto it = pictures.find(name);
    if (it == pictures.end())
        it = pictures.emplace(name, fromResource(name)).first;
    return it->second.get();
}

void Picture::draw(HDC dc, int x, int y, size_t frame, BYTE opacity) const
{
    if (frame >= frames_.size())
        return;
    const HDC mem = CreateCompatibleDC(dc);
    const HGDIOBJ old = SelectObject(mem, frames_[frame]);
    BLENDFUNCTION blend{AC_SRC_OVER, 0, opacity, AC_SRC_ALPHA};
    GdiAlphaBlend(dc, x, y, width_, height_, mem, 0, 0, width_, height_, blend);
    SelectObject(mem, old);
    DeleteDC(mem);
}

} // namespace tk
