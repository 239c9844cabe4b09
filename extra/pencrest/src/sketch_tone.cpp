#include "sketch_tone.h"

#include <cmath>

#include "shader/popup_lists.h"
#include "shader/shading_math.h"
#include "shader/tone_ratio.h"

namespace SketchTone_Shader {
namespace {

using kv::shader::clamp01;
using kv::shader::TilingCoordinate;

// a + (b - a) t in double, rounded to float.
float mix(float a, float b, float t) { return static_cast<float>(a + (double(b) - a) * t); }

struct Rgb {
    float c[3];
};
Rgb mix(const Rgb& a, const Rgb& b, float t) {
    return {{mix(a.c[0], b.c[0], t), mix(a.c[1], b.c[1], t), mix(a.c[2], b.c[2], t)}};
}
Rgb rgb(const float* v) { return {{v[0], v[1], v[2]}}; }

const st_KVpSampleParms kNoParms{};

}  // namespace

float TileFraction(float coord, float tiles, float offset) {
    return kv::shader::PlaceInTile(static_cast<float>(double(coord) * tiles + offset)).fraction;
}

float RenderTileSpot(const SketchToneBlock& b, const st_KVpSketchTone& p, const SketchMapImage* map, float fu,
                     float fv, float level) {
    if (b.replaceSketchMap) return p.sketchMapLevel > level ? 1.0f : 0.0f;
    if (map && map->width > 0 && map->height > 0) {
        // Column and row of the in-tile position, never past the last; a
        // position that is not finite reads the first.
        auto index = [](float f, uint32_t size) -> uint32_t {
            if (!std::isfinite(f)) return 0;
            const double cell = std::trunc(std::fabs(double(f) - std::floor(double(f))) * size);
            return cell >= double(size - 1) ? size - 1 : static_cast<uint32_t>(cell);
        };
        float rgba[4] = {0.0f, 0.0f, 0.0f, 0.0f};
        map->Pixel(index(fu, map->width), index(fv, map->height), rgba);
        return kv::shader::luminance(rgba) > level ? 1.0f : 0.0f;
    }
    const double du = double(fu) - 0.5, dv = double(fv) - 0.5;
    const double d = std::sqrt(du * du + dv * dv) * 1.414213562;
    if (d > level) return 1.0f;
    if (d > double(level) - 0.1) return static_cast<float>((0.1 - (double(level) - d)) * 10.0);
    return 0.0f;
}

void ShadeSketchTone(const st_KVpSketchTone& p, const SketchToneBlock& b, const SketchMapImage* map,
                     const SketchSample& s, st_KVpShadeComponents& sc, st_KVpShadeOutput& out) {
    const st_KVpSampleParms& parms = s.parms ? *s.parms : kNoParms;
    const float ratio = kv::shader::toneRatio(sc, parms, clamp01(p.shadows), p.indirectLight);
    const float level = kv::shader::toneLevel(ratio, {p.replaceShading, p.shadingLevel, p.brightness, p.contrast});
    const bool screen = b.screenCoords != 0;
    const float fu = TileFraction(TilingCoordinate(s.u, screen), p.tiles, p.tileOffset);
    const float fv = TileFraction(TilingCoordinate(s.v, screen), p.tiles, p.tileOffset);
    const float c0 = RenderTileSpot(b, p, map, fu, fv, level);

    const Rgb pattern = rgb(p.patColor);
    Rgb base;
    for (int c = 0; c < 3; ++c) base.c[c] = parms.diffCol[c] * parms.diffAmt;
    const bool through = s.traced && p.seeThrough > 0.0f;
    Rgb paper = base, patternSeen = pattern, patternOver = base;
    if (through) {
        const float st = p.seeThrough < 1.0f ? p.seeThrough : 1.0f;
        const Rgb traced = rgb(s.traced);
        paper = mix(base, traced, st);
        patternOver = mix(base, pattern, p.patAlpha);
        patternSeen = mix(patternOver, traced, st);
    }
    Rgb covered, open = patternSeen;
    switch (b.colorMode) {
        case kv::shader::kColorInk:
            covered = mix(paper, pattern, p.patAlpha);
            open = paper;
            break;
        case kv::shader::kColorCrayon: covered = base; break;
        case kv::shader::kColorScratch: covered = rgb(sc.diff); break;
        default: covered = through ? patternOver : base; break;
    }
    Rgb result = mix(covered, open, c0);

    if (p.reflection > 0.0f) {
        const float lr = p.reflection * kv::shader::lengthRatio(sc.refl, parms.reflCol);
        const float c1 = RenderTileSpot(b, p, map, fu, fv, lr);
        result = mix(mix(open, rgb(parms.reflCol), p.patAlpha), result, c1);
        sc.refl[0] = sc.refl[1] = sc.refl[2] = 0.0f;
    }
    if (p.specular > 0.0f) {
        float q = kv::shader::lengthRatio(sc.spec, parms.specCol);
        if (p.replaceSpecular > 0.0f)
            q = static_cast<float>(double(q) * (1.0 - p.replaceSpecular) +
                                   double(p.replaceSpecular) * clamp01(p.specularLevel));
        const float c2 = RenderTileSpot(b, p, map, fu, fv, p.specular * q);
        result = mix(mix(open, rgb(parms.specCol), p.patAlpha), result, c2);
    }

    // The host's specular is drawn as spots above and never added.
    for (int c = 0; c < 3; ++c) {
        sc.diff[c] = result.c[c];
        out.color[c] = result.c[c] + sc.refl[c] + sc.tran[c] + sc.subs[c] + sc.lumi[c];
    }
}

}  // namespace SketchTone_Shader
