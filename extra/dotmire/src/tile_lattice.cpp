// The sixteen lattice tiles, their lookup and their searches.
#include "tile_lattice.h"

namespace Stipple_Shader {

// Written into the build tree by embed_point_data from data/tile_lattice.txt.
extern const PatternPoint kLatticePoints[16][32];

namespace {

constexpr int32_t kLatticeTiles = 16;
constexpr int32_t kLeastPoints = 10;  // tiles with fewer points are not searched

constexpr LatticeTile kTiles[kLatticeTiles] = {
    {2, 32, 0, kLatticePoints[0]},   {2, 32, 1, kLatticePoints[1]},   {2, 32, 2, kLatticePoints[2]},
    {2, 32, 3, kLatticePoints[3]},   {2, 32, 4, kLatticePoints[4]},   {2, 32, 5, kLatticePoints[5]},
    {2, 32, 6, kLatticePoints[6]},   {2, 32, 7, kLatticePoints[7]},   {2, 32, 8, kLatticePoints[8]},
    {2, 32, 9, kLatticePoints[9]},   {2, 32, 10, kLatticePoints[10]}, {2, 32, 11, kLatticePoints[11]},
    {2, 32, 12, kLatticePoints[12]}, {2, 32, 13, kLatticePoints[13]}, {2, 32, 14, kLatticePoints[14]},
    {2, 32, 15, kLatticePoints[15]},
};

constexpr const LatticeTile* kTable[kLatticeTiles] = {
    &kTiles[0], &kTiles[1], &kTiles[2],  &kTiles[3],  &kTiles[4],  &kTiles[5],  &kTiles[6],  &kTiles[7],
    &kTiles[8], &kTiles[9], &kTiles[10], &kTiles[11], &kTiles[12], &kTiles[13], &kTiles[14], &kTiles[15],
};

bool Searchable(const LatticeTile* tile) {
    return tile && tile->count >= kLeastPoints && tile->points;
}

}  // namespace

int32_t SearchTile(const LatticeTile* tile, int32_t n, float* distanceSquared, float x, float y, float limit) {
    if (!Searchable(tile)) return -1;
    float b = distanceSquared ? *distanceSquared : -1.0f;
    int32_t result = -1;
    const int32_t count = n < tile->count ? n : tile->count;
    for (int32_t k = 0; k < count; ++k) {
        float dx = x - tile->points[k].x;
        float dy = y - tile->points[k].y;
        float d = dx * dx + dy * dy;
        if (d < limit) {
            if (distanceSquared) *distanceSquared = d;
            return k;
        }
        if (b < 0.0f || b > d) {
            b = d;
            result = k;
        }
    }
    if (distanceSquared) *distanceSquared = b;
    return result;
}

TileLattice::TileLattice() : table(kTable), entries(kLatticeTiles), colours(2), radius(0.075984f) {}

const LatticeTile* TileLattice::Lookup(int32_t a, int32_t b, int32_t c, int32_t d) const {
    if (colours < 1 || entries < 1) return table[0];
    const int64_t m = colours;
    const int64_t i = a % m + (b % m) * m + (c % m + (d % m) * m) * m * m;
    // Negative colours would give a negative entry: they fall back to entry 0.
    if (i >= 0 && i < entries && table[i]) return table[i];
    return table[0];
}

int32_t TileLattice::SearchNeighbours(const LatticeTile* tile, const LatticeNeighbours& neighbours, int32_t n,
                                      float* distanceSquared, float x, float y, float limit) const {
    if (limit > 0.0f && limit > radius * radius) limit = radius * radius;
    float best = -1.0f;
    int32_t bestIndex = -1;
    auto finish = [&](int32_t index) {
        if (distanceSquared) *distanceSquared = best;
        return index;
    };
    if (!Searchable(tile) || n < 1) return finish(-1);

    // Searches one tile with the position moved into its frame; true on a hit.
    int32_t hit = -1;
    auto search = [&](const LatticeTile* t, float px, float py) {
        if (!Searchable(t)) return false;
        float running = best;
        const int32_t index = SearchTile(t, n, &running, px, py, limit);
        if (index < 0) return false;
        best = running;
        if (running < limit) {
            hit = index;
            return true;
        }
        bestIndex = index;
        return false;
    };
    using S = LatticeNeighbours;
    const auto& nb = neighbours.tiles;
    if (search(tile, x, y)) return finish(hit);
    if (best > x * x || best > (1.0f - x) * (1.0f - x)) {
        bool hitHere = 1.0f - x >= x ? search(nb[S::kMinusX], x + 1.0f, y) : search(nb[S::kPlusX], x - 1.0f, y);
        if (hitHere) return finish(hit);
    }
    if (best > y * y || best > (1.0f - y) * (1.0f - y)) {
        bool hitHere = 1.0f - y >= y ? search(nb[S::kMinusY], x, y + 1.0f) : search(nb[S::kPlusY], x, y - 1.0f);
        if (hitHere) return finish(hit);
    }
    if (best > x * x + y * y && search(nb[S::kMinusXMinusY], x + 1.0f, y + 1.0f)) return finish(hit);
    if (best > x * x + (1.0f - y) * (1.0f - y) && search(nb[S::kMinusXPlusY], x + 1.0f, y - 1.0f))
        return finish(hit);
    if (best > (1.0f - x) * (1.0f - x) + (1.0f - y) * (1.0f - y) &&
        search(nb[S::kPlusXPlusY], x - 1.0f, y - 1.0f))
        return finish(hit);
    if (best > (1.0f - x) * (1.0f - x) + y * y && search(nb[S::kPlusXMinusY], x - 1.0f, y + 1.0f))
        return finish(hit);
    return finish(limit <= 0.0f ? bestIndex : -1);
}

}  // namespace Stipple_Shader
