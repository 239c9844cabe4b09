#include "point_material.h"

#include <cmath>
#include <cstring>
#include <memory>

#include "point_table.h"

namespace Stipple_Shader {

using namespace kv::shader;

PointMaterial::PointMaterial(const MaterialDesc& desc, std::size_t recordOffset)
    : CKvShaderMaterial(desc), m_recordOffset(recordOffset) {}

const ReadRecord* PointMaterial::recordOf(const void* block, std::size_t offset) {
    const ReadRecord* r = nullptr;
    if (block) std::memcpy(&r, static_cast<const char*>(block) + offset, sizeof r);
    return r;
}

void PointMaterial::cmt_Cleanup(void* data) {
    delete recordOf(data, m_recordOffset);
    CKvShaderMaterial::cmt_Cleanup(data);
}

CameraLens PointMaterial::readPattern(CKvUser_Attributes& attr, void* block, const CKvUser_Image* image) {
    const CameraLens lens = m_pattern.read(attr);
    auto record = std::make_unique<ReadRecord>();
    record->frame = m_pattern.frame();
    record->locators = m_pattern.views();
    if (image) record->image.read(*image);
    ReadRecord* held = record.release();
    std::memcpy(static_cast<char*>(block) + m_recordOffset, &held, sizeof held);
    return lens;
}

PatternUV PointMaterial::coordinate(const ShadeContext& ctx, const PatternParams& params, CKvUser_Raycast1& rays,
                                    unsigned texture, unsigned resolution, unsigned normal, unsigned ray) const {
    const PatternSample sample = PatternSampleOf(ctx, texture, resolution, normal, ray);
    static const CameraFrame kNoCamera;
    const ReadRecord* r = record(ctx.block);
    if (!r) return PatternCoordinate(params, sample, kNoCamera, nullptr, 0, rays);
    return PatternCoordinate(params, sample, r->frame, r->locators.data(), r->locators.size(), rays);
}

const st_KVpSampleParms& PointMaterial::ParmsOf(const ShadeContext& ctx, unsigned parms) {
    static const st_KVpSampleParms kNone{};
    const auto* p = static_cast<const st_KVpSampleParms*>(ctx.host[parms]);
    return p ? *p : kNone;
}

RaycastTrace PointMaterial::traceThrough(const ShadeContext& ctx, CKvUser_Raycast1& rays, unsigned ray) const {
    return RaycastTrace(rays, m_packets, ctx.vector, static_cast<const st_KVpSampleRay*>(ctx.host[ray]),
                        packetOffset(ray));
}

void RaycastTrace::trace(float rgb[3]) const {
    rgb[0] = rgb[1] = rgb[2] = 0.0f;
    if (!m_ray || !m_rays.test()) return;
    const double origin[3] = {m_ray->origin[0], m_ray->origin[1], m_ray->origin[2]};
    vt_IKvUnknown** traced = m_rays.PushVector(m_vector);
    if (!traced) return;
    m_rays.TraceRay(traced, origin, m_ray->dir, KV_RAY_SEETHROUGH);
    if (const auto* back = static_cast<const st_KVpSampleRay*>(m_packets.FastPacket(traced, m_rayOffset)))
        std::memcpy(rgb, back->color, 3 * sizeof(float));
    m_rays.PopVector(m_vector);
}

int32_t ClampPointCount(int32_t n) { return n < 1 ? 1 : (n > kTablePointCount ? kTablePointCount : n); }

int32_t ClampColourMode(int32_t mode) { return mode < 0 ? 0 : (mode > 2 ? 2 : mode); }

}  // namespace Stipple_Shader
