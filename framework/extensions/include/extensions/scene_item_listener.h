// The SceneItemListener adaptor pair: the base whose thirty callbacks do
// nothing, and the method-table record that forwards the host's calls to it.
// The callbacks return nothing and must not throw; the table functions catch
// nothing of their own (a stray exception is swallowed at the boundary).
#pragma once

#include <cstdint>

#include <kv/kv_guids.h>
#include <kv/kv_served.h>

#include "framework/adaptor_call.h"
#include "framework/com.h"

class CKvImpl_SceneItemListener {
public:
    virtual ~CKvImpl_SceneItemListener() = default;
    virtual void sil_SceneCreate(vt_IKvUnknown** /*scene*/) {}
    virtual void sil_SceneDestroy(vt_IKvUnknown** /*scene*/) {}
    virtual void sil_SceneFilename(vt_IKvUnknown** /*scene*/, const char* /*filename*/) {}
    virtual void sil_SceneClear(vt_IKvUnknown** /*scene*/) {}
    virtual void sil_ItemPreChange(vt_IKvUnknown** /*scene*/) {}
    virtual void sil_ItemPostDelete(vt_IKvUnknown** /*scene*/) {}
    virtual void sil_ItemAdd(vt_IKvUnknown** /*item*/) {}
    virtual void sil_ItemRemove(vt_IKvUnknown** /*item*/) {}
    virtual void sil_ItemParent(vt_IKvUnknown** /*item*/) {}
    virtual void sil_ItemChild(vt_IKvUnknown** /*item*/) {}
    virtual void sil_ItemAddChannel(vt_IKvUnknown** /*item*/) {}
    virtual void sil_ItemLocal(vt_IKvUnknown** /*item*/) {}
    virtual void sil_ItemName(vt_IKvUnknown** /*item*/) {}
    virtual void sil_ItemSource(vt_IKvUnknown** /*item*/) {}
    virtual void sil_ItemPackage(vt_IKvUnknown** /*item*/) {}
    virtual void sil_ChannelValue(const char* /*action*/, vt_IKvUnknown** /*item*/, uint32_t /*channel*/) {}
    virtual void sil_LinkAdd(const char* /*graph*/, vt_IKvUnknown** /*from*/, vt_IKvUnknown** /*to*/) {}
    virtual void sil_LinkRemBefore(const char* /*graph*/, vt_IKvUnknown** /*from*/, vt_IKvUnknown** /*to*/) {}
    virtual void sil_LinkRemAfter(const char* /*graph*/, vt_IKvUnknown** /*from*/, vt_IKvUnknown** /*to*/) {}
    virtual void sil_LinkSet(const char* /*graph*/, vt_IKvUnknown** /*from*/, vt_IKvUnknown** /*to*/) {}
    virtual void sil_ChanLinkAdd(const char* /*graph*/, vt_IKvUnknown** /*from*/, uint32_t /*fromChan*/, vt_IKvUnknown** /*to*/, uint32_t /*toChan*/) {}
    virtual void sil_ChanLinkRemBefore(const char* /*graph*/, vt_IKvUnknown** /*from*/, uint32_t /*fromChan*/, vt_IKvUnknown** /*to*/, uint32_t /*toChan*/) {}
    virtual void sil_ChanLinkRemAfter(const char* /*graph*/, vt_IKvUnknown** /*from*/, uint32_t /*fromChan*/, vt_IKvUnknown** /*to*/, uint32_t /*toChan*/) {}
    virtual void sil_ChanLinkSet(const char* /*graph*/, vt_IKvUnknown** /*from*/, uint32_t /*fromChan*/, vt_IKvUnknown** /*to*/, uint32_t /*toChan*/) {}
    virtual void sil_ItemTag(vt_IKvUnknown** /*item*/) {}
    virtual void sil_ItemRemoveChannel(vt_IKvUnknown** /*item*/) {}
    virtual void sil_ItemChannelName(vt_IKvUnknown** /*item*/, uint32_t /*channel*/) {}
    virtual void sil_ItemChannelDefault(vt_IKvUnknown** /*item*/, uint32_t /*channel*/) {}
    virtual void sil_ItemChannelMinMax(vt_IKvUnknown** /*item*/, uint32_t /*channel*/) {}
    virtual void sil_ItemChannelType(vt_IKvUnknown** /*item*/, uint32_t /*channel*/) {}
};

template <class T>
class CKvIfc_SceneItemListener : public CKvInterface {
    using B = CKvImpl_SceneItemListener;
    static void SceneCreate(void* s, vt_IKvUnknown** scene) {
        kv::adaptor::PlainVoid<B, T>(s, [&](B* o) { o->sil_SceneCreate(scene); });
    }
    static void SceneDestroy(void* s, vt_IKvUnknown** scene) {
        kv::adaptor::PlainVoid<B, T>(s, [&](B* o) { o->sil_SceneDestroy(scene); });
    }
    static void SceneFilename(void* s, vt_IKvUnknown** scene, const char* filename) {
        kv::adaptor::PlainVoid<B, T>(s, [&](B* o) { o->sil_SceneFilename(scene, filename); });
    }
    static void SceneClear(void* s, vt_IKvUnknown** scene) {
        kv::adaptor::PlainVoid<B, T>(s, [&](B* o) { o->sil_SceneClear(scene); });
    }
    static void ItemPreChange(void* s, vt_IKvUnknown** scene) {
        kv::adaptor::PlainVoid<B, T>(s, [&](B* o) { o->sil_ItemPreChange(scene); });
    }
    static void ItemPostDelete(void* s, vt_IKvUnknown** scene) {
        kv::adaptor::PlainVoid<B, T>(s, [&](B* o) { o->sil_ItemPostDelete(scene); });
    }
    static void ItemAdd(void* s, vt_IKvUnknown** item) {
        kv::adaptor::PlainVoid<B, T>(s, [&](B* o) { o->sil_ItemAdd(item); });
    }
    static void ItemRemove(void* s, vt_IKvUnknown** item) {
        kv::adaptor::PlainVoid<B, T>(s, [&](B* o) { o->sil_ItemRemove(item); });
    }
    static void ItemParent(void* s, vt_IKvUnknown** item) {
        kv::adaptor::PlainVoid<B, T>(s, [&](B* o) { o->sil_ItemParent(item); });
    }
    static void ItemChild(void* s, vt_IKvUnknown** item) {
        kv::adaptor::PlainVoid<B, T>(s, [&](B* o) { o->sil_ItemChild(item); });
    }
    static void ItemAddChannel(void* s, vt_IKvUnknown** item) {
        kv::adaptor::PlainVoid<B, T>(s, [&](B* o) { o->sil_ItemAddChannel(item); });
    }
    static void ItemLocal(void* s, vt_IKvUnknown** item) {
        kv::adaptor::PlainVoid<B, T>(s, [&](B* o) { o->sil_ItemLocal(item); });
    }
    static void ItemName(void* s, vt_IKvUnknown** item) {
        kv::adaptor::PlainVoid<B, T>(s, [&](B* o) { o->sil_ItemName(item); });
    }
    static void ItemSource(void* s, vt_IKvUnknown** item) {
        kv::adaptor::PlainVoid<B, T>(s, [&](B* o) { o->sil_ItemSource(item); });
    }
    static void ItemPackage(void* s, vt_IKvUnknown** item) {
        kv::adaptor::PlainVoid<B, T>(s, [&](B* o) { o->sil_ItemPackage(item); });
    }
    static void ChannelValue(void* s, const char* action, vt_IKvUnknown** item, uint32_t channel) {
        kv::adaptor::PlainVoid<B, T>(s, [&](B* o) { o->sil_ChannelValue(action, item, channel); });
    }
    static void LinkAdd(void* s, const char* graph, vt_IKvUnknown** from, vt_IKvUnknown** to) {
        kv::adaptor::PlainVoid<B, T>(s, [&](B* o) { o->sil_LinkAdd(graph, from, to); });
    }
    static void LinkRemBefore(void* s, const char* graph, vt_IKvUnknown** from, vt_IKvUnknown** to) {
        kv::adaptor::PlainVoid<B, T>(s, [&](B* o) { o->sil_LinkRemBefore(graph, from, to); });
    }
    static void LinkRemAfter(void* s, const char* graph, vt_IKvUnknown** from, vt_IKvUnknown** to) {
        kv::adaptor::PlainVoid<B, T>(s, [&](B* o) { o->sil_LinkRemAfter(graph, from, to); });
    }
    static void LinkSet(void* s, const char* graph, vt_IKvUnknown** from, vt_IKvUnknown** to) {
        kv::adaptor::PlainVoid<B, T>(s, [&](B* o) { o->sil_LinkSet(graph, from, to); });
    }
    static void ChanLinkAdd(void* s, const char* graph, vt_IKvUnknown** from, uint32_t fromChan, vt_IKvUnknown** to, uint32_t toChan) {
        kv::adaptor::PlainVoid<B, T>(s, [&](B* o) { o->sil_ChanLinkAdd(graph, from, fromChan, to, toChan); });
    }
    static void ChanLinkRemBefore(void* s, const char* graph, vt_IKvUnknown** from, uint32_t fromChan, vt_IKvUnknown** to, uint32_t toChan) {
        kv::adaptor::PlainVoid<B, T>(s, [&](B* o) { o->sil_ChanLinkRemBefore(graph, from, fromChan, to, toChan); });
    }
    static void ChanLinkRemAfter(void* s, const char* graph, vt_IKvUnknown** from, uint32_t fromChan, vt_IKvUnknown** to, uint32_t toChan) {
        kv::adaptor::PlainVoid<B, T>(s, [&](B* o) { o->sil_ChanLinkRemAfter(graph, from, fromChan, to, toChan); });
    }
    static void ChanLinkSet(void* s, const char* graph, vt_IKvUnknown** from, uint32_t fromChan, vt_IKvUnknown** to, uint32_t toChan) {
        kv::adaptor::PlainVoid<B, T>(s, [&](B* o) { o->sil_ChanLinkSet(graph, from, fromChan, to, toChan); });
    }
    static void ItemTag(void* s, vt_IKvUnknown** item) {
        kv::adaptor::PlainVoid<B, T>(s, [&](B* o) { o->sil_ItemTag(item); });
    }
    static void ItemRemoveChannel(void* s, vt_IKvUnknown** item) {
        kv::adaptor::PlainVoid<B, T>(s, [&](B* o) { o->sil_ItemRemoveChannel(item); });
    }
    static void ItemChannelName(void* s, vt_IKvUnknown** item, uint32_t channel) {
        kv::adaptor::PlainVoid<B, T>(s, [&](B* o) { o->sil_ItemChannelName(item, channel); });
    }
    static void ItemChannelDefault(void* s, vt_IKvUnknown** item, uint32_t channel) {
        kv::adaptor::PlainVoid<B, T>(s, [&](B* o) { o->sil_ItemChannelDefault(item, channel); });
    }
    static void ItemChannelMinMax(void* s, vt_IKvUnknown** item, uint32_t channel) {
        kv::adaptor::PlainVoid<B, T>(s, [&](B* o) { o->sil_ItemChannelMinMax(item, channel); });
    }
    static void ItemChannelType(void* s, vt_IKvUnknown** item, uint32_t channel) {
        kv::adaptor::PlainVoid<B, T>(s, [&](B* o) { o->sil_ItemChannelType(item, channel); });
    }
    vt_IKvSceneItemListener m_vt{};

public:
    CKvIfc_SceneItemListener() : CKvInterface(&kv::guid_SceneItemListener, &m_vt.unk) {
        m_vt.SceneCreate = SceneCreate;
        m_vt.SceneDestroy = SceneDestroy;
        m_vt.SceneFilename = SceneFilename;
        m_vt.SceneClear = SceneClear;
        m_vt.ItemPreChange = ItemPreChange;
        m_vt.ItemPostDelete = ItemPostDelete;
        m_vt.ItemAdd = ItemAdd;
        m_vt.ItemRemove = ItemRemove;
        m_vt.ItemParent = ItemParent;
        m_vt.ItemChild = ItemChild;
        m_vt.ItemAddChannel = ItemAddChannel;
        m_vt.ItemLocal = ItemLocal;
        m_vt.ItemName = ItemName;
        m_vt.ItemSource = ItemSource;
        m_vt.ItemPackage = ItemPackage;
        m_vt.ChannelValue = ChannelValue;
        m_vt.LinkAdd = LinkAdd;
        m_vt.LinkRemBefore = LinkRemBefore;
        m_vt.LinkRemAfter = LinkRemAfter;
        m_vt.LinkSet = LinkSet;
        m_vt.ChanLinkAdd = ChanLinkAdd;
        m_vt.ChanLinkRemBefore = ChanLinkRemBefore;
        m_vt.ChanLinkRemAfter = ChanLinkRemAfter;
        m_vt.ChanLinkSet = ChanLinkSet;
        m_vt.ItemTag = ItemTag;
        m_vt.ItemRemoveChannel = ItemRemoveChannel;
        m_vt.ItemChannelName = ItemChannelName;
        m_vt.ItemChannelDefault = ItemChannelDefault;
        m_vt.ItemChannelMinMax = ItemChannelMinMax;
        m_vt.ItemChannelType = ItemChannelType;
    }
};
