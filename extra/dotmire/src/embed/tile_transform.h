// The transform that makes a recursive tile's point list from the point
// table, on integer millionths: symmetry s of the square (bit 0 swaps x and
// y, bit 1 mirrors x, bit 2 mirrors y), then a shift, modulo one unit. Every
// such map keeps wrap-around distances exactly.
#pragma once

#include <utility>

namespace Stipple_Shader::embed {

inline constexpr long kUnit = 1000000;

struct Millionths {
    long x;
    long y;
};

inline Millionths Transform(Millionths p, long symmetry, long shiftX, long shiftY) {
    long x = p.x, y = p.y;
    if (symmetry & 1) std::swap(x, y);
    if (symmetry & 2) x = kUnit - 1 - x;
    if (symmetry & 4) y = kUnit - 1 - y;
    return {(x + shiftX) % kUnit, (y + shiftY) % kUnit};
}

}  // namespace Stipple_Shader::embed
