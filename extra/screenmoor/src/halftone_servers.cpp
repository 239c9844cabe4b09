// The packet and packet-effect servers, the tag tables and registration.
#include "halftone_channels.h"
#include "halftone_layout.h"
#include "halftone_material.h"
#include "shader/register_shader.h"

namespace Halftone2_Shader {

HalftonePacket::HalftonePacket() : CKvShaderPacket(sizeof(st_KVpHalftone)) {}

// The screen's geometry and colour; the other fields are filled per sample.
void HalftonePacket::initialize(void* packet) {
    auto* p = static_cast<st_KVpHalftone*>(packet);
    p->cellAngle = 0.0f;
    p->sinAngle = 0.0f;
    p->cosAngle = 1.0f;
    p->cellOffset = 0.0f;
    p->tiles = 64.0f;
    p->patColor[0] = p->patColor[1] = p->patColor[2] = 0.0f;
}

HTonePFX::HTonePFX() : CKvShaderPFX(kHalftonePacketName, kHalftoneEffects) {}

void HTonePFX::setValue(unsigned index, float* packet, const float* value) {
    CKvShaderPFX::setValue(index, packet, value);
    if (index != kEffectAngle) return;
    auto* p = reinterpret_cast<st_KVpHalftone*>(packet);
    kv::shader::StoreAngleTerms(p->cellAngle, p->sinAngle, p->cosAngle);
}

KV_SHADER_MATERIAL_TAGS(HalftoneMaterial, "Halftone2 Shader");
KV_SHADER_PACKET_TAGS(HalftonePacket, "Halftone2 Shader Packet");
KV_SHADER_EFFECT_TAGS(HTonePFX, "Halftone2 Packet FX");

void initialize() {
    kv::shader::RegisterShader<HalftoneMaterial, HalftonePacket, HTonePFX>("halftone2", kHalftonePacketName,
                                                                           "Halftone2");
}

}  // namespace Halftone2_Shader
