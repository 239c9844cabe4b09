// The wrap-around scan shared by the table search and the recursive tiles:
// each point is examined at itself, at the edge copies that can lie nearer
// than the limit (−x, −y, +x, +y, in that order), and, for the table, at the
// four corner copies. First hit nearer than √T wins; otherwise the nearest
// copy is remembered, ties keeping the earlier point.
#pragma once

#include <cstdint>

#include "point_table.h"

namespace Stipple_Shader::detail {

inline float CopyDistance(float x, float y, const PatternPoint& p, float ox, float oy) {
    float dx = x - p.x - ox;
    float dy = y - p.y - oy;
    return dx * dx + dy * dy;
}

// Which edge copies can lie nearer than the limit from this position.
struct EdgeCopies {
    bool minusX, minusY, plusX, plusY;
    EdgeCopies(float x, float y, float limit)
        : minusX(limit > x * x),
          minusY(limit > y * y),
          plusX(limit > (1.0f - x) * (1.0f - x)),
          plusY(limit > (1.0f - y) * (1.0f - y)) {}
};

// Calls visit(squared distance) for the copies of p in examination order;
// stops and returns true as soon as visit does.
template <bool kCorners, typename Visit>
inline bool VisitCopies(const PatternPoint& p, float x, float y, const EdgeCopies& edges, Visit&& visit) {
    if (visit(CopyDistance(x, y, p, 0.0f, 0.0f))) return true;
    if (edges.minusX && visit(CopyDistance(x, y, p, -1.0f, 0.0f))) return true;
    if (edges.minusY && visit(CopyDistance(x, y, p, 0.0f, -1.0f))) return true;
    if (edges.plusX && visit(CopyDistance(x, y, p, 1.0f, 0.0f))) return true;
    if (edges.plusY && visit(CopyDistance(x, y, p, 0.0f, 1.0f))) return true;
    if constexpr (kCorners) {
        if (visit(CopyDistance(x, y, p, 1.0f, 1.0f))) return true;
        if (visit(CopyDistance(x, y, p, -1.0f, -1.0f))) return true;
        if (visit(CopyDistance(x, y, p, 1.0f, -1.0f))) return true;
        return visit(CopyDistance(x, y, p, -1.0f, 1.0f));
    }
    return false;
}

// Below this limit (√limit < 0.45) at most one copy of a point can lie nearer
// than √limit, since copies are a whole unit apart.
inline constexpr float kSingleCopyLimit = 0.2f;

// The copy offset (−1, 0 or +1) that brings a difference nearest to 0;
// without branches, as the sign of the difference is unpredictable.
inline float NearestOffset(float d) {
    return static_cast<float>(d > 0.5f) - static_cast<float>(d < -0.5f);
}

// Whether some examined copy of p lies nearer than √limit, for 0 < limit <
// kSingleCopyLimit: only the one copy that can be near is measured, with the
// same arithmetic and the same examined-copy rules as VisitCopies<true>, so
// the answer is the same as visiting all nine.
inline bool AnyCopyWithin(const PatternPoint& p, float x, float y, const EdgeCopies& edges, float limit) {
    const float ox = NearestOffset(x - p.x), oy = NearestOffset(y - p.y);
    if (!(CopyDistance(x, y, p, ox, oy) < limit)) return false;
    // Near: an edge copy counts only where it is examined.
    if (oy == 0.0f && ox != 0.0f) return ox < 0.0f ? edges.minusX : edges.plusX;
    if (ox == 0.0f && oy != 0.0f) return oy < 0.0f ? edges.minusY : edges.plusY;
    return true;
}

// The first of points[0 .. count) with a copy nearer than √limit, or −1;
// with limit ≤ 0 the nearest. The squared distance (the best seen when
// nothing is near, −1.0 when count < 1) goes to *distanceSquared if given.
template <bool kCorners>
int32_t SearchCopies(const PatternPoint* points, int32_t count, float x, float y, float limit,
                     float* distanceSquared) {
    const EdgeCopies edges(x, y, limit);
    float best = -1.0f;
    int32_t bestIndex = -1;
    bool first = true;
    for (int32_t i = 0; i < count; ++i) {
        float hit = 0.0f;
        bool found = VisitCopies<kCorners>(points[i], x, y, edges, [&](float d) {
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

}  // namespace Stipple_Shader::detail
