// Cost of one shaded sample through the stand-in host's road: the stipple and
// dab materials beside the "passthrough" material of kvtest.kv, which does
// nothing per sample (the road's own cost). The dab at full tone stamps the
// most dabs a sample takes (32).
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "core/image.h"
#include "testing/plugin_session.h"

namespace {

struct Bench {
    kvt::PluginSession host;
    kvt::OwnedRays rays;
    std::vector<std::unique_ptr<kvh::MaterialRoad>> roads;
    std::unique_ptr<kvh::VectorPool> pool;
};

// Walks the texture coordinates over the pattern under light `light`.
void ShadeSamples(benchmark::State& state, Bench& b, const kvh::MaterialRoad& road, float light) {
    kvh::SampleVector& v = b.pool->BeginSample(0, 0, 0.5f, 0.5f, 0);
    v.SetAllPresent(true);
    auto* tex = v.Packet<st_KVpTextureInput>(kvh::HostPacket::TextureInput);
    auto* parms = v.Packet<st_KVpSampleParms>(kvh::HostPacket::SampleParms);
    parms->diffCol[0] = parms->diffCol[1] = parms->diffCol[2] = 0.8f;
    parms->specCol[0] = parms->specCol[1] = parms->specCol[2] = 0.5f;
    parms->diffAmt = 1.0f;
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
        st_KVpShadeOutput out{{0.0f, 0.0f, 0.0f}, 1.0f};
        road.Shade(v, b.rays.ptr(), sc, out);
        benchmark::DoNotOptimize(out);
    }
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    Bench b;
    kvh::PluginLibrary* dots = b.host.Load("dotmire.kv");
    kvh::PluginLibrary* test = dots ? b.host.Load("kvtest.kv") : nullptr;
    if (!dots || !test) kvt::Die("dotmire_bench", b.host.error);
    b.host.session->scene().CreateClip("brush", kvh::ProceduralHatching(64, 64));

    struct Case {
        const char* name;
        const kvh::PluginLibrary* lib;
        const char* server;
        kvh::MaterialRoad::Options options;
        float light;
    };
    std::vector<Case> cases;
    cases.push_back({"passthrough", test, "passthrough", {}, 0.5f});
    kvh::MaterialRoad::Options stipple;
    stipple.values = {{"screenCoords", 0}, {"pointNum", 1024}, {"hueVariation", 0.2},
                      {"drawSpecular", 1}, {"specular", 1.0}};
    cases.push_back({"stipple/half_tone_variation", dots, "stipple", stipple, 0.5f});
    kvh::MaterialRoad::Options dab;
    dab.values = {{"screenCoords", 0}, {"pointNum", 8192}, {"pointRadius", 100.0}, {"rotVariation", 0.5},
                  {"hueVariation", 0.1}, {"useColor", 0}};
    dab.links = {"brush"};
    cases.push_back({"dab/full_tone_32_stamps", dots, "dab", dab, 0.0f});
    kvh::MaterialRoad::Options plain;
    plain.values = {{"screenCoords", 0}, {"rotVariation", 0.5}};
    plain.links = {"brush"};
    cases.push_back({"dab/half_tone", dots, "dab", plain, 0.5f});

    for (Case& c : cases) {
        c.options.itemName = c.name;
        auto road = b.host.Road(c.lib, c.server, c.options);
        if (!road) kvt::Die("dotmire_bench", b.host.error);
        b.roads.push_back(std::move(road));
    }
    b.pool = std::make_unique<kvh::VectorPool>(b.host.session->Layout());
    for (size_t i = 0; i < cases.size(); ++i) {
        const kvh::MaterialRoad& road = *b.roads[i];
        const float light = cases[i].light;
        benchmark::RegisterBenchmark(cases[i].name,
                                     [&b, &road, light](benchmark::State& s) { ShadeSamples(s, b, road, light); });
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
