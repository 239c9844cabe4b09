// The stipple material "stipple" (item type "material.stipple"), its packet
// "stipple.shader.packet" and its packet effect "Stipple".
#pragma once

#include "point_grid.h"
#include "point_material.h"
#include "shader/packet_effect_table.h"
#include "shader/shader_packet.h"

namespace Stipple_Shader {

class StippleMaterial final : public PointMaterial {
public:
    static const st_KVtTagInfoDesc descInfo[];
    StippleMaterial();

    // The shared links, then the render camera and the linked locators.
    KvResult cmt_LinkChannels(vt_IKvUnknown** eval, vt_IKvUnknown** item) override;

protected:
    void shade(const kv::shader::ShadeContext& ctx) const override;
    // Clamps, the angle's sine and cosine, the colour's hue, saturation and
    // value, the camera and the locators.
    void readExtra(CKvUser_Attributes& attr, void* block) override;
    // The sine and cosine, the point count and the colour's HSV of the
    // sample's own values.
    void evaluateExtra(vt_IKvUnknown** evaluator, int* idx, void* packet, const void* block) const override;

private:
    float m_minSpacing;
    PointGrid m_grid;  // the table bucketed by cells; the shading searches the table itself
};

class StipplePacket final : public kv::shader::CKvShaderPacket {
public:
    static const st_KVtTagInfoDesc descInfo[];
    StipplePacket();

protected:
    void initialize(void* packet) override;
};

// "stippleColor" also sets the colour's hue, saturation and value;
// "stippleAngle" its sine and cosine.
class StipplePFX final : public kv::shader::CKvShaderPFX {
public:
    static const st_KVtTagInfoDesc descInfo[];
    StipplePFX();

protected:
    void setValue(unsigned index, float* packet, const float* value) override;
};

}  // namespace Stipple_Shader
