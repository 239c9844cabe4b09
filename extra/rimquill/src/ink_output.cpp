#include "ink_output.h"

#include <algorithm>

namespace edgeink {

void SeeThrough(const EdgeInkParams& p, const EdgeInkSample& s, const EdgeInkHost& h, float* out)
{
    float behind[3] = {0.0f, 0.0f, 0.0f};
    if (vt_IKvUnknown** traced = h.PushVector(s.vector)) {
        h.Trace(traced, s.ray->origin, s.ray->dir, KV_RAY_SEETHROUGH);
        if (const auto* r = h.Packet<st_KVpSampleRay>(traced, h.rayOffset)) std::copy(r->color, r->color + 3, behind);
        h.PopVector(s.vector);
    }
    const float a = p.seeThrough < 0.0f ? 0.0f : std::min(1.0f, p.seeThrough);
    for (int c = 0; c < 3; ++c) out[c] = out[c] + (behind[c] - out[c]) * a;
}

void InkOver(const EdgeInkParams& p, float e, const st_KVpSampleParms* parms, const st_KVpShadeComponents* sc,
             float* out)
{
    if (!(e > 0.0f)) return;
    float c1[3], c2[3];
    for (int c = 0; c < 3; ++c) {
        switch (p.colorMode) {
        case kEdgeInkCrayon: {
            const float diffuse = parms ? parms->diffCol[c] * parms->diffAmt : 0.0f;
            c1[c] = c2[c] = out[c] + (diffuse - out[c]) * p.edgeAlpha;
            break;
        }
        case kEdgeInkScratch: {
            const float diffuse = sc ? sc->diff[c] : 0.0f;
            c1[c] = c2[c] = out[c] + (diffuse - out[c]) * p.edgeAlpha;
            break;
        }
        default:
            c1[c] = out[c] + (p.edgeColor[c] - out[c]) * p.edgeAlpha;
            c2[c] = out[c] + (p.edgeColor2[c] - out[c]) * p.edgeAlpha2;
            break;
        }
    }
    const float k = std::min(e, 1.0f);
    for (int c = 0; c < 3; ++c) out[c] = out[c] + ((c2[c] + (c1[c] - c2[c]) * k) - out[c]) * k;
}

}  // namespace edgeink
