// Cost per sample of toon shading against a pass-through baseline (the output
// sum alone).
#include <benchmark/benchmark.h>

#include "toon_shading.h"

namespace {

struct Ramp {
    bool test() const { return true; }
    double Evaluate(double t) const { return t; }
};

void Fill(ToonPacketData& p, st_KVpSampleParms& parms, st_KVpShadeComponents& sc) {
    p = ToonPacketData{};
    p.diffBands = 8;
    p.specBands = 3;
    p.diffLevel = 0.5f;
    p.shadows = p.indirectLight = 1.0f;
    for (int b = 0; b < 8; ++b) {
        p.bands[b].start = b * 0.125f;
        p.bands[b].soft = 0.05f;
        p.bands[b].alpha = 0.5f;
        p.bands[b].useGrad = b & 1;
    }
    parms = st_KVpSampleParms{};
    parms.diffCol[0] = parms.diffCol[1] = parms.diffCol[2] = 1.0f;
    parms.diffAmt = 1.0f;
    sc = st_KVpShadeComponents{};
    sc.spec[0] = 0.4f;
    sc.refl[1] = 0.3f;
}

void BM_PassThrough(benchmark::State& state) {
    st_KVpShadeComponents sc{};
    st_KVpShadeOutput out{};
    for (auto _ : state) {
        for (int c = 0; c < 3; ++c) out.color[c] = sc.diff[c] + sc.spec[c] + sc.refl[c] + sc.tran[c] + sc.subs[c] + sc.lumi[c];
        benchmark::DoNotOptimize(out);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_PassThrough);

void BM_ToonShade(benchmark::State& state) {
    ToonPacketData p;
    st_KVpSampleParms parms;
    st_KVpShadeComponents sc;
    Fill(p, parms, sc);
    ToonFilterSet<Ramp> grads{};
    st_KVpShadeOutput out{};
    float light = 0.0f;
    for (auto _ : state) {
        light = light > 1.0f ? 0.0f : light + 0.001f;
        for (int c = 0; c < 3; ++c) sc.diffLit[c] = sc.diffUnshad[c] = light;
        toonShade(p, &parms, grads, sc, out);
        benchmark::DoNotOptimize(out);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_ToonShade);

}  // namespace
