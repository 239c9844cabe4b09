// The module's registry linked in directly, on a module object of its own.
#include <gtest/gtest.h>

#include "framework/this_module.h"

namespace {

struct Counted : CKvGenericPolymorph {
    static int deleted;
    ~Counted() override { ++deleted; }
    void* NewObj() override { return nullptr; }
    void FreeObj(void*) override {}
};
int Counted::deleted = 0;

}  // namespace

// The arrays grow 20 slots at a time; a failed initialize() is undone by
// truncating to the count before it.
TEST(Module, RegistryGrowsByTwentyAndTruncates) {
    CKvThisModule m;
    Counted f;
    EXPECT_EQ(m.Capacity(), 0);
    static const char* const names[] = {"a", "b"};
    for (int i = 0; i < 41; ++i) {
        m.AddServer(names[i % 2], &f);
        EXPECT_EQ(m.Capacity(), (i / 20 + 1) * 20) << i;
    }
    EXPECT_EQ(m.ServerCount(), 41u);
    EXPECT_EQ(m.FindServer("b"), &f);
    st_KVtTagInfoDesc row{};
    EXPECT_EQ(m.tag_Describe(40, &row), KV_OK);
    EXPECT_STREQ(row.info, "a");
    EXPECT_EQ(row.ptr, nullptr);  // a factory without records has no default GUID
    m.TruncateServers(3);
    EXPECT_EQ(m.tag_Count(), 3u);
    EXPECT_EQ(m.tag_Describe(3, &row), KV_E_OUTOFBOUNDS);
    void* out = nullptr;
    EXPECT_EQ(m.mod_Generate("a", nullptr, &out), KV_E_FAILED);  // found, but it makes no object
}

// Factories the module owns are deleted with it, once; one handed on as a
// spawner belongs to the cache from then on.
TEST(Module, OwnedFactoriesAndSpawners) {
    Counted::deleted = 0;
    {
        CKvThisModule m;
        auto* owned = new Counted;
        m.AdoptServer("one", owned);
        m.AdoptServer("alias", owned);
        auto* spawner = new Counted;
        m.AdoptServer("spawned", spawner);
        m.AddSpawner("spawned", spawner);
        m.FreeGlobal();
        EXPECT_EQ(Counted::deleted, 1);  // the spawner, with the cache
    }
    EXPECT_EQ(Counted::deleted, 2);  // the owned one, with the module
}
