#include "sketch_material.h"

#include "shader/pattern_coords.h"
#include "sketch_channels.h"

namespace SketchTone_Shader {

using namespace kv::shader;

void SketchMapLookup::Pixel(uint32_t x, uint32_t y, float rgba[4]) const {
    rgba[0] = rgba[1] = rgba[2] = rgba[3] = 0.0f;
    if (vt_IKvImage** img = image.ptr()) (*img)->GetPixel(img, x, y, KV_IMAGE_RGBA_FP, rgba);
}

void SketchMapLookup::UpdateSize() {
    unsigned w = 0, h = 0;
    image.Size(&w, &h);
    width = w;
    height = h;
}

SketchToneMaterial::SketchToneMaterial() : CKvShaderMaterial(kSketchToneDesc) {}

KvResult SketchToneMaterial::cmt_LinkChannels(vt_IKvUnknown** eval, vt_IKvUnknown** item) {
    m_clipLinked = false;
    m_imageStack = {kUnlinked, kUnlinked};
    const KvResult rc = CKvShaderMaterial::cmt_LinkChannels(eval, item);
    if (KV_FAILED(rc)) return rc;
    CKvUser_Evaluation evaluation(eval);
    if (FindLinkedClip(item, m_clip)) {
        const int index = m_clip.ChannelLookup("imageStack");
        m_imageStack.index = index < 0 ? kUnlinked : static_cast<uint32_t>(index);
        m_imageStack.evalIndex = evaluation.AddChan(m_clip, m_imageStack.index);  // throws the host's code
        m_clipLinked = true;
    }
    m_pattern.link(eval, item);
    return KV_OK;
}

void SketchToneMaterial::readExtra(CKvUser_Attributes& attr, void* blockData) {
    auto& b = *static_cast<SketchToneBlock*>(blockData);
    if (m_clipLinked) BuildSketchMap(attr);
    const CameraLens lens = m_pattern.read(attr);
    b.focusDist = lens.focusDist;
    b.apertureX = lens.apertureX;
    b.apertureY = lens.apertureY;
    b.focalLen = lens.focalLen;
    SetAngleTerms(b.packet);
}

// Renders the clip's image filter into the square sketch map inside a
// progress monitor. A value that is no filter keeps the previous map; a
// filter that gives no image leaves none.
void SketchToneMaterial::BuildSketchMap(CKvUser_Attributes& attr) {
    void* obj = nullptr;
    CKvUser_ImageFilter filter;
    if (KV_FAILED(attr.Value(m_imageStack.evalIndex, &obj)) || !filter.take(obj)) return;
    CKvUser_Monitor monitor;
    const bool opened = m_dialogs.MonitorAllocate("Sketchtone Image", monitor);
    m_map.image.clear();
    filter.Generate(kSketchMapSize, kSketchMapSize, monitor, m_map.image);
    m_map.UpdateSize();
    if (opened) m_dialogs.MonitorRelease();
}

void SketchToneMaterial::evaluateExtra(vt_IKvUnknown**, int*, void* packet, const void* blockData) const {
    auto& p = *static_cast<st_KVpSketchTone*>(packet);
    SetAngleTerms(p);
    // The tile offset does not vary per sample; "sketchTileOffset" moves it.
    p.tileOffset = static_cast<const SketchToneBlock*>(blockData)->packet.tileOffset;
}

void SketchToneMaterial::TraceThrough(const ShadeContext& ctx, CKvUser_Raycast1& rays, const st_KVpSampleRay& ray,
                                      float color[3]) const {
    color[0] = color[1] = color[2] = 0.0f;
    vt_IKvUnknown** nested = rays.PushVector(ctx.vector);
    if (!nested) return;
    const double origin[3] = {ray.origin[0], ray.origin[1], ray.origin[2]};
    const float dir[3] = {ray.dir[0], ray.dir[1], ray.dir[2]};
    rays.TraceRay(nested, origin, dir, KV_RAY_SEETHROUGH);
    if (const auto* seen = static_cast<const st_KVpSampleRay*>(m_packets.FastPacket(nested, packetOffset(kPacketRay))))
        for (int c = 0; c < 3; ++c) color[c] = seen->color[c];
    rays.PopVector(ctx.vector);
}

void SketchToneMaterial::shade(const ShadeContext& ctx) const {
    if (!ctx.packet) return;
    const auto& p = *static_cast<const st_KVpSketchTone*>(ctx.packet);
    const auto& b = *static_cast<const SketchToneBlock*>(ctx.block);
    const auto* ray = static_cast<const st_KVpSampleRay*>(ctx.host[kPacketRay]);
    CKvUser_Raycast1 rays(ctx.rayObj);

    const PatternParams params = PatternParamsFrom(p, p.sine, p.cosine, b.screenCoords != 0, b.screenMode);
    const PatternSample sample = PatternSampleOf(ctx, kPacketTexture, kPacketResolution, kPacketNormal, kPacketRay);
    const PatternUV uv = PatternCoordinate(params, sample, m_pattern, rays);

    // Without its ray the sample has nothing to see through.
    float traced[3];
    const bool through = p.seeThrough > 0.0f && ray;
    if (through) TraceThrough(ctx, rays, *ray, traced);

    SketchSample s{static_cast<const st_KVpSampleParms*>(ctx.host[kPacketParms]), uv.u, uv.v,
                   through ? traced : nullptr};
    ShadeSketchTone(p, b, &m_map, s, *ctx.sc, *ctx.out);
}

}  // namespace SketchTone_Shader
