#include "stipple_material.h"

#include <cstring>

#include "dot_colour.h"
#include "point_search.h"
#include "point_table.h"
#include "stipple_channels.h"
#include "stipple_shading.h"

namespace Stipple_Shader {

using namespace kv::shader;

namespace {

// Hue, saturation and value of the packet's colour.
void SetColourHSV(StipplePacketData& p) {
    const HSV hsv = ColourToHSV(p.colour);
    p.hue = hsv.hue;
    p.saturation = hsv.sat;
    p.value = hsv.val;
}

}  // namespace

StippleMaterial::StippleMaterial()
    : PointMaterial(kStippleDesc, offsetof(StippleBlock, record)), m_minSpacing(kTableMinSpacing) {
    MinPointSpacing(&m_minSpacing);
    m_grid.Rebuild(PointTable8192, kTablePointCount);
}

KvResult StippleMaterial::cmt_LinkChannels(vt_IKvUnknown** eval, vt_IKvUnknown** item) {
    const KvResult rc = CKvShaderMaterial::cmt_LinkChannels(eval, item);
    if (KV_FAILED(rc)) return rc;
    linkPattern(eval, item);  // throws the host's code
    return KV_OK;
}

void StippleMaterial::readExtra(CKvUser_Attributes& attr, void* data) {
    auto& b = *static_cast<StippleBlock*>(data);
    ClampRead(b);
    SetColourHSV(b.packet);
    StoreLens(b, readPattern(attr, data));  // last: the block now owns a record
}

// The colour's HSV, like the angle terms, was computed at read: it is computed
// again only for a colour that a driver changed.
void StippleMaterial::evaluateExtra(vt_IKvUnknown**, int*, void* packet, const void* block) const {
    auto& p = *static_cast<StipplePacketData*>(packet);
    const StipplePacketData& read = static_cast<const StippleBlock*>(block)->packet;
    RefreshDrivenAngle(p, read);
    p.pointNum = ClampPointCount(p.pointNum);
    if (!SameValues(p.colour, read.colour, 3)) SetColourHSV(p);
}

void StippleMaterial::shade(const ShadeContext& ctx) const {
    if (!ctx.packet) return;
    const auto& b = *static_cast<const StippleBlock*>(ctx.block);
    const auto& own = *static_cast<const StipplePacketData*>(ctx.packet);
    CKvUser_Raycast1 rays(ctx.rayObj);

    const PatternUV uv = coordinate(ctx, PatternParamsOf(own, b.screenMode), rays, kStippleTexture,
                                    kStippleResolution, kStippleNormal, kStippleRay);
    const RaycastTrace through = traceThrough(ctx, rays, kStippleRay);
    ShadeStipple({own, b.colorMode, b.drawSpecular, ParmsOf(ctx, kStippleParms), uv.u, uv.v}, through, *ctx.sc,
                 *ctx.out);
}

StipplePacket::StipplePacket() : CKvShaderPacket(sizeof(StipplePacketData)) {}

// The values a new packet starts from; the other fields are left as they are.
void StipplePacket::initialize(void* packet) {
    auto& p = *static_cast<StipplePacketData*>(packet);
    p.tiles = 8.0f;
    p.tileOffset = 0.0f;
    p.reserved0 = 0.5f;
    p.pointSize = 0.5f;
    p.reserved2 = 1.0f;
    p.colour[0] = p.colour[1] = p.colour[2] = 0.0f;
    p.alpha = 1.0f;
    const float reserved3[5] = {0.0f, 1.0f, 1.0f, 1.0f, 1.0f};
    std::memcpy(p.reserved3, reserved3, sizeof reserved3);
    p.seeThrough = p.brightness = p.contrast = 0.0f;
    p.shadows = 1.0f;
    p.reserved4 = 0.0f;
    p.hueVariation = p.satVariation = p.valVariation = 0.0f;
    p.hue = p.saturation = p.value = 0.0f;
}

StipplePFX::StipplePFX() : CKvShaderPFX(kStipplePacketName, kStippleEffects) {}

void StipplePFX::setValue(unsigned index, float* packet, const float* value) {
    CKvShaderPFX::setValue(index, packet, value);
    auto& p = *reinterpret_cast<StipplePacketData*>(packet);
    if (index == kStippleEffectColor) SetColourHSV(p);
    else if (index == kStippleEffectAngle) kv::shader::StoreAngleTerms(p.angle, p.angleSin, p.angleCos);
}

}  // namespace Stipple_Shader
