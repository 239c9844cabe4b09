// The toon packet "toon.shader.packet": 71 four-byte words. The block that
// ReadChannels makes has exactly this layout, so it is copied whole.
#pragma once

#include <cstddef>
#include <cstdint>

// One diffuse band (7 words).
struct ToonBand {
    float start;
    float soft;
    float color[3];
    float alpha;
    uint8_t useGrad;  // 0 or 1
    uint8_t pad[3];
};
static_assert(sizeof(ToonBand) == 28);

constexpr int kToonMaxBands = 8;

struct ToonPacketData {
    int32_t diffBands;      // 0
    int32_t reserved0;      // 1: the packet's initializer sets 8; nothing reads it
    int32_t specBands;      // 2
    int32_t reflBands;      // 3
    float diffLevel;        // 4
    float diffShift;        // 5
    float specLevel;        // 6
    float reflLevel;        // 7
    float baseColor[3];     // 8-10
    float baseAlpha;        // 11
    float shadows;          // 12
    float indirectLight;    // 13
    float reserved1;        // 14: unused
    ToonBand bands[kToonMaxBands];  // 15-70
};
static_assert(sizeof(ToonPacketData) == 284);
static_assert(offsetof(ToonPacketData, diffLevel) == 4 * 4);
static_assert(offsetof(ToonPacketData, baseColor) == 8 * 4);
static_assert(offsetof(ToonPacketData, indirectLight) == 13 * 4);
static_assert(offsetof(ToonPacketData, bands) == 15 * 4);
