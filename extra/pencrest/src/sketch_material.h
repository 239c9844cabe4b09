// The sketch-tone material "sketchtone" (item type "material.sketchtone"),
// its packet "sketchtone.shader.packet" and its packet effect "SketchTone".
#pragma once

#include "framework/host_wrappers.h"
#include "shader/packet_effect_table.h"
#include "shader/shade_links.h"
#include "shader/shader_material.h"
#include "shader/shader_packet.h"
#include "sketch_tone.h"

namespace SketchTone_Shader {

// Side of the square sketch map rendered from a linked clip.
constexpr unsigned kSketchMapSize = 1024;

// The sketch map rendered from the linked clip; empty when there is none.
class SketchMapLookup final : public SketchMapImage {
public:
    void Pixel(uint32_t x, uint32_t y, float rgba[4]) const override;
    // Records the size of `image` (0 x 0 when empty).
    void UpdateSize();
    CKvUser_Image image;
};

class SketchToneMaterial final : public kv::shader::CKvShaderMaterial {
public:
    static const st_KVtTagInfoDesc descInfo[];

    SketchToneMaterial();

    // The shared links, then the first "videoClip" linked in "shadeLoc"
    // (its "imageStack"), the render camera and the linked locators.
    KvResult cmt_LinkChannels(vt_IKvUnknown** eval, vt_IKvUnknown** item) override;

    const kv::shader::PatternLinks& patternLinks() const { return m_pattern; }
    const SketchMapImage& sketchMap() const { return m_map; }

protected:
    void shade(const kv::shader::ShadeContext& ctx) const override;
    // The sketch map, the camera lens and frame, the locators, sine and cosine.
    void readExtra(CKvUser_Attributes& attr, void* block) override;
    // Sine and cosine of the driven angle; the tile offset as read.
    void evaluateExtra(vt_IKvUnknown** evaluator, int* idx, void* packet, const void* block) const override;

private:
    void BuildSketchMap(CKvUser_Attributes& attr);
    // The colour seen through the surface along the sample's ray; black when
    // the host gives no traced vector.
    void TraceThrough(const kv::shader::ShadeContext& ctx, CKvUser_Raycast1& rays, const st_KVpSampleRay& ray,
                      float color[3]) const;

    CKvUser_StdDialogService m_dialogs;
    SketchMapLookup m_map;
    CKvUser_Item m_clip;
    bool m_clipLinked = false;
    kv::shader::LinkPair m_imageStack{kv::shader::kUnlinked, kv::shader::kUnlinked};
    kv::shader::PatternLinks m_pattern;
};

class SketchTonePacket final : public kv::shader::CKvShaderPacket {
public:
    static const st_KVtTagInfoDesc descInfo[];
    SketchTonePacket();

protected:
    void initialize(void* packet) override;
};

// "sketchAngle" in fractions of pi, keeping sine and cosine in step; every
// other value is a plain field.
class SketchTonePFX final : public kv::shader::CKvShaderPFX {
public:
    static const st_KVtTagInfoDesc descInfo[];
    SketchTonePFX();

protected:
    void getValue(unsigned index, const float* packet, float* value) override;
    void setValue(unsigned index, float* packet, const float* value) override;
};

// Registers "sketchtone", "sketchtone.shader.packet" and "SketchTone".
void initialize();

}  // namespace SketchTone_Shader
