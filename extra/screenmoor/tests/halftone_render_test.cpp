// scenes/halftone.json through the renderer: cells sized by the light, the
// highlight drawn in cells of its own colour, and the stored reference render.
#include <algorithm>

#include "testing/render_test_support.h"

namespace {

using kvr::ImageBuffer;
using namespace kvr::test;

constexpr uint32_t kW = 240, kH = 160;
enum HalftoneObject { kGround = 0, kDotBall = 1, kShinyBall = 2, kRing = 3 };

struct Region {
    double ink = 0;  // mean darkness, 1 - mean of the three channels
    int pixels = 0;
    int highlight = 0;  // pixels in the highlight's orange
};

// The object's pixels in the upper or the lower half of its bounding box
// (the light comes from above).
Region Measure(const ImageBuffer& img, const std::vector<int>& map, int object, bool upper) {
    uint32_t x0 = kW, x1 = 0, y0 = kH, y1 = 0;
    for (uint32_t y = 0; y < kH; ++y)
        for (uint32_t x = 0; x < kW; ++x)
            if (map[size_t(y) * kW + x] == object) {
                x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
            }
    Region r;
    for (uint32_t y = y0; y <= y1 && y0 <= y1; ++y)
        for (uint32_t x = x0; x <= x1; ++x) {
            if (map[size_t(y) * kW + x] != object) continue;
            const bool isUpper = (y - y0) < (y1 - y0) / 2;
            if (isUpper != upper) continue;
            const kvr::Vec3 c = img.at(x, y);
            r.ink += 1.0 - (c[0] + c[1] + c[2]) / 3.0;
            r.highlight += c[0] > 0.75f && c[1] > 0.55f && c[2] < 0.45f;
            ++r.pixels;
        }
    if (r.pixels) r.ink /= r.pixels;
    return r;
}

TEST(HalftoneScene, CellsFollowTheLightAndMatchTheReference) {
    if (!pluginBuilt("screenmoor.kv")) GTEST_SKIP() << "screenmoor.kv not built";
    const nlohmann::json doc = sceneDocument("halftone.json");
    const std::vector<int> map = objectMap(doc, kW, kH);
    const ImageBuffer got = renderDocument(doc, kW, kH, 4, 0);
    ASSERT_EQ(got.width(), kW);

    // The dotted sphere: small dots where it is lit, large ones below.
    const Region litTop = Measure(got, map, kDotBall, true);
    const Region darkBottom = Measure(got, map, kDotBall, false);
    ASSERT_GT(litTop.pixels, 100);
    EXPECT_LT(litTop.ink + 0.2, darkBottom.ink);
    EXPECT_EQ(litTop.highlight + darkBottom.highlight, 0);
    // The shiny sphere: its highlight is drawn in cells of the highlight's colour.
    const Region shinyTop = Measure(got, map, kShinyBall, true);
    EXPECT_GT(shinyTop.highlight, 20);
    // The ring in surface flow and the ground in crosshatch carry ink too.
    EXPECT_GT(Measure(got, map, kRing, false).ink, 0.2);
    EXPECT_GT(Measure(got, map, kGround, false).ink, 0.05);

    // Regenerate after an intended change of the look (from the source folder):
    //   build/bin/kvrender scenes/halftone.json --size 240x160 --spp 4 -o extra/screenmoor/tests/references/halftone.png
    const kvr::ImageDifference d = compareWithReference(got, std::string(KV_REFERENCE_DIR) + "/halftone.png");
    ASSERT_TRUE(d.sameSize);
    EXPECT_LT(d.meanAbs, 1.0);
    EXPECT_LT(d.fractionAbove, 0.01);
}

}  // namespace
