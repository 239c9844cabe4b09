// The object model linked in directly: counts through two levels, record
// ownership, factories destroyed under live instances, aggregation.
#include <gtest/gtest.h>

#include <new>

#include "fake_host.h"
#include "framework/adaptor_packet.h"
#include "framework/com.h"

using fake::Query;
using fake::Rel;
using fake::Table;

namespace {

int gLive = 0;          // implementing objects alive
int gFreeObj = 0;       // FreeObj calls
int gRecordsFreed = 0;  // owned records deleted

struct Obj : CKvImpl_VectorPacket, CKvImpl_PacketEffect {
    Obj() { ++gLive; }
    ~Obj() override { --gLive; }
    unsigned vpkt_Size() override { return 12; }
    const char* vpkt_Interface() override { return nullptr; }
    unsigned pfx_Count() override { return 2; }
};

struct CountedPacketRecord : CKvIfc_VectorPacket<Obj> {
    ~CountedPacketRecord() override { ++gRecordsFreed; }
};
struct CountedEffectRecord : CKvIfc_PacketEffect<Obj> {
    ~CountedEffectRecord() override { ++gRecordsFreed; }
};

struct Factory : CKvPolymorph<Obj> {
    void FreeObj(void* obj) override {
        ++gFreeObj;
        CKvPolymorph<Obj>::FreeObj(obj);
    }
};

struct Counters : ::testing::Test {
    void SetUp() override { gLive = gFreeObj = gRecordsFreed = 0; }
};

using Com = Counters;

}  // namespace

TEST_F(Com, CountsThroughProxyAndInstance) {
    Factory f;
    CKvIfc_VectorPacket<Obj> packet;
    CKvIfc_PacketEffect<Obj> effect;
    f.AddInterface(&packet);
    f.AddInterface(&effect);
    EXPECT_EQ(f.Spawn(&kv::guid_SceneService), nullptr);
    EXPECT_EQ(gLive, 0);

    void* p = f.Spawn(&kv::guid_Unknown);
    ASSERT_NE(p, nullptr);
    auto* proxy = static_cast<st_KVtCOMProxy*>(p);
    EXPECT_EQ(proxy->count, 1);
    EXPECT_EQ(proxy->instance->count, 1);
    EXPECT_EQ(Table<vt_IKvVectorPacket>(p)->Size(p), 12u);
    EXPECT_EQ(fake::AddRef(p), 2u);
    EXPECT_EQ(fake::AddRef(p), 3u);
    EXPECT_EQ(Rel(p), 2u);
    EXPECT_EQ(Rel(p), 1u);

    void* q = Query(p, kv::guid_PacketEffect);
    ASSERT_NE(q, nullptr);
    EXPECT_NE(q, p);
    EXPECT_EQ(proxy->instance->count, 2);
    EXPECT_EQ(Table<vt_IKvPacketEffect>(q)->Count(q), 2u);  // reaches the second base
    EXPECT_TRUE(kv::UnkIsSameObject(p, q));
    void* other = f.Spawn(nullptr);
    EXPECT_FALSE(kv::UnkIsSameObject(p, other));
    EXPECT_FALSE(kv::UnkIsSameObject(p, nullptr));
    Rel(other);
    EXPECT_EQ(gFreeObj, 1);
    EXPECT_EQ(Rel(p), 0u);
    EXPECT_EQ(gFreeObj, 1);
    EXPECT_EQ(Rel(q), 0u);
    EXPECT_EQ(gFreeObj, 2);  // once per instance, on its last Release
    EXPECT_EQ(gLive, 0);
    EXPECT_EQ(f.InstanceCount(), 0u);
}

// A record added after an instance was made lies past that instance's
// proxies: asking the old instance for it answers index out of range.
TEST_F(Com, RecordAddedAfterASpawn) {
    Factory f;
    CKvIfc_VectorPacket<Obj> packet;
    CKvIfc_PacketEffect<Obj> effect;
    f.AddInterface(&packet);
    void* early = f.Spawn(nullptr);
    f.AddInterface(&effect);
    void* out = nullptr;
    EXPECT_EQ(Table<vt_IKvUnknown>(early)->QueryInterface(early, &kv::guid_PacketEffect, &out), KV_E_OUTOFBOUNDS);
    void* late = f.Spawn(&kv::guid_PacketEffect);
    ASSERT_NE(late, nullptr);
    Rel(late);
    Rel(early);
    EXPECT_EQ(gLive, 0);
}

// A factory frees the records it owns, and only those, when no instance is
// alive; a spawn whose object cannot be made leaves nothing behind.
TEST_F(Com, FactoryFreesItsOwnRecords) {
    CKvIfc_PacketEffect<Obj> callerOwned;
    auto* f = new Factory;
    f->AdoptInterface(new CountedPacketRecord);
    f->AddInterface(&callerOwned);
    void* p = f->Spawn(nullptr);
    void* q = Query(p, kv::guid_PacketEffect);
    Rel(q);
    Rel(p);
    delete f;
    EXPECT_EQ(gRecordsFreed, 1);

    // The caller's record still serves another factory.
    struct Failing : CKvPolymorph<Obj> {
        bool oom = true;
        void* NewObj() override {
            if (oom) throw std::bad_alloc();
            return nullptr;
        }
    } g;
    g.AddInterface(&callerOwned);
    EXPECT_THROW(g.Spawn(nullptr), std::bad_alloc);
    g.oom = false;
    EXPECT_EQ(g.Spawn(nullptr), nullptr);
    EXPECT_EQ(g.InstanceCount(), 0u);
}

// Destroyed while the host still holds proxies: the instances are detached,
// their records stay (the proxies point at their tables), and the final
// Release frees the instance without FreeObj.
TEST_F(Com, FactoryDestroyedWithLiveInstances) {
    auto* f = new Factory;
    f->AdoptInterface(new CountedPacketRecord);
    f->AdoptInterface(new CountedEffectRecord);
    void* p = f->Spawn(nullptr);
    void* q = Query(p, kv::guid_PacketEffect);
    ASSERT_TRUE(p && q);
    auto* object = static_cast<Obj*>(static_cast<CKvImpl_VectorPacket*>(static_cast<st_KVtCOMProxy*>(p)->object));
    delete f;
    EXPECT_EQ(gRecordsFreed, 0);
    EXPECT_EQ(static_cast<st_KVtCOMProxy*>(p)->object, nullptr);
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(Table<vt_IKvUnknown>(p)->QueryInterface(p, &kv::guid_PacketEffect, &out), KV_E_NOINTERFACE);
    EXPECT_EQ(Table<vt_IKvVectorPacket>(p)->Size(p), 0u);  // a detached object answers the fallback
    EXPECT_EQ(Rel(q), 0u);
    EXPECT_EQ(Rel(p), 0u);
    EXPECT_EQ(gFreeObj, 0);
    EXPECT_EQ(gLive, 1);
    EXPECT_EQ(gRecordsFreed, 0);
    delete object;  // the detached object is no longer the framework's
}

namespace {

// Offers VectorPacket itself and aggregates one PacketEffect object of
// another factory, made on first need and kept until DropInner.
struct Outer : Factory {
    Factory innerFactory;
    CKvIfc_PacketEffect<Obj> effect;
    void* inner = nullptr;
    Outer() { innerFactory.AddInterface(&effect); }
    vt_IKvUnknown** IsA(vt_IKvUnknown**, const st_KVtGUID* guid) override {
        if (kv::GUIDCompare(guid, &kv::guid_PacketEffect) != 0) return nullptr;
        if (!inner) inner = innerFactory.Spawn(guid);
        fake::AddRef(inner);
        return static_cast<vt_IKvUnknown**>(inner);
    }
    void DropInner() { Rel(inner); }
};

}  // namespace

TEST_F(Com, AggregationForwardsAndHoldsOneOuterReference) {
    Outer f;
    CKvIfc_VectorPacket<Obj> packet;
    f.AddInterface(&packet);
    void* p = f.Spawn(nullptr);
    st_KVtCOMInstance* outerInst = static_cast<st_KVtCOMProxy*>(p)->instance;

    void* q = Query(p, kv::guid_PacketEffect);
    ASSERT_NE(q, nullptr);
    EXPECT_EQ(outerInst->count, 2);  // the aggregated instance holds the outer one
    void* q2 = Query(p, kv::guid_PacketEffect);
    EXPECT_EQ(q2, q);
    EXPECT_EQ(outerInst->count, 2);  // asked again: still one reference
    Rel(q2);

    void* back = Query(q, kv::guid_VectorPacket);  // forwarded to the outer object
    EXPECT_EQ(back, p);
    EXPECT_EQ(outerInst->count, 3);
    Rel(back);
    Rel(q);
    Rel(p);
    EXPECT_EQ(gFreeObj, 0);  // the kept inner object still holds the outer
    f.DropInner();
    EXPECT_EQ(gFreeObj, 2);
    EXPECT_EQ(gLive, 0);
}
