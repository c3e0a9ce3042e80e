// The starfield's placing, rebirth and frame (see starfield.h).
#include "effects/core/starfield.h"

#include <algorithm>

namespace fx {

uint32_t LinearRandom::Random(uint32_t n)
{
    seed_ = seed_ * 134775813u + 1u;
    return static_cast<uint32_t>((static_cast<uint64_t>(seed_) * n) >> 32);
}

void MemorySurface::resize(int width, int height)
{
    width_ = std::max(width, 0);
    height_ = std::max(height, 0);
    pixels_.assign(static_cast<size_t>(width_) * static_cast<size_t>(height_), 0);
}

void MemorySurface::fillBlack()
{
    std::fill(pixels_.begin(), pixels_.end(), 0u);
}

void MemorySurface::setPixel(int x, int y, uint32_t color)
{
    if (x >= 0 && y >= 0 && x < width_ && y < height_)
        pixels_[static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)] = color;
}

uint32_t MemorySurface::pixel(int x, int y) const
{
    return pixels_[static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)];
}

void StarfieldCore::setSize(int width, int height)
{
    width_ = std::max(width, 0);
    height_ = std::max(height, 0);
}

void StarfieldCore::setStars(uint16_t count)
{
    stars_.resize(count);
    placeAll();
}

void StarfieldCore::placeAll()
{
    for (TStar& star : stars_)
        place(star);
}

uint32_t StarfieldCore::grey()
{
    const uint32_t g = random_.Random(120) + 120;
    return g | g << 8 | g << 16;
}

// The draws come in this order: column, row, speed, brightness.
void StarfieldCore::place(TStar& star)
{
    star.X = width_ + static_cast<int32_t>(random_.Random(static_cast<uint32_t>(width_ / 2)));
    star.Y = static_cast<int32_t>(random_.Random(static_cast<uint32_t>(height_)));
    star.Speed = static_cast<int32_t>(random_.Random(maxSpeed_)) + 1;
    star.Color = grey();
}

void StarfieldCore::rebirth(TStar& star)
{
    star.X = width_;
    star.Y = static_cast<int32_t>(random_.Random(static_cast<uint32_t>(height_)));
    star.Speed = static_cast<int32_t>(random_.Random(maxSpeed_)) + 1;
    star.Color = grey();
}

bool StarfieldCore::StepFrame(StarSurface& surface)
{
    if (surface.width() != width_ || surface.height() != height_) {
        surface.resize(width_, height_);
        placeAll();
        return false;
    }
    surface.fillBlack();
    for (TStar& star : stars_) {
        if (star.X < width_)
            surface.setPixel(star.X, star.Y, star.Color);
        star.X -= star.Speed;
        if (star.X < 0)
            rebirth(star);
    }
    return true;
}

} // namespace fx
