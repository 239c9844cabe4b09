#include "shader/tone_curves.h"

#include <cmath>

namespace kv::shader {

float depthOffset(float x, float k) {
    const float e = static_cast<float>(std::exp(static_cast<double>(k)));
    const float a = x * (e - 1.0f);
    return 2.0f * a / ((e + 1.0f) - a);
}

float normalOffset(float x, float y, float k) {
    const float e = static_cast<float>(std::exp(-static_cast<double>(k)));
    return (y * x) / (e + x * (1.0f - e));
}

}  // namespace kv::shader
