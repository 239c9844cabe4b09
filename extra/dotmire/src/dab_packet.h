// Layout of the dab vector packet ("shader.dab.packet", natural alignment)
// and of the per-evaluation block: a header, a packet record, the read
// record's pointer and the pattern colour's hue, saturation and value.
#pragma once

#include <cstddef>
#include <cstdint>

#include "dot_colour.h"

namespace Stipple_Shader {

struct ReadRecord;

struct DabPacketData {
    float tiles;            // 0
    float angle;            // 4, radians
    float angleSin;         // 8
    float angleCos;         // 12
    uint8_t screenCoords;   // 16
    float zScale;           // 20
    float tileOffset;       // 24
    int32_t drawSpecular;   // 28, 0 or 1
    float replaceShading;   // 32
    float shadingLevel;     // 36
    float replaceSpecular;  // 40
    float specularLevel;    // 44
    int32_t pointNum;       // 48
    float pointRadius;      // 52
    float colour[3];        // 56
    float alpha;            // 68
    float seeThrough;       // 72
    float brightness;       // 76
    float contrast;         // 80
    float shadows;          // 84
    float indirectLight;    // 88
    float specular;         // 92
    float reflection;       // 96
    float rotVariation;     // 100
    float hueVariation;     // 104
    float satVariation;     // 108
    float valVariation;     // 112
    uint8_t useColor;       // 116
    uint8_t useAlpha;       // 117
    uint8_t imageInvert;    // 118
    float zMin;             // 120
    float zMax;             // 124
    float sfReflection;     // 128
    float sfForeshort;      // 132
};
static_assert(sizeof(DabPacketData) == 136);
static_assert(offsetof(DabPacketData, zScale) == 20);
static_assert(offsetof(DabPacketData, drawSpecular) == 28);
static_assert(offsetof(DabPacketData, pointNum) == 48);
static_assert(offsetof(DabPacketData, colour) == 56);
static_assert(offsetof(DabPacketData, rotVariation) == 100);
static_assert(offsetof(DabPacketData, useColor) == 116);
static_assert(offsetof(DabPacketData, imageInvert) == 118);
static_assert(offsetof(DabPacketData, zMin) == 120);
static_assert(offsetof(DabPacketData, sfForeshort) == 132);

struct DabBlock {
    int32_t colorMode;  // 0..2
    int32_t screenMode;
    float apertureX;
    float apertureY;
    float focalLen;
    float focusDist;
    DabPacketData packet;  // 24
    ReadRecord* record;    // camera frame, locator projections and dab image of this read
    HSV colourHsv;         // of packet.colour, for the dabs' colour shifts
};
static_assert(offsetof(DabBlock, packet) == 24);

}  // namespace Stipple_Shader
