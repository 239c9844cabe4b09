#include "halftone_shading.h"

#include "halftone_cells.h"
#include "shader/shading_math.h"
#include "shader/tone_ratio.h"

namespace Halftone2_Shader {
namespace {

using kv::shader::clamp01;
using kv::shader::TilingCoordinate;

// a + (b - a) * k, per component, in float.
void Mix(const float a[3], const float b[3], float k, float out[3]) {
    for (int c = 0; c < 3; ++c) out[c] = a[c] + (b[c] - a[c]) * k;
}

// Draws one highlight screen over `result`: where the shape covers, the
// colour `tint` laid over the paper at the pattern alpha.
void DrawHighlight(int32_t pattern, float gx, float gy, float level, const float paper[3], const float tint[3],
                   float alpha, float result[3]) {
    const float m = CellCoverage(pattern, gx, gy, level);
    float x[3];
    Mix(paper, tint, alpha, x);
    Mix(x, result, m, result);
}

}  // namespace

int32_t ClampPattern(int32_t pattern) {
    return pattern < kPatternDots ? kPatternDots : (pattern > kPatternDiamCheck ? kPatternDiamCheck : pattern);
}

float InkLevel(const st_KVpHalftone& p, const st_KVpSampleParms& parms, const st_KVpShadeComponents& sc) {
    const float tone = kv::shader::toneRatio(sc, parms, clamp01(p.shadows), p.indirectLight);
    return kv::shader::toneLevel(tone, {p.replaceShading, p.shadingLevel, p.brightness, p.contrast});
}

void ShadeHalftone(const st_KVpHalftone& p, const HalftoneBlock& b, const HalftoneSample& s,
                   st_KVpShadeComponents& sc, st_KVpShadeOutput& out) {
    static const st_KVpSampleParms kNoParms{};
    const st_KVpSampleParms& parms = s.parms ? *s.parms : kNoParms;

    // Cells of the main screen and of the second (the specular pattern when
    // highlights are drawn, else the main pattern again).
    const int32_t main = ClampPattern(b.cellPattern);
    const int32_t second = b.drawSpecular ? ClampPattern(b.specPattern) : main;
    const CellLattice lattice =
        LatticeOf(TilingCoordinate(s.u, b.screenCoords), TilingCoordinate(s.v, b.screenCoords), p.tiles, p.cellOffset);
    float fx, fy, gx, gy;
    InCellPosition(main, lattice, &fx, &fy);
    if (second == main) {
        gx = fx;
        gy = fy;
    } else {
        InCellPosition(second, lattice, &gx, &gy);
    }

    const float m = CellCoverage(main, fx, fy, InkLevel(p, parms, sc));

    const float alpha = p.patAlpha;
    float base[3];
    for (int c = 0; c < 3; ++c) base[c] = parms.diffCol[c] * parms.diffAmt;
    float seenBase[3] = {base[0], base[1], base[2]};
    float seenPattern[3] = {p.patColor[0], p.patColor[1], p.patColor[2]};
    if (p.seeThrough > 0.0f && s.behind) {
        const float s1 = clamp01(p.seeThrough);
        float pa[3];
        Mix(base, s.behind, s1, seenBase);
        Mix(base, p.patColor, alpha, pa);
        Mix(pa, s.behind, s1, seenPattern);
    }

    float ink[3], paper[3];
    for (int c = 0; c < 3; ++c) {
        switch (b.colorMode) {
            case 1:  // crayon: the surface colour in the shapes, the pattern colour around
                ink[c] = base[c];
                paper[c] = seenPattern[c];
                break;
            case 2:  // scratch: the host's diffuse shading in the shapes
                ink[c] = sc.diff[c];
                paper[c] = seenPattern[c];
                break;
            default:  // ink: the pattern colour in the shapes
                ink[c] = seenBase[c] + (p.patColor[c] - seenBase[c]) * alpha;
                paper[c] = seenBase[c];
                break;
        }
    }
    Mix(ink, paper, m, sc.diff);

    if (b.drawSpecular && (p.specular > 0.0f || p.reflection > 0.0f)) {
        if (p.reflection > 0.0f) {
            const float ratio = kv::shader::lengthRatio(sc.refl, parms.reflCol);
            DrawHighlight(second, gx, gy, p.reflection * ratio, paper, parms.reflCol, alpha, sc.diff);
            sc.refl[0] = sc.refl[1] = sc.refl[2] = 0.0f;
        }
        if (p.specular > 0.0f) {
            float ratio = kv::shader::lengthRatio(sc.spec, parms.specCol);
            const double r2 = p.replaceSpecular;
            if (r2 > 0.0)
                ratio = static_cast<float>(ratio * (1.0 - r2) + static_cast<double>(clamp01(p.specularLevel)) * r2);
            DrawHighlight(second, gx, gy, p.specular * ratio, paper, parms.specCol, alpha, sc.diff);
        }
    }

    // The specular triple is left out: a highlight shows only through the
    // second screen.
    for (int c = 0; c < 3; ++c) out.color[c] = sc.diff[c] + sc.tran[c] + sc.subs[c] + sc.lumi[c] + sc.refl[c];
}

}  // namespace Halftone2_Shader
