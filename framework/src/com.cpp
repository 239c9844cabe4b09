// Factories, instances, proxies and the three slots every served table holds.
#include "framework/com.h"

#include "framework/errors.h"
#include "framework/threading.h"
#include "kv/kv_guids.h"

namespace {

bool IsAnyInterface(const st_KVtGUID* guid) {
    return !guid || kv::GUIDCompare(guid, &kv::guid_Unknown) == 0;
}

st_KVtCOMProxy* Proxy(void* self) { return static_cast<st_KVtCOMProxy*>(self); }

// A record that outlives its factory because live proxies point at its method
// table: the host may still release them, so it is kept on purpose. Sanitizer
// builds are told so, to keep their leak check meaningful.
extern "C" __attribute__((weak)) void __lsan_ignore_object(const void*);
void KeepForLiveProxies(CKvInterface* rec) {
    if (__lsan_ignore_object) __lsan_ignore_object(rec);
}

// Whether a COM pointer is a proxy made by this library's framework.
bool IsOwnProxy(void* obj) {
    return obj && (*static_cast<vt_IKvUnknown**>(obj))->QueryInterface == &CKvGenericPolymorph::QueryInterface;
}

}  // namespace

CKvGenericPolymorph::~CKvGenericPolymorph() {
    const bool instancesLive = m_instHead != nullptr;
    for (st_KVtCOMInstance* inst = m_instHead; inst; inst = inst->next) {
        inst->factory = nullptr;
        inst->object = nullptr;
        for (int32_t i = 0; i < inst->proxyCount; ++i) inst->proxies[i].object = nullptr;
    }
    m_instHead = m_instTail = nullptr;
    for (CKvInterface* rec = m_ownedHead; rec;) {
        CKvInterface* next = rec->nextOwned;
        if (instancesLive) KeepForLiveProxies(rec);
        else delete rec;
        rec = next;
    }
    m_ownedHead = nullptr;
    m_ifcHead = m_ifcTail = nullptr;
}

void CKvGenericPolymorph::InitObj(void*, void*) {}

vt_IKvUnknown** CKvGenericPolymorph::IsA(vt_IKvUnknown**, const st_KVtGUID*) { return nullptr; }

bool CKvGenericPolymorph::TestInterface(const st_KVtGUID* guid) { return FindIID(guid) != nullptr; }

void CKvGenericPolymorph::AddInterface(CKvInterface* rec) {
    rec->table->QueryInterface = &CKvGenericPolymorph::QueryInterface;
    rec->table->AddRef = &CKvGenericPolymorph::AddRef;
    rec->table->Release = &CKvGenericPolymorph::Release;
    rec->next = nullptr;
    rec->prev = m_ifcTail;
    if (m_ifcTail) m_ifcTail->next = rec;
    else m_ifcHead = rec;
    m_ifcTail = rec;
    // Numbered as added, so that a spawn only reads the list: concurrent
    // first spawns then write nothing shared.
    rec->index = m_ifcCount++;
}

void CKvGenericPolymorph::AdoptInterface(CKvInterface* rec) {
    AddInterface(rec);
    rec->nextOwned = m_ownedHead;
    m_ownedHead = rec;
}

const st_KVtGUID* CKvGenericPolymorph::DefaultInterface() const { return m_ifcHead ? m_ifcHead->guid : nullptr; }

CKvInterface* CKvGenericPolymorph::FindIID(const st_KVtGUID* guid) const {
    if (IsAnyInterface(guid)) return m_ifcHead;
    for (CKvInterface* rec = m_ifcHead; rec; rec = rec->next)
        if (kv::GUIDCompare(rec->guid, guid) == 0) return rec;
    return nullptr;
}

void* CKvGenericPolymorph::NewProxy(st_KVtCOMInstance* inst, CKvInterface* rec) {
    if (rec->index < 0 || rec->index >= inst->proxyCount) throw static_cast<unsigned>(KV_E_OUTOFBOUNDS);
    st_KVtCOMProxy* proxy = &inst->proxies[rec->index];
    AddRef(proxy);
    return proxy;
}

void* CKvGenericPolymorph::Spawn(const st_KVtGUID* guid) {
    CKvInterface* chosen = FindIID(guid);
    if (!chosen) return nullptr;
    // The instance memory first: a failed allocation then makes no object,
    // and FreeObj is never called for an object that no instance held.
    auto* inst = new st_KVtCOMInstance{this, nullptr, nullptr, nullptr, m_ifcCount, nullptr, nullptr, 0};
    void* obj = nullptr;
    try {
        inst->proxies = new st_KVtCOMProxy[m_ifcCount];
        for (CKvInterface* rec = m_ifcHead; rec; rec = rec->next)
            if (rec->index < 0 || rec->index >= m_ifcCount) throw static_cast<unsigned>(KV_E_OUTOFBOUNDS);
        obj = NewObj();
    } catch (...) {
        delete[] inst->proxies;
        delete inst;
        throw;
    }
    if (!obj) {
        delete[] inst->proxies;
        delete inst;
        return nullptr;
    }
    inst->object = obj;
    for (CKvInterface* rec = m_ifcHead; rec; rec = rec->next)
        inst->proxies[rec->index] = st_KVtCOMProxy{rec->table, inst, obj, 0};
    {
        kv::CKvInstanceLock lock;
        inst->next = m_instHead;
        if (m_instHead) m_instHead->prev = inst;
        else m_instTail = inst;
        m_instHead = inst;
    }
    return NewProxy(inst, chosen);
}

unsigned CKvGenericPolymorph::InstanceCount() const {
    kv::CKvInstanceLock lock;
    unsigned n = 0;
    for (st_KVtCOMInstance* inst = m_instHead; inst; inst = inst->next) ++n;
    return n;
}

void CKvGenericPolymorph::Unlink(st_KVtCOMInstance* inst) {
    kv::CKvInstanceLock lock;
    if (inst->prev) inst->prev->next = inst->next;
    else m_instHead = inst->next;
    if (inst->next) inst->next->prev = inst->prev;
    else m_instTail = inst->prev;
    inst->next = inst->prev = nullptr;
}

KvResult CKvGenericPolymorph::QueryInterface(void* self, const st_KVtGUID* guid, void** out) {
    if (!out) return KV_E_FAILED;
    st_KVtCOMInstance* inst = Proxy(self)->instance;
    if (inst->outer) return inst->outer->vtbl->QueryInterface(inst->outer, guid, out);
    CKvGenericPolymorph* factory = inst->factory;
    if (!factory) return KV_E_NOINTERFACE;
    try {
        if (CKvInterface* rec = factory->FindIID(guid)) {
            *out = factory->NewProxy(inst, rec);
            return KV_OK;
        }
        vt_IKvUnknown** other = factory->IsA(static_cast<vt_IKvUnknown**>(self), guid);
        *out = other;
        if (!other) return KV_E_NOINTERFACE;
        // The aggregated instance holds one reference to its outer proxy,
        // taken the first time only: asking again must not pile up references
        // that its single Release at death would never return.
        if (IsOwnProxy(other)) {
            st_KVtCOMInstance* inner = Proxy(other)->instance;
            if (!inner->outer && inner != inst) {
                AddRef(self);
                inner->outer = Proxy(self);
            }
        }
        return KV_OK;
    } catch (unsigned rc) {
        return static_cast<KvResult>(rc);
    } catch (...) {
        return KV_E_FAILED;
    }
}

uint32_t CKvGenericPolymorph::AddRef(void* self) {
    st_KVtCOMProxy* proxy = Proxy(self);
    const int32_t n = kv::AtomicIncrement(&proxy->count);
    kv::AtomicIncrement(&proxy->instance->count);
    return static_cast<uint32_t>(n);
}

// The proxy's count drops before the instance's: once a releasing thread has
// lowered the instance count it touches the instance no more, so whichever
// thread brings it to 0 may free it while the others are still returning.
uint32_t CKvGenericPolymorph::Release(void* self) {
    st_KVtCOMProxy* proxy = Proxy(self);
    st_KVtCOMInstance* inst = proxy->instance;
    const int32_t proxyLeft = kv::AtomicDecrement(&proxy->count);
    const int32_t instLeft = kv::AtomicDecrement(&inst->count);
    if (instLeft != 0) return static_cast<uint32_t>(proxyLeft > 0 ? proxyLeft : 0);
    if (CKvGenericPolymorph* factory = inst->factory) {
        factory->Unlink(inst);
        // Release answers the host: nothing thrown while freeing may reach it.
        try {
            factory->FreeObj(inst->object);
        } catch (...) {
        }
    }
    if (inst->outer) Release(inst->outer);
    delete[] inst->proxies;
    delete inst;
    return 0;
}

void CKvRefCounted::acquire() { kv::AtomicIncrement(reinterpret_cast<int32_t*>(&m_count)); }

void CKvRefCounted::release() {
    if (kv::AtomicDecrement(reinterpret_cast<int32_t*>(&m_count)) == 0) delete this;
}

namespace kv {

uint32_t UnkAddRef(void* obj) { return obj ? (*static_cast<vt_IKvUnknown**>(obj))->AddRef(obj) : 0; }
uint32_t UnkRelease(void* obj) { return obj ? (*static_cast<vt_IKvUnknown**>(obj))->Release(obj) : 0; }
uint32_t ObjAddRef(void* obj) { return UnkAddRef(obj); }
uint32_t ObjRelease(void* obj) { return UnkRelease(obj); }

bool UnkIsSameObject(void* a, void* b) {
    if (!a || !b) return false;
    void* ua = nullptr;
    void* ub = nullptr;
    KvResult rc = (*static_cast<vt_IKvUnknown**>(a))->QueryInterface(a, &guid_Unknown, &ua);
    if (KV_FAILED(rc)) throw static_cast<unsigned>(rc);
    rc = (*static_cast<vt_IKvUnknown**>(b))->QueryInterface(b, &guid_Unknown, &ub);
    if (KV_FAILED(rc)) {
        UnkRelease(ua);
        throw static_cast<unsigned>(rc);
    }
    const bool same = ua == ub;
    UnkRelease(ua);
    UnkRelease(ub);
    return same;
}

void TraceObjects(bool, bool) {}

}  // namespace kv
