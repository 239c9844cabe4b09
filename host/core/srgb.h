// The sRGB transfer curve between linear values and 8-bit picture files.
// Renders are linear; 8-bit PNGs are written and read as sRGB, the encoding
// every viewer assumes. Both directions are exact inverses on the 256 codes:
// linearToSrgb8(srgb8ToLinear(b)) == b.
#pragma once

#include <cstdint>

namespace kvh {

// The linear value of an 8-bit sRGB code.
float srgb8ToLinear(uint8_t code);
// The nearest 8-bit sRGB code of a linear value, clamped to [0, 1]; NaN gives 0.
uint8_t linearToSrgb8(float linear);
// The curve itself on [0, 1] (no clamping).
double srgbDecode(double encoded);
double srgbEncode(double linear);

}  // namespace kvh
