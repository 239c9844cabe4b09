// The X-toon material "xtoon" (item type "material.xtoon"), its packet
// "xtoon.shader.packet" and its packet effect "XToon".
#pragma once

#include "extensions/gradient_filter.h"
#include "framework/host_wrappers.h"
#include "shader/packet_effect_table.h"
#include "shader/shader_material.h"
#include "shader/shader_packet.h"
#include "xtoon_tone.h"

namespace XToon_Shader {

// Side of the square tone image rendered from a linked clip.
constexpr unsigned kToneImageSize = 256;

// The material's gradient filters and tone image, as the shading looks them up.
class XToonLookups final : public XToonToneTables {
public:
    double Gradient(XToonFilter filter, double input) const override;
    bool ToneImageSize(uint32_t& width, uint32_t& height) const override;
    void TonePixel(uint32_t x, uint32_t y, float rgba[4]) const override;

    CKvUser_GradientFilter filters[kFilterCount];
    CKvUser_Image toneImage;
};

class XToonMaterial final : public kv::shader::CKvShaderMaterial {
public:
    static const st_KVtTagInfoDesc descInfo[];

    XToonMaterial();   // counts the material in the gradient listener's holder
    ~XToonMaterial() override;

    // The shared links, then the first "videoClip" item the material links to
    // in "shadeLoc", whose "imageStack" is added to the evaluation.
    KvResult cmt_LinkChannels(vt_IKvUnknown** eval, vt_IKvUnknown** item) override;

    bool clipLinked() const { return m_clipLinked; }

protected:
    void shade(const kv::shader::ShadeContext& ctx) const override;
    // zMax and the ratio from zRange, the gradient filters and the tone image.
    void readExtra(CKvUser_Attributes& attr, void* block) override;
    // zRange per sample, recomputing zMax and the ratio.
    void driveField(vt_IKvUnknown** evaluator, int* idx, const kv::shader::SampleOverride& o, void* packet,
                    const void* block) const override;

private:
    bool FindClip(vt_IKvUnknown** item);
    void BuildToneImage(CKvUser_Attributes& attr);

    vt_IKvStdDialogService** m_dialogs;
    XToonLookups m_lookups;
    CKvUser_Item m_clip;
    bool m_clipLinked = false;
    kv::shader::LinkPair m_imageStack{kv::shader::kUnlinked, kv::shader::kUnlinked};
};

class XToonPacket final : public kv::shader::CKvShaderPacket {
public:
    static const st_KVtTagInfoDesc descInfo[];
    XToonPacket();

protected:
    void initialize(void* packet) override;
};

// "xToonZMin" and "xToonRange" keep zMax and the depth ratio consistent with
// the near distance and the range; every other value is a plain field.
class XToonPFX final : public kv::shader::CKvShaderPFX {
public:
    static const st_KVtTagInfoDesc descInfo[];
    XToonPFX();

protected:
    void getValue(unsigned index, const float* packet, float* value) override;
    void setValue(unsigned index, float* packet, const float* value) override;
};

// Registers "xtoon", "xtoon.shader.packet" and "XToon".
void initialize();

}  // namespace XToon_Shader
