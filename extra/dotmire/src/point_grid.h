// A square grid of cells over a list of points in the unit square, so that a
// search near a position visits a few cells instead of the whole list. The
// stipple material keeps one over the point table. Distances are plain (no
// wrap-around), even for a neighbouring cell reached across an edge.
#pragma once

#include <cstdint>
#include <vector>

#include "point_table.h"

namespace Stipple_Shader {

class PointGrid {
public:
    static constexpr int32_t kMaxCells = 8;  // cells per axis at most

    // An empty grid of 8 × 8 cells, to be filled by Rebuild.
    PointGrid();
    // Buckets the points (borrowed, never freed) with a grid size chosen by
    // GridSizeFor(count).
    PointGrid(const PatternPoint* points, int32_t count);

    // 2 below 64 points, 4 below 256, 8 from 256 up.
    static int32_t GridSizeFor(int32_t count);

    // Refills the cells for a new list, keeping the grid size. A point outside
    // [0, 1)² is kept in the nearest border cell.
    void Rebuild(const PatternPoint* points, int32_t count);

    // Scans cell (i, j) for points with index below n. The running squared
    // distance (negative: none yet) is lowered by nearer points; returns the
    // first point nearer than √T at once, else the nearest point that beat the
    // incoming running value, or −1.
    int32_t SearchCell(int32_t i, int32_t j, int32_t n, float* running, float x, float y,
                       float limit) const;

    // The first point found nearer than √T in the position's cell and the
    // neighbours that can hold one, or −1; with T ≤ 0 the nearest point found.
    // The squared distance (10.0 when no point was seen) goes to *distanceSquared
    // when that is given. A position outside [0, 1)² searches from the nearest
    // border cell; a position that is not finite finds nothing.
    int32_t FindWithin(int32_t n, float* distanceSquared, float x, float y, float limit) const;

    // StippleDotIndex through the grid.
    int32_t DotIndex(int32_t pointCount, float pointRadius, float x, float y, float density) const;
    // NearestTablePoint through the grid: the squared distance; the index to *index.
    float Nearest(int32_t n, float density, float x, float y, int32_t* index) const;

    int32_t GridSize() const { return gridSize_; }
    int32_t Count() const { return count_; }
    const std::vector<int32_t>& Cell(int32_t i, int32_t j) const { return cells_[i][j]; }

private:
    int32_t CellOf(float coordinate) const;

    const PatternPoint* points_ = nullptr;
    int32_t count_ = 0;
    int32_t gridSize_ = kMaxCells;
    std::vector<int32_t> cells_[kMaxCells][kMaxCells];  // [column][row], ascending indices
};

}  // namespace Stipple_Shader
