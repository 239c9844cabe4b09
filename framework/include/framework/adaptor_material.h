// Adaptors of the CustomMaterial and ChannelUI interfaces.
#pragma once

#include "framework/adaptor_call.h"
#include "kv/kv_guids.h"
#include "kv/kv_served.h"

class CKvImpl_CustomMaterial {
public:
    virtual ~CKvImpl_CustomMaterial() = default;
    virtual KvResult cmt_SetupChannels(vt_IKvUnknown** addChan);
    virtual KvResult cmt_LinkChannels(vt_IKvUnknown** eval, vt_IKvUnknown** item);
    virtual KvResult cmt_LinkSampleChannels(vt_IKvUnknown** eval, vt_IKvUnknown** item, int* idx);  // 0
    virtual int cmt_IsSampleDriven(int* idx);                                                     // 1
    virtual KvResult cmt_ReadChannels(vt_IKvUnknown** attr, void** data);
    virtual KvResult cmt_Customize(vt_IKvUnknown** custom, void** data);
    // Per sample: no lock, no allocation.
    virtual void cmt_MaterialEvaluate(vt_IKvUnknown** evaluator, int* idx, vt_IKvUnknown** vector, void* data);
    virtual void cmt_ShaderEvaluate(vt_IKvUnknown** vector, vt_IKvUnknown** rayObj, st_KVpShadeComponents* sc,
                                    st_KVpShadeOutput* out, void* data);
    virtual KvResult cmt_SetShadeFlags(st_KVpShadeFlags* flags);
    virtual KvResult cmt_SetBump(float* amplitude, int* clearBump);
    virtual KvResult cmt_SetDisplacement(float* dispDist);
    virtual KvResult cmt_SetOpaque(int* opaque);
    virtual KvResult cmt_SetSmoothing(double* smooth, double* angle);
    virtual KvResult cmt_CustomPacket(const char** packet);
    virtual void cmt_Cleanup(void* data);
    virtual KvResult cmt_UpdatePreview(int chanIdx, int* flags);
    virtual int cmt_Flags() = 0;
};

class CKvImpl_ChannelUI {
public:
    virtual ~CKvImpl_ChannelUI() = default;
    virtual KvResult cui_Enabled(const char* channel, vt_IKvUnknown** msg, vt_IKvUnknown** item,
                                 vt_IKvUnknown** chanRead);
    virtual KvResult cui_DependencyCount(const char* channel, unsigned* count);
    virtual KvResult cui_DependencyByIndex(const char* channel, unsigned index, int* itemType,
                                           const char** depChannel);
    virtual KvResult cui_DependencyByIndexName(const char* channel, unsigned index, const char** itemTypeName,
                                               const char** depChannel);
    virtual KvResult cui_ItemEnabled(vt_IKvUnknown** msg, vt_IKvUnknown** item);
    virtual KvResult cui_ItemIcon(vt_IKvUnknown** item, const char** icon);
    virtual KvResult cui_UIHints(const char* channel, vt_IKvUnknown** hints);
    virtual KvResult cui_UIValueHints(const char* channel, void** out);
    virtual KvResult cui_Cookie(const char* channel, const char* request, const char** cookie);
};

template <class T>
class CKvIfc_CustomMaterial : public CKvInterface {
    using B = CKvImpl_CustomMaterial;
    template <class F>
    static KvResult C(void* self, F&& f) { return kv::adaptor::Catching<B, T>(self, f); }

    static KvResult SetupChannels(void* s, vt_IKvUnknown** a) {
        return C(s, [&](B* o) { return o->cmt_SetupChannels(a); });
    }
    static KvResult LinkChannels(void* s, vt_IKvUnknown** e, vt_IKvUnknown** i) {
        return C(s, [&](B* o) { return o->cmt_LinkChannels(e, i); });
    }
    static KvResult LinkSampleChannels(void* s, vt_IKvUnknown** e, vt_IKvUnknown** i, int32_t* idx) {
        return C(s, [&](B* o) { return o->cmt_LinkSampleChannels(e, i, idx); });
    }
    static int32_t IsSampleDriven(void* s, int32_t* idx) {
        return kv::adaptor::Plain<B, T>(s, 1, [&](B* o) { return o->cmt_IsSampleDriven(idx); });
    }
    static KvResult ReadChannels(void* s, vt_IKvUnknown** a, void** d) {
        return C(s, [&](B* o) { return o->cmt_ReadChannels(a, d); });
    }
    static KvResult Customize(void* s, vt_IKvUnknown** c, void** d) {
        return C(s, [&](B* o) { return o->cmt_Customize(c, d); });
    }
    static void MaterialEvaluate(void* s, vt_IKvUnknown** ev, int32_t* idx, vt_IKvUnknown** vec, void* d) {
        kv::adaptor::PlainVoid<B, T>(s, [&](B* o) { o->cmt_MaterialEvaluate(ev, idx, vec, d); });
    }
    static void ShaderEvaluate(void* s, vt_IKvUnknown** vec, vt_IKvUnknown** ray, st_KVpShadeComponents* sc,
                               st_KVpShadeOutput* out, void* d) {
        kv::adaptor::PlainVoid<B, T>(s, [&](B* o) { o->cmt_ShaderEvaluate(vec, ray, sc, out, d); });
    }
    static KvResult SetShadeFlags(void* s, st_KVpShadeFlags* f) {
        return C(s, [&](B* o) { return o->cmt_SetShadeFlags(f); });
    }
    static KvResult SetBump(void* s, float* a, int32_t* c) { return C(s, [&](B* o) { return o->cmt_SetBump(a, c); }); }
    static KvResult SetDisplacement(void* s, float* d) {
        return C(s, [&](B* o) { return o->cmt_SetDisplacement(d); });
    }
    static KvResult SetOpaque(void* s, int32_t* op) { return C(s, [&](B* o) { return o->cmt_SetOpaque(op); }); }
    static KvResult SetSmoothing(void* s, double* sm, double* an) {
        return C(s, [&](B* o) { return o->cmt_SetSmoothing(sm, an); });
    }
    static KvResult CustomPacket(void* s, const char** p) {
        return C(s, [&](B* o) { return o->cmt_CustomPacket(p); });
    }
    static void Cleanup(void* s, void* d) {
        kv::adaptor::PlainVoid<B, T>(s, [&](B* o) { o->cmt_Cleanup(d); });
    }
    static KvResult UpdatePreview(void* s, int32_t ch, int32_t* f) {
        return C(s, [&](B* o) { return o->cmt_UpdatePreview(ch, f); });
    }
    static int32_t Flags(void* s) {
        return kv::adaptor::Plain<B, T>(s, 0, [](B* o) { return o->cmt_Flags(); });
    }
    vt_IKvCustomMaterial m_vt{};

public:
    CKvIfc_CustomMaterial() : CKvInterface(&kv::guid_CustomMaterial, &m_vt.unk) {
        m_vt.SetupChannels = SetupChannels;
        m_vt.LinkChannels = LinkChannels;
        m_vt.LinkSampleChannels = LinkSampleChannels;
        m_vt.IsSampleDriven = IsSampleDriven;
        m_vt.ReadChannels = ReadChannels;
        m_vt.Customize = Customize;
        m_vt.MaterialEvaluate = MaterialEvaluate;
        m_vt.ShaderEvaluate = ShaderEvaluate;
        m_vt.SetShadeFlags = SetShadeFlags;
        m_vt.SetBump = SetBump;
        m_vt.SetDisplacement = SetDisplacement;
        m_vt.SetOpaque = SetOpaque;
        m_vt.SetSmoothing = SetSmoothing;
        m_vt.CustomPacket = CustomPacket;
        m_vt.Cleanup = Cleanup;
        m_vt.UpdatePreview = UpdatePreview;
        m_vt.Flags = Flags;
    }
};

template <class T>
class CKvIfc_ChannelUI : public CKvInterface {
    using B = CKvImpl_ChannelUI;
    template <class F>
    static KvResult C(void* self, F&& f) { return kv::adaptor::Catching<B, T>(self, f); }

    static KvResult Enabled(void* s, const char* ch, vt_IKvUnknown** m, vt_IKvUnknown** i, vt_IKvUnknown** r) {
        return C(s, [&](B* o) { return o->cui_Enabled(ch, m, i, r); });
    }
    static KvResult DependencyCount(void* s, const char* ch, uint32_t* n) {
        return C(s, [&](B* o) { return o->cui_DependencyCount(ch, n); });
    }
    static KvResult DependencyByIndex(void* s, const char* ch, uint32_t i, int32_t* t, const char** d) {
        return C(s, [&](B* o) { return o->cui_DependencyByIndex(ch, i, t, d); });
    }
    static KvResult DependencyByIndexName(void* s, const char* ch, uint32_t i, const char** t, const char** d) {
        return C(s, [&](B* o) { return o->cui_DependencyByIndexName(ch, i, t, d); });
    }
    static KvResult ItemEnabled(void* s, vt_IKvUnknown** m, vt_IKvUnknown** i) {
        return C(s, [&](B* o) { return o->cui_ItemEnabled(m, i); });
    }
    static KvResult ItemIcon(void* s, vt_IKvUnknown** i, const char** icon) {
        return C(s, [&](B* o) { return o->cui_ItemIcon(i, icon); });
    }
    static KvResult UIHints(void* s, const char* ch, vt_IKvUnknown** h) {
        return C(s, [&](B* o) { return o->cui_UIHints(ch, h); });
    }
    static KvResult UIValueHints(void* s, const char* ch, void** out) {
        return C(s, [&](B* o) { return o->cui_UIValueHints(ch, out); });
    }
    static KvResult Cookie(void* s, const char* ch, const char* req, const char** c) {
        return C(s, [&](B* o) { return o->cui_Cookie(ch, req, c); });
    }
    vt_IKvChannelUI m_vt{};

public:
    CKvIfc_ChannelUI() : CKvInterface(&kv::guid_ChannelUI, &m_vt.unk) {
        m_vt.Enabled = Enabled;
        m_vt.DependencyCount = DependencyCount;
        m_vt.DependencyByIndex = DependencyByIndex;
        m_vt.DependencyByIndexName = DependencyByIndexName;
        m_vt.ItemEnabled = ItemEnabled;
        m_vt.ItemIcon = ItemIcon;
        m_vt.UIHints = UIHints;
        m_vt.UIValueHints = UIValueHints;
        m_vt.Cookie = Cookie;
    }
};
