// The tables that describe the toon material to the shared shader shape: its
// 61 channel declarations (95 item channels), the 95 links in link order, the
// 69 per-sample channels and the 35 packet-effect values.
#pragma once

#include <cstdint>
#include <span>

#include "shader/channel_table.h"
#include "shader/packet_effect_table.h"

namespace toon_tables {

// Link order: specGrad, reflGrad, the 13 scalars and base colour, then the
// 7 fields of each band, then the 3 gradient components of each band.
enum : unsigned {
    kSpecGrad = 0,
    kReflGrad,
    kDiffBands,  // the first per-sample channel
    kSpecBands,
    kReflBands,
    kDiffLevel,
    kSpecLevel,
    kReflLevel,
    kDiffShift,
    kShadows,
    kIndirectLight,
    kBaseAlpha,
    kBaseColorR,
    kBaseColorG,
    kBaseColorB,
    kBandFirst,                                // band b (0-7) field f at kBandFirst + 7 b + f
    kBandFields = 7,                           // start, soft, R, G, B, alpha, useGrad
    kGradFirst = kBandFirst + 8 * kBandFields,  // band b component c at kGradFirst + 3 b + c
    kLinkCount = kGradFirst + 8 * 3,
    kSampleCount = kGradFirst - kDiffBands,  // links diffBands to bandUseGrad8
    kChannelCount = 61,                      // declarations; colours count once
    kItemChannelCount = 95,                  // channels on the item, components apart
    kEffectCount = 35,
};
static_assert(kLinkCount == 95 && kSampleCount == 69);

std::span<const kv::shader::ChannelSetup> Channels();
std::span<const kv::shader::ChannelLink> Links();
std::span<const kv::shader::EffectValue> Effects();

// Everything the shared material base needs, for "material.toon".
const kv::shader::MaterialDesc& Desc();

}  // namespace toon_tables
