// The sketch-tone material's tables: channels, links, per-sample driving,
// channel user-interface rules and packet-effect values.
#pragma once

#include <cstdint>

#include "shader/channel_table.h"
#include "shader/packet_effect_table.h"
#include "shader/popup_lists.h"

namespace SketchTone_Shader {

constexpr const char* kSketchToneItemType = "material.sketchtone";
constexpr const char* kSketchTonePacketName = "sketchtone.shader.packet";

using kv::shader::hint_NPRColorMode;
using kv::shader::hint_NPRScreenCoordsMode;

// Channel links, in link order. The first 22 are driven per sample.
enum SketchLink : uint16_t {
    kLinkTiles,
    kLinkAngle,
    kLinkSpecular,
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
    kLinkReflection,
    kLinkSketchMapLevel,
    kLinkReplaceSketchMap,
    kLinkColorMode,
    kLinkScreenCoords,
    kLinkScreenMode,
    kLinkCount,
};

// Host packets the shading reads, in the order the material locates them.
enum SketchHostPacket : unsigned { kPacketRay, kPacketNormal, kPacketTexture, kPacketParms, kPacketResolution };

// The material's description for the shared material base.
extern const kv::shader::MaterialDesc kSketchToneDesc;

// The thirteen packet-effect values ("sketchTileOffset" ... "sketchMapLevel").
constexpr unsigned kSketchEffectCount = 13;
extern const kv::shader::EffectValue kSketchEffects[kSketchEffectCount];
enum SketchEffect : unsigned { kEffectAngle = 3 };

}  // namespace SketchTone_Shader
