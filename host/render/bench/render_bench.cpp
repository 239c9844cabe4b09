// The renderer's cost per camera sample: primary ray, host packets, shading
// components and sample vector, with the host's own shading, the framework's
// pass-through material (the baseline that shader costs are compared with)
// and the Gooch material. Scenes come from scenes/kvtest.json.
#include <benchmark/benchmark.h>

#include <fstream>

#include "core/session.h"
#include "render_job.h"
#include "renderer.h"

namespace kvr {
namespace {

constexpr uint32_t kW = 96, kH = 64;           // per-sample runs cycle over these pixels
constexpr uint32_t kImageW = 320, kImageH = 240; // whole-image runs

enum class Shading { Host, Passthrough, Gooch };

// The test scene with every object on one material (or none).
bool loadScene(Shading shading, RenderJob& job, std::string& error, uint32_t w = kW, uint32_t h = kH) {
    std::ifstream in(std::string(KV_SCENES_DIR) + "/kvtest.json");
    nlohmann::json doc = nlohmann::json::parse(in, nullptr, false);
    if (doc.is_discarded()) {
        error = "cannot read scenes/kvtest.json";
        return false;
    }
    if (shading == Shading::Gooch)
        doc["materials"]["pass"] = {{"plugin", "tepidon.kv"}, {"server", "gooch"}, {"channels", {{"useLights", true}}}};
    for (auto& o : doc["objects"]) {
        if (shading == Shading::Host) o.erase("material");
        o["surface"].erase("reflectionAmount");  // primary samples only
        o["surface"].erase("transparency");
    }
    RenderOverrides ov;
    ov.width = w;
    ov.height = h;
    ov.spp = 1;
    return loadRenderJobJson(doc, KV_SCENES_DIR, ov, job, error);
}

void perSample(benchmark::State& state, Shading shading) {
    RenderJob job;
    std::string error;
    if (!loadScene(shading, job, error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    Renderer r(job.scene, job.session->Layout(), job.roads);
    ThreadStatePtr ts = r.NewThreadState();
    uint32_t i = 0;
    for (auto _ : state) {
        Vec3 c = r.ShadeSample(*ts, i % kW, (i / kW) % kH, 0);
        benchmark::DoNotOptimize(c);
        ++i;
    }
    state.SetItemsProcessed(int64_t(state.iterations()));
}

void BM_SampleHostShading(benchmark::State& s) { perSample(s, Shading::Host); }
void BM_SamplePassthrough(benchmark::State& s) { perSample(s, Shading::Passthrough); }
void BM_SampleGooch(benchmark::State& s) { perSample(s, Shading::Gooch); }
BENCHMARK(BM_SampleHostShading);
BENCHMARK(BM_SamplePassthrough);
BENCHMARK(BM_SampleGooch);

// Whole images in tiles: range(0) threads, 0 for every core. Items are samples.
void BM_ImagePassthrough(benchmark::State& state) {
    RenderJob job;
    std::string error;
    if (!loadScene(Shading::Passthrough, job, error, kImageW, kImageH)) {
        state.SkipWithError(error.c_str());
        return;
    }
    Renderer r(job.scene, job.session->Layout(), job.roads);
    for (auto _ : state) {
        ImageBuffer img = r.Render(uint32_t(state.range(0)));
        benchmark::DoNotOptimize(img.at(0, 0));
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * kImageW * kImageH);
}
BENCHMARK(BM_ImagePassthrough)->Arg(1)->Arg(0)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kvr

BENCHMARK_MAIN();
