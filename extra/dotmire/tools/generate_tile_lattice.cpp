// Generates the tile lattice (data/tile_lattice.txt): sixteen tiles of 32
// points, one per combination of the colours (0 or 1) at the corners (0, 0),
// (0, 1), (1, 0), (1, 1), tile index a + 2b + 4c + 8d; 16 × 32 rows of two
// integers in millionths, each tile's rows sorted by x.
//
// Points are at least 0.12 apart in any legal arrangement (neighbours agree on
// the colours of the corners they share). Each corner colour owns a patch of
// points around the lattice vertex (a square of half-side 0.2) and each pair
// of corner colours owns a band of points along the seam between them (half-
// width 0.1, between the patches); every tile takes the parts of the four
// patches and four bands that fall inside it, then fills its interior with
// Poisson-disc points up to 32. Bands of one vertex stay apart because they
// are narrower than the patch. Coordinates stay within [0.000328, 0.98].
//
// usage: generate_tile_lattice <out.txt>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "seeded_rng.h"

namespace {

constexpr int64_t kUnit = 1000000;
constexpr int64_t kSpacing = 120000;       // 0.12
constexpr int64_t kPatch = 200000;         // half-side of a corner patch
constexpr int64_t kBand = 100000;          // half-width of an edge band
constexpr int64_t kLowest = 328;           // smallest coordinate inside a tile
constexpr int64_t kHighest = 980000;       // largest coordinate inside a tile
constexpr int kPointsPerTile = 32;

struct Point {
    int64_t x, y;
};

using Rng = Stipple_Shader::tools::SeededRng;

int64_t Dist2(const Point& p, const Point& q) {
    int64_t dx = p.x - q.x, dy = p.y - q.y;
    return dx * dx + dy * dy;
}

bool ClearOf(const Point& p, const std::vector<Point>& others) {
    for (const Point& q : others)
        if (Dist2(p, q) < kSpacing * kSpacing) return false;
    return true;
}

// A coordinate relative to a seam lands inside a tile at v (mod 1); it must
// lie in [kLowest, kHighest] there.
bool AllowedAcrossSeam(int64_t v) {
    int64_t inside = ((v % kUnit) + kUnit) % kUnit;
    return inside >= kLowest && inside <= kHighest;
}

std::vector<Point> Shifted(const std::vector<Point>& points, int64_t dx, int64_t dy) {
    std::vector<Point> out;
    for (const Point& p : points) out.push_back({p.x + dx, p.y + dy});
    return out;
}

struct Lattice {
    std::vector<Point> patch[2];        // around the vertex, relative to it
    std::vector<Point> vertical[2][2];  // seam x = 0 from colour [bottom] to [top], relative to the bottom vertex
    std::vector<Point> horizontal[2][2];  // seam y = 0 from colour [left] to [right], relative to the left vertex
    std::vector<Point> tiles[16];
};

// Poisson-disc points in a box, clear of `fixed`, until `target` or give up.
template <typename Allowed>
std::vector<Point> Fill(Rng& rng, Point low, Point high, int target, const std::vector<Point>& fixed,
                        Allowed&& allowed) {
    std::vector<Point> placed;
    for (int attempt = 0; attempt < 200000 && static_cast<int>(placed.size()) < target; ++attempt) {
        Point p{rng.In(low.x, high.x), rng.In(low.y, high.y)};
        if (!allowed(p) || !ClearOf(p, fixed) || !ClearOf(p, placed)) continue;
        placed.push_back(p);
    }
    return placed;
}

bool Build(Lattice& l, Rng& rng) {
    auto seamOk = [](const Point& p) { return AllowedAcrossSeam(p.x) && AllowedAcrossSeam(p.y); };
    for (int c = 0; c < 2; ++c) l.patch[c] = Fill(rng, {-kPatch, -kPatch}, {kPatch, kPatch}, 6, {}, seamOk);
    for (int p = 0; p < 2; ++p)
        for (int q = 0; q < 2; ++q) {
            std::vector<Point> ends = l.patch[p];
            for (const Point& e : Shifted(l.patch[q], 0, kUnit)) ends.push_back(e);
            l.vertical[p][q] = Fill(rng, {-kBand, kPatch}, {kBand, kUnit - kPatch}, 5, ends, seamOk);
            ends = l.patch[p];
            for (const Point& e : Shifted(l.patch[q], kUnit, 0)) ends.push_back(e);
            l.horizontal[p][q] = Fill(rng, {kPatch, -kBand}, {kUnit - kPatch, kBand}, 5, ends, seamOk);
        }
    for (int t = 0; t < 16; ++t) {
        const int a = t & 1, b = (t >> 1) & 1, c = (t >> 2) & 1, d = (t >> 3) & 1;
        std::vector<Point> shared;  // every patch and band touching the tile, whole
        for (const auto& part : {Shifted(l.patch[a], 0, 0), Shifted(l.patch[b], 0, kUnit),
                                 Shifted(l.patch[c], kUnit, 0), Shifted(l.patch[d], kUnit, kUnit),
                                 Shifted(l.vertical[a][b], 0, 0), Shifted(l.vertical[c][d], kUnit, 0),
                                 Shifted(l.horizontal[a][c], 0, 0), Shifted(l.horizontal[b][d], 0, kUnit)})
            shared.insert(shared.end(), part.begin(), part.end());
        std::vector<Point> inside;
        for (const Point& p : shared)
            if (p.x >= 0 && p.x < kUnit && p.y >= 0 && p.y < kUnit) inside.push_back(p);
        const int need = kPointsPerTile - static_cast<int>(inside.size());
        if (need < 0) return false;
        auto interior = [](const Point& p) {
            bool nearX = p.x < kPatch || p.x >= kUnit - kPatch, nearY = p.y < kPatch || p.y >= kUnit - kPatch;
            if (nearX && nearY) return false;  // a corner patch
            if (p.x < kBand || p.x >= kUnit - kBand || p.y < kBand || p.y >= kUnit - kBand) return false;
            return p.x <= kHighest && p.y <= kHighest;
        };
        std::vector<Point> fill = Fill(rng, {0, 0}, {kUnit, kUnit}, need, shared, interior);
        if (static_cast<int>(fill.size()) < need) return false;
        inside.insert(inside.end(), fill.begin(), fill.end());
        std::sort(inside.begin(), inside.end(), [](const Point& p, const Point& q) {
            return p.x != q.x ? p.x < q.x : p.y < q.y;
        });
        l.tiles[t] = inside;
    }
    return true;
}

// Smallest distance between tile s and tile t placed at offset (ox, oy).
int64_t Across(const Lattice& l, int s, int t, int64_t ox, int64_t oy) {
    int64_t best = INT64_MAX;
    for (const Point& p : l.tiles[s])
        for (const Point& q : l.tiles[t]) best = std::min(best, Dist2(p, {q.x + ox, q.y + oy}));
    return best;
}

bool Verify(const Lattice& l) {
    auto corner = [](int t, int k) { return (t >> k) & 1; };  // k: 0 (0,0), 1 (0,1), 2 (1,0), 3 (1,1)
    const int64_t least = kSpacing * kSpacing;
    for (int s = 0; s < 16; ++s) {
        for (size_t i = 0; i < l.tiles[s].size(); ++i)
            for (size_t j = i + 1; j < l.tiles[s].size(); ++j)
                if (Dist2(l.tiles[s][i], l.tiles[s][j]) < least) return false;
        for (int t = 0; t < 16; ++t) {
            if (corner(s, 2) == corner(t, 0) && corner(s, 3) == corner(t, 1) && Across(l, s, t, kUnit, 0) < least)
                return false;
            if (corner(s, 1) == corner(t, 0) && corner(s, 3) == corner(t, 2) && Across(l, s, t, 0, kUnit) < least)
                return false;
            if (corner(s, 3) == corner(t, 0) && Across(l, s, t, kUnit, kUnit) < least) return false;
            if (corner(s, 2) == corner(t, 1) && Across(l, s, t, kUnit, -kUnit) < least) return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: generate_tile_lattice <out.txt>\n");
        return 2;
    }
    Rng rng{0x1A771CEu};
    Lattice l;
    int attempt = 0;
    while (!Build(l, rng) || !Verify(l)) {
        if (++attempt == 1000) {
            std::fprintf(stderr, "no lattice found\n");
            return 1;
        }
        l = Lattice{};
    }
    std::fprintf(stderr, "lattice found after %d retries\n", attempt);
    FILE* out = std::fopen(argv[1], "w");
    if (!out) return 1;
    for (const auto& tile : l.tiles)
        for (const Point& p : tile) std::fprintf(out, "%lld %lld\n", (long long)p.x, (long long)p.y);
    return std::fclose(out) == 0 ? 0 : 1;
}
