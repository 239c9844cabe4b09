#include "dab_stamp.h"

#include <cmath>

#include "float_range.h"
#include "point_search.h"
#include "shader/shading_math.h"

namespace Stipple_Shader {

void StampCoordinates(int32_t index, float limit, float x, float y, float* s, float* t) {
    float px = 0.0f, py = 0.0f;
    GetTablePoint(index, &px, &py);
    const float a = x < 0.0f ? 0.0f : (x > 1.0f ? 1.0f : x);
    const float b = y < 0.0f ? 0.0f : (y > 1.0f ? 1.0f : y);
    const float r = std::sqrt(limit);
    float dx = a - px;
    float dy = b - py;
    dx -= std::round(dx);
    dy -= std::round(dy);
    *s = (dx + r) / (2.0f * r);
    *t = (dy + r) / (2.0f * r);
}

float StampDab(const DabPicture& picture, const DabPacketData& p, int32_t index, float x, float y, float sine,
               float cosine, float result[3], const float dabColour[3]) {
    float s = 0.0f, t = 0.0f;
    StampCoordinates(index, DotLimit(p.pointNum, p.pointRadius), x, y, &s, &t);
    if (picture.empty()) {
        const bool inside = s * 64.0f >= 0.0f && s * 64.0f < 64.0f && t * 64.0f >= 0.0f && t * 64.0f < 64.0f;
        const float paint = inside ? 0.0f : 1.0f;
        result[0] = result[1] = result[2] = paint;
        return inside ? 1.0f : 0.0f;
    }
    if (sine != 0.0f || cosine != 1.0f) {
        const float s0 = s - 0.5f, t0 = t - 0.5f;
        s = cosine * s0 + sine * t0 + 0.5f;
        t = cosine * t0 - sine * s0 + 0.5f;
    }
    const uint32_t w = picture.width, h = picture.height;
    const float px = s * static_cast<float>(w);
    const float py = static_cast<float>(static_cast<double>(h) * (1.0 - static_cast<double>(t)));
    // Written so that a position that is not a number falls outside too; inside,
    // the column and row are the floors, below the picture's size.
    if (!(px >= 0.0f && px < static_cast<float>(w) && py >= 0.0f && py < static_cast<float>(h))) return 0.0f;
    const auto column = static_cast<uint32_t>(std::fmin(static_cast<float>(w - 1), px));
    const auto row = static_cast<uint32_t>(std::fmin(static_cast<float>(h - 1), py));
    float rgba[4];
    picture.pixel(column, row, rgba);
    if (p.imageInvert)
        for (int c = 0; c < 3; ++c) rgba[c] = 1.0f - rgba[c];
    const float k = p.useAlpha ? rgba[3] : kv::shader::luminance(rgba);
    for (int c = 0; c < 3; ++c) {
        const float paint = p.useColor ? dabColour[c] : Sum(rgba[c], dabColour[c] - p.colour[c]);
        result[c] = Blend(result[c], paint, k);
    }
    return k;
}

}  // namespace Stipple_Shader
