// The Gooch packet "gooch.packet" and the per-evaluation block that begins with it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace Gooch_Shader {

// Twelve floats; the index of each field is its packet-effect field index.
struct GoochPacketData {
    float tintWarm;        // 0
    float tintCool;        // 1
    float coolColor[3];    // 2-4
    float warmColor[3];    // 5-7
    float brightness;      // 8
    float contrast;        // 9
    float shadows;         // 10
    float indirectLight;   // 11
};
static_assert(sizeof(GoochPacketData) == 48);
static_assert(offsetof(GoochPacketData, coolColor) == 2 * sizeof(float));
static_assert(offsetof(GoochPacketData, warmColor) == 5 * sizeof(float));
static_assert(offsetof(GoochPacketData, indirectLight) == 11 * sizeof(float));

// The packet's layout, then the lights switch that only shading reads.
struct GoochBlock {
    GoochPacketData packet;
    int32_t useLights;  // 1 when the channel reads as non-zero, else 0
};
static_assert(sizeof(GoochBlock) == 52);
static_assert(offsetof(GoochBlock, useLights) == 48);

}  // namespace Gooch_Shader
