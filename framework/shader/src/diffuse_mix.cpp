#include "shader/diffuse_mix.h"

#include <cmath>

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
    // A denormal brightness makes the quotient overflow to infinity, which no
    // later step can shade with: treat it like a brightness of zero.
    const float ratio = d > 0.0f ? luminance(mix.illumination) / d : 0.0f;
    mix.ratio = std::isinf(ratio) ? 0.0f : ratio;
    return mix;
}

}  // namespace kv::shader
