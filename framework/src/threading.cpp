// gThreadSvc and gMutex: found or made on first need, published with a
// compare-exchange so that racing threads agree on one (a loser's mutex is
// released); no lock is held during these host calls.
#include "framework/threading.h"

#include "framework/globals.h"
#include "kv/kv_abi.h"

std::atomic<void*> gThreadSvc{nullptr};
std::atomic<void*> gMutex{nullptr};

namespace kv {

void* ThreadService() {
    void* svc = gThreadSvc.load(std::memory_order_acquire);
    if (svc) return svc;
    svc = GetGlobal(&guid_ThreadService);  // the cache holds the one reference
    if (!svc) return nullptr;
    void* expected = nullptr;
    gThreadSvc.compare_exchange_strong(expected, svc, std::memory_order_acq_rel);
    return gThreadSvc.load(std::memory_order_acquire);
}

static vt_IKvThreadService* Table(void* svc) { return *static_cast<vt_IKvThreadService**>(svc); }

int32_t AtomicIncrement(int32_t* value) {
    if (void* svc = ThreadService()) return Table(svc)->AtomicIncrement(svc, value);
    return ++*value;
}

int32_t AtomicDecrement(int32_t* value) {
    if (void* svc = ThreadService()) return Table(svc)->AtomicDecrement(svc, value);
    return --*value;
}

static void* InstanceMutex() {
    void* mtx = gMutex.load(std::memory_order_acquire);
    if (mtx) return mtx;
    void* svc = ThreadService();
    if (!svc) return nullptr;
    void* fresh = nullptr;
    if (KV_FAILED(Table(svc)->CreateMutex(svc, &fresh)) || !fresh) return nullptr;
    void* expected = nullptr;
    if (gMutex.compare_exchange_strong(expected, fresh, std::memory_order_acq_rel)) return fresh;
    (*static_cast<vt_IKvUnknown**>(fresh))->Release(fresh);  // another thread won
    return expected;
}

CKvInstanceLock::CKvInstanceLock() : m_mutex(InstanceMutex()) {
    if (m_mutex) (*static_cast<vt_IKvMutex**>(m_mutex))->Enter(m_mutex);
}

CKvInstanceLock::~CKvInstanceLock() {
    if (m_mutex) (*static_cast<vt_IKvMutex**>(m_mutex))->Leave(m_mutex);
}

void ReleaseThreadGlobals() {
    gThreadSvc.store(nullptr, std::memory_order_release);
    if (void* mtx = gMutex.exchange(nullptr, std::memory_order_acq_rel))
        (*static_cast<vt_IKvUnknown**>(mtx))->Release(mtx);
}

}  // namespace kv
