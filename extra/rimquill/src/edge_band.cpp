#include "edge_band.h"

#include <cmath>

namespace edgeink {

float Band(const EdgeInkParams& p, float a)
{
    const float w = static_cast<float>(static_cast<double>(0.1f) * std::sqrt(static_cast<double>(p.edgeWidth)));
    const float s = p.edgeSoftness * w;
    const float t0 = w - s;
    if (s > 0.0f) {
        if (a < t0) return 1.0f;
        if (a < t0 + s) return 1.0f - (a - t0) / s;
        return 0.0f;
    }
    return a <= t0 ? 1.0f : 0.0f;
}

float Grazing(const EdgeInkParams& p, const float* dir, const float* normal)
{
    const float x = Dot3(normal, dir) - 0.1f * std::fabs(p.edgeOffset);
    return x > 0.0f ? 0.0f : -x;
}

}  // namespace edgeink
