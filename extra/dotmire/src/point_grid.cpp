// The point grid: buckets, the cell scan and the neighbour walk.
#include "point_grid.h"

#include <cmath>

#include "point_search.h"

namespace Stipple_Shader {

PointGrid::PointGrid() = default;

PointGrid::PointGrid(const PatternPoint* points, int32_t count) : gridSize_(GridSizeFor(count)) {
    Rebuild(points, count);
}

int32_t PointGrid::GridSizeFor(int32_t count) {
    int32_t g = 2;
    for (int32_t k = count >> 6; k != 0 && g < kMaxCells; k >>= 2) g *= 2;
    return g;
}

int32_t PointGrid::CellOf(float coordinate) const {
    float v = coordinate * static_cast<float>(gridSize_);
    if (!(v >= 1.0f)) return 0;  // below the first cell's end, or not a number
    if (v >= static_cast<float>(gridSize_ - 1)) return gridSize_ - 1;
    return static_cast<int32_t>(v);
}

void PointGrid::Rebuild(const PatternPoint* points, int32_t count) {
    points_ = points;
    count_ = points && count > 0 ? count : 0;
    for (auto& column : cells_)
        for (auto& cell : column) cell.clear();
    for (int32_t i = 0; i < count_; ++i) cells_[CellOf(points_[i].x)][CellOf(points_[i].y)].push_back(i);
}

int32_t PointGrid::SearchCell(int32_t i, int32_t j, int32_t n, float* running, float x, float y,
                              float limit) const {
    if (i < 0 || j < 0 || i >= gridSize_ || j >= gridSize_) return -1;
    float b = *running;
    int32_t result = -1;
    for (int32_t k : cells_[i][j]) {
        if (k >= n) break;  // lists ascend
        float dx = x - points_[k].x;
        float dy = y - points_[k].y;
        float d = dx * dx + dy * dy;
        if (b < 0.0f || b > d) {
            b = d;
            result = k;
        }
        if (d < limit) {
            *running = d;
            return k;
        }
    }
    *running = b;
    return result;
}

int32_t PointGrid::FindWithin(int32_t n, float* distanceSquared, float x, float y, float limit) const {
    float best = 10.0f;
    int32_t bestIndex = -1;
    auto finish = [&](int32_t index) {
        if (distanceSquared) *distanceSquared = best;
        return index;
    };
    if (!std::isfinite(x) || !std::isfinite(y)) return finish(-1);

    const int32_t g = gridSize_;
    const float gf = static_cast<float>(g);
    const int32_t cx = CellOf(x), cy = CellOf(y);
    const float ax = x - static_cast<float>(cx) / gf, bx = static_cast<float>(cx + 1) / gf - x;
    const float ay = y - static_cast<float>(cy) / gf, by = static_cast<float>(cy + 1) / gf - y;
    const int32_t left = cx == 0 ? g - 1 : cx - 1, right = cx == g - 1 ? 0 : cx + 1;
    const int32_t down = cy == 0 ? g - 1 : cy - 1, up = cy == g - 1 ? 0 : cy + 1;

    float running = best;
    // Searches one cell; true when it found a point nearer than the limit.
    auto search = [&](int32_t i, int32_t j, int32_t& hit) {
        int32_t index = SearchCell(i, j, n, &running, x, y, limit);
        if (running < limit) {
            best = running;
            hit = index;
            return true;
        }
        if (running < best) {
            best = running;
            bestIndex = index;
        }
        return false;
    };
    int32_t hit = -1;
    if (search(cx, cy, hit)) return finish(hit);
    if (search(bx >= ax ? left : right, cy, hit)) return finish(hit);
    if (search(cx, by >= ay ? down : up, hit)) return finish(hit);
    if (best > ax * ax + ay * ay && search(left, down, hit)) return finish(hit);
    if (best > ax * ax + by * by && search(left, up, hit)) return finish(hit);
    if (best > bx * bx + by * by && search(right, up, hit)) return finish(hit);
    if (best > bx * bx + ay * ay && search(right, down, hit)) return finish(hit);
    return finish(limit <= 0.0f ? bestIndex : -1);
}

int32_t PointGrid::DotIndex(int32_t pointCount, float pointRadius, float x, float y, float density) const {
    float scratch;
    return FindWithin(DensityPrefix(pointCount, density), &scratch, x, y, DotLimit(pointCount, pointRadius));
}

float PointGrid::Nearest(int32_t n, float density, float x, float y, int32_t* index) const {
    float distance;
    int32_t found = FindWithin(DensityPrefix(n, density), &distance, x, y, -1.0f);
    if (index) *index = found;
    return distance;
}

}  // namespace Stipple_Shader
