// One fuzz case of one material: the scene state (channel values, gradient
// keys, per-sample drivers, texture layers) that a scene file can hold, made
// from the case seed alone. The per-sample host data follows from the same
// generator while the case runs.
#pragma once

#include <filesystem>
#include <string>

#include <nlohmann/json.hpp>

#include "core/material_road.h"
#include "stress/fuzz_values.h"
#include "stress/material_info.h"

namespace kvs {

struct CaseSpec {
    uint64_t seed = 0;
    bool extreme = false;  // numbers beyond the tame limit may appear
    bool zeroCamera = false;  // the render camera's lens values are all 0 (Kit::SetCameraZero)
    kvh::MaterialRoad::Options options;
};

// The generator of a case: the same seed and material give the same numbers.
inline Rng CaseRng(uint64_t seed, const MaterialInfo& m) { return Rng(seed, m.server); }

// Draws the scene state of a case from `src` (whose taint records it).
CaseSpec MakeCase(const MaterialInfo& m, uint64_t seed, ValueSource& src);
// The same, from the seed alone (as a case starts).
CaseSpec MakeCase(const MaterialInfo& m, uint64_t seed);

// A scene file for the case (the format of core/scene_file.h). Numbers that
// JSON cannot hold are written as the strings "nan", "inf" and "-inf".
nlohmann::json CaseScene(const std::string& pluginFile, const MaterialInfo& m, const CaseSpec& c);
// Writes it as <dir>/kvstress-<material>-<seed>.json; returns the path, or
// "" with the reason in `error` when the file cannot be written.
std::string WriteCaseScene(const std::filesystem::path& dir, const std::string& pluginFile, const MaterialInfo& m,
                           const CaseSpec& c, std::string* error = nullptr);
// Writes it and says so: "scene file: PATH", or why it was not written.
std::string CaseSceneLine(const std::filesystem::path& dir, const std::string& pluginFile, const MaterialInfo& m,
                          const CaseSpec& c);

kvh::Pattern RandomPattern(ValueSource& src, const std::string& type, double dflt, bool colour);
nlohmann::json PatternJson(const kvh::Pattern& p, bool colour);
nlohmann::json Number(double v);

}  // namespace kvs
