#include "dot_shading.h"

#include <cmath>

#include "dot_colour.h"
#include "point_search.h"
#include "shader/shading_math.h"

namespace Stipple_Shader {

PatternCell CellOf(float u, float v, float tiles, float offset) {
    const kv::shader::TilePlace a = kv::shader::PlaceInTile(u * tiles + offset);
    const kv::shader::TilePlace b = kv::shader::PlaceInTile(v * tiles + offset);
    return {a.fraction, b.fraction, CellSeed(a.tile, b.tile), a.tile, b.tile};
}

int32_t MarkSeed(const PatternCell& cell, int32_t index) {
    float px = 0.0f, py = 0.0f;
    if (!GetTablePoint(index, &px, &py)) return cell.seed;
    const float ox = std::round(cell.x - px);
    const float oy = std::round(cell.y - py);
    if (ox == 0.0f && oy == 0.0f) return cell.seed;
    return CellSeed(double(cell.column) + double(ox), double(cell.row) + double(oy));
}

void PaperColour(const st_KVpSampleParms& parms, float rgb[3]) {
    for (int c = 0; c < 3; ++c) rgb[c] = parms.diffCol[c] * parms.diffAmt;
}

void SumOutput(const st_KVpShadeComponents& sc, st_KVpShadeOutput& out) {
    for (int c = 0; c < 3; ++c) out.color[c] = Sum(Sum(Sum(sc.diff[c], sc.tran[c]), sc.subs[c]), sc.lumi[c]);
}

}  // namespace Stipple_Shader
