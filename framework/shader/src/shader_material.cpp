#include "shader/shader_material.h"

#include <cstring>
#include <new>

#include "shader/disabled_message.h"

namespace kv::shader {
namespace {

constexpr std::align_val_t kBlockAlign{16};

template <class T>
T loadField(const void* base, int32_t offset) {
    T v;
    std::memcpy(&v, static_cast<const char*>(base) + offset, sizeof v);
    return v;
}
template <class T>
void storeField(void* base, int32_t offset, T v) {
    std::memcpy(static_cast<char*>(base) + offset, &v, sizeof v);
}

// Truncated toward zero; a value that is not a number or lies outside the
// 32-bit range (where the conversion is undefined) keeps `fallback`.
int32_t truncateToInt(double v, int32_t fallback) {
    return v > -2147483649.0 && v < 2147483648.0 ? static_cast<int32_t>(v) : fallback;
}

}  // namespace

CKvShaderMaterial::CKvShaderMaterial(const MaterialDesc& desc)
    : m_desc(desc),
      m_nodal(static_cast<vt_IKvNodalService**>(kv::GetGlobal(&kv::guid_NodalService))),
      m_links(desc.links.size(), LinkPair{kUnlinked, kUnlinked}),
      m_offsets(desc.hostPackets.size() + 1, -1) {}

KvResult CKvShaderMaterial::cmt_SetupChannels(vt_IKvUnknown** addChan) {
    CKvUser_AddChannel add(addChan);
    for (const ChannelSetup& ch : m_desc.channels) {
        add.NewChannel(ch.name, ch.type);
        if (std::strcmp(ch.type, "color1") == 0) {
            add.SetVector("RGB");
            add.SetDefaultVec(ch.rgb);
        } else {
            add.SetDefault(ch.dflt, ch.iDflt);
            if (ch.hints) add.SetHint(ch.hints);
        }
        if (ch.gradientInput) add.SetGradient(ch.gradientInput);
    }
    return KV_OK;
}

KvResult CKvShaderMaterial::cmt_LinkChannels(vt_IKvUnknown** eval, vt_IKvUnknown** item) {
    CKvUser_Evaluation ev(eval);
    CKvUser_Item it(item);
    for (size_t i = 0; i < m_links.size(); ++i) {
        const int index = it.ChannelLookup(m_desc.links[i].name);
        m_links[i].index = index < 0 ? kUnlinked : static_cast<uint32_t>(index);
    }
    for (size_t i = 0; i < m_links.size(); ++i) {
        uint32_t evalIndex = 0;
        const KvResult rc = ev.test() ? (*ev.ptr())->AddChannel(ev.ptr(), item, m_links[i].index, KV_EVAL_VALUE,
                                                                 &evalIndex)
                                      : KV_E_NOINTERFACE;
        if (KV_FAILED(rc)) throw static_cast<unsigned>(rc);
        m_links[i].evalIndex = evalIndex;
    }
    for (size_t i = 0; i < m_desc.hostPackets.size(); ++i) m_offsets[i] = m_packets.GetOffset("sample", m_desc.hostPackets[i]);
    m_offsets.back() = m_packets.GetOffset("sample", m_desc.packetName);
    return KV_OK;
}

KvResult CKvShaderMaterial::cmt_LinkSampleChannels(vt_IKvUnknown** eval, vt_IKvUnknown** item, int* idx) {
    if (!m_nodal || !idx) return KV_OK;
    for (const SampleLink& s : m_desc.sampleLinks) {
        const uint32_t index = m_links[s.link].index;
        if (index == kUnlinked) continue;  // the host would index the array at -1
        (*m_nodal)->AddSampleChan(m_nodal, eval, item, index, idx, s.mode);
    }
    return KV_OK;
}

int CKvShaderMaterial::cmt_IsSampleDriven(int* idx) {
    if (!m_nodal || !idx || m_desc.sampleDrivenCount == 0) return 0;
    const uint32_t first = m_links[m_desc.sampleDrivenFirst].index;
    if (first == kUnlinked) return 0;
    return (*m_nodal)->AnyDrivenChans(m_nodal, idx + first, m_desc.sampleDrivenCount);
}

KvResult CKvShaderMaterial::cmt_ReadChannels(vt_IKvUnknown** attr, void** data) {
    if (!data) return KV_E_FAILED;
    CKvUser_Attributes at(attr);
    void* block = ::operator new(m_desc.blockSize, kBlockAlign);
    std::memset(block, 0, m_desc.blockSize);
    try {
        for (size_t i = 0; i < m_links.size(); ++i) {
            const ChannelLink& l = m_desc.links[i];
            if (l.blockOffset < 0) continue;
            const uint32_t ev = m_links[i].evalIndex;
            switch (l.read) {
                case ReadKind::None: break;
                case ReadKind::Float: storeField(block, l.blockOffset, static_cast<float>(at.GetFlt(ev))); break;
                case ReadKind::Integer: storeField<int32_t>(block, l.blockOffset, at.GetInt(ev)); break;
                case ReadKind::Boolean: storeField<int32_t>(block, l.blockOffset, at.GetInt(ev) != 0 ? 1 : 0); break;
                case ReadKind::BooleanByte: storeField<uint8_t>(block, l.blockOffset, at.GetInt(ev) != 0 ? 1 : 0); break;
            }
        }
        readExtra(at, block);
    } catch (...) {
        ::operator delete(block, kBlockAlign);
        throw;
    }
    *data = block;
    return KV_OK;
}

double CKvShaderMaterial::nodalFloat(vt_IKvUnknown** evaluator, int* idx, unsigned i, double base) const {
    const uint32_t index = m_links[i].index;
    if (!m_nodal || index == kUnlinked) return base;
    return (*m_nodal)->GetFloat(m_nodal, evaluator, idx, index, base);
}

int32_t CKvShaderMaterial::nodalInt(vt_IKvUnknown** evaluator, int* idx, unsigned i, int32_t base) const {
    const uint32_t index = m_links[i].index;
    if (!m_nodal || index == kUnlinked) return base;
    return (*m_nodal)->GetInt(m_nodal, evaluator, idx, index, base);
}

void CKvShaderMaterial::cmt_MaterialEvaluate(vt_IKvUnknown** evaluator, int* idx, vt_IKvUnknown** vector, void* data) {
    void* packet = m_packets.FastPacket(vector, m_offsets.back());
    if (!packet || !data) return;
    if (m_desc.packetInBlock >= 0)
        std::memcpy(packet, static_cast<const char*>(data) + m_desc.packetInBlock, m_desc.packetSize);
    for (const SampleOverride& o : m_desc.overrides) {
        switch (o.kind) {
            case DriveKind::Float:
                storeField(packet, o.packetOffset,
                           static_cast<float>(nodalFloat(evaluator, idx, o.link, loadField<float>(data, o.blockOffset))));
                break;
            case DriveKind::Integer:
                storeField(packet, o.packetOffset, nodalInt(evaluator, idx, o.link, loadField<int32_t>(data, o.blockOffset)));
                break;
            case DriveKind::Boolean:
                storeField<int32_t>(packet, o.packetOffset,
                                    nodalInt(evaluator, idx, o.link, loadField<int32_t>(data, o.blockOffset)) != 0);
                break;
            case DriveKind::BooleanByte:
                storeField<uint8_t>(packet, o.packetOffset,
                                    nodalInt(evaluator, idx, o.link, loadField<uint8_t>(data, o.blockOffset)) != 0);
                break;
            case DriveKind::IntegerByFloat: {
                const int32_t base = loadField<int32_t>(data, o.blockOffset);
                storeField(packet, o.packetOffset, truncateToInt(nodalFloat(evaluator, idx, o.link, base), base));
                break;
            }
            case DriveKind::Material:
                driveField(evaluator, idx, o, packet, data);
                break;
        }
    }
    evaluateExtra(evaluator, idx, packet, data);
}

void CKvShaderMaterial::cmt_ShaderEvaluate(vt_IKvUnknown** vector, vt_IKvUnknown** rayObj, st_KVpShadeComponents* sc,
                                           st_KVpShadeOutput* out, void* data) {
    if (!sc || !out || !data) return;
    ShadeContext ctx{vector, rayObj, sc, out, data, nullptr, {}};
    ctx.packet = m_packets.FastPacket(vector, m_offsets.back());
    if (!ctx.packet && m_desc.packetInBlock >= 0) ctx.packet = static_cast<const char*>(data) + m_desc.packetInBlock;
    for (size_t i = 0; i < m_desc.hostPackets.size() && i < kMaxHostPackets; ++i)
        ctx.host[i] = m_packets.FastPacket(vector, m_offsets[i]);
    shade(ctx);
}

KvResult CKvShaderMaterial::cmt_SetOpaque(int* opaque) {
    if (opaque) *opaque = 0;
    return KV_OK;
}

KvResult CKvShaderMaterial::cmt_CustomPacket(const char** packet) {
    if (packet) *packet = m_desc.packetName;
    return KV_OK;
}

void CKvShaderMaterial::cmt_Cleanup(void* data) {
    if (data) ::operator delete(data, kBlockAlign);
}

int CKvShaderMaterial::cmt_Flags() { return m_desc.flags; }

unsigned CKvShaderMaterial::MyType() {
    if (m_itemType == 0) {
        auto** scene = static_cast<vt_IKvSceneService**>(kv::GetGlobal(&kv::guid_SceneService));
        uint32_t code = 0;
        if (scene && KV_SUCCEEDED((*scene)->ItemTypeLookup(scene, m_desc.itemType, &code))) m_itemType = code;
    }
    return m_itemType;
}

KvResult CKvShaderMaterial::cui_Enabled(const char* channel, vt_IKvUnknown** msg, vt_IKvUnknown** item,
                                        vt_IKvUnknown** chanRead) {
    if (m_desc.ui.switches.empty()) return CKvImpl_ChannelUI::cui_Enabled(channel, msg, item, chanRead);
    for (const SwitchRule& r : m_desc.ui.switches) {
        if (!r.channel.matches(channel)) continue;
        if (!r.enabledWhen(ReadSwitch(item, chanRead, r.switchChannel))) return DisabledChannelMessage(msg, r.message);
    }
    return KV_OK;
}

namespace {

// The switch channel a dependent channel names at `index`, or null when it has none.
const char* dependencyAt(const ChannelUIRules& ui, const char* channel, unsigned index, unsigned* count) {
    for (const DependencyRule& d : ui.dependencies) {
        if (!d.channel.matches(channel)) continue;
        if (count) *count = static_cast<unsigned>(d.switches.size());
        if (d.switches.empty()) return nullptr;  // a rule without switches: no dependency
        return d.switches[index < d.switches.size() ? index : d.switches.size() - 1];
    }
    unsigned n = 0;
    const char* found = nullptr;
    for (const SwitchRule& r : ui.switches) {
        if (!r.channel.matches(channel)) continue;
        if (n == 0 || n <= index) found = r.switchChannel;
        ++n;
    }
    if (count) *count = n;
    return found;
}

}  // namespace

KvResult CKvShaderMaterial::cui_DependencyCount(const char* channel, unsigned* count) {
    if (m_desc.ui.switches.empty() && m_desc.ui.dependencies.empty())
        return CKvImpl_ChannelUI::cui_DependencyCount(channel, count);
    unsigned n = 0;
    dependencyAt(m_desc.ui, channel, 0, &n);
    if (count) *count = n;
    return KV_OK;
}

KvResult CKvShaderMaterial::cui_DependencyByIndex(const char* channel, unsigned index, int* itemType,
                                                  const char** depChannel) {
    if (m_desc.ui.switches.empty() && m_desc.ui.dependencies.empty())
        return CKvImpl_ChannelUI::cui_DependencyByIndex(channel, index, itemType, depChannel);
    const char* dep = dependencyAt(m_desc.ui, channel, index, nullptr);
    if (!dep) return KV_E_OUTOFBOUNDS;
    if (itemType) *itemType = static_cast<int>(MyType());
    if (depChannel) *depChannel = dep;
    return KV_OK;
}

KvResult CKvShaderMaterial::cui_UIHints(const char* channel, vt_IKvUnknown** hints) {
    for (const ChannelMatch& m : m_desc.ui.hints) {
        if (!m.matches(channel)) continue;
        CKvUser_UIHints h(hints);
        h.ChannelFlags(4);
        return KV_OK;
    }
    return KV_E_NOTIMPL;
}

}  // namespace kv::shader
