#include "shader/diffuse_mix.h"

#include "shader/shading_math.h"

namespace kv::shader {

DiffuseMix diffuseMix(const st_KVpShadeComponents& sc, const st_KVpSampleParms& parms, float shadows,
                      float indirect) {
    DiffuseMix mix;
    for (int c = 0; c < 3; ++c) {
        const float ind = sc.indirect[c] * indirect;
        const float with = sc.diffLit[c] + ind;
        const float without = sc.diffUnshad[c] + ind;
        mix.illumination[c] = without + (with - without) * shadows;
    }
    const float d = luminance(parms.diffCol) * parms.diffAmt;
    mix.ratio = d > 0.0f ? luminance(mix.illumination) / d : 0.0f;
    return mix;
}

}  // namespace kv::shader
