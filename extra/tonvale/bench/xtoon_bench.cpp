// Cost of one shaded sample through the stand-in host's road: the X-toon
// material's detail modes and lookups beside the "passthrough" material of
// kvtest.kv, which does nothing per sample (the road's own cost), on one
// thread and on all of them.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <thread>
#include <vector>

#include "core/image.h"
#include "testing/plugin_session.h"

namespace {

struct Bench {
    kvt::PluginSession host;
    std::vector<std::unique_ptr<kvh::MaterialRoad>> roads;
};

// Each benchmark thread shades with its own vector pool and ray object.
void ShadeSamples(benchmark::State& state, Bench& b, const kvh::MaterialRoad& road) {
    kvh::VectorPool pool(b.host.session->Layout());
    const kvt::OwnedRays rays;
    kvh::SampleVector& v = pool.BeginSample(0, 0, 0.5f, 0.5f, 0);
    v.SetAllPresent(true);
    auto* ray = v.Packet<st_KVpSampleRay>(kvh::HostPacket::SampleRay);
    ray->dir[2] = -1.0f;
    auto* normal = v.Packet<st_KVpSurfaceNormal>(kvh::HostPacket::SurfaceNormal);
    normal->normal[1] = 0.6f;
    normal->normal[2] = 0.8f;
    auto* parms = v.Packet<st_KVpSampleParms>(kvh::HostPacket::SampleParms);
    parms->diffCol[0] = parms->diffCol[1] = parms->diffCol[2] = 0.8f;
    parms->specCol[0] = parms->specCol[1] = parms->specCol[2] = 0.5f;
    parms->diffAmt = 1.0f;
    float z = 0.5f;
    for (auto _ : state) {
        ray->dist = z;
        z = z < 9.5f ? z + 0.37f : 0.5f;  // walk the depth range
        st_KVpShadeComponents sc{};
        for (int c = 0; c < 3; ++c) {
            sc.diffLit[c] = sc.diffUnshad[c] = 0.3f + 0.05f * z;
            sc.spec[c] = 0.1f;
            sc.refl[c] = 0.05f;
        }
        st_KVpShadeOutput out{{0.0f, 0.0f, 0.0f}, 1.0f};
        road.Shade(v, rays.ptr(), sc, out);
        benchmark::DoNotOptimize(out);
    }
    state.SetItemsProcessed(state.iterations());
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    Bench b;
    kvh::PluginLibrary* xtoon = b.host.Load("tonvale.kv");
    kvh::PluginLibrary* test = xtoon ? b.host.Load("kvtest.kv") : nullptr;
    if (!xtoon || !test) kvt::Die("tonvale_bench", b.host.error);
    b.host.session->scene().CreateClip("clip", kvh::ProceduralHatching(512, 512));

    struct Case {
        const char* name;
        const kvh::PluginLibrary* lib;
        const char* server;
        kvh::MaterialRoad::Options options;
    };
    std::vector<Case> cases;
    cases.push_back({"passthrough", test, "passthrough", {}});
    cases.push_back({"xtoon/depth_gradients", xtoon, "xtoon", {}});
    kvh::MaterialRoad::Options dof;
    dof.values = {{"detailMode", 1}, {"zMin", 0.5}, {"zRange", 9.0}, {"strength", 0.4}};
    cases.push_back({"xtoon/dof_gradients", xtoon, "xtoon", dof});
    kvh::MaterialRoad::Options sil;
    sil.values = {{"detailMode", 2}, {"strength", 2.0}, {"stepPos", 0.5}};
    cases.push_back({"xtoon/silhouette_step", xtoon, "xtoon", sil});
    kvh::MaterialRoad::Options image;
    image.values = {{"useImage", 1}, {"zMin", 0.5}, {"zRange", 9.0}};
    image.links = {"clip"};
    cases.push_back({"xtoon/depth_image", xtoon, "xtoon", image});

    for (Case& c : cases) {
        c.options.itemName = c.name;
        auto road = b.host.Road(c.lib, c.server, c.options);
        if (!road) kvt::Die("tonvale_bench", b.host.error);
        b.roads.push_back(std::move(road));
    }
    const int allThreads = int(std::max(1u, std::thread::hardware_concurrency()));
    for (size_t i = 0; i < cases.size(); ++i) {
        const kvh::MaterialRoad& road = *b.roads[i];
        benchmark::RegisterBenchmark(cases[i].name, [&b, &road](benchmark::State& s) { ShadeSamples(s, b, road); })
            ->Threads(1)
            ->Threads(allThreads)
            ->UseRealTime();
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
