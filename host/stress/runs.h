// The four runs of the robustness harness. Each returns the number of
// faults it reported; each works from what the material declares only.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "stress/material_info.h"
#include "stress/report.h"

namespace kvs {

struct RunConfig {
    std::string pluginFile;      // as given on the command line
    uint64_t seed = 1;
    uint64_t cases = 1000;       // fuzz cases per material
    uint32_t samples = 4;        // samples per fuzz case
    uint32_t cycles = 20;        // soak cycles
    uint32_t threads = 8;
    uint32_t threadSamples = 4000;  // samples per thread
    std::filesystem::path out = ".";  // where scene files of failing cases go
    bool writeScenes = false;    // write the scene file of every fuzz case, not only of failing ones
};

// Random cases: case i has the seed config.seed + i.
uint64_t FuzzMaterial(const RunConfig& cfg, const MaterialInfo& m, Report& report);
// Each failing host call and each refused service in turn.
uint64_t FaultMaterial(const RunConfig& cfg, const MaterialInfo& m, Report& report);
// `m` shaded from many threads while `other` is linked and read again and again.
uint64_t ThreadMaterial(const RunConfig& cfg, const MaterialInfo& m, const MaterialInfo& other, Report& report);
// Load, use and unload cycles of the whole plug-in.
uint64_t SoakPlugin(const RunConfig& cfg, const PluginInfo& p, Report& report);

// Resident memory of this process in bytes (0 when unknown).
uint64_t ResidentBytes();

}  // namespace kvs
