// scenes/sketchtone.json through the renderer: dense spots on the shadowed
// side of each ball, open paper on the lit side, and the stored reference.
#include "testing/render_test_support.h"

namespace {

using kvr::ImageBuffer;
using namespace kvr::test;

constexpr uint32_t kW = 240, kH = 160;
enum SketchObject { kGround = 0, kTextureBall = 1, kFlowBall = 2 };

// Fraction of an object's pixels inked (darker than half grey) on its lit
// upper right and on its shadowed lower left, split at its centroid.
struct InkSides {
    double lit, shadowed;
};
InkSides Ink(const ImageBuffer& img, const std::vector<int>& map, int object) {
    double cx = 0, cy = 0;
    int n = 0;
    for (uint32_t y = 0; y < kH; ++y)
        for (uint32_t x = 0; x < kW; ++x)
            if (map[size_t(y) * kW + x] == object) {
                cx += x;
                cy += y;
                ++n;
            }
    EXPECT_GT(n, 100) << "object " << object << " barely visible";
    if (!n) return {0, 0};
    cx /= n;
    cy /= n;
    int lit = 0, litInk = 0, dark = 0, darkInk = 0;
    for (uint32_t y = 0; y < kH; ++y)
        for (uint32_t x = 0; x < kW; ++x) {
            if (map[size_t(y) * kW + x] != object) continue;
            const bool inked = img.at(x, y)[0] < 0.5f;
            if (x > cx && y < cy) lit++, litInk += inked;
            if (x < cx && y > cy) dark++, darkInk += inked;
        }
    return {lit ? double(litInk) / lit : 0.0, dark ? double(darkInk) / dark : 0.0};
}

TEST(SketchToneScene, SpotsFollowTheToneAndMatchTheReference) {
    if (!pluginBuilt("pencrest.kv")) GTEST_SKIP() << "pencrest.kv not built";
    const nlohmann::json doc = sceneDocument("sketchtone.json");
    const std::vector<int> map = objectMap(doc, kW, kH);
    const ImageBuffer got = renderDocument(doc, kW, kH, 4, 0);
    ASSERT_EQ(got.width(), kW);
    for (int ball : {kTextureBall, kFlowBall}) {
        const InkSides ink = Ink(got, map, ball);
        EXPECT_LT(ink.lit, 0.1) << "ball " << ball;
        EXPECT_GT(ink.shadowed, 0.3) << "ball " << ball;
    }
    const InkSides ground = Ink(got, map, kGround);
    EXPECT_GT(ground.lit + ground.shadowed, 0.1);  // the hatching shows on the ground

    // Regenerate after an intended change of the look (from the source folder):
    //   build/bin/kvrender scenes/sketchtone.json --size 240x160 --spp 4 -o extra/pencrest/tests/references/sketchtone.png
    const kvr::ImageDifference d = compareWithReference(got, std::string(KV_REFERENCE_DIR) + "/sketchtone.png");
    ASSERT_TRUE(d.sameSize);
    EXPECT_LT(d.meanAbs, 1.0);
    EXPECT_LT(d.fractionAbove, 0.01);
}

}  // namespace
