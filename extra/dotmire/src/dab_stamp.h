// One dab: a square stamp of the dab image centred on a table point, turned
// and tinted per dab. It reports how much it covers a pattern position and
// lays its colour over a running colour.
#pragma once

#include <cstddef>
#include <cstdint>

#include "dab_packet.h"

namespace Stipple_Shader {

// Reads pixel (column, row) of a picture's source as R, G, B, A.
using PixelReader = void (*)(void* source, uint32_t column, uint32_t row, float rgba[4]);

// The picture a dab stamps: the material's dab image as four floats R, G, B,
// A per pixel, row by row from the top, either from a copy made when the
// channels were read or through `read` per pixel. Empty when the material has
// no dab image.
struct DabPicture {
    bool present = false;
    uint32_t width = 0;
    uint32_t height = 0;
    const float* rgba = nullptr;  // width × height pixels, or null: read per pixel
    PixelReader read = nullptr;
    void* source = nullptr;

    bool empty() const { return !present; }
    // A pixel inside the picture (0 without pixels to read).
    void pixel(uint32_t column, uint32_t row, float out[4]) const {
        if (rgba) {
            const float* p = rgba + (static_cast<std::size_t>(row) * width + column) * 4;
            out[0] = p[0], out[1] = p[1], out[2] = p[2], out[3] = p[3];
        } else if (read) {
            read(source, column, row, out);
        } else {
            out[0] = out[1] = out[2] = out[3] = 0.0f;
        }
    }
};

// The stamp coordinates (s, t) of position (x, y) in the dab of table point
// `index`, measured from the copy of the point nearest to the position so
// that a dab crossing an edge of the repeat is whole on both sides. (s, t) in
// [0, 1) is the inside of the square of side 2R, R² being the dab limit.
void StampCoordinates(int32_t index, float limit, float x, float y, float* s, float* t);

// Coverage of the dab of table point `index` at (x, y), with rotation (sine,
// cosine) and the dab's colour; updates `result`. Without a picture the
// square paints black inside (coverage 1) and white outside (coverage 0).
float StampDab(const DabPicture& picture, const DabPacketData& p, int32_t index, float x, float y, float sine,
               float cosine, float result[3], const float dabColour[3]);

}  // namespace Stipple_Shader
