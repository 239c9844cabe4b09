#include "halftone_material.h"

#include <cstring>

#include "halftone_channels.h"
#include "halftone_shading.h"
#include "shader/pattern_coords.h"

namespace Halftone2_Shader {

using namespace kv::shader;

namespace {

// The packet the sample would have had without per-sample driving: the
// block's values through the material's packet mapping.
void PacketFromBlock(const MaterialDesc& desc, const HalftoneBlock& b, st_KVpHalftone& p) {
    p = st_KVpHalftone{};
    for (const SampleOverride& o : desc.overrides)
        std::memcpy(reinterpret_cast<char*>(&p) + o.packetOffset, reinterpret_cast<const char*>(&b) + o.blockOffset,
                    sizeof(float));
    p.sinAngle = b.sinAngle;
    p.cosAngle = b.cosAngle;
    p.cellOffset = b.cellOffset;
}

// The colour the sample's ray returns when continued through the surface;
// black when the host gives no vector for it.
void SeenBehind(CKvUser_Raycast1& rays, vt_IKvUnknown** vector, const st_KVpSampleRay& ray,
                const CKvUser_PacketService& packets, int rayOffset, float behind[3]) {
    behind[0] = behind[1] = behind[2] = 0.0f;
    vt_IKvUnknown** traced = rays.PushVector(vector);
    if (!traced) return;
    rays.TraceRay(traced, ray.origin, ray.dir, KV_RAY_SEETHROUGH);
    if (const auto* seen = static_cast<const st_KVpSampleRay*>(packets.FastPacket(traced, rayOffset)))
        std::memcpy(behind, seen->color, sizeof seen->color);
    rays.PopVector(vector);
}

}  // namespace

HalftoneMaterial::HalftoneMaterial() : CKvShaderMaterial(kHalftoneDesc) {}

KvResult HalftoneMaterial::cmt_LinkChannels(vt_IKvUnknown** eval, vt_IKvUnknown** item) {
    const KvResult rc = CKvShaderMaterial::cmt_LinkChannels(eval, item);
    m_pattern.link(eval, item);  // throws the host's code
    return rc;
}

void HalftoneMaterial::readExtra(CKvUser_Attributes& attr, void* block) {
    auto& b = *static_cast<HalftoneBlock*>(block);
    b.colorMode = b.colorMode < 0 ? 0 : (b.colorMode > 2 ? 2 : b.colorMode);
    if (!(b.specular >= 0.0f)) b.specular = 0.0f;
    if (!(b.reflection >= 0.0f)) b.reflection = 0.0f;
    const CameraLens lens = m_pattern.read(attr);
    b.apertureX = lens.apertureX;
    b.apertureY = lens.apertureY;
    b.focalLen = lens.focalLen;
    b.focusDist = lens.focusDist;
    kv::shader::StoreAngleTerms(b.cellAngle, b.sinAngle, b.cosAngle);
}

void HalftoneMaterial::evaluateExtra(vt_IKvUnknown**, int*, void* packet, const void* block) const {
    auto& p = *static_cast<st_KVpHalftone*>(packet);
    kv::shader::StoreAngleTerms(p.cellAngle, p.sinAngle, p.cosAngle);
    p.cellOffset = static_cast<const HalftoneBlock*>(block)->cellOffset;
}

void HalftoneMaterial::shade(const ShadeContext& ctx) const {
    const auto& b = *static_cast<const HalftoneBlock*>(ctx.block);
    st_KVpHalftone local;
    const st_KVpHalftone* p = static_cast<const st_KVpHalftone*>(ctx.packet);
    if (!p) {  // a vector without the material's packet shades from the read values
        PacketFromBlock(m_desc, b, local);
        p = &local;
    }
    CKvUser_Raycast1 rays(ctx.rayObj);
    const auto* ray = static_cast<const st_KVpSampleRay*>(ctx.host[kPacketRay]);

    const PatternParams params = PatternParamsFrom(*p, p->sinAngle, p->cosAngle, b.screenCoords, b.screenMode);
    const PatternSample sample = PatternSampleOf(ctx, kPacketTexture, kPacketResolution, kPacketNormal, kPacketRay);
    const PatternUV uv = PatternCoordinate(params, sample, m_pattern, rays);

    HalftoneSample s;
    s.u = uv.u;
    s.v = uv.v;
    s.parms = static_cast<const st_KVpSampleParms*>(ctx.host[kPacketParms]);
    float behind[3];
    if (p->seeThrough > 0.0f && ray) {
        SeenBehind(rays, ctx.vector, *ray, m_packets, packetOffset(kPacketRay), behind);
        s.behind = behind;
    }
    ShadeHalftone(*p, b, s, *ctx.sc, *ctx.out);
}

}  // namespace Halftone2_Shader
