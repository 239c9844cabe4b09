// The dab material "dab" (item type "material.dab"), its packet
// "shader.dab.packet" and its packet effect "Dab".
#pragma once

#include "point_material.h"
#include "shader/packet_effect_table.h"
#include "shader/shader_packet.h"

namespace Stipple_Shader {

// Side of the square dab image rendered from a linked clip.
constexpr unsigned kDabImageSize = 256;

class DabMaterial final : public PointMaterial {
public:
    static const st_KVtTagInfoDesc descInfo[];
    DabMaterial();

    // The shared links, then the first "videoClip" the material links to in
    // "shadeLoc" (its "imageStack"), then the render camera and the locators.
    KvResult cmt_LinkChannels(vt_IKvUnknown** eval, vt_IKvUnknown** item) override;

    bool clipLinked() const { return m_clipLinked; }

protected:
    void shade(const kv::shader::ShadeContext& ctx) const override;
    // The dab image, clamps, the angle's sine and cosine, the camera and the
    // locators.
    void readExtra(CKvUser_Attributes& attr, void* block) override;
    // The sine and cosine of the sample's angle.
    void evaluateExtra(vt_IKvUnknown** evaluator, int* idx, void* packet, const void* block) const override;

private:
    void RenderDabImage(CKvUser_Attributes& attr);

    void* m_imageService;  // held for the host; images come from the clip's filter
    vt_IKvStdDialogService** m_dialogs;
    CKvUser_Image m_image;  // the last image rendered; kept when a read gives no filter
    CKvUser_Item m_clip;
    bool m_clipLinked = false;
    kv::shader::LinkPair m_imageStack{kv::shader::kUnlinked, kv::shader::kUnlinked};
    float m_minSpacing;
};

class DabPacket final : public kv::shader::CKvShaderPacket {
public:
    static const st_KVtTagInfoDesc descInfo[];
    DabPacket();

protected:
    void initialize(void* packet) override;
};

// "dabAngle" also sets its sine and cosine.
class DabPFX final : public kv::shader::CKvShaderPFX {
public:
    static const st_KVtTagInfoDesc descInfo[];
    DabPFX();

protected:
    void setValue(unsigned index, float* packet, const float* value) override;
};

}  // namespace Stipple_Shader
