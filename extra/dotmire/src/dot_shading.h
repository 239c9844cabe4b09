// Pieces both point shadings share: the pattern cell of a coordinate, the
// colour seen through the surface, and the sum of the shading components
// into the output colour.
#pragma once

#include <cstdint>

#include <kv/kv_records.h>

#include "float_range.h"

namespace Stipple_Shader {

// The place of a pattern coordinate in its tile: the fraction in [0, 1) and
// the seed of the tile. Cell and fraction come from floor, so negative
// coordinates repeat the pattern like positive ones; a coordinate that is not
// finite lies at 0 of tile 0.
struct PatternCell {
    float x;
    float y;
    int32_t seed;
    float column;  // the tile's place in the pattern
    float row;
};
PatternCell CellOf(float u, float v, float tiles, float offset);

// The seed of a mark (a dot or dab of table point `index`) seen from the
// cell: the seed of the tile that holds the copy of the point nearest to the
// position, so that a mark crossing a tile line keeps one turn and one
// colour on both sides. Marks inside the cell take the cell's seed.
int32_t MarkSeed(const PatternCell& cell, int32_t index);

// The colour a ray traced on through the surface returns; asked only when
// see-through is on.
class TracedColour {
public:
    virtual ~TracedColour() = default;
    virtual void trace(float rgb[3]) const = 0;
};

// Black: no ray can be traced.
class NoTrace final : public TracedColour {
public:
    void trace(float rgb[3]) const override { rgb[0] = rgb[1] = rgb[2] = 0.0f; }
};

// The surface colour times the diffuse amount.
void PaperColour(const st_KVpSampleParms& parms, float rgb[3]);

// out = ((entry 0 + entry 6) + entry 7) + entry 8; specular and reflection
// reach the output only through the highlight passes.
void SumOutput(const st_KVpShadeComponents& sc, st_KVpShadeOutput& out);

// a + (b - a) t per component (Blend).
inline void Mix(const float a[3], const float b[3], float t, float out[3]) {
    for (int c = 0; c < 3; ++c) out[c] = Blend(a[c], b[c], t);
}
// The same with the products and sums in double (the see-through mixes).
inline void MixPrecise(const float a[3], const float b[3], float t, float out[3]) {
    for (int c = 0; c < 3; ++c) out[c] = HeldInFloat(double(a[c]) + (double(b[c]) - double(a[c])) * double(t));
}

}  // namespace Stipple_Shader
