// The packet effect through which texture layers drive the edge-ink packet.
#pragma once

#include <shader/packet_effect_table.h>

class EdgeInkPFX : public kv::shader::CKvShaderPFX {
public:
    EdgeInkPFX();
    static const st_KVtTagInfoDesc descInfo[];
};
