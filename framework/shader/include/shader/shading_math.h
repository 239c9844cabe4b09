// Small helpers shared by every shading: luminance, clamping and the sine
// and cosine of a pattern angle.
#pragma once

#include <cmath>

namespace kv::shader {

// Luminance of a colour with the weights 0.3, 0.59, 0.11, in 32-bit floats.
inline float luminance(const float c[3]) { return 0.3f * c[0] + 0.59f * c[1] + 0.11f * c[2]; }

// 0 below 0, else the smaller of 1 and the value (a NaN becomes 1).
inline float clamp01(float v) { return v < 0.0f ? 0.0f : (v < 1.0f ? v : 1.0f); }

// Sine and cosine of a pattern angle, taken in double and stored as float.
inline void StoreAngleTerms(float angle, float& sine, float& cosine) {
    sine = static_cast<float>(std::sin(static_cast<double>(angle)));
    cosine = static_cast<float>(std::cos(static_cast<double>(angle)));
}

}  // namespace kv::shader
