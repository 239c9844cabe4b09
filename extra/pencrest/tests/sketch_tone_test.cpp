// The sketch-tone shading core without a host: tile positions, the spot and
// sketch-map coverage, the tone level, and the colour modes.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "sketch_tone.h"

namespace SketchTone_Shader {
namespace {

// A sketch map whose pixels all have one colour (`lum` grey by default);
// remembers the last pixel read.
class FlatMap final : public SketchMapImage {
public:
    FlatMap(uint32_t w, uint32_t h, float lum) : rgb_{lum, lum, lum} {
        width = w;
        height = h;
    }
    void Pixel(uint32_t x, uint32_t y, float rgba[4]) const override {
        lastX = x;
        lastY = y;
        ++reads;
        for (int c = 0; c < 3; ++c) rgba[c] = rgb_[c];
        rgba[3] = 1.0f;
    }
    void SetColour(float r, float g, float b) { rgb_[0] = r, rgb_[1] = g, rgb_[2] = b; }
    mutable uint32_t lastX = 9999, lastY = 9999;
    mutable int reads = 0;

private:
    float rgb_[3];
};

// The block as the channel defaults read it.
SketchToneBlock DefaultBlock() {
    SketchToneBlock b{};
    st_KVpSketchTone& p = b.packet;
    p.cosine = 1.0f;
    p.tiles = 16.0f;
    p.patAlpha = 1.0f;
    p.indirectLight = 1.0f;
    p.shadingLevel = p.specularLevel = 1.0f;
    p.zScale = 0.02f;
    p.zMax = 10.0f;
    p.sketchMapLevel = 0.5f;
    b.focalLen = -1.0f;
    b.focusDist = 1.0f;
    return b;
}

// A point of the tile at distance `d` (in spot units) from its centre.
float AtDistance(float d) { return 0.5f + d / 1.414213562f; }

TEST(SketchToneSpot, ProceduralSpotRampsInsideTheLevel) {
    const SketchToneBlock b = DefaultBlock();
    const float level = 0.5f;
    EXPECT_NEAR(RenderTileSpot(b, b.packet, nullptr, AtDistance(0.5f), 0.5f, level), 1.0f, 1e-5);
    EXPECT_NEAR(RenderTileSpot(b, b.packet, nullptr, AtDistance(0.45f), 0.5f, level), 0.5f, 1e-5);
    EXPECT_NEAR(RenderTileSpot(b, b.packet, nullptr, AtDistance(0.4f), 0.5f, level), 0.0f, 1e-5);
    EXPECT_EQ(RenderTileSpot(b, b.packet, nullptr, 0.5f, 0.5f, level), 0.0f);
    EXPECT_EQ(RenderTileSpot(b, b.packet, nullptr, AtDistance(0.6f), 0.5f, level), 1.0f);
    // A position that is not a number covers nothing rather than anything undefined.
    EXPECT_EQ(RenderTileSpot(b, b.packet, nullptr, std::nanf(""), 0.5f, level), 0.0f);
}

TEST(SketchToneSpot, ReplacedSketchMapIsAThreshold) {
    SketchToneBlock b = DefaultBlock();
    b.replaceSketchMap = 1;
    FlatMap map(8, 8, 1.0f);
    EXPECT_EQ(RenderTileSpot(b, b.packet, &map, 0.5f, 0.5f, 0.4f), 1.0f);
    EXPECT_EQ(RenderTileSpot(b, b.packet, &map, 0.5f, 0.5f, 0.5f), 0.0f);
    EXPECT_EQ(RenderTileSpot(b, b.packet, &map, 0.5f, 0.5f, 0.6f), 0.0f);
    EXPECT_EQ(map.reads, 0);
}

TEST(SketchToneSpot, SketchMapLookupsStayInsideTheImage) {
    const SketchToneBlock b = DefaultBlock();
    FlatMap map(1024, 512, 0.6f);
    EXPECT_EQ(RenderTileSpot(b, b.packet, &map, 0.9999f, 0.0f, 0.5f), 1.0f);
    EXPECT_EQ(map.lastX, 1023u);
    EXPECT_EQ(map.lastY, 0u);
    EXPECT_EQ(RenderTileSpot(b, b.packet, &map, 0.25f, 0.5f, 0.7f), 0.0f);  // luminance 0.6 is not above 0.7
    EXPECT_EQ(map.lastX, 256u);
    EXPECT_EQ(map.lastY, 256u);
    // Luminance 0.3 R + 0.59 G + 0.11 B against the level, strictly above.
    const float primaries[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    const float weights[3] = {0.3f, 0.59f, 0.11f};
    for (int c = 0; c < 3; ++c) {
        map.SetColour(primaries[c][0], primaries[c][1], primaries[c][2]);
        EXPECT_EQ(RenderTileSpot(b, b.packet, &map, 0.5f, 0.5f, weights[c]), 0.0f) << c;
        EXPECT_EQ(RenderTileSpot(b, b.packet, &map, 0.5f, 0.5f, std::nextafter(weights[c], 0.0f)), 1.0f) << c;
    }
    // Outside [0, 1): the fraction; at exactly 1 the last column.
    RenderTileSpot(b, b.packet, &map, -0.25f, 1.0f, 0.5f);
    EXPECT_EQ(map.lastX, 768u);
    EXPECT_EQ(map.lastY, 0u);
    RenderTileSpot(b, b.packet, &map, std::nextafter(1.0f, 0.0f), 0.0f, 0.5f);
    EXPECT_EQ(map.lastX, 1023u);
    // Positions that are not finite read the first column and row.
    for (float bad : {std::nanf(""), std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity()}) {
        map.lastX = map.lastY = 9999;
        RenderTileSpot(b, b.packet, &map, bad, bad, 0.5f);
        EXPECT_EQ(map.lastX, 0u);
        EXPECT_EQ(map.lastY, 0u);
    }
    // An image with no pixels is no map: the procedural spot, no read.
    for (auto [w, h] : {std::pair{0u, 16u}, std::pair{16u, 0u}}) {
        FlatMap empty(w, h, 1.0f);
        EXPECT_EQ(RenderTileSpot(b, b.packet, &empty, 0.5f, 0.5f, 0.5f), 0.0f);
        EXPECT_EQ(empty.reads, 0);
    }
}

TEST(SketchToneSpot, TileFractionStaysInsideTheTile) {
    EXPECT_NEAR(TileFraction(0.3f, 2.0f, 0.0f), 0.6f, 1e-6);
    EXPECT_NEAR(TileFraction(-0.3f, 2.0f, 0.0f), 0.4f, 1e-6);  // the tiles continue below 0
    EXPECT_NEAR(TileFraction(0.3f, 2.0f, 0.25f), 0.85f, 1e-6);
    // A negative offset gives the fraction above the floor, not a negative one.
    EXPECT_NEAR(TileFraction(0.1f, 1.0f, -0.25f), 0.85f, 1e-6);
    EXPECT_NEAR(TileFraction(0.0f, 16.0f, -3.5f), 0.5f, 1e-6);
    EXPECT_NEAR(TileFraction(1.75f, 1.0f, 0.0f), 0.75f, 1e-6);  // whole tiles drop
}

// One sample of a white surface (diffuse amount 1) under grey light `light`.
struct Scene {
    SketchToneBlock b = DefaultBlock();
    st_KVpSampleParms parms{};
    st_KVpShadeComponents sc{};
    float traced[3] = {0.0f, 1.0f, 0.0f};
    bool seeThrough = false;
    explicit Scene(float light = 0.5f) {
        parms.diffCol[0] = parms.diffCol[1] = parms.diffCol[2] = 1.0f;
        parms.diffAmt = 1.0f;
        for (float& c : sc.diffUnshad) c = light;
    }
    st_KVpShadeOutput Shade(float u = 0.5f, float v = 0.5f) {
        st_KVpShadeOutput out{};
        ShadeSketchTone(b.packet, b, nullptr, {&parms, u, v, seeThrough ? traced : nullptr}, sc, out);
        return out;
    }
    // Coverage 1 when the replacing threshold lies above the tone level.
    float CoveredAbove(float threshold) {
        b.replaceSketchMap = 1;
        b.packet.sketchMapLevel = threshold;
        return Shade().color[0];  // paper white, pattern black: the coverage
    }
};

TEST(SketchToneLevel, LevelFollowsRatioBrightnessAndContrast) {
    // r = 0.5 gives level 0.5; r = 1 gives -0.0865476.
    Scene half(0.5f);
    EXPECT_EQ(half.CoveredAbove(0.501f), 1.0f);
    EXPECT_EQ(half.CoveredAbove(0.499f), 0.0f);
    Scene lit(1.0f);
    EXPECT_EQ(lit.CoveredAbove(-0.0860f), 1.0f);
    EXPECT_EQ(lit.CoveredAbove(-0.0870f), 0.0f);
    // Contrast -1 flattens every tone to 0.5.
    for (float light : {0.0f, 1.0f}) {
        Scene flat(light);
        flat.b.packet.contrast = -1.0f;
        EXPECT_EQ(flat.CoveredAbove(0.501f), 1.0f) << light;
        EXPECT_EQ(flat.CoveredAbove(0.499f), 0.0f) << light;
    }
    // A black surface colour gives r = 0 whatever the light: level 1.0865476
    // (a white pattern on black paper reads the coverage inverted).
    Scene black(1.0f);
    for (float& c : black.parms.diffCol) c = 0.0f;
    for (float& c : black.b.packet.patColor) c = 1.0f;
    EXPECT_EQ(black.CoveredAbove(1.09f), 0.0f);
    EXPECT_EQ(black.CoveredAbove(1.08f), 1.0f);
    // Replace shading: rs 1 takes shadingLevel 1 (r = 1) whatever the light.
    Scene replaced(0.0f);
    replaced.b.packet.replaceShading = 1.0f;
    EXPECT_EQ(replaced.CoveredAbove(-0.0860f), 1.0f);
    EXPECT_EQ(replaced.CoveredAbove(-0.0870f), 0.0f);
    // Shadows are clamped to [0, 1]: with no shadowed light, 7 counts as 1
    // (r = 0, level 1.0865) and -1 as 0 (r = 0.5, level 0.5).
    Scene shadowed(0.5f);
    shadowed.b.packet.shadows = 7.0f;
    EXPECT_EQ(shadowed.CoveredAbove(1.09f), 1.0f);
    EXPECT_EQ(shadowed.CoveredAbove(1.08f), 0.0f);
    shadowed.b.packet.shadows = -1.0f;
    EXPECT_EQ(shadowed.CoveredAbove(0.501f), 1.0f);
    EXPECT_EQ(shadowed.CoveredAbove(0.499f), 0.0f);
}

TEST(SketchToneColour, ModesMixPaperPatternAndTracedColour) {
    const float base[3] = {0.4f, 0.3f, 0.2f};   // diffuse colour (0.8, 0.6, 0.4) at amount 0.5
    const float pat[3] = {0.1f, 0.2f, 0.9f};
    const float hostDiff[3] = {0.7f, 0.7f, 0.7f};
    const float tr[3] = {0.0f, 1.0f, 0.0f};
    const float a = 0.5f, st = 0.5f;  // pattern alpha, see-through (1.5 clamps to 1 below)
    auto lerp = [](float x, float y, float t) { return x + (y - x) * t; };
    for (bool through : {false, true}) {
        float paper[3], over[3], seen[3];
        for (int c = 0; c < 3; ++c) {
            paper[c] = through ? lerp(base[c], tr[c], st) : base[c];
            over[c] = lerp(base[c], pat[c], a);
            seen[c] = through ? lerp(over[c], tr[c], st) : pat[c];
        }
        struct Mode {
            int32_t mode;
            float covered[3], open[3];
        };
        Mode modes[4];
        for (int c = 0; c < 3; ++c) {
            modes[0].covered[c] = lerp(paper[c], pat[c], a);
            modes[0].open[c] = paper[c];
            modes[1].covered[c] = base[c];
            modes[2].covered[c] = hostDiff[c];
            modes[3].covered[c] = through ? over[c] : base[c];
            for (int m = 1; m < 4; ++m) modes[m].open[c] = seen[c];
        }
        modes[0].mode = 0;
        modes[1].mode = 1;
        modes[2].mode = 2;
        modes[3].mode = 7;
        for (const Mode& m : modes) {
            for (bool coveredSide : {true, false}) {
                Scene s;
                s.parms.diffCol[0] = 0.8f;
                s.parms.diffCol[1] = 0.6f;
                s.parms.diffCol[2] = 0.4f;
                s.parms.diffAmt = 0.5f;
                for (int c = 0; c < 3; ++c) {
                    s.b.packet.patColor[c] = pat[c];
                    s.sc.diff[c] = hostDiff[c];
                    s.sc.tran[c] = 0.01f;
                }
                s.b.packet.patAlpha = a;
                s.b.packet.seeThrough = through ? st : 0.0f;
                s.seeThrough = through;
                s.b.colorMode = m.mode;
                s.b.replaceSketchMap = 1;
                s.b.packet.sketchMapLevel = coveredSide ? -5.0f : 5.0f;
                const st_KVpShadeOutput out = s.Shade();
                const float* want = coveredSide ? m.covered : m.open;
                for (int c = 0; c < 3; ++c) {
                    EXPECT_NEAR(s.sc.diff[c], want[c], 1e-6) << "mode " << m.mode << " through " << through << " c " << c;
                    EXPECT_NEAR(out.color[c], want[c] + 0.01f, 1e-6) << "mode " << m.mode;
                }
            }
        }
    }
    // A see-through amount above 1 shows the traced colour alone as paper.
    Scene full;
    full.b.packet.seeThrough = 1.5f;
    full.seeThrough = true;
    full.b.replaceSketchMap = 1;
    full.b.packet.sketchMapLevel = 5.0f;
    const st_KVpShadeOutput out = full.Shade();
    EXPECT_NEAR(out.color[0], 0.0f, 1e-6);
    EXPECT_NEAR(out.color[1], 1.0f, 1e-6);
}

TEST(SketchToneColour, ReflectionAndSpecularDrawSpotsOfTheirColours) {
    // White paper (level -0.0865 is below every threshold used here), the
    // reflection (0.3, 0.3, 0) of colour (0.6, 0.6, 0): q = 0.5.
    Scene s(1.0f);
    s.b.packet.patAlpha = 0.5f;
    for (int c = 0; c < 2; ++c) {
        s.parms.reflCol[c] = 0.6f;
        s.sc.refl[c] = 0.3f;
    }
    for (float& c : s.sc.spec) c = 0.4f;
    s.b.replaceSketchMap = 1;
    const st_KVpShadeComponents keep = s.sc;
    // The output at a replacing threshold, and its red.
    auto shade = [&](float threshold) {
        s.sc = keep;
        s.b.packet.sketchMapLevel = threshold;
        return s.Shade();
    };
    auto red = [&](float threshold) { return shade(threshold).color[0]; };
    // Without reflection or specular amounts: the open colour; the host's
    // reflection is added and its specular never.
    EXPECT_NEAR(red(0.3f), 1.0f + 0.3f, 1e-6);
    EXPECT_EQ(s.sc.refl[0], 0.3f);
    // Reflection 1: level q = 0.5. Below a threshold of 0.7 the spot stays
    // open; above 0.3 it is drawn: paper mixed towards the reflection colour,
    // and the host's reflection is no longer added.
    s.b.packet.reflection = 1.0f;
    EXPECT_NEAR(red(0.7f), 1.0f, 1e-6);
    const st_KVpShadeOutput drawn = shade(0.3f);
    EXPECT_NEAR(drawn.color[0], 0.8f, 1e-6);
    EXPECT_NEAR(drawn.color[2], 0.5f, 1e-6);
    EXPECT_EQ(s.sc.refl[0], 0.0f);
    EXPECT_EQ(s.sc.refl[1], 0.0f);
    // Specular with no specular colour: q = 0, level 0: never drawn above 0.
    s.b.packet.reflection = 0.0f;
    s.b.packet.specular = 1.0f;
    EXPECT_NEAR(red(0.001f), 1.3f, 1e-6);
    // Replace specular 1: the level is specularLevel clamped to [0, 1]; drawn
    // where the threshold lies below it, towards the specular colour.
    for (float& c : s.parms.specCol) c = 0.2f;
    s.b.packet.replaceSpecular = 1.0f;
    s.b.packet.specularLevel = 2.0f;
    EXPECT_NEAR(red(0.99f), 0.6f + 0.3f, 1e-6);
    EXPECT_NEAR(red(1.5f), 1.3f, 1e-6);
    s.b.packet.specularLevel = -1.0f;
    EXPECT_NEAR(red(0.001f), 1.3f, 1e-6);
    EXPECT_NEAR(red(-0.5f), 0.6f + 0.3f, 1e-6);
}

TEST(SketchToneColour, MissingSampleParmsShadeBlackAndFinite) {
    Scene s;
    st_KVpShadeOutput out{};
    s.b.packet.reflection = 1.0f;
    s.b.packet.specular = 1.0f;
    ShadeSketchTone(s.b.packet, s.b, nullptr, {nullptr, 0.3f, 0.7f, nullptr}, s.sc, out);
    for (float c : out.color) EXPECT_TRUE(std::isfinite(c));
    EXPECT_EQ(s.sc.diff[0], 0.0f);
}

}  // namespace
}  // namespace SketchTone_Shader
