// Host COM objects: the stand-in host's own small object model.
//
// A host object derives from HostObject and embeds one ComInterface per
// interface it serves. A ComInterface's first word is its method table, so
// its address is the interface pointer (vt_IKvUnknown**) that plug-ins hold;
// its second word points back at the owning object.
//
//   class Monitor final : public HostObject {
//    public:
//     Monitor() : HostObject("Monitor") { iface_.Bind(this, &kTable); }
//     void* Query(const st_KVtGUID& iid) override {
//       return IsGuid(iid, kv::guid_Monitor) ? iface_.ptr() : nullptr;
//     }
//     vt_IKvUnknown** ptr() { return iface_.ptr(); }
//    private:
//     static inline const vt_IKvMonitor kTable = MakeTable<vt_IKvMonitor>([](vt_IKvMonitor&) {});
//     ComInterface iface_;
//   };
//
// Inside a slot function, `Owner<Monitor>(self)` gives the object back.
// Reference counts are atomic. A new object carries one reference for its
// creator; every object handed out through an out-argument carries one for the
// receiver (AddRef before returning it). Query() with kv::guid_Unknown answers
// the object's first interface.
//
// Every live host object is counted (LiveHostObjects) so that tests can check
// that a run leaves the count where it started; ReleaseOwned() drops the
// host's own reference and records an imbalance when someone else still holds
// one (RefcountImbalances).
#pragma once

#include <atomic>
#include <cstdint>
#include <cstring>
#include <string>

#include <kv/kv_abi.h>

namespace kvh {

class HostObject;

// Field-by-field GUID equality.
inline bool IsGuid(const st_KVtGUID& a, const st_KVtGUID& b) {
    return a.d1 == b.d1 && a.d2 == b.d2 && a.d3 == b.d3 && std::memcmp(a.d4, b.d4, 8) == 0;
}
// True for the "any interface" GUID (and for a null request).
inline bool IsAnyGuid(const st_KVtGUID* g) { return g == nullptr || IsGuid(*g, kv::guid_Unknown); }

// One interface of a host object: the method table, then the owner.
struct ComInterface {
    const void* table = nullptr;
    HostObject* owner = nullptr;

    void Bind(HostObject* o, const void* t) {
        owner = o;
        table = t;
    }
    vt_IKvUnknown** ptr() { return reinterpret_cast<vt_IKvUnknown**>(this); }
};

class HostObject {
public:
    explicit HostObject(const char* kind);
    HostObject(const HostObject&) = delete;
    HostObject& operator=(const HostObject&) = delete;

    // Interface pointer for the GUID, without adding a reference; null when
    // the object does not serve it.
    virtual void* Query(const st_KVtGUID& iid) = 0;

    uint32_t AddRef();
    uint32_t Release();
    uint32_t RefCount() const { return refs_.load(std::memory_order_acquire); }
    const char* Kind() const { return kind_; }

    // Drops the host's own (last expected) reference; a count other than 1
    // is recorded as an imbalance (someone leaked or over-released).
    void ReleaseOwned();

protected:
    virtual ~HostObject();

private:
    std::atomic<uint32_t> refs_{1};
    const char* kind_;
};

// The owner of an interface pointer a host table function received.
template <class T>
T* Owner(void* self) {
    return static_cast<T*>(static_cast<ComInterface*>(self)->owner);
}

// Host-object counters (process wide).
int64_t LiveHostObjects();
int64_t RefcountImbalances();
// "Kind=count" list of the live host objects, for test failure messages.
std::string LiveHostObjectReport();

// Slots 0 to 2 shared by every host table.
KvResult ComQueryInterface(void* self, const st_KVtGUID* iid, void** out);
uint32_t ComAddRef(void* self);
uint32_t ComRelease(void* self);
KvResult NotImplementedSlot(void* self);

// A method table with every slot answering KV_E_NOTIMPL and slots 0 to 2 the
// shared ones; `fill` sets the slots the object serves.
template <class Vt, class Fill>
Vt MakeTable(Fill fill) {
    static_assert(sizeof(Vt) % sizeof(void*) == 0);
    constexpr size_t n = sizeof(Vt) / sizeof(void*);
    KvUnusedSlot slots[n];
    for (size_t i = 0; i < n; ++i) slots[i] = &NotImplementedSlot;
    Vt table;
    std::memcpy(static_cast<void*>(&table), slots, sizeof(Vt));
    vt_IKvUnknown unk{&ComQueryInterface, &ComAddRef, &ComRelease};
    std::memcpy(static_cast<void*>(&table), &unk, sizeof(unk));
    fill(table);
    return table;
}

// Holds one reference to a COM pointer (host or plug-in) and releases it.
class ComRef {
public:
    ComRef() = default;
    // Takes over a reference the caller already owns.
    explicit ComRef(void* p) : p_(static_cast<vt_IKvUnknown**>(p)) {}
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    ComRef(ComRef&& o) noexcept : p_(o.p_) { o.p_ = nullptr; }
    ComRef& operator=(ComRef&& o) noexcept;
    ~ComRef() { Reset(); }

    void Reset(void* p = nullptr);
    vt_IKvUnknown** get() const { return p_; }
    template <class Vt>
    const Vt* table() const { return reinterpret_cast<const Vt*>(*p_); }
    explicit operator bool() const { return p_ != nullptr; }
    // QueryInterface into a new reference; empty on failure.
    ComRef Query(const st_KVtGUID& iid) const;
    void** out() {
        Reset();
        return reinterpret_cast<void**>(&p_);
    }

private:
    vt_IKvUnknown** p_ = nullptr;
};

}  // namespace kvh
