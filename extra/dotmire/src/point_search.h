// Searches of the point table around a pattern position. The pattern repeats
// with period 1 in x and y, so each point also stands for its eight copies
// shifted by ±1; a point takes part when a squared distance is strictly below
// the limit T. All arithmetic is in 32-bit floats. Read-only and lock-free:
// any number of render threads may call these at once, and none allocates.
#pragma once

#include <cstdint>

#include "point_table.h"

namespace Stipple_Shader {

// The first point (in table order) among the first n with a copy nearer than
// √T, or −1. With T ≤ 0 the nearest point among the copies examined (the point
// itself and its four corner copies; edge copies only when T reaches the
// edge), ties to the lower index. The squared distance of the answer (the
// best seen when −1, −1.0 for an empty prefix) goes to *distanceSquared when
// that is given. Indices of 8192 and above are skipped.
int32_t StippleCoverage(int32_t n, float x, float y, float limit, float* distanceSquared);

// The stipple dot test: the prefix length follows the density (clamped to
// [0, 1], NaN counting as 0) times the point count N, the squared dot radius
// follows N and the point radius r. The lowest index of the prefix whose dot
// holds the position, or −1; a point radius of 0 or below draws no dot.
// Searches the table's bins (point_bins.h), visiting only the points near
// the position.
int32_t StippleDotIndex(int32_t pointCount, float pointRadius, float x, float y, float density);

// Every point among the first n with a copy nearer than √T, in increasing
// index order, written to out up to its capacity (the lowest indices when
// more are near). Returns the number written. Searches the table's bins.
int32_t DabCoverage(int32_t n, int32_t* out, int32_t capacity, float x, float y, float limit);

// The nearest point of the density's prefix of n points (corner copies only).
// Returns its squared distance; the index (−1 for an empty prefix) goes to
// *index when that is given.
float NearestTablePoint(int32_t n, float density, float x, float y, int32_t* index);

// Point i of the table; false, writing nothing, when i is past the end.
bool GetTablePoint(int32_t index, float* x, float* y);

// Fills *spacing with the smallest plain distance between two table points,
// unless it already holds a positive value (the materials store
// kTableMinSpacing first, so the scan normally never runs).
void MinPointSpacing(float* spacing);

// Shared by the dot tests of the table, the grid and the tiles.
// A density clamped to [0, 1]; a density that is not a number counts as 0.
float ClampDensity(float density);
// The prefix length of a density: trunc(clamped density · count).
int32_t DensityPrefix(int32_t count, float density);
// The squared dot radius of N points of radius r: (1 / (2√3 · N)) · r.
float DotLimit(int32_t pointCount, float pointRadius);

}  // namespace Stipple_Shader
