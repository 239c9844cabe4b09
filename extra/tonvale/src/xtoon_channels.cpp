#include "xtoon_channels.h"

#include <cstddef>

#include "xtoon_packet.h"

namespace XToon_Shader {
namespace {

using namespace kv::shader;

const st_KVtTextValueHint kDetailModeHints[] = {
    {kDetailDepth, "depth"},         {kDetailDof, "dof"},         {kDetailSilhouette, "silhouette"},
    {kDetailSpecular, "specular"},   {kDetailTexture, "texture"}, {-1, "=xtoon-detail"},
    {-1, nullptr},
};

const ChannelSetup kChannels[] = {
    {"detailMode", "integer", 0.0, 0, {}, kDetailModeHints},
    {"shadeMix", "percent", 1.0, 0},
    {"zMin", "distance", 0.01, 0},
    {"zRange", "float", 10.0, 0},
    {"strength", "float", 1.0, 1},
    {"patAlpha", "percent", 1.0, 0},
    {"brightness", "percent", 0.0, 0},
    {"contrast", "percent", 0.0, 0},
    {"shadows", "percent", 0.0, 0},
    {"indirectLight", "percent", 1.0, 0},
    {"detail", "percent", 1.0, 0},
    {"flipHoriz", "boolean", 0.0, 0},
    {"flipVert", "boolean", 0.0, 0},
    {"useImage", "boolean", 0.0, 0},
    {"stepPos", "percent", -1.0, 0},
    {"topColor", "color1", 0.0, 0, {1.0, 1.0, 1.0}, nullptr, "color1"},
    {"bottomColor", "color1", 0.0, 0, {0.0, 0.0, 0.0}, nullptr, "color1"},
    {"specGrad", "percent", 0.0, 0, {}, nullptr, "percent"},
    {"reflGrad", "percent", 0.0, 0, {}, nullptr, "percent"},
};

#define FIELD(f) static_cast<int32_t>(offsetof(XToonPacketData, f))
// zRange and the gradients are read by the material itself (the range into
// zMax and the ratio, the gradients as filter objects).
constexpr ChannelLink kLinks[] = {
    {"detailMode", ReadKind::Integer, FIELD(detailMode)},
    {"shadeMix", ReadKind::Float, FIELD(shadeMix)},
    {"zMin", ReadKind::Float, FIELD(zMin)},
    {"zRange"},
    {"strength", ReadKind::Float, FIELD(strength)},
    {"patAlpha", ReadKind::Float, FIELD(patAlpha)},
    {"brightness", ReadKind::Float, FIELD(brightness)},
    {"contrast", ReadKind::Float, FIELD(contrast)},
    {"shadows", ReadKind::Float, FIELD(shadows)},
    {"indirectLight", ReadKind::Float, FIELD(indirectLight)},
    {"detail", ReadKind::Float, FIELD(detail)},
    {"flipHoriz", ReadKind::BooleanByte, FIELD(flipHoriz)},
    {"flipVert", ReadKind::BooleanByte, FIELD(flipVert)},
    {"useImage", ReadKind::BooleanByte, FIELD(useImage)},
    {"stepPos", ReadKind::Float, FIELD(stepPos)},
    {"topColor.R"},
    {"topColor.G"},
    {"topColor.B"},
    {"bottomColor.R"},
    {"bottomColor.G"},
    {"bottomColor.B"},
    {"specGrad"},
    {"reflGrad"},
};
#undef FIELD
static_assert(sizeof kLinks / sizeof kLinks[0] == kLinkCount);

const char* const kHostPackets[] = {"sample.ray", "surface.normal", "sample.parms"};

// shadeMix to stepPos drive their own packet fields per sample, in the order
// they are linked; zRange is driven by the material (it becomes zMax and the
// ratio) in its place after zMin.
const SampleLink kSampleLinks[] = {
    {kLinkShadeMix},   {kLinkZMin},     {kLinkZRange},         {kLinkStrength}, {kLinkPatAlpha},
    {kLinkBrightness}, {kLinkContrast}, {kLinkShadows},        {kLinkIndirectLight},
    {kLinkDetail},     {kLinkFlipHoriz}, {kLinkFlipVert},      {kLinkUseImage}, {kLinkStepPos},
};
constexpr SampleOverride drive(uint16_t link, DriveKind kind) {
    return {link, kind, kLinks[link].blockOffset, kLinks[link].blockOffset};
}
const SampleOverride kOverrides[] = {
    drive(kLinkShadeMix, DriveKind::Float),          drive(kLinkZMin, DriveKind::Float),
    drive(kLinkZRange, DriveKind::Material),         drive(kLinkStrength, DriveKind::Float),          drive(kLinkPatAlpha, DriveKind::Float),
    drive(kLinkBrightness, DriveKind::Float),        drive(kLinkContrast, DriveKind::Float),
    drive(kLinkShadows, DriveKind::Float),           drive(kLinkIndirectLight, DriveKind::Float),
    drive(kLinkDetail, DriveKind::Float),            drive(kLinkFlipHoriz, DriveKind::BooleanByte),
    drive(kLinkFlipVert, DriveKind::BooleanByte),    drive(kLinkUseImage, DriveKind::BooleanByte),
    drive(kLinkStepPos, DriveKind::Float),
};

bool StrengthUsed(int32_t mode) { return mode == kDetailDof || mode == kDetailSilhouette; }
// An unreadable detailMode counts as 0 ("depth"), which uses the depth range.
bool DepthRangeUsed(int32_t mode) { return mode == kDetailDepth || mode == kDetailDof; }

constexpr const char* kGradientsOff = "Gradients are not used when 'Use Image' is on.";
constexpr const char* kNotInMode = "Channel not used in this detail mode.";
const SwitchRule kSwitches[] = {
    {{"topColor", true}, "useImage", SwitchIsOff, kGradientsOff},
    {{"stepPos", true}, "useImage", SwitchIsOff, kGradientsOff},
    {{"bottomColor", true}, "useImage", SwitchIsOff, kGradientsOff},
    {{"strength", true}, "detailMode", StrengthUsed, kNotInMode},
    {{"zMin", true}, "detailMode", DepthRangeUsed, kNotInMode},
    {{"zRange", true}, "detailMode", DepthRangeUsed, kNotInMode},
};
const ChannelMatch kHints[] = {{"detail"}, {"strength"}, {"patAlpha"}};

}  // namespace

const MaterialDesc kXToonDesc = {
    .itemType = kXToonItemType,
    .packetName = kXToonPacketName,
    .channels = kChannels,
    .links = kLinks,
    .hostPackets = kHostPackets,
    .sampleLinks = kSampleLinks,
    .sampleDrivenFirst = kLinkShadeMix,  // shadeMix to stepPos
    .sampleDrivenCount = 14,
    .overrides = kOverrides,
    .blockSize = sizeof(XToonBlock),
    .packetSize = sizeof(XToonPacketData),
    .packetInBlock = 0,  // the block begins with the packet image
    .flags = 0x801,
    .ui = {.switches = kSwitches, .dependencies = {}, .hints = kHints},
};

#define FLOAT_INDEX(f) static_cast<uint32_t>(offsetof(XToonPacketData, f) / sizeof(float))
const EffectValue kXToonEffects[kXToonEffectCount] = {
    ScalarValue("xToonDetail", "percent", FLOAT_INDEX(detail)),
    ScalarValue("xToonAlpha", "percent", FLOAT_INDEX(patAlpha)),
    ScalarValue("xToonZMin", "percent", FLOAT_INDEX(zMin)),
    ScalarValue("xToonRange", "percent", FLOAT_INDEX(depthRatio)),  // converted by the effect
    ScalarValue("xToonStrength", "percent", FLOAT_INDEX(strength)),
    ScalarValue("xToonBrightness", "percent", FLOAT_INDEX(brightness)),
    ScalarValue("xToonContrast", "percent", FLOAT_INDEX(contrast)),
    ScalarValue("xToonShadeMix", "percent", FLOAT_INDEX(shadeMix)),
    ScalarValue("xToonStepPos", "percent", FLOAT_INDEX(stepPos)),
};
#undef FLOAT_INDEX

}  // namespace XToon_Shader
