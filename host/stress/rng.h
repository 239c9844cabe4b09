// Deterministic random numbers for the robustness runs: one generator per
// case, seeded from the case seed and the material name, so that a case is
// the same whatever ran before it.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>

namespace kvs {

inline uint64_t Mix64(uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

inline uint64_t HashText(const std::string& s) {
    uint64_t h = 0xCBF29CE484222325ull;
    for (unsigned char c : s) h = (h ^ c) * 0x100000001B3ull;
    return h;
}

class Rng {
public:
    explicit Rng(uint64_t seed) : state_(Mix64(seed)) {}
    Rng(uint64_t seed, const std::string& salt) : state_(Mix64(seed ^ HashText(salt))) {}

    uint64_t Next() { return Mix64(state_ += 0x9E3779B97F4A7C15ull); }
    // Uniform in [0, n); 0 when n is 0.
    uint32_t Below(uint32_t n) { return n ? uint32_t(Next() % n) : 0; }
    int32_t Range(int32_t lo, int32_t hi) { return lo + int32_t(Below(uint32_t(hi - lo + 1))); }
    double Unit() { return double(Next() >> 11) * (1.0 / 9007199254740992.0); }
    double Uniform(double lo, double hi) { return lo + (hi - lo) * Unit(); }
    bool Chance(double p) { return Unit() < p; }
    // Magnitude spread evenly over decades: 10^lo .. 10^hi.
    double LogUniform(double lo, double hi) { return std::pow(10.0, Uniform(lo, hi)); }
    double Sign() { return Chance(0.5) ? 1.0 : -1.0; }

private:
    uint64_t state_;
};

}  // namespace kvs
