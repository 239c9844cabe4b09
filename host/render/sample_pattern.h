// Deterministic sample positions inside a pixel: stratified on a grid of
// about spp cells, jittered by a hash of the pixel and the sample index, so
// the image is the same whatever the thread count or tile order.
#pragma once

#include <cmath>
#include <cstdint>

namespace kvr {

inline uint32_t hashMix(uint32_t h) {
    h ^= h >> 16;
    h *= 0x7feb352dU;
    h ^= h >> 15;
    h *= 0x846ca68bU;
    h ^= h >> 16;
    return h;
}

inline uint32_t pixelSeed(uint32_t x, uint32_t y, uint32_t sample) {
    return hashMix(x * 0x9E3779B1U ^ hashMix(y * 0x85EBCA77U ^ hashMix(sample + 0x27D4EB2FU)));
}

// A float in [0, 1) from 24 bits of a hash.
inline float unitFloat(uint32_t h) { return static_cast<float>(h >> 8) * (1.0f / 16777216.0f); }

struct SubPixel {
    float x, y;  // [0, 1)
};

// The strata of a sample count: about sqrt(spp) columns; one cell (the pixel
// centre) for a single sample. Made once per render.
struct SampleGrid {
    uint32_t cols = 1, rows = 1;
    bool centre = true;
};

inline SampleGrid sampleGrid(uint32_t spp) {
    if (spp <= 1) return {};
    const uint32_t cols = static_cast<uint32_t>(std::ceil(std::sqrt(double(spp))));
    return {cols, (spp + cols - 1) / cols, false};
}

inline SubPixel samplePosition(uint32_t px, uint32_t py, uint32_t sample, const SampleGrid& grid) {
    if (grid.centre) return {0.5f, 0.5f};
    const uint32_t cols = grid.cols, rows = grid.rows;
    uint32_t cell = sample % (cols * rows);
    uint32_t h = pixelSeed(px, py, sample);
    float jx = unitFloat(h), jy = unitFloat(hashMix(h));
    float x = (static_cast<float>(cell % cols) + jx) / static_cast<float>(cols);
    float y = (static_cast<float>(cell / cols) + jy) / static_cast<float>(rows);
    return {x < 1.0f ? x : 0.99999994f, y < 1.0f ? y : 0.99999994f};
}

inline SubPixel samplePosition(uint32_t px, uint32_t py, uint32_t sample, uint32_t spp) {
    return samplePosition(px, py, sample, sampleGrid(spp));
}

}  // namespace kvr
