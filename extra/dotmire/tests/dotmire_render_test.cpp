// scenes/stipple.json and scenes/dab.json through the renderer: the marks
// gather where the spheres turn from the light, and the stored references.
#include "testing/render_test_support.h"

namespace {

using kvr::ImageBuffer;
using namespace kvr::test;

constexpr uint32_t kW = 240, kH = 160;

// Mean luminance of one object's pixels in the left or the right half of its
// screen extent (the light comes from the right).
double HalfLuminance(const ImageBuffer& img, const std::vector<int>& map, int object, bool left) {
    uint32_t x0 = kW, x1 = 0;
    for (uint32_t y = 0; y < kH; ++y)
        for (uint32_t x = 0; x < kW; ++x)
            if (map[size_t(y) * kW + x] == object) x0 = std::min(x0, x), x1 = std::max(x1, x);
    const uint32_t mid = (x0 + x1) / 2;
    double sum = 0;
    int n = 0;
    for (uint32_t y = 0; y < kH; ++y)
        for (uint32_t x = 0; x < kW; ++x)
            if (map[size_t(y) * kW + x] == object && (left ? x < mid : x > mid)) {
                const kvr::Vec3& p = img.at(x, y);
                sum += 0.3 * p.x + 0.59 * p.y + 0.11 * p.z;
                ++n;
            }
    EXPECT_GT(n, 50) << "object " << object << " barely visible";
    return n ? sum / n : 0.0;
}

void ExpectReference(const ImageBuffer& got, const char* file) {
    const kvr::ImageDifference d = compareWithReference(got, std::string(KV_REFERENCE_DIR) + "/" + file);
    ASSERT_TRUE(d.sameSize);
    EXPECT_LT(d.meanAbs, 1.0);
    EXPECT_LT(d.fractionAbove, 0.01);
}

// Regenerate after an intended change of the look (from the source folder):
//   build/bin/kvrender scenes/stipple.json --size 240x160 --spp 4 -o extra/dotmire/tests/references/stipple.png
//   build/bin/kvrender scenes/dab.json --size 240x160 --spp 4 -o extra/dotmire/tests/references/dab.png

TEST(DotmireScenes, StippleDarkensTowardsTheShadedSide) {
    if (!pluginBuilt("dotmire.kv")) GTEST_SKIP() << "dotmire.kv not built";
    const nlohmann::json doc = sceneDocument("stipple.json");
    const std::vector<int> map = objectMap(doc, kW, kH);
    const ImageBuffer got = renderDocument(doc, kW, kH, 4, 0);
    ASSERT_EQ(got.width(), kW);
    for (int sphere : {1, 2}) EXPECT_LT(HalfLuminance(got, map, sphere, true), HalfLuminance(got, map, sphere, false) - 0.05);
    ExpectReference(got, "stipple.png");
}

TEST(DotmireScenes, DabsFollowTheTone) {
    if (!pluginBuilt("dotmire.kv")) GTEST_SKIP() << "dotmire.kv not built";
    const nlohmann::json doc = sceneDocument("dab.json");
    const std::vector<int> map = objectMap(doc, kW, kH);
    const ImageBuffer got = renderDocument(doc, kW, kH, 4, 0);
    ASSERT_EQ(got.width(), kW);
    EXPECT_LT(HalfLuminance(got, map, 1, true), HalfLuminance(got, map, 1, false) - 0.05);
    ExpectReference(got, "dab.png");
}

}  // namespace
