// Registration of the toon plug-in's three servers.
#include "framework/adaptor_module.h"
#include "framework/module.h"
#include "toon_material.h"
#include "toon_names.h"
#include "toon_packet.h"

void initialize() {
    kv::RegisterServer<ToonMaterial, CKvIfc_CustomMaterial<ToonMaterial>, CKvIfc_ChannelUI<ToonMaterial>,
                       CKvIfc_StaticDesc<ToonMaterial>>(kToonMaterialServer);
    kv::RegisterServer<ToonPacket, CKvIfc_VectorPacket<ToonPacket>, CKvIfc_StaticDesc<ToonPacket>>(kToonPacketName);
    kv::RegisterServer<ToonPFX, CKvIfc_PacketEffect<ToonPFX>, CKvIfc_StaticDesc<ToonPFX>>(kToonPFXServer);
}

void cleanup() {}
