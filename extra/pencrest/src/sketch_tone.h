// Sketch-tone shading, free of the host: the tone level of a sample, the
// coverage of the tile spot under it, and the colour mix of paper and
// pattern for the diffuse, reflection and specular tones.
#pragma once

#include <cstdint>

#include <kv/kv_records.h>

#include "sketch_packet.h"

namespace SketchTone_Shader {

// The sketch map as shading reads it: its size (0 x 0: no map) and pixels.
class SketchMapImage {
public:
    virtual ~SketchMapImage() = default;
    uint32_t width = 0;
    uint32_t height = 0;
    // Four floats R, G, B, A of column x, row y (inside the size).
    virtual void Pixel(uint32_t x, uint32_t y, float rgba[4]) const = 0;
};

// Position inside its tile of a pattern coordinate: U = coord tiles +
// offset, then U - floor(U), in [0, 1) (kv::shader::PlaceInTile): a
// coordinate or offset below 0 continues the tiles, so no tile count leaves
// a seam where a screen coordinate crosses 0 (texture coordinates come in as
// |u| and |v|).
float TileFraction(float coord, float tiles, float offset);

// Coverage 0..1 of the tile at (fu, fv) for `level`: the replacing
// threshold, the sketch map's luminance, or the procedural round spot.
float RenderTileSpot(const SketchToneBlock& b, const st_KVpSketchTone& p, const SketchMapImage* map, float fu,
                     float fv, float level);

// What one sample hands the shading besides its packet and block.
struct SketchSample {
    const st_KVpSampleParms* parms;  // null: colours and amounts 0
    float u, v;                      // pattern coordinate; tiled as |u|, |v| in texture coordinates (mirrored at 0)
    const float* traced;             // colour seen through the surface; null: no see-through
};

// Diffuse, reflection and specular tones drawn as spots; writes the diffuse
// result, clears the reflection component when it is drawn, and sets the
// output colour.
void ShadeSketchTone(const st_KVpSketchTone& p, const SketchToneBlock& b, const SketchMapImage* map,
                     const SketchSample& s, st_KVpShadeComponents& sc, st_KVpShadeOutput& out);

}  // namespace SketchTone_Shader
