// The halftone material "halftone2" (item type "material.halftone2"), its
// packet "halftone2.shader.packet" and its packet effect "Halftone2".
#pragma once

#include "framework/host_wrappers.h"
#include "halftone_layout.h"
#include "shader/packet_effect_table.h"
#include "shader/shade_links.h"
#include "shader/shader_material.h"
#include "shader/shader_packet.h"

namespace Halftone2_Shader {

class HalftoneMaterial final : public kv::shader::CKvShaderMaterial {
public:
    static const st_KVtTagInfoDesc descInfo[];

    HalftoneMaterial();

    // The shared links, then the render camera and the locators linked in "shadeLoc".
    KvResult cmt_LinkChannels(vt_IKvUnknown** eval, vt_IKvUnknown** item) override;

    const kv::shader::PatternLinks& patternLinks() const { return m_pattern; }

protected:
    void shade(const kv::shader::ShadeContext& ctx) const override;
    // Clamps, camera, locators, and the sine and cosine of the cell angle.
    void readExtra(CKvUser_Attributes& attr, void* block) override;
    // Sine and cosine of the per-sample angle; the cell offset from the block.
    void evaluateExtra(vt_IKvUnknown** evaluator, int* idx, void* packet, const void* block) const override;

private:
    kv::shader::PatternLinks m_pattern;  // render camera and locators
};

class HalftonePacket final : public kv::shader::CKvShaderPacket {
public:
    static const st_KVtTagInfoDesc descInfo[];
    HalftonePacket();

protected:
    void initialize(void* packet) override;
};

// "halftone2Angle" keeps the packet's sine and cosine with the angle.
class HTonePFX final : public kv::shader::CKvShaderPFX {
public:
    static const st_KVtTagInfoDesc descInfo[];
    HTonePFX();

protected:
    void setValue(unsigned index, float* packet, const float* value) override;
};

// Registers "halftone2", "halftone2.shader.packet" and "Halftone2".
void initialize();

}  // namespace Halftone2_Shader
