#include "gooch_material.h"

#include <cstddef>

#include "gooch_layout.h"
#include "gooch_shading.h"
#include "shader/register_shader.h"

namespace Gooch_Shader {
namespace {

using namespace kv::shader;

constexpr const char* kPacketName = "gooch.packet";

const ChannelSetup kChannels[] = {
    {"useLights", "boolean", 0.0, 0},
    {"coolColor", "color1", 0.0, 0, {0.0, 0.0, 0.4}},
    {"warmColor", "color1", 0.0, 0, {0.4, 0.4, 0.0}},
    {"tintWarm", "percent", 0.2, 0},
    {"tintCool", "percent", 0.6, 0},
    {"indirectLight", "percent", 1.0, 0},
    {"brightness", "percent", 0.0, 0},
    {"contrast", "percent", 0.0, 0},
    {"shadows", "percent", 1.0, 0},
};

#define FIELD(f) static_cast<int32_t>(offsetof(GoochPacketData, f))
constexpr int32_t kUseLights = static_cast<int32_t>(offsetof(GoochBlock, useLights));
constexpr ChannelLink kLinks[] = {
    {"useLights", ReadKind::Boolean, kUseLights},
    {"coolColor.R", ReadKind::Float, FIELD(coolColor[0])},
    {"coolColor.G", ReadKind::Float, FIELD(coolColor[1])},
    {"coolColor.B", ReadKind::Float, FIELD(coolColor[2])},
    {"warmColor.R", ReadKind::Float, FIELD(warmColor[0])},
    {"warmColor.G", ReadKind::Float, FIELD(warmColor[1])},
    {"warmColor.B", ReadKind::Float, FIELD(warmColor[2])},
    {"tintWarm", ReadKind::Float, FIELD(tintWarm)},
    {"tintCool", ReadKind::Float, FIELD(tintCool)},
    {"indirectLight", ReadKind::Float, FIELD(indirectLight)},
    {"shadows", ReadKind::Float, FIELD(shadows)},
    {"brightness", ReadKind::Float, FIELD(brightness)},
    {"contrast", ReadKind::Float, FIELD(contrast)},
};
#undef FIELD

const char* const kHostPackets[] = {"sample.ray", "surface.normal", "sample.parms"};
enum { kRay, kNormal, kParms };

// The twelve links after useLights drive their own packet fields per sample.
constexpr SampleLink sampleLink(uint16_t i) { return {i, 1}; }
const SampleLink kSampleLinks[] = {sampleLink(1), sampleLink(2), sampleLink(3),  sampleLink(4),
                                   sampleLink(5), sampleLink(6), sampleLink(7),  sampleLink(8),
                                   sampleLink(9), sampleLink(10), sampleLink(11), sampleLink(12)};
constexpr SampleOverride floatOverride(uint16_t i) {
    return {i, DriveKind::Float, kLinks[i].blockOffset, kLinks[i].blockOffset};
}
const SampleOverride kOverrides[] = {floatOverride(1), floatOverride(2), floatOverride(3),  floatOverride(4),
                                     floatOverride(5), floatOverride(6), floatOverride(7),  floatOverride(8),
                                     floatOverride(9), floatOverride(10), floatOverride(11), floatOverride(12)};

constexpr const char* kNeedsLights = "This only applies when 'Use Lights' is active.";
const SwitchRule kSwitches[] = {
    {{"shadows"}, "useLights", SwitchIsOn, kNeedsLights},
    {{"indirectLight"}, "useLights", SwitchIsOn, kNeedsLights},
};
const ChannelMatch kHints[] = {{"coolColor", true}, {"warmColor", true}, {"tintWarm"}, {"tintCool"}};

const MaterialDesc kDesc = {
    .itemType = "material.gooch",
    .packetName = kPacketName,
    .channels = kChannels,
    .links = kLinks,
    .hostPackets = kHostPackets,
    .sampleLinks = kSampleLinks,
    .sampleDrivenFirst = 1,  // coolColor.R and the eleven channels after it
    .sampleDrivenCount = 12,
    .overrides = kOverrides,
    .blockSize = sizeof(GoochBlock),
    .packetSize = sizeof(GoochPacketData),
    .packetInBlock = 0,
    .flags = 0,
    .ui = {.switches = kSwitches, .dependencies = {}, .hints = kHints},
};

const EffectValue kEffects[] = {
    ColorValue("warmColor", 5),
    ScalarValue("tintWarm", "angle", 0),
    ColorValue("coolColor", 2),
    ScalarValue("tintCool", "percent", 1),
};

}  // namespace

GoochMaterial::GoochMaterial() : CKvShaderMaterial(kDesc) {}

void GoochMaterial::shade(const ShadeContext& ctx) const {
    const auto& packet = *static_cast<const GoochPacketData*>(ctx.packet);
    const bool useLights = static_cast<const GoochBlock*>(ctx.block)->useLights != 0;
    const GoochSample sample{static_cast<const st_KVpSampleParms*>(ctx.host[kParms]),
                             static_cast<const st_KVpSampleRay*>(ctx.host[kRay]),
                             static_cast<const st_KVpSurfaceNormal*>(ctx.host[kNormal])};
    shadeGooch(packet, useLights, sample, *ctx.sc, *ctx.out);
}

GoochPacket::GoochPacket() : CKvShaderPacket(sizeof(GoochPacketData)) {}

void GoochPacket::initialize(void* packet) {
    auto* p = static_cast<GoochPacketData*>(packet);
    p->tintWarm = 0.2f;
    p->tintCool = 0.6f;
    p->coolColor[0] = 0.0f;
    p->coolColor[1] = 0.0f;
    p->coolColor[2] = 0.4f;
    p->warmColor[0] = 0.4f;
    p->warmColor[1] = 0.4f;
    p->warmColor[2] = 0.0f;
}

GoochPFX::GoochPFX() : CKvShaderPFX(kPacketName, kEffects) {}

KV_SHADER_MATERIAL_TAGS(GoochMaterial, "Gooch Material");
KV_SHADER_PACKET_TAGS(GoochPacket, "Gooch Packet");
KV_SHADER_EFFECT_TAGS(GoochPFX, "Gooch Packet FX");

void initialize() { RegisterShader<GoochMaterial, GoochPacket, GoochPFX>("gooch", kPacketName, "GoochPFX"); }

}  // namespace Gooch_Shader
