// Google Benchmark cases of material roads through the stand-in host: one
// prepared road per case, one registered benchmark per road.
#pragma once

#include <benchmark/benchmark.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "testing/plugin_session.h"

namespace kvt {

// A material server of a loaded plug-in with the scene values of its road.
struct RoadCase {
    std::string name;  // the benchmark's name, also the item's
    const kvh::PluginLibrary* lib;
    std::string server;
    kvh::MaterialRoad::Options options = {};
};

// The shading loop of one benchmark over a prepared road.
using RoadLoop = std::function<void(benchmark::State&, const kvh::MaterialRoad&)>;

// Prepares every case's road and registers `loop` over it under the case's
// name; a road that cannot be prepared ends the binary with `who`'s message.
// The roads must outlive the run: keep what is returned.
inline std::vector<std::unique_ptr<kvh::MaterialRoad>> RegisterRoadBenchmarks(PluginSession& host,
                                                                              std::vector<RoadCase> cases,
                                                                              const RoadLoop& loop, const char* who) {
    std::vector<std::unique_ptr<kvh::MaterialRoad>> roads;
    for (RoadCase& c : cases) {
        c.options.itemName = c.name;
        auto road = host.Road(c.lib, c.server, c.options);
        if (!road) Die(who, host.error);
        const kvh::MaterialRoad* r = road.get();
        benchmark::RegisterBenchmark(c.name.c_str(), [loop, r](benchmark::State& s) { loop(s, *r); });
        roads.push_back(std::move(road));
    }
    return roads;
}

}  // namespace kvt
