#include "dot_shading.h"

#include <cmath>

#include "dot_colour.h"
#include "point_search.h"

namespace Stipple_Shader {

namespace {

// The tile of a pattern coordinate (its floor) and the place in it, in
// [0, 1): a tiny negative coordinate whose fraction rounds up to 1 lies at 0
// of the next tile, and one that is not finite at 0 of tile 0.
struct TilePlace {
    float tile;
    float fraction;
};
TilePlace PlaceOf(float coordinate) {
    if (!std::isfinite(coordinate)) return {0.0f, 0.0f};
    const float tile = std::floor(coordinate);
    const float fraction = coordinate - tile;
    return fraction < 1.0f ? TilePlace{tile, fraction} : TilePlace{tile + 1.0f, 0.0f};
}

}  // namespace

PatternCell CellOf(float u, float v, float tiles, float offset) {
    const TilePlace a = PlaceOf(u * tiles + offset);
    const TilePlace b = PlaceOf(v * tiles + offset);
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
    for (int c = 0; c < 3; ++c) out.color[c] = ((sc.diff[c] + sc.tran[c]) + sc.subs[c]) + sc.lumi[c];
}

}  // namespace Stipple_Shader
