#include "shader/tone_curves.h"

#include <cmath>

namespace kv::shader {

namespace {

// The curves take unbounded arguments (depth differences, normal
// differences) and have a pole outside [0, 1]: a zero divisor or a result
// that is not a finite number means no offset.
float finiteQuotient(float numerator, float divisor) {
    if (divisor == 0.0f) return 0.0f;
    const float q = numerator / divisor;
    return std::isfinite(q) ? q : 0.0f;
}

}  // namespace

float depthOffset(float x, float k) {
    const float e = static_cast<float>(std::exp(static_cast<double>(k)));
    const float a = x * (e - 1.0f);
    return finiteQuotient(2.0f * a, (e + 1.0f) - a);
}

float normalOffset(float x, float y, float k) {
    const float e = static_cast<float>(std::exp(-static_cast<double>(k)));
    return finiteQuotient(y * x, e + x * (1.0f - e));
}

}  // namespace kv::shader
