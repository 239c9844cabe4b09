// Globals cache: host services found by GUID from the root context, asked for
// once each and kept; and the map of named spawner factories.
//
// Lookups are lock-free once a service is cached; inserts are serialised by a
// host mutex of the cache's own. Returned pointers are borrowed: callers never
// release them; they stay valid until FreeGlobal.
#pragma once

#include <atomic>

#include "kv/kv_types.h"

class CKvGenericPolymorph;
struct pv_GlobalCache;

class CKvGlobalCache {
public:
    // Services the table can hold. A further service is refused (null, the
    // host is not asked): the table never grows past its fixed size.
    static constexpr unsigned kCapacity = 100;

    CKvGlobalCache();
    ~CKvGlobalCache();  // FreeGlobal, if it has not run
    CKvGlobalCache(const CKvGlobalCache&) = delete;
    CKvGlobalCache& operator=(const CKvGlobalCache&) = delete;

    // Stores the root context, taking over the caller's reference.
    // A root already held is released first.
    void InitGlobal(vt_IKvUnknown** root);
    // Deletes the spawners, releases every cached service, the thread globals,
    // the GUID service, the cache mutex and the root context. Idempotent.
    void FreeGlobal();
    bool IsFreed() const { return m_pv.load(std::memory_order_acquire) == nullptr; }
    bool HasRoot() const;

    // The service for `guid` (borrowed), or null.
    void* GetGlobal(const st_KVtGUID* guid);
    // The host's GUID record for a text form (GUID-service slot 3), or null.
    const st_KVtGUID* LookupGUID(const char* text);
    // The host's canonical record of a GUID (GUID-service slot 6), or null.
    const st_KVtGUID* LookupGUID(const st_KVtGUID* guid);
    // Number of services cached so far.
    unsigned CachedCount() const;

    // Stores `factory` under a copy of `name`, replacing (not deleting) an
    // earlier one; the cache owns it and deletes it in FreeGlobal. After
    // FreeGlobal nothing is stored and the caller keeps the factory.
    void AddSpawner(const char* name, CKvGenericPolymorph* factory);
    CKvGenericPolymorph* FindSpawner(const char* name) const;

private:
    std::atomic<pv_GlobalCache*> m_pv;
};

namespace kv {

// Through the module's globals cache.
void* GetGlobal(const st_KVtGUID* guid);
void* GetGlobal(const char* guidText);
const st_KVtGUID* LookupGUID(const char* guidText);

}  // namespace kv
