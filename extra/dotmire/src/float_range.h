// Colour arithmetic that stays within the float range. A varied dot colour
// can be near the largest float (a saturation far past 1 from a colour with
// negative parts), and a blend of such colours overflows where the same
// arithmetic in double does not: there the double result, held within the
// float range, stands in, so that finite colours give finite colours. Where
// float does not overflow its result is kept exactly.
#pragma once

#include <cmath>

namespace Stipple_Shader {

inline constexpr double kFloatMax = 3.4028234663852886e38;

// x held within the float range, then rounded to float; a NaN stays a NaN.
inline float HeldInFloat(double x) {
    return static_cast<float>(x > kFloatMax ? kFloatMax : (x < -kFloatMax ? -kFloatMax : x));
}

// a + (b - a) t in float; where that overflows, in double held within the float range.
inline float Blend(float a, float b, float t) {
    const float m = a + (b - a) * t;
    return std::isfinite(m) ? m : HeldInFloat(double(a) + (double(b) - double(a)) * double(t));
}

// a + b in float; where that overflows, in double held within the float range.
inline float Sum(float a, float b) {
    const float s = a + b;
    return std::isfinite(s) ? s : HeldInFloat(double(a) + double(b));
}

}  // namespace Stipple_Shader
