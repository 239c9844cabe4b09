// The fixed table of 8192 points that the stipple and dab materials place
// their marks at. Progressive: every prefix is an evenly spread pattern on the
// unit square with opposite edges joined, so a shorter prefix gives fewer,
// wider-spaced marks. The data is checked in as integer millionths and turned
// into float constants at build time.
#pragma once

#include <cstdint>

namespace Stipple_Shader {

// One 2-D point in the unit square: x, then y, packed without padding.
struct PatternPoint {
    float x;
    float y;
};
static_assert(sizeof(PatternPoint) == 8, "points are two packed floats");

inline constexpr int32_t kTablePointCount = 8192;

// The smallest plain (not wrap-around) distance between two table points.
// The materials store it; it changes only with the table.
inline constexpr float kTableMinSpacing = 0.008740736f;

// Point i lies at byte 8·i. Constant; nothing writes it.
extern const PatternPoint PointTable8192[kTablePointCount];

}  // namespace Stipple_Shader
