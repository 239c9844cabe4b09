// Banded toon shading on hand-made packets, records and gradient stand-ins.
#include <gtest/gtest.h>

#include <cmath>

#include "toon_shading.h"

namespace {

// A linear ramp stand-in for a host gradient filter; remembers its last input.
struct FakeRamp {
    bool bound = false;
    double at0 = 0.0, at1 = 1.0;
    mutable double lastInput = NAN;
    mutable int calls = 0;
    bool test() const { return bound; }
    double Evaluate(double t) const {
        lastInput = t;
        ++calls;
        return at0 + (at1 - at0) * t;
    }
};

struct ToonCase : ::testing::Test {
    ToonPacketData p{};
    st_KVpSampleParms parms{};
    st_KVpShadeComponents sc{};
    st_KVpShadeOutput out{};
    ToonFilterSet<FakeRamp> grads{};

    void SetUp() override {
        p.diffBands = 3;
        p.diffLevel = 0.6f;
        p.shadows = 1.0f;
        p.indirectLight = 1.0f;
        const float starts[3] = {0.0f, 0.3f, 0.6f};
        for (int b = 0; b < 3; ++b) {
            p.bands[b].start = starts[b];
            for (float& c : p.bands[b].color) c = 0.1f * (b + 1);
        }
        for (float& c : parms.diffCol) c = 1.0f;
        parms.diffAmt = 1.0f;
    }
    // Grey light of level x: the band coordinate is then lum(x, x, x).
    float light(float x) {
        for (int c = 0; c < 3; ++c) sc.diffLit[c] = sc.diffUnshad[c] = x;
        const float g[3] = {x, x, x};
        return kv::shader::luminance(g);
    }
    void shade() { toonShade(p, &parms, grads, sc, out); }
};

TEST_F(ToonCase, BandBetweenStartsTakesLowerBandLevel) {
    light(0.45f);  // between 0.3 and 0.6: band 2
    shade();
    const float level = 0.3f + 0.6f / 3;
    EXPECT_FLOAT_EQ(sc.diff[0], 0.45f * level);
}

TEST_F(ToonCase, SampleExactlyAtStartTakesThatBand) {
    const float e = light(0.5f);
    p.bands[1].start = e;
    p.bands[2].start = 0.9f;
    shade();
    EXPECT_FLOAT_EQ(sc.diff[1], 0.5f * (e + 0.2f));
}

TEST_F(ToonCase, BelowFirstStartUsesBaseRecordMixedByBaseAlpha) {
    p.bands[0].start = 0.2f;
    p.baseColor[0] = 1.0f;
    p.baseAlpha = 0.5f;
    light(0.1f);
    shade();
    const float b = 0.1f * (0.6f / 3);
    EXPECT_FLOAT_EQ(sc.diff[0], b + (1.0f - b) * 0.5f);
    EXPECT_FLOAT_EQ(sc.diff[1], b + (0.0f - b) * 0.5f);
}

// A negative band count searches no band: the base record with a negative step.
TEST_F(ToonCase, NegativeBandCountUsesBaseRecord) {
    p.diffBands = -2;
    light(0.5f);
    shade();
    EXPECT_FLOAT_EQ(sc.diff[2], 0.5f * (0.6f / -2.0f));
}

TEST_F(ToonCase, SearchStopsAtFirstHigherStart) {
    p.bands[1].start = 0.5f;
    p.bands[2].start = 0.25f;
    p.bands[0].alpha = 1.0f;  // band 1's colour shows
    light(0.3f);
    shade();
    EXPECT_FLOAT_EQ(sc.diff[0], p.bands[0].color[0]);
}

TEST_F(ToonCase, SofteningBlendsFromPreviousBand) {
    p.bands[1].soft = 0.2f;
    p.bands[1].alpha = 1.0f;
    const float e = light(0.35f);
    shade();
    const float u = (e - 0.3f) / 0.2f;
    EXPECT_NEAR(sc.diff[0], 0.1f + (0.2f - 0.1f) * u, 1e-6);
    // Level blend (alpha 1 shows the colour, so check with alpha 0).
    p.bands[1].alpha = 0.0f;
    shade();
    const double lvl = (0.3 + 0.2) * u + (1 - u) * (0.0 + 0.2);
    EXPECT_NEAR(sc.diff[0], 0.35 * lvl, 1e-6);
}

TEST_F(ToonCase, SofteningOfFirstBandBlendsFromBase) {
    p.bands[0].start = 0.1f;
    p.bands[0].soft = 0.2f;
    p.bands[0].alpha = 1.0f;
    p.baseColor[2] = 0.9f;
    const float e = light(0.2f);
    shade();
    const float u = (e - 0.1f) / 0.2f;
    EXPECT_NEAR(sc.diff[2], 0.9f + (0.1f - 0.9f) * u, 1e-6);
}

TEST_F(ToonCase, BandGradientParameterAndUnboundComponents) {
    p.bands[1].useGrad = 1;
    p.bands[1].alpha = 1.0f;
    grads.bandFilter(0, 1).bound = true;
    grads.bandFilter(1, 1).bound = true;
    grads.bandFilter(1, 1).at0 = 1.0;
    grads.bandFilter(1, 1).at1 = 0.0;
    const float e = light(0.45f);
    shade();
    const float t = (e - 0.3f) / (0.6f - 0.3f);
    EXPECT_NEAR(grads.bandFilter(0, 1).lastInput, t, 1e-6);
    EXPECT_NEAR(sc.diff[0], t, 1e-6);
    EXPECT_NEAR(sc.diff[1], 1.0 - t, 1e-6);
    EXPECT_FLOAT_EQ(sc.diff[2], 0.0f);  // blue filter unbound
}

TEST_F(ToonCase, GradientAtExactStartAndInLastBandUsesOne) {
    grads.bandFilter(0, 1).bound = true;
    grads.bandFilter(0, 2).bound = true;
    p.bands[1].useGrad = p.bands[2].useGrad = 1;
    p.bands[1].soft = 0.5f;  // no softening at an exact start
    p.bands[1].start = light(0.5f);
    p.bands[2].start = 0.9f;
    shade();
    EXPECT_EQ(grads.bandFilter(0, 1).lastInput, 1.0);
    light(0.95f);  // last band: span 0 - start
    shade();
    EXPECT_EQ(grads.bandFilter(0, 2).lastInput, 1.0);
}

TEST_F(ToonCase, ShadowsAndIndirectAreClamped) {
    p.shadows = 3.0f;
    p.indirectLight = -1.0f;
    for (int c = 0; c < 3; ++c) {
        sc.diffLit[c] = 0.2f;
        sc.diffUnshad[c] = 0.8f;
        sc.indirect[c] = 0.5f;
    }
    shade();
    const float lvl = 0.0f + 0.6f / 3;  // lum 0.2 falls in band 1
    EXPECT_FLOAT_EQ(sc.diff[0], 0.2f * lvl);
}

TEST_F(ToonCase, NoSampleParmsBandsTheLightItself) {
    const float e = light(0.45f);
    toonShade(p, nullptr, grads, sc, out);
    EXPECT_GT(e, 0.3f);
    EXPECT_FLOAT_EQ(sc.diff[0], 0.45f * (0.3f + 0.2f));
}

TEST_F(ToonCase, ZeroDiffuseBandsKeepHostDiffuseInSum) {
    p.diffBands = 0;
    sc.diff[0] = 0.25f;
    sc.spec[0] = 0.125f;
    sc.refl[0] = 0.0625f;
    sc.tran[0] = 1.0f;
    sc.subs[0] = 2.0f;
    sc.lumi[0] = 4.0f;
    shade();
    EXPECT_FLOAT_EQ(sc.diff[0], 0.25f);
    EXPECT_FLOAT_EQ(out.color[0], 0.25f + 0.125f + 0.0625f + 1 + 2 + 4);
}

TEST_F(ToonCase, SpecularBandsQuantiseLength) {
    p.diffBands = 0;
    p.specLevel = 0.4f;
    p.specBands = 1;
    sc.spec[0] = 0.3f;
    sc.spec[1] = 0.4f;  // |v| = 0.5
    shade();
    EXPECT_NEAR(std::hypot(sc.spec[0], sc.spec[1]), 0.4, 1e-6);
    EXPECT_NEAR(sc.spec[0] / sc.spec[1], 0.75, 1e-6);

    p.specBands = 3;
    sc.spec[0] = 0.6f;
    sc.spec[1] = sc.spec[2] = 0.0f;
    shade();
    EXPECT_NEAR(sc.spec[0], (0.4 + 1.0) / 3, 1e-6);
}

TEST_F(ToonCase, ReflectionGradientRemapsNormalisedVector) {
    p.diffBands = 0;
    p.reflLevel = 0.25f;
    grads.refl.bound = true;
    grads.refl.at1 = 2.0;  // g(x) = 2x
    sc.refl[2] = 0.5f;
    shade();
    EXPECT_NEAR(grads.refl.lastInput, 0.75, 1e-7);
    EXPECT_NEAR(sc.refl[2], 1.5, 1e-6);
    EXPECT_EQ(grads.spec.calls, 0);
}

TEST_F(ToonCase, HighlightsWithoutBandsOrFilterOrLengthStay) {
    p.diffBands = 0;
    sc.spec[1] = 0.7f;
    shade();
    EXPECT_FLOAT_EQ(sc.spec[1], 0.7f);  // no bands, no filter
    p.reflBands = 4;
    shade();
    EXPECT_FLOAT_EQ(sc.refl[0], 0.0f);  // zero length stays zero
    EXPECT_FALSE(std::isnan(sc.refl[1]));
}

}  // namespace
