// The globals cache linked in directly, with the fake root context.
#include <gtest/gtest.h>

#include <barrier>
#include <thread>
#include <vector>

#include "fake_host.h"
#include "framework/com.h"
#include "framework/globals.h"
#include "framework/this_module.h"
#include "framework/threading.h"

namespace {

st_KVtGUID NumberedGUID(unsigned i) {
    st_KVtGUID g;
    kv::GUIDSet(&g, 0x5EB00000 + i, 0x1234, 0x5678, 0x9A, 0xBC, 0xDE, 0xF0, 0x12, 0x34, 0x56, 0x78);
    return g;
}

struct NoObj : CKvGenericPolymorph {
    static int deleted;
    ~NoObj() override { ++deleted; }
    void* NewObj() override { return nullptr; }
    void FreeObj(void*) override {}
};
int NoObj::deleted = 0;

}  // namespace

TEST(Globals, OneHostQueryPerServiceRefusalsAskedAgain) {
    fake::Root root;
    root.refused.push_back(kv::guid_ImageService);
    CKvGlobalCache cache;
    EXPECT_EQ(cache.GetGlobal(&kv::guid_ThreadService), nullptr);  // no root context yet
    EXPECT_EQ(root.TotalQueries(), 0);
    EXPECT_EQ(cache.CachedCount(), 0u);

    cache.InitGlobal(root.ptr());
    EXPECT_EQ(cache.GetGlobal(nullptr), nullptr);
    void* ts = cache.GetGlobal(&kv::guid_ThreadService);
    EXPECT_EQ(ts, &root.threadObj);
    st_KVtGUID copy = kv::guid_ThreadService;  // by value, not by address
    EXPECT_EQ(cache.GetGlobal(&copy), ts);
    EXPECT_EQ(cache.GetGlobal(&kv::guid_ThreadService), ts);
    // One query for the service itself, one more to make the cache mutex.
    EXPECT_EQ(root.Queries(kv::guid_ThreadService), 2);
    EXPECT_EQ(root.threadObj.refs.load(), 1);

    EXPECT_EQ(cache.GetGlobal(&kv::guid_ImageService), nullptr);
    EXPECT_EQ(cache.GetGlobal(&kv::guid_ImageService), nullptr);
    EXPECT_EQ(root.Queries(kv::guid_ImageService), 2);
    EXPECT_EQ(cache.CachedCount(), 1u);

    const st_KVtGUID* rec = cache.LookupGUID("0A9D5B42-1DA6-42A4-8FC4-01FCCE939AC4");
    ASSERT_NE(rec, nullptr);
    EXPECT_EQ(kv::GUIDCompare(rec, &kv::guid_ThreadService), 0);

    cache.FreeGlobal();
    EXPECT_TRUE(cache.IsFreed());
    EXPECT_EQ(cache.GetGlobal(&kv::guid_ThreadService), nullptr);
    EXPECT_EQ(cache.LookupGUID("0A9D5B42-1DA6-42A4-8FC4-01FCCE939AC4"), nullptr);
    EXPECT_EQ(root.refs(), 0);  // the root context, released exactly once
    EXPECT_EQ(root.threadObj.refs.load(), 0);
    EXPECT_EQ(root.guidObj.refs.load(), 0);
    EXPECT_EQ(root.mutexesLive.load(), 0);
    cache.FreeGlobal();
    EXPECT_EQ(root.refs(), 0);
}

// The table holds 100 services: the 101st is answered null without asking
// the host or writing past the table, and the others keep answering.
TEST(Globals, TheHundredAndFirstServiceIsRefused) {
    fake::Root root;
    root.anyService = true;
    CKvGlobalCache cache;
    cache.InitGlobal(root.ptr());
    std::vector<void*> got;
    for (unsigned i = 0; i < CKvGlobalCache::kCapacity; ++i) {
        const st_KVtGUID g = NumberedGUID(i);
        got.push_back(cache.GetGlobal(&g));
        ASSERT_NE(got.back(), nullptr) << i;
    }
    const st_KVtGUID extra = NumberedGUID(CKvGlobalCache::kCapacity);
    EXPECT_EQ(cache.GetGlobal(&extra), nullptr);
    EXPECT_EQ(root.Queries(extra), 0);
    EXPECT_EQ(cache.CachedCount(), CKvGlobalCache::kCapacity);
    const st_KVtGUID g7 = NumberedGUID(7);
    EXPECT_EQ(cache.GetGlobal(&g7), got[7]);
    EXPECT_EQ(root.LiveServiceRefs(), static_cast<int>(CKvGlobalCache::kCapacity));
    cache.FreeGlobal();
    EXPECT_EQ(root.LiveServiceRefs(), 0);
    EXPECT_EQ(root.refs(), 0);
}

// Eight threads asking for the same fresh services at once: each is asked
// of the host once and cached once.
TEST(Globals, ConcurrentFirstLookupsCacheOnce) {
    fake::Root root;
    root.anyService = true;
    CKvGlobalCache cache;
    cache.InitGlobal(root.ptr());
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([&] {
            for (unsigned i = 0; i < 20; ++i) {
                const st_KVtGUID g = NumberedGUID(i);
                EXPECT_NE(cache.GetGlobal(&g), nullptr);
            }
        });
    for (auto& th : threads) th.join();
    EXPECT_EQ(cache.CachedCount(), 20u);
    for (unsigned i = 0; i < 20; ++i) EXPECT_EQ(root.Queries(NumberedGUID(i)), 1) << i;
    EXPECT_EQ(root.LiveServiceRefs(), 20);
    cache.FreeGlobal();
    EXPECT_EQ(root.mutexesLive.load(), 0);
}

// Spawners: found by name; FreeGlobal deletes each held factory once, also
// one stored under two names; a replaced one is not deleted.
TEST(Globals, SpawnersAreOwnedByTheCache) {
    NoObj::deleted = 0;
    CKvGlobalCache cache;
    auto* a = new NoObj;
    auto* replaced = new NoObj;
    cache.AddSpawner("a", a);
    cache.AddSpawner("alias", a);
    cache.AddSpawner("b", replaced);
    cache.AddSpawner("b", new NoObj);
    EXPECT_EQ(cache.FindSpawner("alias"), a);
    EXPECT_EQ(cache.FindSpawner("none"), nullptr);
    EXPECT_EQ(cache.FindSpawner(nullptr), nullptr);
    cache.FreeGlobal();
    EXPECT_EQ(NoObj::deleted, 2);
    auto* late = new NoObj;
    cache.AddSpawner("late", late);  // freed cache: stays the caller's
    EXPECT_EQ(cache.FindSpawner("late"), nullptr);
    delete late;
    delete replaced;
}

// The first fetch of the thread service and the first creation of gMutex,
// reached by 8 threads at once on this program's own module: one service
// reference is cached and one mutex kept (besides the cache's own); the
// losers' mutexes are given back. The module is freed at the end.
TEST(Globals, ThreadGlobalsStaySingleWhenThreadsRace) {
    if (thisModule.IsFreed()) GTEST_SKIP() << "the module was freed by an earlier repetition";
    fake::Root root;
    thisModule.InitGlobal(root.ptr());
    std::barrier start(8);
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([&] {
            start.arrive_and_wait();
            kv::CKvInstanceLock lock;
        });
    for (auto& th : threads) th.join();
    EXPECT_EQ(gThreadSvc.load(), &root.threadObj);
    EXPECT_NE(gMutex.load(), nullptr);
    EXPECT_EQ(root.threadObj.refs.load(), 1);
    EXPECT_EQ(root.mutexesLive.load(), 2);
    thisModule.FreeGlobal();
    EXPECT_EQ(gThreadSvc.load(), nullptr);
    EXPECT_EQ(gMutex.load(), nullptr);
    EXPECT_EQ(root.mutexesLive.load(), 0);
    EXPECT_EQ(root.refs(), 0);
    int32_t plain = 5;
    EXPECT_EQ(kv::AtomicIncrement(&plain), 6);  // plain arithmetic once freed
}
