#include "dot_colour.h"

#include <cmath>

namespace Stipple_Shader {
namespace {

constexpr float kEpsilon = 1.1920929e-7f;
constexpr float kSixtyDegrees = 1.0471976f;  // π/3
constexpr float kFullCircle = 6.2831855f;

}  // namespace

HSV ColourToHSV(const float rgb[3]) {
    const float r = rgb[0], g = rgb[1], b = rgb[2];
    const float v = std::fmax(std::fmax(r, g), b);
    if (v == 0.0f) return {0.0f, 0.0f, 0.0f};
    const float m = std::fmin(std::fmin(r, g), b);
    const float delta = v - m;
    HSV out{0.0f, delta / v, v};
    if (delta == 0.0f) return out;
    float h;
    if (r == v) h = (g - b) / delta;
    else if (g == v) h = (b - r) / delta + 2.0f;
    else h = (r - g) / delta + 4.0f;
    out.hue = h * kSixtyDegrees;
    if (out.hue < 0.0f) out.hue += kFullCircle;
    return out;
}

int32_t ParkMillerNext(int32_t x) {
    const int32_t next = 16807 * (x % 127773) - 2836 * (x / 127773);
    return next <= 0 ? next + 2147483647 : next;
}

float UnitRandom(int32_t r) {
    return 2.0f * static_cast<float>(static_cast<double>(r) * 4.656612873077393e-10) - 1.0f;
}

int32_t DotSeed(int32_t seed, int32_t salt, int32_t index) {
    const uint32_t x = (static_cast<uint32_t>(seed) + static_cast<uint32_t>(salt)) * static_cast<uint32_t>(index);
    const int32_t s = static_cast<int32_t>(x);
    return s < 1 ? 1 : s;
}

int32_t CellSeed(double column, double row) {
    const double s = row + column * 18.3;
    return s > -2147483649.0 && s < 2147483648.0 ? static_cast<int32_t>(s) : 0;
}

bool VariationAmounts::any() const { return hue > kEpsilon || sat > kEpsilon || val > kEpsilon; }

void ShiftedColour(const HSV& base, int32_t start, const VariationAmounts& amounts, float rgb[3]) {
    const int32_t r1 = ParkMillerNext(start);
    const int32_t r2 = ParkMillerNext(r1);
    const int32_t r3 = ParkMillerNext(r2);
    const float s = UnitRandom(r2) * amounts.sat + base.sat;
    const float v = UnitRandom(r3) * amounts.val + base.val;
    if (!(s >= kEpsilon)) {  // a saturation that is not a number greys too
        rgb[0] = rgb[1] = rgb[2] = v;
        return;
    }
    const float turned = static_cast<float>(static_cast<double>(UnitRandom(r1)) *
                                                (static_cast<double>(amounts.hue) * 3.141592653589793) +
                                            static_cast<double>(base.hue));
    const float h = turned / kSixtyDegrees;
    const float i = std::floor(h);
    const float f = h - i;
    const float p = (1.0f - s) * v;
    const float q = (1.0f - s * f) * v;
    const float t = v * (1.0f - s * (1.0f - f));
    // Sector i modulo 6, computed on the float so that no hue overflows an int.
    float sector = std::fmod(i, 6.0f);
    if (sector < 0.0f) sector += 6.0f;
    switch (std::isfinite(sector) ? static_cast<int>(sector) : 5) {
        case 0: rgb[0] = v, rgb[1] = t, rgb[2] = p; break;
        case 1: rgb[0] = q, rgb[1] = v, rgb[2] = p; break;
        case 2: rgb[0] = p, rgb[1] = v, rgb[2] = t; break;
        case 3: rgb[0] = p, rgb[1] = q, rgb[2] = v; break;
        case 4: rgb[0] = t, rgb[1] = p, rgb[2] = v; break;
        default: rgb[0] = v, rgb[1] = p, rgb[2] = q; break;
    }
}

}  // namespace Stipple_Shader
