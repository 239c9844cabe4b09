// The plug-in's two hooks: register the edge-ink material, packet and effect.
#include <framework/module.h>
#include <shader/register_shader.h>

#include "edge_ink_material.h"
#include "edge_ink_names.h"
#include "edge_ink_packet.h"
#include "edge_ink_pfx.h"

void initialize()
{
    kv::shader::RegisterShader<EdgeInkMaterial, EdgeInkPacket, EdgeInkPFX>(kEdgeInkMaterialName, kEdgeInkPacketName,
                                                                            kEdgeInkEffectName);
}

void cleanup() {}
