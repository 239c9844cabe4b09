// Cost of one shaded sample through the stand-in host's road: the sketch-tone
// material in texture, projection and two-locator surface-flow coordinates
// beside the "passthrough" material of kvtest.kv, which does nothing per
// sample (the road's own cost), on one thread and on all of them.
#include <benchmark/benchmark.h>

#include "core/image.h"
#include "testing/road_bench.h"

namespace {

// The renderer's side of the ray object for surface flow: a normal that
// turns with the screen offset (Raycast1 slot 19); traced rays miss.
class TiltedNormals final : public kvh::RayHooks {
public:
    float Trace(kvh::SampleVector&, const double*, const float*, uint32_t) override { return 0.0f; }
    KvResult SurfaceAt(kvh::SampleVector&, float, float, st_KVpSurfaceRecord& rec) override {
        kvh::BackgroundSurface(rec);
        return KV_OK;
    }
    KvResult NormalAt(kvh::SampleVector&, float dx, float dy, float* n) override {
        n[0] = 0.002f * dx;
        n[1] = 0.002f * dy;
        n[2] = -1.0f;
        return KV_OK;
    }
};

void ShadeSamples(benchmark::State& state, const kvh::MaterialRoad& road, kvt::BenchThread& t) {
    int i = 0;
    for (auto _ : state) {
        kvh::SampleVector& v = t.pool.BeginSample(i % 320, (i / 320) % 240, 0.5f, 0.5f, 0);
        ++i;
        if (i == 1) {
            const kvt::HostPackets packets = kvt::GreySurfaceSample(v);
            packets.normal->normal[1] = 0.6f;
            packets.normal->normal[2] = -0.8f;
            *v.Packet<st_KVpCameraResolution>(kvh::HostPacket::CameraResolution) = {320, 240};
        }
        v.Packet<st_KVpSampleRay>(kvh::HostPacket::SampleRay)->dist = 4.0f + float(i % 7);
        auto* tex = v.Packet<st_KVpTextureInput>(kvh::HostPacket::TextureInput);
        tex->u = float(i % 320) / 320.0f;
        tex->v = float(i % 240) / 240.0f;
        st_KVpShadeComponents sc{};
        for (int c = 0; c < 3; ++c) sc.diffLit[c] = sc.diffUnshad[c] = float(i % 11) / 10.0f;
        t.Shade(road, v, sc);
    }
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    kvt::PluginSession host;
    TiltedNormals hooks;
    const auto [sketch, test] = kvt::LoadBesidePassThrough(host, "pencrest.kv", "pencrest_bench");
    kvh::Scene& scene = host.session->scene();
    scene.CreateCamera("cam", 0.05, 0.036, 0.027, 5.0, kvh::Mat4());
    scene.CreateLocator("a", kvh::Mat4::Translation(1.0, 0.5, 6.0));
    scene.CreateLocator("b", kvh::Mat4::Translation(-1.5, -0.5, 9.0));
    scene.CreateClip("clip", kvh::ProceduralHatching(256, 256));

    kvh::MaterialRoad::Options texture;
    texture.values = {{"screenCoords", 0}};
    kvh::MaterialRoad::Options map = texture;
    map.links = {"clip"};
    kvh::MaterialRoad::Options flow;
    flow.values = {{"screenMode", 1}, {"zMin", 2.0}, {"zMax", 12.0}, {"sfReflection", 0.5}, {"sfForeshort", 1.0}};
    flow.links = {"a", "b"};
    const auto roads = kvt::RegisterRoadBenchmarks(
        host,
        {{"passthrough", test, "passthrough"},
         {"sketchtone/texture", sketch, "sketchtone", texture},
         {"sketchtone/texture_sketch_map", sketch, "sketchtone", map},
         {"sketchtone/projection", sketch, "sketchtone"},
         {"sketchtone/surface_flow_2_locators", sketch, "sketchtone", flow}},
        ShadeSamples, "pencrest_bench", &hooks);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
