// The per-sample searches through the table's bins against a plain scan of
// the whole prefix in table order: the same dot, the same dabs in the same
// order up to the same cap, for every prefix, limit and position.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "point_bins.h"
#include "point_search.h"

namespace Stipple_Shader {
namespace {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr int kRandomPositions = 600;  // the sanitizers run the same cases, fewer of them
#else
constexpr int kRandomPositions = 12000;
#endif

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kMax = std::numeric_limits<float>::max();
constexpr float kBelowOne = 0.99999994f;

// The scan the searches replace, written out plainly: point i is taken when
// its own place, an edge copy the limit reaches from the position, or one of
// its four corner copies lies nearer than √limit, in float arithmetic.
float Squared(const PatternPoint& p, float x, float y, float ox, float oy) {
    const float dx = x - p.x - ox;
    const float dy = y - p.y - oy;
    return dx * dx + dy * dy;
}
bool ScanTakes(int32_t i, float x, float y, float limit) {
    const PatternPoint& p = PointTable8192[i];
    if (Squared(p, x, y, 0.0f, 0.0f) < limit) return true;
    if (limit > x * x && Squared(p, x, y, -1.0f, 0.0f) < limit) return true;
    if (limit > y * y && Squared(p, x, y, 0.0f, -1.0f) < limit) return true;
    if (limit > (1.0f - x) * (1.0f - x) && Squared(p, x, y, 1.0f, 0.0f) < limit) return true;
    if (limit > (1.0f - y) * (1.0f - y) && Squared(p, x, y, 0.0f, 1.0f) < limit) return true;
    return Squared(p, x, y, 1.0f, 1.0f) < limit || Squared(p, x, y, -1.0f, -1.0f) < limit ||
           Squared(p, x, y, 1.0f, -1.0f) < limit || Squared(p, x, y, -1.0f, 1.0f) < limit;
}

// Every index of the table the scan takes, ascending: the answers of every
// prefix and cap follow from it.
std::vector<int32_t> ScanTaken(float x, float y, float limit) {
    std::vector<int32_t> taken;
    for (int32_t i = 0; i < kTablePointCount; ++i)
        if (ScanTakes(i, x, y, limit)) taken.push_back(i);
    return taken;
}

int32_t PrefixOf(int32_t n) { return n < 0 ? 0 : std::min(n, kTablePointCount); }

// Prefixes of every kind: the edges, random lengths, and lengths just at and
// past the first indices taken, where the answers change.
std::vector<int32_t> Prefixes(std::mt19937& rng, const std::vector<int32_t>& taken) {
    std::vector<int32_t> n = {1, 2, 8192, 10000, 0, -1};
    std::uniform_int_distribution<int32_t> any(1, kTablePointCount);
    for (int k = 0; k < 16; ++k) n.push_back(any(rng));
    for (size_t k = 0; k < taken.size() && k < 3; ++k) {
        n.push_back(taken[k]);
        n.push_back(taken[k] + 1);
    }
    return n;
}

// Compares the searches with the scan at one position and limit, over
// prefixes of every kind and a few capacities; returns the number of cases.
int CompareAt(std::mt19937& rng, float x, float y, float limit) {
    const std::vector<int32_t> taken = ScanTaken(x, y, limit);
    int cases = 0;
    for (int32_t n : Prefixes(rng, taken)) {
        const auto end = std::lower_bound(taken.begin(), taken.end(), PrefixOf(n));
        const int32_t first = taken.begin() == end ? -1 : taken.front();
        EXPECT_EQ(TableBins().First(n, x, y, limit), first) << n << " " << x << " " << y << " " << limit;
        for (int32_t capacity : {32, 1, 3, 100}) {
            int32_t out[101];
            std::fill(std::begin(out), std::end(out), -7);
            const int32_t count = DabCoverage(n, out, capacity, x, y, limit);
            const std::vector<int32_t> want(taken.begin(), taken.begin() + std::min<ptrdiff_t>(capacity, end - taken.begin()));
            EXPECT_EQ(std::vector<int32_t>(out, out + count), want)
                << n << " " << capacity << " " << x << " " << y << " " << limit;
            EXPECT_EQ(out[count], -7);  // nothing written past the answer
            cases += 2;
        }
        if (::testing::Test::HasFailure()) return cases;
    }
    return cases;
}

// A dot-sized limit: N points of radius r, N from 1 to 8192 and r across
// six decades (some larger than a cell, a few larger than the square).
float RandomLimit(std::mt19937& rng) {
    std::uniform_real_distribution<float> logCount(0.0f, 13.0f), logRadius(-3.0f, 3.0f);
    return DotLimit(static_cast<int32_t>(std::exp2(logCount(rng))), std::pow(10.0f, logRadius(rng)));
}

TEST(PointBins, EveryIndexOnceInItsCellAscending) {
    for (int32_t g = 1; g <= PointBins::kMaxCells; g *= 2) {
        std::vector<int> seen(kTablePointCount, 0);
        for (int32_t row = 0; row < g; ++row)
            for (int32_t column = 0; column < g; ++column) {
                const PointBins::CellList cell = TableBins().Cell(g, column, row);
                for (const uint16_t* i = cell.begin; i != cell.end; ++i) {
                    ++seen[*i];
                    if (i != cell.begin) {
                        ASSERT_LT(i[-1], *i);
                    }
                    ASSERT_EQ(static_cast<int32_t>(std::floor(PointTable8192[*i].x * g)), column);
                    ASSERT_EQ(static_cast<int32_t>(std::floor(PointTable8192[*i].y * g)), row);
                }
            }
        EXPECT_EQ(std::count(seen.begin(), seen.end(), 1), kTablePointCount) << g;
    }
}

TEST(PointBins, GridSizeFollowsThePrefixAndTheReach) {
    const float small = DotLimit(8192, 0.01f);
    EXPECT_EQ(PointBins::GridSizeFor(1, small), 1);
    EXPECT_EQ(PointBins::GridSizeFor(128, small), 16);
    EXPECT_EQ(PointBins::GridSizeFor(8192, small), 128);
    EXPECT_EQ(PointBins::GridSizeFor(INT32_MAX, small), 128);
    EXPECT_EQ(PointBins::GridSizeFor(8192, 0.01f), 8);  // reach 0.1: no cell narrower
    EXPECT_EQ(PointBins::GridSizeFor(8192, 0.3f), 1);
    EXPECT_EQ(PointBins::GridSizeFor(8192, kInf), 1);
    EXPECT_EQ(PointBins::GridSizeFor(8192, kNaN), 1);
}

// Millions of cases: random positions in the square and around it, near a
// point at about the limit's distance (where rounding decides), on cell
// lines, with dot-sized and larger limits and every kind of prefix.
TEST(PointBins, RandomCasesAnswerAsTheScan) {
    std::mt19937 rng(2024);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f), wide(-1.5f, 2.5f), angle(0.0f, 6.2831853f),
        jitter(-1e-6f, 1e-6f);
    std::uniform_int_distribution<int32_t> point(0, kTablePointCount - 1), cells(0, PointBins::kMaxCells);
    int cases = 0;
    for (int trial = 0; trial < kRandomPositions && !HasFailure(); ++trial) {
        const float limit = RandomLimit(rng);
        float x = unit(rng), y = unit(rng);
        switch (trial % 4) {
            case 1: {  // at the limit's distance from a point, either side of it, often straight across a cell line
                const PatternPoint& p = PointTable8192[point(rng)];
                const float r = std::sqrt(limit) * (1.0f + jitter(rng));
                const float a = trial % 8 == 1 ? angle(rng) : 1.5707964f * static_cast<float>(trial % 32 / 8);
                x = p.x + r * std::cos(a);
                y = p.y + r * std::sin(a);
                break;
            }
            case 2:  // on a cell line of the finest grid, or one step off it
                x = std::nextafter(static_cast<float>(cells(rng)) / PointBins::kMaxCells, trial % 8 < 4 ? 2.0f : -1.0f);
                y = static_cast<float>(cells(rng)) / PointBins::kMaxCells;
                break;
            case 3:  // around the square
                x = wide(rng);
                y = trial % 8 == 3 ? wide(rng) : y;
                break;
            default: break;
        }
        cases += CompareAt(rng, x, y, limit);
    }
    EXPECT_GT(cases, 150 * kRandomPositions);  // some two and a half million in the normal build
    RecordProperty("cases", cases);
}

// The edges: positions at 0, just below 1, at 1 and outside, not finite;
// limits of 0 and below, not a number, the largest and infinite, at the
// single-copy bound and larger than a cell or the whole square.
TEST(PointBins, EdgeCasesAnswerAsTheScan) {
    const float coordinates[] = {0.0f, 1e-45f, 1e-7f, 0.5f, kBelowOne, 1.0f, -1e-7f, -0.3f,
                                 1.3f, 2.5f,   -1.5f, 1e30f, kNaN, kInf,      -kInf};
    const float limits[] = {DotLimit(8192, 0.2f), DotLimit(128, 1.0f), DotLimit(1, 0.2f), std::nextafter(0.2f, 0.0f),
                            0.2f, 0.0625f, 0.3f, 2.0f, kMax, kInf, 0.0f, -1.0f, kNaN, 1e-45f};
    std::mt19937 rng(7);
    for (float limit : limits)
        for (float x : coordinates)
            for (float y : coordinates) {
                CompareAt(rng, x, y, limit);
                ASSERT_FALSE(HasFailure());
            }
    // Point 0, (0.5, 0.5), lies on a cell line of every grid: approached
    // straight across the line from within a few roundings of the limit.
    for (int32_t count : {2, 128, 1024, 8192})
        for (float radius : {0.2f, 1.0f, 3.0f}) {
            const float limit = DotLimit(count, radius);
            for (int step = -6; step <= 6; ++step) {
                const float r = std::sqrt(limit) * (1.0f + static_cast<float>(step) * 0x1p-23f);
                for (float d : {-r, r}) {
                    CompareAt(rng, 0.5f + d, 0.5f, limit);
                    CompareAt(rng, 0.5f, 0.5f + d, limit);
                }
                ASSERT_FALSE(HasFailure());
            }
        }
}

// The stipple's dot test is the first point of the density's prefix within
// the dot limit; a point radius of 0 or below draws no dot (it used to answer
// the nearest point, turning the surface into ink).
TEST(PointBins, DotTestAnswersAsTheScanAndRadiusZeroDrawsNothing) {
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    for (int trial = 0; trial < 2000; ++trial) {
        const int32_t count = 1 << (trial % 14);
        const float radius = 0.05f + 3.0f * unit(rng), density = 1.2f * unit(rng);
        const float x = unit(rng), y = unit(rng);
        const float limit = DotLimit(count, radius);
        int32_t want = -1;
        for (int32_t i = 0; i < DensityPrefix(count, density) && want < 0; ++i)
            if (ScanTakes(i, x, y, limit)) want = i;
        ASSERT_EQ(StippleDotIndex(count, radius, x, y, density), want) << count << " " << x << " " << y;
    }
    for (float radius : {0.0f, -0.0f, -0.5f, kNaN}) {
        EXPECT_EQ(StippleDotIndex(128, radius, 0.5f, 0.5f, 1.0f), -1) << radius;  // on point 0 itself
        EXPECT_EQ(StippleDotIndex(1, radius, 0.1f, 0.9f, 1.0f), -1) << radius;
    }
}

}  // namespace
}  // namespace Stipple_Shader
