// Shared shading vocabulary: tone curves, diffuse mix, popup lists, name matching.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "shader/channel_table.h"
#include "shader/diffuse_mix.h"
#include "shader/popup_lists.h"
#include "shader/tone_curves.h"

namespace {

using namespace kv::shader;

TEST(ToneCurves, KnownValues) {
    EXPECT_FLOAT_EQ(normalOffset(0.5f, 1.0f, 0.0f), 0.5f);
    EXPECT_FLOAT_EQ(depthOffset(0.3f, 0.0f), 0.0f);
    EXPECT_NEAR(depthOffset(1.0f, 1.0f), std::exp(1.0f) - 1.0f, 1e-5f);
    EXPECT_NEAR(normalOffset(0.2f, 0.7f, 40.0f), 0.7f, 1e-4f);
}

TEST(DiffuseMix, ShadowsSelectLitOrUnshadowedAndBlackGivesZeroRatio) {
    st_KVpShadeComponents sc{};
    st_KVpSampleParms parms{};
    for (int c = 0; c < 3; ++c) {
        sc.diffLit[c] = 0.2f;
        sc.indirect[c] = 0.5f;
        sc.diffUnshad[c] = 0.6f;
        parms.diffCol[c] = 0.5f;
    }
    parms.diffAmt = 1.0f;
    DiffuseMix m = diffuseMix(sc, parms, 1.0f, 0.5f);
    EXPECT_FLOAT_EQ(m.illumination[0], 0.2f + 0.25f);
    EXPECT_NEAR(m.ratio, 0.45f / 0.5f, 1e-6f);
    m = diffuseMix(sc, parms, 0.0f, 0.5f);
    EXPECT_FLOAT_EQ(m.illumination[1], 0.6f + 0.25f);
    parms.diffAmt = 0.0f;
    EXPECT_EQ(diffuseMix(sc, parms, 1.0f, 1.0f).ratio, 0.0f);
    parms.diffAmt = 1e-38f;  // a denormal brightness: the quotient would overflow
    for (int c = 0; c < 3; ++c) sc.diffLit[c] = 1e6f;
    EXPECT_EQ(diffuseMix(sc, parms, 1.0f, 0.0f).ratio, 0.0f);
}

TEST(PopupLists, RowsEndWithNameAndTerminator) {
    EXPECT_STREQ(hint_NPRColorMode[2].text, "scratch");
    EXPECT_EQ(hint_NPRColorMode[3].value, -1);
    EXPECT_STREQ(hint_NPRColorMode[3].text, "=npr-colormode");
    EXPECT_EQ(hint_NPRColorMode[4].text, nullptr);
    EXPECT_STREQ(hint_NPRScreenCoordsMode[1].text, "surfaceFlow");
    EXPECT_STREQ(hint_NPRScreenCoordsMode[2].text, "=npr-screenmode");
    EXPECT_EQ(hint_NPRScreenCoordsMode[3].text, nullptr);
}

TEST(ChannelMatch, ExactAndPrefix) {
    const ChannelMatch exact{"tintWarm"}, prefix{"coolColor", true};
    EXPECT_TRUE(exact.matches("tintWarm"));
    EXPECT_FALSE(exact.matches("tintWarm.R"));
    EXPECT_TRUE(prefix.matches("coolColor.G"));
    EXPECT_FALSE(prefix.matches("cool"));
    EXPECT_FALSE(prefix.matches(nullptr));
}

}  // namespace
