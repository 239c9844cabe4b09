// Layout of the halftone vector packet ("halftone2.shader.packet") and of the
// per-evaluation block. The block does not begin with the packet: the packet
// is filled field by field per sample.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>

#include "shader/shading_math.h"

namespace Halftone2_Shader {

// The ten shapes of the "=halftone2-pattern" popup.
enum HalftonePattern : int32_t {
    kPatternDots = 0,
    kPatternLines = 1,
    kPatternCrosshatch = 2,
    kPatternAdaptive = 3,
    kPatternCircle = 4,
    kPatternSquare = 5,
    kPatternDiamond = 6,
    kPatternCross = 7,
    kPatternChecker = 8,
    kPatternDiamCheck = 9,
};

// The vector packet: 26 floats.
struct st_KVpHalftone {
    float cellAngle;        // 0: radians
    float sinAngle;         // 1
    float cosAngle;         // 2
    float cellOffset;       // 3
    float tiles;            // 4
    float patColor[3];      // 5-7
    float patAlpha;         // 8
    float seeThrough;       // 9
    float brightness;       // 10
    float contrast;         // 11
    float shadows;          // 12
    float indirectLight;    // 13
    float specular;         // 14
    float reflection;       // 15
    float replaceShading;   // 16
    float shadingLevel;     // 17
    float replaceSpecular;  // 18
    float specularLevel;    // 19
    float zScale;           // 20
    float reserved;         // 21: neither read nor written
    float zMin;             // 22
    float zMax;             // 23
    float sfReflection;     // 24
    float sfForeshort;      // 25
};
static_assert(sizeof(st_KVpHalftone) == 104);
static_assert(offsetof(st_KVpHalftone, reserved) == 21 * 4);
static_assert(offsetof(st_KVpHalftone, sfForeshort) == 25 * 4);

// The per-evaluation block (RendData): 35 32-bit fields.
struct HalftoneBlock {
    int32_t cellPattern;    // 0: as read; the shading clamps it
    int32_t specPattern;    // 1
    int32_t colorMode;      // 2: clamped to 0..2 at read
    bool screenCoords;      // 3
    int32_t screenMode;     // 4
    int32_t drawSpecular;   // 5
    float apertureX;        // 6: render camera
    float apertureY;        // 7
    float focalLen;         // 8: -1 without a camera
    float focusDist;        // 9: 1 without a camera
    float cellAngle;        // 10: radians
    float sinAngle;         // 11
    float cosAngle;         // 12
    float cellOffset;       // 13
    float tiles;            // 14
    float patColor[3];      // 15-17
    float patAlpha;         // 18
    float seeThrough;       // 19
    float brightness;       // 20
    float contrast;         // 21
    float shadows;          // 22
    float indirectLight;    // 23
    float specular;         // 24: not below 0
    float reflection;       // 25: not below 0
    float replaceShading;   // 26
    float shadingLevel;     // 27
    float replaceSpecular;  // 28
    float specularLevel;    // 29
    float zScale;           // 30
    float zMin;             // 31
    float zMax;             // 32
    float sfReflection;     // 33
    float sfForeshort;      // 34
};
static_assert(sizeof(HalftoneBlock) == 35 * 4);
static_assert(offsetof(HalftoneBlock, screenMode) == 4 * 4);
static_assert(offsetof(HalftoneBlock, sfForeshort) == 34 * 4);

}  // namespace Halftone2_Shader
