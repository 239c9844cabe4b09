// The generators' random numbers: splitmix64, a small integer generator
// whose sequence is fixed by its seed, so the checked-in data can be made
// again exactly.
#pragma once

#include <cstdint>

namespace Stipple_Shader::tools {

struct SeededRng {
    uint64_t state;

    uint64_t Next() {
        uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in [0, bound) for bound ≥ 1, by rejection (no modulo bias).
    int64_t Below(int64_t bound) {
        const uint64_t b = static_cast<uint64_t>(bound);
        const uint64_t limit = UINT64_MAX - UINT64_MAX % b;
        uint64_t r;
        do r = Next(); while (r >= limit);
        return static_cast<int64_t>(r % b);
    }
    // Uniform in [low, high).
    int64_t In(int64_t low, int64_t high) { return low + Below(high - low); }
};

}  // namespace Stipple_Shader::tools
