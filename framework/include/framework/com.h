// COM object model: interface records, live instances, the proxies the host
// holds, and the server factories that make them.
//
// A factory offers a list of interface records; each Spawn makes one instance
// with one implementing object and one proxy per record. References are
// counted twice: per proxy and, as their sum, per instance. When the
// instance's count reaches 0 the factory frees the object.
#pragma once

#include <cstdint>

#include "kv/kv_types.h"

class CKvGenericPolymorph;
struct st_KVtCOMInstance;

// What the host holds as an interface pointer. Its first word is the method
// table; the adaptors read `object`.
struct st_KVtCOMProxy {
    const vt_IKvUnknown* vtbl;
    st_KVtCOMInstance* instance;
    void* object;
    int32_t count;
};

// One live COM object.
struct st_KVtCOMInstance {
    CKvGenericPolymorph* factory;  // null once the factory is destroyed
    st_KVtCOMInstance* next;       // older instance of the same factory
    st_KVtCOMInstance* prev;       // newer instance
    st_KVtCOMProxy* proxies;       // one per interface, by interface index
    int32_t proxyCount;
    void* object;                  // from NewObj; null once the factory is destroyed
    st_KVtCOMProxy* outer;         // aggregation: QueryInterface is forwarded here
    int32_t count;                 // sum of the proxies' counts
};

// One interface a factory offers. Derived records (CKvIfc_*) hold their
// method table right after these fields and pass it to the constructor; slots
// 0 to 2 are filled by AddInterface. A record added with AddInterface belongs
// to the caller; one added with AdoptInterface belongs to the factory.
class CKvInterface {
public:
    CKvInterface(const st_KVtGUID* guid, vt_IKvUnknown* table) : table(table), guid(guid) {}
    CKvInterface(const CKvInterface&) = delete;
    CKvInterface& operator=(const CKvInterface&) = delete;
    virtual ~CKvInterface() = default;

    CKvInterface* next = nullptr;
    CKvInterface* prev = nullptr;
    vt_IKvUnknown* table;
    const st_KVtGUID* guid;
    int32_t index = -1;  // position in the factory, assigned when added
    CKvInterface* nextOwned = nullptr;  // chain of the records a factory owns
};

// Abstract server factory.
class CKvGenericPolymorph {
public:
    CKvGenericPolymorph() = default;
    CKvGenericPolymorph(const CKvGenericPolymorph&) = delete;
    CKvGenericPolymorph& operator=(const CKvGenericPolymorph&) = delete;
    // Detaches the instances still alive: their objects are forgotten (not
    // freed) and a later final Release frees only the instance memory.
    // Deletes the records it owns when no instance is alive; otherwise they
    // stay, since the live proxies still point at their method tables.
    virtual ~CKvGenericPolymorph();

    virtual void* NewObj() = 0;           // the implementing object of a new instance
    virtual void FreeObj(void* obj) = 0;  // destroys it
    virtual void InitObj(void* obj, void* data);
    // Aggregation hook: another object's interface for `guid`, with one
    // reference for the caller, or null. When that object is a proxy of this
    // library, its instance forwards QueryInterface to `self` from then on
    // and holds one reference to it until the instance dies.
    virtual vt_IKvUnknown** IsA(vt_IKvUnknown** self, const st_KVtGUID* guid);
    // Whether the factory offers the interface (null or kv::guid_Unknown: any).
    virtual bool TestInterface(const st_KVtGUID* guid);

    // Appends a record and fills its slots 0 to 2. Add every record before
    // the first spawn; a later one is offered only by instances made after it.
    // The caller keeps ownership of `rec` and must keep it alive as long as
    // the factory or any instance it made.
    void AddInterface(CKvInterface* rec);
    // The same, and the factory takes ownership of `rec` (made with new).
    void AdoptInterface(CKvInterface* rec);
    // GUID of the first record (the default interface), or null.
    const st_KVtGUID* DefaultInterface() const;
    // The record for a GUID; null or kv::guid_Unknown picks the first.
    CKvInterface* FindIID(const st_KVtGUID* guid) const;
    // A new instance's proxy for `guid` with one reference, or null when the
    // interface is not offered or the object could not be made.
    void* Spawn(const st_KVtGUID* guid);
    // The instance's proxy for the record, AddRef-ed. Throws 0x80000015 when
    // the record's index lies outside the instance's proxy array.
    void* NewProxy(st_KVtCOMInstance* inst, CKvInterface* rec);

    // Live instances of this factory (walks the list under the instance lock).
    unsigned InstanceCount() const;

    // Slots 0 to 2 of every served table; `self` is the proxy.
    static KvResult QueryInterface(void* self, const st_KVtGUID* guid, void** out);
    static uint32_t AddRef(void* self);
    static uint32_t Release(void* self);

protected:
    st_KVtCOMInstance* m_instHead = nullptr;  // newest
    st_KVtCOMInstance* m_instTail = nullptr;  // oldest
    CKvInterface* m_ifcHead = nullptr;        // default interface
    CKvInterface* m_ifcTail = nullptr;
    int32_t m_ifcCount = 0;                   // records added so far
    // Records the factory owns. Its destructor walks only these: a caller's
    // records (often members of the derived factory) may be gone by then.
    CKvInterface* m_ownedHead = nullptr;

private:
    void Unlink(st_KVtCOMInstance* inst);
};

// Factory of objects of class T (default-constructed, deleted virtually).
template <class T>
class CKvPolymorph : public CKvGenericPolymorph {
public:
    void* NewObj() override { return new T; }
    void FreeObj(void* obj) override { delete static_cast<T*>(obj); }
};

// Root class with a virtual destructor.
class CKvObject {
public:
    virtual ~CKvObject() = default;
};

// Self-deleting object with an atomic count (1 at construction).
class CKvRefCounted : public CKvObject {
public:
    void acquire();
    void release();  // deletes the object when the count reaches 0
    uint32_t refs() const { return m_count; }

private:
    uint32_t m_count = 1;
};

namespace kv {

// Slot 1 / slot 2 of any COM pointer; null is ignored and answers 0.
uint32_t UnkAddRef(void* obj);
uint32_t UnkRelease(void* obj);
uint32_t ObjAddRef(void* obj);
uint32_t ObjRelease(void* obj);
// Whether two COM pointers reach the same object (both queried for
// kv::guid_Unknown). False if either is null; a failing query throws its code.
bool UnkIsSameObject(void* a, void* b);
// Object tracing hook; does nothing.
void TraceObjects(bool, bool);

}  // namespace kv
