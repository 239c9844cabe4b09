// Cost of one shaded sample through the stand-in host's road: the X-toon
// material's detail modes and lookups beside the "passthrough" material of
// kvtest.kv, which does nothing per sample (the road's own cost), on one
// thread and on all of them.
#include <benchmark/benchmark.h>

#include "core/image.h"
#include "testing/road_bench.h"

namespace {

void ShadeSamples(benchmark::State& state, const kvh::MaterialRoad& road, kvt::BenchThread& t) {
    kvh::SampleVector& v = t.pool.BeginSample(0, 0, 0.5f, 0.5f, 0);
    const kvt::HostPackets packets = kvt::GreySurfaceSample(v);
    st_KVpSampleRay* ray = packets.ray;
    packets.normal->normal[1] = 0.6f;
    packets.normal->normal[2] = 0.8f;
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
        t.Shade(road, v, sc);
    }
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    kvt::PluginSession host;
    const auto [xtoon, test] = kvt::LoadBesidePassThrough(host, "tonvale.kv", "tonvale_bench");
    host.session->scene().CreateClip("clip", kvh::ProceduralHatching(512, 512));

    kvh::MaterialRoad::Options dof;
    dof.values = {{"detailMode", 1}, {"zMin", 0.5}, {"zRange", 9.0}, {"strength", 0.4}};
    kvh::MaterialRoad::Options sil;
    sil.values = {{"detailMode", 2}, {"strength", 2.0}, {"stepPos", 0.5}};
    kvh::MaterialRoad::Options image;
    image.values = {{"useImage", 1}, {"zMin", 0.5}, {"zRange", 9.0}};
    image.links = {"clip"};
    const auto roads = kvt::RegisterRoadBenchmarks(host,
                                                   {{"passthrough", test, "passthrough"},
                                                    {"xtoon/depth_gradients", xtoon, "xtoon"},
                                                    {"xtoon/dof_gradients", xtoon, "xtoon", dof},
                                                    {"xtoon/silhouette_step", xtoon, "xtoon", sil},
                                                    {"xtoon/depth_image", xtoon, "xtoon", image}},
                                                   ShadeSamples, "tonvale_bench");
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
