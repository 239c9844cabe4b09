// The point table's bins and their searches.
#include "point_bins.h"

#include <bit>
#include <cmath>

#include "copy_search.h"

namespace Stipple_Shader {

namespace {

// A distance sure to hold every copy whose squared distance, as computed in
// 32-bit floats, lies below the limit: √limit with a margin far above the
// rounding of that computation.
double Reach(float limit) { return std::sqrt(static_cast<double>(limit)) * (1.0 + 0x1p-12) + 0x1p-16; }

// Columns (or rows) first, first + 1, ..., taken modulo g: the cells whose
// points can have a copy within `reach` of coordinate c. A copy of a point
// lies in [−1, 2), its column unwrapped between −g and 2g − 1; the columns
// are counted from −2g here (shifted by 2g), so that truncation is the floor.
struct Span {
    int32_t first;
    int32_t count;
};
Span SpanOf(float c, double reach, int32_t g) {
    const double size = g;
    double lo = (static_cast<double>(c) - reach) * size + 2.0 * size;
    double hi = (static_cast<double>(c) + reach) * size + 2.0 * size;
    lo = lo > size ? (lo < 4.0 * size ? lo : 4.0 * size) : size;
    hi = hi > 0.0 ? (hi < 4.0 * size - 1.0 ? hi : 4.0 * size - 1.0) : 0.0;
    const auto first = static_cast<int32_t>(lo), last = static_cast<int32_t>(hi);
    if (first > last) return {0, 0};
    if (last - first + 1 >= g) return {0, g};  // every column, once
    return {first & (g - 1), last - first + 1};
}

// The grid level for a prefix of n points (n ≥ 1) and a reach: 2^level
// cells per axis, about √(2n) (between √n and √(2n)), so that a cell holds
// one or two points of the prefix, but no cell narrower than the reach, so
// that the cells next to the position's cover it.
int32_t LevelFor(int32_t n, double reach) {
    int32_t level = std::bit_width(static_cast<uint32_t>(n)) / 2;
    if (level > PointBins::kLevels - 1) level = PointBins::kLevels - 1;
    while (level > 0 && !(static_cast<double>(1 << level) * reach <= 1.0)) --level;
    return level;
}

}  // namespace

PointBins::PointBins(const PatternPoint* points, int32_t count)
    : m_points(points), m_count(count < 0 ? 0 : (count > kCapacity ? kCapacity : count)) {
    for (int32_t level = 0; level < kLevels; ++level) {
        const int32_t g = 1 << level;
        uint16_t* starts = m_starts + detail::BinLevelStart(level);
        // Exact: a coordinate in [0, 1) times a power of two, truncated. A
        // coordinate outside (not allowed) is kept in the border cell.
        const auto along = [g](float v) {
            const float at = v * static_cast<float>(g);
            return at > 0.0f ? (at < static_cast<float>(g) ? static_cast<int32_t>(at) : g - 1) : 0;
        };
        const auto cellOf = [&](const PatternPoint& p) { return along(p.y) * g + along(p.x); };
        for (int32_t c = 0; c <= g * g; ++c) starts[c] = 0;
        for (int32_t i = 0; i < m_count; ++i) ++starts[cellOf(m_points[i]) + 1];
        for (int32_t c = 0; c < g * g; ++c) starts[c + 1] = static_cast<uint16_t>(starts[c + 1] + starts[c]);
        // Filled in table order, so that each cell's indices ascend.
        uint16_t next[kMaxCells * kMaxCells];
        for (int32_t c = 0; c < g * g; ++c) next[c] = starts[c];
        for (int32_t i = 0; i < m_count; ++i) m_indices[level][next[cellOf(m_points[i])]++] = static_cast<uint16_t>(i);
    }
}

int32_t PointBins::GridSizeFor(int32_t n, float limit) { return n < 1 ? 1 : 1 << LevelFor(n, Reach(limit)); }

PointBins::CellList PointBins::Cell(int32_t gridSize, int32_t column, int32_t row) const {
    const int32_t level = std::countr_zero(static_cast<uint32_t>(gridSize));
    const uint16_t* starts = m_starts + detail::BinLevelStart(level);
    const int32_t cell = row * gridSize + column;
    return {m_indices[level] + starts[cell], m_indices[level] + starts[cell + 1]};
}

// Calls visit(begin, end) for the index list of every cell that can hold a
// point with a copy within the limit of (x, y), each cell once.
template <class Visit>
void PointBins::VisitCells(int32_t n, float x, float y, float limit, Visit&& visit) const {
    const double reach = Reach(limit);
    const int32_t level = LevelFor(n, reach);
    const int32_t g = 1 << level;
    const Span columns = SpanOf(x, reach, g), rows = SpanOf(y, reach, g);
    const uint16_t* starts = m_starts + detail::BinLevelStart(level);
    const uint16_t* indices = m_indices[level];
    for (int32_t r = 0, row = rows.first; r < rows.count; ++r, row = row + 1 < g ? row + 1 : 0) {
        const uint16_t* rowStarts = starts + row * g;
        for (int32_t c = 0, column = columns.first; c < columns.count; ++c, column = column + 1 < g ? column + 1 : 0)
            visit(indices + rowStarts[column], indices + rowStarts[column + 1]);
    }
}

namespace {

// Calls scan(taken) with the test of whether point i has an examined copy
// nearer than √limit: for dot-sized limits the one copy that can be near,
// else every examined copy.
template <class Scan>
void WithCopyTest(const PatternPoint* points, float x, float y, float limit, Scan&& scan) {
    const detail::EdgeCopies edges(x, y, limit);
    if (limit < detail::kSingleCopyLimit) {
        scan([&](int32_t i) { return detail::AnyCopyWithin(points[i], x, y, edges, limit); });
    } else {
        scan([&](int32_t i) {
            return detail::VisitCopies<true>(points[i], x, y, edges, [limit](float d) { return d < limit; });
        });
    }
}

// Whether a search can take any point: a positive limit (a squared distance
// is never below 0 or below a limit that is not a number) and a finite
// position (its distances are infinite or not a number).
bool Searchable(int32_t bound, float x, float y, float limit) {
    return bound > 0 && limit > 0.0f && std::isfinite(x) && std::isfinite(y);
}

}  // namespace

int32_t PointBins::First(int32_t n, float x, float y, float limit) const {
    const int32_t prefix = n < m_count ? n : m_count;
    if (!Searchable(prefix, x, y, limit)) return -1;
    int32_t bound = prefix;  // the lowest index taken so far, or the prefix
    WithCopyTest(m_points, x, y, limit, [&](auto&& taken) {
        VisitCells(prefix, x, y, limit, [&](const uint16_t* i, const uint16_t* end) {
            for (; i != end && *i < bound; ++i)
                if (taken(*i)) {
                    bound = *i;
                    break;
                }
        });
    });
    return bound < prefix ? bound : -1;
}

int32_t PointBins::Gather(int32_t n, int32_t* out, int32_t capacity, float x, float y, float limit) const {
    const int32_t prefix = n < m_count ? n : m_count;
    if (!out || capacity < 1 || !Searchable(prefix, x, y, limit)) return 0;
    int32_t written = 0;
    int32_t bound = prefix;  // past the prefix, or past the highest index kept once out is full
    WithCopyTest(m_points, x, y, limit, [&](auto&& taken) {
        VisitCells(prefix, x, y, limit, [&](const uint16_t* i, const uint16_t* end) {
            for (; i != end && *i < bound; ++i) {
                if (!taken(*i)) continue;
                // Insert in order; when out is full the highest index drops.
                int32_t k = written < capacity ? written++ : capacity - 1;
                for (; k > 0 && out[k - 1] > *i; --k) out[k] = out[k - 1];
                out[k] = *i;
                if (written == capacity) bound = out[capacity - 1];
            }
        });
    });
    return written;
}

namespace {
const PointBins kTableBins(PointTable8192, kTablePointCount);
}  // namespace

const PointBins& TableBins() { return kTableBins; }

}  // namespace Stipple_Shader
