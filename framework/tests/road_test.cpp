// Loads the built test plug-ins with the system loader and drives them
// through their method tables with a fake root context.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "framework/com.h"
#include "framework/errors.h"
#include "kv/kv_abi.h"

namespace {

// A minimal host object: one table, a count, and the interfaces it answers.
struct FakeObj {
    const void* vt;
    std::atomic<int> refs{1};
    FakeObj* root;
};

struct FakeRoot;
FakeRoot* gRoot = nullptr;

struct FakeRoot {
    bool withThreads = true;
    std::atomic<int> refs{1};
    std::atomic<int> queries{0};
    std::atomic<int> mutexesLive{0};
    vt_IKvUnknown rootVt{};
    vt_IKvGUIDService guidVt{};
    vt_IKvThreadService threadVt{};
    vt_IKvMutex mutexVt{};
    FakeObj rootObj{&rootVt, {}, nullptr};
    FakeObj guidObj{&guidVt, {}, nullptr};
    FakeObj threadObj{&threadVt, {}, nullptr};
    st_KVtGUID threadGuid = kv::guid_ThreadService;

    struct Mutex {
        const void* vt;
        std::atomic<int> refs{1};
        std::mutex m;
    };

    static uint32_t AddRef(void* s) { return ++static_cast<FakeObj*>(s)->refs; }
    static uint32_t Release(void* s) { return --static_cast<FakeObj*>(s)->refs; }
    static KvResult NoQuery(void*, const st_KVtGUID*, void**) { return KV_E_NOINTERFACE; }

    FakeRoot() {
        rootVt = {RootQuery, AddRef, Release};
        guidVt.unk = {NoQuery, AddRef, Release};
        guidVt.Fixed = [](void*, const char* text) -> const st_KVtGUID* {
            st_KVtGUID g;
            if (!kv::GUIDFromText(text, &g) || kv::GUIDCompare(&g, &kv::guid_ThreadService) != 0) return nullptr;
            return &gRoot->threadGuid;
        };
        guidVt.Canonical = [](void*, const st_KVtGUID* g) { return g; };
        threadVt.unk = {NoQuery, AddRef, Release};
        threadVt.CreateMutex = [](void*, void** out) -> KvResult {
            auto* m = new Mutex;
            m->vt = &gRoot->mutexVt;
            ++gRoot->mutexesLive;
            *out = m;
            return KV_OK;
        };
        threadVt.AtomicIncrement = [](void*, int32_t* v) { return std::atomic_ref<int32_t>(*v).fetch_add(1) + 1; };
        threadVt.AtomicDecrement = [](void*, int32_t* v) { return std::atomic_ref<int32_t>(*v).fetch_sub(1) - 1; };
        mutexVt.unk = {NoQuery, [](void* s) -> uint32_t { return ++static_cast<Mutex*>(s)->refs; },
                       [](void* s) -> uint32_t {
                           auto* m = static_cast<Mutex*>(s);
                           const int left = --m->refs;
                           if (left == 0) {
                               --gRoot->mutexesLive;
                               delete m;
                           }
                           return left;
                       }};
        mutexVt.Enter = [](void* s) -> KvResult { static_cast<Mutex*>(s)->m.lock(); return KV_OK; };
        mutexVt.Leave = [](void* s) -> KvResult { static_cast<Mutex*>(s)->m.unlock(); return KV_OK; };
        rootObj.vt = &rootVt;
        rootVt.AddRef = [](void*) -> uint32_t { return ++gRoot->refs; };
        rootVt.Release = [](void*) -> uint32_t { return --gRoot->refs; };
    }

    static KvResult RootQuery(void*, const st_KVtGUID* g, void** out) {
        ++gRoot->queries;
        st_KVtGUID guidSvc;
        kv::GUIDSet(&guidSvc, 0xB11826F1, 0xA6BC, 0x48B4, 0x90, 0x9B, 0x5F, 0x6D, 0x01, 0x93, 0x83, 0x27);
        if (kv::GUIDCompare(g, &guidSvc) == 0) {
            ++gRoot->guidObj.refs;
            *out = &gRoot->guidObj;
            return KV_OK;
        }
        if (gRoot->withThreads && kv::GUIDCompare(g, &kv::guid_ThreadService) == 0) {
            ++gRoot->threadObj.refs;
            *out = &gRoot->threadObj;
            return KV_OK;
        }
        return KV_E_NOINTERFACE;
    }
};

// A fresh copy of a plug-in, so that each test sees newly initialised statics.
struct Plugin {
    void* handle = nullptr;
    KvModuleCreateFn create = nullptr;
    explicit Plugin(const char* name) {
        static int serial = 0;
        const std::string src = std::string(KV_TEST_PLUGIN_DIR) + "/" + name + ".kv";
        const std::string dst = std::filesystem::temp_directory_path().string() + "/" + name + "-" +
                                std::to_string(::getpid()) + "-" + std::to_string(serial++) + ".kv";
        std::filesystem::copy_file(src, dst, std::filesystem::copy_options::overwrite_existing);
        handle = dlopen(dst.c_str(), RTLD_NOW | RTLD_LOCAL);
        std::filesystem::remove(dst);
        if (handle) create = reinterpret_cast<KvModuleCreateFn>(dlsym(handle, KV_MODULE_ENTRY_NAME));
    }
};

template <class VT>
VT* Table(void* p) { return *static_cast<VT**>(p); }

void* Query(void* obj, const st_KVtGUID& g) {
    void* out = nullptr;
    return KV_SUCCEEDED(Table<vt_IKvUnknown>(obj)->QueryInterface(obj, &g, &out)) ? out : nullptr;
}
uint32_t Rel(void* p) { return Table<vt_IKvUnknown>(p)->Release(p); }

}  // namespace

TEST(Road, EntryRetriesInitializeUntilItSucceeds) {
    Plugin p("kvtest_flaky");
    ASSERT_NE(p.create, nullptr);
    EXPECT_EQ(p.create(), nullptr);
    void* m1 = p.create();
    ASSERT_NE(m1, nullptr);
    void* m2 = p.create();
    ASSERT_NE(m2, nullptr);
    EXPECT_NE(m1, m2);
    Rel(m1);
    Rel(m2);
}

TEST(Road, DescribeGenerateAndShutdown) {
    FakeRoot root;
    gRoot = &root;
    Plugin p("kvtest");
    ASSERT_NE(p.create, nullptr);
    void* mod = p.create();
    ASSERT_NE(mod, nullptr);
    void* tags = Query(mod, kv::guid_TagDescription);
    void* need = Query(mod, kv::guid_NeedContext);
    ASSERT_TRUE(tags && need);
    EXPECT_EQ(Table<vt_IKvNeedContext>(need)->SetContext(need, reinterpret_cast<vt_IKvUnknown**>(&root.rootObj)), KV_OK);

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
    void* pfx = nullptr;
    ASSERT_EQ(mv->Generate(mod, "kvtest.PFX", &kv::guid_PacketEffect, &pfx), KV_OK);
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
    void* pkt = nullptr;
    ASSERT_EQ(mv->Generate(mod, "kvtest.packet", nullptr, &pkt), KV_OK);
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

    Rel(tags);
    Rel(need);
    const int queries = root.queries.load();
    Rel(mod);
    EXPECT_EQ(root.queries.load(), queries);
    EXPECT_EQ(root.refs.load(), 0);  // root context released exactly once
    EXPECT_EQ(root.mutexesLive.load(), 0);
    gRoot = nullptr;
}
