#include "xtoon_tone.h"

#include <cmath>

#include <gtest/gtest.h>

namespace XToon_Shader {
namespace {

// Gradients that return their input (or 0 when unbound) and an optional image
// whose pixel colour encodes its coordinates.
struct FakeTables final : XToonToneTables {
    bool gradients = true;
    uint32_t width = 0, height = 0;
    bool image = false;
    double Gradient(XToonFilter, double in) const override { return gradients ? in : 0.0; }
    bool ToneImageSize(uint32_t& w, uint32_t& h) const override {
        w = width;
        h = height;
        return image;
    }
    void TonePixel(uint32_t x, uint32_t y, float rgba[4]) const override {
        rgba[0] = float(x);
        rgba[1] = float(y);
        rgba[2] = 0.0f;
        rgba[3] = 1.0f;
    }
};

XToonPacketData DefaultPacket() {
    XToonPacketData p{};
    p.shadeMix = 1.0f;
    SetDepthRange(p, 0.01f, 10.0f);
    p.strength = 1.0f;
    p.patAlpha = 1.0f;
    p.indirectLight = 1.0f;
    p.detail = 1.0f;
    p.stepPos = -1.0f;
    return p;
}

TEST(XToonTone, BlockDefaultsAndRange) {
    XToonPacketData p = DefaultPacket();
    EXPECT_FLOAT_EQ(p.zMax, 10.01f);
    EXPECT_FLOAT_EQ(p.depthRatio, 10.01f / 0.010001f);
    SetDepthRange(p, 2.0f, -3.0f);
    EXPECT_FLOAT_EQ(p.zMax, 2.0f + kMinDepthRange);
}

TEST(XToonTone, ContrastSlopeAndClamp) {
    EXPECT_NEAR(ContrastSlope(0.0f), 1.17310f, 1e-5);
    EXPECT_NEAR(ContrastSlope(-1.0f), 0.0f, 1e-7);
    EXPECT_NEAR(ContrastSlope(1.0f), 4.07284f, 1e-4);
    EXPECT_EQ(ClampTone(NAN), 0.0f);
    EXPECT_EQ(ClampTone(2.0f), kUnitBelowOne);
}

TEST(XToonTone, DepthDetailAndDegenerateRanges) {
    XToonPacketData p = DefaultPacket();
    st_KVpSampleRay ray{};
    XToonSampleRecords rec;
    rec.ray = &ray;
    st_KVpShadeComponents sc{};
    ray.dist = 0.01f;
    EXPECT_EQ(DetailMeasure(p, rec, sc), kUnitBelowOne);
    ray.dist = 10.01f;
    EXPECT_NEAR(DetailMeasure(p, rec, sc), 0.0f, 1e-4);
    // A zero range makes the ratio 1: near or far, never NaN.
    SetDepthRange(p, 1.0f, 0.0f);
    p.depthRatio = 1.0f;
    ray.dist = 0.5f;
    EXPECT_EQ(DetailMeasure(p, rec, sc), kUnitBelowOne);
    ray.dist = 3.0f;
    EXPECT_EQ(DetailMeasure(p, rec, sc), 0.0f);
    // zMin <= 0.
    SetDepthRange(p, -1.0f, 5.0f);
    EXPECT_EQ(DetailMeasure(p, rec, sc), 0.0f);
}

TEST(XToonTone, DofWithoutNumberGivesZero) {
    XToonPacketData p = DefaultPacket();
    p.detailMode = kDetailDof;
    st_KVpSampleRay ray{};
    XToonSampleRecords rec;
    rec.ray = &ray;
    st_KVpShadeComponents sc{};
    for (float strength : {0.0f, 0.5f, 1.0f}) {
        p.strength = strength;
        for (float z : {0.001f, 1.0f, 5.0f, 20.0f}) {
            ray.dist = z;
            const float d = DetailMeasure(p, rec, sc);
            EXPECT_TRUE(d >= 0.0f && d <= kUnitBelowOne) << strength << " " << z;
        }
    }
    p.strength = 0.5f;
    ray.dist = 1.0f;  // below the focus: the quotient is not positive
    EXPECT_EQ(DetailMeasure(p, rec, sc), 0.0f);
}

TEST(XToonTone, PosterisedGreyAndImagePath) {
    XToonPacketData p = DefaultPacket();
    p.useImage = 1;
    p.detailMode = kDetailTexture;
    p.detail = 0.0f;
    st_KVpSampleParms parms{};
    parms.diffCol[0] = parms.diffCol[1] = parms.diffCol[2] = 1.0f;
    parms.diffAmt = 1.0f;
    st_KVpShadeComponents sc{};
    // Light of length sqrt(3) * 0.5 over |diffuse| sqrt(3): r = 0.5, tone 0.5.
    for (int c = 0; c < 3; ++c) sc.diffUnshad[c] = 0.5f;
    p.indirectLight = 0.0f;
    XToonSampleRecords rec;
    rec.parms = &parms;
    FakeTables tables;
    st_KVpShadeOutput out{};
    XToonPacketData q = p;
    ShadeXToon(q, rec, tables, sc, out);
    EXPECT_NEAR(q.detail, 0.5f, 1e-6);
    EXPECT_NEAR(out.color[0], 1.0f / 3.0f, 1e-6);

    // An image of width 0 is no image.
    tables.image = true;
    q = p;
    st_KVpShadeComponents sc2 = sc;
    ShadeXToon(q, rec, tables, sc2, out);
    EXPECT_NEAR(out.color[0], 1.0f / 3.0f, 1e-6);

    tables.width = tables.height = 256;
    q = p;
    q.flipVert = 1;
    sc2 = sc;
    ShadeXToon(q, rec, tables, sc2, out);
    EXPECT_EQ(out.color[0], 128.0f);
    EXPECT_EQ(out.color[1], 0.0f);  // D' = 1 wraps to the first row
    EXPECT_EQ(sc2.diff[0], 1.0f);
}

TEST(XToonTone, StepPosAndPatAlphaZero) {
    XToonPacketData p = DefaultPacket();
    p.detailMode = kDetailTexture;
    p.stepPos = 0.5f;
    st_KVpShadeComponents sc{};
    for (int c = 0; c < 3; ++c) sc.diff[c] = 0.25f;
    XToonSampleRecords rec;
    FakeTables tables;
    tables.gradients = false;
    st_KVpShadeOutput out{};
    p.patAlpha = 0.0f;
    ShadeXToon(p, rec, tables, sc, out);
    EXPECT_FLOAT_EQ(out.color[0], 0.25f);  // the host's own sum
}

}  // namespace
}  // namespace XToon_Shader
