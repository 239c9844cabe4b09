// The Gooch material, its packet and its packet effect.
#pragma once

#include "shader/packet_effect_table.h"
#include "shader/shader_material.h"
#include "shader/shader_packet.h"

namespace Gooch_Shader {

class GoochMaterial : public kv::shader::CKvShaderMaterial {
public:
    GoochMaterial();
    static const st_KVtTagInfoDesc descInfo[];

protected:
    void shade(const kv::shader::ShadeContext& ctx) const override;
};

class GoochPacket : public kv::shader::CKvShaderPacket {
public:
    GoochPacket();
    static const st_KVtTagInfoDesc descInfo[];

protected:
    void initialize(void* packet) override;
};

class GoochPFX : public kv::shader::CKvShaderPFX {
public:
    GoochPFX();
    static const st_KVtTagInfoDesc descInfo[];
};

// Registers "gooch", "gooch.packet" and "GoochPFX".
void initialize();

}  // namespace Gooch_Shader
