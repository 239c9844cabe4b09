// The dab shading of one sample: the tone decides how many of the dabs near
// the sample take part; each is stamped with its own turn and colour shift,
// and the coverage mixes the pattern with the surface, the colour seen
// through it or the host's diffuse result. Highlights are redrawn as dabs.
#pragma once

#include <cstdint>

#include <kv/kv_records.h>

#include "dab_packet.h"
#include "dab_stamp.h"
#include "dot_colour.h"
#include "dot_shading.h"

namespace Stipple_Shader {

// Most dabs stamped per pass.
inline constexpr int32_t kMaxDabs = 32;

struct DabSample {
    const DabPacketData& own;
    int32_t colorMode;  // 0 ink, 1 crayon, 2 scratch
    const st_KVpSampleParms& parms;
    float u;  // pattern coordinate; tiled as |u|, |v| in texture coordinates (mirrored at 0)
    float v;
    const HSV* colourHsv = nullptr;  // of own.colour when known (from the read), else computed per sample
};

void ShadeDab(const DabSample& s, const DabPicture& picture, const TracedColour& through, st_KVpShadeComponents& sc,
              st_KVpShadeOutput& out);

// The shaped tone of the sample (the level its dab count follows).
float DabTone(const DabPacketData& own, const st_KVpShadeComponents& sc, const st_KVpSampleParms& parms);

// How many of `pointCount` points a level asks for: trunc(level · N) with the
// level clamped to [0, 1] (a level that is not a number counts as 0); at most
// the table's length, 0 for a count of 0 or less.
int32_t DabPrefix(float level, int32_t pointCount);

}  // namespace Stipple_Shader
