// The guarded falloff curves and the tone of the pattern materials.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "shader/tone_curves.h"
#include "shader/tone_ratio.h"

namespace {

using namespace kv::shader;

TEST(ToneCurves, PolesAndNonNumbersGiveNoOffset) {
    for (float k : {1.0f, 0.02f}) {
        const float e = static_cast<float>(std::exp(static_cast<double>(k)));
        const float pole = (e + 1.0f) / (e - 1.0f);  // 2.164 for k = 1, about 100 for 0.02
        const float at = depthOffset(pole, k);
        EXPECT_TRUE(std::isfinite(at)) << k;
        EXPECT_FLOAT_EQ(depthOffset(1.0f, k), e - 1.0f);  // inside [0, 1] unchanged
    }
    // A divisor of exactly zero: e = 3 would need k = ln 3; use the pole's
    // own arithmetic on a k whose e - 1 is exact.
    const float k = static_cast<float>(std::log(2.0));
    const float e = static_cast<float>(std::exp(static_cast<double>(k)));
    EXPECT_EQ(depthOffset((e + 1.0f) / (e - 1.0f), k), 0.0f);
    // normalOffset for a negative steepness: e = exp(1), pole at e / (e - 1).
    const float en = static_cast<float>(std::exp(1.0));
    const float npole = en / (en - 1.0f);
    EXPECT_TRUE(std::isfinite(normalOffset(npole, 1.0f, -1.0f)));
    EXPECT_EQ(normalOffset(2.0f, 1.0f, -std::log(2.0f)), 0.0f);  // e = 2: 2 + 2 (1 - 2) = 0
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(depthOffset(nan, 1.0f), 0.0f);
    EXPECT_EQ(normalOffset(nan, 1.0f, 0.0f), 0.0f);
    EXPECT_EQ(depthOffset(1e30f, 80.0f), 0.0f);  // overflows
}

struct Light {
    st_KVpShadeComponents sc{};
    st_KVpSampleParms parms{};
    Light() {
        parms.diffCol[0] = 0.6f;
        parms.diffCol[1] = 0.8f;  // |colour| = 1
        parms.diffAmt = 0.5f;
    }
};

TEST(ToneRatio, EuclideanLengthsOverTheSurfaceColour) {
    Light l;
    l.sc.diffLit[0] = 0.3f;
    l.sc.diffLit[1] = 0.4f;      // with shadows: length 0.5
    l.sc.diffUnshad[2] = 0.25f;  // without: length 0.25
    l.sc.indirect[2] = 0.5f;
    EXPECT_NEAR(toneRatio(l.sc, l.parms, 1.0f, 0.0f), 1.0f, 1e-6f);
    EXPECT_NEAR(toneRatio(l.sc, l.parms, 0.0f, 0.0f), 0.5f, 1e-6f);
    // Indirect is not clamped: 2 x 0.5 on blue.
    EXPECT_NEAR(toneRatio(l.sc, l.parms, 0.0f, 2.0f), 2.5f, 1e-6f);

    l.parms.diffAmt = 0.0f;
    EXPECT_EQ(toneRatio(l.sc, l.parms, 1.0f, 0.0f), 0.0f);
    l.parms.diffAmt = 1e-38f;  // denormal divisor: the quotient overflows
    l.sc.diffLit[0] = 1e30f;
    EXPECT_EQ(toneRatio(l.sc, l.parms, 1.0f, 0.0f), 0.0f);
    l.parms.diffAmt = 1.0f;
    l.parms.diffCol[0] = l.parms.diffCol[1] = 0.0f;
    EXPECT_EQ(toneRatio(l.sc, l.parms, 1.0f, 0.0f), 0.0f);

    const float spec[3] = {0.0f, 0.3f, 0.4f}, white[3] = {1.0f, 0.0f, 0.0f}, black[3] = {0.0f, 0.0f, 0.0f};
    EXPECT_FLOAT_EQ(lengthRatio(spec, white), 0.5f);
    EXPECT_EQ(lengthRatio(spec, black), 0.0f);
    const float tiny[3] = {1e-45f, 0.0f, 0.0f}, huge[3] = {3e38f, 3e38f, 0.0f};
    EXPECT_EQ(lengthRatio(huge, tiny), 0.0f);
}

TEST(ToneLevel, ReplaceBrightnessAndContrast) {
    ToneShape shape;
    EXPECT_FLOAT_EQ(toneLevel(0.5f, shape), 0.5f);
    EXPECT_NEAR(toneLevel(1.0f, shape), -0.0865476f, 1e-6f);  // g = 1.1730951
    EXPECT_NEAR(toneLevel(0.0f, shape), 1.0865476f, 1e-6f);
    shape.contrast = -1.0f;
    for (float t : {0.0f, 0.3f, 1.0f, 7.0f}) EXPECT_FLOAT_EQ(toneLevel(t, shape), 0.5f);
    shape.contrast = 0.0f;
    shape.brightness = 1.0f;  // every tone lifted to 1
    EXPECT_NEAR(toneLevel(0.2f, shape), -0.0865476f, 1e-6f);
    shape.brightness = -1.0f;  // every tone dropped to 0
    EXPECT_NEAR(toneLevel(0.9f, shape), 1.0865476f, 1e-6f);
    shape.brightness = 0.0f;
    shape.replaceShading = 1.0f;
    shape.shadingLevel = 3.0f;  // clamped to 1
    EXPECT_NEAR(toneLevel(0.0f, shape), -0.0865476f, 1e-6f);
    shape.replaceShading = 0.5f;
    shape.shadingLevel = 0.5f;  // halfway from 0.5 to 0.5
    EXPECT_FLOAT_EQ(toneLevel(0.5f, shape), 0.5f);
}

}  // namespace
