#include "edge_ink_packet.h"

#include <shader/register_shader.h>

#include "edge_ink_params.h"

EdgeInkPacket::EdgeInkPacket() : CKvShaderPacket(sizeof(EdgeInkParams)) {}

void EdgeInkPacket::initialize(void* packet)
{
    auto* p = static_cast<EdgeInkParams*>(packet);
    p->edgeWidth = 2.0f;
    p->edgeOffset = 0.0f;
    for (float& c : p->edgeColor) c = 0.0f;
    p->edgeAlpha = 1.0f;
    p->seeThrough = 0.0f;
    p->edgeSoftness = 0.0f;
    for (float& c : p->edgeColor2) c = 0.0f;
    p->edgeAlpha2 = 1.0f;
}

KV_SHADER_PACKET_TAGS(EdgeInkPacket, "Edge Ink Packet");
