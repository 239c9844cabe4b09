// The halftone material's tables: channels, links, per-sample driving,
// channel user-interface rules and packet-effect values.
#pragma once

#include <cstdint>

#include "shader/channel_table.h"
#include "shader/packet_effect_table.h"

namespace Halftone2_Shader {

constexpr const char* kHalftoneItemType = "material.halftone2";
constexpr const char* kHalftonePacketName = "halftone2.shader.packet";

// Channel links, in link order.
enum HalftoneLink : uint16_t {
    kLinkCellPattern,
    kLinkSpecPattern,
    kLinkScreenCoords,
    kLinkScreenMode,
    kLinkDrawSpecular,
    kLinkColorMode,
    kLinkCellTiles,
    kLinkCellAngle,
    kLinkZScale,
    kLinkPatColorR,
    kLinkPatColorG,
    kLinkPatColorB,
    kLinkSeeThrough,
    kLinkBrightness,
    kLinkContrast,
    kLinkShadows,
    kLinkPatAlpha,
    kLinkReplaceShading,
    kLinkReplaceSpecular,
    kLinkIndirectLight,
    kLinkShadingLevel,
    kLinkSpecularLevel,
    kLinkUvOffset,
    kLinkSfReflection,
    kLinkSfForeshort,
    kLinkZMax,
    kLinkZMin,
    kLinkSpecular,
    kLinkReflection,
    kLinkNprDiffuse,
    kLinkNprSpecular,
    kLinkCount,
};

// Host packets the material locates, in order (the own packet follows).
enum HalftoneHostPacket : unsigned {
    kPacketRay,
    kPacketNormal,
    kPacketTexture,
    kPacketParms,
    kPacketRaycast,
    kPacketResolution,
};

// The material's description for the shared material base.
extern const kv::shader::MaterialDesc kHalftoneDesc;

// The eleven packet-effect values ("halftone2CellOffset" ... "halftone2Contrast").
constexpr unsigned kHalftoneEffectCount = 11;
extern const kv::shader::EffectValue kHalftoneEffects[kHalftoneEffectCount];
enum HalftoneEffect : unsigned { kEffectAngle = 3 };

}  // namespace Halftone2_Shader
