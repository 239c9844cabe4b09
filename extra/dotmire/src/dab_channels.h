// The dab material's tables: channels, links, per-sample driving, channel
// user-interface rules and packet-effect values.
#pragma once

#include <cstdint>

#include "shader/channel_table.h"
#include "shader/packet_effect_table.h"

namespace Stipple_Shader {

constexpr const char* kDabItemType = "material.dab";
constexpr const char* kDabPacketName = "shader.dab.packet";

// Channel links, in link order; the first 29 are driven per sample. The
// material adds the clip's "imageStack" and the camera's entries after them.
enum DabLink : uint16_t {
    kDabTileNum,
    kDabTileAngle,
    kDabPointNum,
    kDabPointRadius,
    kDabZScale,
    kDabPatColorR,
    kDabPatColorG,
    kDabPatColorB,
    kDabBrightness,
    kDabContrast,
    kDabSeeThrough,
    kDabShadows,
    kDabRotVariation,
    kDabReplaceShading,
    kDabReplaceSpecular,
    kDabIndirectLight,
    kDabShadingLevel,
    kDabSpecularLevel,
    kDabUvOffset,
    kDabPatAlpha,
    kDabSfReflection,
    kDabSfForeshort,
    kDabZMax,
    kDabZMin,
    kDabSpecular,
    kDabReflection,
    kDabHueVariation,
    kDabSatVariation,
    kDabValVariation,
    kDabScreenCoords,
    kDabScreenMode,
    kDabDrawSpecular,
    kDabColorMode,
    kDabUseColor,
    kDabImageInvert,
    kDabUseAlpha,
    kDabLinkCount,
};

// Host packets, in the order the material locates them (the own packet follows).
enum DabHostPacket : unsigned {
    kDabRay,
    kDabNormal,
    kDabTexture,
    kDabParms,
    kDabRaycast,
    kDabResolution,
};

extern const kv::shader::MaterialDesc kDabDesc;

constexpr unsigned kDabEffectCount = 11;
extern const kv::shader::EffectValue kDabEffects[kDabEffectCount];
enum DabEffect : unsigned { kDabEffectAngle = 3 };

}  // namespace Stipple_Shader
