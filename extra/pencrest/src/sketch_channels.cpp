#include "sketch_channels.h"

#include <cstddef>

#include "shader/pattern_channels.h"
#include "sketch_packet.h"

namespace SketchTone_Shader {
namespace {

using namespace kv::shader;

// The k...Channel rows are the pattern channels every pattern material
// declares alike; the others are this material's own.
const ChannelSetup kChannels[] = {
    {"sketchTiles", "float", 16.0, 0},
    {"sketchAngle", "angle", 0.0, 0},
    {"specular", "percent", 0.0, 1},
    kScreenCoordsChannel,
    kZScaleChannel,
    kPatColorChannel,
    kPatAlphaChannel,
    kSeeThroughChannel,
    kBrightnessChannel,
    kContrastChannel,
    kShadowsChannel,
    {"indirectLight", "percent", 1.0, 0},
    kReplaceShadingChannel,
    kReplaceSpecularChannel,
    kShadingLevelChannel,
    kSpecularLevelChannel,
    kUvOffsetChannel,
    kSfReflectionChannel,
    kSfForeshortChannel,
    kZMinChannel,
    kZMaxChannel,
    kScreenModeChannel,
    kReflectionChannel,
    kColorModeChannel,
    {"replaceSketchMap", "boolean", 0.0, 0},
    {"sketchMapLevel", "percent", 0.5, 0},
};

#define PACKET(f) static_cast<int32_t>(offsetof(SketchToneBlock, packet) + offsetof(st_KVpSketchTone, f))
#define BLOCK(f) static_cast<int32_t>(offsetof(SketchToneBlock, f))
constexpr ChannelLink kLinks[] = {
    {"sketchTiles", ReadKind::Float, PACKET(tiles)},
    {"sketchAngle", ReadKind::Float, PACKET(angle)},
    {"specular", ReadKind::Float, PACKET(specular)},
    {"zScale", ReadKind::Float, PACKET(zScale)},
    {"patColor.R", ReadKind::Float, PACKET(patColor) + 0},
    {"patColor.G", ReadKind::Float, PACKET(patColor) + 4},
    {"patColor.B", ReadKind::Float, PACKET(patColor) + 8},
    {"seeThrough", ReadKind::Float, PACKET(seeThrough)},
    {"brightness", ReadKind::Float, PACKET(brightness)},
    {"contrast", ReadKind::Float, PACKET(contrast)},
    {"shadows", ReadKind::Float, PACKET(shadows)},
    {"patAlpha", ReadKind::Float, PACKET(patAlpha)},
    {"replaceShading", ReadKind::Float, PACKET(replaceShading)},
    {"replaceSpecular", ReadKind::Float, PACKET(replaceSpecular)},
    {"indirectLight", ReadKind::Float, PACKET(indirectLight)},
    {"shadingLevel", ReadKind::Float, PACKET(shadingLevel)},
    {"specularLevel", ReadKind::Float, PACKET(specularLevel)},
    {"uvOffset", ReadKind::Float, PACKET(tileOffset)},
    {"sfReflection", ReadKind::Float, PACKET(sfReflection)},
    {"sfForeshort", ReadKind::Float, PACKET(sfForeshort)},
    {"zMax", ReadKind::Float, PACKET(zMax)},
    {"zMin", ReadKind::Float, PACKET(zMin)},
    {"reflection", ReadKind::Float, PACKET(reflection)},
    {"sketchMapLevel", ReadKind::Float, PACKET(sketchMapLevel)},
    {"replaceSketchMap", ReadKind::BooleanByte, BLOCK(replaceSketchMap)},
    {"colorMode", ReadKind::Integer, BLOCK(colorMode)},
    {"screenCoords", ReadKind::BooleanByte, BLOCK(screenCoords)},
    {"screenMode", ReadKind::Integer, BLOCK(screenMode)},
};
#undef PACKET
#undef BLOCK
static_assert(sizeof kLinks / sizeof kLinks[0] == kLinkCount);

const char* const kHostPackets[] = {"sample.ray", "surface.normal", "texture.input", "sample.parms",
                                    "camera.resolution"};

// The first 24 links (through sketchMapLevel) may be driven per sample.
constexpr SampleLink kSampleLinks[] = {
    {kLinkTiles},           {kLinkAngle},          {kLinkSpecular},      {kLinkZScale},
    {kLinkPatColorR},       {kLinkPatColorG},      {kLinkPatColorB},     {kLinkSeeThrough},
    {kLinkBrightness},      {kLinkContrast},       {kLinkShadows},       {kLinkPatAlpha},
    {kLinkReplaceShading},  {kLinkReplaceSpecular}, {kLinkIndirectLight}, {kLinkShadingLevel},
    {kLinkSpecularLevel},   {kLinkUvOffset},       {kLinkSfReflection},  {kLinkSfForeshort},
    {kLinkZMax},            {kLinkZMin},           {kLinkReflection},    {kLinkSketchMapLevel},
};

// Of those, the first 22 (sketchTiles through zMin) replace their packet
// field per sample; reflection and sketchMapLevel keep the value read.
constexpr SampleOverride drive(uint16_t link) {
    return {link, DriveKind::Float, kLinks[link].blockOffset, kLinks[link].blockOffset};
}
const SampleOverride kOverrides[] = {
    drive(kLinkTiles),          drive(kLinkAngle),          drive(kLinkSpecular),       drive(kLinkZScale),
    drive(kLinkPatColorR),      drive(kLinkPatColorG),      drive(kLinkPatColorB),      drive(kLinkSeeThrough),
    drive(kLinkBrightness),     drive(kLinkContrast),       drive(kLinkShadows),        drive(kLinkPatAlpha),
    drive(kLinkReplaceShading), drive(kLinkReplaceSpecular), drive(kLinkIndirectLight), drive(kLinkShadingLevel),
    drive(kLinkSpecularLevel),  drive(kLinkUvOffset),       drive(kLinkSfReflection),   drive(kLinkSfForeshort),
    drive(kLinkZMax),           drive(kLinkZMin),
};
static_assert(sizeof kOverrides / sizeof kOverrides[0] == 22);

// Item channels sketchTiles (0) through zMax (22, patColor counting three):
// every per-sample channel that MaterialEvaluate drives.
constexpr uint32_t kSampleDrivenCount = 23;

// zScale and screenMode take their one switch from the switch rules; the
// surface-flow channels name theirs.
constexpr std::span<const DependencyRule> kDependencies =
    std::span(kScreenCoordDependencies).subspan(kScreenCoordOnlyRuleCount);
// The host asks about the colour's components ("patColor.R").
const ChannelMatch kHints[] = {{"patColor", true}, {"patAlpha"}, {"sketchTiles"}, {"sketchAngle"}, {"uvOffset"}};

}  // namespace

const MaterialDesc kSketchToneDesc = {
    .itemType = kSketchToneItemType,
    .packetName = kSketchTonePacketName,
    .channels = kChannels,
    .links = kLinks,
    .hostPackets = kHostPackets,
    .sampleLinks = kSampleLinks,
    .sampleDrivenFirst = kLinkTiles,
    .sampleDrivenCount = kSampleDrivenCount,
    .overrides = kOverrides,
    .blockSize = sizeof(SketchToneBlock),
    .packetSize = sizeof(st_KVpSketchTone),
    .packetInBlock = 0,
    .flags = 0x803,
    .ui = {.switches = kScreenCoordSwitches, .dependencies = kDependencies, .hints = kHints},
};

#define FLOAT_INDEX(f) static_cast<uint32_t>(offsetof(st_KVpSketchTone, f) / sizeof(float))
const EffectValue kSketchEffects[kSketchEffectCount] = {
    ScalarValue("sketchTileOffset", "float", FLOAT_INDEX(tileOffset)),
    ColorValue("sketchColor", FLOAT_INDEX(patColor)),
    ScalarValue("sketchTiles", "float", FLOAT_INDEX(tiles)),
    ScalarValue("sketchAngle", "percent", FLOAT_INDEX(angle)),  // converted by the effect
    ScalarValue("sketchSpecular", "percent", FLOAT_INDEX(specular)),
    ScalarValue("sketchSeeThough", "percent", FLOAT_INDEX(seeThrough)),
    ScalarValue("sketchShadows", "percent", FLOAT_INDEX(shadows)),
    ScalarValue("sketchAlpha", "percent", FLOAT_INDEX(patAlpha)),
    ScalarValue("sketchShadingLevel", "percent", FLOAT_INDEX(shadingLevel)),
    ScalarValue("sketchSpecularLevel", "percent", FLOAT_INDEX(specularLevel)),
    ScalarValue("sketchBright", "percent", FLOAT_INDEX(brightness)),
    ScalarValue("sketchContrast", "percent", FLOAT_INDEX(contrast)),
    ScalarValue("sketchMapLevel", "percent", FLOAT_INDEX(sketchMapLevel)),
};
#undef FLOAT_INDEX

}  // namespace SketchTone_Shader
