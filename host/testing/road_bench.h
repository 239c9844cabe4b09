// Google Benchmark cases of material roads through the stand-in host: one
// prepared road per case, one registered benchmark per road, run on one
// thread and on all of them; every benchmark thread shades with a vector pool
// and a ray object of its own, as a host hands them to its render threads.
#pragma once

#include <benchmark/benchmark.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "testing/all_cores.h"
#include "testing/host_sample.h"
#include "testing/plugin_session.h"

namespace kvt {

// A material server of a loaded plug-in with the scene values of its road.
struct RoadCase {
    std::string name;  // the benchmark's name, also the item's
    const kvh::PluginLibrary* lib;
    std::string server;
    kvh::MaterialRoad::Options options = {};
};

// A facing sample on a light grey surface (diffuse colour 0.8, specular
// colour 0.5), where the benchmark loops start.
inline HostPackets GreySurfaceSample(kvh::SampleVector& v) {
    const HostPackets p = FacingSample(v);
    for (int c = 0; c < 3; ++c) {
        p.parms->diffCol[c] = 0.8f;
        p.parms->specCol[c] = 0.5f;
    }
    return p;
}

// What one benchmark thread shades with.
struct BenchThread {
    kvh::VectorPool pool;
    OwnedRays rays;
    BenchThread(const kvh::PacketLayout& layout, kvh::RayHooks* hooks) : pool(layout), rays(hooks) {}

    // Shades `v` with this thread's ray object onto a black opaque output.
    void Shade(const kvh::MaterialRoad& road, kvh::SampleVector& v, st_KVpShadeComponents& sc) const {
        st_KVpShadeOutput out{{0.0f, 0.0f, 0.0f}, 1.0f};
        road.Shade(v, rays.ptr(), sc, out);
        benchmark::DoNotOptimize(out);
    }
};

// A plug-in and kvtest.kv, whose "passthrough" material does nothing per
// sample (the road's own cost), loaded into `host`; a failure ends the
// binary with `who`'s message.
struct BenchPlugins {
    kvh::PluginLibrary* plugin;
    kvh::PluginLibrary* test;
};
inline BenchPlugins LoadBesidePassThrough(PluginSession& host, const char* pluginFile, const char* who) {
    kvh::PluginLibrary* plugin = host.Load(pluginFile);
    kvh::PluginLibrary* test = plugin ? host.Load("kvtest.kv") : nullptr;
    if (!plugin || !test) Die(who, host.error);
    return {plugin, test};
}

// The shading loop of one benchmark thread over a prepared road.
using RoadLoop = std::function<void(benchmark::State&, const kvh::MaterialRoad&, BenchThread&)>;

// Prepares every case's road and registers `loop` over it under the case's
// name, on one thread and on all of them, each thread with its own pool and
// ray object over `hooks` (shared: they must answer from any thread); a road
// that cannot be prepared ends the binary with `who`'s message. The roads
// must outlive the run: keep what is returned.
inline std::vector<std::unique_ptr<kvh::MaterialRoad>> RegisterRoadBenchmarks(PluginSession& host,
                                                                              std::vector<RoadCase> cases,
                                                                              const RoadLoop& loop, const char* who,
                                                                              kvh::RayHooks* hooks = nullptr) {
    const int allThreads = AllCores();
    std::vector<std::unique_ptr<kvh::MaterialRoad>> roads;
    for (RoadCase& c : cases) {
        c.options.itemName = c.name;
        auto road = host.Road(c.lib, c.server, c.options);
        if (!road) Die(who, host.error);
        const kvh::MaterialRoad* r = road.get();
        const kvh::PacketLayout* layout = &host.session->Layout();
        benchmark::RegisterBenchmark(c.name.c_str(),
                                     [loop, r, layout, hooks](benchmark::State& s) {
                                         BenchThread thread(*layout, hooks);
                                         loop(s, *r, thread);
                                         s.SetItemsProcessed(s.iterations());
                                     })
            ->Threads(1)
            ->Threads(allThreads)
            ->UseRealTime();
        roads.push_back(std::move(road));
    }
    return roads;
}

}  // namespace kvt
