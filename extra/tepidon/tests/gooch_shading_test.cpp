// Numeric cases of the Gooch shading in both light modes.
#include <gtest/gtest.h>

#include <cmath>

#include "gooch_shading.h"

namespace {

using namespace Gooch_Shader;

GoochPacketData defaults() {
    return {0.2f, 0.6f, {0.0f, 0.0f, 0.4f}, {0.4f, 0.4f, 0.0f}, 0.0f, 0.0f, 1.0f, 1.0f};
}

struct Sample {
    st_KVpSampleParms parms{};
    st_KVpSampleRay ray{};
    st_KVpSurfaceNormal normal{};
    st_KVpShadeComponents sc{};
    st_KVpShadeOutput out{};
    Sample() {
        parms.diffCol[0] = parms.diffCol[1] = parms.diffCol[2] = 0.5f;
        parms.diffAmt = 1.0f;
        ray.dir[2] = -1.0f;  // looking down -z
        normal.normal[2] = 1.0f;
        for (int c = 0; c < 3; ++c) {
            sc.diffLit[c] = 0.6f;
            sc.diffUnshad[c] = 0.8f;
            sc.indirect[c] = 0.1f;
            sc.spec[c] = 0.25f;
            sc.refl[c] = 0.01f;
        }
    }
    GoochSample view() const { return {&parms, &ray, &normal}; }
};

// |V . N| for the fixed light with the ray straight down -z and N = +z.
float fixedTone() {
    const float vx = 0.1f, vy = 0.25f, vz = 1.0f;
    return vz / std::sqrt(vx * vx + vy * vy + vz * vz);
}

TEST(GoochShading, FixedLightDefaultsMixByViewAngle) {
    Sample s;
    const GoochPacketData p = defaults();
    ASSERT_TRUE(shadeGooch(p, false, s.view(), s.sc, s.out));
    const float t = fixedTone();
    for (int c = 0; c < 3; ++c) {
        const float warm = 0.5f * p.tintWarm + p.warmColor[c];
        const float cool = 0.5f * p.tintCool + p.coolColor[c];
        EXPECT_NEAR(s.sc.diff[c], cool + (warm - cool) * t, 1e-6f);
        // Specular is not part of the output without scene lights.
        EXPECT_NEAR(s.out.color[c], s.sc.diff[c] + 0.01f, 1e-6f);
    }
}

TEST(GoochShading, ContrastAndBrightnessCurves) {
    EXPECT_FLOAT_EQ(goochToneCurve(0.9f, 0.0f, -1.0f), 0.5f);  // the mid mix for every t
    EXPECT_FLOAT_EQ(goochToneCurve(0.1f, 0.0f, -1.0f), 0.5f);
    EXPECT_NEAR(goochToneCurve(0.7f, -1.0f, 0.0f), 0.0f, 1e-7f);  // cool
    EXPECT_NEAR(goochToneCurve(0.7f, 1.0f, 0.0f), 1.0f, 1e-7f);   // warm
    EXPECT_GT(std::fabs(goochToneCurve(0.9f, 0.0f, 0.999f)), 100.0f);  // unclamped near 1
    // At the pole the curve is bounded so that the colour mix stays finite.
    EXPECT_FLOAT_EQ(goochToneCurve(1e6f, 0.0f, 1.0f), 1e12f);
    EXPECT_FLOAT_EQ(goochToneCurve(-1e6f, 0.0f, 1.0f), -1e12f);

    Sample s;
    GoochPacketData p = defaults();
    p.brightness = -1.0f;
    ASSERT_TRUE(shadeGooch(p, false, s.view(), s.sc, s.out));
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(s.sc.diff[c], 0.5f * p.tintCool + p.coolColor[c], 1e-6f);
    p.brightness = 1.0f;
    ASSERT_TRUE(shadeGooch(p, false, s.view(), s.sc, s.out));
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(s.sc.diff[c], 0.5f * p.tintWarm + p.warmColor[c], 1e-6f);
}

TEST(GoochShading, SceneLightsMixIlluminationAndAddSpecular) {
    Sample s;
    const GoochPacketData p = defaults();
    ASSERT_TRUE(shadeGooch(p, true, s.view(), s.sc, s.out));
    const float illum = 0.6f + 0.1f;  // shadows 1: lit + indirect
    const float ratio = illum / 0.5f;
    for (int c = 0; c < 3; ++c) {
        const float warm = illum * p.tintWarm + p.warmColor[c];
        const float cool = illum * p.tintCool + p.coolColor[c];
        EXPECT_NEAR(s.sc.diff[c], cool + (warm - cool) * ratio, 1e-5f);
        EXPECT_NEAR(s.out.color[c], 0.25f + (s.sc.diff[c] + 0.01f), 1e-6f);
    }

    s.parms.diffCol[0] = s.parms.diffCol[1] = s.parms.diffCol[2] = 0.0f;  // black surface: t = 0
    ASSERT_TRUE(shadeGooch(p, true, s.view(), s.sc, s.out));
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(s.sc.diff[c], illum * p.tintCool + p.coolColor[c], 1e-6f);
}

TEST(GoochShading, MissingHostPacketsLeaveTheSampleAsTheHostShadedIt) {
    Sample s;
    s.out.color[0] = 0.123f;
    s.sc.diff[0] = 0.456f;
    const GoochPacketData p = defaults();
    EXPECT_FALSE(shadeGooch(p, true, {nullptr, &s.ray, &s.normal}, s.sc, s.out));
    EXPECT_FALSE(shadeGooch(p, false, {&s.parms, nullptr, &s.normal}, s.sc, s.out));
    EXPECT_FALSE(shadeGooch(p, false, {&s.parms, &s.ray, nullptr}, s.sc, s.out));
    EXPECT_FLOAT_EQ(s.out.color[0], 0.123f);
    EXPECT_FLOAT_EQ(s.sc.diff[0], 0.456f);
    // Scene lights need only "sample.parms".
    EXPECT_TRUE(shadeGooch(p, true, {&s.parms, nullptr, nullptr}, s.sc, s.out));
}

}  // namespace
