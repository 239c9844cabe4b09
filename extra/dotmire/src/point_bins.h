// The point table bucketed for the per-sample searches: for each grid size g
// of 1, 2, 4, ..., 128, the unit square is cut into g × g cells and each cell
// lists the indices of the table points inside it in ascending order. Every
// prefix of the table is thus binned at every size at once: a search for the
// points of a prefix near a position visits the cells the limit reaches and
// reads each cell only up to the first index past the prefix.
//
// The answers are those of a scan of the whole prefix in table order: a
// point is taken by the same test of its examined copies (copy_search.h), and
// the cells searched hold every point with a copy that can lie within the
// limit. Built once, when the plug-in is loaded; read-only afterwards, so any
// number of render threads may search at once, with no lock and no
// allocation.
#pragma once

#include <cstdint>

#include "point_table.h"

namespace Stipple_Shader {

namespace detail {
// Where the cell starts of grid level k (g = 2^k) begin: g² + 1 per level.
constexpr int32_t BinLevelStart(int32_t level) {
    int32_t start = 0;
    for (int32_t k = 0; k < level; ++k) start += (1 << (2 * k)) + 1;
    return start;
}
}  // namespace detail

class PointBins {
public:
    static constexpr int32_t kLevels = 8;                     // g = 1, 2, 4, ..., 128
    static constexpr int32_t kMaxCells = 1 << (kLevels - 1);  // cells per axis at most
    static constexpr int32_t kCapacity = kTablePointCount;    // points binned at most

    // Bins the first `count` points (at most kCapacity; each in [0, 1)²).
    PointBins(const PatternPoint* points, int32_t count);

    // The lowest index below n of a point with an examined copy nearer than
    // √limit, or −1 (also for a limit that is not positive or not a number,
    // and for a position that is not finite).
    int32_t First(int32_t n, float x, float y, float limit) const;

    // The indices below n of the points with an examined copy nearer than
    // √limit, the lowest ones in ascending order, written to out up to its
    // capacity. Returns the number written.
    int32_t Gather(int32_t n, int32_t* out, int32_t capacity, float x, float y, float limit) const;

    // The grid size (cells per axis) a search of a prefix of n points within
    // the limit uses: about √(2n), so that a cell holds one or two points of
    // the prefix, but no cell narrower than the limit's reach.
    static int32_t GridSizeFor(int32_t n, float limit);

    // Cell (column, row) at grid size g: its indices, ascending.
    struct CellList {
        const uint16_t* begin;
        const uint16_t* end;
    };
    CellList Cell(int32_t gridSize, int32_t column, int32_t row) const;

private:
    template <class Visit>
    void VisitCells(int32_t n, float x, float y, float limit, Visit&& visit) const;

    const PatternPoint* m_points;
    int32_t m_count;
    // Per level, the position in m_indices[level] of each cell's first index
    // (rows of g cells from y = 0, then one past the last cell), and the
    // indices cell by cell.
    uint16_t m_starts[detail::BinLevelStart(kLevels)];
    uint16_t m_indices[kLevels][kCapacity];
};

// The bins of PointTable8192.
const PointBins& TableBins();

}  // namespace Stipple_Shader
