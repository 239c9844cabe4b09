#include "edge_ink_material.h"

#include <cstddef>

#include <shader/popup_lists.h>
#include <shader/register_shader.h>

#include "edge_ink_host.h"
#include "edge_ink_names.h"
#include "edge_ink_params.h"
#include "edge_ink_sample.h"
#include "edge_ink_shade.h"

namespace {

using namespace kv::shader;

const ChannelSetup kChannels[] = {
    {"incidenceEdges", "percent", 1.0, 0},
    {"angleEdges", "percent", 1.0, 0},
    {"distanceEdges", "percent", 1.0, 0},
    {"minAngle", "angle", 0.0, 0},
    {"maxAngle", "angle", 0.7853981633974483, 0},
    {"distThreshold", "percent", 0.02, 0},
    {"edgeWidth", "float", 2.0, 0},
    {"edgeQuality", "integer", 0.0, 2},
    {"edgeColor", "color1", 0.0, 0, {0.0, 0.0, 0.0}},
    {"edgeAlpha", "percent", 1.0, 0},
    {"edgeOffset", "float", 0.0, 0},
    {"seeThrough", "percent", 0.0, 0},
    {"edgeSoftness", "percent", 0.02, 0},
    {"edgeColor2", "color1", 0.0, 0, {0.0, 0.0, 0.0}},
    {"edgeAlpha2", "percent", 1.0, 0},
    {"surfaceEdges", "percent", 1.0, 0},
    {"segmentEdges", "percent", 0.0, 0},
    {"colorMode", "integer", 0.0, 0, {0.0, 0.0, 0.0}, hint_NPRColorMode},
    {"traceReflection", "boolean", 0.0, 0},
    {"traceTransparency", "boolean", 0.0, 0},
    {"curvature", "percent", 0.0, 0},
};

#define FIELD(f) static_cast<int32_t>(offsetof(EdgeInkParams, f))
// Link order; the index of each entry is its link number.
constexpr ChannelLink kLinks[] = {
    {"edgeQuality", ReadKind::Integer, FIELD(edgeQuality)},
    {"incidenceEdges", ReadKind::Float, FIELD(incidenceEdges)},
    {"angleEdges", ReadKind::Float, FIELD(angleEdges)},
    {"distanceEdges", ReadKind::Float, FIELD(distanceEdges)},
    {"minAngle", ReadKind::Float, FIELD(minAngle)},
    {"maxAngle", ReadKind::Float, FIELD(maxAngle)},
    {"distThreshold", ReadKind::Float, FIELD(distThreshold)},
    {"edgeWidth", ReadKind::Float, FIELD(edgeWidth)},
    {"edgeColor.R", ReadKind::Float, FIELD(edgeColor[0])},
    {"edgeColor.G", ReadKind::Float, FIELD(edgeColor[1])},
    {"edgeColor.B", ReadKind::Float, FIELD(edgeColor[2])},
    {"edgeAlpha", ReadKind::Float, FIELD(edgeAlpha)},
    {"edgeOffset", ReadKind::Float, FIELD(edgeOffset)},
    {"seeThrough", ReadKind::Float, FIELD(seeThrough)},
    {"edgeSoftness", ReadKind::Float, FIELD(edgeSoftness)},
    {"edgeColor2.R", ReadKind::Float, FIELD(edgeColor2[0])},
    {"edgeColor2.G", ReadKind::Float, FIELD(edgeColor2[1])},
    {"edgeColor2.B", ReadKind::Float, FIELD(edgeColor2[2])},
    {"edgeAlpha2", ReadKind::Float, FIELD(edgeAlpha2)},
    {"surfaceEdges", ReadKind::Float, FIELD(surfaceEdges)},
    {"colorMode", ReadKind::Integer, FIELD(colorMode)},
    {"segmentEdges", ReadKind::Float, FIELD(segmentEdges)},
    {"traceReflection", ReadKind::Boolean, FIELD(traceReflection)},
    {"traceTransparency", ReadKind::Boolean, FIELD(traceTransparency)},
    {"curvature", ReadKind::Float, FIELD(curvature)},
};
#undef FIELD
constexpr uint16_t kLinkCount = sizeof kLinks / sizeof kLinks[0];
static_assert(kLinkCount == 25);

const char* const kHostPackets[] = {"sample.ray", "surface.normal", "sample.position", "camera.resolution",
                                    "sample.parms"};
enum { kRay, kNormal, kPosition, kResolution, kParms };

// Every link after edgeQuality may vary per sample.
constexpr auto kSampleLinks = [] {
    struct Table {
        SampleLink v[kLinkCount - 1];
    } t{};
    for (uint16_t i = 1; i < kLinkCount; ++i) t.v[i - 1] = {i, 1};
    return t;
}();

// Per sample every field is replaced through the nodal service in link
// order, edgeQuality included, each by the kind its read gave it.
constexpr DriveKind driveKind(ReadKind r)
{
    return r == ReadKind::Float ? DriveKind::Float : DriveKind::Integer;
}
constexpr auto kOverrides = [] {
    struct Table {
        SampleOverride v[kLinkCount];
    } t{};
    for (uint16_t i = 0; i < kLinkCount; ++i)
        t.v[i] = {i, driveKind(kLinks[i].read), kLinks[i].blockOffset, kLinks[i].blockOffset};
    return t;
}();

const ChannelMatch kHints[] = {{"edgeColor"}, {"edgeAlpha"}, {"edgeWidth"}, {"edgeOffset"}, {"curvature"}};

// Item channels from incidenceEdges through curvature in set-up order, the
// colour components counted one by one: every channel that may be driven per
// sample lies in this run (edgeQuality, inside it, is simply never driven).
constexpr uint32_t kSampleDrivenChannels = 25;

const MaterialDesc kDesc = {
    .itemType = kEdgeInkItemType,
    .packetName = kEdgeInkPacketName,
    .channels = kChannels,
    .links = kLinks,
    .hostPackets = kHostPackets,
    .sampleLinks = kSampleLinks.v,
    .sampleDrivenFirst = 1,
    .sampleDrivenCount = kSampleDrivenChannels,
    .overrides = kOverrides.v,
    .blockSize = sizeof(EdgeInkParams),
    .packetSize = sizeof(EdgeInkParams),
    .packetInBlock = 0,  // the block is the packet image
    .flags = 0,
    .ui = {.switches = {}, .dependencies = {}, .hints = kHints},
};

}  // namespace

EdgeInkMaterial::EdgeInkMaterial()
    : CKvShaderMaterial(kDesc),
      m_shaderService(static_cast<vt_IKvShaderService**>(kv::GetGlobal(&kv::guid_ShaderService))),
      m_packetService(static_cast<vt_IKvPacketService**>(kv::GetGlobal(&kv::guid_PacketService)))
{
}

void EdgeInkMaterial::shade(const ShadeContext& ctx) const
{
    if (!ctx.packet) return;
    edgeink::EdgeInkSample s;
    s.vector = ctx.vector;
    s.ray = static_cast<const st_KVpSampleRay*>(ctx.host[kRay]);
    s.normal = static_cast<const st_KVpSurfaceNormal*>(ctx.host[kNormal]);
    s.resolution = static_cast<const st_KVpCameraResolution*>(ctx.host[kResolution]);
    s.parms = static_cast<const st_KVpSampleParms*>(ctx.host[kParms]);

    // Both interfaces are released when the evaluation ends.
    CKvUser_Raycast1 ray1(ctx.rayObj);
    CKvUser_Raycast ray(ctx.rayObj);
    edgeink::EdgeInkHost h;
    h.ray = &ray;
    h.ray1 = &ray1;
    h.shader = m_shaderService;
    h.packets = m_packetService;
    h.rayOffset = packetOffset(kRay);
    h.normalOffset = packetOffset(kNormal);
    h.positionOffset = packetOffset(kPosition);

    edgeink::ShadeEdgeInk(*static_cast<const EdgeInkParams*>(ctx.packet), s, h, ctx.sc, ctx.out->color);
}

KV_SHADER_MATERIAL_TAGS(EdgeInkMaterial, "Edge Ink Material");
