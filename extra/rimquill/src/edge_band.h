// The soft band that turns a grazing measure into an edge amount, and the
// grazing measure of a direction against a normal.
#pragma once

#include "edge_ink_params.h"

namespace edgeink {

// 1 below the band, falling linearly to 0 across its soft part, 0 above it.
// The band's width grows with the square root of the line width.
float Band(const EdgeInkParams& p, float a);

// How far from grazing a direction meets a normal: 0 when it meets the back
// side, else |dir . normal|, raised by the edge offset.
float Grazing(const EdgeInkParams& p, const float* dir, const float* normal);

inline float Dot3(const float* a, const float* b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

}  // namespace edgeink
