#include "shader/tone_ratio.h"

#include <cmath>

namespace kv::shader {

namespace {

double length3(const float c[3]) {
    const double x = c[0], y = c[1], z = c[2];
    return std::sqrt(x * x + y * y + z * z);
}

// A quotient the shading can use: an overflow (a denormal divisor) or a
// non-number in the host's light reads as no light.
float finiteOrZero(double q) {
    const float f = static_cast<float>(q);
    return std::isfinite(f) ? f : 0.0f;
}

}  // namespace

float toneRatio(const st_KVpShadeComponents& sc, const st_KVpSampleParms& parms, float shadows, float indirect) {
    const double divisor = length3(parms.diffCol) * static_cast<double>(parms.diffAmt);
    if (!(divisor > 0.0)) return 0.0f;
    float illumination[3];
    for (int c = 0; c < 3; ++c) {
        const double ind = static_cast<double>(sc.indirect[c]) * indirect;
        const double with = sc.diffLit[c] + ind;
        const double without = sc.diffUnshad[c] + ind;
        illumination[c] = static_cast<float>(without + (with - without) * shadows);
    }
    return finiteOrZero(length3(illumination) / divisor);
}

float lengthRatio(const float a[3], const float b[3]) {
    const double divisor = length3(b);
    if (!(divisor > 0.0)) return 0.0f;
    return finiteOrZero(length3(a) / divisor);
}

float toneLevel(float tone, const ToneShape& shape) {
    double t = tone;
    if (shape.replaceShading > 0.0f) {
        const double level = shape.shadingLevel < 0.0f ? 0.0 : (shape.shadingLevel < 1.0f ? shape.shadingLevel : 1.0);
        t = t * (1.0 - shape.replaceShading) + level * shape.replaceShading;
    }
    const double b = shape.brightness;
    t = b < 0.0 ? t * (b + 1.0) : t + (1.0 - t) * b;
    const double x = static_cast<float>((static_cast<double>(shape.contrast) + 1.0) * 0.7853981633974483);
    const double x2 = x * x;
    const double g = x + 0.5 * x2 + 5.0 * x2 * x2 / 24.0;
    return static_cast<float>(1.0 - (g * (t - 0.5) + 0.5));
}

}  // namespace kv::shader
