// Render tests through the real road: scene files from scenes/, the built
// plug-ins, the renderer on several threads.
#include <cstdlib>

#include "testing/render_test_support.h"

namespace kvr {
namespace {

using nlohmann::json;
using test::meanDifference;
using test::objectMap;
using test::renderDocument;
using test::sceneDocument;

constexpr uint32_t kW = 96, kH = 64;

// Object indices of scenes/gooch.json.
enum GoochObject { kGround = 0, kBall = 1, kBox = 2, kRing = 3 };

class GoochScene : public ::testing::Test {
protected:
    void SetUp() override {
        if (!test::pluginBuilt("tepidon.kv")) GTEST_SKIP() << "tepidon.kv not built";
        doc_ = sceneDocument("gooch.json");
        map_ = objectMap(doc_, kW, kH);
    }
    auto on(int object) const {
        return [this, object](uint32_t x, uint32_t y) { return map_[size_t(y) * kW + x] == object; };
    }
    json doc_;
    std::vector<int> map_;
};

TEST_F(GoochScene, IsTheSameWhateverTheThreadCount) {
    ImageBuffer one = renderDocument(doc_, kW, kH, 3, 1);
    for (uint32_t threads : {2u, 5u, 0u}) {
        ImageBuffer many = renderDocument(doc_, kW, kH, 3, threads);
        ASSERT_EQ(many.width(), kW);
        for (uint32_t y = 0; y < kH; ++y)
            for (uint32_t x = 0; x < kW; ++x)
                for (int c = 0; c < 3; ++c)
                    ASSERT_EQ(one.at(x, y)[c], many.at(x, y)[c]) << threads << " threads, pixel " << x << "," << y;
    }
}

TEST_F(GoochScene, MaterialsReplaceHostShadingOnlyOnTheirObjects) {
    json host = doc_;
    for (json& o : host["objects"]) o.erase("material");
    ImageBuffer gooch = renderDocument(doc_, kW, kH, 1, 0);
    ImageBuffer plain = renderDocument(host, kW, kH, 1, 0);
    for (int object : {kBall, kBox, kRing}) EXPECT_GT(meanDifference(gooch, plain, on(object)), 10.0) << object;
    // The ground keeps the host's shading exactly (shadows included).
    EXPECT_EQ(meanDifference(gooch, plain, on(kGround)), 0.0);
    // Gooch tones: the fixed-light ball is warm (red over blue) at its centre
    // and blue at its rim.
    double cx = 0, cy = 0, n = 0;
    for (uint32_t y = 0; y < kH; ++y)
        for (uint32_t x = 0; x < kW; ++x)
            if (on(kBall)(x, y)) cx += x, cy += y, ++n;
    ASSERT_GT(n, 50);
    const uint32_t row = uint32_t(cy / n), col = uint32_t(cx / n);
    const Vec3 centre = gooch.at(col, row);
    EXPECT_GT(centre.x - centre.z, 0.1f);
    uint32_t rim = 0;
    while (rim < col && !on(kBall)(rim, row)) ++rim;
    const Vec3 edge = gooch.at(rim + 1, row);
    EXPECT_GT(edge.z - edge.x, 0.1f);
}

TEST_F(GoochScene, ChannelValuesFromTheSceneReachTheMaterial) {
    json lit = doc_;
    lit["materials"]["goochFixed"]["channels"]["useLights"] = true;
    json warm = doc_;
    warm["materials"]["goochFixed"]["channels"]["warmColor"] = {1.0, 0.0, 0.0};
    ImageBuffer base = renderDocument(doc_, kW, kH, 1, 0);
    EXPECT_GT(meanDifference(base, renderDocument(lit, kW, kH, 1, 0), on(kBall)), 5.0);
    ImageBuffer red = renderDocument(warm, kW, kH, 1, 0);
    EXPECT_GT(meanDifference(base, red, on(kBall)), 5.0);
    EXPECT_EQ(meanDifference(base, red, on(kBox)), 0.0);
}

TEST_F(GoochScene, TextureLayerDrivesTheWarmTint) {
    json plain = doc_;
    plain["materials"]["goochTextured"].erase("layers");
    ImageBuffer layered = renderDocument(doc_, kW, kH, 1, 0);
    ImageBuffer without = renderDocument(plain, kW, kH, 1, 0);
    EXPECT_GT(meanDifference(layered, without, on(kRing)), 3.0);
    EXPECT_EQ(meanDifference(layered, without, on(kBox)), 0.0);
    // A constant layer at full opacity equals setting the channel itself.
    json constant = doc_;
    constant["materials"]["goochTextured"]["layers"] =
        json::parse(R"([{"value": "tintWarm", "pattern": {"type": "constant", "value": 0.7}}])");
    json channel = plain;
    channel["materials"]["goochTextured"]["channels"]["tintWarm"] = 0.7;
    EXPECT_LT(meanDifference(renderDocument(constant, kW, kH, 1, 0), renderDocument(channel, kW, kH, 1, 0), on(kRing)),
              0.01);
}

TEST(PassthroughScene, KeepsTheHostsOwnShading) {
    if (!test::pluginBuilt("kvtest.kv")) GTEST_SKIP() << "kvtest.kv not built";
    json doc = sceneDocument("kvtest.json");
    json host = doc;
    for (json& o : host["objects"]) o.erase("material");
    ImageBuffer a = renderDocument(doc, 64, 48, 2, 0);
    ImageBuffer b = renderDocument(host, 64, 48, 2, 0);
    EXPECT_EQ(meanDifference(a, b, [](uint32_t, uint32_t) { return true; }), 0.0);
}

// Stored references, reviewed by eye. Regenerate after an intended change of
// the look with (from the source folder, after a build into build/):
//   build/bin/kvrender scenes/gooch.json --size 96x64 --spp 4 -o host/render/tests/references/gooch.png
//   build/bin/kvrender scenes/kvtest.json --size 96x72 --spp 4 -o host/render/tests/references/kvtest.png
TEST(ReferenceImages, MatchWithinTolerance) {
    struct Case {
        const char* scene;
        const char* plugin;
        uint32_t w, h;
    } cases[] = {{"gooch.json", "tepidon.kv", 96, 64}, {"kvtest.json", "kvtest.kv", 96, 72}};
    for (const Case& c : cases) {
        if (!test::pluginBuilt(c.plugin)) continue;
        std::string name = std::string(c.scene).substr(0, std::string(c.scene).find('.'));
        const ImageBuffer got = renderDocument(sceneDocument(c.scene), c.w, c.h, 4, 0);
        const ImageDifference d = test::compareWithReference(got, std::string(KV_REFERENCE_DIR) + "/" + name + ".png");
        ASSERT_TRUE(d.sameSize) << c.scene;
        EXPECT_LT(d.meanAbs, 1.0) << c.scene;
        EXPECT_LT(d.fractionAbove, 0.01) << c.scene;
    }
}

}  // namespace
}  // namespace kvr
