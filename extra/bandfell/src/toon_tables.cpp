#include "toon_tables.h"

#include <array>
#include <cstddef>

#include "toon_layout.h"
#include "toon_names.h"

namespace toon_tables {
namespace {

using namespace kv::shader;

// Channel declarations in set-up order. Band N starts at N / 8 and its colour
// and gradient default to the grey of that level.
#define TOON_BAND_CHANNELS(n)                                                                   \
    {"bandStart" #n, "percent", n * 0.125},                                                     \
    {"bandSoft" #n, "percent", 0.0},                                                            \
    {"bandColor" #n, "color1", 0.0, 0, {n * 0.125, n * 0.125, n * 0.125}},                      \
    {"bandAlpha" #n, "percent", 0.0},                                                           \
    {"bandUseGrad" #n, "boolean", 0.0, 0},                                                      \
    {"bandGradient" #n, "color1", 0.0, 0, {n * 0.125, n * 0.125, n * 0.125}, nullptr, "color1"}

const ChannelSetup kChannels[] = {
    {"diffBands", "integer", 0.0, 4},
    {"specBands", "integer", 0.0, 0},
    {"reflBands", "integer", 0.0, 0},
    {"specGrad", "percent", 0.0, 0, {}, nullptr, "percent"},
    {"reflGrad", "percent", 0.0, 0, {}, nullptr, "percent"},
    {"diffLevel", "percent", 0.5},
    {"diffShift", "percent", 0.0},
    {"specLevel", "percent", 0.5},
    {"reflLevel", "percent", 0.5},
    {"shadows", "percent", 1.0},
    {"indirectLight", "percent", 1.0},
    {"baseColor", "color1", 0.0, 0, {0.0, 0.0, 0.0}},
    {"baseAlpha", "percent", 0.0},
    TOON_BAND_CHANNELS(1),
    TOON_BAND_CHANNELS(2),
    TOON_BAND_CHANNELS(3),
    TOON_BAND_CHANNELS(4),
    TOON_BAND_CHANNELS(5),
    TOON_BAND_CHANNELS(6),
    TOON_BAND_CHANNELS(7),
    TOON_BAND_CHANNELS(8),
};
#undef TOON_BAND_CHANNELS
static_assert(std::size(kChannels) == kChannelCount);

constexpr int32_t Field(size_t offset) { return static_cast<int32_t>(offset); }
constexpr int32_t BandField(int n, size_t field) {
    return Field(offsetof(ToonPacketData, bands) + sizeof(ToonBand) * static_cast<size_t>(n - 1) + field);
}

#define TOON_BAND_LINKS(n)                                                                      \
    {"bandStart" #n, ReadKind::Float, BandField(n, offsetof(ToonBand, start))},                 \
    {"bandSoft" #n, ReadKind::Float, BandField(n, offsetof(ToonBand, soft))},                   \
    {"bandColor" #n ".R", ReadKind::Float, BandField(n, offsetof(ToonBand, color))},            \
    {"bandColor" #n ".G", ReadKind::Float, BandField(n, offsetof(ToonBand, color) + 4)},        \
    {"bandColor" #n ".B", ReadKind::Float, BandField(n, offsetof(ToonBand, color) + 8)},        \
    {"bandAlpha" #n, ReadKind::Float, BandField(n, offsetof(ToonBand, alpha))},                 \
    {"bandUseGrad" #n, ReadKind::BooleanByte, BandField(n, offsetof(ToonBand, useGrad))}
// Gradient channels are object values: ToonMaterial::readExtra binds them.
#define TOON_GRADIENT_LINKS(n) {"bandGradient" #n ".R"}, {"bandGradient" #n ".G"}, {"bandGradient" #n ".B"}

constexpr ChannelLink kLinks[] = {
    {"specGrad"},
    {"reflGrad"},
    {"diffBands", ReadKind::Integer, Field(offsetof(ToonPacketData, diffBands))},
    {"specBands", ReadKind::Integer, Field(offsetof(ToonPacketData, specBands))},
    {"reflBands", ReadKind::Integer, Field(offsetof(ToonPacketData, reflBands))},
    {"diffLevel", ReadKind::Float, Field(offsetof(ToonPacketData, diffLevel))},
    {"specLevel", ReadKind::Float, Field(offsetof(ToonPacketData, specLevel))},
    {"reflLevel", ReadKind::Float, Field(offsetof(ToonPacketData, reflLevel))},
    {"diffShift", ReadKind::Float, Field(offsetof(ToonPacketData, diffShift))},
    {"shadows", ReadKind::Float, Field(offsetof(ToonPacketData, shadows))},
    {"indirectLight", ReadKind::Float, Field(offsetof(ToonPacketData, indirectLight))},
    {"baseAlpha", ReadKind::Float, Field(offsetof(ToonPacketData, baseAlpha))},
    {"baseColor.R", ReadKind::Float, Field(offsetof(ToonPacketData, baseColor))},
    {"baseColor.G", ReadKind::Float, Field(offsetof(ToonPacketData, baseColor) + 4)},
    {"baseColor.B", ReadKind::Float, Field(offsetof(ToonPacketData, baseColor) + 8)},
    TOON_BAND_LINKS(1),
    TOON_BAND_LINKS(2),
    TOON_BAND_LINKS(3),
    TOON_BAND_LINKS(4),
    TOON_BAND_LINKS(5),
    TOON_BAND_LINKS(6),
    TOON_BAND_LINKS(7),
    TOON_BAND_LINKS(8),
    TOON_GRADIENT_LINKS(1),
    TOON_GRADIENT_LINKS(2),
    TOON_GRADIENT_LINKS(3),
    TOON_GRADIENT_LINKS(4),
    TOON_GRADIENT_LINKS(5),
    TOON_GRADIENT_LINKS(6),
    TOON_GRADIENT_LINKS(7),
    TOON_GRADIENT_LINKS(8),
};
#undef TOON_BAND_LINKS
#undef TOON_GRADIENT_LINKS
static_assert(std::size(kLinks) == kLinkCount);

// Every link from diffBands to bandUseGrad8 is driven per sample, in link
// order: counts through the float read (truncated), floats, useGrad bytes.
constexpr std::array<SampleLink, kSampleCount> MakeSampleLinks() {
    std::array<SampleLink, kSampleCount> s{};
    for (unsigned i = 0; i < kSampleCount; ++i) s[i] = {static_cast<uint16_t>(kDiffBands + i), 1};
    return s;
}
constexpr std::array<SampleOverride, kSampleCount> MakeOverrides() {
    std::array<SampleOverride, kSampleCount> o{};
    for (unsigned i = 0; i < kSampleCount; ++i) {
        const ChannelLink& l = kLinks[kDiffBands + i];
        const DriveKind kind = l.read == ReadKind::Integer       ? DriveKind::IntegerByFloat
                               : l.read == ReadKind::BooleanByte ? DriveKind::BooleanByte
                                                                 : DriveKind::Float;
        o[i] = {static_cast<uint16_t>(kDiffBands + i), kind, l.blockOffset, l.blockOffset};
    }
    return o;
}
constexpr auto kSampleLinks = MakeSampleLinks();
constexpr auto kOverrides = MakeOverrides();

// Packet-effect values: the base alpha and colour, the diffuse shift, then
// start, colour, alpha and soft of each band.
constexpr const char* Names[32] = {
    "toonStart.1", "toonColor.1", "toonAlpha.1", "toonSoft.1", "toonStart.2", "toonColor.2", "toonAlpha.2",
    "toonSoft.2",  "toonStart.3", "toonColor.3", "toonAlpha.3", "toonSoft.3", "toonStart.4", "toonColor.4",
    "toonAlpha.4", "toonSoft.4",  "toonStart.5", "toonColor.5", "toonAlpha.5", "toonSoft.5", "toonStart.6",
    "toonColor.6", "toonAlpha.6", "toonSoft.6",  "toonStart.7", "toonColor.7", "toonAlpha.7", "toonSoft.7",
    "toonStart.8", "toonColor.8", "toonAlpha.8", "toonSoft.8"};

constexpr uint32_t Word(size_t offset) { return static_cast<uint32_t>(offset / 4); }

constexpr std::array<EffectValue, kEffectCount> MakeEffects() {
    std::array<EffectValue, kEffectCount> e{};
    e[0] = ScalarValue("toonBaseAlpha", "percent", Word(offsetof(ToonPacketData, baseAlpha)));
    e[1] = ColorValue("toonBaseColor", Word(offsetof(ToonPacketData, baseColor)));
    e[2] = ScalarValue("toonDiffuseShift", "percent", Word(offsetof(ToonPacketData, diffShift)));
    for (unsigned b = 0; b < 8; ++b) {
        const uint32_t band = Word(offsetof(ToonPacketData, bands) + sizeof(ToonBand) * b);
        const unsigned i = 3 + 4 * b;
        e[i] = ScalarValue(Names[4 * b], "percent", band + Word(offsetof(ToonBand, start)));
        e[i + 1] = ColorValue(Names[4 * b + 1], band + Word(offsetof(ToonBand, color)));
        e[i + 2] = ScalarValue(Names[4 * b + 2], "percent", band + Word(offsetof(ToonBand, alpha)));
        e[i + 3] = ScalarValue(Names[4 * b + 3], "percent", band + Word(offsetof(ToonBand, soft)));
    }
    return e;
}
constexpr auto kEffects = MakeEffects();

// A band gradient is enabled only while its band's "Use Gradient" is on.
constexpr const char* kGradientsOff = "Gradients ignored unless 'Use Gradient' is on.";
#define TOON_GRADIENT_SWITCH(n) {{"bandGradient" #n, true}, "bandUseGrad" #n, SwitchIsOn, kGradientsOff}
const SwitchRule kSwitches[] = {
    TOON_GRADIENT_SWITCH(1), TOON_GRADIENT_SWITCH(2), TOON_GRADIENT_SWITCH(3), TOON_GRADIENT_SWITCH(4),
    TOON_GRADIENT_SWITCH(5), TOON_GRADIENT_SWITCH(6), TOON_GRADIENT_SWITCH(7), TOON_GRADIENT_SWITCH(8),
};
#undef TOON_GRADIENT_SWITCH

const ChannelMatch kHints[] = {{"diffLevel"}, {"diffShift"}, {"specLevel"},  {"reflLevel"}, {"shadows"},
                               {"baseColor"}, {"bandColor1"}, {"bandColor2"}, {"bandColor3"}};

const char* const kHostPackets[] = {"sample.parms"};

const MaterialDesc kDesc = {
    .itemType = kToonItemType,
    .packetName = kToonPacketName,
    .channels = kChannels,
    .links = kLinks,
    .hostPackets = kHostPackets,
    .sampleLinks = kSampleLinks,
    .sampleDrivenFirst = kDiffBands,
    // Every item channel from diffBands on: the per-sample channels are spread
    // over all of them (the gradient channels interleave with the bands).
    .sampleDrivenCount = kItemChannelCount,
    .overrides = kOverrides,
    .blockSize = sizeof(ToonPacketData),
    .packetSize = sizeof(ToonPacketData),
    .packetInBlock = 0,  // the block is the packet image
    .flags = 0,
    .ui = {.switches = kSwitches, .dependencies = {}, .hints = kHints},
};

}  // namespace

std::span<const ChannelSetup> Channels() { return kChannels; }
std::span<const ChannelLink> Links() { return kLinks; }
std::span<const EffectValue> Effects() { return kEffects; }
const MaterialDesc& Desc() { return kDesc; }

}  // namespace toon_tables
