// Scene files (JSON). One document describes the host's scene and what the
// renderer draws. Top-level keys:
//
//   "description": "free text",
//   "materials": { name: {                                // one material item per entry
//       "plugin": "tepidon.kv",                            // searched as below
//       "server": "gooch",                                 // the material server
//       "channels":  { channel: number | true/false | [r, g, b] },  // [r,g,b] sets c.R, c.G, c.B
//       "gradients": { channel: [[input, value], ...] },   // value a number, or [r,g,b] for a colour
//       "drivers":   { channel: pattern },                 // per-sample drivers; a colour channel by
//                                                          // its bare name drives c.R, c.G, c.B with
//                                                          // the pattern's three values, "c.G" alone
//                                                          // takes its first value
//       "layers":    [ {"value": effect value name, "opacity": 0..1 (1), "pattern": pattern} ],
//       "links":     [ item names, in order, for "shadeLoc" ] } },
//   "items": [ {"name": .., "type": "videoClip", "image": "file.png" (relative to the
//                scene file; omitted: a procedural hatching),
//                "filter": "ok" | "fail" | "none" (tests: a failing filter, a value that
//                is no ImageFilter)}
//            | {"name": .., "type": "locator", "position": [x, y, z]} ],
//   "camera": { "name": "camera", "position": [x,y,z] ([0,0,5]),
//               "target": [x,y,z] with "up": [x,y,z] ([0,1,0])  |  "rotation": [deg x, y, z],
//               "focalLen": 0.05, "apertureX": 0.036,
//               "apertureY": apertureX * height / width of "render" (square pixels),
//               "focusDist": 5 }
//
// A pattern is {"type": "constant", "value": v | [r,g,b]} or
// {"type": "checker" | "ramp-u" | "ramp-v", "a": .. (0), "b": .. (1), "scale": s (1)}
// (see pattern.h). Keys "lights", "objects", "render", "ambient" and
// "background" belong to the renderer (render/scene_objects.h) and are left
// to it; any other key, here or inside a section, is an error.
//
// Errors name the key path and what is wrong, e.g.
// "scenes/a.json: materials.m1.channels.tintWarm: expected a number" or
// "scenes/a.json: materials.m1: material 'm1' (gooch): no channel 'tint' (code 0x80000017)".
// A file that cannot be read or is not JSON says so with the parser's position;
// a number beyond what a double holds ("1e999") is named with its line and column.
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
    std::filesystem::path folder;
    // Prepared roads by material name.
    std::map<std::string, std::unique_ptr<MaterialRoad>> materials;
};

// Parses and builds: loads the plug-ins, fixes the layout, creates the
// items and camera, and prepares every material road.
std::unique_ptr<LoadedScene> LoadSceneFile(Session& session, const std::string& path, HostError* err);
std::unique_ptr<LoadedScene> LoadSceneJson(Session& session, const nlohmann::json& doc,
                                           const std::filesystem::path& folder, HostError* err);

// Largest magnitude of a coordinate a scene may place anything at (positions,
// targets, sizes, mesh vertices after their transform): the ray tracer refuses
// rays and drops triangles far beyond it.
constexpr double kMaxCoordinate = 1e15;
// "beyond the coordinate bound of 1e15"
std::string CoordinateBoundMessage();

// Deepest nesting of arrays and objects a scene document may have (the
// sample scenes use 6 levels). Deeper documents are refused unread.
constexpr size_t kMaxSceneDepth = 64;
// "scene: nested deeper than 64 levels"
std::string TooDeepMessage();
// Whether `doc` nests arrays and objects deeper than `levels`; iterative.
bool NestedDeeperThan(const nlohmann::json& doc, size_t levels);

// Reads and parses a JSON file in time linear in its length; false with a
// message (no such file, not a regular file, more than `maxBytes` bytes, the
// parser's complaint with its position, a number out of range with its line
// and column, nesting beyond kMaxSceneDepth, or no memory for the document).
bool ReadSceneDocument(const std::string& path, nlohmann::json* doc, HostError* err,
                       uint64_t maxBytes = kDefaultMemoryLimit);

// Empties a document without allocating, from its leaves up: a document's
// own destructor allocates while it walks, and ends the process when memory
// has run out. Its time is the document's size times its depth.
void ReleaseDocument(nlohmann::json& doc) noexcept;

// Releases a document so when it goes out of scope.
class DocumentRelease {
public:
    explicit DocumentRelease(nlohmann::json& doc) : doc_(doc) {}
    ~DocumentRelease() { ReleaseDocument(doc_); }
    DocumentRelease(const DocumentRelease&) = delete;
    DocumentRelease& operator=(const DocumentRelease&) = delete;

private:
    nlohmann::json& doc_;
};

// Parses a pattern; false with a message on bad input.
bool ParsePattern(const nlohmann::json& j, const std::string& where, Pattern* out, HostError* err);

}  // namespace kvh
