// Single-instance servers, the holder and the listener adaptor's defaults.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "extensions/new_grads_listener.h"
#include "extensions/scene_item_listener.h"
#include "extensions/single_holder.h"
#include "extensions/singleton_polymorph.h"

namespace {

int gDeleted = 0;
int gItemAdds = 0;

struct Listener : CKvImpl_SceneItemListener, CKvSingletonPolymorph {
    Listener() { AdoptInterface(new CKvIfc_SceneItemListener<Listener>); }
    ~Listener() override { ++gDeleted; }
    void* NewObj() override { return this; }
    void sil_ItemAdd(vt_IKvUnknown**) override { ++gItemAdds; }
};

TEST(SingleHolder, ExitDeletesOnceWhateverTheCount) {
    gDeleted = 0;
    {
        CKvSingleHolder<Listener> h;
        h.object = new Listener;
        h.count = 3;
    }
    EXPECT_EQ(gDeleted, 1);
    { CKvSingleHolder<Listener> h; }
    EXPECT_EQ(gDeleted, 1);
    {
        CKvSingleHolder<Listener> h;  // a count driven below 0 still ends
        h.object = new Listener;
        h.count = -2;
    }
    EXPECT_EQ(gDeleted, 2);
}

// Without a host (no listener service) the listener exists unregistered; the
// first user makes it, the last one destroys it, a stray release is ignored.
TEST(GradListenerHolder, FirstUserCreatesLastUserDestroys) {
    static const char* const channels[] = {"specGrad", nullptr};
    const KvGradListenerConfig config = {"material.test", channels, 0.0f, 1.0f, 0.0f, 1.0f, 5};
    CKvSingleHolder<CNewGradsListener> holder;
    kv::GradListenerAcquire(holder, config);
    CNewGradsListener* first = holder.object;
    ASSERT_NE(first, nullptr);
    EXPECT_FALSE(first->Registered());
    kv::GradListenerAcquire(holder, config);
    EXPECT_EQ(holder.object, first);
    EXPECT_EQ(holder.count, 2);
    kv::GradListenerRelease(holder);
    EXPECT_EQ(holder.object, first);
    kv::GradListenerRelease(holder);
    EXPECT_EQ(holder.object, nullptr);
    EXPECT_EQ(holder.count, 0);
    kv::GradListenerRelease(holder);
    EXPECT_EQ(holder.count, 0);
}

// Calls all 30 callbacks through the method table with recognisable arguments.
void CallEverySlot(void* com, vt_IKvUnknown** a, vt_IKvUnknown** b) {
    const auto* t = *static_cast<vt_IKvSceneItemListener**>(com);
    t->SceneCreate(com, a);
    t->SceneDestroy(com, a);
    t->SceneFilename(com, a, "file");
    t->SceneClear(com, a);
    t->ItemPreChange(com, a);
    t->ItemPostDelete(com, a);
    t->ItemAdd(com, a);
    t->ItemRemove(com, a);
    t->ItemParent(com, a);
    t->ItemChild(com, a);
    t->ItemAddChannel(com, a);
    t->ItemLocal(com, a);
    t->ItemName(com, a);
    t->ItemSource(com, a);
    t->ItemPackage(com, a);
    t->ChannelValue(com, "edit", a, 18);
    t->LinkAdd(com, "g", a, b);
    t->LinkRemBefore(com, "g", a, b);
    t->LinkRemAfter(com, "g", a, b);
    t->LinkSet(com, "g", a, b);
    t->ChanLinkAdd(com, "g", a, 23, b, 123);
    t->ChanLinkRemBefore(com, "g", a, 24, b, 124);
    t->ChanLinkRemAfter(com, "g", a, 25, b, 125);
    t->ChanLinkSet(com, "g", a, 26, b, 126);
    t->ItemTag(com, a);
    t->ItemRemoveChannel(com, a);
    t->ItemChannelName(com, a, 29);
    t->ItemChannelDefault(com, a, 30);
    t->ItemChannelMinMax(com, a, 31);
    t->ItemChannelType(com, a, 32);
}

TEST(Singleton, ComObjectIsCachedAndServesOnlyOverriddenCallback) {
    gItemAdds = 0;
    gDeleted = 0;
    auto* l = new Listener;
    EXPECT_FALSE(l->HasComObject());
    void* com = l->ComObject();
    ASSERT_NE(com, nullptr);
    EXPECT_EQ(l->ComObject(), com);
    CallEverySlot(com, nullptr, nullptr);
    EXPECT_EQ(gItemAdds, 1);
    EXPECT_EQ(l->InstanceCount(), 1u);
    delete l;  // releases the instance once; FreeObj leaves the object to its owner
    EXPECT_EQ(gDeleted, 1);

    auto* unused = new Listener;  // never spawned: nothing to release
    EXPECT_EQ(unused->InstanceCount(), 0u);
    delete unused;
}

// Each table slot reaches its own callback with the arguments in order.
struct Recorder : CKvImpl_SceneItemListener, CKvSingletonPolymorph {
    Recorder() { AdoptInterface(new CKvIfc_SceneItemListener<Recorder>); }
    void* NewObj() override { return this; }
    std::vector<std::string> seen;
    void Note(const char* what, vt_IKvUnknown** a, uintptr_t n = 0) {
        seen.push_back(std::string(what) + ":" + std::to_string(reinterpret_cast<uintptr_t>(a) & 0xF) + ":" +
                       std::to_string(n));
    }
    void sil_SceneCreate(vt_IKvUnknown** s) override { Note("SceneCreate", s); }
    void sil_SceneDestroy(vt_IKvUnknown** s) override { Note("SceneDestroy", s); }
    void sil_SceneFilename(vt_IKvUnknown** s, const char* f) override { Note(f, s); }
    void sil_SceneClear(vt_IKvUnknown** s) override { Note("SceneClear", s); }
    void sil_ItemPreChange(vt_IKvUnknown** s) override { Note("ItemPreChange", s); }
    void sil_ItemPostDelete(vt_IKvUnknown** s) override { Note("ItemPostDelete", s); }
    void sil_ItemAdd(vt_IKvUnknown** i) override { Note("ItemAdd", i); }
    void sil_ItemRemove(vt_IKvUnknown** i) override { Note("ItemRemove", i); }
    void sil_ItemParent(vt_IKvUnknown** i) override { Note("ItemParent", i); }
    void sil_ItemChild(vt_IKvUnknown** i) override { Note("ItemChild", i); }
    void sil_ItemAddChannel(vt_IKvUnknown** i) override { Note("ItemAddChannel", i); }
    void sil_ItemLocal(vt_IKvUnknown** i) override { Note("ItemLocal", i); }
    void sil_ItemName(vt_IKvUnknown** i) override { Note("ItemName", i); }
    void sil_ItemSource(vt_IKvUnknown** i) override { Note("ItemSource", i); }
    void sil_ItemPackage(vt_IKvUnknown** i) override { Note("ItemPackage", i); }
    void sil_ChannelValue(const char* action, vt_IKvUnknown** i, uint32_t c) override { Note(action, i, c); }
    void sil_LinkAdd(const char*, vt_IKvUnknown** f, vt_IKvUnknown** t) override { Note("LinkAdd", f, uintptr_t(t)); }
    void sil_LinkRemBefore(const char*, vt_IKvUnknown** f, vt_IKvUnknown** t) override {
        Note("LinkRemBefore", f, uintptr_t(t));
    }
    void sil_LinkRemAfter(const char*, vt_IKvUnknown** f, vt_IKvUnknown** t) override {
        Note("LinkRemAfter", f, uintptr_t(t));
    }
    void sil_LinkSet(const char*, vt_IKvUnknown** f, vt_IKvUnknown** t) override { Note("LinkSet", f, uintptr_t(t)); }
    void sil_ChanLinkAdd(const char*, vt_IKvUnknown** f, uint32_t fc, vt_IKvUnknown**, uint32_t tc) override {
        Note("ChanLinkAdd", f, fc * 1000u + tc);
    }
    void sil_ChanLinkRemBefore(const char*, vt_IKvUnknown** f, uint32_t fc, vt_IKvUnknown**, uint32_t tc) override {
        Note("ChanLinkRemBefore", f, fc * 1000u + tc);
    }
    void sil_ChanLinkRemAfter(const char*, vt_IKvUnknown** f, uint32_t fc, vt_IKvUnknown**, uint32_t tc) override {
        Note("ChanLinkRemAfter", f, fc * 1000u + tc);
    }
    void sil_ChanLinkSet(const char*, vt_IKvUnknown** f, uint32_t fc, vt_IKvUnknown**, uint32_t tc) override {
        Note("ChanLinkSet", f, fc * 1000u + tc);
    }
    void sil_ItemTag(vt_IKvUnknown** i) override { Note("ItemTag", i); }
    void sil_ItemRemoveChannel(vt_IKvUnknown** i) override { Note("ItemRemoveChannel", i); }
    void sil_ItemChannelName(vt_IKvUnknown** i, uint32_t c) override { Note("ItemChannelName", i, c); }
    void sil_ItemChannelDefault(vt_IKvUnknown** i, uint32_t c) override { Note("ItemChannelDefault", i, c); }
    void sil_ItemChannelMinMax(vt_IKvUnknown** i, uint32_t c) override { Note("ItemChannelMinMax", i, c); }
    void sil_ItemChannelType(vt_IKvUnknown** i, uint32_t c) override { Note("ItemChannelType", i, c); }
};

TEST(SceneItemListener, EverySlotReachesItsCallback) {
    Recorder r;
    auto** a = reinterpret_cast<vt_IKvUnknown**>(uintptr_t(0x1003));
    auto** b = reinterpret_cast<vt_IKvUnknown**>(uintptr_t(7));
    CallEverySlot(r.ComObject(), a, b);
    const std::vector<std::string> expected = {
        "SceneCreate:3:0", "SceneDestroy:3:0", "file:3:0", "SceneClear:3:0", "ItemPreChange:3:0",
        "ItemPostDelete:3:0", "ItemAdd:3:0", "ItemRemove:3:0", "ItemParent:3:0", "ItemChild:3:0",
        "ItemAddChannel:3:0", "ItemLocal:3:0", "ItemName:3:0", "ItemSource:3:0", "ItemPackage:3:0",
        "edit:3:18", "LinkAdd:3:7", "LinkRemBefore:3:7", "LinkRemAfter:3:7", "LinkSet:3:7",
        "ChanLinkAdd:3:23123", "ChanLinkRemBefore:3:24124", "ChanLinkRemAfter:3:25125", "ChanLinkSet:3:26126",
        "ItemTag:3:0", "ItemRemoveChannel:3:0", "ItemChannelName:3:29", "ItemChannelDefault:3:30",
        "ItemChannelMinMax:3:31", "ItemChannelType:3:32"};
    EXPECT_EQ(r.seen, expected);
}

}  // namespace
