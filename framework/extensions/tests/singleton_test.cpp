// Single-instance servers, the holder and the listener adaptor's defaults.
#include <gtest/gtest.h>

#include "extensions/scene_item_listener.h"
#include "extensions/single_holder.h"
#include "extensions/singleton_polymorph.h"

namespace {

int gDeleted = 0;
int gItemAdds = 0;

struct Listener : CKvImpl_SceneItemListener, CKvSingletonPolymorph {
    Listener() { AddInterface(&record); }
    ~Listener() override { ++gDeleted; }
    void* NewObj() override { return this; }
    void sil_ItemAdd(vt_IKvUnknown**) override { ++gItemAdds; }
    CKvIfc_SceneItemListener<Listener> record;  // outlives the instance it serves
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
}

TEST(Singleton, ComObjectIsCachedAndServesOnlyOverriddenCallback) {
    gItemAdds = 0;
    auto* l = new Listener;
    EXPECT_FALSE(l->HasComObject());
    void* com = l->ComObject();
    ASSERT_NE(com, nullptr);
    EXPECT_EQ(l->ComObject(), com);
    auto** vt = static_cast<vt_IKvSceneItemListener**>(com);
    (*vt)->SceneCreate(com, nullptr);
    (*vt)->ItemChannelType(com, nullptr, 3);
    (*vt)->ItemAdd(com, nullptr);
    EXPECT_EQ(gItemAdds, 1);
    EXPECT_EQ(l->InstanceCount(), 1u);
    delete l;  // releases the instance; FreeObj leaves the object to its owner
}

}  // namespace
