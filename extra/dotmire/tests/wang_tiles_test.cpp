// The recursive point tiles: their data, the flattening and the search.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "point_search.h"
#include "spacing_check.h"
#include "wang_tiles.h"

namespace Stipple_Shader {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

// The point itself and the edge copies that can come nearer than the limit.
float EdgeCopyDistance(const PatternPoint& p, float u, float v, float limit) {
    auto d = [&](float ox, float oy) {
        float dx = u - p.x - ox, dy = v - p.y - oy;
        return dx * dx + dy * dy;
    };
    float best = d(0.0f, 0.0f);
    if (limit > u * u) best = std::fmin(best, d(-1.0f, 0.0f));
    if (limit > v * v) best = std::fmin(best, d(0.0f, -1.0f));
    if (limit > (1.0f - u) * (1.0f - u)) best = std::fmin(best, d(1.0f, 0.0f));
    if (limit > (1.0f - v) * (1.0f - v)) best = std::fmin(best, d(0.0f, 1.0f));
    return best;
}

int32_t FirstWithin(const PatternPoint* list, int32_t count, float u, float v, float limit) {
    for (int32_t i = 0; i < count; ++i)
        if (EdgeCopyDistance(list[i], u, v, limit) < limit) return i;
    return -1;
}

TEST(WangTile, ChildBlocksAgreeOnEveryInnerEdge) {
    for (int t = 0; t < kWangTileCount; ++t) {
        const WangTile& tile = *WangTileSet[t];
        EXPECT_EQ(tile.subdivision, 4u);
        EXPECT_EQ(tile.reserved, 0u);
        for (uint32_t side = 0; side < 4; ++side)
            EXPECT_EQ(tile.edgeColours[side] >= 2, side % 2 == 0) << "tile " << t << " side " << side;
        for (int r = 0; r < 4; ++r) {
            for (int c = 0; c < 4; ++c) {
                ASSERT_LT(tile.children[4 * r + c], 8u);
                const WangTile& child = *WangTileSet[tile.children[4 * r + c]];
                if (c < 3) {
                    EXPECT_EQ(child.edgeColours[1], WangTileSet[tile.children[4 * r + c + 1]]->edgeColours[3])
                        << "tile " << t << " slot " << 4 * r + c;
                }
                if (r < 3) {
                    EXPECT_EQ(child.edgeColours[2], WangTileSet[tile.children[4 * r + c + 4]]->edgeColours[0])
                        << "tile " << t << " slot " << 4 * r + c;
                }
            }
        }
    }
}

TEST(WangTile, ListsAreTransformedTablePrefixesKeepingTheSpacing) {
    for (int t = 0; t < kWangTileCount; ++t) {
        const WangTile& tile = *WangTileSet[t];
        for (uint32_t i = 0; i < tile.countB; ++i) {
            const PatternPoint p = tile.listB[i];
            ASSERT_TRUE(p.x >= 0.0f && p.x < 1.0f && p.y >= 0.0f && p.y < 1.0f) << t << " " << i;
        }
    }
    EXPECT_EQ(testing::ProgressiveSpacingFault(WangTileSet[0]->listA, WangTileSet[0]->countA), "");
    EXPECT_EQ(testing::ProgressiveSpacingFault(WangTileSet[6]->listB, WangTileSet[6]->countB), "");
}

TEST(WangTile, TileAtFindsTheSubTileAndItsFrame) {
    float fx = 0.0f, fy = 0.0f;
    EXPECT_EQ(WangTileSampler::TileAt(WangTileSet[0], &fx, &fy, 0.3f, 0.8f), 13);
    EXPECT_NEAR(fx, 0.2f, 1e-6f);
    EXPECT_NEAR(fy, 0.2f, 1e-6f);
    EXPECT_EQ(WangTileSampler::TileAt(WangTileSet[3], nullptr, nullptr, 0.0f, 0.0f), 0);
    EXPECT_EQ(WangTileSampler::TileAt(WangTileSet[3], nullptr, nullptr, 0.99f, 0.99f), 15);
    EXPECT_EQ(WangTileSampler::TileAt(nullptr, nullptr, nullptr, kNaN, 1e30f), 16777216 * 4);
}

TEST(WangTile, FlattenLaysSubTilesOutLevelByLevel) {
    WangTileSampler sampler;
    EXPECT_EQ(sampler.FlattenA(WangTileSet[7]), 8124);
    ASSERT_EQ(sampler.FlattenedCount(), 8124);
    for (int k = 0; k < 16; ++k) {
        const PatternPoint p = sampler.Flattened()[k];
        EXPECT_EQ(WangTileSampler::TileAt(WangTileSet[7], nullptr, nullptr, p.x, p.y), k);
        const WangTile& child = *WangTileSet[WangTileSet[7]->children[k]];
        EXPECT_FLOAT_EQ(p.x, child.listA[0].x / 4.0f + static_cast<float>(k % 4) / 4.0f);
        EXPECT_FLOAT_EQ(p.y, child.listA[0].y / 4.0f + static_cast<float>(k / 4) / 4.0f);
    }
    for (int k = 0; k < sampler.FlattenedCount(); ++k) {
        const PatternPoint p = sampler.Flattened()[k];
        ASSERT_TRUE(p.x >= 0.0f && p.x < 1.0f && p.y >= 0.0f && p.y < 1.0f) << k;
    }
    EXPECT_EQ(sampler.FlattenA(WangTileSet[0]), 8127);  // replaces the list
    EXPECT_EQ(sampler.FlattenedCount(), 8127);
    uint32_t totalB = 0;
    for (uint32_t child : WangTileSet[2]->children) totalB += WangTileSet[child]->countB;
    EXPECT_EQ(sampler.FlattenB(WangTileSet[2]), static_cast<int32_t>(totalB));
    EXPECT_EQ(sampler.FlattenA(nullptr), 0);
    EXPECT_EQ(sampler.FlattenedCount(), 0);
}

TEST(WangTile, SubdivideSearchesTheListThatHoldsEnoughPoints) {
    const WangTileSampler sampler;
    const WangTile& tile0 = *WangTileSet[0];
    std::mt19937 rng(21);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    for (int trial = 0; trial < 300; ++trial) {
        const float u = unit(rng), v = unit(rng);
        // n = 100: list A (509 points).
        float limit = DotLimit(100, 2.0f);
        float d = 0.0f;
        ASSERT_EQ(sampler.Subdivide(nullptr, 100, &d, u, v, limit), FirstWithin(tile0.listA, 100, u, v, limit));
        // n = 2000: list B.
        limit = DotLimit(2000, 2.0f);
        ASSERT_EQ(sampler.Subdivide(&tile0, 2000, &d, u, v, limit), FirstWithin(tile0.listB, 2000, u, v, limit));
        // n = 8000: the sub-tile's list B in its frame, same dot radius.
        limit = DotLimit(8000, 2.0f);
        float fx, fy;
        const int slot = WangTileSampler::TileAt(&tile0, &fx, &fy, u, v);
        const WangTile& sub = *WangTileSet[tile0.children[slot]];
        ASSERT_EQ(sampler.Subdivide(&tile0, 8000, &d, u, v, limit),
                  FirstWithin(sub.listB, sub.countB, fx, fy, limit * 16.0f));
    }
    float d = 0.0f;
    const PatternPoint p = tile0.listA[42];
    EXPECT_EQ(sampler.Subdivide(nullptr, 100, &d, p.x, p.y, 0.0f), 42);  // the nearest, at 0
    EXPECT_EQ(d, 0.0f);
    EXPECT_EQ(sampler.Subdivide(nullptr, 0, &d, 0.5f, 0.5f, 1.0f), -1);
    EXPECT_EQ(d, -1.0f);
    EXPECT_EQ(sampler.DotIndex(1024, 1.0f, 0.5f, 0.5f, kNaN), -1);
    EXPECT_EQ(sampler.DotIndex(1024, 1.0f, 0.5f, 0.5f, 0.0f), -1);
}

TEST(WangTile, SubdivideWrapsPositionsOutsideTheTileBeforeDescending) {
    const WangTileSampler sampler;
    const float limit = DotLimit(8000, 4.0f);
    float a = 0.0f, b = 0.0f;
    for (float u : {0.3f, 0.05f, 0.91f}) {
        const int32_t inside = sampler.Subdivide(nullptr, 8000, &a, u, 0.8f, -1.0f);
        EXPECT_EQ(sampler.Subdivide(nullptr, 8000, &b, u + 1.0f, 0.8f - 1.0f, -1.0f), inside);
        EXPECT_NEAR(a, b, 1e-5f);
        EXPECT_EQ(sampler.Subdivide(nullptr, 8000, &b, u - 3.0f, 0.8f + 2.0f, limit),
                  sampler.Subdivide(nullptr, 8000, &a, u, 0.8f, limit));
    }
    for (float bad : {kNaN, std::numeric_limits<float>::infinity(), -1e30f, -1e-9f})
        EXPECT_GE(sampler.Subdivide(nullptr, 8000, &b, bad, bad, -1.0f), -1);
}

}  // namespace
}  // namespace Stipple_Shader
