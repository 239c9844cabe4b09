// The "material.toon" channel table: set-up declarations, and the channels
// the material links, in link order, with where each lands in the packet.
#pragma once

#include <cstddef>
#include <cstdint>

#include "framework/host_wrappers.h"

namespace toon_channels {

// Declares the 61 channels (95 item channels with colour components).
void Setup(CKvUser_AddChannel& add);

// Link order: 15 scalars and base colour, 8 x 7 band fields, 8 x 3 gradients.
enum : unsigned {
    kSpecGrad = 0,
    kReflGrad,
    kDiffBands,  // first per-sample channel
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
    kBandFirst = 15,                   // band b field f at kBandFirst + 7 b + f
    kBandFields = 7,                   // start, soft, R, G, B, alpha, useGrad
    kGradFirst = kBandFirst + 8 * 7,   // band b component c at kGradFirst + 3 b + c
    kLinkCount = kGradFirst + 8 * 3,   // 95
    kSampleFirst = kDiffBands,         // the per-sample channels are link
    kSampleCount = kGradFirst - kDiffBands,  // entries 2 to 70: 69 of them
};
static_assert(kLinkCount == 95 && kSampleCount == 69);

// Item channels from diffBands on: every channel the material declares.
constexpr unsigned kItemChannelCount = 95;

enum class Kind : uint8_t { Count, Float, Flag, Gradient };

struct Link {
    const char* name;
    Kind kind;
    uint16_t packetOffset;  // byte offset in ToonPacketData (unused for gradients)
};

// The 95 links in link order.
const Link* Links();

}  // namespace toon_channels
