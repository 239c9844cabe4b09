#include "stipple_shading.h"

#include "dot_colour.h"
#include "point_search.h"
#include "shader/shading_math.h"
#include "shader/tone_ratio.h"

namespace Stipple_Shader {
namespace {

using kv::shader::clamp01;

VariationAmounts Amounts(const StipplePacketData& own) {
    return {own.hueVariation, own.satVariation, own.valVariation};
}

// The dot test at a density, on the sample's cell.
int32_t DotAt(const StipplePacketData& own, const PatternCell& cell, float density) {
    return StippleDotIndex(own.pointNum, own.pointSize, cell.x, cell.y, density);
}

// One highlight pass: a dot hit lays `colour` over the background B.
void HighlightPass(const StipplePacketData& own, const PatternCell& cell, float density, const float colour[3],
                   const float background[3], st_KVpShadeComponents& sc) {
    if (DotAt(own, cell, density) >= 0) Mix(background, colour, own.alpha, sc.diff);
}

}  // namespace

float StippleDarkness(const StipplePacketData& own, const st_KVpShadeComponents& sc, const st_KVpSampleParms& parms) {
    const float tone = kv::shader::toneRatio(sc, parms, clamp01(own.shadows), own.indirectLight);
    return kv::shader::toneLevel(tone, {own.replaceShading, own.shadingLevel, own.brightness, own.contrast});
}

void DotVariation(const StipplePacketData& own, float hue, float sat, float val, int32_t seed, int32_t index,
                  float rgb[3]) {
    ShiftedColour({hue, sat, val}, DotSeed(seed, kStippleColourSalt, index), Amounts(own), rgb);
}

void ShadeStipple(const StippleSample& s, const TracedColour& through, st_KVpShadeComponents& sc,
                  st_KVpShadeOutput& out) {
    const StipplePacketData& own = s.own;
    const PatternCell cell = CellOf(s.u, s.v, own.tiles, own.tileOffset);
    const int32_t index = DotAt(own, cell, StippleDarkness(own, sc, s.parms));
    const bool varied = Amounts(own).any();

    float dot[3] = {own.colour[0], own.colour[1], own.colour[2]};
    const int32_t seed = index >= 0 ? MarkSeed(cell, index) : cell.seed;
    if (index >= 0 && varied) DotVariation(own, own.hue, own.saturation, own.value, seed, index, dot);

    float paper[3];
    PaperColour(s.parms, paper);
    float paperSeen[3] = {paper[0], paper[1], paper[2]};  // P'
    float background[3] = {dot[0], dot[1], dot[2]};       // B
    if (own.seeThrough > 0.0f) {
        float traced[3];
        through.trace(traced);
        const float a = clamp01(own.seeThrough);
        MixPrecise(paper, traced, a, paperSeen);
        float laid[3];
        Mix(paper, dot, own.alpha, laid);
        MixPrecise(laid, traced, a, background);
    }

    float dotResult[3] = {0.0f, 0.0f, 0.0f};
    if (s.colorMode == 0) {
        Mix(paperSeen, dot, own.alpha, dotResult);
        for (int c = 0; c < 3; ++c) background[c] = paperSeen[c];
    } else if (index >= 0) {
        const float* base = s.colorMode == 1 ? paper : sc.diff;
        if (varied) {
            const HSV hsv = ColourToHSV(base);
            DotVariation(own, hsv.hue, hsv.sat, hsv.val, seed, index, dotResult);
        } else {
            for (int c = 0; c < 3; ++c) dotResult[c] = base[c];
        }
    }
    const float* diffuse = index >= 0 ? dotResult : background;
    for (int c = 0; c < 3; ++c) sc.diff[c] = diffuse[c];

    if (s.drawSpecular != 0 && (own.specular > 0.0f || own.reflection > 0.0f)) {
        if (own.reflection > 0.0f) {
            const float ratio = kv::shader::lengthRatio(sc.refl, s.parms.reflCol);
            HighlightPass(own, cell, own.reflection * ratio, s.parms.reflCol, background, sc);
            sc.refl[0] = sc.refl[1] = sc.refl[2] = 0.0f;
        }
        if (own.specular > 0.0f) {
            float ratio = kv::shader::lengthRatio(sc.spec, s.parms.specCol);
            if (own.replaceSpecular > 0.0f)
                ratio = static_cast<float>(double(ratio) * (1.0 - double(own.replaceSpecular)) +
                                           double(clamp01(own.specularLevel)) * double(own.replaceSpecular));
            HighlightPass(own, cell, own.specular * ratio, s.parms.specCol, background, sc);
        }
    }
    SumOutput(sc, out);
}

}  // namespace Stipple_Shader
