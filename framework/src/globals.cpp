// Globals cache: one host QueryInterface per service, lock-free lookups of
// cached entries, inserts under the cache's own host mutex.
#include "framework/globals.h"

#include <map>
#include <set>
#include <string>

#include "framework/com.h"
#include "framework/errors.h"
#include "framework/threading.h"
#include "kv/kv_abi.h"

struct pv_GlobalCache {
    std::atomic<vt_IKvUnknown**> root{nullptr};
    std::atomic<void*> guidService{nullptr};
    std::atomic<void*> mutex{nullptr};
    void* interfaces[CKvGlobalCache::kCapacity] = {};
    const st_KVtGUID* guids[CKvGlobalCache::kCapacity] = {};
    std::atomic<uint32_t> count{0};  // entries below it are complete
    std::map<std::string, CKvGenericPolymorph*> spawners;

    // Cached interface for an equal GUID, or null; no lock.
    void* ScanGUID(const st_KVtGUID* guid) const {
        const uint32_t n = count.load(std::memory_order_acquire);
        for (uint32_t i = 0; i < n; ++i)
            if (kv::GUIDCompare(guids[i], guid) == 0) return interfaces[i];
        return nullptr;
    }

    void* Query(const st_KVtGUID* guid) const {
        vt_IKvUnknown** r = root.load(std::memory_order_acquire);
        void* out = nullptr;
        if (!r || KV_FAILED((*r)->QueryInterface(r, guid, &out))) return nullptr;
        return out;
    }

    // Publishes `fresh` in `slot` unless another thread did first.
    static void* Publish(std::atomic<void*>& slot, void* fresh) {
        void* expected = nullptr;
        if (slot.compare_exchange_strong(expected, fresh, std::memory_order_acq_rel)) return fresh;
        kv::UnkRelease(fresh);
        return expected;
    }

    bool InitGUIDService() {
        if (guidService.load(std::memory_order_acquire)) return true;
        st_KVtGUID g;
        kv::GUIDSet(&g, 0xB11826F1, 0xA6BC, 0x48B4, 0x90, 0x9B, 0x5F, 0x6D, 0x01, 0x93, 0x83, 0x27);
        void* svc = Query(&g);
        if (!svc) return false;
        Publish(guidService, svc);
        return true;
    }

    const st_KVtGUID* FixedGUID(const char* text) {
        if (!text || !InitGUIDService()) return nullptr;
        void* svc = guidService.load(std::memory_order_acquire);
        return (*static_cast<vt_IKvGUIDService**>(svc))->Fixed(svc, text);
    }

    const st_KVtGUID* CanonicalGUID(const st_KVtGUID* guid) {
        if (!InitGUIDService()) return nullptr;
        void* svc = guidService.load(std::memory_order_acquire);
        return (*static_cast<vt_IKvGUIDService**>(svc))->Canonical(svc, guid);
    }

    bool InitMutex() {
        if (mutex.load(std::memory_order_acquire)) return true;
        if (!root.load(std::memory_order_acquire)) return false;
        const st_KVtGUID* tsGuid = FixedGUID("0A9D5B42-1DA6-42A4-8FC4-01FCCE939AC4");
        if (!tsGuid) return false;
        void* ts = Query(tsGuid);
        if (!ts) return false;
        void* fresh = nullptr;
        const KvResult rc = (*static_cast<vt_IKvThreadService**>(ts))->CreateMutex(ts, &fresh);
        kv::UnkRelease(ts);
        if (KV_FAILED(rc) || !fresh) return false;
        Publish(mutex, fresh);
        return true;
    }

    // Steps 5 to 8 of a lookup: under the cache mutex, scan again, then ask.
    void* AddGUID(const st_KVtGUID* guid) {
        void* mtx = mutex.load(std::memory_order_acquire);
        auto* mt = *static_cast<vt_IKvMutex**>(mtx);
        mt->Enter(mtx);
        void* result = ScanGUID(guid);
        const uint32_t n = count.load(std::memory_order_relaxed);
        if (!result && n < CKvGlobalCache::kCapacity) {
            result = Query(guid);
            if (result) {
                interfaces[n] = result;
                guids[n] = guid;
                count.store(n + 1, std::memory_order_release);
            }
        }
        mt->Leave(mtx);
        return result;
    }
};

CKvGlobalCache::CKvGlobalCache() : m_pv(new pv_GlobalCache) {}

CKvGlobalCache::~CKvGlobalCache() { FreeGlobal(); }

void CKvGlobalCache::InitGlobal(vt_IKvUnknown** root) {
    pv_GlobalCache* pv = m_pv.load(std::memory_order_acquire);
    if (!pv) {
        kv::UnkRelease(root);  // freed: the reference handed over has no owner
        return;
    }
    vt_IKvUnknown** old = pv->root.exchange(root, std::memory_order_acq_rel);
    if (old && old != root) kv::UnkRelease(old);
}

bool CKvGlobalCache::HasRoot() const {
    pv_GlobalCache* pv = m_pv.load(std::memory_order_acquire);
    return pv && pv->root.load(std::memory_order_acquire);
}

void CKvGlobalCache::FreeGlobal() {
    pv_GlobalCache* pv = m_pv.load(std::memory_order_acquire);
    if (!pv) return;
    std::set<CKvGenericPolymorph*> deleted;  // one factory may sit under two names
    for (auto& [name, factory] : pv->spawners)
        if (factory && deleted.insert(factory).second) delete factory;
    const uint32_t n = pv->count.load(std::memory_order_acquire);
    for (uint32_t i = 0; i < n; ++i) kv::UnkRelease(pv->interfaces[i]);
    kv::ReleaseThreadGlobals();
    kv::UnkRelease(pv->guidService.exchange(nullptr));
    kv::UnkRelease(pv->mutex.exchange(nullptr));
    kv::UnkRelease(pv->root.exchange(nullptr));
    pv->spawners.clear();
    m_pv.store(nullptr, std::memory_order_release);
    delete pv;
}

void* CKvGlobalCache::GetGlobal(const st_KVtGUID* guid) {
    pv_GlobalCache* pv = m_pv.load(std::memory_order_acquire);
    if (!pv || !guid || !pv->root.load(std::memory_order_acquire)) return nullptr;
    if (void* hit = pv->ScanGUID(guid)) return hit;
    const st_KVtGUID* canonical = pv->CanonicalGUID(guid);
    if (!canonical) return nullptr;
    if (!pv->InitMutex()) return nullptr;
    return pv->AddGUID(canonical);
}

const st_KVtGUID* CKvGlobalCache::LookupGUID(const char* text) {
    pv_GlobalCache* pv = m_pv.load(std::memory_order_acquire);
    return pv ? pv->FixedGUID(text) : nullptr;
}

const st_KVtGUID* CKvGlobalCache::LookupGUID(const st_KVtGUID* guid) {
    pv_GlobalCache* pv = m_pv.load(std::memory_order_acquire);
    return (pv && guid) ? pv->CanonicalGUID(guid) : nullptr;
}

unsigned CKvGlobalCache::CachedCount() const {
    pv_GlobalCache* pv = m_pv.load(std::memory_order_acquire);
    return pv ? pv->count.load(std::memory_order_acquire) : 0;
}

void CKvGlobalCache::AddSpawner(const char* name, CKvGenericPolymorph* factory) {
    pv_GlobalCache* pv = m_pv.load(std::memory_order_acquire);
    if (!pv || !name) return;
    pv->spawners[name] = factory;
}

CKvGenericPolymorph* CKvGlobalCache::FindSpawner(const char* name) const {
    pv_GlobalCache* pv = m_pv.load(std::memory_order_acquire);
    if (!pv || !name) return nullptr;
    auto it = pv->spawners.find(name);
    return it == pv->spawners.end() ? nullptr : it->second;
}
