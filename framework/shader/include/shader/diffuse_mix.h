// The mix of the host's diffuse illumination with and without shadows plus
// indirect light, and its ratio to the surface's own diffuse brightness.
#pragma once

#include <kv/kv_records.h>

namespace kv::shader {

struct DiffuseMix {
    float illumination[3];
    float ratio;  // lum(illumination) / (lum(surface colour) * diffuse amount);
                  // 0 when that is not > 0 or the quotient overflows
};

// shadows and indirect are expected in [0, 1] (the caller clamps them).
DiffuseMix diffuseMix(const st_KVpShadeComponents& sc, const st_KVpSampleParms& parms, float shadows,
                      float indirect);

}  // namespace kv::shader
