#include "dot_colour.h"

#include <cmath>

#include "float_range.h"

namespace Stipple_Shader {
namespace {

constexpr float kEpsilon = 1.1920929e-7f;
constexpr float kSixtyDegrees = 1.0471976f;  // π/3
constexpr float kFullCircle = 6.2831855f;
// x held within the float range, then rounded to float.
float ToFloat(double x) { return HeldInFloat(x); }
// A float result stays as computed, so that an overflow shows.
float ToFloat(float x) { return x; }

// A 32-bit integer hash with full avalanche (the MurmurHash3 finaliser).
uint32_t Mix32(uint32_t h) {
    h ^= h >> 16;
    h *= 0x85ebca6bu;
    h ^= h >> 13;
    h *= 0xc2b2ae35u;
    h ^= h >> 16;
    return h;
}

// The conversion in `Real` arithmetic, step for step: in float it is the
// conversion itself; in double it stands in where float overflows.
template <class Real>
HSV ConvertToHSV(Real r, Real g, Real b) {
    const Real v = std::fmax(std::fmax(r, g), b);
    if (v == Real(0)) return {0.0f, 0.0f, 0.0f};
    const Real m = std::fmin(std::fmin(r, g), b);
    const Real delta = v - m;
    HSV out{0.0f, ToFloat(delta / v), ToFloat(v)};  // the saturation is below 0 for a negative value
    if (delta == Real(0)) return out;
    Real h;  // in [-1, 5]
    if (r == v) h = (g - b) / delta;
    else if (g == v) h = (b - r) / delta + Real(2);
    else h = (r - g) / delta + Real(4);
    Real hue = h * Real(kSixtyDegrees);
    if (hue < Real(0)) hue += Real(kFullCircle);
    out.hue = ToFloat(hue);
    return out;
}

bool Finite(float a, float b, float c) { return std::isfinite(a) && std::isfinite(b) && std::isfinite(c); }

// The shifted colour in `Real` arithmetic from the unit random values w1, w2,
// w3; false when a component is not finite.
template <class Real>
bool ShiftIn(const HSV& base, float w1, float w2, float w3, const VariationAmounts& amounts, float rgb[3]) {
    const Real s = Real(w2) * Real(amounts.sat) + Real(base.sat);
    const Real v = Real(w3) * Real(amounts.val) + Real(base.val);
    if (!(s >= Real(kEpsilon))) {  // a saturation that is not a number greys too
        rgb[0] = rgb[1] = rgb[2] = ToFloat(v);
        return std::isfinite(rgb[0]);
    }
    // The turned hue is summed in double (and rounded to float in float arithmetic).
    const double sum = static_cast<double>(w1) * (static_cast<double>(amounts.hue) * 3.141592653589793) +
                       static_cast<double>(base.hue);
    const Real turned = static_cast<Real>(sum);
    const Real h = turned / Real(kSixtyDegrees);
    const Real i = std::floor(h);
    const Real f = h - i;
    const float p = ToFloat((Real(1) - s) * v);
    const float q = ToFloat((Real(1) - s * f) * v);
    const float t = ToFloat(v * (Real(1) - s * (Real(1) - f)));
    const float w = ToFloat(v);
    // Sector i modulo 6, computed on the real so that no hue overflows an int.
    Real sector = std::fmod(i, Real(6));
    if (sector < Real(0)) sector += Real(6);
    switch (std::isfinite(sector) ? static_cast<int>(sector) : 5) {
        case 0: rgb[0] = w, rgb[1] = t, rgb[2] = p; break;
        case 1: rgb[0] = q, rgb[1] = w, rgb[2] = p; break;
        case 2: rgb[0] = p, rgb[1] = w, rgb[2] = t; break;
        case 3: rgb[0] = p, rgb[1] = q, rgb[2] = w; break;
        case 4: rgb[0] = t, rgb[1] = p, rgb[2] = w; break;
        default: rgb[0] = w, rgb[1] = p, rgb[2] = q; break;
    }
    return Finite(rgb[0], rgb[1], rgb[2]);
}

}  // namespace

HSV ColourToHSV(const float rgb[3]) {
    const HSV single = ConvertToHSV<float>(rgb[0], rgb[1], rgb[2]);
    if (Finite(single.hue, single.sat, single.val)) return single;
    return ConvertToHSV<double>(rgb[0], rgb[1], rgb[2]);
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
    const float w1 = UnitRandom(r1), w2 = UnitRandom(r2), w3 = UnitRandom(r3);
    if (!ShiftIn<float>(base, w1, w2, w3, amounts, rgb)) ShiftIn<double>(base, w1, w2, w3, amounts, rgb);
}

}  // namespace Stipple_Shader
