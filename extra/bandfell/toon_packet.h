// The vector packet "toon.shader.packet" and its packet effect "ToonMaterial".
#pragma once

#include "framework/adaptor_packet.h"

class ToonPacket : public CKvImpl_VectorPacket {
public:
    static const st_KVtTagInfoDesc descInfo[];
    unsigned vpkt_Size() override;
    const char* vpkt_Interface() override { return nullptr; }
    KvResult vpkt_Initialize(void* packet) override;
    KvResult vpkt_Blend(void*, void*, void*, float, int) override { return KV_OK; }
};

class ToonPFX : public CKvImpl_PacketEffect {
public:
    static const st_KVtTagInfoDesc descInfo[];
    static constexpr unsigned kCount = 35;
    KvResult pfx_Packet(const char** packet) override;
    unsigned pfx_Count() override { return kCount; }
    KvResult pfx_ByIndex(int index, const char** name, const char** typeName, int* flags) override;
    KvResult pfx_Get(int index, void* packet, float* value, void* item) override;
    KvResult pfx_Set(int index, void* packet, const float* value, void* item) override;
};
