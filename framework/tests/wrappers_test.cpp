// Host-interface wrappers over counted fake host objects: the references
// that set, take, copy, get and clear leave, and the service wrappers' calls.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "framework/errors.h"
#include "framework/host_wrappers.h"

namespace {

// A host object answering the interfaces it offers with itself.
struct HostObj {
    const void* vt;
    std::atomic<int> refs{1};
    std::vector<st_KVtGUID> offers;
    std::string calls;  // what its own slots were asked

    static HostObj* Of(void* s) { return static_cast<HostObj*>(s); }
    static KvResult Query(void* s, const st_KVtGUID* g, void** out) {
        for (auto& o : Of(s)->offers)
            if (kv::GUIDCompare(&o, g) == 0) {
                ++Of(s)->refs;
                *out = s;
                return KV_OK;
            }
        return KV_E_NOINTERFACE;
    }
    static uint32_t AddRef(void* s) { return ++Of(s)->refs; }
    static uint32_t Release(void* s) { return --Of(s)->refs; }
};

const vt_IKvUnknown kUnknownVt{HostObj::Query, HostObj::AddRef, HostObj::Release};

HostObj Make(std::vector<st_KVtGUID> offers) { return HostObj{&kUnknownVt, {1}, std::move(offers), {}}; }

}  // namespace

TEST(Wrappers, SetTakeCopyGetClearCounts) {
    HostObj item = Make({kv::guid_Item});
    HostObj scene = Make({kv::guid_Scene});
    {
        CKvLoc_Item w;
        EXPECT_FALSE(w.test());
        EXPECT_FALSE(w.set(&scene));  // does not offer Item
        EXPECT_EQ(scene.refs, 1);
        EXPECT_TRUE(w.set(&item));
        EXPECT_EQ(item.refs, 2);  // the caller keeps its own
        EXPECT_EQ(static_cast<vt_IKvUnknown**>(w), reinterpret_cast<vt_IKvUnknown**>(&item));
        EXPECT_EQ(item.refs, 2);

        void* out = nullptr;
        EXPECT_EQ(w.get(&out), KV_OK);
        EXPECT_EQ(out, &item);
        EXPECT_EQ(item.refs, 3);
        --item.refs;

        CKvLoc_Item other;
        EXPECT_TRUE(other.copy(w));
        EXPECT_EQ(item.refs, 3);
        CKvLoc_Item empty;
        EXPECT_FALSE(other.copy(empty));  // copying an empty wrapper empties the target
        EXPECT_EQ(item.refs, 2);
        void* untouched = reinterpret_cast<void*>(7);
        EXPECT_EQ(other.get(&untouched), KV_E_NOTFOUND);
        EXPECT_EQ(untouched, reinterpret_cast<void*>(7));

        EXPECT_FALSE(w.set(&scene));  // a failed set empties the wrapper
        EXPECT_FALSE(w.test());
        EXPECT_EQ(item.refs, 1);
        EXPECT_TRUE(w.set(&item));
        w.clear();
        EXPECT_EQ(item.refs, 1);
        EXPECT_TRUE(w.set(&item));
    }
    EXPECT_EQ(item.refs, 1);  // released on destruction

    // take: the host's reference passes to the wrapper.
    HostObj returned = Make({kv::guid_Item});
    {
        CKvLoc_Item w;
        EXPECT_TRUE(w.take(&returned));
        EXPECT_EQ(returned.refs, 1);
        EXPECT_FALSE(w.take(nullptr));
        EXPECT_FALSE(w.test());
        EXPECT_EQ(returned.refs, 0);
    }
    HostObj wrongKind = Make({kv::guid_Scene});
    {
        CKvLoc_Item w;
        EXPECT_FALSE(w.take(&wrongKind));
        EXPECT_EQ(wrongKind.refs, 0);  // not kept, and the caller's reference is dropped
    }
}

namespace {

struct Recorder {
    static std::string log;
    static HostObj monitor;
};
std::string Recorder::log;
HostObj Recorder::monitor = Make({kv::guid_Monitor});

vt_IKvSceneService SceneVt() {
    vt_IKvSceneService vt{};
    vt.unk = kUnknownVt;
    vt.ItemTypeLookup = [](void*, const char* name, uint32_t* code) -> KvResult {
        if (std::string(name) != "material.gooch") return KV_E_NOTFOUND;
        *code = 42;
        return KV_OK;
    };
    return vt;
}
vt_IKvStdDialogService DialogVt() {
    vt_IKvStdDialogService vt{};
    vt.unk = kUnknownVt;
    vt.MonitorAllocate = [](void*, const char* title, void** out) -> KvResult {
        Recorder::log += std::string("open ") + title + ";";
        ++Recorder::monitor.refs;
        *out = &Recorder::monitor;
        return KV_OK;
    };
    vt.MonitorRelease = [](void*) -> KvResult {
        Recorder::log += "close;";
        return KV_OK;
    };
    return vt;
}
vt_IKvNodalService NodalVt() {
    vt_IKvNodalService vt{};
    vt.unk = kUnknownVt;
    vt.AddSampleChan = [](void*, vt_IKvUnknown**, vt_IKvUnknown**, uint32_t chan, int32_t* idx, int32_t mode) -> KvResult {
        idx[chan] = 100 + mode;
        return KV_OK;
    };
    vt.GetFloat = [](void*, vt_IKvUnknown**, int32_t* idx, uint32_t chan, double cur) { return idx[chan] > 0 ? 0.5 : cur; };
    vt.GetInt = [](void*, vt_IKvUnknown**, int32_t* idx, uint32_t chan, int32_t cur) { return idx[chan] > 0 ? 9 : cur; };
    vt.AnyDrivenChans = [](void*, int32_t* first, uint32_t n) -> int32_t {
        for (uint32_t i = 0; i < n; ++i)
            if (first[i] > 0) return 1;
        return 0;
    };
    return vt;
}
vt_IKvScene SceneObjVt() {
    vt_IKvScene vt{};
    vt.unk = kUnknownVt;
    vt.RenderCameraByIndex = [](void*, int32_t, void**) -> KvResult { return KV_E_OUTOFBOUNDS; };
    return vt;
}
vt_IKvEvaluation EvaluationVt() {
    vt_IKvEvaluation vt{};
    vt.unk = kUnknownVt;
    vt.AddChannel = [](void*, vt_IKvUnknown**, uint32_t chan, uint32_t, uint32_t* out) -> KvResult {
        if (chan == 99) return KV_E_OUTOFBOUNDS;
        *out = chan + 1000;
        return KV_OK;
    };
    return vt;
}

}  // namespace

TEST(Wrappers, ServiceAndConvenienceCalls) {
    const vt_IKvSceneService sceneVt = SceneVt();
    HostObj sceneSvc{&sceneVt, {1}, {}, {}};
    CKvUser_SceneService scenes(&sceneSvc);
    EXPECT_EQ(scenes.ItemTypeLookup("material.gooch"), 42u);
    EXPECT_EQ(scenes.ItemTypeLookup("material.none"), 0u);
    EXPECT_EQ(CKvUser_SceneService(nullptr).ItemTypeLookup("material.gooch"), 0u);
    EXPECT_EQ(sceneSvc.refs, 1);  // borrowed, never released

    const vt_IKvNodalService nodalVt = NodalVt();
    HostObj nodalSvc{&nodalVt, {1}, {}, {}};
    CKvUser_NodalService nodal(&nodalSvc);
    int idx[4] = {-1, -1, -1, -1};
    EXPECT_EQ(nodal.AnyDrivenChans(idx, 4), 0);
    nodal.AddSampleChan(nullptr, nullptr, 2, idx);
    EXPECT_EQ(idx[2], 101);
    EXPECT_EQ(nodal.AnyDrivenChans(idx, 4), 1);
    EXPECT_EQ(nodal.GetFloat(nullptr, idx, 2, 3.0), 0.5);
    EXPECT_EQ(nodal.GetFloat(nullptr, idx, 1, 3.0), 3.0);
    EXPECT_EQ(nodal.GetInt(nullptr, idx, 2, 1), 9);
    CKvUser_NodalService absent(nullptr);
    EXPECT_EQ(absent.GetFloat(nullptr, idx, 2, 3.0), 3.0);  // not driven without a service
    EXPECT_EQ(absent.AnyDrivenChans(idx, 4), 0);

    const vt_IKvStdDialogService dialogVt = DialogVt();
    HostObj dialogSvc{&dialogVt, {1}, {}, {}};
    CKvUser_StdDialogService dialogs(&dialogSvc);
    Recorder::monitor.refs = 0;  // counts only the references handed out
    Recorder::log.clear();
    {
        CKvUser_Monitor monitor;
        ASSERT_TRUE(dialogs.MonitorAllocate("Rendering clip", monitor));
        EXPECT_EQ(Recorder::monitor.refs, 1);  // taken: the host's reference is the wrapper's
        dialogs.MonitorRelease();
    }
    EXPECT_EQ(Recorder::monitor.refs, 0);
    EXPECT_EQ(Recorder::log, "open Rendering clip;close;");

    const vt_IKvScene sceneObjVt = SceneObjVt();
    HostObj sceneObj{&sceneObjVt, {1}, {kv::guid_Scene}, {}};
    HostObj camera = Make({kv::guid_Item});
    CKvUser_Scene scene(&sceneObj);
    CKvLoc_Item item(&camera);
    EXPECT_FALSE(scene.GetRenderCameraByIndex(0, item));
    EXPECT_TRUE(item.test());  // a failed lookup leaves the item as it was

    const vt_IKvEvaluation evalVt = EvaluationVt();
    HostObj evalObj{&evalVt, {1}, {kv::guid_Evaluation}, {}};
    CKvUser_Evaluation eval(&evalObj);
    EXPECT_EQ(eval.AddChan(nullptr, 5), 1005u);
    try {
        eval.AddChan(nullptr, 99);
        ADD_FAILURE() << "no throw";
    } catch (unsigned rc) {
        EXPECT_EQ(rc, static_cast<unsigned>(KV_E_OUTOFBOUNDS));
    }
    CKvUser_Evaluation noEval;
    EXPECT_THROW(noEval.AddChan(nullptr, 5), unsigned);

    CKvUser_PacketService noPackets(nullptr);
    EXPECT_EQ(noPackets.GetOffset("sample", "sample.ray"), -1);
    EXPECT_EQ(noPackets.FastPacket(nullptr, 0), nullptr);
}
