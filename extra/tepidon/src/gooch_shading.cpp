#include "gooch_shading.h"

#include <cmath>

#include "shader/diffuse_mix.h"
#include "shader/shading_math.h"

namespace Gooch_Shader {
namespace {

constexpr double kQuarterPi = 0.7853981633974483;
// Contrast near 1 sits at the tangent's pole; the curve stays unclamped for
// every visible purpose but is held inside this bound so that the colour mix
// of finite inputs cannot overflow a float.
constexpr double kToneLimit = 1e12;

// Fixed-light tone: |V . N| with V the reversed view ray tilted up and right.
float fixedLightTone(const st_KVpSampleRay& ray, const st_KVpSurfaceNormal& normal) {
    const float* d = ray.dir;
    const float vx = static_cast<float>((0.0 - static_cast<double>(d[0])) + 0.1);
    const float vy = static_cast<float>((0.0 - static_cast<double>(d[1])) + 0.25);
    const float vz = 0.0f - d[2];
    const float q = vx * vx + vy * vy + vz * vz;
    const float r = q > 0.0f ? 1.0f / std::sqrt(q) : 1.0f;
    const float* n = normal.normal;
    return std::fabs(vx * r * n[0] + vy * r * n[1] + vz * r * n[2]);
}

}  // namespace

float goochToneCurve(float t, float brightness, float contrast) {
    const double b = brightness;
    double td = t;
    td = b < 0.0 ? (b + 1.0) * td : td + (1.0 - td) * b;
    t = static_cast<float>(td);
    const double k = contrast;
    const double f = std::tan((k + 1.0) * kQuarterPi) * (static_cast<double>(t) - 0.5) + 0.5;
    return static_cast<float>(std::fmax(-kToneLimit, std::fmin(kToneLimit, f)));
}

bool shadeGooch(const GoochPacketData& p, bool useLights, const GoochSample& sample, st_KVpShadeComponents& sc,
                st_KVpShadeOutput& out) {
    if (!sample.parms) return false;
    if (!useLights && (!sample.ray || !sample.normal)) return false;

    float warm[3], cool[3], t;
    if (useLights) {
        const float s = kv::shader::clamp01(p.shadows);
        const float i = kv::shader::clamp01(p.indirectLight);
        const kv::shader::DiffuseMix mix = kv::shader::diffuseMix(sc, *sample.parms, s, i);
        for (int c = 0; c < 3; ++c) {
            warm[c] = mix.illumination[c] * p.tintWarm + p.warmColor[c];
            cool[c] = mix.illumination[c] * p.tintCool + p.coolColor[c];
        }
        t = mix.ratio;
    } else {
        t = fixedLightTone(*sample.ray, *sample.normal);
        const float* s = sample.parms->diffCol;
        for (int c = 0; c < 3; ++c) {
            warm[c] = s[c] * p.tintWarm + p.warmColor[c];
            cool[c] = s[c] * p.tintCool + p.coolColor[c];
        }
    }

    const float f = goochToneCurve(t, p.brightness, p.contrast);
    for (int c = 0; c < 3; ++c) {
        sc.diff[c] = cool[c] + (warm[c] - cool[c]) * f;
        const float sum = sc.diff[c] + sc.refl[c] + sc.tran[c] + sc.subs[c] + sc.lumi[c];
        out.color[c] = useLights ? sc.spec[c] + sum : sum;
    }
    return true;
}

}  // namespace Gooch_Shader
