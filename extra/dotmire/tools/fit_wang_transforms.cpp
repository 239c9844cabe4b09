// Chooses the symmetry and shift of each recursive tile's A and B lists
// (data/wang_tile_transforms.txt) so that sub-tiles laid side by side in the
// tiles' 4 × 4 child blocks keep their points apart across the shared edges
// and corners: it minimises, by a seeded random search, the pairs closer than
// the list's own spacing bound 0.68/√n across every neighbouring pair of
// children that occurs. Reads the current transform file as the start.
//
// usage: fit_wang_transforms <wang_tile_transforms.txt> <out.txt>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "point_table.h"
#include "seeded_rng.h"
#include "tile_transform.h"
#include "wang_tiles.h"

namespace {

using namespace Stipple_Shader;
using embed::kUnit;
using embed::Millionths;

struct Choice {
    long symmetry, shiftX, shiftY;
};

// Neighbouring children: b lies at offset (dx, dy) sub-tiles from a.
struct Adjacency {
    int a, b, dx, dy;
    bool operator<(const Adjacency& o) const {
        return std::tie(a, b, dx, dy) < std::tie(o.a, o.b, o.dx, o.dy);
    }
};

std::vector<Adjacency> Adjacencies() {
    std::set<Adjacency> found;
    for (int t = 0; t < kWangTileCount; ++t)
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c) {
                const int a = static_cast<int>(WangTileSet[t]->children[4 * r + c]);
                auto at = [&](int rr, int cc) { return static_cast<int>(WangTileSet[t]->children[4 * rr + cc]); };
                if (c < 3) found.insert({a, at(r, c + 1), 1, 0});
                if (r < 3) found.insert({a, at(r + 1, c), 0, 1});
                if (r < 3 && c < 3) found.insert({a, at(r + 1, c + 1), 1, 1});
                if (r > 0 && c < 3) found.insert({a, at(r - 1, c + 1), 1, -1});
            }
    return {found.begin(), found.end()};
}

using Rng = Stipple_Shader::tools::SeededRng;

class Fit {
public:
    Fit(const std::vector<Millionths>& table, bool listB) : table_(table), listB_(listB), adj_(Adjacencies()) {}

    long Count(int t) const { return listB_ ? WangTileSet[t]->countB : WangTileSet[t]->countA; }

    void Set(int t, const Choice& c) {
        choice_[t] = c;
        points_[t].clear();
        for (long i = 0; i < Count(t); ++i) points_[t].push_back(embed::Transform(table_[i], c.symmetry, c.shiftX, c.shiftY));
    }
    const Choice& Get(int t) const { return choice_[t]; }

    // Sum of (θ² − d²) over the pairs closer than θ across every seam.
    double Penalty() const {
        double total = 0;
        for (const Adjacency& j : adj_) {
            const double theta = 0.68 / std::sqrt(static_cast<double>(std::max(Count(j.a), Count(j.b)))) * kUnit;
            const long reach = static_cast<long>(theta) + 1;
            for (const Millionths& p : points_[j.a]) {
                if (j.dx == 1 && p.x < kUnit - reach) continue;
                if (j.dy == 1 && p.y < kUnit - reach) continue;
                if (j.dy == -1 && p.y >= reach) continue;
                for (const Millionths& q : points_[j.b]) {
                    const double ddx = static_cast<double>(q.x + j.dx * kUnit - p.x);
                    const double ddy = static_cast<double>(q.y + j.dy * kUnit - p.y);
                    if (std::fabs(ddx) >= theta || std::fabs(ddy) >= theta) continue;
                    const double d2 = ddx * ddx + ddy * ddy;
                    if (d2 < theta * theta) total += theta * theta - d2;
                }
            }
        }
        return total;
    }

private:
    const std::vector<Millionths>& table_;
    bool listB_;
    std::vector<Adjacency> adj_;
    Choice choice_[kWangTileCount]{};
    std::vector<Millionths> points_[kWangTileCount];
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: fit_wang_transforms <wang_tile_transforms.txt> <out.txt>\n");
        return 2;
    }
    std::vector<Millionths> table;
    for (int i = 0; i < kTablePointCount; ++i)
        table.push_back({std::lround(PointTable8192[i].x * 1e6), std::lround(PointTable8192[i].y * 1e6)});
    Choice start[2][kWangTileCount]{};
    std::ifstream in(argv[1]);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream f(line);
        long t, list, count;
        Choice c;
        if (f >> t >> list >> count >> c.symmetry >> c.shiftX >> c.shiftY) start[list][t] = c;
    }
    Rng rng{0x7117E5u};
    Choice best[2][kWangTileCount];
    for (int list = 0; list < 2; ++list) {
        Fit fit(table, list == 1);
        for (int t = 0; t < kWangTileCount; ++t) fit.Set(t, start[list][t]);
        double penalty = fit.Penalty();
        std::fprintf(stderr, "list %c: start %.0f\n", list ? 'B' : 'A', penalty);
        const int rounds = list ? 4000 : 200000;
        for (int round = 0; round < rounds && penalty > 0; ++round) {
            const int t = static_cast<int>(rng.Below(kWangTileCount));
            const Choice old = fit.Get(t);
            Choice c = old;
            if (rng.Below(2) == 0) {
                c = {rng.Below(8), rng.Below(kUnit), rng.Below(kUnit)};
            } else {
                c.shiftX = (c.shiftX + rng.Below(40001) - 20000 + kUnit) % kUnit;
                c.shiftY = (c.shiftY + rng.Below(40001) - 20000 + kUnit) % kUnit;
            }
            fit.Set(t, c);
            const double p = fit.Penalty();
            if (p <= penalty) penalty = p;
            else fit.Set(t, old);
        }
        std::fprintf(stderr, "list %c: end %.0f\n", list ? 'B' : 'A', penalty);
        for (int t = 0; t < kWangTileCount; ++t) best[list][t] = fit.Get(t);
    }
    FILE* out = std::fopen(argv[2], "w");
    if (!out) return 1;
    std::fprintf(out,
                 "# The point lists of the eight recursive tiles: each is the first `count`\n"
                 "# points of the point table under symmetry `sym` of the square (bit 0 swaps\n"
                 "# x and y, bit 1 mirrors x, bit 2 mirrors y) and a wrap-around shift, all in\n"
                 "# integer millionths. Chosen by tools/fit_wang_transforms.\n"
                 "# tile list(0 A, 1 B) count sym shift_x shift_y\n");
    for (int t = 0; t < kWangTileCount; ++t)
        for (int list = 0; list < 2; ++list)
            std::fprintf(out, "%d %d %u %ld %ld %ld\n", t, list, list ? WangTileSet[t]->countB : WangTileSet[t]->countA,
                         best[list][t].symmetry, best[list][t].shiftX, best[list][t].shiftY);
    return std::fclose(out) == 0 ? 0 : 1;
}
