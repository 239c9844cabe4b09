// Layout of the X-toon vector packet ("xtoon.shader.packet") and of the
// per-evaluation block, whose first 112 bytes are a packet.
#pragma once

#include <cstddef>
#include <cstdint>

namespace XToon_Shader {

// Detail measures selected by the detailMode channel.
enum XToonDetailMode : int32_t {
    kDetailDepth = 0,
    kDetailDof = 1,
    kDetailSilhouette = 2,
    kDetailSpecular = 3,
    kDetailTexture = 4,
};

struct XToonPacketData {
    int32_t detailMode;    // 0-3
    uint32_t reserved0;    // 4-7
    float shadeMix;        // 8-11
    float zMin;            // 12-15
    float zMax;            // 16-19: zMin + max(zRange, kMinDepthRange)
    float depthRatio;      // 20-23: zMax / (zMin + kDepthEpsilon)
    float strength;        // 24-27
    float detail;          // 28-31: texture-driven detail; shading stores the tone here
    float patAlpha;        // 32-35
    float brightness;      // 36-39
    float contrast;        // 40-43
    float shadows;         // 44-47
    float indirectLight;   // 48-51
    uint8_t flipHoriz;     // 52
    uint8_t flipVert;      // 53
    uint8_t useImage;      // 54
    uint8_t padding;       // 55
    float stepPos;         // 56-59
    uint32_t reserved[13]; // 60-111
};
static_assert(sizeof(XToonPacketData) == 112);
static_assert(offsetof(XToonPacketData, zMax) == 16);
static_assert(offsetof(XToonPacketData, depthRatio) == 20);
static_assert(offsetof(XToonPacketData, detail) == 28);
static_assert(offsetof(XToonPacketData, flipHoriz) == 52);
static_assert(offsetof(XToonPacketData, stepPos) == 56);

// The block that cmt_ReadChannels hands to the host: a packet plus eight
// bytes that nothing reads.
struct XToonBlock {
    XToonPacketData packet;
    uint32_t reserved[2];  // 112-119
};
static_assert(sizeof(XToonBlock) == 120);

constexpr uint32_t kXToonPacketSize = sizeof(XToonPacketData);
constexpr float kMinDepthRange = 0.000001f;  // smallest zMax - zMin
constexpr float kDepthEpsilon = 0.000001f;   // keeps the ratio's divisor off 0

// Sets zMin, zMax and the depth ratio from a near distance and a range.
inline void SetDepthRange(XToonPacketData& p, float zMin, float range) {
    p.zMin = zMin;
    p.zMax = (range > kMinDepthRange ? range : kMinDepthRange) + zMin;
    p.depthRatio = p.zMax / (zMin + kDepthEpsilon);
}

inline float DepthRange(const XToonPacketData& p) { return p.zMax - p.zMin; }

}  // namespace XToon_Shader
