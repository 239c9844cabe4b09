// The toon material "toon": banded diffuse, specular and reflection shading
// of the item type "material.toon".
#pragma once

#include <cstdint>

#include "extensions/gradient_filter.h"
#include "framework/adaptor_material.h"
#include "framework/host_wrappers.h"
#include "toon_channels.h"
#include "toon_shading.h"

class ToonMaterial : public CKvImpl_CustomMaterial, public CKvImpl_ChannelUI {
public:
    static const st_KVtTagInfoDesc descInfo[];

    ToonMaterial();   // counts the material in the gradient listener's holder
    ~ToonMaterial() override;

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
    int cmt_Flags() override { return 0; }

    KvResult cui_Enabled(const char* channel, vt_IKvUnknown** msg, vt_IKvUnknown** item,
                         vt_IKvUnknown** chanRead) override;
    KvResult cui_DependencyCount(const char* channel, unsigned* count) override;
    KvResult cui_DependencyByIndex(const char* channel, unsigned index, int* itemType,
                                   const char** depChannel) override;
    KvResult cui_UIHints(const char* channel, vt_IKvUnknown** hints) override;

    // Code of "material.toon", looked up once.
    uint32_t MyType();

private:
    struct ChannelLink {
        int32_t index = -1;      // on the item; -1 when absent
        int32_t evalIndex = -1;  // in the evaluation
    };

    uint32_t m_type = 0;
    CKvUser_PacketService m_packets;
    ToonFilterSet<CKvUser_GradientFilter> m_grads;  // rebound at each read
    int32_t m_parmsOffset = -1;
    int32_t m_ownOffset = -1;
    ChannelLink m_links[toon_channels::kLinkCount];
    vt_IKvNodalService** m_nodal;
};
