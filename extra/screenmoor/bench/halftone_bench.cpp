// Cost of one shaded sample through the stand-in host's road: halftone
// screens beside the "passthrough" material of kvtest.kv, which does nothing
// per sample (the road's own cost).
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "halftone_ray_hooks.h"
#include "testing/host_sample.h"
#include "testing/plugin_session.h"

namespace {

struct Bench {
    kvt::PluginSession host;
    Halftone2_Shader::test::HalftoneRays hooks;
    kvt::OwnedRays rays{&hooks};
    std::vector<std::unique_ptr<kvh::MaterialRoad>> roads;
    std::unique_ptr<kvh::VectorPool> pool;
};

void ShadeSamples(benchmark::State& state, Bench& b, const kvh::MaterialRoad& road) {
    kvh::SampleVector& v = b.pool->BeginSample(200, 150, 0.5f, 0.5f, 0);
    const kvt::HostPackets packets = kvt::FacingSample(v);
    packets.parms->diffCol[0] = packets.parms->diffCol[1] = packets.parms->diffCol[2] = 0.8f;
    packets.parms->specCol[0] = packets.parms->specCol[1] = packets.parms->specCol[2] = 0.5f;
    auto* res = v.Packet<st_KVpCameraResolution>(kvh::HostPacket::CameraResolution);
    res->width = 640;
    res->height = 427;
    float light = 0.1f;
    for (auto _ : state) {
        light = light < 0.9f ? light + 0.037f : 0.1f;  // walk the tones
        packets.ray->dist = 3.0f + 4.0f * light;
        st_KVpShadeComponents sc{};
        for (int c = 0; c < 3; ++c) {
            sc.diffLit[c] = sc.diffUnshad[c] = light;
            sc.spec[c] = 0.2f * light;
            sc.refl[c] = 0.05f;
        }
        st_KVpShadeOutput out{{0.0f, 0.0f, 0.0f}, 1.0f};
        road.Shade(v, b.rays.ptr(), sc, out);
        benchmark::DoNotOptimize(out);
    }
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    Bench b;
    kvh::PluginLibrary* halftone = b.host.Load("screenmoor.kv");
    kvh::PluginLibrary* test = halftone ? b.host.Load("kvtest.kv") : nullptr;
    if (!halftone || !test) kvt::Die("screenmoor_bench", b.host.error);
    b.hooks.lean = 0.002f;  // re-sampled normals turn with the offset
    kvh::Scene& scene = b.host.session->scene();
    const double x[3] = {1, 0, 0}, y[3] = {0, -1, 0}, z[3] = {0, 0, -1}, p[3] = {0, 0, 5};
    scene.CreateCamera("cam", 0.05, 0.036, 0.024, 5.0, kvh::Mat4::Frame(x, y, z, p));
    scene.CreateLocator("a", kvh::Mat4::Translation(1, 0, 0));
    scene.CreateLocator("b", kvh::Mat4::Translation(-1, 0.5, -2));

    struct Case {
        const char* name;
        const kvh::PluginLibrary* lib;
        const char* server;
        kvh::MaterialRoad::Options options;
    };
    std::vector<Case> cases;
    cases.push_back({"passthrough", test, "passthrough", {}});
    kvh::MaterialRoad::Options dots;
    dots.values = {{"cellPattern", 0}, {"drawSpecular", 0}};
    cases.push_back({"halftone/dots_projection", halftone, "halftone2", dots});
    kvh::MaterialRoad::Options second;
    second.values = {{"cellPattern", 3}, {"specPattern", 5}, {"reflection", 1.0}};
    cases.push_back({"halftone/adaptive_second_screen", halftone, "halftone2", second});
    kvh::MaterialRoad::Options flow;
    flow.values = {{"screenMode", 1}, {"cellPattern", 8}, {"sfReflection", 0.5}, {"zScale", 0.5}, {"zMax", 10.0}};
    flow.links = {"a", "b"};
    cases.push_back({"halftone/surface_flow_2_locators", halftone, "halftone2", flow});

    for (Case& c : cases) {
        c.options.itemName = c.name;
        auto road = b.host.Road(c.lib, c.server, c.options);
        if (!road) kvt::Die("screenmoor_bench", b.host.error);
        b.roads.push_back(std::move(road));
    }
    b.pool = std::make_unique<kvh::VectorPool>(b.host.session->Layout());
    for (size_t i = 0; i < cases.size(); ++i) {
        const kvh::MaterialRoad& road = *b.roads[i];
        benchmark::RegisterBenchmark(cases[i].name, [&b, &road](benchmark::State& s) { ShadeSamples(s, b, road); });
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
