#include "dab_channels.h"

#include <cstddef>

#include "dab_packet.h"
#include "dot_channel_rules.h"
#include "shader/pattern_channels.h"

namespace Stipple_Shader {
namespace {

using namespace kv::shader;

// The k...Channel rows are the pattern channels every pattern material
// declares alike; the others are this material's own.
const ChannelSetup kChannels[] = {
    {"tileNum", "float", 1.0, 0},
    {"tileAngle", "angle", 0.0, 0},
    {"drawSpecular", "boolean", 0.0, 1},
    kScreenModeChannel,
    kColorModeChannel,
    kScreenCoordsChannel,
    {"useColor", "boolean", 0.0, 1},
    {"imageInvert", "boolean", 0.0, 0},
    {"useAlpha", "boolean", 0.0, 1},
    kZScaleChannel,
    kPatColorChannel,
    {"pointNum", "integer", 1024.0, 1024},
    {"pointRadius", "percent", 0.2, 0},
    kSeeThroughChannel,
    kBrightnessChannel,
    kContrastChannel,
    {"specular", "percent", 0.0, 0},
    kShadowsChannel,
    {"indirectLight", "percent", 0.0, 0},
    {"rotVariation", "percent", 0.0, 0},
    kReplaceShadingChannel,
    kReplaceSpecularChannel,
    kShadingLevelChannel,
    kSpecularLevelChannel,
    kUvOffsetChannel,
    kPatAlphaChannel,
    kSfReflectionChannel,
    kSfForeshortChannel,
    kZMinChannel,
    kZMaxChannel,
    kReflectionChannel,
    {"hueVariation", "percent", 0.0, 0},
    {"satVariation", "percent", 0.0, 0},
    {"valVariation", "percent", 0.0, 0},
};

#define PKT(f) static_cast<int32_t>(offsetof(DabBlock, packet) + offsetof(DabPacketData, f))
#define HDR(f) static_cast<int32_t>(offsetof(DabBlock, f))
// pointNum and colorMode are clamped by the material after the table reads.
constexpr ChannelLink kLinks[] = {
    {"tileNum", ReadKind::Float, PKT(tiles)},
    {"tileAngle", ReadKind::Float, PKT(angle)},
    {"pointNum", ReadKind::Integer, PKT(pointNum)},
    {"pointRadius", ReadKind::Float, PKT(pointRadius)},
    {"zScale", ReadKind::Float, PKT(zScale)},
    {"patColor.R", ReadKind::Float, PKT(colour[0])},
    {"patColor.G", ReadKind::Float, PKT(colour[1])},
    {"patColor.B", ReadKind::Float, PKT(colour[2])},
    {"brightness", ReadKind::Float, PKT(brightness)},
    {"contrast", ReadKind::Float, PKT(contrast)},
    {"seeThrough", ReadKind::Float, PKT(seeThrough)},
    {"shadows", ReadKind::Float, PKT(shadows)},
    {"rotVariation", ReadKind::Float, PKT(rotVariation)},
    {"replaceShading", ReadKind::Float, PKT(replaceShading)},
    {"replaceSpecular", ReadKind::Float, PKT(replaceSpecular)},
    {"indirectLight", ReadKind::Float, PKT(indirectLight)},
    {"shadingLevel", ReadKind::Float, PKT(shadingLevel)},
    {"specularLevel", ReadKind::Float, PKT(specularLevel)},
    {"uvOffset", ReadKind::Float, PKT(tileOffset)},
    {"patAlpha", ReadKind::Float, PKT(alpha)},
    {"sfReflection", ReadKind::Float, PKT(sfReflection)},
    {"sfForeshort", ReadKind::Float, PKT(sfForeshort)},
    {"zMax", ReadKind::Float, PKT(zMax)},
    {"zMin", ReadKind::Float, PKT(zMin)},
    {"specular", ReadKind::Float, PKT(specular)},
    {"reflection", ReadKind::Float, PKT(reflection)},
    {"hueVariation", ReadKind::Float, PKT(hueVariation)},
    {"satVariation", ReadKind::Float, PKT(satVariation)},
    {"valVariation", ReadKind::Float, PKT(valVariation)},
    {"screenCoords", ReadKind::BooleanByte, PKT(screenCoords)},
    {"screenMode", ReadKind::Integer, HDR(screenMode)},
    {"drawSpecular", ReadKind::Boolean, PKT(drawSpecular)},
    {"colorMode", ReadKind::Integer, HDR(colorMode)},
    {"useColor", ReadKind::BooleanByte, PKT(useColor)},
    {"imageInvert", ReadKind::BooleanByte, PKT(imageInvert)},
    {"useAlpha", ReadKind::BooleanByte, PKT(useAlpha)},
};
#undef HDR
static_assert(sizeof kLinks / sizeof kLinks[0] == kDabLinkCount);

const char* const kHostPackets[] = {"sample.ray", "surface.normal", "texture.input",
                                    "sample.parms", "raycast", "camera.resolution"};

constexpr SampleLink kSampleLinks[] = {
    {0},  {1},  {2},  {3},  {4},  {5},  {6},  {7},  {8},  {9},  {10}, {11}, {12}, {13}, {14},
    {15}, {16}, {17}, {18}, {19}, {20}, {21}, {22}, {23}, {24}, {25}, {26}, {27}, {28},
};
static_assert(sizeof kSampleLinks / sizeof kSampleLinks[0] == kDabScreenCoords);

constexpr SampleOverride drive(uint16_t link, DriveKind kind = DriveKind::Float) {
    return {link, kind, kLinks[link].blockOffset, kLinks[link].blockOffset - PKT(tiles)};
}
#undef PKT
// The point count comes through a double, truncated; it is not clamped again.
const SampleOverride kOverrides[] = {
    drive(kDabTileNum),         drive(kDabTileAngle),       drive(kDabPointNum, DriveKind::IntegerByFloat),
    drive(kDabPointRadius),     drive(kDabZScale),          drive(kDabPatColorR),
    drive(kDabPatColorG),       drive(kDabPatColorB),       drive(kDabBrightness),
    drive(kDabContrast),        drive(kDabSeeThrough),      drive(kDabShadows),
    drive(kDabRotVariation),    drive(kDabReplaceShading),  drive(kDabReplaceSpecular),
    drive(kDabIndirectLight),   drive(kDabShadingLevel),    drive(kDabSpecularLevel),
    drive(kDabUvOffset),        drive(kDabPatAlpha),        drive(kDabSfReflection),
    drive(kDabSfForeshort),     drive(kDabZMax),            drive(kDabZMin),
    drive(kDabSpecular),        drive(kDabReflection),      drive(kDabHueVariation),
    drive(kDabSatVariation),    drive(kDabValVariation),
};

}  // namespace

// 36 item channels from tileNum: the 34 of the table, patColor counted as its
// three components.
const MaterialDesc kDabDesc = {
    .itemType = kDabItemType,
    .packetName = kDabPacketName,
    .channels = kChannels,
    .links = kLinks,
    .hostPackets = kHostPackets,
    .sampleLinks = kSampleLinks,
    .sampleDrivenFirst = kDabTileNum,
    .sampleDrivenCount = 36,
    .overrides = kOverrides,
    .blockSize = sizeof(DabBlock),
    .packetSize = sizeof(DabPacketData),
    .packetInBlock = static_cast<int32_t>(offsetof(DabBlock, packet)),
    .flags = 0x803,
    .ui = {.switches = kDabSwitches, .dependencies = kDabDependencies, .hints = kPatternHints},
};

#define FLOAT_INDEX(f) static_cast<uint32_t>(offsetof(DabPacketData, f) / sizeof(float))
const EffectValue kDabEffects[kDabEffectCount] = {
    ScalarValue("dabTileOffset", "float", FLOAT_INDEX(tileOffset)),
    ScalarValue("dabSeeThough", "percent", FLOAT_INDEX(seeThrough)),
    ScalarValue("dabTiles", "float", FLOAT_INDEX(tiles)),
    ScalarValue("dabAngle", "angle", FLOAT_INDEX(angle)),  // also sets the sine and cosine
    ScalarValue("dabPointSize", "percent", FLOAT_INDEX(pointRadius)),
    ScalarValue("dabShadows", "percent", FLOAT_INDEX(shadows)),
    ScalarValue("dabRotVariation", "percent", FLOAT_INDEX(rotVariation)),
    ScalarValue("dabShadingLevel", "percent", FLOAT_INDEX(shadingLevel)),
    ScalarValue("dabHueVariation", "percent", FLOAT_INDEX(hueVariation)),
    ScalarValue("dabSatVariation", "percent", FLOAT_INDEX(satVariation)),
    ScalarValue("dabValVariation", "percent", FLOAT_INDEX(valVariation)),
};
#undef FLOAT_INDEX

}  // namespace Stipple_Shader
