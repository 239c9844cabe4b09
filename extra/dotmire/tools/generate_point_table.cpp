// Generates the progressive point table (data/point_table.txt): 8192 rows of
// two integers in millionths. Deterministic (fixed seed, own integer RNG,
// 64-bit integer distances); takes minutes of CPU, so it is never run by the
// build. Compile with plain float arithmetic (-ffp-contract=off).
//
// 1. Rows 0 to 7 are fixed; rows 8190 and 8191 are fixed too and reserved:
//    no generated point comes within 0.0090 (wrap-around) of them.
// 2. For n = 9 ... 8190 the n-th point is the best of 30,000 uniform
//    candidates by wrap-around nearest-neighbour distance, refusing scores
//    below max(1.01 · 0.68/√n, 1.001 · spacing) and, while the prefix minimum
//    is above 0.99 · 0.88/√n, scores above that cap. Only when every
//    candidate falls short is the best one hill-climbed with halving steps.
// 3. Rows 8190 and 8191 are appended.
// 4. The last generated point is moved to exactly the float spacing constant
//    from a neighbour, all bounds still holding, so that the smallest plain
//    distance of the table equals the constant the materials store.
//
// usage: generate_point_table <out.txt>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "seeded_rng.h"

namespace {

constexpr int64_t kUnit = 1000000;
constexpr int kPoints = 8192;
constexpr int kCandidates = 30000;
constexpr float kSpacing = 0.008740736f;
constexpr double kSpacingUnits = 8740.736;
constexpr int64_t kReservedClearance = 9000;  // 0.0090

struct Point {
    int64_t x, y;
};

using Rng = Stipple_Shader::tools::SeededRng;

int64_t WrapDelta(int64_t a, int64_t b) {
    int64_t d = a > b ? a - b : b - a;
    return std::min(d, kUnit - d);
}

int64_t Wrap2(const Point& p, const Point& q) {
    int64_t dx = WrapDelta(p.x, q.x), dy = WrapDelta(p.y, q.y);
    return dx * dx + dy * dy;
}

int64_t Mod(int64_t v) { return ((v % kUnit) + kUnit) % kUnit; }

// Bucket grid over the wrap-around square for nearest-neighbour queries.
class Buckets {
public:
    void Reset(int size, const std::vector<Point>& points) {
        size_ = size;
        cells_.assign(static_cast<size_t>(size) * size, {});
        for (const Point& p : points) Add(p);
    }
    int Size() const { return size_; }
    void Add(const Point& p) { cells_[Index(CellOf(p.x), CellOf(p.y))].push_back(p); }

    // Squared wrap distance to the nearest stored point, searched out to
    // √stop2 only: returns a value ≥ stop2 when nothing lies nearer. Stops as
    // soon as a point lies at or below give_up2 (returning its distance).
    int64_t Nearest2(const Point& q, int64_t stop2, int64_t giveUp2) const {
        const int cx = CellOf(q.x), cy = CellOf(q.y);
        const double cell = static_cast<double>(kUnit) / size_;
        int64_t best = INT64_MAX;
        const int maxRing = size_ / 2 + 1;
        for (int r = 0; r <= maxRing; ++r) {
            if (r > 0) {
                double reach = (r - 1) * cell;  // nothing in ring r is nearer than this
                double bound = std::min(static_cast<double>(best), static_cast<double>(stop2));
                if (reach * reach >= bound) break;
            }
            for (int j = -r; j <= r; ++j) {
                for (int i = -r; i <= r; ++i) {
                    if (std::max(std::abs(i), std::abs(j)) != r) continue;
                    for (const Point& p : cells_[Index(Wrap(cx + i), Wrap(cy + j))]) {
                        int64_t d = Wrap2(p, q);
                        if (d < best) {
                            best = d;
                            if (best <= giveUp2) return best;
                        }
                    }
                }
            }
        }
        return best;
    }

private:
    int CellOf(int64_t v) const { return static_cast<int>(v * size_ / kUnit); }
    int Wrap(int c) const { return ((c % size_) + size_) % size_; }
    size_t Index(int i, int j) const { return static_cast<size_t>(j) * size_ + i; }

    int size_ = 1;
    std::vector<std::vector<Point>> cells_ = std::vector<std::vector<Point>>(1);
};

struct Bounds {
    int64_t low2;             // refuse scores below
    int64_t cap2;             // refuse scores above (INT64_MAX: no cap)
};

struct Generator {
    std::vector<Point> points;
    Point reserved[2] = {{401145, 39471}, {60682, 881164}};
    Buckets buckets;
    Rng rng{0x5EED0D07u};

    bool ClearOfReserved(const Point& q) const {
        return Wrap2(q, reserved[0]) >= kReservedClearance * kReservedClearance &&
               Wrap2(q, reserved[1]) >= kReservedClearance * kReservedClearance;
    }

    // Score of a candidate (squared nearest distance), or −1 when refused
    // for the reserved rows or the cap. Scores at or below floor2 come back
    // as found so far (they lose anyway).
    int64_t Score(const Point& q, const Bounds& b, int64_t floor2) const {
        if (!ClearOfReserved(q)) return -1;
        int64_t stop2 = b.cap2 == INT64_MAX ? INT64_MAX : b.cap2 + 1;
        int64_t d = buckets.Nearest2(q, stop2, floor2);
        if (d > b.cap2) return -1;
        return d;
    }

    void Append(const Point& p) {
        points.push_back(p);
        int want = 1;
        while (static_cast<int64_t>(want * 2) * (want * 2) * 2 <= static_cast<int64_t>(points.size()) && want < 128) want *= 2;
        if (want != buckets.Size()) buckets.Reset(want, points);
        else buckets.Add(p);
    }

    // Raises the score by moves of halving length while it stays refused-free.
    bool HillClimb(Point& p, int64_t& score, const Bounds& b) {
        static const int dirs[8][2] = {{1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}, {-1, -1}, {0, -1}, {1, -1}};
        int64_t step = static_cast<int64_t>(std::sqrt(static_cast<double>(b.low2)));
        while (step >= 1 && score < b.low2) {
            bool moved = false;
            for (const auto& d : dirs) {
                Point q{Mod(p.x + d[0] * step), Mod(p.y + d[1] * step)};
                int64_t s = Score(q, b, score);
                if (s > score) {
                    p = q;
                    score = s;
                    moved = true;
                }
            }
            if (!moved) step /= 2;
        }
        return score >= b.low2;
    }

    Point Next(int n, int64_t prefixMin2) {
        const double lowUnits = std::max(1.01 * 0.68 / std::sqrt(n), 1.001 * kSpacingUnits / kUnit) * kUnit;
        const double capUnits = 0.99 * 0.88 / std::sqrt(n) * kUnit;
        Bounds b;
        b.low2 = static_cast<int64_t>(std::ceil(lowUnits * lowUnits));
        b.cap2 = static_cast<double>(prefixMin2) > capUnits * capUnits
                     ? static_cast<int64_t>(std::floor(capUnits * capUnits))
                     : INT64_MAX;
        for (int attempt = 0; attempt < 100; ++attempt) {
            Point best{0, 0};
            int64_t bestScore = -1;
            for (int c = 0; c < kCandidates; ++c) {
                Point q{rng.Below(kUnit), rng.Below(kUnit)};
                int64_t s = Score(q, b, bestScore);
                if (s > bestScore) {
                    best = q;
                    bestScore = s;
                }
            }
            if (bestScore >= b.low2) return best;
            if (bestScore > 0 && HillClimb(best, bestScore, b)) {
                std::fprintf(stderr, "n %d: hill-climbed\n", n);
                return best;
            }
        }
        std::fprintf(stderr, "n %d: no point found\n", n);
        std::exit(1);
    }
};

// The float of a six-decimal number, as the compiler reads the literal.
float SixDecimal(int64_t millionths) {
    char text[32];
    std::snprintf(text, sizeof text, "0.%06lld", static_cast<long long>(millionths));
    return std::strtof(text, nullptr);
}

float PlainFloatDistance(const Point& p, const Point& q) {
    float dx = SixDecimal(p.x) - SixDecimal(q.x);
    float dy = SixDecimal(p.y) - SixDecimal(q.y);
    return std::sqrt(dx * dx + dy * dy);
}

// Step 4: a place at exactly the float spacing (plain) from some point j,
// every other point at least 1.001 · spacing away (wrap-around).
bool PlaceAtSpacing(std::vector<Point>& points, int moved) {
    std::vector<int> order;
    for (int j = 0; j < static_cast<int>(points.size()); ++j)
        if (j != moved) order.push_back(j);
    const Point from = points[moved];
    std::sort(order.begin(), order.end(), [&](int a, int b) { return Wrap2(points[a], from) < Wrap2(points[b], from); });
    const double keep = 1.001 * kSpacingUnits;
    const int64_t keep2 = static_cast<int64_t>(std::ceil(keep * keep));
    const int reach = static_cast<int>(kSpacingUnits) + 1;
    for (int j : order) {
        const Point& p = points[j];
        for (int dx = -reach; dx <= reach; ++dx) {
            double rest = kSpacingUnits * kSpacingUnits - static_cast<double>(dx) * dx;
            if (rest < 0) continue;
            int base = static_cast<int>(std::lround(std::sqrt(rest)));
            for (int sign : {1, -1}) {
                for (int dy = base - 1; dy <= base + 1; ++dy) {
                    Point q{p.x + dx, p.y + sign * dy};
                    if (q.x < 0 || q.x >= kUnit || q.y < 0 || q.y >= kUnit) continue;
                    if (PlainFloatDistance(p, q) != kSpacing) continue;
                    bool clear = true;
                    for (int k = 0; k < static_cast<int>(points.size()) && clear; ++k)
                        if (k != moved && k != j && Wrap2(points[k], q) < keep2) clear = false;
                    if (!clear || Wrap2(p, q) < static_cast<int64_t>(std::pow(0.68 / std::sqrt(8190.0) * kUnit, 2)) + 1)
                        continue;
                    std::fprintf(stderr, "moved row %d from (%lld, %lld) to (%lld, %lld), next to row %d\n", moved,
                                 (long long)from.x, (long long)from.y, (long long)q.x, (long long)q.y, j);
                    points[moved] = q;
                    return true;
                }
            }
        }
    }
    return false;
}

// Checks every property the table promises; prints the first failure.
bool Verify(const std::vector<Point>& points) {
    int64_t prefixMin2 = INT64_MAX;
    for (int n = 2; n <= kPoints; ++n) {
        for (int k = 0; k < n - 1; ++k) prefixMin2 = std::min(prefixMin2, Wrap2(points[k], points[n - 1]));
        double d = std::sqrt(static_cast<double>(prefixMin2)) / kUnit;
        if (d < 0.68 / std::sqrt(n) || d > 0.88 / std::sqrt(n)) {
            std::fprintf(stderr, "prefix %d: minimum %.7f out of bounds\n", n, d);
            return false;
        }
    }
    std::vector<float> xs, ys;
    for (const Point& p : points) {
        xs.push_back(SixDecimal(p.x));
        ys.push_back(SixDecimal(p.y));
    }
    float best2 = 2.0f;
    for (int i = 0; i < kPoints; ++i)
        for (int j = i + 1; j < kPoints; ++j) {
            float dx = xs[i] - xs[j];
            float dy = ys[i] - ys[j];
            best2 = std::min(best2, dx * dx + dy * dy);
        }
    std::fprintf(stderr, "plain minimum %.9g (constant %.9g)\n", std::sqrt(best2), kSpacing);
    return std::sqrt(best2) == kSpacing;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: generate_point_table <out.txt>\n");
        return 2;
    }
    Generator g;
    const Point fixed[8] = {{500000, 500000}, {985297, 879589}, {420830, 896516}, {979260, 415462},
                            {603687, 160519}, {294232, 164397}, {739019, 686304}, {189010, 695906}};
    int64_t prefixMin2 = INT64_MAX;
    for (const Point& p : fixed) {
        for (const Point& q : g.points) prefixMin2 = std::min(prefixMin2, Wrap2(p, q));
        g.Append(p);
    }
    for (int n = 9; n <= kPoints - 2; ++n) {
        Point p = g.Next(n, prefixMin2);
        prefixMin2 = std::min(prefixMin2, g.buckets.Nearest2(p, INT64_MAX, -1));
        g.Append(p);
        if (n % 512 == 0) std::fprintf(stderr, "n %d, prefix minimum %.7f\n", n, std::sqrt((double)prefixMin2) / kUnit);
    }
    g.Append(g.reserved[0]);
    g.Append(g.reserved[1]);
    if (!PlaceAtSpacing(g.points, kPoints - 3)) {
        std::fprintf(stderr, "no place at the spacing constant\n");
        return 1;
    }
    if (!Verify(g.points)) return 1;
    FILE* out = std::fopen(argv[1], "w");
    if (!out) return 1;
    for (const Point& p : g.points) std::fprintf(out, "%lld %lld\n", (long long)p.x, (long long)p.y);
    return std::fclose(out) == 0 ? 0 : 1;
}
