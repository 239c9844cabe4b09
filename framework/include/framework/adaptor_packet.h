// Adaptors of the VectorPacket and PacketEffect interfaces.
#pragma once

#include "framework/adaptor_call.h"
#include "kv/kv_guids.h"
#include "kv/kv_served.h"

class CKvImpl_VectorPacket {
public:
    virtual ~CKvImpl_VectorPacket() = default;
    virtual unsigned vpkt_Size() = 0;
    virtual const char* vpkt_Interface() = 0;
    virtual KvResult vpkt_Initialize(void* packet);
    virtual void vpkt_Reset(void* packet);
    virtual KvResult vpkt_Copy(void* packet, void* from);
    virtual void vpkt_Cleanup(void* packet);
    virtual KvResult vpkt_Blend(void* packet, void* p0, void* p1, float t, int mode);
    virtual KvResult vpkt_Invert(void* packet);
    virtual unsigned vpkt_NodeCount();  // 0
    virtual KvResult vpkt_NodeName(unsigned index, const char** name);
    virtual KvResult vpkt_NodeType(unsigned index, VPacketPubType* type, unsigned* count, const char** typeName,
                                   const char** vecType);
    virtual KvResult vpkt_NodeGet(unsigned index, void* packet, void** out);
};

class CKvImpl_PacketEffect {
public:
    virtual ~CKvImpl_PacketEffect() = default;
    virtual KvResult pfx_Packet(const char** packet);
    virtual unsigned pfx_Count() = 0;
    virtual KvResult pfx_ByIndex(int index, const char** name, const char** typeName, int* flags);
    virtual KvResult pfx_Get(int index, void* packet, float* value, void* item);
    virtual KvResult pfx_Set(int index, void* packet, const float* value, void* item);
};

template <class T>
class CKvIfc_VectorPacket : public CKvInterface {
    using B = CKvImpl_VectorPacket;
    template <class F>
    static KvResult C(void* self, F&& f) { return kv::adaptor::Catching<B, T>(self, f); }

    static uint32_t Size(void* s) { return kv::adaptor::Plain<B, T>(s, 0u, [](B* o) { return o->vpkt_Size(); }); }
    static const char* Interface(void* s) {
        return kv::adaptor::Plain<B, T>(s, static_cast<const char*>(nullptr),
                                        [](B* o) { return o->vpkt_Interface(); });
    }
    static KvResult Initialize(void* s, void* p) { return C(s, [&](B* o) { return o->vpkt_Initialize(p); }); }
    static void Reset(void* s, void* p) { kv::adaptor::PlainVoid<B, T>(s, [&](B* o) { o->vpkt_Reset(p); }); }
    static KvResult Copy(void* s, void* p, void* f) { return C(s, [&](B* o) { return o->vpkt_Copy(p, f); }); }
    static void Cleanup(void* s, void* p) { kv::adaptor::PlainVoid<B, T>(s, [&](B* o) { o->vpkt_Cleanup(p); }); }
    static KvResult Blend(void* s, void* p, void* p0, void* p1, float t, int32_t mode) {
        return C(s, [&](B* o) { return o->vpkt_Blend(p, p0, p1, t, mode); });
    }
    static KvResult Invert(void* s, void* p) { return C(s, [&](B* o) { return o->vpkt_Invert(p); }); }
    static uint32_t NodeCount(void* s) {
        return kv::adaptor::Plain<B, T>(s, 0u, [](B* o) { return o->vpkt_NodeCount(); });
    }
    static KvResult NodeName(void* s, uint32_t i, const char** n) {
        return C(s, [&](B* o) { return o->vpkt_NodeName(i, n); });
    }
    static KvResult NodeType(void* s, uint32_t i, VPacketPubType* t, uint32_t* n, const char** tn, const char** vt) {
        return C(s, [&](B* o) { return o->vpkt_NodeType(i, t, n, tn, vt); });
    }
    static KvResult NodeGet(void* s, uint32_t i, void* p, void** out) {
        return C(s, [&](B* o) { return o->vpkt_NodeGet(i, p, out); });
    }
    vt_IKvVectorPacket m_vt{};

public:
    CKvIfc_VectorPacket() : CKvInterface(&kv::guid_VectorPacket, &m_vt.unk) {
        m_vt.Size = Size;
        m_vt.Interface = Interface;
        m_vt.Initialize = Initialize;
        m_vt.Reset = Reset;
        m_vt.Copy = Copy;
        m_vt.Cleanup = Cleanup;
        m_vt.Blend = Blend;
        m_vt.Invert = Invert;
        m_vt.NodeCount = NodeCount;
        m_vt.NodeName = NodeName;
        m_vt.NodeType = NodeType;
        m_vt.NodeGet = NodeGet;
    }
};

template <class T>
class CKvIfc_PacketEffect : public CKvInterface {
    using B = CKvImpl_PacketEffect;
    template <class F>
    static KvResult C(void* self, F&& f) { return kv::adaptor::Catching<B, T>(self, f); }

    static KvResult Packet(void* s, const char** p) { return C(s, [&](B* o) { return o->pfx_Packet(p); }); }
    static uint32_t Count(void* s) { return kv::adaptor::Plain<B, T>(s, 0u, [](B* o) { return o->pfx_Count(); }); }
    static KvResult ByIndex(void* s, int32_t i, const char** n, const char** t, int32_t* f) {
        return C(s, [&](B* o) { return o->pfx_ByIndex(i, n, t, f); });
    }
    static KvResult Get(void* s, int32_t i, void* p, float* v, void* item) {
        return C(s, [&](B* o) { return o->pfx_Get(i, p, v, item); });
    }
    static KvResult Set(void* s, int32_t i, void* p, const float* v, void* item) {
        return C(s, [&](B* o) { return o->pfx_Set(i, p, v, item); });
    }
    vt_IKvPacketEffect m_vt{};

public:
    CKvIfc_PacketEffect() : CKvInterface(&kv::guid_PacketEffect, &m_vt.unk) {
        m_vt.Packet = Packet;
        m_vt.Count = Count;
        m_vt.ByIndex = ByIndex;
        m_vt.Get = Get;
        m_vt.Set = Set;
    }
};
