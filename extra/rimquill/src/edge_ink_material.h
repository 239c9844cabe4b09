// The edge-ink material: ink lines over the host's colour where sub-sample
// ray casts around the sample find an edge.
#pragma once

#include <shader/shader_material.h>

class EdgeInkMaterial : public kv::shader::CKvShaderMaterial {
public:
    EdgeInkMaterial();
    static const st_KVtTagInfoDesc descInfo[];

protected:
    void shade(const kv::shader::ShadeContext& ctx) const override;

private:
    vt_IKvShaderService** m_shaderService;
    vt_IKvPacketService** m_packetService;
};
