// Adaptors of the Module, TagDescription and NeedContext interfaces, and the
// static tag description every server serves from its class's `descInfo`.
#pragma once

#include "framework/adaptor_call.h"
#include "kv/kv_guids.h"
#include "kv/kv_served.h"

class CKvImpl_Module {
public:
    virtual ~CKvImpl_Module() = default;
    virtual KvResult mod_Generate(const char* name, const st_KVtGUID* iid, void** out);
    virtual KvResult mod_GetTags(const char* name, const st_KVtGUID* iid, void** out);
};

class CKvImpl_TagDescription {
public:
    virtual ~CKvImpl_TagDescription() = default;
    virtual unsigned tag_Count() = 0;
    virtual KvResult tag_Describe(unsigned index, st_KVtTagInfoDesc* out);
};

class CKvImpl_NeedContext {
public:
    virtual ~CKvImpl_NeedContext() = default;
    virtual KvResult need_SetContext(vt_IKvUnknown** root);
};

template <class T>
class CKvIfc_Module : public CKvInterface {
    using B = CKvImpl_Module;
    static KvResult Generate(void* self, const char* name, const st_KVtGUID* iid, void** out) {
        return kv::adaptor::Catching<B, T>(self, [&](B* o) { return o->mod_Generate(name, iid, out); });
    }
    static KvResult GetTags(void* self, const char* name, const st_KVtGUID* iid, void** out) {
        return kv::adaptor::Catching<B, T>(self, [&](B* o) { return o->mod_GetTags(name, iid, out); });
    }
    vt_IKvModule m_vt{};

public:
    CKvIfc_Module() : CKvInterface(&kv::guid_Module, &m_vt.unk) {
        m_vt.Generate = Generate;
        m_vt.GetTags = GetTags;
    }
};

template <class T>
class CKvIfc_TagDescription : public CKvInterface {
    using B = CKvImpl_TagDescription;
    static uint32_t Count(void* self) {
        return kv::adaptor::Plain<B, T>(self, 0u, [](B* o) { return o->tag_Count(); });
    }
    static KvResult Describe(void* self, uint32_t index, st_KVtTagInfoDesc* out) {
        return kv::adaptor::Catching<B, T>(self, [&](B* o) { return o->tag_Describe(index, out); });
    }
    vt_IKvTagDescription m_vt{};

public:
    CKvIfc_TagDescription() : CKvInterface(&kv::guid_TagDescription, &m_vt.unk) {
        m_vt.Count = Count;
        m_vt.Describe = Describe;
    }
};

// Serves T::descInfo, a static array of rows ended by a null type; it never
// touches the object.
template <class T>
class CKvIfc_StaticDesc : public CKvInterface {
    static uint32_t RowCount() {
        uint32_t n = 0;
        while (T::descInfo[n].type) ++n;
        return n;
    }
    static uint32_t Count(void*) { return RowCount(); }
    static KvResult Describe(void*, uint32_t index, st_KVtTagInfoDesc* out) {
        if (index >= RowCount()) return KV_E_OUTOFBOUNDS;
        if (!out) return KV_E_FAILED;
        *out = T::descInfo[index];
        return KV_OK;
    }
    vt_IKvTagDescription m_vt{};

public:
    CKvIfc_StaticDesc() : CKvInterface(&kv::guid_TagDescription, &m_vt.unk) {
        m_vt.Count = Count;
        m_vt.Describe = Describe;
    }
};

template <class T>
class CKvIfc_NeedContext : public CKvInterface {
    using B = CKvImpl_NeedContext;
    static KvResult SetContext(void* self, vt_IKvUnknown** root) {
        return kv::adaptor::Catching<B, T>(self, [&](B* o) { return o->need_SetContext(root); });
    }
    vt_IKvNeedContext m_vt{};

public:
    CKvIfc_NeedContext() : CKvInterface(&kv::guid_NeedContext, &m_vt.unk) { m_vt.SetContext = SetContext; }
};
