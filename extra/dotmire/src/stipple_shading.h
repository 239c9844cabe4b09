// The stipple shading of one sample: the tone picks a prefix of the point
// table, and a sample inside one of its dots takes the dot colour; reflection
// and specular light can add highlight dots.
#pragma once

#include <cstdint>

#include <kv/kv_records.h>

#include "dot_shading.h"
#include "stipple_packet.h"

namespace Stipple_Shader {

struct StippleSample {
    const StipplePacketData& own;
    int32_t colorMode;  // 0 ink, 1 crayon, 2 scratch
    int32_t drawSpecular;
    const st_KVpSampleParms& parms;
    float u;  // pattern coordinate
    float v;
};

// Writes entry 0 (and entry 5 when highlight dots are drawn) and the output.
void ShadeStipple(const StippleSample& s, const TracedColour& through, st_KVpShadeComponents& sc,
                  st_KVpShadeOutput& out);

// How dark the sample is: the tone ratio shaped by replace shading,
// brightness and contrast; the density of the main dot test.
float StippleDarkness(const StipplePacketData& own, const st_KVpShadeComponents& sc, const st_KVpSampleParms& parms);

// The colour of dot `index` of the cell with `seed`: the colour of hue,
// saturation and value shifted by the packet's variations.
void DotVariation(const StipplePacketData& own, float hue, float sat, float val, int32_t seed, int32_t index,
                  float rgb[3]);

}  // namespace Stipple_Shader
