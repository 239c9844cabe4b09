#include "xtoon_tone.h"

#include <cmath>

namespace XToon_Shader {
namespace {

struct Colour {
    float r, g, b;
};

Colour Load(const float* c) { return {c[0], c[1], c[2]}; }
void Store(float* c, Colour v) { c[0] = v.r; c[1] = v.g; c[2] = v.b; }
float Dot(Colour a, Colour b) { return a.r * b.r + a.g * b.g + a.b * b.b; }
float Length(Colour c) { return std::sqrt(Dot(c, c)); }
float Luminance(Colour c) { return 0.3f * c.r + 0.59f * c.g + 0.11f * c.b; }
Colour Add(Colour a, Colour b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
Colour Scale(Colour a, float s) { return {a.r * s, a.g * s, a.b * s}; }
// a + (b - a) * t, per component.
Colour Mix(Colour a, Colour b, float t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

// ln(num / den) when the quotient is a finite positive number.
bool LogOfQuotient(float num, float den, float& out) {
    if (den == 0.0f) return false;
    const float q = num / den;
    if (!(q > 0.0f) || !std::isfinite(q)) return false;
    out = std::log(q);
    return std::isfinite(out);
}

// 1 - ln(z / zMin) / ln(ratio): 1 at zMin, falling to about 0 at zMax. Without
// a usable ratio or a positive zMin, the sample is either near (1) or not (0).
float DepthDetail(const XToonPacketData& p, float z) {
    const float nearOrFar = z <= p.zMin ? 1.0f : 0.0f;
    if (!(p.depthRatio > 1.0f) || !(p.zMin > 0.0f)) return nearOrFar;
    float lz = 0.0f;
    if (!LogOfQuotient(z, p.zMin, lz)) return nearOrFar;
    return 1.0f - lz / std::log(p.depthRatio);
}

// Depth of field around the focus F between zMin and zMax. Any logarithm of a
// non-positive or non-finite quotient, or a zero divisor, gives 0.
float DofDetail(const XToonPacketData& p, float z) {
    const float focus = p.zMin + (p.zMax - p.zMin) * p.strength;
    float num = 0.0f;
    float den = 0.0f;
    if (z < focus) {
        if (!LogOfQuotient(z, focus - p.zMin, num) || !LogOfQuotient(focus - p.zMax, focus - p.zMin, den) ||
            den == 0.0f)
            return 0.0f;
        return 1.0f - num / den;
    }
    if (!LogOfQuotient(z, p.zMax + focus, num) || !LogOfQuotient(focus + p.zMin, p.zMax + focus, den) ||
        den == 0.0f)
        return 0.0f;
    return num / den;
}

float Flip(float v, bool flip) { return flip ? static_cast<float>(1.0 - static_cast<double>(v)) : v; }

// Pixel index of a coordinate in [0, 1] across a size; the last pixel for
// anything at or past the end.
uint32_t PixelIndex(float v, uint32_t size) {
    const float f = std::fabs(v - std::floor(v)) * static_cast<float>(size);
    if (!(f < static_cast<float>(size))) return size - 1;
    const uint32_t i = static_cast<uint32_t>(f);
    return i < size - 1 ? i : size - 1;
}

}  // namespace

float ClampTone(float x) {
    if (!(x > 0.0f)) return 0.0f;
    return x < kUnitBelowOne ? x : kUnitBelowOne;
}

float ContrastSlope(float contrast) {
    const float g = static_cast<float>((static_cast<double>(contrast) + 1.0) * 0.7853981633974483);
    const float g2 = g * g;
    const float quartic = 5.0f * g2 * g2 / 24.0f;
    return static_cast<float>(static_cast<double>(g) + static_cast<double>(g2) * 0.5 + quartic);
}

float ToneFromLight(const XToonPacketData& p, const st_KVpSampleParms& parms, const st_KVpShadeComponents& sc) {
    float s = p.shadows;
    s = s > 0.0f ? (s < 1.0f ? s : 1.0f) : 0.0f;
    const float i = p.indirectLight;
    float light[3];
    for (int c = 0; c < 3; ++c) {
        const float ind = sc.indirect[c] * i;
        const float without = sc.diffUnshad[c] + ind;
        const float with = sc.diffLit[c] + ind;
        light[c] = without + (with - without) * s;
    }
    const float d = Length(Load(parms.diffCol)) * parms.diffAmt;
    const float r = d > 0.0f ? Length(Load(light)) / d : 0.0f;

    const double b = p.brightness;
    const float r1 = static_cast<float>(b < 0.0 ? r * (b + 1.0) : r + (1.0 - r) * b);
    const float m = ContrastSlope(p.contrast);
    const float t = static_cast<float>(static_cast<double>(m) * (static_cast<double>(r1) - 0.5) + 0.5);
    return ClampTone(t);
}

float DetailMeasure(const XToonPacketData& p, const XToonSampleRecords& rec, const st_KVpShadeComponents& sc) {
    float d = p.detail;
    switch (p.detailMode) {
    case kDetailDepth:
        d = rec.ray ? DepthDetail(p, rec.ray->dist) : 0.0f;
        break;
    case kDetailDof:
        d = rec.ray ? DofDetail(p, rec.ray->dist) : 0.0f;
        break;
    case kDetailSilhouette:
        d = rec.ray && rec.normal
                ? std::pow(std::fabs(Dot(Load(rec.normal->normal), Load(rec.ray->dir))), p.strength)
                : 0.0f;
        break;
    case kDetailSpecular: {
        const float ls = rec.parms ? Luminance(Load(rec.parms->specCol)) : 0.0f;
        d = ls > 0.0f ? Luminance(Load(sc.spec)) / ls : 0.0f;
        break;
    }
    default:
        break;
    }
    return ClampTone(d);
}

void ShadeXToon(XToonPacketData& p, const XToonSampleRecords& rec, const XToonToneTables& tables,
                st_KVpShadeComponents& sc, st_KVpShadeOutput& out) {
    static const st_KVpSampleParms kNoParms{};
    const st_KVpSampleParms& parms = rec.parms ? *rec.parms : kNoParms;

    const float tone = Flip(ToneFromLight(p, parms, sc), p.flipHoriz != 0);
    const float detail = Flip(DetailMeasure(p, rec, sc), p.flipVert != 0);
    p.detail = tone;

    // Tone colour Z and its alpha A.
    Colour z{};
    float alpha = 1.0f;
    uint32_t w = 0;
    uint32_t h = 0;
    if (p.useImage && tables.ToneImageSize(w, h) && w > 0 && h > 0) {
        float px[4];
        tables.TonePixel(PixelIndex(tone, w), PixelIndex(detail, h), px);
        z = {px[0], px[1], px[2]};
        alpha = px[3];
    } else if (p.useImage) {
        // Posterised grey: more levels with more detail.
        const float levels = std::trunc(detail * 6.0f + 3.0f);
        const float grey = std::trunc(tone * levels) / levels;
        z = {grey, grey, grey};
    } else {
        const Colour top{static_cast<float>(tables.Gradient(kTopRed, tone)),
                         static_cast<float>(tables.Gradient(kTopGreen, tone)),
                         static_cast<float>(tables.Gradient(kTopBlue, tone))};
        const Colour bottom{static_cast<float>(tables.Gradient(kBottomRed, tone)),
                            static_cast<float>(tables.Gradient(kBottomGreen, tone)),
                            static_cast<float>(tables.Gradient(kBottomBlue, tone))};
        const float step = p.stepPos;
        if (step > 0.0f && step < 1.0f)
            z = detail <= step ? top : bottom;
        else
            z = Mix(top, bottom, detail);
    }
    const float toneLum = Luminance(z);

    // Specular and reflection reshaped by their gradients.
    const Colour specCol = Load(parms.specCol);
    const float sp = Length(specCol);
    const float specIn = sp > 0.0f ? Length(Load(sc.spec)) / sp : 0.0f;
    z = Add(z, Scale(specCol, static_cast<float>(tables.Gradient(kSpecularGrad, specIn))));
    Colour refl = Load(sc.refl);
    const float rr = Dot(refl, refl);
    float reflLen = -1.0f;
    if (rr > 0.0f) {
        reflLen = std::sqrt(rr);
        refl = {refl.r / reflLen, refl.g / reflLen, refl.b / reflLen};
    }
    z = Add(z, Scale(refl, static_cast<float>(tables.Gradient(kReflectionGrad, reflLen))));

    // The host's own sum, and the direction of its diffuse light.
    float hostSum[3];
    for (int c = 0; c < 3; ++c)
        hostSum[c] = sc.diff[c] + sc.refl[c] + sc.tran[c] + sc.subs[c] + sc.lumi[c] + sc.spec[c];
    const Colour host = Load(hostSum);
    Colour lightDir = Mix(Load(sc.diffUnshad), Load(sc.diff), p.shadows);
    const float mm = Dot(lightDir, lightDir);
    if (mm > 0.0f) {
        float inv = 1.0f / std::sqrt(mm);
        inv = inv * (3.0f - mm * inv * inv) * 0.5f;
        lightDir = Scale(lightDir, inv);
    }

    // Y = H + (M Lz - H) a; Q = H + (Z - H) A a; output Y + (Q - Y) shadeMix.
    const Colour shaded = Mix(host, Scale(lightDir, toneLum), p.patAlpha);
    const Colour toned{host.r + (z.r - host.r) * alpha * p.patAlpha, host.g + (z.g - host.g) * alpha * p.patAlpha,
                       host.b + (z.b - host.b) * alpha * p.patAlpha};
    Store(out.color, Mix(shaded, toned, p.shadeMix));

    if (rec.parms) Store(sc.diff, Scale(Load(parms.diffCol), parms.diffAmt));
}

}  // namespace XToon_Shader
