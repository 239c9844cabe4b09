// One material shaded from several threads at once, each with its own
// vector pool, as the renderer does: every thread gets the same answers.
// (Also run under the thread sanitizer.)
#include <gtest/gtest.h>

#include <thread>

#include "core/ray_object.h"
#include "core/scene_file.h"

namespace kvh {
namespace {

// Shades `n` samples with varying normals and returns the output colours.
std::vector<float> ShadeMany(const MaterialRoad& road, const PacketLayout& layout, vt_IKvUnknown** rays, int n) {
    VectorPool pool(layout);
    std::vector<float> out;
    out.reserve(size_t(n) * 3);
    for (int i = 0; i < n; ++i) {
        SampleVector& v = pool.BeginSample(i % 64, i / 64, 0.5f, 0.5f, 0);
        v.SetAllPresent(true);
        const float a = float(i) * 0.01f;
        auto* ray = v.Packet<st_KVpSampleRay>(HostPacket::SampleRay);
        ray->dir[0] = 0, ray->dir[1] = 0, ray->dir[2] = -1;
        auto* nrm = v.Packet<st_KVpSurfaceNormal>(HostPacket::SurfaceNormal);
        nrm->normal[0] = std::sin(a), nrm->normal[1] = 0, nrm->normal[2] = std::cos(a);
        auto* parms = v.Packet<st_KVpSampleParms>(HostPacket::SampleParms);
        parms->diffCol[0] = parms->diffCol[1] = parms->diffCol[2] = 0.8f;
        parms->diffAmt = 1;
        auto* tex = v.Packet<st_KVpTextureInput>(HostPacket::TextureInput);
        tex->u = float(i % 17) / 17.0f;
        tex->v = 0.5f;
        pool.InitializePluginPackets(v);
        st_KVpShadeComponents sc{};
        for (int c = 0; c < 3; ++c) sc.diffLit[c] = sc.diffUnshad[c] = 0.5f * std::cos(a);
        st_KVpShadeOutput o{};
        road.Shade(v, rays, sc, o);
        out.insert(out.end(), o.color, o.color + 3);
    }
    return out;
}

TEST(ThreadedShading, EveryThreadGetsTheSameAnswers) {
    if (Session::FindPluginFile("tepidon.kv").empty()) GTEST_SKIP() << "tepidon.kv not built";
    Session s;
    HostError err;
    auto scene = LoadSceneJson(s, nlohmann::json::parse(R"({"materials": {
        "fixed": {"plugin": "tepidon.kv", "server": "gooch"},
        "layered": {"plugin": "tepidon.kv", "server": "gooch", "channels": {"useLights": true},
                    "drivers": {"warmColor": {"type": "ramp-u"}},
                    "layers": [{"value": "tintWarm", "opacity": 0.5, "pattern": {"type": "checker", "scale": 4}}]}}})"),
                               ".", &err);
    ASSERT_NE(scene, nullptr) << err.message;
    auto* rays = new RayObject();
    for (const auto& [name, road] : scene->materials) {
        const std::vector<float> serial = ShadeMany(*road, s.Layout(), rays->ptr(), 2000);
        ASSERT_NE(serial.front(), serial[serial.size() / 2]) << name;  // the samples differ
        std::vector<std::vector<float>> results(4);
        std::vector<std::thread> threads;
        for (auto& r : results)
            threads.emplace_back([&, &r = r] { r = ShadeMany(*road, s.Layout(), rays->ptr(), 2000); });
        for (auto& t : threads) t.join();
        for (const auto& r : results) EXPECT_EQ(r, serial) << name;
    }
    rays->ReleaseOwned();
}

}  // namespace
}  // namespace kvh
