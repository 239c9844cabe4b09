// Sixteen two-colour tiles of 32 points each, one per combination of the
// colours at the four corners, so that any legal arrangement keeps the points'
// spacing across seams; and the searches over one tile and over a tile with
// its neighbours.
#pragma once

#include <cstdint>

#include "point_table.h"

namespace Stipple_Shader {

struct LatticeTile {
    int32_t kind;             // 2 in every record
    int32_t count;            // 32 in every record
    int64_t number;           // 0 to 15, the record's position
    const PatternPoint* points;  // sorted by increasing x
};

// Tiles around a tile, counter-clockwise from +x; each may be null.
struct LatticeNeighbours {
    enum Side { kPlusX, kPlusXPlusY, kPlusY, kMinusXPlusY, kMinusX, kMinusXMinusY, kMinusY,
                kPlusXMinusY, kSideCount };
    const LatticeTile* tiles[kSideCount];
};

// Plain search of the first min(n, count) points of a tile: the first point
// nearer than √T, else the nearest that beat the incoming *distanceSquared
// (negative: none yet), or −1. A null tile, or one of fewer than 10 points,
// returns −1 and leaves *distanceSquared alone.
int32_t SearchTile(const LatticeTile* tile, int32_t n, float* distanceSquared, float x, float y,
                   float limit);

class TileLattice {
public:
    TileLattice();

    // The tile of the colours at corners (0, 0), (0, 1), (1, 0), (1, 1),
    // taken modulo the number of colours; entry 0 when there is none.
    const LatticeTile* Lookup(int32_t a, int32_t b, int32_t c, int32_t d) const;

    // SearchTile over the tile, then over the neighbours whose side or corner
    // is nearer than the best found, with the position moved into their frame.
    // The limit is capped at radius². The index is within the tile that holds
    // the answer.
    int32_t SearchNeighbours(const LatticeTile* tile, const LatticeNeighbours& neighbours,
                             int32_t n, float* distanceSquared, float x, float y,
                             float limit) const;

    const LatticeTile* const* table;
    int32_t entries;
    int32_t colours;
    float radius;
};

}  // namespace Stipple_Shader
