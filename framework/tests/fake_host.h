// A fake host for the framework tests: a root context that answers the GUID
// service, the thread service (optional), the test probe and, when asked, any
// other service; every object counts its references and the root counts the
// QueryInterface calls it receives per GUID.
#pragma once

#include <atomic>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "framework/errors.h"
#include "kv/kv_abi.h"
#include "plugin/kvtest_probe.h"

namespace fake {

struct Root;

// A host object: its method table, its count, and the root it belongs to.
struct Obj {
    const void* vt;
    std::atomic<int> refs{1};
    Root* root = nullptr;
};

struct Mutex {
    const void* vt;
    std::atomic<int> refs{1};
    Root* root;
    std::mutex m;
};

struct Root {
    // Configuration, set before the root is handed to a module.
    bool withThreads = true;
    bool anyService = false;  // answer every other GUID with a service of its own
    std::vector<st_KVtGUID> refused;

    std::atomic<int> mutexesLive{0};
    Obj rootObj{&rootVt, {}, this};
    Obj guidObj{&guidVt, {}, this};
    Obj threadObj{&threadVt, {}, this};
    Obj probeObj{&probeVt, {}, this};

    Root() { rootObj.refs = 1; }

    vt_IKvUnknown** ptr() { return reinterpret_cast<vt_IKvUnknown**>(&rootObj); }
    int refs() const { return rootObj.refs.load(); }

    int Queries(const st_KVtGUID& g) {
        std::lock_guard<std::mutex> lock(m_);
        return queries_[kv::GUIDToText(&g)];
    }
    int TotalQueries() {
        std::lock_guard<std::mutex> lock(m_);
        int n = 0;
        for (auto& [k, v] : queries_) n += v;
        return n;
    }
    int Events(const std::string& e) {
        std::lock_guard<std::mutex> lock(m_);
        return events_[e];
    }
    // Services made in anyService mode, each holding its references.
    int LiveServiceRefs() {
        std::lock_guard<std::mutex> lock(m_);
        int n = 0;
        for (auto& o : services_) n += o.refs.load();
        return n;
    }

private:
    std::mutex m_;
    std::map<std::string, int> queries_;
    std::map<std::string, int> events_;
    std::deque<st_KVtGUID> canonical_;  // the host's own GUID records
    std::deque<Obj> services_;
    std::map<std::string, Obj*> serviceByGuid_;

    static Obj* O(void* s) { return static_cast<Obj*>(s); }
    static uint32_t AddRef(void* s) { return ++O(s)->refs; }
    static uint32_t Release(void* s) { return --O(s)->refs; }
    static KvResult NoQuery(void*, const st_KVtGUID*, void**) { return KV_E_NOINTERFACE; }

    const st_KVtGUID* Canonical(const st_KVtGUID& g) {
        std::lock_guard<std::mutex> lock(m_);
        for (auto& c : canonical_)
            if (kv::GUIDCompare(&c, &g) == 0) return &c;
        canonical_.push_back(g);
        return &canonical_.back();
    }

    static KvResult RootQuery(void* s, const st_KVtGUID* g, void** out) {
        Root* r = O(s)->root;
        *out = nullptr;
        {
            std::lock_guard<std::mutex> lock(r->m_);
            ++r->queries_[kv::GUIDToText(g)];
        }
        for (auto& no : r->refused)
            if (kv::GUIDCompare(&no, g) == 0) return KV_E_NOINTERFACE;
        Obj* hit = nullptr;
        if (kv::GUIDCompare(g, &kv::guid_GUIDService) == 0) hit = &r->guidObj;
        else if (kv::GUIDCompare(g, &kv::guid_ThreadService) == 0) hit = r->withThreads ? &r->threadObj : nullptr;
        else if (kv::GUIDCompare(g, &kvtest::guid_Probe) == 0) hit = &r->probeObj;
        else if (r->anyService) {
            std::lock_guard<std::mutex> lock(r->m_);
            Obj*& svc = r->serviceByGuid_[kv::GUIDToText(g)];
            if (!svc) {
                r->services_.emplace_back();
                svc = &r->services_.back();
                svc->vt = &r->serviceVt;
                svc->refs = 0;
                svc->root = r;
            }
            hit = svc;
        }
        if (!hit) return KV_E_NOINTERFACE;
        ++hit->refs;
        *out = hit;
        return KV_OK;
    }

    vt_IKvUnknown rootVt{RootQuery, AddRef, Release};
    vt_IKvUnknown serviceVt{NoQuery, AddRef, Release};
    vt_IKvGUIDService guidVt{
        {NoQuery, AddRef, Release},
        [](void* s, const char* text) -> const st_KVtGUID* {
            st_KVtGUID g;
            return kv::GUIDFromText(text, &g) ? O(s)->root->Canonical(g) : nullptr;
        },
        nullptr,
        nullptr,
        [](void* s, const st_KVtGUID* g) { return O(s)->root->Canonical(*g); }};
    vt_IKvThreadService threadVt{
        {NoQuery, AddRef, Release},
        [](void* s, void** out) -> KvResult {
            Root* r = O(s)->root;
            *out = new Mutex{&r->mutexVt, {1}, r, {}};
            ++r->mutexesLive;
            return KV_OK;
        },
        nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
        [](void*, int32_t* v) { return std::atomic_ref<int32_t>(*v).fetch_add(1) + 1; },
        [](void*, int32_t* v) { return std::atomic_ref<int32_t>(*v).fetch_sub(1) - 1; }};
    vt_IKvMutex mutexVt{{NoQuery, [](void* s) -> uint32_t { return ++static_cast<Mutex*>(s)->refs; },
                         [](void* s) -> uint32_t {
                             auto* m = static_cast<Mutex*>(s);
                             const int left = --m->refs;
                             if (left == 0) {
                                 --m->root->mutexesLive;
                                 delete m;
                             }
                             return static_cast<uint32_t>(left);
                         }},
                        [](void* s) -> KvResult {
                            static_cast<Mutex*>(s)->m.lock();
                            return KV_OK;
                        },
                        [](void* s) -> KvResult {
                            static_cast<Mutex*>(s)->m.unlock();
                            return KV_OK;
                        }};
    kvtest::vt_IKvTestProbe probeVt{{NoQuery, AddRef, Release}, [](void* s, const char* e) {
                                        Root* r = O(s)->root;
                                        std::lock_guard<std::mutex> lock(r->m_);
                                        ++r->events_[e];
                                    }};
};

template <class VT>
VT* Table(void* p) {
    return *static_cast<VT**>(p);
}

inline void* Query(void* obj, const st_KVtGUID& g) {
    void* out = nullptr;
    return KV_SUCCEEDED(Table<vt_IKvUnknown>(obj)->QueryInterface(obj, &g, &out)) ? out : nullptr;
}
inline uint32_t AddRef(void* p) { return Table<vt_IKvUnknown>(p)->AddRef(p); }
inline uint32_t Rel(void* p) { return Table<vt_IKvUnknown>(p)->Release(p); }

}  // namespace fake
