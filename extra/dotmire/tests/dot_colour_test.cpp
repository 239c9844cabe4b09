// Colour conversion, the generator and the per-dot colour shift.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "dot_colour.h"
#include "dot_shading.h"

namespace Stipple_Shader {
namespace {

// The generator by plain 64-bit arithmetic, to check Schrage's decomposition.
int32_t Reference(int32_t x) { return int32_t(int64_t(x) * 16807 % 2147483647); }

TEST(DotColour, HueSaturationValue) {
    const float grey[3] = {0.5f, 0.5f, 0.5f};
    HSV h = ColourToHSV(grey);
    EXPECT_EQ(h.hue, 0.0f);
    EXPECT_EQ(h.sat, 0.0f);
    EXPECT_EQ(h.val, 0.5f);
    const float blue[3] = {0.0f, 0.0f, 1.0f};
    h = ColourToHSV(blue);
    EXPECT_NEAR(h.hue, 4.18879f, 1e-5);
    EXPECT_EQ(h.sat, 1.0f);
    const float rose[3] = {1.0f, 0.0f, 0.5f};
    EXPECT_NEAR(ColourToHSV(rose).hue, 6.2831855f - 0.5235988f, 1e-5);
    const float black[3] = {0.0f, 0.0f, 0.0f};
    h = ColourToHSV(black);
    EXPECT_EQ(h.hue + h.sat + h.val, 0.0f);
}

TEST(DotColour, GeneratorAndSeeds) {
    for (int32_t x : {1, 2380, 127773, 127774, 16807, 2147483646, 999999937})
        EXPECT_EQ(ParkMillerNext(x), Reference(x)) << x;
    EXPECT_EQ(UnitRandom(0), -1.0f);
    // Cell (2, 3): trunc(3 + 2 x 18.3) = 39; dot 5 starts at (39 + 437) x 5.
    EXPECT_EQ(CellSeed(2.0, 3.0), 39);
    EXPECT_EQ(DotSeed(39, 437, 5), 2380);
    EXPECT_EQ(DotSeed(-437, 437, 5), 1);  // a start below 1 becomes 1
    // Products past the 32-bit range wrap instead of overflowing.
    EXPECT_EQ(DotSeed(2147483000, 437, 8191), 2145755347);  // 2147483437 x 8191 mod 2^32
    // Seeds of cells that no integer holds are 0.
    EXPECT_EQ(CellSeed(std::numeric_limits<double>::quiet_NaN(), 0.0), 0);
    EXPECT_EQ(CellSeed(1e12, 0.0), 0);
    EXPECT_EQ(CellSeed(-1.0, 0.0), -18);
}

TEST(DotColour, GreyVariationAtSeed39Index5) {
    // Saturation 0 stays below the epsilon: every dot is grey v' = w(r3) x 0.5.
    const int32_t r3 = Reference(Reference(Reference(2380)));
    const float w3 = 2.0f * float(double(r3) * 4.656612873077393e-10) - 1.0f;
    float rgb[3];
    ShiftedColour({0.0f, 0.0f, 0.0f}, DotSeed(39, 437, 5), {0.0f, 0.0f, 0.5f}, rgb);
    EXPECT_EQ(rgb[0], w3 * 0.5f);
    EXPECT_EQ(rgb[1], rgb[0]);
    EXPECT_EQ(rgb[2], rgb[0]);
    // No variation: the colour itself.
    const float red[3] = {0.8f, 0.1f, 0.2f};
    ShiftedColour(ColourToHSV(red), 2380, {0.0f, 0.0f, 0.0f}, rgb);
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(rgb[c], red[c], 1e-6);
}

// A hue turned past either end of the circle keeps its colour: the same dot
// shifted from h and from h - 2π (or h + 2π) comes out alike, and a red dot
// never turns magenta or blue.
TEST(DotColour, HueTurnedPastTheCircleKeepsItsSector) {
    const float red[3] = {1.0f, 0.0f, 0.02f};  // hue just below 2π
    const HSV base = ColourToHSV(red);
    ASSERT_GT(base.hue, 6.2f);
    int crossed = 0;
    for (int32_t start = 1; start < 2000000000; start += 4194301) {
        float a[3], b[3], c[3];
        ShiftedColour(base, start, {0.05f, 0.0f, 0.0f}, a);
        ShiftedColour({base.hue - 6.2831855f, base.sat, base.val}, start, {0.05f, 0.0f, 0.0f}, b);
        ShiftedColour({0.0f, 1.0f, 1.0f}, start, {1.0f, 0.0f, 0.0f}, c);
        HSV turnedDown = {6.2831855f, 1.0f, 1.0f};
        float d[3];
        ShiftedColour(turnedDown, start, {1.0f, 0.0f, 0.0f}, d);
        for (int k = 0; k < 3; ++k) {
            EXPECT_NEAR(a[k], b[k], 2e-3) << "start " << start;
            EXPECT_NEAR(c[k], d[k], 2e-3) << "start " << start;
        }
        EXPECT_GT(a[0], 0.9f);  // still red
        EXPECT_LT(a[2], 0.3f);
        const int32_t r1 = ParkMillerNext(start);
        if (UnitRandom(r1) * 0.05f * 3.1415927f + base.hue >= 6.2831855f) ++crossed;
    }
    EXPECT_GT(crossed, 10);  // the sweep did turn dots past 2π
}

TEST(DotColour, CellsRepeatBelowZero) {
    // floor, not truncation: -0.25 lies at 0.75 of cell -1.
    const PatternCell c = CellOf(-0.25f, 0.5f, 1.0f, 0.0f);
    EXPECT_EQ(c.x, 0.75f);
    EXPECT_EQ(c.y, 0.5f);
    EXPECT_EQ(c.seed, CellSeed(-1.0, 0.0));
    const PatternCell p = CellOf(0.25f, 0.75f, 4.0f, 0.5f);  // U = 1.5, V = 3.5
    EXPECT_EQ(p.x, 0.5f);
    EXPECT_EQ(p.y, 0.5f);
    EXPECT_EQ(p.seed, 3 + 18);
}

}  // namespace
}  // namespace Stipple_Shader
