// A picture from the program's resources (a ready 32-bit bitmap, else GIF or any format GDI+
// reads; ICO as an icon), as premultiplied 32-bit frames with their delays, drawn with its
// transparency.
#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace tk {

class Picture {
public:
    ~Picture();
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;

    // The BITMAP resource of that name when it is a ready 32-bit one, else the RCDATA resource
    // decoded; nullptr when it is missing or cannot be decoded.
    static std::unique_ptr<Picture> fromResource(const std::wstring& name);
    // The RCDATA resource of that name decoded with GDI+, ready bitmap or not.
    static std::unique_ptr<Picture> decoded(HMODULE module, const std::wstring& name);
    // A shared picture by resource name, loaded once for the whole run.
    static Picture* shared(const std::wstring& name);

    int width() const { return width_; }
    int height() const { return height_; }
    size_t frameCount() const { return frames_.size(); }
    // Delay of a frame in milliseconds (100 when the file gives none).
    UINT delay(size_t frame) const { return delays_.at(frame); }
    // A 32-bit premultiplied bitmap of the frame.
    HBITMAP bitmap(size_t frame = 0) const { return frames_.at(frame); }

    void draw(HDC dc, int x, int y, size_t frame = 0, BYTE opacity = 255) const;

    // The picture as it shows at a DPI, its size scaled from this one's: this very picture at
    // 96 DPI, the resource's twice-size source (name + ".2X") at 192, between and beyond the
    // nearer source resampled. Made once per DPI; a shared picture without a name keeps its own.
    const Picture& atDpi(int dpi) const;

private:
    Picture() = default;
    std::wstring name_;
    int width_ = 0, height_ = 0;
    std::vector<HBITMAP> frames_;
    std::vector<UINT> delays_;
    mutable std::map<int, std::unique_ptr<Picture>> atDpi_;
};

// A 32-bit premultiplied copy of a bitmap at another size, each target pixel the average of the
// source area it covers (a box filter: sharp when halving, smooth between).
HBITMAP resampled(HBITMAP source, int width, int height);

// A BITMAP resource for a DPI: the resource itself at 96, its ".2X" twin at 192, between and
// beyond resampled from the nearer one (32 bits). Loaded once per name and DPI; nullptr when missing.
HBITMAP bitmapAtDpi(const std::wstring& name, int dpi);

// GDI+ for the rest of the run: it starts with the first picture decoded and ends with this.
class GdiplusSession {
public:
    GdiplusSession() = default;
    ~GdiplusSession();
    GdiplusSession(const GdiplusSession&) = delete;
    GdiplusSession& operator=(const GdiplusSession&) = delete;
};

} // namespace tk
