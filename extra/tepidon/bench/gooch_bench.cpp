// Cost of shading: one sample of the Gooch material (MaterialEvaluate and
// ShaderEvaluate through the host's method tables) against the framework's
// pass-through material, and a render of the Gooch scene, on one thread and
// on all of them.
#include <benchmark/benchmark.h>

#include "gooch_host.h"
#include "render_job.h"
#include "renderer.h"
#include "testing/all_cores.h"

namespace {

using gooch_test::GoochHost;
using gooch_test::HostSample;

// One session and its roads for the whole run (made on first use).
struct Roads {
    GoochHost host;
    std::unique_ptr<kvh::MaterialRoad> fixed, lit, passthrough;

    Roads() {
        if (!host.Load(true)) kvt::Die("gooch_bench", host.error);
        fixed = host.Road({});
        kvh::MaterialRoad::Options opt;
        opt.itemName = "lit";
        opt.values = {{"useLights", 1}};
        lit = host.Road(opt);
        passthrough = host.Road({}, "passthrough");
        if (!fixed || !lit || !passthrough) kvt::Die("gooch_bench", host.error);
    }
};

Roads& TheRoads() {
    static Roads roads;
    return roads;
}

// Shades one sample per iteration with this thread's own vector pool and ray object.
void ShadeSamples(benchmark::State& state, std::unique_ptr<kvh::MaterialRoad> Roads::*which) {
    Roads& r = TheRoads();
    const kvh::MaterialRoad& road = *(r.*which);
    kvh::VectorPool pool(r.host.session->Layout());
    const kvt::OwnedRays rays;
    kvh::SampleVector& v = pool.BeginSample(0, 0, 0.5f, 0.5f, 0);
    const HostSample filled(v);
    for (auto _ : state) {
        HostSample s = filled;
        road.Shade(v, rays.ptr(), s.sc, s.out);
        benchmark::DoNotOptimize(s.out);
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_GoochFixedLight(benchmark::State& state) { ShadeSamples(state, &Roads::fixed); }
void BM_GoochSceneLights(benchmark::State& state) { ShadeSamples(state, &Roads::lit); }
void BM_Passthrough(benchmark::State& state) { ShadeSamples(state, &Roads::passthrough); }

const int kAllThreads = kvt::AllCores();
BENCHMARK(BM_GoochFixedLight)->Threads(1)->Threads(kAllThreads)->UseRealTime();
BENCHMARK(BM_GoochSceneLights)->Threads(1)->Threads(kAllThreads)->UseRealTime();
BENCHMARK(BM_Passthrough)->Threads(1)->Threads(kAllThreads)->UseRealTime();

// The Gooch scene at a reduced size; argument: render threads (0: all).
void BM_RenderGoochScene(benchmark::State& state) {
    kvr::RenderJob job;
    std::string error;
    kvr::RenderOverrides size;
    size.width = 240;
    size.height = 160;
    size.spp = 1;
    if (!kvr::loadRenderJob(KV_GOOCH_SCENE, size, job, error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    kvr::Renderer renderer(job.scene, job.session->Layout(), job.roads);
    for (auto _ : state) benchmark::DoNotOptimize(renderer.Render(uint32_t(state.range(0))));
    state.SetItemsProcessed(state.iterations() * 240 * 160);
}
BENCHMARK(BM_RenderGoochScene)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
