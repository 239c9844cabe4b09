// Properties of the checked-in point table.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <utility>

#include "point_search.h"
#include "spacing_check.h"

namespace Stipple_Shader {
namespace {

using testing::Millionths;

TEST(PointTable, GivenRowsAreExact) {
    const PatternPoint given[] = {{0.5f, 0.5f},           {0.985297f, 0.879589f}, {0.42083f, 0.896516f},
                                  {0.97926f, 0.415462f},  {0.603687f, 0.160519f}, {0.294232f, 0.164397f},
                                  {0.739019f, 0.686304f}, {0.18901f, 0.695906f}};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(PointTable8192[i].x, given[i].x) << i;
        EXPECT_EQ(PointTable8192[i].y, given[i].y) << i;
    }
    EXPECT_EQ(PointTable8192[8190].x, 0.401145f);
    EXPECT_EQ(PointTable8192[8190].y, 0.039471f);
    EXPECT_EQ(PointTable8192[8191].x, 0.060682f);
    EXPECT_EQ(PointTable8192[8191].y, 0.881164f);
}

TEST(PointTable, RowsAreDistinctSixDecimalFloatsInUnitSquare) {
    std::set<std::pair<int64_t, int64_t>> seen;
    for (int i = 0; i < kTablePointCount; ++i) {
        for (float v : {PointTable8192[i].x, PointTable8192[i].y}) {
            ASSERT_GE(v, 0.0f) << i;
            ASSERT_LT(v, 1.0f) << i;
            char text[32];
            std::snprintf(text, sizeof text, "0.%06lld", static_cast<long long>(Millionths(v)));
            ASSERT_EQ(v, std::strtof(text, nullptr)) << "row " << i << " is not a six-decimal float";
        }
        EXPECT_TRUE(seen.insert({Millionths(PointTable8192[i].x), Millionths(PointTable8192[i].y)}).second)
            << "row " << i << " repeats an earlier row";
    }
}

TEST(PointTable, EveryPrefixIsEvenlySpread) {
    EXPECT_EQ(testing::ProgressiveSpacingFault(PointTable8192, kTablePointCount), "");
}

TEST(PointTable, PlainMinimumIsTheStoredSpacing) {
    float spacing = 0.0f;
    MinPointSpacing(&spacing);  // the full scan, in float
    EXPECT_EQ(spacing, kTableMinSpacing);
    float stored = 0.5f;
    MinPointSpacing(&stored);  // a positive member is left alone
    EXPECT_EQ(stored, 0.5f);
}

}  // namespace
}  // namespace Stipple_Shader
