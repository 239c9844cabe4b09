#include "core/host_object.h"

#include <map>
#include <mutex>

namespace kvh {
namespace {

std::atomic<int64_t> gLive{0};
std::atomic<int64_t> gImbalances{0};
std::mutex gKindsMutex;
std::map<std::string, int64_t>& Kinds() {
    static std::map<std::string, int64_t> kinds;
    return kinds;
}

}  // namespace

HostObject::HostObject(const char* kind) : kind_(kind) {
    gLive.fetch_add(1);
    std::lock_guard<std::mutex> lock(gKindsMutex);
    ++Kinds()[kind_];
}

HostObject::~HostObject() {
    gLive.fetch_sub(1);
    std::lock_guard<std::mutex> lock(gKindsMutex);
    --Kinds()[kind_];
}

uint32_t HostObject::AddRef() { return refs_.fetch_add(1, std::memory_order_relaxed) + 1; }

uint32_t HostObject::Release() {
    uint32_t before = refs_.load(std::memory_order_relaxed);
    do {
        if (before == 0) {  // over-release: keep the object, record the fault
            gImbalances.fetch_add(1);
            return 0;
        }
    } while (!refs_.compare_exchange_weak(before, before - 1, std::memory_order_acq_rel));
    if (before == 1) delete this;
    return before - 1;
}

void HostObject::ReleaseOwned() {
    if (RefCount() != 1) gImbalances.fetch_add(1);
    Release();
}

int64_t LiveHostObjects() { return gLive.load(); }
int64_t RefcountImbalances() { return gImbalances.load(); }

std::string LiveHostObjectReport() {
    std::lock_guard<std::mutex> lock(gKindsMutex);
    std::string out;
    for (const auto& [k, n] : Kinds())
        if (n != 0) out += k + "=" + std::to_string(n) + " ";
    return out;
}

KvResult ComQueryInterface(void* self, const st_KVtGUID* iid, void** out) {
    if (!out) return KV_E_FAILED;
    HostObject* o = static_cast<ComInterface*>(self)->owner;
    void* p = o->Query(iid ? *iid : kv::guid_Unknown);
    if (!p) {
        *out = nullptr;
        return KV_E_NOINTERFACE;
    }
    // The reference goes to the object that serves the interface (the root
    // context answers with its services).
    static_cast<ComInterface*>(p)->owner->AddRef();
    *out = p;
    return KV_OK;
}

uint32_t ComAddRef(void* self) { return static_cast<ComInterface*>(self)->owner->AddRef(); }
uint32_t ComRelease(void* self) { return static_cast<ComInterface*>(self)->owner->Release(); }
KvResult NotImplementedSlot(void*) { return KV_E_NOTIMPL; }

ComRef& ComRef::operator=(ComRef&& o) noexcept {
    if (this != &o) {
        Reset();
        p_ = o.p_;
        o.p_ = nullptr;
    }
    return *this;
}

void ComRef::Reset(void* p) {
    vt_IKvUnknown** old = p_;
    p_ = static_cast<vt_IKvUnknown**>(p);
    if (old) (*old)->Release(old);
}

ComRef ComRef::Query(const st_KVtGUID& iid) const {
    ComRef r;
    if (!p_) return r;
    void* q = nullptr;
    if (KV_SUCCEEDED((*p_)->QueryInterface(p_, &iid, &q)) && q) r.Reset(q);
    return r;
}

}  // namespace kvh
