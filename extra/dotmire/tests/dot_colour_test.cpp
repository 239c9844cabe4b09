// Colour conversion, the generator and the per-dot variations.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "dab_shading.h"
#include "dot_colour.h"
#include "dot_shading.h"
#include "point_table.h"
#include "stipple_shading.h"

namespace Stipple_Shader {
namespace {

constexpr float kPi = 3.1415927f;

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
    // Cell (2, 3): trunc(3 + 2 x 18.3) = 39.
    EXPECT_EQ(CellSeed(2.0, 3.0), 39);
    // Seeds of cells that no integer holds are 0.
    EXPECT_EQ(CellSeed(std::numeric_limits<double>::quiet_NaN(), 0.0), 0);
    EXPECT_EQ(CellSeed(1e12, 0.0), 0);
    EXPECT_EQ(CellSeed(-1.0, 0.0), -18);
    // Every dot of a cell starts its own sequence inside the generator's
    // range, also in cells whose seed cancels the salt or lies below it.
    for (int32_t seed : {39, 0, -437, -439, -5000, INT32_MIN, INT32_MAX})
        for (int32_t salt : {kDabTurnSalt, kDabColourSalt}) {
            std::vector<int32_t> starts;
            for (int32_t index = 0; index < 8192; ++index) starts.push_back(DotSeed(seed, salt, index));
            for (int32_t x : starts) ASSERT_TRUE(x >= 1 && x <= 2147483646) << seed << " " << x;
            std::sort(starts.begin(), starts.end());
            EXPECT_EQ(std::adjacent_find(starts.begin(), starts.end()), starts.end()) << seed << " " << salt;
        }
    // The turn and the colour of one dab follow sequences of their own.
    EXPECT_NE(DotSeed(39, kDabTurnSalt, 5), DotSeed(39, kDabColourSalt, 5));
}

double Correlation(const std::vector<double>& a, const std::vector<double>& b) {
    const double n = double(a.size());
    double sa = 0, sb = 0, sab = 0, saa = 0, sbb = 0;
    for (size_t i = 0; i < a.size(); ++i)
        sa += a[i], sb += b[i], sab += a[i] * b[i], saa += a[i] * a[i], sbb += b[i] * b[i];
    return (sab - sa * sb / n) / std::sqrt((saa - sa * sa / n) * (sbb - sb * sb / n));
}

// Spread of the values of dots 1, 2, ... in [-1, 1]: every quarter of the
// range holds some of them (16 of 64 expected), and neither the index nor
// the previous dot's value predicts a value (correlations near 0).
void ExpectSpreadWithoutTrend(const std::vector<double>& w, const char* what, int32_t seed) {
    int quarters[4] = {0, 0, 0, 0};
    for (double x : w) ++quarters[std::min(3, std::max(0, int((x + 1.0) * 2.0)))];
    for (int q = 0; q < 4; ++q) EXPECT_GE(quarters[q], 4) << what << ", seed " << seed << ", quarter " << q;
    std::vector<double> index;
    for (size_t k = 1; k <= w.size(); ++k) index.push_back(double(k));
    EXPECT_LT(std::fabs(Correlation(index, w)), 0.5) << what << ", seed " << seed;
    const std::vector<double> earlier(w.begin(), w.end() - 1), later(w.begin() + 1, w.end());
    EXPECT_LT(std::fabs(Correlation(earlier, later)), 0.5) << what << ", seed " << seed;
}

// The hue a shift moved red (hue 0) by, over π: in (-1, 1].
double HueShiftOfRed(const float rgb[3]) {
    const float h = ColourToHSV(rgb).hue;
    return (h > kPi ? h - 2.0f * kPi : h) / kPi;
}

// In light areas only the first dots of each cell stand: their turns and hue
// shifts must still differ from dot to dot, over the whole range.
TEST(DotColour, FirstDotsOfACellTurnAndShiftAtRandom) {
    std::vector<int32_t> seeds;
    for (int column = 0; column < 4; ++column)
        for (int row = 0; row < 4; ++row) seeds.push_back(CellSeed(column, row));
    seeds.push_back(CellSeed(-30.0, 2.0));  // a seed below -437
    StipplePacketData stipple{};
    stipple.hueVariation = 1.0f;  // up to ±π: the whole circle
    const HSV red = {0.0f, 1.0f, 1.0f};
    for (int32_t seed : seeds) {
        std::vector<double> turn, stippleHue, dabHue;
        for (int32_t k = 1; k <= 64; ++k) {
            turn.push_back(DotRandom(seed, kDabTurnSalt, k));
            float rgb[3];
            DotVariation(stipple, red.hue, red.sat, red.val, seed, k, rgb);
            stippleHue.push_back(HueShiftOfRed(rgb));
            ShiftedColour(red, DotSeed(seed, kDabColourSalt, k), {1.0f, 0.0f, 0.0f}, rgb);
            dabHue.push_back(HueShiftOfRed(rgb));
        }
        ExpectSpreadWithoutTrend(turn, "dab turn", seed);
        ExpectSpreadWithoutTrend(stippleHue, "stipple hue", seed);
        ExpectSpreadWithoutTrend(dabHue, "dab hue", seed);
    }
}

TEST(DotColour, GreyDotsAndUnvariedColours) {
    // Saturation 0 stays below the epsilon: every dot is the grey v' = w x 0.5
    // with w in [-1, 1), negative values kept.
    StipplePacketData p{};
    p.valVariation = 0.5f;
    float low = 1.0f, high = -1.0f;
    for (int32_t k = 0; k < 256; ++k) {
        float rgb[3];
        DotVariation(p, 0.0f, 0.0f, 0.0f, 39, k, rgb);
        EXPECT_EQ(rgb[1], rgb[0]);
        EXPECT_EQ(rgb[2], rgb[0]);
        low = std::min(low, rgb[0]), high = std::max(high, rgb[0]);
    }
    EXPECT_GE(low, -0.5f);
    EXPECT_LT(low, -0.4f);
    EXPECT_LT(high, 0.5f);
    EXPECT_GT(high, 0.4f);
    // No variation: the colour itself.
    const float red[3] = {0.8f, 0.1f, 0.2f};
    float rgb[3];
    ShiftedColour(ColourToHSV(red), 2380, {0.0f, 0.0f, 0.0f}, rgb);
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(rgb[c], red[c], 1e-6);
}

// The conversion and the shift written out in plain float arithmetic, step
// by step; the shift's sector is taken modulo 6 (a hue turned past the circle
// keeps its colour).
HSV FloatHSV(float r, float g, float b) {
    const float v = std::max(std::max(r, g), b);
    if (v == 0.0f) return {0.0f, 0.0f, 0.0f};
    const float delta = v - std::min(std::min(r, g), b);
    HSV out{0.0f, delta / v, v};
    if (delta == 0.0f) return out;
    const float h = r == v ? (g - b) / delta : (g == v ? (b - r) / delta + 2.0f : (r - g) / delta + 4.0f);
    out.hue = h * 1.0471976f;
    if (out.hue < 0.0f) out.hue += 6.2831855f;
    return out;
}

void FloatShift(const HSV& c, int32_t start, const VariationAmounts& a, float rgb[3]) {
    const int32_t r1 = Reference(start), r2 = Reference(r1), r3 = Reference(r2);
    const float s = UnitRandom(r2) * a.sat + c.sat;
    const float v = UnitRandom(r3) * a.val + c.val;
    if (s < 1.1920929e-7f) {
        rgb[0] = rgb[1] = rgb[2] = v;
        return;
    }
    const float h = float(double(UnitRandom(r1)) * (double(a.hue) * 3.141592653589793) + double(c.hue)) / 1.0471976f;
    const int i = int(std::floor(h));
    const float f = h - float(i);
    const float p = (1.0f - s) * v, q = (1.0f - s * f) * v, t = v * (1.0f - s * (1.0f - f));
    const float sectors[6][3] = {{v, t, p}, {q, v, p}, {p, v, t}, {p, q, v}, {t, p, v}, {v, p, q}};
    for (int k = 0; k < 3; ++k) rgb[k] = sectors[(i % 6 + 6) % 6][k];
}

bool SameBits(float a, float b) { return std::bit_cast<uint32_t>(a) == std::bit_cast<uint32_t>(b); }

// Ordinary colours, and colours with negative parts (a host's diffuse result
// can have them), convert and shift exactly as float arithmetic does.
TEST(DotColour, ConvertsAndShiftsAsFloatArithmetic) {
    std::mt19937 random(20261209);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f), signedUnit(-1.0f, 1.0f), amount(0.0f, 0.6f);
    int hueMismatches = 0, shiftMismatches = 0, saturatedPastOne = 0;
    for (int n = 0; n < 200000; ++n) {
        std::uniform_real_distribution<float>& part = n % 4 == 3 ? signedUnit : unit;
        const float rgb[3] = {part(random), part(random), part(random)};
        const HSV got = ColourToHSV(rgb), want = FloatHSV(rgb[0], rgb[1], rgb[2]);
        hueMismatches += !SameBits(got.hue, want.hue) || !SameBits(got.sat, want.sat) || !SameBits(got.val, want.val);
        saturatedPastOne += want.sat > 1.0f;
        const VariationAmounts a{amount(random), amount(random), amount(random)};
        const auto start = int32_t(random() % 2147483646u + 1u);
        float shifted[3], expected[3];
        ShiftedColour(want, start, a, shifted);
        FloatShift(want, start, a, expected);
        for (int k = 0; k < 3; ++k) shiftMismatches += !SameBits(shifted[k], expected[k]);
    }
    EXPECT_EQ(hueMismatches, 0);
    EXPECT_EQ(shiftMismatches, 0);
    EXPECT_GT(saturatedPastOne, 10000);  // the negative colours took part
}

// (1, -0.2, 0) has saturation 1.2: a dot of the host's diffuse result shifted
// in value stays red with a negative green, (1.009, -0.202, 0) or near, in
// the stipple and the dab alike.
TEST(DotColour, NegativePartsShiftAsConverted) {
    const float under[3] = {1.0f, -0.2f, 0.0f};
    const HSV hsv = ColourToHSV(under);
    EXPECT_FLOAT_EQ(hsv.sat, 1.2f);
    EXPECT_FLOAT_EQ(hsv.val, 1.0f);
    const auto expectRedWithNegativeGreen = [](const float rgb[3], const char* what) {
        EXPECT_NEAR(rgb[0], 1.0f, 0.01f) << what;
        EXPECT_NE(rgb[0], 1.0f) << what;  // the value did move
        EXPECT_NEAR(rgb[1], -0.2f * rgb[0], 1e-6f) << what;
        EXPECT_NEAR(rgb[2], 0.0f, 1e-6f) << what;
    };
    st_KVpSampleParms parms{};
    parms.diffCol[0] = parms.diffCol[1] = parms.diffCol[2] = 1.0f;
    parms.diffAmt = 1.0f;  // no light: the darkest tone, every point stands
    st_KVpShadeComponents sc{};
    const PatternPoint at = PointTable8192[0];

    StipplePacketData stipple{};
    stipple.tiles = 1.0f;
    stipple.pointNum = 1;
    stipple.pointSize = 0.2f;
    stipple.valVariation = 0.01f;
    std::copy(under, under + 3, sc.diff);
    st_KVpShadeOutput out{};
    ShadeStipple({stipple, 2, 0, parms, at.x, at.y}, NoTrace(), sc, out);  // scratch, inside the dot
    expectRedWithNegativeGreen(sc.diff, "stipple");

    DabPacketData dab{};
    dab.tiles = 1.0f;
    dab.pointNum = 1;
    dab.pointRadius = 0.2f;
    dab.alpha = 1.0f;
    dab.useColor = dab.useAlpha = 1;
    dab.valVariation = 0.01f;
    const float opaque[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    const DabPicture picture{true, 1, 1, opaque};
    std::copy(under, under + 3, sc.diff);
    ShadeDab({dab, 2, parms, at.x, at.y}, picture, NoTrace(), sc, out);  // scratch, fully covered
    expectRedWithNegativeGreen(sc.diff, "dab");
}

// Finite channel values give finite colours: a largest component near 0
// beside a large negative one carries the saturation (and the shifted colour)
// past the float range; those are computed in double and held within it.
TEST(DotColour, EveryFiniteColourConvertsAndShiftsFinitely) {
    const float big = std::numeric_limits<float>::max(), tiny = std::numeric_limits<float>::denorm_min();
    const float values[] = {0.0f, tiny, -tiny, 1e-30f, -1e-30f, 1e-6f, -1e-6f, 1.0f, -1.0f, 1e6f, -1e6f, big, -big};
    const VariationAmounts amounts[] = {{0.0f, 0.0f, 0.5f}, {0.1f, 0.3f, 0.2f}, {1e6f, 1e6f, 1e6f}, {big, big, big}};
    for (float r : values)
        for (float g : values)
            for (float b : values) {
                const float colour[3] = {r, g, b};
                const HSV hsv = ColourToHSV(colour);
                ASSERT_TRUE(std::isfinite(hsv.hue) && std::isfinite(hsv.sat) && std::isfinite(hsv.val))
                    << r << " " << g << " " << b;
                for (const VariationAmounts& a : amounts)
                    for (int32_t start : {1, 2380, 1043618065, 2147483646}) {
                        float rgb[3];
                        ShiftedColour(hsv, start, a, rgb);
                        for (int c = 0; c < 3; ++c)
                            ASSERT_TRUE(std::isfinite(rgb[c])) << r << " " << g << " " << b << ", start " << start;
                    }
            }
    // Past the float range the saturation is held at its largest value.
    const float edge[3] = {tiny, -1.0f, 0.0f};
    EXPECT_EQ(ColourToHSV(edge).sat, big);
    // Colours without negative components keep their saturation and come back
    // unchanged without variation.
    const float teal[3] = {1e-30f, 2e-30f, 1.5e-30f};
    EXPECT_NEAR(ColourToHSV(teal).sat, 0.5f, 1e-6);
    const float bright[3] = {1e6f, 2.5e5f, 0.0f};
    float back[3];
    ShiftedColour(ColourToHSV(bright), 7, {0.0f, 0.0f, 0.0f}, back);
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(back[c], bright[c], 0.1f);
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
