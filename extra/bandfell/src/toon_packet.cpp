#include "toon_packet.h"

#include "shader/register_shader.h"
#include "toon_layout.h"
#include "toon_names.h"
#include "toon_tables.h"

KV_SHADER_PACKET_TAGS(ToonPacket, "ToonMaterial Shader Packet");
KV_SHADER_EFFECT_TAGS(ToonPFX, "ToonMaterial Packet FX");

ToonPacket::ToonPacket() : CKvShaderPacket(sizeof(ToonPacketData)) {}

void ToonPacket::initialize(void* packet) {
    auto* p = static_cast<ToonPacketData*>(packet);
    p->diffBands = 3;  // not the channel default 4
    p->reserved0 = 8;
    p->specBands = 0;
    p->reflBands = 0;
    p->diffLevel = 0.5f;
    p->diffShift = 0.0f;
    p->specLevel = 0.5f;
    p->reflLevel = 0.5f;
    const float starts[3] = {0.0f, 1.0f / 3.0f, 2.0f / 3.0f};
    for (int b = 0; b < 3; ++b) {
        ToonBand& band = p->bands[b];
        band.start = starts[b];
        band.soft = 0.0f;
        band.color[0] = band.color[1] = band.color[2] = 1.0f;
        band.alpha = 0.0f;
    }
}

ToonPFX::ToonPFX() : CKvShaderPFX(kToonPacketName, toon_tables::Effects()) {}
