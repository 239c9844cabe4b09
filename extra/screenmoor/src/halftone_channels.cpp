#include "halftone_channels.h"

#include <cstddef>

#include "halftone_layout.h"
#include "shader/popup_lists.h"
#include "shader/pattern_channels.h"

namespace Halftone2_Shader {
namespace {

using namespace kv::shader;

const st_KVtTextValueHint kPatternHints[] = {
    {kPatternDots, "dots"},       {kPatternLines, "lines"},   {kPatternCrosshatch, "crosshatch"},
    {kPatternAdaptive, "adaptive"}, {kPatternCircle, "circle"}, {kPatternSquare, "square"},
    {kPatternDiamond, "diamond"}, {kPatternCross, "cross"},   {kPatternChecker, "checker"},
    {kPatternDiamCheck, "diamCheck"}, {-1, "=halftone2-pattern"}, {-1, nullptr},
};

// Integer and boolean defaults go in the integer argument, the others in the double.
// The k...Channel rows are the pattern channels every pattern material
// declares alike; the others are this material's own.
const ChannelSetup kChannels[] = {
    {"cellPattern", "integer", 0.0, kPatternAdaptive, {}, kPatternHints},
    {"specPattern", "integer", 0.0, kPatternDots, {}, kPatternHints},
    kScreenCoordsChannel,
    {"drawSpecular", "boolean", 0.0, 1},
    kScreenModeChannel,
    kColorModeChannel,
    {"cellTiles", "float", 64.0, 0},
    {"cellAngle", "angle", 0.0, 0},
    kZScaleChannel,
    kPatColorChannel,
    kSeeThroughChannel,
    kBrightnessChannel,
    kContrastChannel,
    kShadowsChannel,
    {"indirectLight", "percent", 0.0, 0},
    kPatAlphaChannel,
    kReplaceShadingChannel,
    kReplaceSpecularChannel,
    kShadingLevelChannel,
    kSpecularLevelChannel,
    kUvOffsetChannel,
    kSfReflectionChannel,
    kSfForeshortChannel,
    kZMinChannel,
    kZMaxChannel,
    kReflectionChannel,
    {"specular", "percent", 1.0, 0},
    {"nprDiffuse", "percent", 0.0, 0},
    {"nprSpecular", "percent", 1.0, 0},
};

#define FIELD(f) static_cast<int32_t>(offsetof(HalftoneBlock, f))
#define COLOR(c) static_cast<int32_t>(offsetof(HalftoneBlock, patColor) + (c) * sizeof(float))
// nprDiffuse and nprSpecular are linked and driven but not read.
constexpr ChannelLink kLinks[] = {
    {"cellPattern", ReadKind::Integer, FIELD(cellPattern)},
    {"specPattern", ReadKind::Integer, FIELD(specPattern)},
    {"screenCoords", ReadKind::BooleanByte, FIELD(screenCoords)},
    {"screenMode", ReadKind::Integer, FIELD(screenMode)},
    {"drawSpecular", ReadKind::Integer, FIELD(drawSpecular)},
    {"colorMode", ReadKind::Integer, FIELD(colorMode)},
    {"cellTiles", ReadKind::Float, FIELD(tiles)},
    {"cellAngle", ReadKind::Float, FIELD(cellAngle)},
    {"zScale", ReadKind::Float, FIELD(zScale)},
    {"patColor.R", ReadKind::Float, COLOR(0)},
    {"patColor.G", ReadKind::Float, COLOR(1)},
    {"patColor.B", ReadKind::Float, COLOR(2)},
    {"seeThrough", ReadKind::Float, FIELD(seeThrough)},
    {"brightness", ReadKind::Float, FIELD(brightness)},
    {"contrast", ReadKind::Float, FIELD(contrast)},
    {"shadows", ReadKind::Float, FIELD(shadows)},
    {"patAlpha", ReadKind::Float, FIELD(patAlpha)},
    {"replaceShading", ReadKind::Float, FIELD(replaceShading)},
    {"replaceSpecular", ReadKind::Float, FIELD(replaceSpecular)},
    {"indirectLight", ReadKind::Float, FIELD(indirectLight)},
    {"shadingLevel", ReadKind::Float, FIELD(shadingLevel)},
    {"specularLevel", ReadKind::Float, FIELD(specularLevel)},
    {"uvOffset", ReadKind::Float, FIELD(cellOffset)},
    {"sfReflection", ReadKind::Float, FIELD(sfReflection)},
    {"sfForeshort", ReadKind::Float, FIELD(sfForeshort)},
    {"zMax", ReadKind::Float, FIELD(zMax)},
    {"zMin", ReadKind::Float, FIELD(zMin)},
    {"specular", ReadKind::Float, FIELD(specular)},
    {"reflection", ReadKind::Float, FIELD(reflection)},
    {"nprDiffuse"},
    {"nprSpecular"},
};
#undef COLOR
#undef FIELD
static_assert(sizeof kLinks / sizeof kLinks[0] == kLinkCount);

const char* const kHostPackets[] = {"sample.ray", "surface.normal", "texture.input",
                                    "sample.parms", "raycast", "camera.resolution"};

// cellTiles to reflection are sampled with mode 1, the two unread channels with mode 2.
const SampleLink kSampleLinks[] = {
    {kLinkCellTiles},       {kLinkCellAngle},       {kLinkZScale},        {kLinkPatColorR},
    {kLinkPatColorG},       {kLinkPatColorB},       {kLinkSeeThrough},    {kLinkBrightness},
    {kLinkContrast},        {kLinkShadows},         {kLinkPatAlpha},      {kLinkReplaceShading},
    {kLinkReplaceSpecular}, {kLinkIndirectLight},   {kLinkShadingLevel},  {kLinkSpecularLevel},
    {kLinkUvOffset},        {kLinkSfReflection},    {kLinkSfForeshort},   {kLinkZMax},
    {kLinkZMin},            {kLinkSpecular},        {kLinkReflection},    {kLinkNprDiffuse, 2},
    {kLinkNprSpecular, 2},
};

constexpr int32_t PacketField(size_t offset) { return static_cast<int32_t>(offset); }
constexpr SampleOverride drive(uint16_t link, size_t packetOffset) {
    return {link, DriveKind::Float, kLinks[link].blockOffset, PacketField(packetOffset)};
}
#define PF(f) offsetof(st_KVpHalftone, f)
// In link order; the cell offset is not driven per sample.
const SampleOverride kOverrides[] = {
    drive(kLinkCellTiles, PF(tiles)),
    drive(kLinkCellAngle, PF(cellAngle)),
    drive(kLinkZScale, PF(zScale)),
    drive(kLinkPatColorR, PF(patColor)),
    drive(kLinkPatColorG, PF(patColor) + sizeof(float)),
    drive(kLinkPatColorB, PF(patColor) + 2 * sizeof(float)),
    drive(kLinkSeeThrough, PF(seeThrough)),
    drive(kLinkBrightness, PF(brightness)),
    drive(kLinkContrast, PF(contrast)),
    drive(kLinkShadows, PF(shadows)),
    drive(kLinkPatAlpha, PF(patAlpha)),
    drive(kLinkReplaceShading, PF(replaceShading)),
    drive(kLinkReplaceSpecular, PF(replaceSpecular)),
    drive(kLinkIndirectLight, PF(indirectLight)),
    drive(kLinkShadingLevel, PF(shadingLevel)),
    drive(kLinkSpecularLevel, PF(specularLevel)),
    drive(kLinkSfReflection, PF(sfReflection)),
    drive(kLinkSfForeshort, PF(sfForeshort)),
    drive(kLinkZMax, PF(zMax)),
    drive(kLinkZMin, PF(zMin)),
    drive(kLinkSpecular, PF(specular)),
    drive(kLinkReflection, PF(reflection)),
};
#undef PF
static_assert(sizeof kOverrides / sizeof kOverrides[0] == 22);

// The host asks about the colour by its component names ("patColor.R").
const ChannelMatch kHints[] = {{"patColor", true}, {"patAlpha"}, {"cellTiles"}, {"cellAngle"}, {"uvOffset"}};

}  // namespace

const MaterialDesc kHalftoneDesc = {
    .itemType = kHalftoneItemType,
    .packetName = kHalftonePacketName,
    .channels = kChannels,
    .links = kLinks,
    .hostPackets = kHostPackets,
    .sampleLinks = kSampleLinks,
    .sampleDrivenFirst = kLinkCellTiles,
    .sampleDrivenCount = 23,  // cellTiles to specular in set-up order: every channel the packet takes per sample
    .overrides = kOverrides,
    .blockSize = sizeof(HalftoneBlock),
    .packetSize = sizeof(st_KVpHalftone),
    .packetInBlock = -1,
    .flags = 0x801,
    .ui = {.switches = kScreenCoordSwitches, .dependencies = kScreenCoordDependencies, .hints = kHints},
};

#define FLOAT_INDEX(f) static_cast<uint32_t>(offsetof(st_KVpHalftone, f) / sizeof(float))
const EffectValue kHalftoneEffects[kHalftoneEffectCount] = {
    ScalarValue("halftone2CellOffset", "float", FLOAT_INDEX(cellOffset)),
    ColorValue("halftone2Color", FLOAT_INDEX(patColor)),
    ScalarValue("halftone2Tiles", "float", FLOAT_INDEX(tiles)),
    ScalarValue("halftone2Angle", "angle", FLOAT_INDEX(cellAngle)),  // also sets sine and cosine
    ScalarValue("halftone2SeeThough", "percent", FLOAT_INDEX(seeThrough)),
    ScalarValue("halftone2Shadows", "percent", FLOAT_INDEX(shadows)),
    ScalarValue("halftone2Alpha", "percent", FLOAT_INDEX(patAlpha)),
    ScalarValue("halftone2ShadingLevel", "percent", FLOAT_INDEX(shadingLevel)),
    ScalarValue("halftone2SpecularLevel", "percent", FLOAT_INDEX(specularLevel)),
    ScalarValue("halftone2Bright", "percent", FLOAT_INDEX(brightness)),
    ScalarValue("halftone2Contrast", "percent", FLOAT_INDEX(contrast)),
};
#undef FLOAT_INDEX

}  // namespace Halftone2_Shader
