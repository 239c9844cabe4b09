#include "shader/packet_effect_table.h"

namespace kv::shader {

KvResult CKvShaderPFX::pfx_Packet(const char** packet) {
    if (packet) *packet = m_packetName;
    return KV_OK;
}

const EffectValue* CKvShaderPFX::entry(int index) const {
    if (index < 0 || static_cast<size_t>(index) >= m_values.size()) return nullptr;
    return &m_values[static_cast<size_t>(index)];
}

KvResult CKvShaderPFX::pfx_ByIndex(int index, const char** name, const char** typeName, int* flags) {
    const EffectValue* v = entry(index);
    if (!v) return KV_OK;
    if (name) *name = v->name;
    if (typeName) *typeName = v->type;
    if (flags) *flags = v->flags;
    return KV_OK;
}

KvResult CKvShaderPFX::pfx_Get(int index, void* packet, float* value, void*) {
    if (entry(index) && packet && value) getValue(static_cast<unsigned>(index), static_cast<const float*>(packet), value);
    return KV_OK;
}

KvResult CKvShaderPFX::pfx_Set(int index, void* packet, const float* value, void*) {
    if (entry(index) && packet && value) setValue(static_cast<unsigned>(index), static_cast<float*>(packet), value);
    return KV_OK;
}

void CKvShaderPFX::getValue(unsigned index, const float* packet, float* value) {
    const EffectValue& v = m_values[index];
    for (unsigned c = 0; c < v.floatCount(); ++c) value[c] = packet[v.field + c];
}

void CKvShaderPFX::setValue(unsigned index, float* packet, const float* value) {
    const EffectValue& v = m_values[index];
    for (unsigned c = 0; c < v.floatCount(); ++c) packet[v.field + c] = value[c];
}

}  // namespace kv::shader
