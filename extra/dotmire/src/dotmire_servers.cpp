// Tag tables of the six servers and their registration: the stipple's
// material, packet and packet effect, then the dab's material, packet effect
// and packet.
#include "dotmire_registration.h"
#include "dab_channels.h"
#include "dab_material.h"
#include "shader/register_shader.h"
#include "stipple_channels.h"
#include "stipple_material.h"

namespace Stipple_Shader {

KV_SHADER_MATERIAL_TAGS(StippleMaterial, "Stipple Material");
KV_SHADER_PACKET_TAGS(StipplePacket, "Stipple Shader Packet");
KV_SHADER_EFFECT_TAGS(StipplePFX, "Stipple Packet FX");
KV_SHADER_MATERIAL_TAGS(DabMaterial, "Dab Material");
KV_SHADER_PACKET_TAGS(DabPacket, "Dab Shader Packet");
KV_SHADER_EFFECT_TAGS(DabPFX, "Dab Packet FX");

void initialize() {
    kv::shader::RegisterShader<StippleMaterial, StipplePacket, StipplePFX>("stipple", kStipplePacketName, "Stipple");
    kv::RegisterServer<DabMaterial, CKvIfc_CustomMaterial<DabMaterial>, CKvIfc_ChannelUI<DabMaterial>,
                       CKvIfc_StaticDesc<DabMaterial>>("dab");
    kv::RegisterServer<DabPFX, CKvIfc_PacketEffect<DabPFX>, CKvIfc_StaticDesc<DabPFX>>("Dab");
    kv::RegisterServer<DabPacket, CKvIfc_VectorPacket<DabPacket>, CKvIfc_StaticDesc<DabPacket>>(kDabPacketName);
}

}  // namespace Stipple_Shader
