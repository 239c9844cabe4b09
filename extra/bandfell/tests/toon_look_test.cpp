// The toon look in renders: flat bands in order of the light, and the sample
// scene against its reference image, reviewed by eye. Regenerate the
// reference after an intended change of the look with (from the source
// folder, after a build into build/):
//   build/bin/kvrender scenes/toon.json --size 160x90 --spp 4 -o extra/bandfell/tests/references/toon.png
#include <gtest/gtest.h>

#include <cmath>

#include "testing/render_test_support.h"

namespace {

using kvr::ImageBuffer;

// One sphere lit from +x in three flat bands: red in the dark, green in the
// middle, blue in the light.
const char* kBands = R"({
  "materials": {"bands": {"plugin": "bandfell.kv", "server": "toon", "channels": {
      "diffBands": 3,
      "bandStart1": 0.0, "bandColor1": [1, 0, 0], "bandAlpha1": 1.0,
      "bandStart2": 0.3, "bandColor2": [0, 1, 0], "bandAlpha2": 1.0,
      "bandStart3": 0.7, "bandColor3": [0, 0, 1], "bandAlpha3": 1.0}}},
  "camera": {"position": [0, 0, 8], "target": [0, 0, 0], "focalLen": 0.05, "apertureX": 0.036},
  "lights": [{"type": "distant", "direction": [-1, 0, 0], "colour": [1, 1, 1], "intensity": 1.0, "shadows": false}],
  "ambient": [0.05, 0.05, 0.05],
  "background": [1, 1, 1],
  "objects": [{"name": "ball", "shape": "sphere", "material": "bands", "surface": {"diffuse": [0.8, 0.8, 0.8]}}],
  "render": {"width": 120, "height": 60, "spp": 1}
})";

// Index of the band colour c is (0 red, 1 green, 2 blue), -1 for any other.
int BandOf(const kvr::Vec3& c) {
    for (int b = 0; b < 3; ++b) {
        bool match = true;
        for (int k = 0; k < 3; ++k) match = match && std::fabs(c[k] - (k == b ? 1.0f : 0.0f)) < 1e-5f;
        if (match) return b;
    }
    return -1;
}

TEST(ToonLook, FlatBandsOrderedByTheLight) {
    if (!kvr::test::pluginBuilt("bandfell.kv")) GTEST_SKIP() << "bandfell.kv not built";
    const nlohmann::json doc = nlohmann::json::parse(kBands);
    const ImageBuffer img = kvr::test::renderDocument(doc, 120, 60, 1, 2);
    const std::vector<int> objects = kvr::test::objectMap(doc, 120, 60);
    ASSERT_EQ(img.width(), 120u);
    int last = -1, seen[3] = {0, 0, 0};
    for (uint32_t x = 0; x < 120; ++x) {  // left (dark) to right (lit) along the middle row
        if (objects[30 * 120 + x] < 0) continue;
        const int band = BandOf(img.at(x, 30));
        ASSERT_GE(band, 0) << "pixel " << x << " is no band colour";
        EXPECT_GE(band, last) << "pixel " << x << ": bands out of order";
        last = band;
        ++seen[band];
    }
    for (int b = 0; b < 3; ++b) EXPECT_GT(seen[b], 3) << "band " << b + 1;
}

TEST(ToonLook, SampleSceneMatchesItsReference) {
    if (!kvr::test::pluginBuilt("bandfell.kv")) GTEST_SKIP() << "bandfell.kv not built";
    const ImageBuffer got = kvr::test::renderDocument(kvr::test::sceneDocument("toon.json"), 160, 90, 4, 0);
    const kvr::ImageDifference d = kvr::test::compareWithReference(got, std::string(KV_REFERENCE_DIR) + "/toon.png");
    ASSERT_TRUE(d.sameSize);
    EXPECT_LT(d.meanAbs, 1.0);
    EXPECT_LT(d.fractionAbove, 0.01);
}

}  // namespace
