// Cost per shaded sample of the edge-ink material against the pass-through
// test material, both through the stand-in host's material road, at edge
// quality 1, 2 and 4, on one thread and on all of them.
//
// BM_PassThrough / BM_EdgeInk: the ray object answers every sub-sample with
// the same flat record, so no search stops early (all edgeWidth^2 * quality
// sub-samples are examined) and the host's tracing costs next to nothing:
// what is left is what the plug-in adds around the rays it asks for.
// "subsamples" is the count per sample; (edge - pass-through) / subsamples is
// the cost of one sub-sample without its ray.
//
// BM_Rendered/<quality>: camera samples of a small scene through the
// renderer, every object with the material (quality 0: the pass-through
// material), where each sub-sample is a real camera ray.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include <nlohmann/json.hpp>

#include "testing/all_cores.h"
#include "testing/host_sample.h"
#include "testing/plugin_session.h"
#include "render_job.h"
#include "renderer.h"

namespace {

class FlatScene final : public kvh::RayHooks {
public:
    float Trace(kvh::SampleVector&, const double*, const float*, uint32_t) override { return 0.0f; }
    KvResult SurfaceAt(kvh::SampleVector&, float, float, st_KVpSurfaceRecord& rec) override {
        rec = st_KVpSurfaceRecord{};
        rec.normal[2] = 1.0f;
        rec.depth = 10.0f;
        rec.surfaceId = rec.segmentId = 1;
        return KV_OK;
    }
    KvResult NormalAt(kvh::SampleVector&, float, float, float*) override { return KV_E_NOTIMPL; }
};

// One session with both plug-ins and one road per material, made once.
struct Bench {
    kvt::PluginSession host;
    FlatScene scene;
    std::unique_ptr<kvh::MaterialRoad> passthrough;
    std::unique_ptr<kvh::MaterialRoad> ink[5];  // by edge quality 1, 2, 4
    int items = 0;

    Bench() {
        kvh::PluginLibrary* test = host.Load("kvtest.kv");
        kvh::PluginLibrary* rim = test ? host.Load("rimquill.kv") : nullptr;
        if (!rim) kvt::Die("edge-ink bench", host.error);
        host.session->Layout();
        passthrough = Make(test, "passthrough", {});
        for (int q : {1, 2, 4}) ink[q] = Make(rim, "edgeInk", {{"edgeQuality", double(q)}});
    }

    std::unique_ptr<kvh::MaterialRoad> Make(const kvh::PluginLibrary* lib, const char* server,
                                            std::vector<kvh::ChannelValue> values) {
        kvh::MaterialRoad::Options opt;
        opt.itemName = std::string(server) + std::to_string(++items);  // one item per road
        opt.values = std::move(values);
        auto road = host.Road(lib, server, std::move(opt));
        if (!road) kvt::Die("edge-ink bench", host.error);
        return road;
    }
};

Bench& Shared() {
    static Bench bench;
    return bench;
}

// A camera sample facing a flat surface, as the renderer fills it.
void FillSample(kvh::SampleVector& v) {
    kvt::FacingSample(v, false).ray->flags = KV_RAY_CAMERA;
    *v.Packet<st_KVpCameraResolution>(kvh::HostPacket::CameraResolution) = {640, 480};
}

void Run(benchmark::State& state, const kvh::MaterialRoad& road, int subsamples) {
    Bench& b = Shared();
    kvh::VectorPool pool(b.host.session->Layout());  // one per thread
    const kvt::OwnedRays rays(&b.scene);             // one per thread, as a host hands them
    uint32_t i = 0;
    for (auto _ : state) {
        kvh::SampleVector& v = pool.BeginSample(int32_t(i % 640), int32_t(i / 640 % 480), 0.5f, 0.5f, 0);
        if (i++ == 0) FillSample(v);
        st_KVpShadeComponents sc{};
        st_KVpShadeOutput out{{0.5f, 0.5f, 0.5f}, 1.0f};
        road.Shade(v, rays.ptr(), sc, out);
        benchmark::DoNotOptimize(out);
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["subsamples"] = benchmark::Counter(subsamples, benchmark::Counter::kAvgThreads);
}

void BM_PassThrough(benchmark::State& state) { Run(state, *Shared().passthrough, 0); }

void BM_EdgeInk(benchmark::State& state) {
    const int q = int(state.range(0));
    Run(state, *Shared().ink[q], 4 * q);  // edgeWidth 2: 4 * quality sub-samples
}

const int kAllThreads = kvt::AllCores();

BENCHMARK(BM_PassThrough)->Threads(1)->Threads(kAllThreads)->UseRealTime();
BENCHMARK(BM_EdgeInk)->Arg(1)->Arg(2)->Arg(4)->Threads(1)->Threads(kAllThreads)->UseRealTime();

// A ground, a ball and a box, all with the material under test.
nlohmann::json RenderedScene(int quality) {
    nlohmann::json m = quality == 0 ? nlohmann::json{{"plugin", "kvtest.kv"}, {"server", "passthrough"}}
                                    : nlohmann::json{{"plugin", "rimquill.kv"},
                                                     {"server", "edgeInk"},
                                                     {"channels", {{"edgeQuality", quality}}}};
    return {
        {"materials", {{"m", m}}},
        {"camera", {{"position", {0, 2, 6}}, {"target", {0, 0.5, 0}}}},
        {"lights", {{{"type", "distant"}, {"direction", {-1, -1, -0.5}}}}},
        {"objects",
         {{{"name", "ground"}, {"shape", "plane"}, {"scale", 6}, {"material", "m"}},
          {{"name", "ball"}, {"shape", "sphere"}, {"position", {-1, 1, 0}}, {"material", "m"}},
          {{"name", "box"}, {"shape", "cube"}, {"position", {1.2, 0.6, 0}}, {"rotation", {0, 30, 0}},
           {"scale", 0.6}, {"material", "m"}}}},
        {"render", {{"width", 160}, {"height", 120}, {"spp", 1}}},
    };
}

struct RenderedBench {
    kvr::RenderJob job;
    std::unique_ptr<kvr::Renderer> renderer;
    explicit RenderedBench(int quality) {
        std::string error;
        if (!kvr::loadRenderJobJson(RenderedScene(quality), ".", {}, job, error)) kvt::Die("edge-ink bench", error);
        renderer = std::make_unique<kvr::Renderer>(job.scene, job.session->Layout(), job.roads);
    }
    ~RenderedBench() { renderer.reset(); }
};

RenderedBench& Rendered(int quality) {
    static RenderedBench q0(0), q1(1), q2(2), q4(4);
    return quality == 0 ? q0 : quality == 1 ? q1 : quality == 2 ? q2 : q4;
}

void BM_Rendered(benchmark::State& state) {
    RenderedBench& b = Rendered(int(state.range(0)));
    auto ts = b.renderer->NewThreadState();
    const uint32_t w = b.job.scene.camera.width, h = b.job.scene.camera.height;
    uint32_t i = uint32_t(state.thread_index()) * 997;
    for (auto _ : state) {
        const uint32_t p = i++ % (w * h);
        benchmark::DoNotOptimize(b.renderer->ShadeSample(*ts, p % w, p / w, 0));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Rendered)->Arg(0)->Arg(1)->Arg(2)->Arg(4)->Threads(1)->Threads(kAllThreads)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
