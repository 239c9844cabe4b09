// The packet and packet-effect servers, the tag tables and registration.
#include <cstring>

#include "shader/register_shader.h"
#include "xtoon_channels.h"
#include "xtoon_material.h"

namespace XToon_Shader {

XToonPacket::XToonPacket() : CKvShaderPacket(kXToonPacketSize) {}

// patAlpha and the reserved words the host may look at; every other field is
// left as it is.
void XToonPacket::initialize(void* packet) {
    auto* p = static_cast<XToonPacketData*>(packet);
    p->patAlpha = 1.0f;
    const float one = 1.0f;
    for (unsigned word : {0u, 1u, 4u, 5u, 6u}) p->reserved[word] = 0;  // bytes 60, 64, 76, 80, 84
    std::memcpy(&p->reserved[2], &one, sizeof one);                   // bytes 68-71
}

XToonPFX::XToonPFX() : CKvShaderPFX(kXToonPacketName, kXToonEffects) {}

void XToonPFX::getValue(unsigned index, const float* packet, float* value) {
    if (index != kEffectRange) return CKvShaderPFX::getValue(index, packet, value);
    *value = DepthRange(*reinterpret_cast<const XToonPacketData*>(packet));
}

void XToonPFX::setValue(unsigned index, float* packet, const float* value) {
    if (index != kEffectZMin && index != kEffectRange) return CKvShaderPFX::setValue(index, packet, value);
    auto* p = reinterpret_cast<XToonPacketData*>(packet);
    if (index == kEffectZMin)
        SetDepthRange(*p, *value, DepthRange(*p));  // the range moves with the near distance
    else
        SetDepthRange(*p, p->zMin, *value);
}

KV_SHADER_MATERIAL_TAGS(XToonMaterial, "XToon Shader");
KV_SHADER_PACKET_TAGS(XToonPacket, "XToon Shader Packet");
KV_SHADER_EFFECT_TAGS(XToonPFX, "XToon Packet FX");

void initialize() {
    kv::shader::RegisterShader<XToonMaterial, XToonPacket, XToonPFX>("xtoon", kXToonPacketName, "XToon");
}

}  // namespace XToon_Shader
