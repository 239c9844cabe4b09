#include "dab_material.h"

#include <kv/kv_guids.h>

#include "dab_channels.h"
#include "dab_shading.h"
#include "dot_colour.h"
#include "framework/globals.h"
#include "point_search.h"
#include "point_table.h"

namespace Stipple_Shader {

using namespace kv::shader;

DabMaterial::DabMaterial()
    : PointMaterial(kDabDesc, offsetof(DabBlock, record)),
      m_imageService(kv::GetGlobal(&kv::guid_ImageService)),
      m_dialogs(static_cast<vt_IKvStdDialogService**>(kv::GetGlobal(&kv::guid_StdDialogService))),
      m_minSpacing(kTableMinSpacing) {
    MinPointSpacing(&m_minSpacing);
}

KvResult DabMaterial::cmt_LinkChannels(vt_IKvUnknown** eval, vt_IKvUnknown** item) {
    m_clipLinked = false;
    m_imageStack = {kUnlinked, kUnlinked};
    const KvResult rc = CKvShaderMaterial::cmt_LinkChannels(eval, item);
    if (KV_FAILED(rc)) return rc;
    if (FindLinkedClip(item, m_clip)) {
        const int index = m_clip.ChannelLookup("imageStack");
        m_imageStack.index = index < 0 ? kUnlinked : static_cast<uint32_t>(index);
        CKvUser_Evaluation evaluation(eval);
        m_imageStack.evalIndex = evaluation.AddChan(m_clip, m_imageStack.index);  // throws the host's code
        m_clipLinked = true;
    }
    linkPattern(eval, item);  // throws the host's code
    return KV_OK;
}

// Renders the clip's image filter into a new square image inside a progress
// monitor. A clip whose filter cannot be read keeps the previous image; a
// failed render leaves none.
void DabMaterial::RenderDabImage(CKvUser_Attributes& attr) {
    void* obj = nullptr;
    CKvUser_ImageFilter filter;
    if (KV_FAILED(attr.Value(m_imageStack.evalIndex, &obj)) || !filter.take(obj)) return;
    CKvUser_Monitor monitor;
    if (m_dialogs) {
        void* mon = nullptr;
        if (KV_SUCCEEDED((*m_dialogs)->MonitorAllocate(m_dialogs, "Dab Image", &mon))) monitor.take(mon);
    }
    m_image.clear();
    filter.Generate(kDabImageSize, kDabImageSize, monitor, m_image);
    if (m_dialogs) (*m_dialogs)->MonitorRelease(m_dialogs);  // closed whether or not it opened
}

void DabMaterial::readExtra(CKvUser_Attributes& attr, void* data) {
    auto& b = *static_cast<DabBlock*>(data);
    if (m_clipLinked) RenderDabImage(attr);
    ClampRead(b);
    b.colourHsv = ColourToHSV(b.packet.colour);
    // The record holds its own reference to the image (or a copy of its
    // pixels): samples of this block stamp it even after a later read has
    // replaced the material's.
    StoreLens(b, readPattern(attr, data, &m_image));  // last: the block now owns a record
}

void DabMaterial::evaluateExtra(vt_IKvUnknown**, int*, void* packet, const void* block) const {
    RefreshDrivenAngle(*static_cast<DabPacketData*>(packet), static_cast<const DabBlock*>(block)->packet);
}

void DabMaterial::shade(const ShadeContext& ctx) const {
    if (!ctx.packet) return;
    const auto& b = *static_cast<const DabBlock*>(ctx.block);
    const auto& own = *static_cast<const DabPacketData*>(ctx.packet);
    CKvUser_Raycast1 rays(ctx.rayObj);

    const PatternUV uv =
        coordinate(ctx, PatternParamsOf(own, b.screenMode), rays, kDabTexture, kDabResolution, kDabNormal, kDabRay);
    const ReadRecord* r = record(ctx.block);
    const DabPicture picture = r ? r->image.picture() : DabPicture{};
    const RaycastTrace through = traceThrough(ctx, rays, kDabRay);
    // The colour's HSV of the read stands while no driver changed the colour.
    const HSV* colourHsv = SameValues(own.colour, b.packet.colour, 3) ? &b.colourHsv : nullptr;
    ShadeDab({own, b.colorMode, ParmsOf(ctx, kDabParms), uv.u, uv.v, colourHsv}, picture, through, *ctx.sc,
             *ctx.out);
}

DabPacket::DabPacket() : CKvShaderPacket(sizeof(DabPacketData)) {}

// The values a new packet starts from; the other fields are left as they are.
void DabPacket::initialize(void* packet) {
    auto& p = *static_cast<DabPacketData*>(packet);
    p.tiles = 8.0f;
    p.tileOffset = 0.0f;
    p.drawSpecular = 0;
    p.pointRadius = 0.5f;
    p.seeThrough = p.brightness = p.contrast = 0.0f;
    p.shadows = 1.0f;
    p.rotVariation = 0.0f;
    p.hueVariation = p.satVariation = p.valVariation = 0.0f;
}

DabPFX::DabPFX() : CKvShaderPFX(kDabPacketName, kDabEffects) {}

void DabPFX::setValue(unsigned index, float* packet, const float* value) {
    CKvShaderPFX::setValue(index, packet, value);
    auto& p = *reinterpret_cast<DabPacketData*>(packet);
    if (index == kDabEffectAngle) kv::shader::StoreAngleTerms(p.angle, p.angleSin, p.angleCos);
}

}  // namespace Stipple_Shader
