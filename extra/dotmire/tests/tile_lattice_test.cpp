// The tile lattice: its data, lookup and the two searches.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "tile_lattice.h"

namespace Stipple_Shader {
namespace {

float Plain(const PatternPoint& p, float x, float y) {
    float dx = x - p.x, dy = y - p.y;
    return dx * dx + dy * dy;
}

// Smallest distance between tile s and tile t shifted by (ox, oy).
float Across(const LatticeTile& s, const LatticeTile& t, float ox, float oy) {
    float best = 10.0f;
    for (int i = 0; i < s.count; ++i)
        for (int j = 0; j < t.count; ++j)
            best = std::fmin(best, std::sqrt(Plain(s.points[i], t.points[j].x + ox, t.points[j].y + oy)));
    return best;
}

int Corner(int tile, int k) { return (tile >> k) & 1; }  // k: (0,0), (0,1), (1,0), (1,1)

TEST(TileLattice, RecordsAreSortedAndSpacedAcrossLegalSeams) {
    const TileLattice lattice;
    EXPECT_EQ(lattice.entries, 16);
    EXPECT_EQ(lattice.colours, 2);
    EXPECT_EQ(lattice.radius, 0.075984f);
    constexpr float kLeast = 0.12f - 1e-6f;
    for (int s = 0; s < 16; ++s) {
        const LatticeTile& tile = *lattice.table[s];
        EXPECT_EQ(tile.kind, 2);
        ASSERT_EQ(tile.count, 32);
        EXPECT_EQ(tile.number, s);
        for (int k = 0; k < 32; ++k) {
            const PatternPoint p = tile.points[k];
            EXPECT_TRUE(p.x >= 0.000328f && p.x <= 0.98f && p.y >= 0.000328f && p.y <= 0.98f) << s << " " << k;
            if (k > 0) {
                EXPECT_LE(tile.points[k - 1].x, p.x) << s << " " << k;
            }
            for (int j = 0; j < k; ++j) EXPECT_GE(std::sqrt(Plain(tile.points[j], p.x, p.y)), kLeast);
        }
        for (int t = 0; t < 16; ++t) {
            const LatticeTile& other = *lattice.table[t];
            if (Corner(s, 2) == Corner(t, 0) && Corner(s, 3) == Corner(t, 1)) {
                EXPECT_GE(Across(tile, other, 1.0f, 0.0f), kLeast) << s << " left of " << t;
            }
            if (Corner(s, 1) == Corner(t, 0) && Corner(s, 3) == Corner(t, 2)) {
                EXPECT_GE(Across(tile, other, 0.0f, 1.0f), kLeast) << s << " below " << t;
            }
            if (Corner(s, 3) == Corner(t, 0)) {
                EXPECT_GE(Across(tile, other, 1.0f, 1.0f), kLeast) << s << " below left of " << t;
            }
            if (Corner(s, 2) == Corner(t, 1)) {
                EXPECT_GE(Across(tile, other, 1.0f, -1.0f), kLeast) << s << " above left of " << t;
            }
        }
    }
    // Tiles with the same left-hand corners share the points along that edge.
    for (int t : {4, 8, 12})
        for (int k = 0; k < 4; ++k) {
            EXPECT_EQ(lattice.table[t]->points[k].x, lattice.table[0]->points[k].x);
            EXPECT_EQ(lattice.table[t]->points[k].y, lattice.table[0]->points[k].y);
        }
}

TEST(TileLattice, LookupTakesCornerColoursModuloTwo) {
    const TileLattice lattice;
    EXPECT_EQ(lattice.Lookup(1, 0, 1, 1)->number, 13);
    EXPECT_EQ(lattice.Lookup(3, 2, 5, 4)->number, 5);
    EXPECT_EQ(lattice.Lookup(0, 0, 0, 0)->number, 0);
    EXPECT_EQ(lattice.Lookup(1, 1, 1, 1)->number, 15);
    EXPECT_EQ(lattice.Lookup(-1, 0, 0, 0)->number, 0);  // no entry: the first
}

TEST(TileLattice, SearchTileScansInOrderAndRefusesSmallTiles) {
    const TileLattice lattice;
    const LatticeTile& tile = *lattice.table[6];
    const PatternPoint p = tile.points[20];
    float d = -1.0f;
    EXPECT_EQ(SearchTile(&tile, 32, &d, p.x, p.y, 1e-6f), 20);
    EXPECT_EQ(d, 0.0f);
    d = -1.0f;
    EXPECT_LT(SearchTile(&tile, 20, &d, p.x, p.y, 1e-6f), 20);  // point 20 is past the prefix
    EXPECT_GT(d, 1e-6f);
    d = -1.0f;
    const int32_t nearest = SearchTile(&tile, 32, &d, 0.5f, 0.5f, 0.0f);
    for (int k = 0; k < 32; ++k) EXPECT_LE(d, Plain(tile.points[k], 0.5f, 0.5f));
    EXPECT_EQ(d, Plain(tile.points[nearest], 0.5f, 0.5f));
    // An incoming distance that nothing beats: −1, the distance unchanged.
    d = 1e-9f;
    EXPECT_EQ(SearchTile(&tile, 32, &d, 0.5f, 0.5f, 0.0f), -1);
    EXPECT_EQ(d, 1e-9f);
    const LatticeTile nine{2, 9, 0, tile.points};
    d = 0.25f;
    EXPECT_EQ(SearchTile(&nine, 9, &d, p.x, p.y, 1.0f), -1);
    EXPECT_EQ(d, 0.25f);
    EXPECT_EQ(SearchTile(nullptr, 9, &d, p.x, p.y, 1.0f), -1);
    EXPECT_EQ(d, 0.25f);
}

TEST(TileLattice, SearchNeighboursFindsThePointAcrossACorner) {
    PatternPoint far[10], corner[10];
    for (int k = 0; k < 10; ++k) {
        far[k] = {0.4f + 0.02f * k, 0.5f};
        corner[k] = {0.5f, 0.3f + 0.02f * k};
    }
    corner[3] = {0.01f, 0.02f};
    const LatticeTile centre{2, 10, 0, far}, diagonal{2, 10, 1, corner};
    LatticeNeighbours nb{};
    nb.tiles[LatticeNeighbours::kPlusXPlusY] = &diagonal;
    const TileLattice lattice;
    float d = 0.0f;
    EXPECT_EQ(lattice.SearchNeighbours(&centre, nb, 10, &d, 0.99f, 0.99f, 1.0f), 3);
    EXPECT_NEAR(d, 0.02f * 0.02f + 0.03f * 0.03f, 1e-7f);
    // The limit is capped at the lattice radius: that corner point is too far.
    EXPECT_EQ(lattice.SearchNeighbours(&centre, nb, 10, &d, 0.95f, 0.95f, 1.0f), -1);
    // With no limit the nearest point found wins, here the diagonal's.
    EXPECT_EQ(lattice.SearchNeighbours(&centre, nb, 10, &d, 0.95f, 0.95f, -1.0f), 3);
    EXPECT_EQ(lattice.SearchNeighbours(&centre, nb, 0, &d, 0.99f, 0.99f, 1.0f), -1);
    EXPECT_EQ(d, -1.0f);
    EXPECT_EQ(lattice.SearchNeighbours(nullptr, nb, 10, &d, 0.99f, 0.99f, 1.0f), -1);
}

TEST(TileLattice, SearchNeighboursMatchesTheNearestAcrossALegalArrangement) {
    const TileLattice lattice;
    // Corner colours on a 3 × 3 block of vertices; each tile is looked up from its four.
    const int colour[4][4] = {{0, 1, 1, 0}, {1, 1, 0, 0}, {0, 0, 1, 1}, {1, 0, 0, 1}};
    auto tileAt = [&](int i, int j) {  // tile column i, row j of the 3 × 3 block
        return lattice.Lookup(colour[i][j], colour[i][j + 1], colour[i + 1][j], colour[i + 1][j + 1]);
    };
    LatticeNeighbours nb{};
    const int offsets[8][2] = {{1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}, {-1, -1}, {0, -1}, {1, -1}};
    for (int s = 0; s < 8; ++s) nb.tiles[s] = tileAt(1 + offsets[s][0], 1 + offsets[s][1]);
    const LatticeTile* centre = tileAt(1, 1);
    std::mt19937 rng(4);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    for (int trial = 0; trial < 300; ++trial) {
        const float x = unit(rng), y = unit(rng);
        float want = 10.0f;
        for (int s = -1; s < 8; ++s) {
            const LatticeTile* t = s < 0 ? centre : nb.tiles[s];
            const float ox = s < 0 ? 0.0f : static_cast<float>(offsets[s][0]);
            const float oy = s < 0 ? 0.0f : static_cast<float>(offsets[s][1]);
            for (int k = 0; k < t->count; ++k) want = std::fmin(want, Plain(t->points[k], x - ox, y - oy));
        }
        float d = 0.0f;
        ASSERT_GE(lattice.SearchNeighbours(centre, nb, 32, &d, x, y, -1.0f), 0);
        EXPECT_NEAR(d, want, 1e-6f) << x << " " << y;
    }
}

}  // namespace
}  // namespace Stipple_Shader
