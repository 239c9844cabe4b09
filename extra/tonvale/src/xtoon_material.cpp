#include "xtoon_material.h"

#include <cstring>

#include <kv/kv_guids.h>

#include "framework/globals.h"
#include "shader/shade_links.h"
#include "xtoon_channels.h"
#include "xtoon_listener.h"

namespace XToon_Shader {

using namespace kv::shader;

double XToonLookups::Gradient(XToonFilter filter, double input) const { return filters[filter].Evaluate(input); }

bool XToonLookups::ToneImageSize(uint32_t& width, uint32_t& height) const {
    width = height = 0;
    vt_IKvImage** image = toneImage.ptr();
    if (!image) return false;
    return KV_SUCCEEDED((*image)->Size(image, &width, &height));
}

void XToonLookups::TonePixel(uint32_t x, uint32_t y, float rgba[4]) const {
    // A pixel the image cannot give is transparent: the host's shading shows.
    rgba[0] = rgba[1] = rgba[2] = rgba[3] = 0.0f;
    if (vt_IKvImage** image = toneImage.ptr()) (*image)->GetPixel(image, x, y, KV_IMAGE_RGBA_FP, rgba);
}

XToonMaterial::XToonMaterial()
    : CKvShaderMaterial(kXToonDesc),
      m_dialogs(static_cast<vt_IKvStdDialogService**>(kv::GetGlobal(&kv::guid_StdDialogService))) {
    AcquireXToonListener();
}

XToonMaterial::~XToonMaterial() { ReleaseXToonListener(); }

KvResult XToonMaterial::cmt_LinkChannels(vt_IKvUnknown** eval, vt_IKvUnknown** item) {
    m_clipLinked = false;
    m_imageStack = {kUnlinked, kUnlinked};
    const KvResult rc = CKvShaderMaterial::cmt_LinkChannels(eval, item);
    if (KV_FAILED(rc) || !FindClip(item)) return rc;
    CKvUser_Evaluation evaluation(eval);
    m_imageStack.evalIndex = evaluation.AddChan(m_clip, m_imageStack.index);  // throws the host's code
    m_clipLinked = true;
    return KV_OK;
}

// The first item of the material's "shadeLoc" links that is a "videoClip"
// with an "imageStack" channel; a clip without one cannot give an image and
// counts as no clip.
bool XToonMaterial::FindClip(vt_IKvUnknown** itemObj) {
    if (!FindLinkedClip(itemObj, m_clip)) return false;
    const int index = m_clip.ChannelLookup("imageStack");
    if (index < 0) {
        m_clip.clear();
        return false;
    }
    m_imageStack.index = static_cast<uint32_t>(index);
    return true;
}

void XToonMaterial::readExtra(CKvUser_Attributes& attr, void* block) {
    auto& p = *static_cast<XToonPacketData*>(block);
    SetDepthRange(p, p.zMin, static_cast<float>(attr.GetFlt(link(kLinkZRange).evalIndex)));
    for (unsigned f = 0; f < kFilterCount; ++f) {
        void* obj = nullptr;
        if (KV_SUCCEEDED(attr.Value(link(kLinkFirstGradient + f).evalIndex, &obj)) && obj)
            m_lookups.filters[f].take(obj);
    }
    if (m_clipLinked) BuildToneImage(attr);
}

// Renders the clip's image filter into a square tone image inside a progress
// monitor. A filter that gives no image leaves the tone image cleared.
void XToonMaterial::BuildToneImage(CKvUser_Attributes& attr) {
    void* obj = nullptr;
    CKvUser_ImageFilter filter;
    if (KV_FAILED(attr.Value(m_imageStack.evalIndex, &obj)) || !filter.take(obj)) return;

    CKvUser_Monitor monitor;
    bool opened = false;
    if (m_dialogs) {
        void* mon = nullptr;
        opened = KV_SUCCEEDED((*m_dialogs)->MonitorAllocate(m_dialogs, "XToon Image", &mon));
        if (opened) monitor.take(mon);
    }
    m_lookups.toneImage.clear();
    filter.Generate(kToneImageSize, kToneImageSize, monitor, m_lookups.toneImage);
    if (opened) (*m_dialogs)->MonitorRelease(m_dialogs);
}

void XToonMaterial::driveField(vt_IKvUnknown** evaluator, int* idx, const SampleOverride& o, void* packet,
                               const void* block) const {
    if (o.link != kLinkZRange) return;
    // zMin has been driven already: the new range and zMin give zMax and the ratio.
    auto& p = *static_cast<XToonPacketData*>(packet);
    const auto& b = *static_cast<const XToonPacketData*>(block);
    const double range = nodalFloat(evaluator, idx, kLinkZRange, DepthRange(b));
    SetDepthRange(p, p.zMin, static_cast<float>(range));
}

void XToonMaterial::shade(const ShadeContext& ctx) const {
    if (!ctx.packet) return;
    // Without its own packet the sample shades from a copy of the block's
    // packet image: the shading writes the detail word, and the block is
    // shared by every sample of the evaluation.
    XToonPacketData copy;
    XToonPacketData* p = nullptr;
    if (ctx.packet == ctx.block) {
        std::memcpy(&copy, ctx.block, sizeof copy);
        p = &copy;
    } else {
        p = static_cast<XToonPacketData*>(const_cast<void*>(ctx.packet));
    }
    XToonSampleRecords rec;
    rec.parms = static_cast<const st_KVpSampleParms*>(ctx.host[kPacketParms]);
    rec.ray = static_cast<const st_KVpSampleRay*>(ctx.host[kPacketRay]);
    rec.normal = static_cast<const st_KVpSurfaceNormal*>(ctx.host[kPacketNormal]);
    ShadeXToon(*p, rec, m_lookups, *ctx.sc, *ctx.out);
}

}  // namespace XToon_Shader
