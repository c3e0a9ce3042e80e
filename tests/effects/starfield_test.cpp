// Starfield placing, rebirth and frames with a scripted random source.
#include "effects/core/starfield.h"

#include <gtest/gtest.h>

#include <deque>
#include <vector>

namespace {

using namespace fx;

// Hands out scripted values (reduced modulo n) and records every n asked for.
class ScriptedRandom final : public RandomSource {
public:
    std::deque<uint32_t> values;
    std::vector<uint32_t> asked;
    uint32_t Random(uint32_t n) override
    {
        asked.push_back(n);
        uint32_t v = 0;
        if (!values.empty()) {
            v = values.front();
            values.pop_front();
        }
        return n == 0 ? 0 : v % n;
    }
};

TEST(StarPlacing, DrawsColumnRowSpeedGreyInThatOrder)
{
    ScriptedRandom r;
    StarfieldCore f(r);
    EXPECT_EQ(f.MaxSpeed(), 10);
    EXPECT_EQ(f.width() + f.height(), 0);
    f.setSize(516, 274);
    f.setMaxSpeed(15);
    r.values = {100, 200, 14, 119, 0, 0, 0, 0};
    f.setStars(2);
    EXPECT_EQ(r.asked, (std::vector<uint32_t>{258, 274, 15, 120, 258, 274, 15, 120}));
    const TStar& a = f.stars()[0];
    EXPECT_EQ(a.X, 616);
    EXPECT_EQ(a.Y, 200);
    EXPECT_EQ(a.Speed, 15);
    EXPECT_EQ(a.Color, 0xEFEFEFu);
    const TStar& b = f.stars()[1];
    EXPECT_EQ(b.X, 516);
    EXPECT_EQ(b.Speed, 1);
    EXPECT_EQ(b.Color, 0x787878u);
}

TEST(StarPlacing, EdgeSizesAndSpeeds)
{
    struct Case {
        int width, height;
        uint8_t maxSpeed;
        int32_t x, y, speed;
    };
    const std::vector<Case> cases = {
        {516, 274, 0, -1, -1, 1},  // MaxSpeed 0: speed 1
        {516, 274, 1, -1, -1, 1},
        {516, 0, 10, -1, 0, -1},   // height 0: row 0
        {0, 50, 10, 0, -1, -1},    // width 0 and 1: X = Width
        {1, 50, 10, 1, -1, -1},
    };
    for (const Case& c : cases) {
        LinearRandom r(12345);
        StarfieldCore f(r);
        f.setSize(c.width, c.height);
        f.setMaxSpeed(c.maxSpeed);
        f.setStars(300);
        for (const TStar& s : f.stars()) {
            if (c.x >= 0) {
                EXPECT_EQ(s.X, c.x) << c.width;
            }
            EXPECT_GE(s.X, c.width);
            EXPECT_LT(s.X, c.width + std::max(c.width / 2, 1));
            if (c.y >= 0) {
                EXPECT_EQ(s.Y, c.y) << c.height;
            }
            if (c.speed >= 0) {
                EXPECT_EQ(s.Speed, c.speed) << int(c.maxSpeed);
            }
            EXPECT_GE(s.Speed, 1);
            EXPECT_LE(s.Speed, std::max<int>(c.maxSpeed, 1));
        }
    }
}

TEST(StarFrame, ResizeFrameDrawsNothingThenStarsMoveAndAreReborn)
{
    ScriptedRandom r;
    StarfieldCore f(r);
    f.setSize(10, 4);
    f.setMaxSpeed(5);
    f.setStars(1);
    MemorySurface s;
    EXPECT_EQ(s.width() + s.height(), 0);
    r.values = {4, 2, 2, 0}; // placed afresh by the resize frame: X 14, Y 2, speed 3
    EXPECT_FALSE(f.StepFrame(s));
    EXPECT_EQ(s.width(), 10);
    EXPECT_EQ(s.height(), 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 10; ++x)
            ASSERT_EQ(s.pixel(x, y), 0u) << "drawn in the resize frame";
    s.setPixel(0, 0, 1);
    EXPECT_EQ(s.pixel(0, 0), 1u) << "row and column 0 are on the surface";
    // X 14 -> 11 -> 8: not drawn at or beyond the edge, drawn before the move once inside.
    const std::vector<int32_t> xs = {11, 8, 5, 2};
    for (size_t i = 0; i < xs.size(); ++i) {
        const int32_t before = f.stars()[0].X;
        EXPECT_TRUE(f.StepFrame(s));
        EXPECT_EQ(f.stars()[0].X, xs[i]) << "frame " << i;
        if (before < 10) {
            EXPECT_EQ(s.pixel(before, 2), 0x787878u) << "frame " << i;
        }
    }
    r.values = {1, 4, 119};
    r.asked.clear();
    EXPECT_TRUE(f.StepFrame(s)); // 2 - 3 < 0: reborn at the right edge
    EXPECT_EQ(r.asked, (std::vector<uint32_t>{4, 5, 120}));
    const TStar& star = f.stars()[0];
    EXPECT_EQ(star.X, 10);
    EXPECT_EQ(star.Y, 1);
    EXPECT_EQ(star.Speed, 5);
    EXPECT_EQ(star.Color, 0xEFEFEFu);
    EXPECT_EQ(s.pixel(2, 2), 0x787878u);
    EXPECT_TRUE(f.StepFrame(s));
    EXPECT_EQ(s.pixel(2, 2), 0u) << "the old frame was not cleared";
    EXPECT_TRUE(f.StepFrame(s));
    EXPECT_EQ(star.X, 0) << "a star at X 0 is not reborn yet";
    f.setSize(10, 5);
    EXPECT_FALSE(f.StepFrame(s)) << "a new height alone sizes the surface";
}

TEST(StarFrame, ChangingStarsReplacesEveryStar)
{
    LinearRandom r(7);
    StarfieldCore f(r);
    f.setSize(100, 50);
    f.setStars(20);
    MemorySurface s;
    f.StepFrame(s);
    for (int i = 0; i < 30; ++i)
        f.StepFrame(s);
    f.setStars(25);
    ASSERT_EQ(f.Stars(), 25);
    for (const TStar& star : f.stars())
        EXPECT_GE(star.X, 100) << "a star kept its old place";
}

TEST(StarFrame, ZeroSizeControlStepsSafely)
{
    for (auto [w, h] : std::vector<std::pair<int, int>>{{0, 0}, {5, 0}, {0, 5}, {1, 1}}) {
        LinearRandom r(1);
        StarfieldCore f(r);
        f.setSize(w, h);
        f.setStars(10);
        MemorySurface s;
        s.resize(w, h);
        for (int i = 0; i < 5; ++i)
            EXPECT_TRUE(f.StepFrame(s)) << w << "x" << h;
    }
}

TEST(LinearRandom, StaysInRangeAndZeroGivesZero)
{
    LinearRandom r(99);
    for (uint32_t n : {1u, 2u, 7u, 120u, 1000000u}) {
        for (int i = 0; i < 1000; ++i)
            ASSERT_LT(r.Random(n), n);
    }
    EXPECT_EQ(r.Random(0), 0u);
}

} // namespace
