// Colour arithmetic of the stipple and dab shadings: hue, saturation and
// value of a colour, the stateless minimal standard generator, and the
// per-dot colour shift that it seeds.
#pragma once

#include <cstdint>

namespace Stipple_Shader {

// Hue in radians [0, 2π), saturation and value (the largest component).
struct HSV {
    float hue;
    float sat;
    float val;
};
// Computed in float. Negative components carry the saturation past 1 (and
// beside a value near 0 past any float): where a float result overflows, the
// conversion is done in double and held within the float range, so that any
// finite colour gives finite values.
HSV ColourToHSV(const float rgb[3]);

// One step of the minimal standard generator (16807 x mod 2^31 - 1, Schrage's
// decomposition); a result of 0 or less is raised by 2^31 - 1.
int32_t ParkMillerNext(int32_t x);

// 2 float(r 2^-31) - 1: a value in [-1, 1).
float UnitRandom(int32_t r);

// Salts of the per-dot sequences: a dab's turn and colour, a stipple dot's colour.
inline constexpr int32_t kDabTurnSalt = 437;
inline constexpr int32_t kDabColourSalt = 439;
inline constexpr int32_t kStippleColourSalt = 437;

// The generator's start value of dot `index` in a cell with `seed`, in
// [1, 2^31 - 2]: cell seed, salt and index mixed by a 32-bit integer hash.
// One generator step is linear in a small start, so starts near each other
// (the first dots of a cell) would give random values near each other.
int32_t DotSeed(int32_t seed, int32_t salt, int32_t index);

// The first random value of dot `index`'s sequence, in [-1, 1): one step
// from DotSeed, through UnitRandom (a dab's turn, a shift's hue).
float DotRandom(int32_t seed, int32_t salt, int32_t index);

// Cell seed from the cell's column and row: trunc(row + column x 18.3), 0 when
// the value is not a number or outside the 32-bit range.
int32_t CellSeed(double column, double row);

// How far a dot's hue, saturation and value may be moved.
struct VariationAmounts {
    float hue;
    float sat;
    float val;
    // One of the three exceeds the float epsilon.
    bool any() const;
};

// The colour of hue (radians), saturation and value shifted by three steps of
// the generator from `start`: hue by up to ±hue·π, saturation and value by up
// to ±sat and ±val (not clamped). The hue sector is taken modulo 6, so a hue
// turned past either end of the circle keeps its colour. Computed in float;
// where that overflows, in double held within the float range: finite for
// finite arguments.
void ShiftedColour(const HSV& base, int32_t start, const VariationAmounts& amounts, float rgb[3]);

}  // namespace Stipple_Shader
