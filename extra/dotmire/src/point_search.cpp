// Wrap-around searches of the point table.
#include "point_search.h"

#include <cmath>
#include <cstdint>

#include "copy_search.h"
#include "point_bins.h"

namespace Stipple_Shader {

namespace {

inline int32_t TablePrefix(int32_t n) { return n < kTablePointCount ? n : kTablePointCount; }

}  // namespace

float ClampDensity(float density) {
    if (!(density > 0.0f)) return 0.0f;  // also a density that is not a number
    return density > 1.0f ? 1.0f : density;
}

int32_t DensityPrefix(int32_t count, float density) {
    float n = ClampDensity(density) * static_cast<float>(count);
    // 2^31 and above has no 32-bit value; such counts act as "every point".
    return n < 2147483648.0f ? static_cast<int32_t>(n) : INT32_MAX;
}

float DotLimit(int32_t pointCount, float pointRadius) {
    return (1.0f / (3.4641016f * static_cast<float>(pointCount))) * pointRadius;
}

int32_t StippleCoverage(int32_t n, float x, float y, float limit, float* distanceSquared) {
    if (n < 1) {
        if (distanceSquared) *distanceSquared = -1.0f;
        return -1;
    }
    return detail::SearchCopies<true>(PointTable8192, TablePrefix(n), x, y, limit, distanceSquared);
}

int32_t StippleDotIndex(int32_t pointCount, float pointRadius, float x, float y, float density) {
    // A limit of 0 or below (a point radius of 0 or below) draws no dot.
    return TableBins().First(DensityPrefix(pointCount, density), x, y, DotLimit(pointCount, pointRadius));
}

int32_t DabCoverage(int32_t n, int32_t* out, int32_t capacity, float x, float y, float limit) {
    return TableBins().Gather(n, out, capacity, x, y, limit);
}

float NearestTablePoint(int32_t n, float density, float x, float y, int32_t* index) {
    float distance;
    int32_t found = StippleCoverage(DensityPrefix(n, density), x, y, -1.0f, &distance);
    if (index) *index = found;
    return distance;
}

bool GetTablePoint(int32_t index, float* x, float* y) {
    if (index < 0 || index >= kTablePointCount) return false;
    if (x) *x = PointTable8192[index].x;
    if (y) *y = PointTable8192[index].y;
    return true;
}

void MinPointSpacing(float* spacing) {
    if (!spacing || *spacing > 0.0f) return;
    float best = 2.0f;
    for (int32_t i = 0; i < kTablePointCount; ++i) {
        for (int32_t j = i + 1; j < kTablePointCount; ++j) {
            float dx = PointTable8192[i].x - PointTable8192[j].x;
            float dy = PointTable8192[i].y - PointTable8192[j].y;
            float d = dx * dx + dy * dy;
            if (d < best) best = d;
        }
    }
    *spacing = std::sqrt(best);
}

}  // namespace Stipple_Shader
