// Reads the renderer's part of a scene file: "objects", "lights", "ambient",
// "background" and "render". (Materials, items and the camera belong to the
// host's scene model.) A bad value gives a message naming its key path.
//
//   "objects": [{"name": "ball", "shape": "sphere" | "plane" | "cube" | "cylinder" | "torus" | "obj",
//                "file": "mesh.obj" (shape "obj", relative to the scene file),
//                "minorRadius": 0.35 (torus),
//                "position": [x,y,z], "rotation": [x,y,z] (degrees), "scale": s | [x,y,z],
//                "material": "name in materials" (absent: host shading only),
//                "surface": {"diffuse": [r,g,b], "diffuseAmount": 1, "specular": [r,g,b],
//                            "specularAmount": 1, "specularExponent": 20, "reflection": [r,g,b],
//                            "reflectionAmount": 0, "transparency": 0}}]
//   "lights":  [{"type": "point", "position": [x,y,z], "colour": [r,g,b], "intensity": 1, "shadows": true},
//               {"type": "distant", "direction": [x,y,z], ...}]   ("color" is accepted for "colour")
//   "ambient": [r,g,b], "background": [r,g,b]
//   "render":  {"width": 320, "height": 240, "spp": 4, "maxDepth": 4}
#pragma once

#include <nlohmann/json.hpp>

#include <string>

#include "core/memory_limit.h"
#include "render_scene.h"

namespace kvr {

// Fills `out` (objects, lights, ambient, background, settings) from the scene
// root; `baseDir` is the folder of the scene file. Objects of one shape (or
// OBJ file) share its mesh. False with a message on error, also when an OBJ
// file's reading or the geometry of the objects (EstimateGeometryBytes, made
// before any built-in shape's mesh is) would need more than `memoryLimit`
// bytes, or when memory runs out.
bool parseSceneObjects(const nlohmann::json& root, const std::string& baseDir, RenderScene& out,
                       std::string& error, uint64_t memoryLimit = kvh::kDefaultMemoryLimit);

}  // namespace kvr
