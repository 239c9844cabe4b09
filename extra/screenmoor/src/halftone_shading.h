// Halftone shading of one sample: the tone of the host's light, the ink level,
// the cell shapes of the main and the second screen, the colour modes and the
// output sum. Pure: it reads only its arguments, so it runs without a host.
#pragma once

#include <cstdint>

#include <kv/kv_records.h>

#include "halftone_layout.h"

namespace Halftone2_Shader {

// A pattern value clamped to 0..9 (the shading's reading of the block).
int32_t ClampPattern(int32_t pattern);

// The ink level of the sample: how lit it is relative to its colour
// (shadows clamped to [0, 1], indirect light as given), shaped by replace
// shading, brightness and contrast.
float InkLevel(const st_KVpHalftone& p, const st_KVpSampleParms& parms, const st_KVpShadeComponents& sc);

// What one sample needs besides the packet and the block.
struct HalftoneSample {
    // Pattern coordinate; in texture coordinates the lattice takes |u| and
    // |v| (kv::shader::TilingCoordinate), so the screen mirrors at 0.
    float u = 0.0f, v = 0.0f;
    const st_KVpSampleParms* parms{};   // null: zero colours and amounts
    // The colour seen through the surface when see-through is above 0 and
    // the sample's ray could be continued (black when the trace gave
    // nothing); null leaves see-through out.
    const float* behind{};
};

// Writes the diffuse result and, when the reflection screen is drawn, clears
// the reflection triple of `sc`; writes the output colour.
void ShadeHalftone(const st_KVpHalftone& p, const HalftoneBlock& b, const HalftoneSample& s,
                   st_KVpShadeComponents& sc, st_KVpShadeOutput& out);

}  // namespace Halftone2_Shader
