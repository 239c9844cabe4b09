// The channel-write, envelope, keyframe and gradient-filter wrappers over a
// counting stand-in object: references taken and released exactly once.
#include <gtest/gtest.h>

#include <cstring>

#include <kv/kv_guids.h>

#include "extensions/channel_write.h"
#include "extensions/envelope.h"
#include "extensions/gradient_filter.h"
#include "extensions/keyframe.h"

namespace {

// One COM object serving GradientFilter (slot 3: twice the input), with a
// reference count and a count of Release calls.
struct FakeGradient {
    vt_IKvGradientFilter* vt;
    int refs = 1;
    int releases = 0;

    static KvResult Query(void* self, const st_KVtGUID* iid, void** out) {
        if (!iid || std::memcmp(iid, &kv::guid_GradientFilter, sizeof *iid) != 0) return *out = nullptr, KV_E_NOINTERFACE;
        ++static_cast<FakeGradient*>(self)->refs;
        *out = self;
        return KV_OK;
    }
    static uint32_t AddRef(void* self) { return uint32_t(++static_cast<FakeGradient*>(self)->refs); }
    static uint32_t Release(void* self) {
        auto* f = static_cast<FakeGradient*>(self);
        ++f->releases;
        return uint32_t(--f->refs);
    }
    static double Evaluate(void*, double x) { return 2.0 * x; }
};

vt_IKvGradientFilter MakeTable() {
    vt_IKvGradientFilter t{};
    t.unk.QueryInterface = &FakeGradient::Query;
    t.unk.AddRef = &FakeGradient::AddRef;
    t.unk.Release = &FakeGradient::Release;
    t.Evaluate = &FakeGradient::Evaluate;
    return t;
}

TEST(Wrappers, TakeOwnsTheReturnedReferenceAndReleasesItOnce) {
    vt_IKvGradientFilter table = MakeTable();
    FakeGradient g{&table};
    {
        CKvUser_GradientFilter f;
        EXPECT_FALSE(f.take(nullptr));
        EXPECT_FALSE(f.test());
        EXPECT_EQ(f.Evaluate(0.5), 0.0);  // unbound
        ASSERT_TRUE(f.take(&g));           // the caller's one reference moves into the wrapper
        EXPECT_EQ(g.refs, 1);
        EXPECT_EQ(f.Evaluate(0.25), 0.5);
    }
    EXPECT_EQ(g.refs, 0);
    EXPECT_EQ(g.releases, 2);  // the query's extra reference, then the wrapper's

    { CKvUser_Envelope empty; }  // nothing held: no call
    CKvUser_Keyframe notKeys;
    FakeGradient other{&table, 1, 0};
    EXPECT_FALSE(notKeys.take(&other));  // no Keyframe interface: empty, caller's reference released
    EXPECT_EQ(other.refs, 0);
    EXPECT_EQ(notKeys.AddF(0, 0), KV_E_NOTFOUND);
    CKvUser_ChannelWrite noWrite;
    void* env = nullptr;
    EXPECT_EQ(noWrite.Envelope(nullptr, 0, &env), KV_E_NOTFOUND);
    EXPECT_EQ(env, nullptr);
}

}  // namespace
