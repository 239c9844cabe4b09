// The vector packet "toon.shader.packet" and its packet effect "ToonMaterial".
#pragma once

#include "shader/packet_effect_table.h"
#include "shader/shader_packet.h"

class ToonPacket : public kv::shader::CKvShaderPacket {
public:
    static const st_KVtTagInfoDesc descInfo[];
    ToonPacket();

protected:
    // Three white bands at 0, 1/3 and 2/3; the other words are left as they are.
    void initialize(void* packet) override;
};

// 35 values: base alpha and colour, diffuse shift, then per band start,
// colour, alpha and soft. Indices outside the table write nothing.
class ToonPFX : public kv::shader::CKvShaderPFX {
public:
    static const st_KVtTagInfoDesc descInfo[];
    ToonPFX();
};
