// Tables that describe a shader material to the shared material base: the
// channels it declares, the links it reads and drives per sample, and its
// channel user-interface rules. Each shader gives these; the base does the rest.
#pragma once

#include <cstdint>
#include <span>

#include <kv/kv_types.h>

namespace kv::shader {

// One channel as cmt_SetupChannels declares it (set-up order).
// A "color1" channel becomes an "RGB" vector channel with default `rgb`;
// any other gets (dflt, iDflt), then `hints` when given. `gradientInput`
// makes it a gradient channel with that input type.
struct ChannelSetup {
    const char* name;
    const char* type;
    double dflt = 0.0;
    int32_t iDflt = 0;
    double rgb[3] = {0.0, 0.0, 0.0};
    const st_KVtTextValueHint* hints = nullptr;
    const char* gradientInput = nullptr;
};

// How cmt_ReadChannels stores a link's value in the block.
enum class ReadKind : uint8_t {
    None,         // not read by the table (a hook reads it, or nothing does)
    Float,        // Attributes slot 12, stored as float; 0 on failure
    Integer,      // Attributes slot 10, int32; 0 on failure
    Boolean,      // Attributes slot 10, int32 1 when it succeeds and is non-zero, else 0
    BooleanByte,  // as Boolean, stored in one byte
};

// One channel link (link order). Colour components are linked by their own
// names ("coolColor.R"). `blockOffset` is the byte offset of its block field.
struct ChannelLink {
    const char* name;
    ReadKind read = ReadKind::None;
    int32_t blockOffset = -1;
};

// A link that cmt_LinkSampleChannels adds for per-sample driving.
struct SampleLink {
    uint16_t link;  // index into the link table
    int32_t mode = 1;
};

// How cmt_MaterialEvaluate replaces one packet field per sample.
enum class DriveKind : uint8_t {
    Float,           // nodal slot 5 with the block's float
    Integer,         // nodal slot 6 with the block's int32
    Boolean,         // nodal slot 6, stored as int32 0 or 1
    BooleanByte,     // nodal slot 6 with the block's byte, stored as one byte 0 or 1
    IntegerByFloat,  // nodal slot 5 with the block's int32, truncated toward zero
    Material,        // the material's driveField, in its place among the others
};

// Per-sample override: from the block field at `blockOffset` through the
// nodal service into the packet field at `packetOffset` (bytes).
struct SampleOverride {
    uint16_t link;
    DriveKind kind;
    int32_t blockOffset;
    int32_t packetOffset;
};

// Matches a channel name exactly or, with `prefix`, by its first strlen(text) characters.
struct ChannelMatch {
    const char* text;
    bool prefix = false;
    bool matches(const char* name) const;
};

// A channel enabled only while `enabledWhen(value of switchChannel)` holds;
// a switch that cannot be read counts as 0. Rules are tried in order and the
// first that fails disables the channel with its message.
struct SwitchRule {
    ChannelMatch channel;
    const char* switchChannel;
    bool (*enabledWhen)(int32_t value);
    const char* message;
};
bool SwitchIsOn(int32_t value);   // value != 0
bool SwitchIsOff(int32_t value);  // value == 0

// The channels a dependent channel names by index; the last one answers every
// later index. A rule with no switches means the channel has no dependency
// (even when a switch rule disables it). A channel that no rule names takes
// its dependencies from the switch rules.
struct DependencyRule {
    ChannelMatch channel;
    std::span<const char* const> switches;
};

struct ChannelUIRules {
    std::span<const SwitchRule> switches;
    std::span<const DependencyRule> dependencies;
    std::span<const ChannelMatch> hints;  // channels that get UIHints slot 19 with 4
};

// Everything the material base needs to know about one material.
struct MaterialDesc {
    const char* itemType;    // "material.gooch"
    const char* packetName;  // own packet server name
    std::span<const ChannelSetup> channels;
    std::span<const ChannelLink> links;
    // Host packets located after the links, in order; the own packet follows them.
    std::span<const char* const> hostPackets;
    std::span<const SampleLink> sampleLinks;
    // cmt_IsSampleDriven asks about `sampleDrivenCount` item channels from this link's.
    uint16_t sampleDrivenFirst;
    uint32_t sampleDrivenCount;
    std::span<const SampleOverride> overrides;
    uint32_t blockSize;
    uint32_t packetSize;
    // Byte offset of the packet image in the block: copied into the packet
    // before the overrides, and shaded from when the vector has no packet.
    // -1: the block holds no packet image (no copy, no fall-back).
    int32_t packetInBlock;
    int32_t flags;  // cmt_Flags
    ChannelUIRules ui;
};

// Most host packets a material can locate (the own packet excluded).
inline constexpr unsigned kMaxHostPackets = 8;

}  // namespace kv::shader
