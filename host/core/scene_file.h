// Scene files (JSON). Top-level keys read here:
//
//   "materials": { name: {
//       "plugin": "tepidon.kv", "server": "gooch",
//       "channels":  { channel: number | [r, g, b] },      // [r,g,b] for an RGB group
//       "gradients": { channel: [[input, value], ...] },   // value number or [r,g,b] for a group
//       "drivers":   { channel: pattern },                 // per-sample drivers
//       "layers":    [ {"value": effect value name, "opacity": 0..1, "pattern": pattern} ],
//       "links":     [ item names, in order, for "shadeLoc" ] } }
//   "items": [ {"name": .., "type": "videoClip", "image": "file.png" (relative to the
//                scene file; omitted: a procedural hatching), "filter": "ok"|"fail"|"none"}
//            | {"name": .., "type": "locator", "position": [x, y, z]} ]
//   "camera": { "position": [x,y,z], "target": [x,y,z] | "rotation": [deg x, y, z],
//               "up": [x,y,z], "focalLen": 0.05, "apertureX": 0.036, "apertureY": 0.024,
//               "focusDist": 5 }
//
// Keys "lights", "objects", "render", "ambient" and "background" belong to the
// renderer and are left in `document`; other unknown top-level keys are an
// error. A pattern is {"type": "constant"|"checker"|"ramp-u"|"ramp-v", ...}
// (see pattern.h). Errors name what is wrong and where, as a JSON pointer
// ("/materials/m1/channels/warmColor: ...").
//
// Plug-ins are searched in the scene file's folder, then $KV_PLUGIN_PATH,
// then the build's plug-in folder.
//
//   kvh::Session session;
//   kvh::HostError err;
//   auto scene = kvh::LoadSceneFile(session, "scenes/gooch.json", &err);
//   if (!scene) { std::cerr << err.message << "\n"; return 1; }
//   kvh::MaterialRoad& road = *scene->materials.at("m1");
#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include <nlohmann/json.hpp>

#include "core/material_road.h"
#include "core/session.h"

namespace kvh {

struct LoadedScene {
    nlohmann::json document;
    std::filesystem::path folder;
    // Prepared roads by material name.
    std::map<std::string, std::unique_ptr<MaterialRoad>> materials;
};

// Parses and builds: loads the plug-ins, fixes the layout, creates the
// items and camera, and prepares every material road.
std::unique_ptr<LoadedScene> LoadSceneFile(Session& session, const std::string& path, HostError* err);
std::unique_ptr<LoadedScene> LoadSceneJson(Session& session, const nlohmann::json& doc,
                                           const std::filesystem::path& folder, HostError* err);

// Parses a pattern; false with a message on bad input.
bool ParsePattern(const nlohmann::json& j, const std::string& where, Pattern* out, HostError* err);

}  // namespace kvh
