// The Halton index mapper and its integer routines.
#include <gtest/gtest.h>

#include <random>
#include <utility>

#include "halton_index.h"

namespace Stipple_Shader {
namespace {

// IndexAt computed independently in 128-bit arithmetic, without the clamp.
int64_t Reference(const HaltonIndexer& h, int32_t px, int32_t py) {
    using U = unsigned __int128;
    auto reduce = [](int64_t v, int64_t m) { return static_cast<U>(((v % m) + m) % m); };
    const U rx = reduce(ReverseDigits(int64_t{px} + 10000, h.digitsX, 2), h.spanX);
    const U ry = reduce(ReverseDigits(int64_t{py} + 10000, h.digitsY, 3), h.spanY);
    const U total = static_cast<U>(h.total);
    const U i = ((rx * h.inverseX % h.spanX) * h.spanY % total + h.spanX * (ry * h.inverseY % h.spanY) % total) % total;
    return static_cast<int64_t>(static_cast<float>(h.scale) *
                                (static_cast<float>(static_cast<uint64_t>(i)) / static_cast<float>(h.total)));
}

TEST(Halton, IntegerRoutines) {
    EXPECT_EQ(DigitsNeeded(5, 2), 3);
    EXPECT_EQ(DigitsNeeded(2, 2), 1);
    EXPECT_EQ(DigitsNeeded(10, 3), 3);
    EXPECT_EQ(DigitsNeeded(9, 3), 2);
    EXPECT_EQ(DigitsNeeded(-4, 3), 1);
    EXPECT_EQ(DigitsNeeded(int64_t{1} << 31, 2), 31);
    EXPECT_EQ(DigitsNeeded(INT32_MAX, 3), 20);
    EXPECT_EQ(DigitsNeeded(100, 1), 1);  // no power of 1 reaches it: no endless loop
    // Near the 64-bit top the next power would wrap: counted exactly.
    for (int64_t limit : {INT64_MAX, (int64_t{1} << 62) + 1, int64_t{1000000000000000000}})
        for (int32_t base : {3, 5, 7, 100, 1000, 12345, INT32_MAX}) {
            int32_t k = 1;
            for (unsigned __int128 p = base; p < static_cast<unsigned __int128>(limit); p *= base) ++k;
            EXPECT_EQ(DigitsNeeded(limit, base), k) << limit << " " << base;
        }
    EXPECT_EQ(ReverseDigits(6, 3, 2), 3);
    EXPECT_EQ(ReverseDigits(5, 2, 3), 7);  // 12 in base 3 read backwards is 21
    EXPECT_EQ(ReverseDigits(6, 0, 2), 0);
    for (auto [a, b] : {std::pair<int64_t, int64_t>{240, 46}, {17, 5}, {9, 8}, {8, 9}, {7, 0}}) {
        auto [x, y] = ExtendedGcd(a, b);
        int64_t g = a, r = b;
        while (r != 0) g = std::exchange(r, g % r);
        EXPECT_EQ(a * x + b * y, g) << a << " " << b;
    }
    // b = −1 takes the recursion's result, a·0 + (−1)·1 = −1, for every a.
    for (int64_t a : {int64_t{7}, int64_t{-7}, INT64_MAX, INT64_MIN})
        EXPECT_EQ(ExtendedGcd(a, -1), (std::pair<int64_t, int64_t>{0, 1})) << a;
    EXPECT_EQ(ModInverse(3, 7), 5);
    EXPECT_EQ(ModInverse(9, 8), 1);
    EXPECT_EQ(ModInverse(8, 9), 8);
    EXPECT_EQ(ModInverse(-3, 7), 2);
    EXPECT_EQ(ModInverse(5, 0), 0);
}

TEST(Halton, InitAndIndexOfASmallImage) {
    HaltonIndexer h;
    h.Init(4, 4, 100);
    EXPECT_EQ(h.width, 5);  // a square image gets one more column
    EXPECT_EQ(h.height, 4);
    EXPECT_EQ(h.digitsX, 3);
    EXPECT_EQ(h.digitsY, 2);
    EXPECT_EQ(h.spanX, 8);
    EXPECT_EQ(h.spanY, 9);
    EXPECT_EQ(h.total, 72);
    EXPECT_EQ(h.inverseX, 1);
    EXPECT_EQ(h.inverseY, 8);
    EXPECT_EQ(h.IndexAt(0, 0), 66);
    EXPECT_EQ(h.IndexAt(1, 0), 16);
    EXPECT_EQ(h.IndexAt(0, 1), 33);
    // Pixels of one stratum period map onto distinct indices of [0, 72).
    HaltonIndexer fine;
    fine.Init(8, 9, 72);
    std::vector<bool> seen(72, false);
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 8; ++x) {
            const int32_t i = fine.IndexAt(x, y);
            ASSERT_TRUE(i >= 0 && i < 72);
            EXPECT_FALSE(seen[i]) << x << " " << y;
            seen[i] = true;
        }
}

TEST(Halton, UpdateRecomputesOnlyOnChange) {
    HaltonIndexer h;
    h.Init(10, 20, 50);
    const HaltonIndexer before = h;
    h.Update(10, 20, 50);
    EXPECT_EQ(h.total, before.total);
    h.Update(100, 20, 1);
    EXPECT_EQ(h.scale, 2);
    EXPECT_EQ(h.width, 100);
    EXPECT_EQ(h.digitsX, 7);
    HaltonIndexer unset;
    EXPECT_EQ(unset.IndexAt(3, 4), 0);
}

TEST(Halton, LargeImagesStayInRangeWithoutOverflow) {
    // Past 2^24 strata the float quotient can round to 1: the last stratum
    // must still map below the scale.
    HaltonIndexer h;
    h.Init(4096, 4096, 1000);
    ASSERT_GT(h.total, int64_t{1} << 24);
    const int32_t lastX = -1809, lastY = 3121;  // reversed digits all 1 (base 2) and all 2 (base 3)
    EXPECT_EQ(Reference(h, lastX, lastY), 1000);  // what the unclamped formula gives
    EXPECT_EQ(h.IndexAt(lastX, lastY), 999);
    // From scale 2147483584 up, float(scale) is 2^31: the last stratum still
    // maps below the scale.
    for (int32_t scale : {2147483584, INT32_MAX}) {
        h.Init(4096, 4096, scale);
        EXPECT_EQ(h.IndexAt(lastX, lastY), scale - 1) << scale;
    }

    std::mt19937 rng(8);
    for (auto [w, hh] : {std::pair<int32_t, int32_t>{40000, 3}, {3, 30000}, {70000, 50000},
                         {INT32_MAX, INT32_MAX}, {INT32_MAX - 5, 1 << 30}}) {
        HaltonIndexer big;
        big.Init(w, hh, INT32_MAX);
        std::uniform_int_distribution<int32_t> px(-20000, w), py(-20000, hh);
        for (int trial = 0; trial < 2000; ++trial) {
            const int32_t x = px(rng), y = py(rng);
            const int32_t i = big.IndexAt(x, y);
            ASSERT_GE(i, 0) << w << " " << hh << " " << x << " " << y;
            const int64_t want = Reference(big, x, y);
            ASSERT_EQ(i, want < INT32_MAX ? want : INT32_MAX - 1) << w << " " << hh << " " << x << " " << y;
        }
        EXPECT_GE(big.IndexAt(INT32_MIN, INT32_MIN), 0);
        EXPECT_LT(big.IndexAt(INT32_MAX, INT32_MAX), INT32_MAX);
    }
}

}  // namespace
}  // namespace Stipple_Shader
