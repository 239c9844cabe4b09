// Wrap-around searches of the point table.
#include "point_search.h"

#include <cmath>
#include <cstdint>

#include "copy_search.h"

namespace Stipple_Shader {

namespace {

using detail::EdgeCopies;

inline int32_t TablePrefix(int32_t n) { return n < kTablePointCount ? n : kTablePointCount; }

// Dot-sized limits, where one copy per point decides whether it is taken.
inline bool SingleCopyLimit(float limit) { return limit > 0.0f && limit < detail::kSingleCopyLimit; }

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
    const int32_t n = DensityPrefix(pointCount, density);
    const float limit = DotLimit(pointCount, pointRadius);
    if (!SingleCopyLimit(limit)) {
        float scratch;
        return StippleCoverage(n, x, y, limit, &scratch);
    }
    // The distance is not wanted, so the first point taken is all that counts.
    const EdgeCopies edges(x, y, limit);
    const int32_t count = TablePrefix(n);
    for (int32_t i = 0; i < count; ++i)
        if (detail::AnyCopyWithin(PointTable8192[i], x, y, edges, limit)) return i;
    return -1;
}

int32_t DabCoverage(int32_t n, int32_t* out, int32_t capacity, float x, float y, float limit) {
    if (n < 1) return 0;
    if (!out) capacity = 0;  // nowhere to write: the first point taken ends the scan
    const EdgeCopies edges(x, y, limit);
    int32_t written = 0;
    const int32_t count = TablePrefix(n);
    const bool single = SingleCopyLimit(limit);
    for (int32_t i = 0; i < count; ++i) {
        const PatternPoint& p = PointTable8192[i];
        const bool taken = single ? detail::AnyCopyWithin(p, x, y, edges, limit)
                                  : detail::VisitCopies<true>(p, x, y, edges, [limit](float d) { return d < limit; });
        if (!taken) continue;
        if (written >= capacity) break;
        out[written++] = i;
    }
    return written;
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
