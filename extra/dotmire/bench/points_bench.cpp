// Cost of the point searches that the stipple and dab shadings make per
// sample, at mid density and across point counts (the argument), beside one
// sample through the stand-in host's road
// with the framework's do-nothing "passthrough" material (kvtest.kv): the
// road's own cost, as a yardstick.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "point_search.h"
#include "testing/host_sample.h"
#include "testing/plugin_session.h"

namespace {

using namespace Stipple_Shader;

// Positions walking the pattern so that hits and misses mix as on a surface.
struct Walk {
    float x = 0.013f, y = 0.71f;
    void Step() {
        x += 0.0371f;
        y += 0.0173f;
        if (x >= 1.0f) x -= 1.0f;
        if (y >= 1.0f) y -= 1.0f;
    }
};

void BM_StippleDotIndex(benchmark::State& state) {
    const int32_t pointCount = static_cast<int32_t>(state.range(0));
    Walk w;
    for (auto _ : state) {
        benchmark::DoNotOptimize(StippleDotIndex(pointCount, 1.0f, w.x, w.y, 0.5f));
        w.Step();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_StippleDotIndex)->Arg(128)->Arg(512)->Arg(1024)->Arg(4096)->Arg(8192);

void BM_DabCoverage(benchmark::State& state) {
    const int32_t pointCount = static_cast<int32_t>(state.range(0));
    const float limit = DotLimit(pointCount, 1.0f);
    const int32_t n = DensityPrefix(pointCount, 0.5f);
    int32_t out[32];
    Walk w;
    for (auto _ : state) {
        benchmark::DoNotOptimize(DabCoverage(n, out, 32, w.x, w.y, limit));
        benchmark::ClobberMemory();
        w.Step();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DabCoverage)->Arg(128)->Arg(1024)->Arg(8192);

void BM_Passthrough(benchmark::State& state) {
    kvt::PluginSession host;
    const kvh::PluginLibrary* test = host.Load("kvtest.kv");
    auto road = test ? host.Road(test, "passthrough") : nullptr;
    if (!road) {
        state.SkipWithError(host.error.c_str());
        return;
    }
    kvt::OwnedRays rays;
    kvh::VectorPool pool(host.session->Layout());
    kvh::SampleVector& v = pool.BeginSample(0, 0, 0.5f, 0.5f, 0);
    kvt::FacingSample(v);
    for (auto _ : state) {
        st_KVpShadeComponents sc{};
        st_KVpShadeOutput out{{0.0f, 0.0f, 0.0f}, 1.0f};
        road->Shade(v, rays.ptr(), sc, out);
        benchmark::DoNotOptimize(out);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Passthrough);

}  // namespace

BENCHMARK_MAIN();
