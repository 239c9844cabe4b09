#include "shader/shader_packet.h"

namespace kv::shader {

KvResult CKvShaderPacket::vpkt_Initialize(void* packet) {
    if (!packet) return KV_E_FAILED;
    initialize(packet);
    return KV_OK;
}

KvResult CKvShaderPacket::vpkt_Blend(void*, void*, void*, float, int) { return KV_OK; }

}  // namespace kv::shader
