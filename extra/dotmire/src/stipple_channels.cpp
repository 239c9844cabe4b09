#include "stipple_channels.h"

#include <cstddef>

#include "dot_channel_rules.h"
#include "shader/pattern_channels.h"
#include "stipple_packet.h"

namespace Stipple_Shader {
namespace {

using namespace kv::shader;

// The k...Channel rows are the pattern channels every pattern material
// declares alike; the others are this material's own.
const ChannelSetup kChannels[] = {
    {"tileNum", "float", 5.0, 5},
    {"tileAngle", "angle", 0.0, 0},
    {"drawSpecular", "boolean", 0.0, 0},
    kScreenCoordsChannel,
    kZScaleChannel,
    kPatColorChannel,
    {"pointNum", "integer", 128.0, 128},
    {"pointRadius", "percent", 0.2, 0},
    kScreenModeChannel,
    kColorModeChannel,
    kSeeThroughChannel,
    kBrightnessChannel,
    kContrastChannel,
    kShadowsChannel,
    {"indirectLight", "percent", 0.0, 0},
    {"hueVariation", "percent", 0.0, 0},
    {"satVariation", "percent", 0.0, 0},
    {"valVariation", "percent", 0.0, 0},
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
    {"specular", "percent", 1.0, 0},
};

#define PKT(f) static_cast<int32_t>(offsetof(StippleBlock, packet) + offsetof(StipplePacketData, f))
#define HDR(f) static_cast<int32_t>(offsetof(StippleBlock, f))
// pointNum and colorMode are clamped by the material after the table reads.
constexpr ChannelLink kLinks[] = {
    {"tileNum", ReadKind::Float, PKT(tiles)},
    {"tileAngle", ReadKind::Float, PKT(angle)},
    {"pointNum", ReadKind::Integer, PKT(pointNum)},
    {"pointRadius", ReadKind::Float, PKT(pointSize)},
    {"zScale", ReadKind::Float, PKT(zScale)},
    {"patColor.R", ReadKind::Float, PKT(colour[0])},
    {"patColor.G", ReadKind::Float, PKT(colour[1])},
    {"patColor.B", ReadKind::Float, PKT(colour[2])},
    {"brightness", ReadKind::Float, PKT(brightness)},
    {"contrast", ReadKind::Float, PKT(contrast)},
    {"seeThrough", ReadKind::Float, PKT(seeThrough)},
    {"shadows", ReadKind::Float, PKT(shadows)},
    {"hueVariation", ReadKind::Float, PKT(hueVariation)},
    {"satVariation", ReadKind::Float, PKT(satVariation)},
    {"valVariation", ReadKind::Float, PKT(valVariation)},
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
    {"screenCoords", ReadKind::BooleanByte, PKT(screenCoords)},
    {"screenMode", ReadKind::Integer, HDR(screenMode)},
    {"drawSpecular", ReadKind::Integer, HDR(drawSpecular)},
    {"colorMode", ReadKind::Integer, HDR(colorMode)},
};
#undef HDR
static_assert(sizeof kLinks / sizeof kLinks[0] == kStippleLinkCount);

const char* const kHostPackets[] = {"sample.ray",        "surface.normal", "texture.input", "sample.parms",
                                    "raycast",           "camera.resolution", "shade.mirror"};

constexpr SampleLink kSampleLinks[] = {
    {0},  {1},  {2},  {3},  {4},  {5},  {6},  {7},  {8},  {9},  {10}, {11}, {12}, {13},
    {14}, {15}, {16}, {17}, {18}, {19}, {20}, {21}, {22}, {23}, {24}, {25}, {26}, {27},
};
static_assert(sizeof kSampleLinks / sizeof kSampleLinks[0] == kStippleScreenCoords);

constexpr SampleOverride drive(uint16_t link, DriveKind kind = DriveKind::Float) {
    return {link, kind, kLinks[link].blockOffset, kLinks[link].blockOffset - PKT(tiles)};
}
#undef PKT
const SampleOverride kOverrides[] = {
    drive(kStippleTileNum),        drive(kStippleTileAngle),       drive(kStipplePointNum, DriveKind::Integer),
    drive(kStipplePointRadius),    drive(kStippleZScale),          drive(kStipplePatColorR),
    drive(kStipplePatColorG),      drive(kStipplePatColorB),       drive(kStippleBrightness),
    drive(kStippleContrast),       drive(kStippleSeeThrough),      drive(kStippleShadows),
    drive(kStippleHueVariation),   drive(kStippleSatVariation),    drive(kStippleValVariation),
    drive(kStippleReplaceShading), drive(kStippleReplaceSpecular), drive(kStippleIndirectLight),
    drive(kStippleShadingLevel),   drive(kStippleSpecularLevel),   drive(kStippleUvOffset),
    drive(kStipplePatAlpha),       drive(kStippleSfReflection),    drive(kStippleSfForeshort),
    drive(kStippleZMax),           drive(kStippleZMin),            drive(kStippleSpecular),
    drive(kStippleReflection),
};

}  // namespace

// 32 item channels from tileNum: the 30 of the table, patColor counted as its
// three components.
const MaterialDesc kStippleDesc = {
    .itemType = kStippleItemType,
    .packetName = kStipplePacketName,
    .channels = kChannels,
    .links = kLinks,
    .hostPackets = kHostPackets,
    .sampleLinks = kSampleLinks,
    .sampleDrivenFirst = kStippleTileNum,
    .sampleDrivenCount = 32,
    .overrides = kOverrides,
    .blockSize = sizeof(StippleBlock),
    .packetSize = sizeof(StipplePacketData),
    .packetInBlock = static_cast<int32_t>(offsetof(StippleBlock, packet)),
    .flags = 0x801,
    .ui = {.switches = kScreenCoordSwitches, .dependencies = kScreenCoordDependencies, .hints = kPatternHints},
};

#define FLOAT_INDEX(f) static_cast<uint32_t>(offsetof(StipplePacketData, f) / sizeof(float))
const EffectValue kStippleEffects[kStippleEffectCount] = {
    ScalarValue("stippleTileOffset", "float", FLOAT_INDEX(tileOffset)),
    ColorValue("stippleColor", FLOAT_INDEX(colour)),  // also sets hue, saturation and value
    ScalarValue("stippleTiles", "float", FLOAT_INDEX(tiles)),
    ScalarValue("stippleAngle", "angle", FLOAT_INDEX(angle)),  // also sets the sine and cosine
    ScalarValue("stipplePointSize", "percent", FLOAT_INDEX(pointSize)),
    ScalarValue("stippleSeeThough", "percent", FLOAT_INDEX(seeThrough)),
    ScalarValue("stippleShadows", "percent", FLOAT_INDEX(shadows)),
    ScalarValue("stippleHueVariation", "percent", FLOAT_INDEX(hueVariation)),
    ScalarValue("stippleSatVariation", "percent", FLOAT_INDEX(satVariation)),
    ScalarValue("stippleValVariation", "percent", FLOAT_INDEX(valVariation)),
    ScalarValue("stippleAlpha", "percent", FLOAT_INDEX(alpha)),
    ScalarValue("stippleShadingLevel", "percent", FLOAT_INDEX(shadingLevel)),
    ScalarValue("stippleSpecularLevel", "percent", FLOAT_INDEX(specularLevel)),
    ScalarValue("stipple2Bright", "percent", FLOAT_INDEX(brightness)),
    ScalarValue("stipple2Contrast", "percent", FLOAT_INDEX(contrast)),
};
#undef FLOAT_INDEX

}  // namespace Stipple_Shader
