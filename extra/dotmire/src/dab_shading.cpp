#include "dab_shading.h"

#include <cmath>

#include "dot_colour.h"
#include "point_search.h"
#include "point_table.h"
#include "shader/shading_math.h"
#include "shader/tone_ratio.h"

namespace Stipple_Shader {
namespace {

using kv::shader::clamp01;
using kv::shader::TilingCoordinate;

VariationAmounts Amounts(const DabPacketData& own) {
    return {own.hueVariation, own.satVariation, own.valVariation};
}

struct Rotation {
    float sine = 0.0f;
    float cosine = 1.0f;
};

// The turn of dab `index`: up to ±rotVariation·π.
void TurnOf(const DabPacketData& own, int32_t seed, int32_t index, Rotation& r) {
    if (!(own.rotVariation > 0.0f)) return;
    const double angle = static_cast<double>(DotRandom(seed, kDabTurnSalt, index)) * own.rotVariation * 3.141592653589793;
    r.sine = static_cast<float>(std::sin(angle));
    r.cosine = static_cast<float>(std::cos(angle));
}

// A colour of hue, saturation and value `hsv` shifted as dab `index` of the cell is.
void ShiftAsDab(const DabPacketData& own, int32_t seed, int32_t index, const HSV& hsv, float rgb[3]) {
    ShiftedColour(hsv, DotSeed(seed, kDabColourSalt, index), Amounts(own), rgb);
}

struct Pass {
    int32_t count = 0;
    float sum = 0.0f;
};

// Stamps the dabs of a prefix of `n` points near (x, y) over `running`; each
// dab's colour is the pattern colour, shifted when `shift` (its HSV) is given.
Pass StampPass(const DabPacketData& own, const DabPicture& picture, const PatternCell& cell, int32_t n,
               const HSV* shift, int32_t indices[kMaxDabs], float running[3]) {
    Pass pass;
    if (n < 1) return pass;
    const int32_t found = DabCoverage(n, indices, kMaxDabs, cell.x, cell.y, DotLimit(own.pointNum, own.pointRadius));
    pass.count = found < n ? found : n;
    Rotation turn;
    for (int32_t k = 0; k < pass.count; ++k) {
        const int32_t j = indices[k];
        float dab[3] = {own.colour[0], own.colour[1], own.colour[2]};
        const int32_t seed = MarkSeed(cell, j);
        TurnOf(own, seed, j, turn);
        if (shift) ShiftAsDab(own, seed, j, *shift, dab);
        pass.sum += StampDab(picture, own, j, cell.x, cell.y, turn.sine, turn.cosine, running, dab);
    }
    return pass;
}

// 1 - min(1, sum); 1 with no dab or a negative sum.
float Uncovered(const Pass& pass) {
    if (pass.count < 1 || pass.sum < 0.0f) return 1.0f;
    return 1.0f - (pass.sum < 1.0f ? pass.sum : 1.0f);
}

// One highlight pass: dabs of the highlight's own count lay `colour` over X.
void HighlightPass(const DabSample& s, const DabPicture& picture, const PatternCell& cell, float level,
                   const float colour[3], const float x[3], float result[3]) {
    const DabPacketData& own = s.own;
    int32_t indices[kMaxDabs];
    float scratch[3] = {own.colour[0], own.colour[1], own.colour[2]};
    const Pass pass = StampPass(own, picture, cell, DabPrefix(level, own.pointNum), nullptr, indices, scratch);
    float y[3];
    Mix(x, colour, own.alpha, y);
    Mix(y, result, Uncovered(pass), result);
}

}  // namespace

int32_t DabPrefix(float level, int32_t pointCount) {
    const float l = level > 0.0f ? (level < 1.0f ? level : 1.0f) : 0.0f;
    const float n = l * static_cast<float>(pointCount);
    if (!(n >= 1.0f)) return 0;
    return n < static_cast<float>(kTablePointCount) ? static_cast<int32_t>(n) : kTablePointCount;
}

float DabTone(const DabPacketData& own, const st_KVpShadeComponents& sc, const st_KVpSampleParms& parms) {
    const float ratio = kv::shader::toneRatio(sc, parms, clamp01(own.shadows), own.indirectLight);
    return kv::shader::toneLevel(ratio, {own.replaceShading, own.shadingLevel, own.brightness, own.contrast});
}

void ShadeDab(const DabSample& s, const DabPicture& picture, const TracedColour& through, st_KVpShadeComponents& sc,
              st_KVpShadeOutput& out) {
    const DabPacketData& own = s.own;
    const bool screen = own.screenCoords != 0;
    const PatternCell cell =
        CellOf(TilingCoordinate(s.u, screen), TilingCoordinate(s.v, screen), own.tiles, own.tileOffset);
    const bool varied = Amounts(own).any();

    int32_t indices[kMaxDabs];
    float running[3] = {own.colour[0], own.colour[1], own.colour[2]};
    HSV colourHsv{};
    if (varied) colourHsv = s.colourHsv ? *s.colourHsv : ColourToHSV(own.colour);
    const Pass main = StampPass(own, picture, cell, DabPrefix(DabTone(own, sc, s.parms), own.pointNum),
                                varied ? &colourHsv : nullptr, indices, running);

    float base[3];
    PaperColour(s.parms, base);
    float background[3] = {base[0], base[1], base[2]};
    float seen[3] = {running[0], running[1], running[2]};  // E
    if (own.seeThrough > 0.0f) {
        float traced[3];
        through.trace(traced);
        const float w = clamp01(own.seeThrough);
        Mix(base, traced, w, background);
        float laid[3];
        Mix(base, running, own.alpha, laid);
        Mix(laid, traced, w, seen);
    }

    float x[3], y[3];
    if (s.colorMode == 0) {
        for (int c = 0; c < 3; ++c) x[c] = background[c];
        Mix(background, running, own.alpha, y);
    } else {
        for (int c = 0; c < 3; ++c) x[c] = seen[c];
        const float* under = s.colorMode == 1 ? base : sc.diff;
        if (main.count > 0 && varied) ShiftAsDab(own, MarkSeed(cell, indices[0]), indices[0], ColourToHSV(under), y);
        else
            for (int c = 0; c < 3; ++c) y[c] = under[c];
    }
    float result[3];
    Mix(y, x, Uncovered(main), result);

    if (own.drawSpecular != 0 && (own.specular > 0.0f || own.reflection > 0.0f)) {
        if (own.reflection > 0.0f) {
            const float level = own.reflection * kv::shader::lengthRatio(sc.refl, s.parms.reflCol);
            const float reflection[3] = {sc.refl[0], sc.refl[1], sc.refl[2]};
            HighlightPass(s, picture, cell, level, reflection, x, result);
            sc.refl[0] = sc.refl[1] = sc.refl[2] = 0.0f;
        }
        if (own.specular > 0.0f) {
            float q = kv::shader::lengthRatio(sc.spec, s.parms.specCol);
            if (own.replaceSpecular > 0.0f)
                q = q * (1.0f - own.replaceSpecular) + clamp01(own.specularLevel) * own.replaceSpecular;
            sc.spec[0] = sc.spec[1] = sc.spec[2] = 0.0f;
            HighlightPass(s, picture, cell, q * own.specular, s.parms.specCol, x, result);
        }
    }
    for (int c = 0; c < 3; ++c) sc.diff[c] = result[c];
    SumOutput(sc, out);
}

}  // namespace Stipple_Shader
