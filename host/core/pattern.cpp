#include "core/pattern.h"

#include <algorithm>
#include <cmath>

#include "core/sample_vector.h"

namespace kvh {

void Pattern::Evaluate(const SampleVector& v, float out[3]) const {
    const auto* tex = v.Packet<st_KVpTextureInput>(HostPacket::TextureInput);
    EvaluateAt(tex ? tex->u : 0.0f, tex ? tex->v : 0.0f, out);
}

void Pattern::EvaluateAt(float u, float v, float out[3]) const {
    float t = 0.0f;
    switch (type) {
        case Type::Constant: t = 0.0f; break;
        case Type::Checker: {
            // Parity of the cell, in doubles: NaN or huge coordinates must not
            // reach an integer conversion.
            double cells = std::floor(double(u) * scale) + std::floor(double(v) * scale);
            t = std::isfinite(cells) && std::fmod(std::fabs(cells), 2.0) >= 1.0 ? 1.0f : 0.0f;
            break;
        }
        case Type::RampU: t = std::clamp(u, 0.0f, 1.0f); break;
        case Type::RampV: t = std::clamp(v, 0.0f, 1.0f); break;
    }
    for (int c = 0; c < 3; ++c) out[c] = a[c] + (b[c] - a[c]) * t;
}

}  // namespace kvh
