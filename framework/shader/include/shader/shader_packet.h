// The vector-packet base: a fixed-size packet whose defaults the shader writes.
#pragma once

#include <framework/framework.h>

namespace kv::shader {

class CKvShaderPacket : public CKvImpl_VectorPacket {
public:
    explicit CKvShaderPacket(unsigned size) : m_size(size) {}

    unsigned vpkt_Size() override { return m_size; }
    const char* vpkt_Interface() override { return nullptr; }
    // Writes the defaults through initialize(); a null packet is refused.
    KvResult vpkt_Initialize(void* packet) override;
    // Changes nothing.
    KvResult vpkt_Blend(void* packet, void* p0, void* p1, float t, int mode) override;

protected:
    virtual void initialize(void* packet) = 0;

private:
    unsigned m_size;
};

}  // namespace kv::shader
