// Pictures: the ready bitmaps made at build time, else decoded with the GDI+ flat API, frames
// of animated GIFs included.
#include "toolkit/picture.h"

#include "toolkit/application.h"
#include "toolkit/dpi.h"

#include <objidl.h>

#include <gdiplus.h>
#include <shlwapi.h>

#include <algorithm>
#include <cmath>
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
    if (it == pictures.end()) {
        it = pictures.emplace(name, fromResource(name)).first;
        if (it->second)
            it->second->name_ = name;
    }
    return it->second.get();
}

namespace {

// The pixels of a 32-bit DIB section, or of any bitmap drawn into one.
std::vector<uint32_t> pixelsOf(HBITMAP bitmap, int& width, int& height)
{
    BITMAP info{};
    GetObjectW(bitmap, sizeof info, &info);
    width = info.bmWidth;
    height = std::abs(info.bmHeight);
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    const HDC screen = GetDC(nullptr);
    GetDIBits(screen, bitmap, 0, static_cast<UINT>(height), pixels.data(), &bi, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    // Bitmaps without alpha (BITMAP resources) are opaque.
    if (info.bmBitsPixel != 32)
        for (uint32_t& p : pixels)
            p |= 0xFF000000u;
    return pixels;
}

// For each target column (or row): the first source index and the weights of the sources it covers.
struct Span {
    int first = 0;
    std::vector<double> weights;
};

std::vector<Span> spans(int from, int to)
{
    std::vector<Span> out(static_cast<size_t>(to));
    const double step = static_cast<double>(from) / to;
    for (int i = 0; i < to; ++i) {
        const double a = i * step, b = (i + 1) * step;
        Span& s = out[static_cast<size_t>(i)];
        s.first = std::min(from - 1, static_cast<int>(std::floor(a)));
        for (int k = s.first; k < from && k < b; ++k)
            s.weights.push_back((std::min<double>(k + 1, b) - std::max<double>(k, a)) / step);
    }
    return out;
}

} // namespace

HBITMAP resampled(HBITMAP source, int width, int height)
{
    int sw = 0, sh = 0;
    const std::vector<uint32_t> src = pixelsOf(source, sw, sh);
    if (sw <= 0 || sh <= 0 || width <= 0 || height <= 0)
        return nullptr;
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    const HBITMAP dib = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!dib)
        return nullptr;
    const std::vector<Span> columns = spans(sw, width), rows = spans(sh, height);
    auto* out = static_cast<uint32_t*>(bits);
    for (int y = 0; y < height; ++y) {
        const Span& row = rows[static_cast<size_t>(y)];
        for (int x = 0; x < width; ++x) {
            const Span& column = columns[static_cast<size_t>(x)];
            double sum[4] = {0, 0, 0, 0};
            for (size_t j = 0; j < row.weights.size(); ++j) {
                const uint32_t* line = &src[static_cast<size_t>(row.first + static_cast<int>(j)) * sw];
                for (size_t i = 0; i < column.weights.size(); ++i) {
                    const double w = row.weights[j] * column.weights[i];
                    const uint32_t p = line[column.first + static_cast<int>(i)];
                    for (int c = 0; c < 4; ++c)
                        sum[c] += w * ((p >> (8 * c)) & 0xFF);
                }
            }
            uint32_t p = 0;
            for (int c = 0; c < 4; ++c)
                p |= static_cast<uint32_t>(std::clamp(std::lround(sum[c]), 0L, 255L)) << (8 * c);
            out[static_cast<size_t>(y) * width + x] = p;
        }
    }
    return dib;
}

const Picture& Picture::atDpi(int dpi) const
{
    if (dpi == kBaseDpi || name_.empty())
        return *this;
    std::unique_ptr<Picture>& made = atDpi_[dpi];
    if (made)
        return *made;
    const int w = scaled(width_, dpi), h = scaled(height_, dpi);
    std::unique_ptr<Picture> twice = dpi > kBaseDpi ? fromResource(name_ + L".2X") : nullptr;
    if (twice && (twice->width_ != 2 * width_ || twice->height_ != 2 * height_ || twice->frames_.size() != frames_.size()))
        twice.reset();
    if (twice && twice->width_ == w && twice->height_ == h) {
        made = std::move(twice);
        return *made;
    }
    made.reset(new Picture);
    made->width_ = w;
    made->height_ = h;
    made->delays_ = delays_;
    for (size_t f = 0; f < frames_.size(); ++f)
        made->frames_.push_back(resampled(twice ? twice->frames_[f] : frames_[f], w, h));
    return *made;
}

HBITMAP bitmapAtDpi(const std::wstring& name, int dpi)
{
    static std::map<std::pair<std::wstring, int>, HBITMAP> loaded;
    HBITMAP& bitmap = loaded[{name, dpi}];
    if (bitmap)
        return bitmap;
    const HMODULE module = Application::instance().module();
    const auto load = [module](const std::wstring& resource) {
        return static_cast<HBITMAP>(LoadImageW(module, resource.c_str(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    };
    if (dpi == kBaseDpi)
        return bitmap = load(name);
    const HBITMAP base = bitmapAtDpi(name, kBaseDpi);
    if (!base)
        return nullptr;
    BITMAP info{};
    GetObjectW(base, sizeof info, &info);
    const int w = scaled(info.bmWidth, dpi), h = scaled(std::abs(info.bmHeight), dpi);
    HBITMAP source = base;
    const HBITMAP twice = dpi > kBaseDpi ? load(name + L".2X") : nullptr;
    BITMAP twiceInfo{};
    if (twice && GetObjectW(twice, sizeof twiceInfo, &twiceInfo) && twiceInfo.bmWidth == 2 * info.bmWidth)
        source = twice;
    bitmap = resampled(source, w, h);
    if (twice)
        DeleteObject(twice);
    return bitmap;
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
