// Progressive spacing of a point list, checked in integer millionths: for
// every prefix of n ≥ 2 points, the smallest wrap-around distance between two
// of its points lies in [0.68/√n, 0.88/√n].
#pragma once

#include <cmath>
#include <cstdint>
#include <string>

#include "point_table.h"

namespace Stipple_Shader::testing {

inline int64_t Millionths(float v) { return std::llround(static_cast<double>(v) * 1e6); }

// Empty when every prefix keeps the bounds, else the first that does not.
inline std::string ProgressiveSpacingFault(const PatternPoint* points, int32_t count) {
    constexpr int64_t kUnit = 1000000;
    auto wrap = [](int64_t a, int64_t b) {
        int64_t d = a > b ? a - b : b - a;
        return d < kUnit - d ? d : kUnit - d;
    };
    int64_t min2 = INT64_MAX;
    for (int32_t n = 2; n <= count; ++n) {
        const int64_t qx = Millionths(points[n - 1].x), qy = Millionths(points[n - 1].y);
        for (int32_t k = 0; k < n - 1; ++k) {
            int64_t dx = wrap(qx, Millionths(points[k].x)), dy = wrap(qy, Millionths(points[k].y));
            if (dx * dx + dy * dy < min2) min2 = dx * dx + dy * dy;
        }
        const double d = std::sqrt(static_cast<double>(min2)) / kUnit;
        if (d < 0.68 / std::sqrt(n) || d > 0.88 / std::sqrt(n))
            return "prefix " + std::to_string(n) + ": smallest distance " + std::to_string(d);
    }
    return "";
}

}  // namespace Stipple_Shader::testing
