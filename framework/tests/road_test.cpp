// Loads the built test plug-ins with the system loader and drives them
// through their method tables with a fake root context.
#include <gtest/gtest.h>

#include <barrier>
#include <string>
#include <thread>
#include <vector>

#include "fake_host.h"
#include "framework/com.h"
#include "plugin_loader.h"

using fake::Query;
using fake::Rel;
using fake::Table;

namespace {

// A module with the root context handed over, as the host does at load.
struct LoadedModule {
    fake::Plugin plugin;
    void* mod = nullptr;
    void* tags = nullptr;

    LoadedModule(const char* name, fake::Root& root) : plugin(name) {
        if (!plugin.create) return;
        mod = plugin.create();
        if (!mod) return;
        tags = Query(mod, kv::guid_TagDescription);
        void* need = Query(mod, kv::guid_NeedContext);
        if (need) Table<vt_IKvNeedContext>(need)->SetContext(need, root.ptr());
        if (need) Rel(need);
    }
    void* Generate(const char* server, const st_KVtGUID* iid, KvResult* rc = nullptr) {
        void* obj = nullptr;
        const KvResult r = Table<vt_IKvModule>(mod)->Generate(mod, server, iid, &obj);
        if (rc) *rc = r;
        return KV_SUCCEEDED(r) ? obj : nullptr;
    }
    void Release() {
        if (tags) Rel(tags);
        if (mod) Rel(mod);
        tags = mod = nullptr;
    }
};

}  // namespace

TEST(Road, EntryRetriesInitializeUntilItSucceeds) {
    fake::Plugin p("kvtest_flaky");
    ASSERT_NE(p.create, nullptr);
    EXPECT_EQ(p.create(), nullptr);
    void* m1 = p.create();
    ASSERT_NE(m1, nullptr);
    void* m2 = p.create();
    ASSERT_NE(m2, nullptr);
    EXPECT_NE(m1, m2);
    // The failed first run's registration was forgotten: the server is listed once.
    void* tags = Query(m1, kv::guid_TagDescription);
    ASSERT_NE(tags, nullptr);
    EXPECT_EQ(Table<vt_IKvTagDescription>(tags)->Count(tags), 1u);
    void* obj = nullptr;
    ASSERT_EQ(Table<vt_IKvModule>(m2)->Generate(m2, "flaky.packet", nullptr, &obj), KV_OK);
    EXPECT_EQ(Table<vt_IKvVectorPacket>(obj)->Size(obj), 4u);
    Rel(obj);
    Rel(tags);
    Rel(m1);
    Rel(m2);
}

TEST(Road, DescribeGenerateAndShutdown) {
    fake::Root root;
    LoadedModule m("kvtest", root);
    ASSERT_TRUE(m.mod && m.tags);
    void* mod = m.mod;
    void* tags = m.tags;

    auto* tv = Table<vt_IKvTagDescription>(tags);
    ASSERT_EQ(tv->Count(tags), 3u);
    st_KVtTagInfoDesc row{};
    EXPECT_EQ(tv->Describe(tags, 3, &row), KV_E_OUTOFBOUNDS);
    ASSERT_EQ(tv->Describe(tags, 0, &row), KV_OK);
    EXPECT_STREQ(row.type, "server");
    EXPECT_STREQ(row.info, "passthrough");
    EXPECT_EQ(kv::GUIDCompare(static_cast<const st_KVtGUID*>(row.ptr), &kv::guid_CustomMaterial), 0);

    auto* mv = Table<vt_IKvModule>(mod);
    void* obj = nullptr;
    EXPECT_EQ(mv->Generate(mod, "passthrough", &kv::guid_ChannelUI, &obj), KV_E_NOTFOUND);
    EXPECT_EQ(mv->Generate(mod, "nothing", &kv::guid_CustomMaterial, &obj), KV_E_NOTFOUND);
    EXPECT_EQ(obj, nullptr);
    EXPECT_EQ(mv->GetTags(mod, "passthrough", &kv::guid_CustomMaterial, &obj), KV_E_NOTIMPL);
    ASSERT_EQ(mv->Generate(mod, "passthrough", nullptr, &obj), KV_OK);
    auto* proxy = static_cast<st_KVtCOMProxy*>(obj);
    EXPECT_EQ(proxy->count, 1);
    EXPECT_EQ(proxy->instance->count, 1);

    // ChannelUI is the material's second base: the call must reach it.
    void* cui = Query(obj, kv::guid_ChannelUI);
    ASSERT_NE(cui, nullptr);
    EXPECT_EQ(proxy->instance->count, 2);
    unsigned deps = 99;
    EXPECT_EQ(Table<vt_IKvChannelUI>(cui)->DependencyCount(cui, "x", &deps), KV_OK);
    EXPECT_EQ(deps, 0u);
    EXPECT_EQ(Table<vt_IKvChannelUI>(cui)->ItemIcon(cui, nullptr, nullptr), KV_E_NOTIMPL);
    void* none = reinterpret_cast<void*>(1);
    EXPECT_EQ(Table<vt_IKvUnknown>(obj)->QueryInterface(obj, &kv::guid_VectorPacket, &none), KV_E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);
    auto* cm = Table<vt_IKvCustomMaterial>(obj);
    EXPECT_EQ(cm->IsSampleDriven(obj, nullptr), 1);
    EXPECT_EQ(cm->LinkSampleChannels(obj, nullptr, nullptr, nullptr), KV_OK);
    EXPECT_EQ(cm->SetOpaque(obj, nullptr), KV_E_NOTIMPL);
    EXPECT_EQ(cm->Flags(obj), 0);
    EXPECT_EQ(Table<vt_IKvUnknown>(obj)->AddRef(obj), 2u);
    EXPECT_EQ(Rel(obj), 1u);
    EXPECT_EQ(Rel(cui), 0u);
    EXPECT_EQ(Rel(obj), 0u);

    // Packet effect: a thrown code reaches the host as the result.
    void* pfx = m.Generate("kvtest.PFX", &kv::guid_PacketEffect);
    ASSERT_NE(pfx, nullptr);
    const char *n = nullptr, *t = nullptr;
    int flags = 0;
    EXPECT_EQ(Table<vt_IKvPacketEffect>(pfx)->ByIndex(pfx, 5, &n, &t, &flags), KV_E_OUTOFBOUNDS);
    void* desc = Query(pfx, kv::guid_TagDescription);
    ASSERT_NE(desc, nullptr);
    EXPECT_EQ(Table<vt_IKvTagDescription>(desc)->Count(desc), 3u);
    EXPECT_EQ(Table<vt_IKvTagDescription>(desc)->Describe(desc, 3, &row), KV_E_OUTOFBOUNDS);
    Rel(desc);
    Rel(pfx);

    // References from 8 threads leave exact counts.
    void* pkt = m.Generate("kvtest.packet", nullptr);
    ASSERT_NE(pkt, nullptr);
    std::vector<std::thread> threads;
    for (int i = 0; i < 8; ++i)
        threads.emplace_back([pkt] {
            for (int k = 0; k < 2000; ++k) {
                void* d = Query(pkt, kv::guid_TagDescription);
                Table<vt_IKvUnknown>(pkt)->AddRef(pkt);
                Rel(d);
                Rel(pkt);
            }
        });
    for (auto& th : threads) th.join();
    EXPECT_EQ(static_cast<st_KVtCOMProxy*>(pkt)->instance->count, 1);
    EXPECT_EQ(Rel(pkt), 0u);

    const int queries = root.TotalQueries();
    m.Release();
    EXPECT_EQ(root.TotalQueries(), queries);
    EXPECT_EQ(root.refs(), 0);  // root context released exactly once
    EXPECT_EQ(root.mutexesLive.load(), 0);
    EXPECT_EQ(root.threadObj.refs.load(), 0);
    EXPECT_EQ(root.guidObj.refs.load(), 0);
}

// 47 servers grow the registry twice; they are described in registration
// order, and of two servers under one name Generate finds the one whose
// default interface was asked for.
TEST(Road, RegistryGrowthAndDuplicateNames) {
    fake::Root root;
    LoadedModule m("kvtest_many", root);
    ASSERT_TRUE(m.mod && m.tags);
    auto* tv = Table<vt_IKvTagDescription>(m.tags);
    ASSERT_EQ(tv->Count(m.tags), 51u);
    for (unsigned i = 0; i < 45; ++i) {
        st_KVtTagInfoDesc row{};
        ASSERT_EQ(tv->Describe(m.tags, i, &row), KV_OK);
        char name[8];
        std::snprintf(name, sizeof name, "srv.%02u", i);
        EXPECT_STREQ(row.info, name);
        const st_KVtGUID* want = i % 2 == 0 ? &kv::guid_CustomMaterial : &kv::guid_VectorPacket;
        EXPECT_EQ(kv::GUIDCompare(static_cast<const st_KVtGUID*>(row.ptr), want), 0) << name;
    }
    st_KVtTagInfoDesc row{};
    EXPECT_EQ(tv->Describe(m.tags, 51, &row), KV_E_OUTOFBOUNDS);

    void* pkt = m.Generate("dup", &kv::guid_VectorPacket);
    ASSERT_NE(pkt, nullptr);
    EXPECT_EQ(Table<vt_IKvVectorPacket>(pkt)->Size(pkt), 4u);
    void* mat = m.Generate("dup", &kv::guid_CustomMaterial);
    ASSERT_NE(mat, nullptr);
    EXPECT_EQ(Table<vt_IKvCustomMaterial>(mat)->Flags(mat), 7);
    // A null interface asks for the default one: the first server of the name.
    void* first = m.Generate("dup", nullptr);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(Table<vt_IKvCustomMaterial>(first)->Flags(first), 7);
    KvResult rc = KV_OK;
    EXPECT_EQ(m.Generate("srv.01", &kv::guid_TagDescription, &rc), nullptr);
    EXPECT_EQ(rc, KV_E_NOTFOUND);
    Rel(pkt);
    Rel(mat);
    Rel(first);
    m.Release();
}

// No exception crosses into the host: codes pass, out of memory and foreign
// exceptions become codes, and plain forwarders answer their fallback.
TEST(Road, ExceptionsStopAtTheInterface) {
    fake::Root root;
    LoadedModule m("kvtest_many", root);
    ASSERT_TRUE(m.mod);
    KvResult rc = KV_OK;
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(Table<vt_IKvModule>(m.mod)->Generate(m.mod, "throw.ctor.oom", nullptr, &out), KV_E_OUTOFMEMORY);
    EXPECT_EQ(out, reinterpret_cast<void*>(1));
    m.Generate("throw.ctor.code", nullptr, &rc);
    EXPECT_EQ(rc, KV_E_OUTOFBOUNDS);
    m.Generate("throw.ctor.foreign", nullptr, &rc);
    EXPECT_EQ(rc, KV_E_FAILED);

    void* t = m.Generate("throw.methods", nullptr);
    ASSERT_NE(t, nullptr);
    auto* cm = Table<vt_IKvCustomMaterial>(t);
    int flags = 0;
    EXPECT_EQ(cm->UpdatePreview(t, 0, &flags), KV_E_OUTOFMEMORY);
    EXPECT_EQ(cm->UpdatePreview(t, 1, &flags), KV_E_FAILED);
    EXPECT_EQ(cm->UpdatePreview(t, 2, &flags), KV_E_NOTFOUND);
    EXPECT_EQ(cm->UpdatePreview(t, 3, &flags), KV_OK);
    EXPECT_EQ(cm->IsSampleDriven(t, nullptr), 1);
    EXPECT_EQ(cm->Flags(t), 0);
    st_KVpShadeComponents sc{};
    st_KVpShadeOutput so{};
    cm->ShaderEvaluate(t, nullptr, nullptr, &sc, &so, nullptr);
    EXPECT_EQ(Rel(t), 0u);
    m.Release();
}

// cleanup() runs once, when the last of several module instances goes; until
// then the services stay reachable for the plug-in.
TEST(Road, CleanupWhenTheLastModuleInstanceGoes) {
    fake::Root root;
    LoadedModule m("kvtest_many", root);
    ASSERT_TRUE(m.mod);
    void* second = m.plugin.create();
    ASSERT_NE(second, nullptr);
    m.Release();
    EXPECT_EQ(root.Events("cleanup"), 0);
    EXPECT_EQ(root.refs(), 1);

    void* obj = nullptr;
    ASSERT_EQ(Table<vt_IKvModule>(second)->Generate(second, "srv.01", nullptr, &obj), KV_OK);
    EXPECT_EQ(Rel(obj), 0u);
    EXPECT_EQ(root.Events("packet freed"), 1);  // the probe is still cached and answering

    EXPECT_EQ(Rel(second), 0u);
    EXPECT_EQ(root.Events("cleanup"), 1);
    EXPECT_EQ(root.refs(), 0);
    EXPECT_EQ(root.mutexesLive.load(), 0);
    EXPECT_EQ(root.probeObj.refs.load(), 0);
}

// Without a thread service the counts are plain, no mutex is made, and the
// instance still dies on its last Release.
TEST(Road, CountingWithoutThreadService) {
    fake::Root root;
    root.withThreads = false;
    LoadedModule m("kvtest", root);
    ASSERT_TRUE(m.mod);
    void* pkt = m.Generate("kvtest.packet", nullptr);
    ASSERT_NE(pkt, nullptr);
    void* desc = Query(pkt, kv::guid_TagDescription);
    ASSERT_NE(desc, nullptr);
    EXPECT_EQ(fake::AddRef(pkt), 2u);
    EXPECT_EQ(static_cast<st_KVtCOMProxy*>(pkt)->instance->count, 3);
    EXPECT_EQ(Rel(pkt), 1u);
    EXPECT_EQ(Rel(desc), 0u);
    EXPECT_EQ(Rel(pkt), 0u);
    EXPECT_EQ(root.mutexesLive.load(), 0);
    EXPECT_GT(root.Queries(kv::guid_ThreadService), 0);  // asked again while absent
    m.Release();
    EXPECT_EQ(root.refs(), 0);
}

// The last references of one instance dropped from 8 threads at once, on two
// proxies: the instance is freed exactly once and no thread touches it after.
TEST(Road, ConcurrentFinalReleases) {
    fake::Root root;
    LoadedModule m("kvtest_many", root);
    ASSERT_TRUE(m.mod);
    constexpr int kThreads = 8;
    constexpr int kRounds = 300;
    void* proxies[2] = {};
    std::barrier sync(kThreads + 1);
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i)
        threads.emplace_back([&, i] {
            for (int r = 0; r < kRounds; ++r) {
                sync.arrive_and_wait();
                Rel(proxies[i % 2]);
                sync.arrive_and_wait();
            }
        });
    for (int r = 0; r < kRounds; ++r) {
        proxies[0] = m.Generate("srv.01", nullptr);
        ASSERT_NE(proxies[0], nullptr);
        proxies[1] = Query(proxies[0], kv::guid_TagDescription);
        for (int k = 1; k < kThreads / 2; ++k) {
            fake::AddRef(proxies[0]);
            fake::AddRef(proxies[1]);
        }
        sync.arrive_and_wait();
        sync.arrive_and_wait();
    }
    for (auto& th : threads) th.join();
    EXPECT_EQ(root.Events("packet freed"), kRounds);
    m.Release();
}
