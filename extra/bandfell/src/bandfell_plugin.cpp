// The plug-in's two hooks: registration of the toon material's three servers.
#include "framework/module.h"
#include "shader/register_shader.h"
#include "toon_material.h"
#include "toon_names.h"
#include "toon_packet.h"

void initialize() {
    kv::shader::RegisterShader<ToonMaterial, ToonPacket, ToonPFX>(kToonMaterialServer, kToonPacketName,
                                                                   kToonPFXServer);
}

void cleanup() {}
