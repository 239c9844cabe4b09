// The base of the stipple and dab materials: the camera and locators they
// link after their own channels, the read record each block carries (camera
// frame, locator projections, dab image), the per-sample pattern coordinate
// and the colour seen through the surface.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "dab_image_view.h"
#include "dot_shading.h"
#include "shader/pattern_coords.h"
#include "shader/shade_links.h"
#include "shader/shader_material.h"
#include "shader/shading_math.h"

namespace Stipple_Shader {

// What one read saw, kept with its block so that samples still shading an
// earlier block keep using what that block was read with.
struct ReadRecord {
    kv::shader::CameraFrame frame;
    std::vector<kv::shader::LocatorView> locators;
    DabImageView image;  // the dab image (none for the stipple material)
};

// The colour a ray traced on from the sample returns through the host's
// Raycast1: black without a ray object, a sample ray or a new vector.
class RaycastTrace final : public TracedColour {
public:
    RaycastTrace(CKvUser_Raycast1& rays, const CKvUser_PacketService& packets, vt_IKvUnknown** vector,
                 const st_KVpSampleRay* ray, int rayOffset)
        : m_rays(rays), m_packets(packets), m_vector(vector), m_ray(ray), m_rayOffset(rayOffset) {}
    void trace(float rgb[3]) const override;

private:
    CKvUser_Raycast1& m_rays;
    const CKvUser_PacketService& m_packets;
    vt_IKvUnknown** m_vector;
    const st_KVpSampleRay* m_ray;
    int m_rayOffset;
};

class PointMaterial : public kv::shader::CKvShaderMaterial {
public:
    // `recordOffset`: where the block keeps its ReadRecord pointer.
    PointMaterial(const kv::shader::MaterialDesc& desc, std::size_t recordOffset);

    // Releases the block's read record, then the block.
    void cmt_Cleanup(void* data) override;

    const kv::shader::PatternLinks& patternLinks() const { return m_pattern; }

protected:
    // The camera and the locators, after the material's own links.
    void linkPattern(vt_IKvUnknown** eval, vt_IKvUnknown** item) { m_pattern.link(eval, item); }
    // Reads the camera and the locators into a new record that the block
    // keeps, with `image` (and, within the copy budget, its pixels) when
    // given; returns the lens for the block's header.
    kv::shader::CameraLens readPattern(CKvUser_Attributes& attr, void* block, const CKvUser_Image* image = nullptr);

    static const ReadRecord* recordOf(const void* block, std::size_t offset);
    const ReadRecord* record(const void* block) const { return recordOf(block, m_recordOffset); }

    // The sample's parameters (zeros when the vector has none) and the colour
    // seen through it, by the packets' places in the host packet list.
    static const st_KVpSampleParms& ParmsOf(const kv::shader::ShadeContext& ctx, unsigned parms);
    RaycastTrace traceThrough(const kv::shader::ShadeContext& ctx, CKvUser_Raycast1& rays, unsigned ray) const;

    // The sample's pattern coordinate with its host packets (by index in the
    // material's host packet list) and its block's record.
    kv::shader::PatternUV coordinate(const kv::shader::ShadeContext& ctx, const kv::shader::PatternParams& params,
                                     CKvUser_Raycast1& rays, unsigned texture, unsigned resolution, unsigned normal,
                                     unsigned ray) const;

private:
    kv::shader::PatternLinks m_pattern;
    std::size_t m_recordOffset;
};


// The point count held between 1 and the table's length.
int32_t ClampPointCount(int32_t n);
// The colour mode held between 0 (ink) and 2 (scratch).
int32_t ClampColourMode(int32_t mode);

// The clamps of a fresh read (both blocks name their fields alike): the
// point count, the colour mode, specular and reflection not below 0; then
// the angle's sine and cosine.
template <class Block>
void ClampRead(Block& b) {
    b.packet.pointNum = ClampPointCount(b.packet.pointNum);
    b.colorMode = ClampColourMode(b.colorMode);
    if (b.packet.specular < 0.0f) b.packet.specular = 0.0f;
    if (b.packet.reflection < 0.0f) b.packet.reflection = 0.0f;
    kv::shader::StoreAngleTerms(b.packet.angle, b.packet.angleSin, b.packet.angleCos);
}

// Whether `count` floats hold the same values bit for bit (a value a driver
// left as read).
inline bool SameValues(const float* a, const float* b, int count) {
    for (int i = 0; i < count; ++i)
        if (std::bit_cast<uint32_t>(a[i]) != std::bit_cast<uint32_t>(b[i])) return false;
    return true;
}

// The sample's packet starts as a copy of the read one, whose angle terms
// were computed at read: they are computed again only for an angle a driver
// changed.
template <class Packet>
void RefreshDrivenAngle(Packet& p, const Packet& read) {
    if (!SameValues(&p.angle, &read.angle, 1)) kv::shader::StoreAngleTerms(p.angle, p.angleSin, p.angleCos);
}

// The lens into a block's header.
template <class Block>
void StoreLens(Block& b, const kv::shader::CameraLens& lens) {
    b.apertureX = lens.apertureX;
    b.apertureY = lens.apertureY;
    b.focalLen = lens.focalLen;
    b.focusDist = lens.focusDist;
}

// The pattern-coordinate values of a sample's packet and its block's screen mode.
template <class Packet>
kv::shader::PatternParams PatternParamsOf(const Packet& own, int32_t screenMode) {
    return kv::shader::PatternParamsFrom(own, own.angleSin, own.angleCos, own.screenCoords != 0, screenMode);
}

}  // namespace Stipple_Shader
