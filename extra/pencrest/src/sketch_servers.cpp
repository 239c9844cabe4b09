// The packet and packet-effect servers, the tag tables and registration.
#include "shader/register_shader.h"
#include "sketch_channels.h"
#include "sketch_material.h"

namespace SketchTone_Shader {

namespace {
constexpr double kPi = 3.141592653589793;
}

SketchTonePacket::SketchTonePacket() : CKvShaderPacket(kSketchTonePacketSize) {}

// Angle 0, 8 tiles, an opaque black pattern; fields 9 to 26 are left as
// they are.
void SketchTonePacket::initialize(void* packet) {
    auto* p = static_cast<st_KVpSketchTone*>(packet);
    p->angle = 0.0f;
    p->sine = 0.0f;
    p->cosine = 1.0f;
    p->tileOffset = 0.0f;
    p->tiles = 8.0f;
    p->patColor[0] = p->patColor[1] = p->patColor[2] = 0.0f;
    p->patAlpha = 1.0f;
}

SketchTonePFX::SketchTonePFX() : CKvShaderPFX(kSketchTonePacketName, kSketchEffects) {}

// "sketchAngle" is given in fractions of pi; setting it keeps the sine and
// cosine in step.
void SketchTonePFX::getValue(unsigned index, const float* packet, float* value) {
    if (index != kEffectAngle) return CKvShaderPFX::getValue(index, packet, value);
    *value = static_cast<float>(reinterpret_cast<const st_KVpSketchTone*>(packet)->angle / kPi);
}

void SketchTonePFX::setValue(unsigned index, float* packet, const float* value) {
    if (index != kEffectAngle) return CKvShaderPFX::setValue(index, packet, value);
    auto* p = reinterpret_cast<st_KVpSketchTone*>(packet);
    p->angle = static_cast<float>(double(*value) * kPi);
    SetAngleTerms(*p);
}

KV_SHADER_MATERIAL_TAGS(SketchToneMaterial, "SketchTone Shader");
KV_SHADER_PACKET_TAGS(SketchTonePacket, "SketchTone Shader Packet");
KV_SHADER_EFFECT_TAGS(SketchTonePFX, "SketchTone Packet FX");

void initialize() {
    kv::shader::RegisterShader<SketchToneMaterial, SketchTonePacket, SketchTonePFX>(
        "sketchtone", kSketchTonePacketName, "SketchTone");
}

}  // namespace SketchTone_Shader
