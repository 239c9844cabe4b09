#include "dot_colour.h"

#include <cmath>

namespace Stipple_Shader {
namespace {

constexpr float kEpsilon = 1.1920929e-7f;
constexpr float kSixtyDegrees = 1.0471976f;  // π/3
constexpr float kFullCircle = 6.2831855f;
constexpr double kFloatMax = 3.4028234663852886e38;

// x held within the float range, then rounded to float.
float ToFloat(double x) { return static_cast<float>(x > kFloatMax ? kFloatMax : (x < -kFloatMax ? -kFloatMax : x)); }

// A 32-bit integer hash with full avalanche (the MurmurHash3 finaliser).
uint32_t Mix32(uint32_t h) {
    h ^= h >> 16;
    h *= 0x85ebca6bu;
    h ^= h >> 13;
    h *= 0xc2b2ae35u;
    h ^= h >> 16;
    return h;
}

}  // namespace

HSV ColourToHSV(const float rgb[3]) {
    const double r = rgb[0], g = rgb[1], b = rgb[2];
    const double v = std::fmax(std::fmax(r, g), b);
    if (v == 0.0) return {0.0f, 0.0f, 0.0f};
    const double m = std::fmin(std::fmin(r, g), b);
    const double delta = v - m;
    const double sat = delta / v;  // below 0 for a negative value
    HSV out{0.0f, static_cast<float>(std::fmax(std::fmin(sat, 1.0), -kFloatMax)), static_cast<float>(v)};
    if (delta == 0.0) return out;
    double h;  // in [-1, 5]
    if (r == v) h = (g - b) / delta;
    else if (g == v) h = (b - r) / delta + 2.0;
    else h = (r - g) / delta + 4.0;
    out.hue = static_cast<float>(h) * kSixtyDegrees;
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
    // Each input is folded in with its own mix, so that no two (seed, salt)
    // pairs or indices of one cell share a sequence by a sum or a product.
    const uint32_t cell = Mix32(Mix32(static_cast<uint32_t>(seed)) + static_cast<uint32_t>(salt));
    const uint32_t x = Mix32(cell + static_cast<uint32_t>(index)) % 2147483647u;
    return x == 0 ? 1 : static_cast<int32_t>(x);
}

float DotRandom(int32_t seed, int32_t salt, int32_t index) {
    return UnitRandom(ParkMillerNext(DotSeed(seed, salt, index)));
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
    const double s = static_cast<double>(UnitRandom(r2)) * amounts.sat + base.sat;
    const double v = static_cast<double>(UnitRandom(r3)) * amounts.val + base.val;
    if (!(s >= kEpsilon)) {  // a saturation that is not a number greys too
        rgb[0] = rgb[1] = rgb[2] = ToFloat(v);
        return;
    }
    const double turned = static_cast<double>(UnitRandom(r1)) * (static_cast<double>(amounts.hue) * 3.141592653589793) +
                          static_cast<double>(base.hue);
    const double h = turned / static_cast<double>(kSixtyDegrees);
    const double i = std::floor(h);
    const double f = h - i;
    const float p = ToFloat((1.0 - s) * v);
    const float q = ToFloat((1.0 - s * f) * v);
    const float t = ToFloat(v * (1.0 - s * (1.0 - f)));
    const float w = ToFloat(v);
    // Sector i modulo 6, computed on the double so that no hue overflows an int.
    double sector = std::fmod(i, 6.0);
    if (sector < 0.0) sector += 6.0;
    switch (std::isfinite(sector) ? static_cast<int>(sector) : 5) {
        case 0: rgb[0] = w, rgb[1] = t, rgb[2] = p; break;
        case 1: rgb[0] = q, rgb[1] = w, rgb[2] = p; break;
        case 2: rgb[0] = p, rgb[1] = w, rgb[2] = t; break;
        case 3: rgb[0] = p, rgb[1] = q, rgb[2] = w; break;
        case 4: rgb[0] = t, rgb[1] = p, rgb[2] = w; break;
        default: rgb[0] = w, rgb[1] = p, rgb[2] = q; break;
    }
}

}  // namespace Stipple_Shader
