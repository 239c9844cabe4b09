// Cost of one shaded sample through the stand-in host's road: the stipple and
// dab materials beside the "passthrough" material of kvtest.kv, which does
// nothing per sample (the road's own cost), on one thread and on all of
// them. The dab at full tone stamps the most dabs a sample takes (32); the
// stipple is also timed across point counts from 128 to 8192.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "core/image.h"
#include "testing/road_bench.h"

namespace {

// Walks the texture coordinates over the pattern under light `light`.
void ShadeSamples(benchmark::State& state, const kvh::MaterialRoad& road, kvt::BenchThread& t, float light) {
    kvh::SampleVector& v = t.pool.BeginSample(0, 0, 0.5f, 0.5f, 0);
    kvt::GreySurfaceSample(v);
    auto* tex = v.Packet<st_KVpTextureInput>(kvh::HostPacket::TextureInput);
    float u = 0.0f;
    for (auto _ : state) {
        tex->u = u;
        tex->v = 1.0f - u;
        u = u < 0.97f ? u + 0.0137f : 0.0f;
        st_KVpShadeComponents sc{};
        for (int c = 0; c < 3; ++c) {
            sc.diffLit[c] = sc.diffUnshad[c] = light * 0.8f;
            sc.spec[c] = 0.1f;
        }
        t.Shade(road, v, sc);
    }
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    kvt::PluginSession host;
    const auto [dots, test] = kvt::LoadBesidePassThrough(host, "dotmire.kv", "dotmire_bench");
    host.session->scene().CreateClip("brush", kvh::ProceduralHatching(64, 64));

    kvh::MaterialRoad::Options stipple;
    stipple.values = {{"screenCoords", 0}, {"pointNum", 1024}, {"hueVariation", 0.2},
                      {"drawSpecular", 1}, {"specular", 1.0}};
    kvh::MaterialRoad::Options dab;
    dab.values = {{"screenCoords", 0}, {"pointNum", 8192}, {"pointRadius", 100.0}, {"rotVariation", 0.5},
                  {"hueVariation", 0.1}, {"useColor", 0}};
    dab.links = {"brush"};
    kvh::MaterialRoad::Options plain;
    plain.values = {{"screenCoords", 0}, {"rotVariation", 0.5}};
    plain.links = {"brush"};
    // Under the light of each group.
    auto at = [](float light) {
        return [light](benchmark::State& s, const kvh::MaterialRoad& road, kvt::BenchThread& t) {
            ShadeSamples(s, road, t, light);
        };
    };
    const auto halfTone = kvt::RegisterRoadBenchmarks(host,
                                                      {{"passthrough", test, "passthrough"},
                                                       {"stipple/half_tone_variation", dots, "stipple", stipple},
                                                       {"dab/half_tone", dots, "dab", plain}},
                                                      at(0.5f), "dotmire_bench");
    const auto fullTone =
        kvt::RegisterRoadBenchmarks(host, {{"dab/full_tone_32_stamps", dots, "dab", dab}}, at(0.0f), "dotmire_bench");
    // The stipple's cost as the point count grows: each search visits the
    // points near the sample, whose number stays the same.
    std::vector<kvt::RoadCase> sweep;
    for (int points : {128, 512, 1024, 4096, 8192}) {
        kvh::MaterialRoad::Options o = stipple;
        o.values[1] = {"pointNum", double(points)};
        sweep.push_back({"stipple/half_tone_points:" + std::to_string(points), dots, "stipple", o});
    }
    const auto pointCounts = kvt::RegisterRoadBenchmarks(host, sweep, at(0.5f), "dotmire_bench");
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
