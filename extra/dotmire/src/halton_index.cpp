// The Halton index mapper and its integer routines.
#include "halton_index.h"

namespace Stipple_Shader {

namespace {

// base^digits in wrapping unsigned arithmetic (exact for the mapper's sizes).
uint64_t Power(int32_t base, int32_t digits) {
    uint64_t p = 1;
    for (int32_t i = 0; i < digits; ++i) p *= static_cast<uint64_t>(base);
    return p;
}

// v reduced into [0, m) for m ≥ 1.
uint64_t Reduce(int64_t v, uint64_t m) {
    if (v >= 0) return static_cast<uint64_t>(v) % m;
    uint64_t r = (0 - static_cast<uint64_t>(v)) % m;
    return r == 0 ? 0 : m - r;
}

}  // namespace

std::pair<int64_t, int64_t> ExtendedGcd(int64_t a, int64_t b) {
    if (b == 0) return {1, 0};
    // The recursion's own result for b = −1 (a mod −1 is 0), taken without
    // the division, which overflows for the smallest 64-bit a.
    if (b == -1) return {0, 1};
    auto [x, y] = ExtendedGcd(b, a % b);
    return {y, x - (a / b) * y};
}

int64_t ModInverse(int64_t a, int64_t m) {
    if (m < 1) return 0;
    int64_t x = ExtendedGcd(a, m).first % m;
    while (x < 0) x += m;
    return x;
}

int32_t DigitsNeeded(int64_t limit, int32_t base) {
    if (base >= limit || base < 2) return 1;  // a base below 2 never reaches the limit
    const uint64_t b = static_cast<uint64_t>(base), top = static_cast<uint64_t>(limit);
    int32_t k = 1;
    for (uint64_t p = b; p < top; p *= b) {
        ++k;
        if (p > top / b) break;  // the next power passes the limit (and would wrap)
    }
    return k;
}

int64_t ReverseDigits(int64_t value, int32_t digits, int32_t base) {
    if (base < 2) return 0;  // no digits to reverse (base 1 gives 0 anyway)
    uint64_t r = 0;
    for (int32_t i = 0; i < digits; ++i) {
        r = r * static_cast<uint64_t>(static_cast<int64_t>(base)) + static_cast<uint64_t>(value % base);
        value /= base;
    }
    return static_cast<int64_t>(r);
}

void HaltonIndexer::Init(int32_t w, int32_t h, int32_t scaleValue) {
    baseX = 2;
    baseY = 3;
    Setup(w, h, scaleValue);
}

void HaltonIndexer::Update(int32_t w, int32_t h, int32_t scaleValue) {
    if (w == width && h == height && scaleValue == scale) return;
    Setup(w, h, scaleValue < 2 ? 2 : scaleValue);
}

void HaltonIndexer::Setup(int64_t w, int32_t h, int32_t scaleValue) {
    width = w == h ? w + 1 : w;  // 64-bit: no overflow at the largest width
    height = h;
    scale = scaleValue;
    digitsX = DigitsNeeded(width, baseX);
    digitsY = DigitsNeeded(height, baseY);
    spanX = static_cast<int64_t>(Power(baseX, digitsX));
    spanY = static_cast<int64_t>(Power(baseY, digitsY));
    total = static_cast<int64_t>(static_cast<uint64_t>(spanX) * static_cast<uint64_t>(spanY));
    inverseX = ModInverse(spanY, spanX);
    inverseY = ModInverse(spanX, spanY);
}

int32_t HaltonIndexer::IndexAt(int32_t px, int32_t py) const {
    if (spanX < 1 || spanY < 1 || total < 1) return 0;  // not set up
    const uint64_t sx = static_cast<uint64_t>(spanX), sy = static_cast<uint64_t>(spanY);
    const uint64_t all = static_cast<uint64_t>(total);
    // Pixels below −10000 would give negative digits: reduce into the span.
    const uint64_t rx = digitsX >= 1 ? Reduce(ReverseDigits(int64_t{px} + 10000, digitsX, baseX), sx) : 0;
    const uint64_t ry = digitsY >= 1 ? Reduce(ReverseDigits(int64_t{py} + 10000, digitsY, baseY), sy) : 0;
    // Each product stays below 2^63 for any 32-bit width and height; the sum
    // of two terms below total fits in 64 unsigned bits.
    const uint64_t ix = (rx * static_cast<uint64_t>(inverseX)) % sx * sy % all;
    const uint64_t iy = sx * ((ry * static_cast<uint64_t>(inverseY)) % sy) % all;
    const uint64_t i = (ix + iy) % all;
    const float fraction = static_cast<float>(i) / static_cast<float>(all);
    const float scaled = static_cast<float>(scale) * fraction;
    // Through 64 bits: float(scale) rounds up to 2^31 for the largest scales.
    const int64_t index = static_cast<int64_t>(scaled);
    // For totals past 2^24 the quotient can round up to 1.
    if (scale > 0 && index >= scale) return scale - 1;
    return static_cast<int32_t>(index);
}

}  // namespace Stipple_Shader
