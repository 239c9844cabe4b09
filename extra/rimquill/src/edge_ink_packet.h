// The "edge.ink.packet" vector packet.
#pragma once

#include <shader/shader_packet.h>

class EdgeInkPacket : public kv::shader::CKvShaderPacket {
public:
    EdgeInkPacket();
    static const st_KVtTagInfoDesc descInfo[];

protected:
    // Writes the colour and width fields (0 to 11); the edge weights and
    // switches (12 to 27) keep what the packet held.
    void initialize(void* packet) override;
};
