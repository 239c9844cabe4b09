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
HSV ColourToHSV(const float rgb[3]);

// One step of the minimal standard generator (16807 x mod 2^31 - 1, Schrage's
// decomposition); a result of 0 or less is raised by 2^31 - 1.
int32_t ParkMillerNext(int32_t x);

// 2 float(r 2^-31) - 1: a value in [-1, 1).
float UnitRandom(int32_t r);

// The generator's start value of dot `index` in a cell: (seed + salt) x index,
// wrapping in unsigned arithmetic; below 1 it becomes 1.
int32_t DotSeed(int32_t seed, int32_t salt, int32_t index);

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
// turned past either end of the circle keeps its colour.
void ShiftedColour(const HSV& base, int32_t start, const VariationAmounts& amounts, float rgb[3]);

}  // namespace Stipple_Shader
