// Toon banded shading: the host's diffuse light is classified into one of up
// to eight bands and replaced by that band's level and colour (with soft
// transitions and optional per-band gradients); specular and reflection are
// quantised into bands or remapped through a gradient. Runs per sample: no
// allocation, no lock.
#pragma once

#include <cmath>

#include <kv/kv_records.h>

#include "shader/diffuse_mix.h"
#include "shader/shading_math.h"
#include "toon_layout.h"

// The gradient filters that shading reads. `Filter` offers `bool test() const`
// (bound or not) and `double Evaluate(double) const`.
template <class Filter>
struct ToonFilterSet {
    Filter band[3 * kToonMaxBands];  // red of bands 1-8, then green, then blue
    Filter refl;
    Filter spec;

    const Filter& bandFilter(int component, int b) const { return band[component * kToonMaxBands + b]; }
    Filter& bandFilter(int component, int b) { return band[component * kToonMaxBands + b]; }
};

namespace toon_detail {

// Surface parameters of a white surface of full diffuse amount: used when the
// sample carries no "sample.parms", so the band coordinate follows the light.
inline const st_KVpSampleParms& whiteSurface() {
    static const st_KVpSampleParms parms = [] {
        st_KVpSampleParms p{};
        p.diffCol[0] = p.diffCol[1] = p.diffCol[2] = 1.0f;
        p.diffAmt = 1.0f;
        return p;
    }();
    return parms;
}

// Index of the band that takes the coordinate e, or -1 for the base record.
// The search stops at the first band whose start exceeds e (a sample exactly
// at a start takes that band); later bands are not examined.
inline int findBand(const ToonPacketData& p, float e) {
    int k = -1;
    for (int b = 0; b < p.diffBands && b < kToonMaxBands; ++b) {
        if (std::isnan(e) || p.bands[b].start > e) break;
        k = b;
    }
    return k;
}

inline ToonBand baseRecord(const ToonPacketData& p) {
    ToonBand base{};
    base.color[0] = p.baseColor[0];
    base.color[1] = p.baseColor[1];
    base.color[2] = p.baseColor[2];
    base.alpha = p.baseAlpha;
    return base;
}

// Banded specular or reflection: `bands` >= 1 quantises the length of v into
// levels; otherwise a bound gradient remaps it; otherwise v stays.
template <class Filter>
void bandedHighlight(float v[3], int32_t bands, float level, const Filter& grad) {
    if (bands >= 1) {
        const float q = v[0] * v[0] + v[1] * v[1] + v[2] * v[2];
        float len = -1.0f;
        float d[3] = {v[0], v[1], v[2]};
        if (q > 0.0f) {
            len = std::sqrt(q);
            for (float& c : d) c /= len;
        }
        const float steps = static_cast<float>(bands - 1) * len;
        const float w = static_cast<float>((static_cast<double>(level) + std::floor(static_cast<double>(steps))) /
                                           static_cast<double>(bands));
        for (int c = 0; c < 3; ++c) v[c] = d[c] * w;
    } else if (grad.test()) {
        const float q = v[0] * v[0] + v[1] * v[1] + v[2] * v[2];
        float len = -1.0f;
        if (q > 0.0f) {
            len = std::sqrt(q);
            for (int c = 0; c < 3; ++c) v[c] /= len;
        }
        const float input = len + level;
        const float g = static_cast<float>(grad.Evaluate(input));
        for (int c = 0; c < 3; ++c) v[c] *= g;
    }
}

}  // namespace toon_detail

// Replaces the diffuse result (entry 0) by the banded diffuse of packet p.
// `parms` is the sample's "sample.parms", or null when the vector has none.
template <class Filter>
void toonDiffuse(const ToonPacketData& p, const st_KVpSampleParms* parms, const ToonFilterSet<Filter>& grads,
                 st_KVpShadeComponents& sc) {
    using namespace toon_detail;
    const int32_t n = p.diffBands;
    if (n == 0) return;

    const kv::shader::DiffuseMix mix =
        kv::shader::diffuseMix(sc, parms ? *parms : whiteSurface(), kv::shader::clamp01(p.shadows),
                               kv::shader::clamp01(p.indirectLight));
    const float* light = mix.illumination;
    const float e = static_cast<float>(static_cast<double>(p.diffShift) * 0.1 + static_cast<double>(mix.ratio));

    const int k = findBand(p, e);
    const ToonBand base = baseRecord(p);
    const ToonBand& r = k >= 0 ? p.bands[k] : base;

    const float step = p.diffLevel / static_cast<float>(n);
    const float level = r.start + step;
    const float offset = e - r.start;
    float shade[3] = {light[0] * level, light[1] * level, light[2] * level};
    float colour[3] = {r.color[0], r.color[1], r.color[2]};

    if (k >= 0 && r.useGrad) {
        const float next = (k + 1 < n && k + 1 < kToonMaxBands) ? p.bands[k + 1].start : 0.0f;
        const float span = next - r.start;
        const float t = (offset > 0.0f && offset < span) ? offset / span : 1.0f;
        for (int c = 0; c < 3; ++c) {
            const Filter& f = grads.bandFilter(c, k);
            colour[c] = f.test() ? static_cast<float>(f.Evaluate(t)) : 0.0f;
        }
    }

    if (offset > 0.0f && offset < r.soft) {
        const float u = offset / r.soft;
        const ToonBand& q = k > 0 ? p.bands[k - 1] : base;
        for (int c = 0; c < 3; ++c) colour[c] = q.color[c] + (r.color[c] - q.color[c]) * u;
        const float soft = static_cast<float>(static_cast<double>(level) * u +
                                              (1.0 - u) * (static_cast<double>(q.start) + step));
        for (int c = 0; c < 3; ++c) shade[c] = light[c] * soft;
    }

    const float a = r.alpha;
    for (int c = 0; c < 3; ++c) sc.diff[c] = a > 0.0f ? shade[c] + (colour[c] - shade[c]) * a : shade[c];
}

// Toon shading of one sample: banded diffuse, specular and reflection, then
// the output colour as the sum of the components.
template <class Filter>
void toonShade(const ToonPacketData& p, const st_KVpSampleParms* parms, const ToonFilterSet<Filter>& grads,
               st_KVpShadeComponents& sc, st_KVpShadeOutput& out) {
    toonDiffuse(p, parms, grads, sc);
    toon_detail::bandedHighlight(sc.spec, p.specBands, p.specLevel, grads.spec);
    toon_detail::bandedHighlight(sc.refl, p.reflBands, p.reflLevel, grads.refl);
    for (int c = 0; c < 3; ++c)
        out.color[c] = sc.diff[c] + sc.spec[c] + sc.refl[c] + sc.tran[c] + sc.subs[c] + sc.lumi[c];
}
