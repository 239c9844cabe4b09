#include "toon_material.h"

#include "shader/register_shader.h"
#include "toon_listener.h"
#include "toon_tables.h"

using namespace toon_tables;

KV_SHADER_MATERIAL_TAGS(ToonMaterial, "Toon Material");

ToonMaterial::ToonMaterial() : CKvShaderMaterial(Desc()) { AcquireToonListener(); }

ToonMaterial::~ToonMaterial() { ReleaseToonListener(); }

void ToonMaterial::readExtra(CKvUser_Attributes& attr, void*) {
    auto bind = [&](CKvUser_GradientFilter& filter, unsigned linkIndex) {
        void* obj = nullptr;
        if (KV_SUCCEEDED(attr.Value(link(linkIndex).evalIndex, &obj)) && obj) filter.take(obj);
    };
    bind(m_grads.spec, kSpecGrad);
    bind(m_grads.refl, kReflGrad);
    for (int b = 0; b < kToonMaxBands; ++b)
        for (int c = 0; c < 3; ++c) bind(m_grads.bandFilter(c, b), kGradFirst + 3 * b + c);
}

void ToonMaterial::shade(const kv::shader::ShadeContext& ctx) const {
    if (!ctx.packet) return;
    const auto* parms = static_cast<const st_KVpSampleParms*>(ctx.host[0]);
    toonShade(*static_cast<const ToonPacketData*>(ctx.packet), parms, m_grads, *ctx.sc, *ctx.out);
}
