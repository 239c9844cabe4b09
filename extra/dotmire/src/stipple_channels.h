// The stipple material's tables: channels, links, per-sample driving,
// channel user-interface rules and packet-effect values.
#pragma once

#include <cstdint>

#include "shader/channel_table.h"
#include "shader/packet_effect_table.h"

namespace Stipple_Shader {

constexpr const char* kStippleItemType = "material.stipple";
constexpr const char* kStipplePacketName = "stipple.shader.packet";

// Channel links, in link order; the first 28 are driven per sample.
enum StippleLink : uint16_t {
    kStippleTileNum,
    kStippleTileAngle,
    kStipplePointNum,
    kStipplePointRadius,
    kStippleZScale,
    kStipplePatColorR,
    kStipplePatColorG,
    kStipplePatColorB,
    kStippleBrightness,
    kStippleContrast,
    kStippleSeeThrough,
    kStippleShadows,
    kStippleHueVariation,
    kStippleSatVariation,
    kStippleValVariation,
    kStippleReplaceShading,
    kStippleReplaceSpecular,
    kStippleIndirectLight,
    kStippleShadingLevel,
    kStippleSpecularLevel,
    kStippleUvOffset,
    kStipplePatAlpha,
    kStippleSfReflection,
    kStippleSfForeshort,
    kStippleZMax,
    kStippleZMin,
    kStippleSpecular,
    kStippleReflection,
    kStippleScreenCoords,
    kStippleScreenMode,
    kStippleDrawSpecular,
    kStippleColorMode,
    kStippleLinkCount,
};

// Host packets, in the order the material locates them (the own packet follows).
enum StippleHostPacket : unsigned {
    kStippleRay,
    kStippleNormal,
    kStippleTexture,
    kStippleParms,
    kStippleRaycast,
    kStippleResolution,
    kStippleMirror,
};

extern const kv::shader::MaterialDesc kStippleDesc;

constexpr unsigned kStippleEffectCount = 15;
extern const kv::shader::EffectValue kStippleEffects[kStippleEffectCount];
enum StippleEffect : unsigned { kStippleEffectColor = 1, kStippleEffectAngle = 3 };

}  // namespace Stipple_Shader
