// Tone, ink level, colour modes, see-through and the second screen, without a host.
#include <gtest/gtest.h>

#include <utility>

#include "halftone_cells.h"
#include "halftone_shading.h"

namespace Halftone2_Shader {
namespace {

// The packet and block at the channels' defaults, dots, red ink.
st_KVpHalftone DefaultPacket() {
    st_KVpHalftone p{};
    p.cosAngle = 1.0f;
    p.tiles = 4.0f;
    p.patColor[0] = 1.0f;
    p.patAlpha = 1.0f;
    p.specular = 1.0f;
    p.shadingLevel = 1.0f;
    p.specularLevel = 1.0f;
    p.zMax = 10.0f;
    p.zScale = 0.02f;
    return p;
}
HalftoneBlock DefaultBlock() {
    HalftoneBlock b{};
    b.cellPattern = kPatternDots;
    b.screenCoords = true;
    b.drawSpecular = 1;
    return b;
}

// A grey surface (0.5) of full diffuse amount under a grey light `light`.
struct Lit {
    st_KVpSampleParms parms{};
    st_KVpShadeComponents sc{};
    st_KVpShadeOutput out{{-1.0f, -1.0f, -1.0f}, 1.0f};
    explicit Lit(float light) {
        for (int c = 0; c < 3; ++c) {
            parms.diffCol[c] = 0.5f;
            sc.diffUnshad[c] = sc.diffLit[c] = light;
            sc.diff[c] = 0.25f;  // the host's own diffuse result
        }
        parms.diffAmt = 1.0f;
    }
};

// The centre of a cell (4 tiles: u = 0.125) and one of its corners.
HalftoneSample Centre(const Lit& l) { return {0.125f, 0.125f, &l.parms, nullptr}; }
HalftoneSample Corner(const Lit& l) { return {0.0f, 0.0f, &l.parms, nullptr}; }

// Ink levels of the tones 0 and 1 at contrast 0.
constexpr float kInkUnlit = 1.0865476f;
constexpr float kInkFullyLit = -0.0865476f;

TEST(HalftoneTone, InkLevelFromLightBrightnessAndContrast) {
    st_KVpHalftone p = DefaultPacket();
    Lit dark(0.0f), half(0.25f), full(0.5f);
    EXPECT_NEAR(InkLevel(p, full.parms, full.sc), kInkFullyLit, 1e-6);
    EXPECT_NEAR(InkLevel(p, half.parms, half.sc), 0.5f, 1e-6);
    EXPECT_NEAR(InkLevel(p, dark.parms, dark.sc), kInkUnlit, 1e-6);
    // Shadows mix the shadowed light in; indirect light adds to both.
    full.sc.diffLit[0] = full.sc.diffLit[1] = full.sc.diffLit[2] = 0.0f;
    p.shadows = 1.0f;
    EXPECT_NEAR(InkLevel(p, full.parms, full.sc), kInkUnlit, 1e-6);
    p.shadows = 7.0f;  // clamped to 1
    EXPECT_NEAR(InkLevel(p, full.parms, full.sc), kInkUnlit, 1e-6);
    p.shadows = -1.0f;  // clamped to 0: the unshadowed light alone
    EXPECT_NEAR(InkLevel(p, full.parms, full.sc), kInkFullyLit, 1e-6);
    p.shadows = 1.0f;
    p.indirectLight = 2.0f;
    full.sc.indirect[0] = full.sc.indirect[1] = full.sc.indirect[2] = 0.125f;
    EXPECT_NEAR(InkLevel(p, full.parms, full.sc), 0.5f, 1e-6);
    // A black surface or no diffuse amount counts as unlit, whatever the light.
    Lit black(1.0f);
    black.parms.diffAmt = 0.0f;
    EXPECT_NEAR(InkLevel(DefaultPacket(), black.parms, black.sc), kInkUnlit, 1e-6);
    // Replace shading blends to the level; brightness 1 lifts every tone to 1.
    p = DefaultPacket();
    p.replaceShading = 1.0f;
    p.shadingLevel = 0.25f;
    EXPECT_NEAR(InkLevel(p, dark.parms, dark.sc), 1.0f - (1.1730951f * -0.25f + 0.5f), 1e-6);
    p = DefaultPacket();
    p.brightness = 1.0f;
    EXPECT_NEAR(InkLevel(p, dark.parms, dark.sc), kInkFullyLit, 1e-6);
    p.brightness = -0.5f;
    Lit lit(0.5f);
    EXPECT_NEAR(InkLevel(p, lit.parms, lit.sc), 0.5f, 1e-6);
    // Contrast -1: the same ink level for every light.
    p = DefaultPacket();
    p.contrast = -1.0f;
    for (float light : {0.0f, 0.1f, 0.5f, 4.0f}) {
        Lit l(light);
        EXPECT_EQ(InkLevel(p, l.parms, l.sc), 0.5f) << light;
    }
}

TEST(HalftoneColourModes, InkCrayonAndScratch) {
    const st_KVpHalftone p = DefaultPacket();
    HalftoneBlock b = DefaultBlock();
    b.drawSpecular = 0;
    Lit dark(0.0f);   // t above 1: the dot fills the cell centre
    Lit mid(0.25f);   // t = 0.5: the corners are paper
    // Ink: the pattern colour inside a dot, Cd * amount outside, whatever the light.
    ShadeHalftone(p, b, Centre(dark), dark.sc, dark.out);
    EXPECT_EQ(dark.out.color[0], 1.0f);
    EXPECT_EQ(dark.out.color[1], 0.0f);
    ShadeHalftone(p, b, Corner(mid), mid.sc, mid.out);
    EXPECT_EQ(mid.out.color[0], 0.5f);
    EXPECT_EQ(mid.out.color[1], 0.5f);

    // Crayon: the roles swap.
    b.colorMode = 1;
    Lit d1(0.0f), m1(0.25f);
    ShadeHalftone(p, b, Centre(d1), d1.sc, d1.out);
    EXPECT_EQ(d1.out.color[1], 0.5f);
    ShadeHalftone(p, b, Corner(m1), m1.sc, m1.out);
    EXPECT_EQ(m1.out.color[0], 1.0f);
    EXPECT_EQ(m1.out.color[1], 0.0f);

    // Scratch: the host's diffuse result stays inside the shapes.
    b.colorMode = 2;
    Lit d2(0.0f);
    ShadeHalftone(p, b, Centre(d2), d2.sc, d2.out);
    EXPECT_EQ(d2.out.color[1], 0.25f);

    // Without "sample.parms": black surface, ink only where the shapes are.
    b.colorMode = 0;
    Lit none(0.0f);
    HalftoneSample s = Centre(none);
    s.parms = nullptr;
    ShadeHalftone(p, b, s, none.sc, none.out);
    EXPECT_EQ(none.out.color[0], 1.0f);
}

TEST(HalftoneSeeThrough, BehindColourMixesIntoPaperAndPattern) {
    st_KVpHalftone p = DefaultPacket();
    p.seeThrough = 1.0f;
    p.patAlpha = 0.5f;
    HalftoneBlock b = DefaultBlock();
    b.drawSpecular = 0;
    const float behind[3] = {0.0f, 0.0f, 1.0f};
    // Paper is what lies behind; ink is the pattern at alpha over it.
    Lit paper(0.25f);
    HalftoneSample s = Corner(paper);
    s.behind = behind;
    ShadeHalftone(p, b, s, paper.sc, paper.out);
    EXPECT_EQ(paper.out.color[2], 1.0f);
    EXPECT_EQ(paper.out.color[0], 0.0f);
    Lit ink(0.0f);
    s = Centre(ink);
    s.behind = behind;
    ShadeHalftone(p, b, s, ink.sc, ink.out);
    EXPECT_FLOAT_EQ(ink.out.color[0], 0.5f);
    EXPECT_FLOAT_EQ(ink.out.color[2], 0.5f);
    // Crayon paper: the pattern over the surface at alpha, then behind.
    b.colorMode = 1;
    p.seeThrough = 0.5f;
    Lit crayon(0.25f);
    s = Corner(crayon);
    s.behind = behind;
    ShadeHalftone(p, b, s, crayon.sc, crayon.out);
    EXPECT_FLOAT_EQ(crayon.out.color[0], 0.375f);  // Pa.r = 0.75, halfway to 0
    EXPECT_FLOAT_EQ(crayon.out.color[2], 0.625f);  // Pa.b = 0.25, halfway to 1
    // No colour behind (no ray to continue): see-through is left out.
    Lit off(0.25f);
    ShadeHalftone(p, b, Corner(off), off.sc, off.out);
    EXPECT_EQ(off.out.color[0], 1.0f);
}

// A fully lit grey surface (the main screen draws no ink) with a green
// reflection (0, 0.5, 0) of colour (0, 1, 0): ratio 0.5, so reflection 1
// draws at level 0.5. Red reads the second screen's paper fraction: 0.5 where
// it is paper, 0 where the green highlight covers.
struct Highlight {
    st_KVpHalftone p = DefaultPacket();
    HalftoneBlock b = DefaultBlock();
    Highlight() {
        p.reflection = 1.0f;
        p.specular = 0.0f;
    }
    float Paper(float u, float v) {
        Lit l(0.5f);
        l.parms.reflCol[1] = 1.0f;
        l.sc.refl[1] = 0.5f;
        l.sc.spec[0] = 0.7f;  // never added to the output
        l.sc.tran[2] = 0.125f;
        ShadeHalftone(p, b, {u, v, &l.parms, nullptr}, l.sc, l.out);
        EXPECT_EQ(l.sc.refl[1], 0.0f);  // drawn, so no longer added
        EXPECT_EQ(l.out.color[2], 0.5f * (l.out.color[0] * 2.0f) + 0.125f);
        return l.out.color[0] * 2.0f;
    }
};

TEST(HalftoneSecondScreen, ReflectionDrawnInTheSpecularPatternsCells) {
    Highlight h;
    // Level 0.5 at 0.3 from a dot's centre: the ramp, not a level of 1
    // (ink) or 0.25 (paper).
    EXPECT_NEAR(h.Paper(0.125f, 0.2f), (0.1 - (0.5 - 0.3 * 1.414213562)) * 10.0, 1e-4);
    // Lattice point (0, 1.5), an odd row: a square screen shifts by half a
    // cell there, so the point is a square's centre (ink); the main dots and
    // an unshifted square would leave it paper.
    h.b.specPattern = kPatternSquare;
    EXPECT_EQ(h.Paper(0.0f, 0.375f), 0.0f);
    // Out of range the pattern is clamped: 12 draws diamCheck, shifted to
    // (0.5, 0.2) at lattice point (0, 1.2) (ink, where unclamped 12 would
    // draw unshifted adaptive lines: paper); -1 draws dots (paper at (0.1,
    // 0.5), where adaptive lines would ink).
    h.b.specPattern = 12;
    EXPECT_EQ(h.Paper(0.0f, 0.3f), 0.0f);
    h.b.specPattern = -1;
    EXPECT_EQ(h.Paper(0.025f, 0.125f), 1.0f);

    // Highlights off: nothing drawn, the host's reflection added unchanged.
    st_KVpHalftone p = DefaultPacket();
    p.reflection = 1.0f;
    HalftoneBlock b = DefaultBlock();
    b.drawSpecular = 0;
    Lit off(0.5f);
    off.sc.refl[1] = 0.25f;
    off.parms.reflCol[1] = 1.0f;
    ShadeHalftone(p, b, Centre(off), off.sc, off.out);
    EXPECT_EQ(off.sc.refl[1], 0.25f);
    EXPECT_EQ(off.out.color[1], 0.5f + 0.25f);
}

TEST(HalftoneSecondScreen, SpecularLevelAndReplacement) {
    st_KVpHalftone p = DefaultPacket();
    HalftoneBlock b = DefaultBlock();
    // Blue specular of colour (0, 0, 1) at the cell's centre and corner; red
    // reads the paper fraction as above; the reflection triple stays.
    auto paper = [&](float specular, float u) {
        Lit l(0.5f);
        l.sc.refl[0] = 0.25f;
        l.parms.specCol[2] = 1.0f;
        l.sc.spec[2] = specular;
        ShadeHalftone(p, b, {u, u, &l.parms, nullptr}, l.sc, l.out);
        EXPECT_EQ(l.sc.refl[0], 0.25f);
        return (l.out.color[0] - 0.25f) * 2.0f;
    };
    EXPECT_EQ(paper(1.0f, 0.125f), 0.0f);  // level 1 inks the centre
    EXPECT_EQ(paper(0.0f, 0.125f), 1.0f);  // level 0 leaves it paper
    // Replace specular 1: the level is specularLevel clamped to [0, 1]. At
    // the corner (distance 1) level 1 leaves paper where 2 would ink.
    p.replaceSpecular = 1.0f;
    p.specularLevel = 2.0f;
    EXPECT_EQ(paper(0.0f, 0.0f), 1.0f);
    // Half replaced, a level of -1 counts as 0: 0.5 from the ratio 1, where
    // unclamped it would be 0 (paper at the centre).
    p.replaceSpecular = 0.5f;
    p.specularLevel = -1.0f;
    EXPECT_EQ(paper(1.0f, 0.125f), 0.0f);
    // Replace specular with level 0 removes the highlight.
    p.replaceSpecular = 1.0f;
    p.specularLevel = 0.0f;
    EXPECT_EQ(paper(1.0f, 0.125f), 1.0f);
}

TEST(HalftoneShading, PatternsClampedAndSecondFollowsMain) {
    const st_KVpHalftone p = DefaultPacket();
    // 12 draws diamCheck and -1 dots, through the block as read.
    HalftoneBlock b = DefaultBlock();
    b.drawSpecular = 0;
    const HalftoneSample at{0.125f, 0.2f, nullptr, nullptr};  // cell position (0.5, 0.8)
    for (auto [value, drawn] : {std::pair{12, kPatternDiamCheck}, std::pair{-1, kPatternDots}}) {
        b.cellPattern = value;
        Lit a(0.25f), c(0.25f);
        HalftoneSample s = at;
        s.parms = &a.parms;
        ShadeHalftone(p, b, s, a.sc, a.out);
        b.cellPattern = drawn;
        s.parms = &c.parms;
        ShadeHalftone(p, b, s, c.sc, c.out);
        EXPECT_EQ(a.out.color[0], c.out.color[0]) << value;
        EXPECT_EQ(a.out.color[1], c.out.color[1]) << value;
    }
}

}  // namespace
}  // namespace Halftone2_Shader
