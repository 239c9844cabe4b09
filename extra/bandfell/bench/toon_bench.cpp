// Cost of shading one sample of the toon material (MaterialEvaluate and
// ShaderEvaluate through the host's method tables) against the framework's
// pass-through material, on one thread and on all of them.
#include <benchmark/benchmark.h>

#include <string>

#include "testing/all_cores.h"
#include "toon_host.h"

namespace {

using toon_test::ToonHost;
using toon_test::ToonSample;

struct Roads {
    ToonHost host;
    std::unique_ptr<kvh::MaterialRoad> plain, full, passthrough;

    Roads() {
        if (!host.Load(true)) kvt::Die("bandfell_bench", host.error);
        plain = host.Road({}, "plain");  // 4 bands at their defaults
        // 8 soft bands, half with gradients, banded specular, reflection by gradient.
        kvh::MaterialRoad::Options opt;
        opt.values = {{"diffBands", 8}, {"specBands", 3}, {"reflBands", 0}};
        for (int b = 1; b <= 8; ++b) {
            const std::string n = std::to_string(b);
            opt.values.push_back({"bandSoft" + n, 0.05});
            opt.values.push_back({"bandAlpha" + n, 0.5});
            opt.values.push_back({"bandUseGrad" + n, b % 2 ? 1.0 : 0.0});
            for (const char* c : {".R", ".G", ".B"})
                opt.gradients.push_back({"bandGradient" + n + c, toon_test::Ramp(0.2, 0.9)});
        }
        full = host.Road(opt, "full");
        passthrough = host.Road({}, "passthrough", "passthrough");
        if (!plain || !full || !passthrough) kvt::Die("bandfell_bench", host.error);
    }
};

Roads& TheRoads() {
    static Roads roads;
    return roads;
}

// Shades one sample per iteration with this thread's own vector pool and ray
// object; the light sweeps so that every band is visited.
void ShadeSamples(benchmark::State& state, std::unique_ptr<kvh::MaterialRoad> Roads::*which) {
    Roads& r = TheRoads();
    const kvh::MaterialRoad& road = *(r.*which);
    kvh::VectorPool pool(r.host.session->Layout());
    const kvt::OwnedRays rays;
    kvh::SampleVector& v = pool.BeginSample(0, 0, 0.5f, 0.5f, 0);
    ToonSample filled(v, 0.0f);
    filled.sc.spec[0] = 0.4f;
    filled.sc.refl[1] = 0.3f;
    float light = 0.0f;
    for (auto _ : state) {
        light = light > 1.0f ? 0.0f : light + 0.0137f;
        st_KVpShadeComponents sc = filled.sc;
        for (int c = 0; c < 3; ++c) sc.diffLit[c] = sc.diffUnshad[c] = light;
        st_KVpShadeOutput out{};
        road.Shade(v, rays.ptr(), sc, out);
        benchmark::DoNotOptimize(out);
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_ToonDefaultBands(benchmark::State& state) { ShadeSamples(state, &Roads::plain); }
void BM_ToonEightSoftGradientBands(benchmark::State& state) { ShadeSamples(state, &Roads::full); }
void BM_Passthrough(benchmark::State& state) { ShadeSamples(state, &Roads::passthrough); }

const int kAllThreads = kvt::AllCores();
BENCHMARK(BM_ToonDefaultBands)->Threads(1)->Threads(kAllThreads)->UseRealTime();
BENCHMARK(BM_ToonEightSoftGradientBands)->Threads(1)->Threads(kAllThreads)->UseRealTime();
BENCHMARK(BM_Passthrough)->Threads(1)->Threads(kAllThreads)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
