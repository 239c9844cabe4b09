// Layout of the sketch-tone vector packet ("sketchtone.shader.packet") and of
// the per-evaluation block, whose first 108 bytes are a packet.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>

namespace SketchTone_Shader {

struct st_KVpSketchTone {
    float angle;           // 0: pattern angle, radians
    float sine;            // 1: sin(angle)
    float cosine;          // 2: cos(angle)
    float tileOffset;      // 3
    float tiles;           // 4: tiles per unit
    float patColor[3];     // 5-7
    float patAlpha;        // 8
    float seeThrough;      // 9
    float brightness;      // 10
    float contrast;        // 11
    float shadows;         // 12
    float indirectLight;   // 13
    float specular;        // 14
    float reflection;      // 15
    float replaceShading;  // 16
    float shadingLevel;    // 17
    float replaceSpecular; // 18
    float specularLevel;   // 19
    float zScale;          // 20
    float reserved;        // 21: neither written nor read
    float zMin;            // 22
    float zMax;            // 23
    float sfReflection;    // 24
    float sfForeshort;     // 25
    float sketchMapLevel;  // 26
};
static_assert(sizeof(st_KVpSketchTone) == 108);
static_assert(offsetof(st_KVpSketchTone, tileOffset) == 3 * 4);
static_assert(offsetof(st_KVpSketchTone, zMin) == 22 * 4);
static_assert(offsetof(st_KVpSketchTone, sketchMapLevel) == 26 * 4);

// Sine and cosine of the packet's angle, in double and stored as float.
inline void SetAngleTerms(st_KVpSketchTone& p) {
    p.sine = static_cast<float>(std::sin(double(p.angle)));
    p.cosine = static_cast<float>(std::cos(double(p.angle)));
}

// The block that cmt_ReadChannels hands to the host: the packet as read,
// then values only shading reads.
struct SketchToneBlock {
    st_KVpSketchTone packet;  // 0-107
    uint8_t screenCoords;     // 108
    uint8_t pad0[3];
    int32_t colorMode;        // 112
    int32_t screenMode;       // 116
    float apertureX;          // 120
    float apertureY;          // 124
    float focalLen;           // 128: -1 without a render camera
    float focusDist;          // 132
    uint8_t replaceSketchMap; // 136
    uint8_t pad1[3];
};
static_assert(sizeof(SketchToneBlock) == 140);
static_assert(offsetof(SketchToneBlock, colorMode) == 112);
static_assert(offsetof(SketchToneBlock, focalLen) == 128);
static_assert(offsetof(SketchToneBlock, replaceSketchMap) == 136);

constexpr uint32_t kSketchTonePacketSize = sizeof(st_KVpSketchTone);

}  // namespace SketchTone_Shader
