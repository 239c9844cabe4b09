#include "halftone_cells.h"

#include <algorithm>
#include <cmath>

#include "halftone_layout.h"
#include "shader/shading_math.h"

namespace Halftone2_Shader {
namespace {

// Whether a whole cell index is odd, without converting to an integer (a
// lattice coordinate may lie far outside the integer range).
bool Odd(float cell) {
    const float half = cell * 0.5f;
    return std::floor(half) != half;
}

// Edge ramp of a shape of size T at shape distance d: 1 outside, rising from
// 0 at T - 0.1 to 1 at T, 0 further inside.
float Ramp(float d, float T) {
    if (d > T) return 1.0f;
    if (static_cast<double>(d) > static_cast<double>(T) - 0.1)
        return static_cast<float>((0.1 - static_cast<double>(T - d)) * 10.0);
    return 0.0f;
}

float Adaptive(float dx, float dy, float t) {
    const float hy = 2.0f * std::fabs(dy);
    const float hx = 2.0f * std::fabs(dx);
    if (t < 0.1f) return std::max(Ramp(hy, 0.1f), Ramp(hx, t * 10.0f));  // dashes
    if (t < 0.5f) return Ramp(hy, t);                                      // lines
    return std::min(Ramp(hy, 0.5f), Ramp(hx, (t - 0.5f) * 2.0f));          // lines and bars
}

}  // namespace

void PatternStagger(int32_t pattern, float* sx, float* sy) {
    float x = 0.0f, y = 0.0f;
    if (pattern >= kPatternCircle && pattern <= kPatternDiamond) {
        x = 0.5f;
    } else if (pattern >= kPatternCross && pattern <= kPatternDiamCheck) {
        x = y = 0.5f;
    }
    if (sx) *sx = x;
    if (sy) *sy = y;
}

CellLattice LatticeOf(float u, float v, float tiles, float offset) {
    CellLattice p{u * tiles + offset, v * tiles + offset};
    if (!std::isfinite(p.x)) p.x = 0.0f;
    if (!std::isfinite(p.y)) p.y = 0.0f;
    return p;
}

void InCellPosition(int32_t pattern, CellLattice p, float* fx, float* fy) {
    float sx = 0.0f, sy = 0.0f;
    PatternStagger(pattern, &sx, &sy);
    // Rows and columns are the tiles PlaceInTile gives, so a sliver below 0
    // that it places at 0 of cell 0 is staggered as cell 0 too.
    float x = p.x, y = p.y;
    if (Odd(kv::shader::PlaceInTile(p.y).tile)) x += sx;
    if (Odd(kv::shader::PlaceInTile(p.x).tile)) y += sy;
    *fx = kv::shader::PlaceInTile(x).fraction;
    *fy = kv::shader::PlaceInTile(y).fraction;
}

float CellCoverage(int32_t pattern, float fx, float fy, float t) {
    const float dx = fx - 0.5f;
    const float dy = fy - 0.5f;
    switch (pattern) {
        case kPatternDots:
        case kPatternCircle: {
            const float d = static_cast<float>(std::sqrt(static_cast<double>(dx * dx + dy * dy)) * 1.414213562);
            return Ramp(d, t);
        }
        case kPatternLines:
        case kPatternChecker: return Ramp(2.0f * std::fabs(dy), t);
        case kPatternCrosshatch: return Ramp(std::min(std::fabs(dx), std::fabs(dy)), t * 0.5f);
        case kPatternSquare: return Ramp(2.0f * std::max(std::fabs(dx), std::fabs(dy)), t);
        case kPatternDiamond:
        case kPatternDiamCheck: return Ramp(std::fabs(dx) + std::fabs(dy), t);
        case kPatternCross: return Ramp(2.0f * std::min(std::fabs(dx), std::fabs(dy)), t);
        default: return Adaptive(dx, dy, t);
    }
}

}  // namespace Halftone2_Shader
