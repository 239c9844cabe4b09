// The X-toon material's tables: channels, links, per-sample driving, channel
// user-interface rules and packet-effect values.
#pragma once

#include <cstdint>

#include "shader/channel_table.h"
#include "shader/packet_effect_table.h"

namespace XToon_Shader {

constexpr const char* kXToonItemType = "material.xtoon";
constexpr const char* kXToonPacketName = "xtoon.shader.packet";

// Channel links, in link order.
enum XToonLink : uint16_t {
    kLinkDetailMode,
    kLinkShadeMix,
    kLinkZMin,
    kLinkZRange,
    kLinkStrength,
    kLinkPatAlpha,
    kLinkBrightness,
    kLinkContrast,
    kLinkShadows,
    kLinkIndirectLight,
    kLinkDetail,
    kLinkFlipHoriz,
    kLinkFlipVert,
    kLinkUseImage,
    kLinkStepPos,
    kLinkFirstGradient,  // topColor.R; the eight gradient links follow in filter order
    kLinkCount = kLinkFirstGradient + 8,
};

// Host packets the shading reads, in the order the material locates them.
enum XToonHostPacket : unsigned { kPacketRay, kPacketNormal, kPacketParms };

// The material's description for the shared material base.
extern const kv::shader::MaterialDesc kXToonDesc;

// The nine packet-effect values ("xToonDetail" ... "xToonStepPos").
constexpr unsigned kXToonEffectCount = 9;
extern const kv::shader::EffectValue kXToonEffects[kXToonEffectCount];
enum XToonEffect : unsigned { kEffectZMin = 2, kEffectRange = 3 };

}  // namespace XToon_Shader
