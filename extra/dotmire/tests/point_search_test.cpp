// The table searches: wrap-around copies, limits, prefixes and densities.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "point_search.h"

namespace Stipple_Shader {
namespace {

TEST(PointTableSearch, CentreFindsPointZero) {
    float d = 1.0f;
    EXPECT_EQ(StippleCoverage(1, 0.5f, 0.5f, 1e-6f, &d), 0);
    EXPECT_EQ(d, 0.0f);
    EXPECT_EQ(StippleCoverage(8192, 0.5f, 0.5f, 0.5f, nullptr), 0);
}

}  // namespace
}  // namespace Stipple_Shader
