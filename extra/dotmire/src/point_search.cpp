// Wrap-around searches of the point table.
#include "point_search.h"

#include <cmath>
#include <cstdint>

namespace Stipple_Shader {

namespace {

// Squared distance of the copy (ox, oy) of p to (x, y).
inline float CopyDistance(float x, float y, const PatternPoint& p, float ox, float oy) {
    float dx = x - p.x - ox;
    float dy = y - p.y - oy;
    return dx * dx + dy * dy;
}

// Which edge copies can lie nearer than the limit for this position; the
// corner copies are always examined.
struct EdgeCopies {
    bool minusX, minusY, plusX, plusY;
    EdgeCopies(float x, float y, float limit)
        : minusX(limit > x * x),
          minusY(limit > y * y),
          plusX(limit > (1.0f - x) * (1.0f - x)),
          plusY(limit > (1.0f - y) * (1.0f - y)) {}
};

// Calls visit(distance) for the copies of p in examination order; stops and
// returns true as soon as visit does.
template <typename Visit>
inline bool VisitCopies(const PatternPoint& p, float x, float y, const EdgeCopies& edges, Visit&& visit) {
    if (visit(CopyDistance(x, y, p, 0.0f, 0.0f))) return true;
    if (edges.minusX && visit(CopyDistance(x, y, p, -1.0f, 0.0f))) return true;
    if (edges.minusY && visit(CopyDistance(x, y, p, 0.0f, -1.0f))) return true;
    if (edges.plusX && visit(CopyDistance(x, y, p, 1.0f, 0.0f))) return true;
    if (edges.plusY && visit(CopyDistance(x, y, p, 0.0f, 1.0f))) return true;
    if (visit(CopyDistance(x, y, p, 1.0f, 1.0f))) return true;
    if (visit(CopyDistance(x, y, p, -1.0f, -1.0f))) return true;
    if (visit(CopyDistance(x, y, p, 1.0f, -1.0f))) return true;
    return visit(CopyDistance(x, y, p, -1.0f, 1.0f));
}

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
    const EdgeCopies edges(x, y, limit);
    float best = -1.0f;
    int32_t bestIndex = -1;
    bool first = true;
    const int32_t count = TablePrefix(n);
    for (int32_t i = 0; i < count; ++i) {
        float hit = 0.0f;
        bool found = VisitCopies(PointTable8192[i], x, y, edges, [&](float d) {
            if (d < limit) {
                hit = d;
                return true;
            }
            if (first || best > d) {
                best = d;
                bestIndex = i;
                first = false;
            }
            return false;
        });
        if (found) {
            if (distanceSquared) *distanceSquared = hit;
            return i;
        }
    }
    if (distanceSquared) *distanceSquared = best;
    return limit <= 0.0f ? bestIndex : -1;
}

int32_t StippleDotIndex(int32_t pointCount, float pointRadius, float x, float y, float density) {
    float scratch;
    return StippleCoverage(DensityPrefix(pointCount, density), x, y, DotLimit(pointCount, pointRadius),
                           &scratch);
}

int32_t DabCoverage(int32_t n, int32_t* out, int32_t capacity, float x, float y, float limit) {
    if (n < 1) return 0;
    const EdgeCopies edges(x, y, limit);
    int32_t written = 0;
    const int32_t count = TablePrefix(n);
    for (int32_t i = 0; i < count; ++i) {
        bool taken = VisitCopies(PointTable8192[i], x, y, edges, [limit](float d) { return d < limit; });
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
    *x = PointTable8192[index].x;
    *y = PointTable8192[index].y;
    return true;
}

void MinPointSpacing(float* spacing) {
    if (*spacing > 0.0f) return;
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
