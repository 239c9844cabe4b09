// The toon material "toon" of the item type "material.toon": banded diffuse,
// specular and reflection shading on the shared shader shape.
#pragma once

#include "extensions/gradient_filter.h"
#include "shader/shader_material.h"
#include "toon_shading.h"

class ToonMaterial : public kv::shader::CKvShaderMaterial {
public:
    static const st_KVtTagInfoDesc descInfo[];

    ToonMaterial();  // counts the material in the gradient listener's holder
    ~ToonMaterial() override;

protected:
    void shade(const kv::shader::ShadeContext& ctx) const override;
    // Binds the 26 gradient channels' filters (a failed read keeps the
    // previous binding).
    void readExtra(CKvUser_Attributes& attr, void* block) override;

private:
    // Members of the material, not of the block: every evaluation shades
    // with the filters read last (the host never reads while it shades).
    ToonFilterSet<CKvUser_GradientFilter> m_grads;
};
