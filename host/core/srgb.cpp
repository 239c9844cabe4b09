#include "core/srgb.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace kvh {

double srgbDecode(double e) { return e <= 0.04045 ? e / 12.92 : std::pow((e + 0.055) / 1.055, 2.4); }

double srgbEncode(double l) { return l <= 0.0031308 ? l * 12.92 : 1.055 * std::pow(l, 1.0 / 2.4) - 0.055; }

namespace {

struct Tables {
    std::array<float, 256> linear;
    // bounds[i]: the linear value halfway (in sRGB) between codes i and i + 1.
    std::array<float, 255> bounds;
    Tables() {
        for (int i = 0; i < 256; ++i) linear[size_t(i)] = float(srgbDecode(i / 255.0));
        for (int i = 0; i < 255; ++i) bounds[size_t(i)] = float(srgbDecode((i + 0.5) / 255.0));
    }
};

const Tables& tables() {
    static const Tables t;
    return t;
}

}  // namespace

float srgb8ToLinear(uint8_t code) { return tables().linear[code]; }

uint8_t linearToSrgb8(float v) {
    if (!(v > 0)) return 0;  // also NaN
    if (v >= 1) return 255;
    const auto& b = tables().bounds;
    // The code is the number of halfway points at or below the value.
    return uint8_t(std::upper_bound(b.begin(), b.end(), v) - b.begin());
}

}  // namespace kvh
