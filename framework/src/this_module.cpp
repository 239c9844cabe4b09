// The module object: registry, Describe/Generate, context and freeing.
#include "framework/this_module.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "framework/errors.h"
#include "framework/module.h"

CKvThisModule thisModule;

CKvThisModule::CKvThisModule() {
    AddInterface(&m_ifcModule);
    AddInterface(&m_ifcTags);
    AddInterface(&m_ifcContext);
}

// Runs when the library is unloaded (or at process exit). The factories the
// module owns go with it; one whose instances are still held detaches them.
CKvThisModule::~CKvThisModule() {
    for (CKvGenericPolymorph* factory : m_owned) delete factory;
    m_owned.clear();
    std::free(m_factories);
    std::free(m_names);
    std::free(m_guids);
    m_factories = nullptr;
    m_names = nullptr;
    m_guids = nullptr;
    m_count = 0;
    m_capacity = 0;
}

void CKvThisModule::AddServer(const char* name, CKvGenericPolymorph* factory) {
    if (m_count >= static_cast<uint32_t>(m_capacity)) {
        const size_t cap = static_cast<size_t>(m_capacity) + kGrowth;
        void* f = std::realloc(m_factories, cap * sizeof(void*));
        if (f) m_factories = static_cast<CKvGenericPolymorph**>(f);
        void* n = f ? std::realloc(m_names, cap * sizeof(void*)) : nullptr;
        if (n) m_names = static_cast<const char**>(n);
        void* g = n ? std::realloc(m_guids, cap * sizeof(void*)) : nullptr;
        if (g) m_guids = static_cast<const st_KVtGUID**>(g);
        if (!g) {
            m_capacity = 0;
            m_count = 0;
            throw static_cast<unsigned>(KV_E_OUTOFMEMORY);
        }
        m_capacity = static_cast<int32_t>(cap);
    }
    m_factories[m_count] = factory;
    m_names[m_count] = name;
    m_guids[m_count] = factory ? factory->DefaultInterface() : nullptr;
    ++m_count;
}

void CKvThisModule::AdoptServer(const char* name, CKvGenericPolymorph* factory) {
    m_owned.reserve(m_owned.size() + 1);  // the push below cannot throw then
    AddServer(name, factory);
    if (factory && std::find(m_owned.begin(), m_owned.end(), factory) == m_owned.end()) m_owned.push_back(factory);
}

void CKvThisModule::TruncateServers(unsigned count) {
    if (count < m_count) m_count = count;
}

void CKvThisModule::AddSpawner(const char* name, CKvGenericPolymorph* factory) {
    if (IsFreed() || !name) return;  // not stored: the caller keeps the factory
    std::erase(m_owned, factory);
    CKvGlobalCache::AddSpawner(name, factory);
}

CKvGenericPolymorph* CKvThisModule::FindServer(const char* name) const {
    if (!name) return nullptr;
    for (uint32_t i = 0; i < m_count; ++i)
        if (m_names[i] && std::strcmp(m_names[i], name) == 0) return m_factories[i];
    return nullptr;
}

// A null or kv::guid_Unknown request means the server's default interface.
KvResult CKvThisModule::mod_Generate(const char* name, const st_KVtGUID* iid, void** out) {
    if (!name || !out) return KV_E_FAILED;
    const bool anyInterface = !iid || kv::GUIDCompare(iid, &kv::guid_Unknown) == 0;
    for (uint32_t i = 0; i < m_count; ++i) {
        if (!m_names[i] || std::strcmp(m_names[i], name) != 0 || !m_factories[i]) continue;
        if (!anyInterface && (!m_guids[i] || kv::GUIDCompare(iid, m_guids[i]) != 0)) continue;
        *out = m_factories[i]->Spawn(m_guids[i]);
        return *out ? KV_OK : KV_E_FAILED;
    }
    return KV_E_NOTFOUND;
}

unsigned CKvThisModule::tag_Count() { return m_count; }

KvResult CKvThisModule::tag_Describe(unsigned index, st_KVtTagInfoDesc* out) {
    if (index >= m_count) return KV_E_OUTOFBOUNDS;
    if (!out) return KV_E_FAILED;
    out->type = "server";
    out->info = m_names[index];
    out->ptr = m_guids[index];
    return KV_OK;
}

KvResult CKvThisModule::need_SetContext(vt_IKvUnknown** root) {
    if (IsFreed()) {
        InitGlobal(root);  // releases the reference: nothing can own it now
        return KV_E_FAILED;
    }
    InitGlobal(root);
    return KV_OK;
}

void* CKvThisModule::NewObj() {
    m_liveInstances.fetch_add(1, std::memory_order_acq_rel);
    return this;
}

// Runs the plug-in's cleanup and frees the cache when the last module
// instance goes, so that one instance's end does not strand the others.
void CKvThisModule::FreeObj(void*) {
    if (m_liveInstances.fetch_sub(1, std::memory_order_acq_rel) != 1) return;
    try {
        cleanup();
    } catch (...) {  // the cache is freed all the same
    }
    SetLifecycle(2);
    FreeGlobal();
}

// ---- free functions and the entry point ----

namespace {
bool gNeedInitialize = true;  // until initialize() has returned once
}

extern "C" void* _IKvModule_Create(void) {
    if (gNeedInitialize) {
        const unsigned registered = thisModule.ServerCount();
        try {
            initialize();
        } catch (...) {
            thisModule.TruncateServers(registered);  // the retry registers them again
            return nullptr;
        }
        thisModule.SetLifecycle(1);
        gNeedInitialize = false;
    }
    try {
        return thisModule.Spawn(nullptr);
    } catch (...) {
        return nullptr;
    }
}

namespace kv {

void AddServer(const char* name, CKvGenericPolymorph* factory) { thisModule.AddServer(name, factory); }
void AdoptServer(const char* name, CKvGenericPolymorph* factory) { thisModule.AdoptServer(name, factory); }
CKvGenericPolymorph* FindServer(const char* name) { return thisModule.FindServer(name); }
void AddSpawner(const char* name, CKvGenericPolymorph* factory) { thisModule.AddSpawner(name, factory); }
CKvGenericPolymorph* FindSpawner(const char* name) { return thisModule.FindSpawner(name); }
int Lifecycle() { return thisModule.Lifecycle(); }

void* GetGlobal(const st_KVtGUID* guid) { return thisModule.GetGlobal(guid); }
void* GetGlobal(const char* guidText) { return thisModule.GetGlobal(thisModule.LookupGUID(guidText)); }
const st_KVtGUID* LookupGUID(const char* guidText) { return thisModule.LookupGUID(guidText); }

}  // namespace kv
