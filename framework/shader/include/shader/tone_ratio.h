// How lit a sample is relative to its surface colour, measured with
// Euclidean lengths (the pattern materials), and the shaping of that tone
// into the level a pattern is drawn at. Double inside, float results.
#pragma once

#include <kv/kv_records.h>

namespace kv::shader {

// Per colour component: ind = indirect[c] * indirect; with = diffLit[c] +
// ind; without = diffUnshad[c] + ind; illumination = without + (with -
// without) * shadows. Result: |illumination| / (|diffuse colour| * diffuse
// amount), 0 when that divisor is not above 0 or the quotient is not finite.
// The caller clamps `shadows` to [0, 1]; `indirect` is used as given.
float toneRatio(const st_KVpShadeComponents& sc, const st_KVpSampleParms& parms, float shadows, float indirect);

// |a| / |b|; 0 when |b| is not above 0 or the quotient is not finite.
float lengthRatio(const float a[3], const float b[3]);

// The tone's shaping channels.
struct ToneShape {
    float replaceShading = 0.0f;  // > 0 mixes the tone towards shadingLevel
    float shadingLevel = 0.0f;    // clamped to [0, 1] when used
    float brightness = 0.0f;      // < 0 darkens by (b + 1), else lifts towards 1
    float contrast = 0.0f;        // -1 flattens every tone to level 0.5
};

// The ink level of a tone: replace, brightness, then the contrast curve
// x = float((contrast + 1) pi / 4), g = x + x^2 / 2 + 5 x^4 / 24,
// level = 1 - (g (tone - 0.5) + 0.5). A tone of 0.5 gives 0.5; at contrast 0
// g = 1.1730951, so a tone of 1 gives -0.0865476.
float toneLevel(float tone, const ToneShape& shape);

}  // namespace kv::shader
