// The material base every shader derives from: the host's material road
// (set-up, link, sample-link, read, per-sample evaluation, clean-up) and the
// channel user interface, driven by the shader's MaterialDesc tables.
#pragma once

#include <vector>

#include <framework/framework.h>

#include "shader/channel_table.h"

namespace kv::shader {

// The records of one sample that cmt_ShaderEvaluate hands to the shading.
struct ShadeContext {
    vt_IKvUnknown** vector;
    vt_IKvUnknown** rayObj;
    st_KVpShadeComponents* sc;
    st_KVpShadeOutput* out;
    const void* block;
    const void* packet;                 // own packet, or the block's packet image, or null
    const void* host[kMaxHostPackets];  // host packets in MaterialDesc::hostPackets order, null when absent
};

// A channel's (item index, evaluation index); kUnlinked when not found.
struct LinkPair {
    uint32_t index;
    uint32_t evalIndex;
};
inline constexpr uint32_t kUnlinked = 0xFFFFFFFFu;

class CKvShaderMaterial : public CKvImpl_CustomMaterial, public CKvImpl_ChannelUI {
public:
    explicit CKvShaderMaterial(const MaterialDesc& desc);

    KvResult cmt_SetupChannels(vt_IKvUnknown** addChan) override;
    KvResult cmt_LinkChannels(vt_IKvUnknown** eval, vt_IKvUnknown** item) override;
    KvResult cmt_LinkSampleChannels(vt_IKvUnknown** eval, vt_IKvUnknown** item, int* idx) override;
    int cmt_IsSampleDriven(int* idx) override;
    KvResult cmt_ReadChannels(vt_IKvUnknown** attr, void** data) override;
    void cmt_MaterialEvaluate(vt_IKvUnknown** evaluator, int* idx, vt_IKvUnknown** vector, void* data) override;
    void cmt_ShaderEvaluate(vt_IKvUnknown** vector, vt_IKvUnknown** rayObj, st_KVpShadeComponents* sc,
                            st_KVpShadeOutput* out, void* data) override;
    KvResult cmt_SetOpaque(int* opaque) override;
    KvResult cmt_CustomPacket(const char** packet) override;
    void cmt_Cleanup(void* data) override;
    int cmt_Flags() override;

    KvResult cui_Enabled(const char* channel, vt_IKvUnknown** msg, vt_IKvUnknown** item,
                         vt_IKvUnknown** chanRead) override;
    KvResult cui_DependencyCount(const char* channel, unsigned* count) override;
    KvResult cui_DependencyByIndex(const char* channel, unsigned index, int* itemType,
                                   const char** depChannel) override;
    KvResult cui_UIHints(const char* channel, vt_IKvUnknown** hints) override;

    // The item type code of the material, looked up once (0 while unknown).
    unsigned MyType();

    const LinkPair& link(unsigned i) const { return m_links[i]; }
    int packetOffset(unsigned i) const { return m_offsets[i]; }  // hostPackets order, then the own packet

protected:
    // Shades one sample (no lock, no allocation, no throw).
    virtual void shade(const ShadeContext& ctx) const = 0;
    // After the table reads, before the block goes to the host (may throw).
    virtual void readExtra(CKvUser_Attributes& attr, void* block) { (void)attr; (void)block; }
    // A DriveKind::Material override, called in its place in the override
    // table (no lock, no allocation, no throw).
    virtual void driveField(vt_IKvUnknown** evaluator, int* idx, const SampleOverride& o, void* packet,
                            const void* block) const {
        (void)evaluator; (void)idx; (void)o; (void)packet; (void)block;
    }
    // After the per-sample overrides (no lock, no allocation, no throw).
    virtual void evaluateExtra(vt_IKvUnknown** evaluator, int* idx, void* packet, const void* block) const {
        (void)evaluator; (void)idx; (void)packet; (void)block;
    }

    // Per-sample value of link `i` through the nodal service, `base` when not driven.
    double nodalFloat(vt_IKvUnknown** evaluator, int* idx, unsigned i, double base) const;
    int32_t nodalInt(vt_IKvUnknown** evaluator, int* idx, unsigned i, int32_t base) const;

    const MaterialDesc& m_desc;
    CKvUser_PacketService m_packets;
    vt_IKvNodalService** m_nodal;

private:
    unsigned m_itemType = 0;
    std::vector<LinkPair> m_links;
    std::vector<int> m_offsets;
};

}  // namespace kv::shader
