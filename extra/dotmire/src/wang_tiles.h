// Eight square point tiles that subdivide recursively: each tile is split into
// 4 × 4 sub-tiles, each again one of the eight, whose edge colours agree with
// their neighbours'. Each tile carries two progressive point lists (A short,
// B long). The sampler flattens a tile's sub-tiles into one list and finds
// points near a position with the stipple dot rule.
#pragma once

#include <cstdint>
#include <vector>

#include "point_table.h"

namespace Stipple_Shader {

struct WangTile {
    uint32_t edgeColours[4];  // at y = 0, x = 1, y = 1, x = 0
    uint32_t subdivision;     // sub-tiles per side
    uint32_t countA;
    uint32_t countB;
    uint32_t reserved;
    const PatternPoint* listA;
    const PatternPoint* listB;
    uint32_t children[16];    // tile of sub-tile (row r, column c) at slot 4r + c; row follows y
};

inline constexpr int32_t kWangTileCount = 8;

// The eight tiles, in index order.
extern const WangTile* const WangTileSet[kWangTileCount];

class WangTileSampler {
public:
    WangTileSampler();

    // The slot of the sub-tile under (u, v); the position within that
    // sub-tile's frame goes to *fx, *fy when given.
    static int32_t TileAt(const WangTile* tile, float* fx, float* fy, float u, float v);

    // Lays the children's A (or B) lists out in the tile's frame, level by
    // level: every sub-tile's first point in row-major order, then every
    // second point, and so on. Replaces (and frees) the previous list; returns
    // the number of points.
    int32_t FlattenA(const WangTile* tile);
    int32_t FlattenB(const WangTile* tile);

    // Searches list A of the tile (tile 0 when null) when it holds more than n
    // points, else list B when that does; otherwise the sub-tile under (u, v),
    // in its own frame, with its list B and the limit scaled to it. Point and
    // edge copies only. Returns the index within the searched list, or −1;
    // the squared distance as StippleCoverage writes it.
    int32_t Subdivide(const WangTile* tile, int32_t n, float* distanceSquared, float u, float v,
                      float limit) const;

    // StippleDotIndex over the tiles.
    int32_t DotIndex(int32_t pointCount, float pointRadius, float u, float v, float density) const;

    const WangTile* const* TileSet() const { return tileSet_; }
    const PatternPoint* Flattened() const { return flattened_.data(); }
    int32_t FlattenedCount() const { return static_cast<int32_t>(flattened_.size()); }

private:
    int32_t Flatten(const WangTile* tile, bool listB);

    const WangTile* const* tileSet_;
    uint64_t unused_[3] = {0, 0, 0};  // cleared, not used by the operations
    std::vector<PatternPoint> flattened_;
};

}  // namespace Stipple_Shader
