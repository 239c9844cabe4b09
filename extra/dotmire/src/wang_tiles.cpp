// The eight recursive point tiles and their sampler.
#include "wang_tiles.h"

#include <cmath>

#include "copy_search.h"
#include "point_search.h"
#include "wang_tile_lists.h"

namespace Stipple_Shader {

namespace {

// Edge colours, subdivision, counts, reserved, lists, children (slot 4r + c).
constexpr WangTile kTiles[kWangTileCount] = {
    {{2, 1, 3, 0}, 4, 509, 7618, 0, kWangTile0A, kWangTile0B, {7, 4, 5, 1, 0, 7, 1, 5, 5, 1, 5, 7, 0, 4, 3, 0}},
    {{2, 0, 3, 1}, 4, 503, 7602, 0, kWangTile1A, kWangTile1B, {0, 4, 5, 7, 4, 3, 0, 1, 1, 0, 6, 4, 6, 4, 5, 1}},
    {{3, 0, 3, 0}, 4, 510, 7622, 0, kWangTile2A, kWangTile2B, {4, 0, 1, 5, 0, 4, 2, 3, 2, 0, 6, 1, 2, 5, 4, 2}},
    {{2, 0, 2, 0}, 4, 513, 7626, 0, kWangTile3A, kWangTile3B, {1, 5, 4, 0, 5, 1, 3, 2, 0, 4, 0, 4, 5, 1, 2, 3}},
    {{3, 0, 2, 1}, 4, 502, 7620, 0, kWangTile4A, kWangTile4B, {2, 0, 1, 5, 6, 4, 5, 1, 6, 1, 0, 4, 4, 2, 2, 3}},
    {{3, 1, 2, 0}, 4, 517, 7617, 0, kWangTile5A, kWangTile5B, {4, 3, 0, 4, 0, 1, 2, 0, 2, 5, 4, 5, 5, 1, 0, 7}},
    {{3, 1, 3, 1}, 4, 506, 7639, 0, kWangTile6A, kWangTile6B, {5, 1, 0, 4, 1, 5, 4, 0, 4, 3, 3, 5, 1, 3, 3, 0}},
    {{2, 1, 2, 1}, 4, 502, 7622, 0, kWangTile7A, kWangTile7B, {0, 4, 5, 1, 4, 0, 1, 5, 1, 5, 4, 0, 4, 0, 1, 5}},
};

constexpr uint32_t kMaxSubdivision = 4;  // the children table holds 4 × 4 slots
constexpr uint32_t kSetSize = kWangTileCount;

// trunc(v) for a float that may be huge or not a number (0 then), kept
// well inside 32 bits so that slot arithmetic cannot overflow.
int32_t SafeTrunc(float v) {
    if (!(v > -16777216.0f)) return v != v ? 0 : -16777216;
    if (v > 16777216.0f) return 16777216;
    return static_cast<int32_t>(v);
}

// v wrapped into [0, 1); 0 for a value that is not finite.
float WrapUnit(float v) {
    if (!std::isfinite(v)) return 0.0f;
    float w = v - std::floor(v);
    return w < 1.0f ? w : 0.0f;  // a tiny negative v rounds up to 1
}

}  // namespace

const WangTile* const WangTileSet[kWangTileCount] = {&kTiles[0], &kTiles[1], &kTiles[2], &kTiles[3],
                                                     &kTiles[4], &kTiles[5], &kTiles[6], &kTiles[7]};

WangTileSampler::WangTileSampler() : tileSet_(WangTileSet) {}

int32_t WangTileSampler::TileAt(const WangTile* tile, float* fx, float* fy, float u, float v) {
    if (!tile) tile = WangTileSet[0];
    const float s = static_cast<float>(tile->subdivision);
    const float x = u * s, y = v * s;
    const int32_t c = SafeTrunc(x), r = SafeTrunc(y);
    if (fx) *fx = x - static_cast<float>(c);
    if (fy) *fy = y - static_cast<float>(r);
    return r * static_cast<int32_t>(tile->subdivision) + c;
}

int32_t WangTileSampler::FlattenA(const WangTile* tile) { return Flatten(tile, false); }
int32_t WangTileSampler::FlattenB(const WangTile* tile) { return Flatten(tile, true); }

int32_t WangTileSampler::Flatten(const WangTile* tile, bool listB) {
    flattened_.clear();
    if (!tile || tile->subdivision > kMaxSubdivision) return 0;
    const uint32_t s = tile->subdivision;
    auto countOf = [&](const WangTile& t) { return listB ? t.countB : t.countA; };
    auto listOf = [&](const WangTile& t) { return listB ? t.listB : t.listA; };
    uint32_t total = 0, most = 0;
    for (uint32_t slot = 0; slot < s * s; ++slot) {
        if (tile->children[slot] >= kSetSize) return 0;  // not a tile of the set
        const uint32_t n = countOf(*tileSet_[tile->children[slot]]);
        total += n;
        if (n > most) most = n;
    }
    std::vector<PatternPoint> list;
    list.reserve(total);
    const float sf = static_cast<float>(s);
    for (uint32_t level = 0; level < most; ++level) {
        for (uint32_t r = 0; r < s; ++r) {
            for (uint32_t c = 0; c < s; ++c) {
                const WangTile& child = *tileSet_[tile->children[r * s + c]];
                if (level >= countOf(child)) continue;
                const PatternPoint& p = listOf(child)[level];
                list.push_back({p.x / sf + static_cast<float>(c) / sf, p.y / sf + static_cast<float>(r) / sf});
            }
        }
    }
    flattened_.swap(list);  // the previous list is freed with `list`
    return FlattenedCount();
}

int32_t WangTileSampler::Subdivide(const WangTile* tile, int32_t n, float* distanceSquared, float u, float v,
                                   float limit) const {
    if (!tile) tile = tileSet_[0];
    const PatternPoint* list;
    uint32_t length;
    if (n >= 0 && tile->countA > static_cast<uint32_t>(n)) {
        list = tile->listA;
        length = tile->countA;
    } else if (n >= 0 && tile->countB > static_cast<uint32_t>(n)) {
        list = tile->listB;
        length = tile->countB;
    } else {
        // Too few points at this level: the sub-tile under the position, in
        // its own frame, with the same dot radius (the limit scaled by s²).
        const float s = static_cast<float>(tile->subdivision);
        float fx = 0.0f, fy = 0.0f;
        int32_t slot = TileAt(tile, &fx, &fy, WrapUnit(u), WrapUnit(v));
        if (slot < 0 || slot >= 16) slot = 0;  // only for a subdivision past 4
        const uint32_t child = tile->children[slot];
        const WangTile* sub = tileSet_[child < kSetSize ? child : 0];
        list = sub->listB;
        length = sub->countB;
        u = fx;
        v = fy;
        limit = limit * (s * s);
    }
    const int32_t count = n < static_cast<int32_t>(length) ? n : static_cast<int32_t>(length);
    if (count < 1) {
        if (distanceSquared) *distanceSquared = -1.0f;
        return -1;
    }
    return detail::SearchCopies<false>(list, count, u, v, limit, distanceSquared);
}

int32_t WangTileSampler::DotIndex(int32_t pointCount, float pointRadius, float u, float v, float density) const {
    float scratch;
    return Subdivide(nullptr, DensityPrefix(pointCount, density), &scratch, u, v,
                     DotLimit(pointCount, pointRadius));
}

}  // namespace Stipple_Shader
