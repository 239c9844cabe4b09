// Small helpers shared by every shading: luminance, clamping, the sine and
// cosine of a pattern angle, the coordinate a tiling reads and the place of a
// pattern value in its tile.
#pragma once

#include <cmath>

namespace kv::shader {

// Luminance of a colour with the weights 0.3, 0.59, 0.11, in 32-bit floats.
inline float luminance(const float c[3]) { return 0.3f * c[0] + 0.59f * c[1] + 0.11f * c[2]; }

// 0 below 0, else the smaller of 1 and the value (a NaN becomes 1).
inline float clamp01(float v) { return v < 0.0f ? 0.0f : (v < 1.0f ? v : 1.0f); }

// Sine and cosine of a pattern angle, taken in double and stored as float.
inline void StoreAngleTerms(float angle, float& sine, float& cosine) {
    sine = static_cast<float>(std::sin(static_cast<double>(angle)));
    cosine = static_cast<float>(std::cos(static_cast<double>(angle)));
}

// The coordinate the sketch-tone, halftone and dab tilings take their tiles
// from. In texture coordinates its magnitude: the pattern mirrors at 0, so
// u = -0.3 lies where u = 0.3 does (scenes on meshes whose coordinates go
// below 0 are drawn that way). In screen coordinates the coordinate itself:
// the screen runs on across 0 without a seam. (The stipple tiles the
// coordinate itself in both.)
inline float TilingCoordinate(float coord, bool screenCoords) { return screenCoords ? coord : std::fabs(coord); }

// The tile of a pattern value (its floor) and the place inside it, in
// [0, 1). Taken by floor, so a value below 0 continues the tiles; a tiny
// negative value whose fraction rounds up to 1 lies at 0 of the next tile,
// and one that is not finite at 0 of tile 0.
struct TilePlace {
    float tile;
    float fraction;
};
inline TilePlace PlaceInTile(float value) {
    if (!std::isfinite(value)) return {0.0f, 0.0f};
    const float tile = std::floor(value);
    const float fraction = value - tile;
    return fraction < 1.0f ? TilePlace{tile, fraction} : TilePlace{tile + 1.0f, 0.0f};
}

}  // namespace kv::shader
