// The stipple and dab shadings and the dab stamp on known samples, without a
// host: the packets are filled by hand and the pattern coordinate is given.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "dab_shading.h"
#include "dot_colour.h"
#include "point_search.h"
#include "point_table.h"
#include "stipple_shading.h"

namespace Stipple_Shader {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

// A surface of colour 1 and diffuse amount 1 under grey light `light`: the
// tone ratio equals the light.
struct Lit {
    st_KVpSampleParms parms{};
    st_KVpShadeComponents sc{};
    explicit Lit(float light) {
        for (int c = 0; c < 3; ++c) {
            parms.diffCol[c] = 1.0f;
            sc.diffUnshad[c] = sc.diffLit[c] = light;
        }
        parms.diffAmt = 1.0f;
    }
};

struct TracedBlue final : TracedColour {
    void trace(float rgb[3]) const override { rgb[0] = 0.0f, rgb[1] = 0.0f, rgb[2] = 1.0f; }
};

StipplePacketData Stipple() {
    StipplePacketData p{};
    p.tiles = 1.0f;
    p.angleCos = 1.0f;
    p.pointNum = 128;
    p.pointSize = 0.2f;
    p.colour[0] = 0.9f;  // red ink
    p.alpha = 1.0f;
    p.shadows = 1.0f;
    p.shadingLevel = p.specularLevel = 1.0f;
    p.hue = 0.0f, p.saturation = 1.0f, p.value = 0.9f;
    return p;
}

struct ShadedStipple {
    st_KVpShadeComponents sc;
    st_KVpShadeOutput out;
};
ShadedStipple Shade(const StipplePacketData& p, Lit lit, float u, float v, int32_t mode = 0, int32_t spec = 0,
                    const TracedColour& through = NoTrace()) {
    ShadedStipple r{lit.sc, {{-1.0f, -1.0f, -1.0f}, 1.0f}};
    ShadeStipple({p, mode, spec, lit.parms, u, v}, through, r.sc, r.out);
    return r;
}

TEST(StippleShading, ToneSetsTheDotCount) {
    StipplePacketData p = Stipple();
    // Full light: darkness 1 - (1.1730951 x 0.5 + 0.5), no dot anywhere, the
    // paper (surface colour x diffuse amount) is left.
    EXPECT_NEAR(StippleDarkness(p, Lit(1.0f).sc, Lit(1.0f).parms), -0.0865476f, 1e-5);
    const ShadedStipple light = Shade(p, Lit(1.0f), 0.5f, 0.5f);
    EXPECT_EQ(light.sc.diff[0], 1.0f);
    EXPECT_EQ(light.out.color[1], 1.0f);
    // No light: density 1, every one of the 128 points is a dot; inside one the
    // diffuse result is the ink, whatever the light.
    for (int32_t i : {0, 17, 127}) {
        const ShadedStipple dark = Shade(p, Lit(0.0f), PointTable8192[i].x, PointTable8192[i].y);
        EXPECT_EQ(dark.sc.diff[0], 0.9f) << i;
        EXPECT_EQ(dark.sc.diff[1], 0.0f) << i;
    }
}

TEST(StippleShading, ColourModesAndSeeThrough) {
    StipplePacketData p = Stipple();
    p.pointNum = 1;  // one dot, at (0.5, 0.5)
    Lit lit(0.0f);
    lit.sc.diff[0] = lit.sc.diff[1] = lit.sc.diff[2] = 0.3f;  // the host's diffuse result
    // Scratch: inside the dot the host's result stays, outside the ink is laid.
    EXPECT_EQ(Shade(p, lit, 0.5f, 0.5f, 2).sc.diff[1], 0.3f);
    EXPECT_EQ(Shade(p, lit, 0.0f, 0.0f, 2).sc.diff[0], 0.9f);
    // Crayon: inside the paper colour.
    EXPECT_EQ(Shade(p, lit, 0.5f, 0.5f, 1).sc.diff[1], 1.0f);
    // Ink with half see-through: the paper outside is half the traced colour.
    p.seeThrough = 0.5f;
    const ShadedStipple seen = Shade(p, lit, 0.0f, 0.0f, 0, 0, TracedBlue());
    EXPECT_FLOAT_EQ(seen.sc.diff[0], 0.5f);
    EXPECT_FLOAT_EQ(seen.sc.diff[2], 1.0f);
    // Variation in crayon mode: the dot takes the paper colour's shifted value.
    p.seeThrough = 0.0f;
    p.valVariation = 0.5f;
    const float v = Shade(p, lit, 0.5f, 0.5f, 1).sc.diff[0];
    EXPECT_NE(v, 1.0f);
    EXPECT_EQ(Shade(p, lit, 0.5f, 0.5f, 1).sc.diff[1], v);  // grey: paper has no saturation
}

TEST(StippleShading, HighlightDotsClearTheReflection) {
    StipplePacketData p = Stipple();
    p.reflection = 1.0f;
    p.specular = 0.0f;
    Lit lit(1.0f);  // no main dot
    for (int c = 0; c < 3; ++c) {
        lit.parms.reflCol[c] = 0.5f;
        lit.sc.refl[c] = 0.5f;  // ratio 1: every point is a reflection dot
    }
    lit.parms.reflCol[0] = 0.2f;
    const ShadedStipple on = Shade(p, lit, 0.5f, 0.5f, 0, 1);
    EXPECT_FLOAT_EQ(on.sc.diff[0], 0.2f);  // the reflection colour, over the background
    EXPECT_EQ(on.sc.refl[1], 0.0f);
    EXPECT_FLOAT_EQ(on.out.color[0], 0.2f);  // entries 4 and 5 are not added
    // Outside every reflection dot entry 5 is cleared all the same.
    lit.sc.refl[0] = lit.sc.refl[1] = lit.sc.refl[2] = 0.0f;
    lit.sc.refl[1] = 1e-4f;
    const ShadedStipple miss = Shade(p, lit, 0.5f, 0.5f, 0, 1);
    EXPECT_EQ(miss.sc.refl[1], 0.0f);
    EXPECT_EQ(miss.sc.diff[0], 1.0f);
    // drawSpecular off: entry 5 stays and is not part of the output.
    lit.sc.refl[1] = 0.4f;
    const ShadedStipple off = Shade(p, lit, 0.5f, 0.5f, 0, 0);
    EXPECT_EQ(off.sc.refl[1], 0.4f);
    EXPECT_EQ(off.out.color[1], 1.0f);
}

// The pattern repeats with period 1 below zero too: a sample at a negative
// coordinate meets the same dot as its copy one or more repeats up.
TEST(StippleShading, NegativeCoordinatesRepeatThePattern) {
    StipplePacketData p = Stipple();
    p.pointNum = 64;
    int inside = 0;
    for (float u = 0.01f; u < 1.0f; u += 0.037f)
        for (float v = 0.02f; v < 1.0f; v += 0.041f) {
            const ShadedStipple up = Shade(p, Lit(0.0f), u, v);
            const ShadedStipple down = Shade(p, Lit(0.0f), u - 2.0f, v - 1.0f);
            EXPECT_EQ(up.sc.diff[1], down.sc.diff[1]) << u << ", " << v;
            inside += up.sc.diff[1] == 0.0f;
        }
    EXPECT_GT(inside, 20);
}

// The place in the tile comes from floor and lies in [0, 1) for every
// coordinate: a tiny negative one is at 0 of the next tile (not at 1), one
// that is not finite at 0 of tile 0, a huge one on a tile line.
TEST(PatternCells, PlaceInTheTileByFloorForEveryCoordinate) {
    const PatternCell tiny = CellOf(-1e-9f, 0.5f, 1.0f, 0.0f);
    EXPECT_EQ(tiny.x, 0.0f);
    EXPECT_EQ(tiny.column, 0.0f);
    EXPECT_EQ(tiny.seed, CellOf(0.0f, 0.5f, 1.0f, 0.0f).seed);
    const PatternCell below = CellOf(0.1f, -2.25f, 1.0f, -0.5f);  // U = -0.4, V = -2.75
    EXPECT_FLOAT_EQ(below.x, 0.6f);
    EXPECT_EQ(below.y, 0.25f);
    EXPECT_EQ(below.column, -1.0f);
    EXPECT_EQ(below.row, -3.0f);
    for (float bad : {kNaN, std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity()}) {
        const PatternCell c = CellOf(bad, 0.25f, 1.0f, 0.0f);
        EXPECT_EQ(c.x, 0.0f) << bad;
        EXPECT_EQ(c.column, 0.0f) << bad;
        EXPECT_EQ(c.y, 0.25f) << bad;
        EXPECT_EQ(CellOf(0.25f, 1.0f, bad, 0.0f).y, 0.0f) << bad;  // tiles or offset that are not finite too
    }
    const PatternCell huge = CellOf(-3e38f, 1e30f, 1.0f, 0.0f);
    EXPECT_EQ(huge.x, 0.0f);
    EXPECT_EQ(huge.y, 0.0f);
    EXPECT_EQ(huge.seed, 0);  // past the 32-bit range
}

// A 16 × 16 picture of one colour.
struct FlatPicture {
    std::vector<float> pixels;
    DabPicture picture{true, 16, 16, nullptr};
    explicit FlatPicture(float r = 1.0f, float g = 1.0f, float b = 1.0f, float a = 1.0f) { Fill(r, g, b, a); }
    void Fill(float r, float g, float b, float a) {
        pixels.clear();
        for (int i = 0; i < 16 * 16; ++i) pixels.insert(pixels.end(), {r, g, b, a});
        picture.rgba = pixels.data();
    }
    operator const DabPicture&() const { return picture; }
};
const DabPicture kNoPicture{};

DabPacketData Dab() {
    DabPacketData p{};
    p.tiles = 1.0f;
    p.angleCos = 1.0f;
    p.pointNum = 64;
    p.pointRadius = 0.2f;
    p.colour[2] = 0.8f;  // blue dabs
    p.alpha = 1.0f;
    p.shadows = 1.0f;
    p.shadingLevel = p.specularLevel = 1.0f;
    p.useColor = p.useAlpha = 1;
    return p;
}

// A point radius of 0 or below draws no dot and no dab, however dark.
TEST(PatternCells, RadiusZeroDrawsNoMark) {
    StipplePacketData stipple = Stipple();
    DabPacketData dab = Dab();
    const PatternPoint c = PointTable8192[0];
    for (float radius : {0.0f, -0.3f}) {
        stipple.pointSize = dab.pointRadius = radius;
        const ShadedStipple dotted = Shade(stipple, Lit(0.0f), c.x, c.y);
        EXPECT_EQ(dotted.sc.diff[0], 1.0f) << radius;  // the paper, not the ink
        EXPECT_EQ(dotted.sc.diff[1], 1.0f) << radius;
        st_KVpShadeComponents sc = Lit(0.0f).sc;
        st_KVpShadeOutput out{};
        ShadeDab({dab, 0, Lit(0.0f).parms, c.x, c.y}, DabPicture{}, NoTrace(), sc, out);
        EXPECT_EQ(sc.diff[2], 1.0f) << radius;  // the surface, no dab
    }
}

TEST(DabStamp, CoverageAndColour) {
    DabPacketData p = Dab();
    const DabPicture& none = kNoPicture;
    const PatternPoint c = PointTable8192[0];
    float result[3] = {0.3f, 0.3f, 0.3f};
    const float dab[3] = {0.0f, 0.0f, 0.8f};
    // No image: black and covered at the centre, white and uncovered outside.
    EXPECT_EQ(StampDab(none, p, 0, c.x, c.y, 0.0f, 1.0f, result, dab), 1.0f);
    EXPECT_EQ(result[0], 0.0f);
    EXPECT_EQ(StampDab(none, p, 0, c.x + 0.3f, c.y, 0.0f, 1.0f, result, dab), 0.0f);
    EXPECT_EQ(result[2], 1.0f);

    // An opaque white pixel: the result moves all the way to the dab colour.
    FlatPicture white;
    result[0] = result[1] = result[2] = 0.3f;
    EXPECT_EQ(StampDab(white, p, 0, c.x, c.y, 0.0f, 1.0f, result, dab), 1.0f);
    EXPECT_EQ(result[2], 0.8f);
    EXPECT_EQ(result[0], 0.0f);
    // Inverted and measured by brightness, the same pixel covers nothing.
    p.imageInvert = 1;
    p.useAlpha = 0;
    result[0] = result[1] = result[2] = 0.3f;
    EXPECT_EQ(StampDab(white, p, 0, c.x, c.y, 0.0f, 1.0f, result, dab), 0.0f);
    EXPECT_EQ(result[2], 0.3f);
    // Without use colour, a dab coloured as the pattern lays the pixel itself.
    p.imageInvert = 0;
    p.useAlpha = 1;
    p.useColor = 0;
    white.Fill(0.25f, 1.0f, 1.0f, 1.0f);
    const float same[3] = {0.0f, 0.0f, 0.8f};
    StampDab(white, p, 0, c.x, c.y, 0.0f, 1.0f, result, same);
    EXPECT_EQ(result[0], 0.25f);
    EXPECT_EQ(result[2], 1.0f);

    // A stamp coordinate of exactly 1 reads outside the picture: nothing changes.
    float s = 0.0f, t = 0.0f;
    const float limit = DotLimit(p.pointNum, p.pointRadius);
    StampCoordinates(0, limit, c.x + std::sqrt(limit), c.y, &s, &t);
    EXPECT_NEAR(s, 1.0f, 1e-5);
    const float before[3] = {result[0], result[1], result[2]};
    const float edge = c.x + std::sqrt(limit) * 1.0001f;
    EXPECT_EQ(StampDab(white, p, 0, edge, c.y, 0.0f, 1.0f, result, same), 0.0f);
    for (int k = 0; k < 3; ++k) EXPECT_EQ(result[k], before[k]);
    // A quarter turn keeps the centre inside.
    EXPECT_EQ(StampDab(white, p, 0, c.x, c.y, 1.0f, 0.0f, result, same), 1.0f);
}

// A dab whose point lies near a repeat edge is measured from the copy of the
// point nearest to the sample: it is stamped whole on both sides of the line.
TEST(DabStamp, DabsCrossTileLinesWhole) {
    DabPacketData p = Dab();
    p.pointNum = 8192;
    p.pointRadius = 1.0f;
    const float limit = DotLimit(p.pointNum, p.pointRadius);
    const float r = std::sqrt(limit);
    int32_t edge = -1;
    for (int32_t i = 0; i < p.pointNum && edge < 0; ++i)
        if (PointTable8192[i].x < 0.3f * r && PointTable8192[i].y > 0.1f && PointTable8192[i].y < 0.9f) edge = i;
    ASSERT_GE(edge, 0);
    const PatternPoint e = PointTable8192[edge];
    const DabPicture& none = kNoPicture;
    float s = 0.0f, t = 0.0f;
    for (float dx : {-0.8f, -0.5f, 0.5f, 0.8f}) {
        float x = e.x + dx * r;
        if (x < 0.0f) x += 1.0f;  // across the line: the far side of the repeat
        StampCoordinates(edge, limit, x, e.y, &s, &t);
        EXPECT_NEAR(s, 0.5f + 0.5f * dx, 1e-4) << dx;
        float result[3] = {0.5f, 0.5f, 0.5f};
        const float dab[3] = {0.0f, 0.0f, 0.0f};
        EXPECT_EQ(StampDab(none, p, edge, x, e.y, 0.0f, 1.0f, result, dab), 1.0f) << dx;
        EXPECT_EQ(result[0], 0.0f);
    }
    // Both sides turn and colour the dab alike: the seed is that of the tile
    // holding the copy the sample sees (tile 5 here, seen from tile 4 too).
    const PatternCell inside = CellOf(5.0f + e.x + 0.4f * r, 5.5f, 1.0f, 0.0f);
    const PatternCell across = CellOf(5.0f + e.x - 0.4f * r, 5.5f, 1.0f, 0.0f);
    ASSERT_EQ(across.column, 4.0f);
    EXPECT_EQ(MarkSeed(inside, edge), inside.seed);
    EXPECT_EQ(MarkSeed(across, edge), inside.seed);
    EXPECT_NE(across.seed, inside.seed);
    // Through the shading: dark samples just either side of the line are
    // covered by the dab, none painted white.
    Lit dark(0.0f);
    for (float x : {e.x + 0.5f * r, 1.0f - 0.4f * (r - e.x)}) {
        st_KVpShadeComponents sc = dark.sc;
        st_KVpShadeOutput out{};
        ShadeDab({p, 0, dark.parms, x, e.y}, none, NoTrace(), sc, out);
        EXPECT_LT(sc.diff[0], 0.5f) << x;
    }
}

struct ShadedDab {
    st_KVpShadeComponents sc;
    st_KVpShadeOutput out;
};
ShadedDab Shade(const DabPacketData& p, Lit lit, float u, float v, const DabPicture& picture, int32_t mode = 0) {
    ShadedDab r{lit.sc, {}};
    ShadeDab({p, mode, lit.parms, u, v}, picture, NoTrace(), r.sc, r.out);
    return r;
}

TEST(DabShading, ToneCountsAndContrast) {
    DabPacketData p = Dab();
    FlatPicture white;
    const PatternPoint c = PointTable8192[0];
    // Full light: no dab, the result is X (the surface in ink mode).
    const ShadedDab light = Shade(p, Lit(1.0f), c.x, c.y, white);
    EXPECT_EQ(light.sc.diff[0], 1.0f);
    // Contrast -1: the tone is 0.5 whatever the light.
    p.contrast = -1.0f;
    EXPECT_FLOAT_EQ(DabTone(p, Lit(1.0f).sc, Lit(1.0f).parms), 0.5f);
    EXPECT_FLOAT_EQ(DabTone(p, Lit(0.0f).sc, Lit(0.0f).parms), 0.5f);
    p.contrast = 0.0f;
    // Full darkness with 8192 points and a large radius asks for thousands of
    // dabs; at most 32 are stamped. Each lays the picture's white at 1/16.
    p.pointNum = 8192;
    p.pointRadius = 100.0f;
    p.useColor = 0;
    const FlatPicture faint(1.0f, 1.0f, 1.0f, 1.0f / 16.0f);
    float laid[kMaxDabs + 2] = {0.0f};
    for (int k = 0; k <= kMaxDabs; ++k) laid[k + 1] = laid[k] + (1.0f - laid[k]) * (1.0f / 16.0f);
    const float red = Shade(p, Lit(0.0f), 0.3f, 0.6f, faint).sc.diff[0];
    EXPECT_EQ(red, 1.0f + (laid[kMaxDabs] - 1.0f));  // covered: Y, the running colour over the surface
    EXPECT_NE(red, 1.0f + (laid[kMaxDabs + 1] - 1.0f));
    p.useColor = 1;
    // Counts: NaN and negative levels ask for none, counts of 0 or less give
    // none, huge counts stop at the table.
    EXPECT_EQ(DabPrefix(kNaN, 1024), 0);
    EXPECT_EQ(DabPrefix(-0.5f, 1024), 0);
    EXPECT_EQ(DabPrefix(0.5f, 1024), 512);
    EXPECT_EQ(DabPrefix(1.0f, -5), 0);
    EXPECT_EQ(DabPrefix(1.0f, 2147483647), kTablePointCount);
}

TEST(DabShading, ModesAndVariations) {
    DabPacketData p = Dab();
    FlatPicture white;
    Lit dark(0.0f);
    const PatternPoint c = PointTable8192[0];
    // Ink, fully covered: the dab colour.
    ShadedDab r = Shade(p, dark, c.x, c.y, white);
    EXPECT_FLOAT_EQ(r.sc.diff[2], 0.8f);
    // A hue variation of 1e-7 is below the epsilon: no shift.
    p.hueVariation = 1e-7f;
    EXPECT_EQ(Shade(p, dark, c.x, c.y, white).sc.diff[2], r.sc.diff[2]);
    // Crayon with no dab near the sample: E, the running colour (the pattern).
    p.hueVariation = 0.0f;
    p.pointNum = 1;
    r = Shade(p, Lit(1.0f), 0.0f, 0.0f, kNoPicture, 1);
    EXPECT_FLOAT_EQ(r.sc.diff[2], 0.8f);
    EXPECT_FLOAT_EQ(r.sc.diff[0], 0.0f);
    // A NaN tone (from a NaN channel) draws no dab.
    p.pointNum = 64;
    p.brightness = kNaN;
    r = Shade(p, dark, c.x, c.y, white);
    for (int k = 0; k < 3; ++k) EXPECT_EQ(r.sc.diff[k], 1.0f);  // X, the surface
}

TEST(DabShading, HighlightPassesClearTheirEntries) {
    DabPacketData p = Dab();
    p.drawSpecular = 1;
    p.specular = 1.0f;
    FlatPicture white;
    Lit lit(1.0f);  // no main dab
    const float specular[3] = {1.0f, 0.5f, 0.25f};
    for (int c = 0; c < 3; ++c) lit.parms.specCol[c] = lit.sc.spec[c] = specular[c];  // ratio 1: every point
    const PatternPoint c = PointTable8192[0];
    const ShadedDab r = Shade(p, lit, c.x, c.y, white);
    EXPECT_EQ(r.sc.spec[0], 0.0f);
    EXPECT_FLOAT_EQ(r.sc.diff[1], 0.5f);  // the specular colour laid over X
    EXPECT_FLOAT_EQ(r.out.color[2], 0.25f);
    // Draw specular off: entries 4 and 5 stay and are not added.
    p.drawSpecular = 0;
    lit.sc.refl[1] = 0.25f;
    const ShadedDab off = Shade(p, lit, c.x, c.y, white);
    EXPECT_EQ(off.sc.spec[1], 0.5f);
    EXPECT_EQ(off.sc.refl[1], 0.25f);
    EXPECT_EQ(off.out.color[1], 1.0f);
}

}  // namespace
}  // namespace Stipple_Shader
