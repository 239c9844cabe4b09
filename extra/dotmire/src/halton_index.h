// Maps a pixel to a stratified index in [0, scale) through the Halton
// sequence with bases 2 and 3, and the integer routines it needs.
#pragma once

#include <cstdint>
#include <utility>

namespace Stipple_Shader {

// Spans, their product and the inverses are 64-bit so that any 32-bit width
// and height work without overflow.
struct HaltonIndexer {
    int64_t width = 0;  // one more than asked when width equals height
    int32_t height = 0;
    int32_t scale = 0;
    int32_t baseX = 2;
    int32_t baseY = 3;
    int64_t inverseX = 0;  // of span y modulo span x
    int64_t inverseY = 0;  // of span x modulo span y
    int32_t digitsX = 0;   // k
    int32_t digitsY = 0;   // m
    int64_t spanX = 0;     // base x ^ k
    int64_t spanY = 0;     // base y ^ m
    int64_t total = 0;     // span x · span y

    void Init(int32_t w, int32_t h, int32_t scaleValue);
    // As Init with the stored bases, unless nothing changed; a scale below 2
    // becomes 2.
    void Update(int32_t w, int32_t h, int32_t scaleValue);
    // The index of pixel (px, py), in [0, scale) for a positive scale.
    int32_t IndexAt(int32_t px, int32_t py) const;

private:
    void Setup(int64_t w, int32_t h, int32_t scaleValue);
};

// (x, y) with a·x + b·y = ±gcd(a, b), by the recursion with truncating
// division (negative arguments can give the negative sign: (a, −1) gives (0, 1)).
std::pair<int64_t, int64_t> ExtendedGcd(int64_t a, int64_t b);
// The inverse of a modulo m, in [0, m); 0 when m < 1.
int64_t ModInverse(int64_t a, int64_t m);
// The smallest k ≥ 1 with base^k ≥ limit.
int32_t DigitsNeeded(int64_t limit, int32_t base);
// The lowest `digits` digits of value in the base, read backwards.
int64_t ReverseDigits(int64_t value, int32_t digits, int32_t base);

}  // namespace Stipple_Shader
