// The sample scene rendered by the stand-in host: ink sits on the silhouettes
// of the balls and nowhere inside them, and the whole image matches the
// reference reviewed by eye.
//
// Regenerate the reference after an intended change of the look with (from
// the source folder, after a build into build/):
//   build/bin/kvrender scenes/edge-ink.json --size 240x160 --spp 4 -o extra/rimquill/tests/references/edge-ink.png
#include <gtest/gtest.h>

#include <vector>

#include "testing/render_test_support.h"

namespace {

constexpr uint32_t kW = 240, kH = 160;
// Object indices in scenes/edge-ink.json.
enum { kGround, kBall, kBox, kFront, kMirror, kGlass };

struct Rendered {
    kvr::ImageBuffer image;
    std::vector<int> objects;  // object seen through each pixel centre, -1 for the background
};

Rendered Render(const nlohmann::json& doc)
{
    return {kvr::test::renderDocument(doc, kW, kH, 4, 0), kvr::test::objectMap(doc, kW, kH)};
}

float Luma(const kvr::Vec3& c) { return 0.3f * c.x + 0.59f * c.y + 0.11f * c.z; }
constexpr float kInkLuma = 0.3f * 0.05f + 0.59f * 0.05f + 0.11f * 0.08f;  // the scene's edgeColor

class EdgeInkRender : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (!kvr::test::pluginBuilt("rimquill.kv")) return;
        nlohmann::json doc = kvr::test::sceneDocument("edge-ink.json");
        inked_ = new Rendered(Render(doc));
        for (auto& o : doc["objects"]) o.erase("material");
        plain_ = new Rendered(Render(doc));
    }
    static void TearDownTestSuite()
    {
        delete inked_;
        delete plain_;
        inked_ = plain_ = nullptr;
    }
    void SetUp() override
    {
        if (!inked_) GTEST_SKIP() << "rimquill.kv not built";
        ASSERT_EQ(inked_->image.width(), kW);
    }

    int Object(int x, int y) const
    {
        if (x < 0 || y < 0 || x >= int(kW) || y >= int(kH)) return -2;
        return inked_->objects[size_t(y) * kW + x];
    }
    // Pixels of `object` whose distance to another object, in pixels, is `ring`
    // (1: on the silhouette) or at least `ring` when `inside`.
    bool AtRing(int x, int y, int object, int ring, bool inside) const
    {
        if (Object(x, y) != object) return false;
        int nearest = 99;
        for (int dy = -4; dy <= 4; ++dy)
            for (int dx = -4; dx <= 4; ++dx)
                if (Object(x + dx, y + dy) != object) nearest = std::min(nearest, std::max(std::abs(dx), std::abs(dy)));
        return inside ? nearest >= ring : nearest == ring;
    }
    // Moved at least halfway from the host's colour towards the ink's, in
    // brightness (the shaded side of a ball is already dark).
    bool Inked(int x, int y) const
    {
        const float plain = Luma(plain_->image.at(x, y));
        return plain - Luma(inked_->image.at(x, y)) > 0.5f * (plain - kInkLuma);
    }
    // Ink on the pixel or, with `near`, on one of its eight neighbours (the
    // line straddles the silhouette).
    bool InkedAround(int x, int y, bool near) const
    {
        if (!near) return Inked(x, y);
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (Object(x + dx, y + dy) != -2 && Inked(x + dx, y + dy)) return true;
        return false;
    }
    // Share of the pixels selected by `pick` that carry ink.
    template <class Pick>
    double InkShare(Pick pick, bool near, int* count) const
    {
        int n = 0, ink = 0;
        for (int y = 0; y < int(kH); ++y)
            for (int x = 0; x < int(kW); ++x)
                if (pick(x, y)) {
                    ++n;
                    ink += InkedAround(x, y, near);
                }
        *count = n;
        return n ? double(ink) / n : 0.0;
    }

    static Rendered* inked_;
    static Rendered* plain_;
};
Rendered* EdgeInkRender::inked_ = nullptr;
Rendered* EdgeInkRender::plain_ = nullptr;

}  // namespace

TEST_F(EdgeInkRender, LinesSitOnTheSilhouettesOfTheBalls)
{
    for (int object : {kBall, kFront}) {
        int rim = 0, inside = 0;
        const double onRim = InkShare([&](int x, int y) { return AtRing(x, y, object, 1, false); }, true, &rim);
        const double within = InkShare([&](int x, int y) { return AtRing(x, y, object, 4, true); }, false, &inside);
        ASSERT_GT(rim, 20) << object;
        ASSERT_GT(inside, 100) << object;
        EXPECT_GT(onRim, 0.95) << object;   // the outline is drawn without gaps...
        EXPECT_LT(within, 0.01) << object;  // ...and the smooth inside is not
    }
}

TEST_F(EdgeInkRender, CubeFacesMeetInALine)
{
    // Across the cube every column crosses at least one crease or outline.
    int columns = 0, crossed = 0;
    for (int x = 0; x < int(kW); ++x) {
        int inBox = 0, ink = 0;
        for (int y = 0; y < int(kH); ++y)
            if (Object(x, y) == kBox && Object(x - 3, y) == kBox && Object(x + 3, y) == kBox) {
                ++inBox;
                ink += Inked(x, y);
            }
        if (inBox < 20) continue;
        ++columns;
        crossed += ink > 0;
    }
    ASSERT_GT(columns, 10);
    EXPECT_GT(double(crossed) / columns, 0.9);
}

TEST_F(EdgeInkRender, MatchesTheReference)
{
    const kvr::ImageDifference d =
        kvr::test::compareWithReference(inked_->image, std::string(KV_REFERENCE_DIR) + "/edge-ink.png");
    ASSERT_TRUE(d.sameSize);
    EXPECT_LT(d.meanAbs, 1.0);
    EXPECT_LT(d.fractionAbove, 0.01);
}
