// Cost of one shaded sample through the stand-in host's road: halftone
// screens beside the "passthrough" material of kvtest.kv, which does nothing
// per sample (the road's own cost), on one thread and on all of them.
#include <benchmark/benchmark.h>

#include "halftone_ray_hooks.h"
#include "testing/road_bench.h"

namespace {

void ShadeSamples(benchmark::State& state, const kvh::MaterialRoad& road, kvt::BenchThread& t) {
    kvh::SampleVector& v = t.pool.BeginSample(200, 150, 0.5f, 0.5f, 0);
    const kvt::HostPackets packets = kvt::GreySurfaceSample(v);
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
        t.Shade(road, v, sc);
    }
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    kvt::PluginSession host;
    Halftone2_Shader::test::HalftoneRays hooks;
    const auto [halftone, test] = kvt::LoadBesidePassThrough(host, "screenmoor.kv", "screenmoor_bench");
    hooks.lean = 0.002f;  // re-sampled normals turn with the offset
    kvh::Scene& scene = host.session->scene();
    const double x[3] = {1, 0, 0}, y[3] = {0, -1, 0}, z[3] = {0, 0, -1}, p[3] = {0, 0, 5};
    scene.CreateCamera("cam", 0.05, 0.036, 0.024, 5.0, kvh::Mat4::Frame(x, y, z, p));
    scene.CreateLocator("a", kvh::Mat4::Translation(1, 0, 0));
    scene.CreateLocator("b", kvh::Mat4::Translation(-1, 0.5, -2));

    kvh::MaterialRoad::Options dots;
    dots.values = {{"cellPattern", 0}, {"drawSpecular", 0}};
    kvh::MaterialRoad::Options second;
    second.values = {{"cellPattern", 3}, {"specPattern", 5}, {"reflection", 1.0}};
    kvh::MaterialRoad::Options flow;
    flow.values = {{"screenMode", 1}, {"cellPattern", 8}, {"sfReflection", 0.5}, {"zScale", 0.5}, {"zMax", 10.0}};
    flow.links = {"a", "b"};
    const auto roads = kvt::RegisterRoadBenchmarks(host,
                                                   {{"passthrough", test, "passthrough"},
                                                    {"halftone/dots_projection", halftone, "halftone2", dots},
                                                    {"halftone/adaptive_second_screen", halftone, "halftone2", second},
                                                    {"halftone/surface_flow_2_locators", halftone, "halftone2", flow}},
                                                   ShadeSamples, "screenmoor_bench", &hooks);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
