// Gooch shading of one sample: a cool-to-warm tint driven by the host's diffuse
// lighting or by a fixed light relative to the view ray.
#pragma once

#include <kv/kv_records.h>

#include "gooch_layout.h"

namespace Gooch_Shader {

// The host records one sample offers; any of the packets may be absent (null).
struct GoochSample {
    const st_KVpSampleParms* parms;
    const st_KVpSampleRay* ray;
    const st_KVpSurfaceNormal* normal;
};

// Writes the diffuse result (entry 0) and the output colour. Scene lights need
// "sample.parms"; the fixed light needs all three packets. When one is absent
// the sample is left as the host shaded it and false is returned.
bool shadeGooch(const GoochPacketData& p, bool useLights, const GoochSample& sample, st_KVpShadeComponents& sc,
                st_KVpShadeOutput& out);

// The tone t after the brightness and contrast curves (steps done in double).
float goochToneCurve(float t, float brightness, float contrast);

}  // namespace Gooch_Shader
