// Layout of the stipple vector packet ("stipple.shader.packet", 176 bytes)
// and of the per-evaluation block: a header, an image of the packet and the
// read record's pointer.
#pragma once

#include <cstddef>
#include <cstdint>

namespace Stipple_Shader {

struct ReadRecord;

struct StipplePacketData {
    float tiles;            // 0
    float angle;            // 4, radians
    float angleSin;         // 8
    float angleCos;         // 12
    uint8_t screenCoords;   // 16
    uint8_t pad0[3];
    float zScale;           // 20
    float tileOffset;       // 24
    float reserved0;        // 28
    int32_t reserved1;      // 32
    float replaceShading;   // 36
    float shadingLevel;     // 40
    float replaceSpecular;  // 44
    float specularLevel;    // 48
    int32_t pointNum;       // 52, 1..8192
    float pointSize;        // 56
    float reserved2;        // 60
    float colour[3];        // 64
    float alpha;            // 76
    float reserved3[5];     // 80
    float seeThrough;       // 100
    float brightness;       // 104
    float contrast;         // 108
    float shadows;          // 112
    float reserved4;        // 116
    float hueVariation;     // 120
    float satVariation;     // 124
    float valVariation;     // 128
    float hue;              // 132, radians
    float saturation;       // 136
    float value;            // 140
    float indirectLight;    // 144
    float specular;         // 148
    float reflection;       // 152
    float reserved5;        // 156
    float zMin;             // 160
    float zMax;             // 164
    float sfReflection;     // 168
    float sfForeshort;      // 172
};
static_assert(sizeof(StipplePacketData) == 176);
static_assert(offsetof(StipplePacketData, screenCoords) == 16);
static_assert(offsetof(StipplePacketData, pointNum) == 52);
static_assert(offsetof(StipplePacketData, colour) == 64);
static_assert(offsetof(StipplePacketData, seeThrough) == 100);
static_assert(offsetof(StipplePacketData, hueVariation) == 120);
static_assert(offsetof(StipplePacketData, indirectLight) == 144);
static_assert(offsetof(StipplePacketData, zMin) == 160);
static_assert(offsetof(StipplePacketData, sfForeshort) == 172);

struct StippleBlock {
    int32_t colorMode;    // 0..2
    int32_t screenMode;
    int32_t drawSpecular;
    float apertureX;
    float apertureY;
    float focalLen;
    float focusDist;
    StipplePacketData packet;  // 28
    ReadRecord* record;        // camera frame and locator projections of this read
};
static_assert(offsetof(StippleBlock, packet) == 28);

}  // namespace Stipple_Shader
