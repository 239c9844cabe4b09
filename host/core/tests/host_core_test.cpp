// Host objects through their method tables, and the road with kvtest.kv.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "core/image.h"
#include "core/material_road.h"
#include "core/ray_object.h"
#include "core/scene_objects.h"
#include "core/session.h"

namespace kvh {
namespace {

class HostTest : public ::testing::Test {
protected:
    void SetUp() override { live_ = LiveHostObjects(), bad_ = RefcountImbalances(); }
    void TearDown() override {
        EXPECT_EQ(LiveHostObjects(), live_) << LiveHostObjectReport();
        EXPECT_EQ(RefcountImbalances(), bad_);
    }
    int64_t live_ = 0, bad_ = 0;
};

template <class Vt>
const Vt* T(vt_IKvUnknown** p) {
    return reinterpret_cast<const Vt*>(*p);
}

TEST_F(HostTest, RootRefusesUnknownGuidsAndCountsReferences) {
    Session s;
    void* out = reinterpret_cast<void*>(1);
    vt_IKvUnknown** root = s.root().ptr();
    EXPECT_EQ((*root)->QueryInterface(root, &kv::guid_Matrix, &out), KV_E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    // The image service is served (empty): one reference, given back.
    ASSERT_EQ((*root)->QueryInterface(root, &kv::guid_ImageService, &out), KV_OK);
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(s.images().RefCount(), 2u);
    (*static_cast<vt_IKvUnknown**>(out))->Release(static_cast<vt_IKvUnknown**>(out));
    EXPECT_EQ(s.images().RefCount(), 1u);
    ASSERT_EQ((*root)->QueryInterface(root, &kv::guid_PacketService, &out), KV_OK);
    auto** ps = static_cast<vt_IKvUnknown**>(out);
    EXPECT_EQ(s.packets().RefCount(), 2u);
    EXPECT_EQ(s.root().RefCount(), 1u);
    int32_t off = 0;
    EXPECT_EQ(T<vt_IKvPacketService>(ps)->Lookup(ps, "sample", "surface.normal", &off), KV_OK);
    EXPECT_EQ(off, s.Layout().HostOffset(HostPacket::SurfaceNormal));
    EXPECT_EQ(T<vt_IKvPacketService>(ps)->Lookup(ps, "sample", "nope", &off), KV_E_NOTFOUND);
    EXPECT_EQ(off, -1);
    EXPECT_EQ(T<vt_IKvPacketService>(ps)->FastPacket(ps, nullptr, 0), nullptr);
    (*ps)->Release(ps);
}

TEST_F(HostTest, GuidServiceParsesAndCanonicalises) {
    Session s;
    const st_KVtGUID* g = s.guids().FromText("0A9D5B42-1DA6-42A4-8FC4-01FCCE939AC4");
    ASSERT_NE(g, nullptr);
    EXPECT_TRUE(IsGuid(*g, kv::guid_ThreadService));
    EXPECT_EQ(s.guids().Canonical(&kv::guid_ThreadService), g);
    EXPECT_EQ(s.guids().FromText("0A9D5B42-1DA6-42A4-8FC4-01FCCE939AC"), nullptr);
    EXPECT_EQ(s.guids().FromText("zz"), nullptr);
}

TEST_F(HostTest, AddChannelExpandsRgbAndCopiesHints) {
    auto* b = new ChannelBuilder();
    auto** p = b->ptr();
    const auto* t = T<vt_IKvAddChannel>(p);
    double col[3] = {0.1, 0.2, 0.3};
    static const st_KVtTextValueHint hints[] = {{0, "ink"}, {1, "crayon"}, {-1, "=npr-colormode"}, {-1, nullptr}};
    t->NewChannel(p, "amount", "percent");
    t->SetDefault(p, 0.5, 9);
    t->NewChannel(p, "tint", "color1");
    t->SetGradient(p, "percent");
    t->SetVector(p, "RGB");
    t->SetDefaultVec(p, col);
    t->NewChannel(p, "mode", "integer");
    t->SetDefault(p, 0.7, 2);
    t->SetHint(p, hints);
    t->NewChannel(p, "bad", "nosuchtype");
    t->SetDefault(p, 3.0, 3);  // applies to nothing
    std::vector<Channel> ch = b->Build();
    b->ReleaseOwned();
    ASSERT_EQ(ch.size(), 5u);
    EXPECT_EQ(ch[0].value, 0.5);
    EXPECT_EQ(ch[1].name, "tint.R");
    EXPECT_EQ(ch[3].name, "tint.B");
    EXPECT_DOUBLE_EQ(ch[2].value, 0.2);
    EXPECT_EQ(ch[3].object, ObjectValue::Gradient);
    EXPECT_EQ(ch[4].value, 2.0);
    ASSERT_EQ(ch[4].hints.size(), 4u);
    EXPECT_EQ(ch[4].hints[2].text, "=npr-colormode");
    EXPECT_FALSE(ch[4].hints[3].hasText);
}

TEST_F(HostTest, GradientKeysInterpolateClampAndReplace) {
    Envelope* e = new Envelope();
    auto** kf = e->keyframe_.ptr();
    T<vt_IKvKeyframe>(kf)->AddF(kf, 0.0, 1.0);
    T<vt_IKvKeyframe>(kf)->AddF(kf, 1.0, 3.0);
    T<vt_IKvKeyframe>(kf)->AddF(kf, 0.0, 0.0);  // replaces the first key
    EXPECT_EQ(e->keys.size(), 2u);
    EXPECT_DOUBLE_EQ(EvaluateKeys(e->keys, 0.5, 9), 1.5);
    EXPECT_DOUBLE_EQ(EvaluateKeys(e->keys, -1, 9), 0.0);
    EXPECT_DOUBLE_EQ(EvaluateKeys(e->keys, 2, 9), 3.0);
    EXPECT_DOUBLE_EQ(EvaluateKeys({}, 2, 9), 9.0);
    e->ReleaseOwned();
}

TEST_F(HostTest, MatrixCopiesInvertInPlace) {
    double eye[3] = {1, 2, 3}, target[3] = {1, 2, 10}, up[3] = {0, 1, 0};
    Mat4 m;
    ASSERT_TRUE(Mat4::LookAt(eye, target, up, &m));
    HostObject* o = NewMatrix(m);
    auto** p = MatrixPtr(o);
    ASSERT_EQ(T<vt_IKvMatrix>(p)->Invert(p), KV_OK);
    double t[3];
    T<vt_IKvMatrix>(p)->GetOffset(p, t);
    double q[3];
    Mat4 inv = m;
    inv.Invert();
    inv.TransformPoint(eye, q);  // the eye maps to the camera origin
    EXPECT_NEAR(q[0], 0, 1e-12);
    EXPECT_NEAR(q[2], 0, 1e-12);
    EXPECT_NEAR(t[2], -3.0, 1e-12);
    Mat4 singular;
    singular.at(0, 0) = 0;
    EXPECT_FALSE(singular.Invert());
    o->ReleaseOwned();
}

// Asked to invert in float, a Matrix gives float values near the inverse,
// off by far more than double rounding would leave, and fails, unchanged,
// on a matrix singular or beyond float's range.
TEST_F(HostTest, MatrixInvertsInFloatWhenAsked) {
    const double eye[3] = {6000, -3000, 7500}, degrees[3] = {31, -47, 113};
    const Mat4 world = Mat4::FromEulerDegrees(eye, degrees);
    Mat4 exact = world;
    ASSERT_TRUE(exact.Invert());
    auto inverted = [](const Mat4& m, std::array<double, 16>& out) {
        const ScopedMatrixAnswers inFloat(MatrixAnswers::InvertingInFloat);
        HostObject* o = NewMatrix(m);
        auto** p = MatrixPtr(o);
        const KvResult result = T<vt_IKvMatrix>(p)->Invert(p);
        T<vt_IKvMatrix>(p)->Get4(p, out.data());
        o->ReleaseOwned();
        return result;
    };
    std::array<double, 16> got;
    ASSERT_EQ(inverted(world, got), KV_OK);
    double miss = 0.0;
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(static_cast<double>(static_cast<float>(got[i])), got[i]) << i;
        miss = std::max(miss, std::fabs(got[i] - exact.m[i]) / (i < 12 ? 1.0 : 1e4));
    }
    EXPECT_GT(miss, 1e-9);
    EXPECT_LT(miss, 1e-3);

    Mat4 singular;
    singular.at(2, 2) = 0;
    EXPECT_EQ(inverted(singular, got), KV_E_FAILED);
    EXPECT_EQ(got, singular.m);
    Mat4 huge = Mat4::Translation(1e39, 0, 0);
    EXPECT_EQ(inverted(huge, got), KV_E_FAILED);
    EXPECT_EQ(got, huge.m);
    EXPECT_EQ(CurrentMatrixAnswers(), MatrixAnswers::Honest);
}

TEST_F(HostTest, SceneItemsEvaluationAndCamera) {
    Session s;
    Scene& sc = s.scene();
    SceneItem* cam = sc.CreateCamera("cam", 0.05, 0.036, 0.024, 5, Mat4::Translation(0, 0, -5));
    auto* ev = new Evaluation(sc);
    uint32_t idx = 0;
    auto** e = ev->evaluationPtr();
    EXPECT_EQ(T<vt_IKvEvaluation>(e)->AddChannel(e, cam->ptr(), 0xFFFFFFFFu, 1, &idx), KV_E_OUTOFBOUNDS);
    ASSERT_EQ(T<vt_IKvEvaluation>(e)->AddChannel(e, cam->ptr(), uint32_t(cam->ChannelIndex("worldMatrix")), 5, &idx),
              KV_OK);
    void* m1 = nullptr;
    void* m2 = nullptr;
    auto** a = ev->attributesPtr();
    ASSERT_EQ(T<vt_IKvAttributes>(a)->Value(a, idx, &m1, 0), KV_OK);
    ASSERT_EQ(T<vt_IKvAttributes>(a)->Value(a, idx, &m2, 0), KV_OK);
    EXPECT_NE(m1, m2);  // a fresh copy each read
    for (void* m : {m1, m2}) (*static_cast<vt_IKvUnknown**>(m))->Release(static_cast<vt_IKvUnknown**>(m));
    void* camOut = nullptr;
    auto** sp = sc.ptr();
    ASSERT_EQ(T<vt_IKvScene>(sp)->RenderCameraByIndex(sp, 0, &camOut), KV_OK);
    EXPECT_EQ(camOut, cam->ptr());
    cam->Release();
    auto** it = cam->ptr();
    EXPECT_NE(T<vt_IKvItem>(it)->TestType(it, 0), KV_TRUE);
    EXPECT_EQ(T<vt_IKvItem>(it)->TestType(it, cam->typeCode()), KV_TRUE);
    ev->ReleaseOwned();
}

// A bare listener: counts ItemAdd and checks the item's channels already exist.
struct CountingListener {
    vt_IKvSceneItemListener* vt;
    int refs = 1;
    int adds = 0;
    int addsWithChannels = 0;
};

TEST_F(HostTest, ListenersHearOfEveryCompletedItem) {
    static vt_IKvSceneItemListener table{};
    table.unk.QueryInterface = [](void* self, const st_KVtGUID*, void** out) -> KvResult {
        ++static_cast<CountingListener*>(self)->refs;  // it is a scene-item listener, whatever is asked
        *out = self;
        return KV_OK;
    };
    table.unk.AddRef = [](void* self) -> uint32_t { return uint32_t(++static_cast<CountingListener*>(self)->refs); };
    table.unk.Release = [](void* self) -> uint32_t { return uint32_t(--static_cast<CountingListener*>(self)->refs); };
    table.ItemAdd = [](void* self, vt_IKvUnknown** item) {
        auto* l = static_cast<CountingListener*>(self);
        ++l->adds;
        uint32_t index = 0;
        auto** it = item;
        for (const char* name : {"worldMatrix", "imageStack"})
            if (T<vt_IKvItem>(it)->ChannelLookup(it, name, &index) == KV_OK) ++l->addsWithChannels;
    };
    CountingListener listener{&table};
    auto** l = reinterpret_cast<vt_IKvUnknown**>(&listener);
    {
        Session s;
        ASSERT_EQ(s.listeners().Add(l), KV_OK);
        Scene& sc = s.scene();
        sc.CreateCamera("cam", 0.05, 0.036, 0.024, 5, Mat4::Translation(0, 0, -5));
        sc.CreateLocator("loc", Mat4::Translation(1, 2, 3));
        sc.CreateClip("clip", ProceduralHatching(8, 8));
        EXPECT_EQ(listener.adds, 3);
        EXPECT_EQ(listener.addsWithChannels, 3);
        EXPECT_EQ(s.listeners().Remove(l), KV_OK);
        sc.CreateLocator("loc2", Mat4::Translation(0, 0, 0));
        EXPECT_EQ(listener.adds, 3);  // removed listeners hear nothing
    }
    EXPECT_EQ(listener.refs, 1);
}

TEST_F(HostTest, SampleVectorsAndRayObject) {
    Session s;
    VectorPool pool(s.Layout(), 2);
    SampleVector& v = pool.BeginSample(3, 4, 0.25f, 0.75f, 1);
    EXPECT_NE(v.Packet<st_KVpSampleRay>(HostPacket::SampleRay), nullptr);
    v.SetPresent(HostPacket::SampleRay, false);
    EXPECT_EQ(v.Packet<st_KVpSampleRay>(HostPacket::SampleRay), nullptr);
    EXPECT_EQ(v.PacketAt(-1), nullptr);
    EXPECT_EQ(v.PacketAt(3), nullptr);
    auto* rays = new RayObject();
    void* r1 = nullptr;
    auto** rp = rays->ptr();
    ASSERT_EQ((*rp)->QueryInterface(rp, &kv::guid_Raycast1, &r1), KV_OK);
    auto** r1p = static_cast<vt_IKvUnknown**>(r1);
    int32_t x = 0, y = 0;
    T<vt_IKvRaycast1>(r1p)->Pixel(r1p, v.ptr(), &x, &y);
    EXPECT_EQ(x, 3);
    EXPECT_EQ(y, 4);
    auto** n1 = T<vt_IKvRaycast>(rp)->PushVector(rp, v.ptr());
    auto** n2 = T<vt_IKvRaycast>(rp)->PushVector(rp, n1);
    ASSERT_NE(n2, nullptr);
    EXPECT_EQ(T<vt_IKvRaycast>(rp)->PushVector(rp, n2), nullptr);  // depth limit
    T<vt_IKvRaycast>(rp)->PopVector(rp, v.ptr());
    EXPECT_EQ(pool.nestedInUse(), 0u);
    float u1, v1, u2, v2;
    s.shading().Next(&v, &u1, &v1);
    s.shading().Next(&v, &u2, &v2);
    EXPECT_TRUE(u1 != u2 || v1 != v2);
    EXPECT_GE(u1, 0.0f);
    EXPECT_LT(u1, 1.0f);
    (*r1p)->Release(r1p);
    rays->ReleaseOwned();
}

TEST_F(HostTest, LoaderErrors) {
    Session s;
    HostError err;
    EXPECT_EQ(s.LoadPlugin("no-such-plugin.kv", &err), nullptr);
    EXPECT_EQ(err.code, KV_E_NOTFOUND);
    std::string notLib = ::testing::TempDir() + "/not_a_library.kv";
    { FILE* f = std::fopen(notLib.c_str(), "w"); std::fputs("text", f); std::fclose(f); }
    EXPECT_EQ(s.LoadPlugin(notLib, &err), nullptr);
    EXPECT_NE(err.message.find("not a loadable library"), std::string::npos);
    // A real library without the entry point: the C library itself.
    Dl_info info{};
    ASSERT_NE(dladdr(reinterpret_cast<void*>(&std::fopen), &info), 0);
    EXPECT_EQ(s.LoadPlugin(info.dli_fname, &err), nullptr);
    EXPECT_EQ(err.code, KV_E_NOTFOUND);
    EXPECT_NE(err.message.find("no entry point _IKvModule_Create"), std::string::npos) << err.message;
    // An entry point whose registration throws on its first call returns null.
    std::string flaky = Session::FindPluginFile("kvtest_flaky.kv");
    if (!flaky.empty()) {
        EXPECT_EQ(s.LoadPlugin(flaky, &err), nullptr);
        EXPECT_NE(err.message.find("returned null"), std::string::npos) << err.message;
    }
    EXPECT_TRUE(s.plugins().empty());
    // A server that runs out of memory while it is made says so.
    std::string many = Session::FindPluginFile("kvtest_many.kv");
    if (!many.empty()) {
        Session m;
        PluginLibrary* lib = m.LoadPlugin(many, &err);
        ASSERT_NE(lib, nullptr) << err.message;
        ComRef obj;
        EXPECT_EQ(lib->Generate("throw.ctor.oom", &obj, &err), KV_E_OUTOFMEMORY);
        EXPECT_NE(err.message.find("failed to generate: out of memory"), std::string::npos) << err.message;
    }
}

TEST_F(HostTest, ShaderServicePairsAreDeterministicPerSampleAndWarpIntoTheDisc) {
    Session s;
    void* out = nullptr;
    vt_IKvUnknown** root = s.root().ptr();
    ASSERT_EQ((*root)->QueryInterface(root, &kv::guid_ShaderService, &out), KV_OK);
    auto** svc = static_cast<vt_IKvUnknown**>(out);
    const auto* t = T<vt_IKvShaderService>(svc);
    VectorPool pool(s.Layout(), 1);
    auto pairs = [&](int32_t x, uint32_t sample) {
        SampleVector& v = pool.BeginSample(x, 2, 0.5f, 0.5f, sample);
        std::vector<std::pair<float, float>> p(4);
        for (auto& [u, w] : p) {
            EXPECT_EQ(t->NextRandom(svc, v.ptr(), &u, &w), KV_OK);
            EXPECT_TRUE(u >= 0 && u < 1 && w >= 0 && w < 1);
        }
        return p;
    };
    auto a = pairs(1, 0);
    EXPECT_EQ(a, pairs(1, 0));  // the same pixel and sample: the same sequence
    EXPECT_NE(a, pairs(1, 1));
    EXPECT_NE(a, pairs(2, 0));
    for (size_t i = 1; i < a.size(); ++i) EXPECT_NE(a[i], a[0]);  // a new pair per call
    // Square to disc: inside the unit disc, corners on its rim, the centre kept.
    for (float u = -1; u <= 1; u += 0.25f)
        for (float w = -1; w <= 1; w += 0.25f) {
            float x = u, y = w;
            ASSERT_EQ(t->SquareToCircle(svc, &x, &y), KV_OK);
            EXPECT_LE(x * x + y * y, 1.0f + 1e-5f) << u << "," << w;
            if (std::fabs(u) == 1 && std::fabs(w) == 1) {
                EXPECT_NEAR(x * x + y * y, 1.0f, 1e-5f);
            }
        }
    float x = 0, y = 0;
    t->SquareToCircle(svc, &x, &y);
    EXPECT_EQ(x, 0.0f);
    // Tests inject their own sequence.
    s.shading().SetRandomSource([](void*, const SampleHeader&, uint32_t call, float* u, float* v) {
        *u = 0.25f * float(call);
        *v = 0.5f;
    }, nullptr);
    SampleVector& v = pool.BeginSample(0, 0, 0.5f, 0.5f, 0);
    float u1, v1, u2, v2;
    t->NextRandom(svc, v.ptr(), &u1, &v1);
    t->NextRandom(svc, v.ptr(), &u2, &v2);
    EXPECT_EQ(u1, 0.0f);
    EXPECT_EQ(u2, 0.25f);
    EXPECT_EQ(t->NextRandom(svc, v.ptr(), nullptr, &v2), KV_E_FAILED);
    (*svc)->Release(svc);
}

TEST_F(HostTest, PassthroughRoadWithTestPlugin) {
    std::string path = Session::FindPluginFile("kvtest.kv");
    if (path.empty()) GTEST_SKIP() << "kvtest.kv not built";
    {
        Session s;
        HostError err;
        PluginLibrary* lib = s.LoadPlugin(path, &err);
        ASSERT_NE(lib, nullptr) << err.message;
        EXPECT_GE(s.Layout().OffsetOf("kvtest.packet"), 0);
        {
            auto road = MaterialRoad::Create(s, *lib, "passthrough", {});
            ASSERT_EQ(road->Prepare(&err), KV_OK) << err.message;
            VectorPool pool(s.Layout());
            auto* rays = new RayObject();
            SampleVector& v = pool.BeginSample(0, 0, 0.5f, 0.5f, 0);
            st_KVpShadeComponents sc{};
            st_KVpShadeOutput out{{0.2f, 0.3f, 0.4f}, 1.0f};
            road->Shade(v, rays->ptr(), sc, out);
            (void)road->ProbeChannelUI();
            rays->ReleaseOwned();
        }
    }
}

}  // namespace
}  // namespace kvh
