// The point grid over the table and over small lists of its own.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "point_grid.h"
#include "point_search.h"

namespace Stipple_Shader {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

float Plain(const PatternPoint& p, float x, float y) {
    float dx = x - p.x, dy = y - p.y;
    return dx * dx + dy * dy;
}

TEST(PointGrid, GridSizeFollowsTheCount) {
    EXPECT_EQ(PointGrid::GridSizeFor(0), 2);
    EXPECT_EQ(PointGrid::GridSizeFor(63), 2);
    EXPECT_EQ(PointGrid::GridSizeFor(64), 4);
    EXPECT_EQ(PointGrid::GridSizeFor(255), 4);
    EXPECT_EQ(PointGrid::GridSizeFor(256), 8);
    EXPECT_EQ(PointGrid::GridSizeFor(8192), 8);
    EXPECT_EQ(PointGrid::GridSizeFor(INT32_MAX), 8);
}

TEST(PointGrid, RebuiltOverTheTableHoldsEveryIndexOnceInItsCell) {
    PointGrid grid;  // 8 × 8, as the stipple material builds it
    grid.Rebuild(PointTable8192, kTablePointCount);
    ASSERT_EQ(grid.GridSize(), 8);
    size_t total = 0;
    for (int i = 0; i < 8; ++i) {
        for (int j = 0; j < 8; ++j) {
            const auto& cell = grid.Cell(i, j);
            total += cell.size();
            for (size_t k = 0; k < cell.size(); ++k) {
                if (k > 0) {
                    EXPECT_LT(cell[k - 1], cell[k]);
                }
                EXPECT_EQ(static_cast<int>(PointTable8192[cell[k]].x * 8.0f), i);
                EXPECT_EQ(static_cast<int>(PointTable8192[cell[k]].y * 8.0f), j);
            }
        }
    }
    EXPECT_EQ(total, 8192u);
    ASSERT_FALSE(grid.Cell(4, 4).empty());
    EXPECT_EQ(grid.Cell(4, 4).front(), 0);
    // A second rebuild replaces the contents.
    grid.Rebuild(PointTable8192, 100);
    total = 0;
    for (int i = 0; i < 8; ++i)
        for (int j = 0; j < 8; ++j) total += grid.Cell(i, j).size();
    EXPECT_EQ(total, 100u);
}

TEST(PointGrid, FindsWhatAPlainScanFindsAwayFromTheEdges) {
    const PointGrid grid(PointTable8192, kTablePointCount);
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    for (int n : {300, 1024, 8192}) {
        const float limit = DotLimit(n, 1.0f);  // dot radius below half a cell of 8
        for (int trial = 0; trial < 400; ++trial) {
            const float x = unit(rng), y = unit(rng);
            bool any = false;
            for (int k = 0; k < n; ++k) any = any || Plain(PointTable8192[k], x, y) < limit;
            float d = -5.0f;
            const int32_t found = grid.FindWithin(n, &d, x, y, limit);
            ASSERT_EQ(found >= 0, any) << n << " " << x << " " << y;
            if (found >= 0) {
                EXPECT_LT(found, n);
                EXPECT_EQ(d, Plain(PointTable8192[found], x, y));
                EXPECT_LT(d, limit);
            }
            // Away from the pattern's edges the table search agrees on hit or miss.
            if (x > 0.05f && x < 0.95f && y > 0.05f && y < 0.95f) {
                EXPECT_EQ(grid.DotIndex(n, 1.0f, x, y, 1.0f) >= 0, StippleDotIndex(n, 1.0f, x, y, 1.0f) >= 0);
            }
        }
    }
}

TEST(PointGrid, NearestUsesPlainDistancesAcrossTheWrap) {
    const PatternPoint points[] = {{0.98f, 0.5f}, {0.3f, 0.5f}};
    const PointGrid grid(points, 2);
    ASSERT_EQ(grid.GridSize(), 2);
    float d = 0.0f;
    // Across the wrapped edge point 0 is 0.03 away, but only plain distances count.
    EXPECT_EQ(grid.FindWithin(2, &d, 0.01f, 0.5f, -1.0f), 1);
    EXPECT_EQ(d, Plain(points[1], 0.01f, 0.5f));
    int32_t index = -1;
    EXPECT_EQ(grid.Nearest(2, 1.0f, 0.01f, 0.5f, &index), d);
    EXPECT_EQ(index, 1);
}

TEST(PointGrid, EmptySearchesWriteTen) {
    const PointGrid grid(PointTable8192, kTablePointCount);
    float d = 0.0f;
    EXPECT_EQ(grid.FindWithin(0, &d, 0.5f, 0.5f, -1.0f), -1);
    EXPECT_EQ(d, 10.0f);
    EXPECT_EQ(grid.DotIndex(128, 1.0f, 0.5f, 0.5f, 0.0f), -1);
    EXPECT_EQ(grid.DotIndex(128, 1.0f, 0.5f, 0.5f, kNaN), -1);
    EXPECT_EQ(grid.DotIndex(128, 1.0f, 0.5f, 0.5f, 1.5f), 0);
    int32_t index = 5;
    EXPECT_EQ(grid.Nearest(8192, kNaN, 0.5f, 0.5f, &index), 10.0f);
    EXPECT_EQ(index, -1);
}

TEST(PointGrid, PositionsOutsideTheSquareSearchTheBorderCells) {
    const PatternPoint points[] = {{0.99f, 0.01f}, {0.5f, 0.5f}};
    const PointGrid grid(points, 2);
    float d = 0.0f;
    EXPECT_EQ(grid.FindWithin(2, &d, 1.3f, -0.2f, 0.2f), 0);
    EXPECT_EQ(d, Plain(points[0], 1.3f, -0.2f));
    EXPECT_EQ(grid.FindWithin(2, &d, -0.5f, 1.7f, -1.0f), 1);  // from cell (0, 1)
    EXPECT_EQ(grid.FindWithin(2, &d, -40.0f, 1e30f, -1.0f), -1);  // too far to beat 10
    EXPECT_EQ(d, 10.0f);
    const PointGrid table(PointTable8192, kTablePointCount);
    for (float bad : {kNaN, std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity()}) {
        d = 0.0f;
        EXPECT_EQ(table.FindWithin(8192, &d, bad, 0.5f, 1.0f), -1);
        EXPECT_EQ(d, 10.0f);
        EXPECT_EQ(table.FindWithin(8192, nullptr, 0.5f, bad, -1.0f), -1);
    }
}

TEST(PointGrid, PointsOutsideTheSquareStayInTheGrid) {
    const PatternPoint points[] = {{1.5f, -3.0f}, {kNaN, 0.5f}, {0.2f, 1.0f}};
    const PointGrid grid(points, 3);
    size_t total = 0;
    for (int i = 0; i < grid.GridSize(); ++i)
        for (int j = 0; j < grid.GridSize(); ++j) total += grid.Cell(i, j).size();
    EXPECT_EQ(total, 3u);
    EXPECT_EQ(grid.Cell(1, 0).size(), 1u);
    PointGrid none(nullptr, 5);
    EXPECT_EQ(none.Count(), 0);
    EXPECT_EQ(none.FindWithin(5, nullptr, 0.5f, 0.5f, -1.0f), -1);
}

}  // namespace
}  // namespace Stipple_Shader
