// Registration of one material's three servers and their static tag tables.
#pragma once

#include <framework/framework.h>

namespace kv::shader {

// Material (CustomMaterial, ChannelUI, tags), packet (VectorPacket, tags),
// packet effect (PacketEffect, tags), registered in that order.
template <class Material, class Packet, class Effect>
void RegisterShader(const char* materialName, const char* packetName, const char* effectName) {
    kv::RegisterServer<Material, CKvIfc_CustomMaterial<Material>, CKvIfc_ChannelUI<Material>,
                       CKvIfc_StaticDesc<Material>>(materialName);
    kv::RegisterServer<Packet, CKvIfc_VectorPacket<Packet>, CKvIfc_StaticDesc<Packet>>(packetName);
    kv::RegisterServer<Effect, CKvIfc_PacketEffect<Effect>, CKvIfc_StaticDesc<Effect>>(effectName);
}

}  // namespace kv::shader

// Each class declares `static const st_KVtTagInfoDesc descInfo[];`; these
// define it with the rows of its server kind.
#define KV_SHADER_MATERIAL_TAGS(Class, userName)                                                     \
    const st_KVtTagInfoDesc Class::descInfo[] = {{"server.username", userName, nullptr},             \
                                                 {"server.logsubsystem", "comp-shader", nullptr},    \
                                                 {nullptr, nullptr, nullptr}}
#define KV_SHADER_PACKET_TAGS(Class, userName)                                                       \
    const st_KVtTagInfoDesc Class::descInfo[] = {{"server.username", userName, nullptr},             \
                                                 {"server.logsubsystem", "vector-packet", nullptr},  \
                                                 {"vpacket.category", "sample", nullptr},            \
                                                 {nullptr, nullptr, nullptr}}
#define KV_SHADER_EFFECT_TAGS(Class, userName)                                                       \
    const st_KVtTagInfoDesc Class::descInfo[] = {{"server.username", userName, nullptr},             \
                                                 {"server.logsubsystem", "texture-effect", nullptr}, \
                                                 {"textureFX.category", "surface", nullptr},         \
                                                 {nullptr, nullptr, nullptr}}
