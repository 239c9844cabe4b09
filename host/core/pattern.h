// Patterns: small procedural values of a sample, used for per-sample channel
// drivers and texture layers. They read the "texture.input" u, v of the
// sample (0, 0 when the packet is absent).
//
//   {"type": "constant", "value": v | [r,g,b]}
//   {"type": "checker", "scale": s, "a": .., "b": ..}   // squares of 1/s in u, v
//   {"type": "ramp-u" | "ramp-v", "a": .., "b": ..}     // a at 0 to b at 1, clamped
#pragma once

#include <cstdint>

namespace kvh {

struct SampleVector;

struct Pattern {
    enum class Type { Constant, Checker, RampU, RampV };
    Type type = Type::Constant;
    float a[3] = {0, 0, 0};
    float b[3] = {0, 0, 0};
    float scale = 1.0f;

    // Three values (a scalar pattern repeats its value). No allocation.
    void Evaluate(const SampleVector& v, float out[3]) const;
    void EvaluateAt(float u, float v, float out[3]) const;
};

}  // namespace kvh
