// The packet-effect base: named packet values that texture layers set and read.
#pragma once

#include <span>

#include <framework/framework.h>

namespace kv::shader {

// One value: a single float (flags 0x30) or a colour of three (0x31) at float
// index `field` of the packet.
struct EffectValue {
    const char* name;
    const char* type;
    int32_t flags;
    uint32_t field;
    unsigned floatCount() const { return flags == KV_PFX_FLAG_COLOR ? 3u : 1u; }
};
constexpr EffectValue ScalarValue(const char* name, const char* type, uint32_t field) {
    return {name, type, KV_PFX_FLAG_FLOAT, field};
}
constexpr EffectValue ColorValue(const char* name, uint32_t field) { return {name, "color1", KV_PFX_FLAG_COLOR, field}; }

// Any index outside the table (negative included) writes nothing and answers 0.
class CKvShaderPFX : public CKvImpl_PacketEffect {
public:
    CKvShaderPFX(const char* packetName, std::span<const EffectValue> values)
        : m_values(values), m_packetName(packetName) {}

    KvResult pfx_Packet(const char** packet) override;
    unsigned pfx_Count() override { return static_cast<unsigned>(m_values.size()); }
    KvResult pfx_ByIndex(int index, const char** name, const char** typeName, int* flags) override;
    KvResult pfx_Get(int index, void* packet, float* value, void* item) override;
    KvResult pfx_Set(int index, void* packet, const float* value, void* item) override;

protected:
    // Copies the value out of / into the packet; override for values that convert.
    virtual void getValue(unsigned index, const float* packet, float* value);
    virtual void setValue(unsigned index, float* packet, const float* value);

    const EffectValue* entry(int index) const;
    std::span<const EffectValue> m_values;

private:
    const char* m_packetName;
};

}  // namespace kv::shader
