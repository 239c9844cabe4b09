// The table searches: wrap-around copies, limits, prefixes and densities,
// against a brute-force reference over all nine copies of every point.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "point_search.h"

namespace Stipple_Shader {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

// Smallest squared distance over the copies of point i (all nine, or the
// point itself and its four corner copies).
float CopyDistance(int i, float x, float y, bool withEdges) {
    float best = std::numeric_limits<float>::infinity();
    for (int ox = -1; ox <= 1; ++ox)
        for (int oy = -1; oy <= 1; ++oy) {
            if (!withEdges && (ox == 0) != (oy == 0)) continue;
            float dx = x - PointTable8192[i].x - static_cast<float>(ox);
            float dy = y - PointTable8192[i].y - static_cast<float>(oy);
            best = std::fmin(best, dx * dx + dy * dy);
        }
    return best;
}

std::vector<int32_t> PointsWithin(int n, float x, float y, float limit) {
    std::vector<int32_t> found;
    for (int i = 0; i < n; ++i)
        if (CopyDistance(i, x, y, true) < limit) found.push_back(i);
    return found;
}

TEST(PointTableSearch, CentreFindsPointZero) {
    float d = 1.0f;
    EXPECT_EQ(StippleCoverage(1, 0.5f, 0.5f, 1e-6f, &d), 0);
    EXPECT_EQ(d, 0.0f);
    EXPECT_EQ(StippleCoverage(8192, 0.5f, 0.5f, 0.5f, nullptr), 0);
}

TEST(PointTableSearch, FindsPointThroughWrapAroundCopy) {
    // Point 1 (0.985297, 0.879589) seen from across the x = 0 edge.
    float d = 0.0f;
    EXPECT_EQ(StippleCoverage(2, 0.0047f, 0.879589f, 0.0004f, &d), 1);
    EXPECT_NEAR(d, 3.764755e-4f, 3e-10f);  // (0.0047 − 0.985297 + 1)², float rounding
    int32_t out[4];
    EXPECT_EQ(DabCoverage(2, out, 4, 0.0047f, 0.879589f, 0.0004f), 1);
    EXPECT_EQ(out[0], 1);
    // Point 3 (0.97926, 0.415462) seen from just right of x = 0.
    EXPECT_EQ(StippleCoverage(4, 0.01f, 0.415462f, 0.001f, &d), 3);
    EXPECT_NEAR(d, 0.03074f * 0.03074f, 1e-8f);
}

TEST(PointTableSearch, MatchesBruteForceOverAllCopies) {
    std::mt19937 rng(16);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    const int counts[] = {1, 37, 512, 8192};
    for (int n : counts) {
        const float limit = DotLimit(n, 1.5f);
        for (int trial = 0; trial < 300; ++trial) {
            const float x = unit(rng), y = unit(rng);
            std::vector<int32_t> want = PointsWithin(n, x, y, limit);
            float d = -2.0f;
            int32_t first = StippleCoverage(n, x, y, limit, &d);
            ASSERT_EQ(first, want.empty() ? -1 : want[0]) << n << " " << x << " " << y;
            if (first >= 0) {
                EXPECT_EQ(d, CopyDistance(first, x, y, true));
            }
            int32_t out[64];
            int32_t count = DabCoverage(n, out, 64, x, y, limit);
            ASSERT_EQ(std::vector<int32_t>(out, out + count), want);
        }
    }
}

TEST(PointTableSearch, NonPositiveLimitGivesNearestAmongCornerCopies) {
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    for (int trial = 0; trial < 200; ++trial) {
        const float x = unit(rng), y = unit(rng);
        int want = 0;
        for (int i = 1; i < 300; ++i)
            if (CopyDistance(i, x, y, false) < CopyDistance(want, x, y, false)) want = i;
        float d = 0.0f;
        ASSERT_EQ(StippleCoverage(300, x, y, 0.0f, &d), want);
        EXPECT_EQ(d, CopyDistance(want, x, y, false));
        int32_t index = -7;
        EXPECT_EQ(NearestTablePoint(600, 0.5f, x, y, &index), d);
        EXPECT_EQ(index, want);
    }
    // Lying exactly on a point is no hit with T = 0, but still the nearest.
    float d = 1.0f;
    EXPECT_EQ(StippleCoverage(8192, 0.5f, 0.5f, 0.0f, &d), 0);
    EXPECT_EQ(d, 0.0f);
}

TEST(PointTableSearch, EmptyPrefixesFindNothing) {
    for (int32_t n : {0, -1, -100000}) {
        float d = 5.0f;
        EXPECT_EQ(StippleCoverage(n, 0.5f, 0.5f, 1.0f, &d), -1);
        EXPECT_EQ(d, -1.0f);
        EXPECT_EQ(StippleCoverage(n, 0.5f, 0.5f, -1.0f, nullptr), -1);
        int32_t out[1] = {-9};
        EXPECT_EQ(DabCoverage(n, out, 1, 0.5f, 0.5f, 1.0f), 0);
        EXPECT_EQ(out[0], -9);
    }
    int32_t index = 3;
    EXPECT_EQ(NearestTablePoint(8192, 0.0f, 0.5f, 0.5f, &index), -1.0f);
    EXPECT_EQ(index, -1);
}

TEST(PointTableSearch, DensityIsClampedAndNaNCountsAsZero) {
    EXPECT_EQ(StippleDotIndex(128, 1.0f, 0.5f, 0.5f, 0.0f), -1);
    EXPECT_EQ(StippleDotIndex(128, 1.0f, 0.5f, 0.5f, -0.2f), -1);
    EXPECT_EQ(StippleDotIndex(128, 1.0f, 0.5f, 0.5f, kNaN), -1);
    EXPECT_EQ(StippleDotIndex(128, 1.0f, 0.5f, 0.5f, 1.0f), 0);
    std::mt19937 rng(5);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    for (int trial = 0; trial < 200; ++trial) {
        const float x = unit(rng), y = unit(rng);
        EXPECT_EQ(StippleDotIndex(1024, 2.0f, x, y, 1.5f), StippleDotIndex(1024, 2.0f, x, y, 1.0f));
    }
    int32_t index = 0;
    EXPECT_EQ(NearestTablePoint(8192, kNaN, 0.3f, 0.3f, &index), -1.0f);
    EXPECT_EQ(index, -1);
    EXPECT_EQ(ClampDensity(kNaN), 0.0f);
    EXPECT_EQ(ClampDensity(-std::numeric_limits<float>::infinity()), 0.0f);
    EXPECT_EQ(ClampDensity(std::numeric_limits<float>::infinity()), 1.0f);
    EXPECT_EQ(ClampDensity(0.25f), 0.25f);
    // A point count past 32 bits (the dab's is not clamped) takes every point.
    EXPECT_EQ(DensityPrefix(INT32_MAX, 1.0f), INT32_MAX);
    EXPECT_EQ(DensityPrefix(1000, 0.5f), 500);
}

TEST(PointTableSearch, PrefixesPastTheTableActAsTheWholeTable) {
    std::mt19937 rng(9);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    for (int trial = 0; trial < 50; ++trial) {
        const float x = unit(rng), y = unit(rng);
        float a = 0.0f, b = 1.0f;
        EXPECT_EQ(StippleCoverage(10000, x, y, -1.0f, &a), StippleCoverage(8192, x, y, -1.0f, &b));
        EXPECT_EQ(a, b);
        int32_t out1[32], out2[32];
        const float limit = DotLimit(100, 1.0f);
        int32_t n1 = DabCoverage(10000, out1, 32, x, y, limit);
        ASSERT_EQ(n1, DabCoverage(8192, out2, 32, x, y, limit));
        EXPECT_EQ(std::vector<int32_t>(out1, out1 + n1), std::vector<int32_t>(out2, out2 + n1));
    }
}

TEST(PointTableSearch, DabCoverageStopsAtCapacityWithLowestIndices) {
    const float limit = 0.01f;  // about 250 of the table's points near any position
    std::vector<int32_t> want = PointsWithin(8192, 0.3f, 0.7f, limit);
    ASSERT_GE(want.size(), 40u);
    int32_t out[32];
    ASSERT_EQ(DabCoverage(8192, out, 32, 0.3f, 0.7f, limit), 32);
    EXPECT_EQ(std::vector<int32_t>(out, out + 32), std::vector<int32_t>(want.begin(), want.begin() + 32));
    int32_t three[4] = {-1, -1, -1, -1};
    ASSERT_EQ(DabCoverage(8192, three, 3, 0.3f, 0.7f, limit), 3);
    EXPECT_EQ(std::vector<int32_t>(three, three + 3), std::vector<int32_t>(want.begin(), want.begin() + 3));
    EXPECT_EQ(three[3], -1);
}

TEST(PointTableSearch, GetTablePointStopsAtTheLastRow) {
    float x = 0.0f, y = 0.0f;
    ASSERT_TRUE(GetTablePoint(8191, &x, &y));
    EXPECT_EQ(x, 0.060682f);
    EXPECT_EQ(y, 0.881164f);
    x = y = 7.0f;
    EXPECT_FALSE(GetTablePoint(8192, &x, &y));
    EXPECT_FALSE(GetTablePoint(-1, &x, &y));
    EXPECT_EQ(x, 7.0f);
    EXPECT_EQ(y, 7.0f);
    EXPECT_TRUE(GetTablePoint(0, nullptr, &y));  // either output may be left out
    EXPECT_EQ(y, 0.5f);
}

TEST(PointTableSearch, MissingOutputsAreNotWritten) {
    EXPECT_EQ(DabCoverage(8192, nullptr, 32, 0.5f, 0.5f, 0.01f), 0);
    MinPointSpacing(nullptr);
    EXPECT_EQ(NearestTablePoint(8192, 1.0f, 0.5f, 0.5f, nullptr), 0.0f);
}

}  // namespace
}  // namespace Stipple_Shader
