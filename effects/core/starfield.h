// The starfield's rules: placing and rebirth of stars with their random draws in a fixed order,
// and one frame over a pixel surface. The random source is pushed in, so frames are repeatable.
#pragma once

#include <cstdint>
#include <vector>

namespace fx {

// Random(n): uniform from 0 to n - 1, and Random(0) is 0.
class RandomSource {
public:
    virtual uint32_t Random(uint32_t n) = 0;

protected:
    ~RandomSource() = default;
};

// The program's pseudo-random generator: a 32-bit linear congruential sequence.
class LinearRandom final : public RandomSource {
public:
    explicit LinearRandom(uint32_t seed) : seed_(seed) {}
    uint32_t Random(uint32_t n) override;

private:
    uint32_t seed_;
};

struct TStar {
    int32_t X = 0;
    int32_t Y = 0;
    uint32_t Color = 0; // red in the low byte, then green, then blue
    int32_t Speed = 0;
};

// The frame's target: the off-screen bitmap.
class StarSurface {
public:
    virtual int width() const = 0;
    virtual int height() const = 0;
    virtual void resize(int width, int height) = 0;
    virtual void fillBlack() = 0;
    virtual void setPixel(int x, int y, uint32_t color) = 0;

protected:
    ~StarSurface() = default;
};

// A surface in memory, 0x00BBGGRR per pixel; for tests and measurements.
class MemorySurface final : public StarSurface {
public:
    int width() const override { return width_; }
    int height() const override { return height_; }
    void resize(int width, int height) override;
    void fillBlack() override;
    void setPixel(int x, int y, uint32_t color) override;
    uint32_t pixel(int x, int y) const;

private:
    int width_ = 0, height_ = 0;
    std::vector<uint32_t> pixels_;
};

class StarfieldCore {
public:
    explicit StarfieldCore(RandomSource& random) : random_(random) {}

    // The control's size in pixels.
    void setSize(int width, int height);
    int width() const { return width_; }
    int height() const { return height_; }
    // Re-sizes the table and places every star afresh.
    void setStars(uint16_t count);
    uint16_t Stars() const { return static_cast<uint16_t>(stars_.size()); }
    // Applies to stars placed or reborn afterwards.
    void setMaxSpeed(uint8_t speed) { maxSpeed_ = speed; }
    uint8_t MaxSpeed() const { return maxSpeed_; }

    void placeAll();
    void clear() { stars_.clear(); }
    const std::vector<TStar>& stars() const { return stars_; }

    // One frame. When the surface's size differs from the control's, the surface is sized and
    // every star placed afresh, and nothing is drawn: false. Otherwise the frame is drawn: true.
    bool StepFrame(StarSurface& surface);

private:
    void place(TStar& star);
    void rebirth(TStar& star);
    uint32_t grey();

    RandomSource& random_;
    int width_ = 0, height_ = 0;
    uint8_t maxSpeed_ = 10;
    std::vector<TStar> stars_;
};

} // namespace fx
