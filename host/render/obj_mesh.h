// Wavefront OBJ files as triangle meshes. Each group or object of the file is a
// segment; a file with a single group has one segment per polygon. Missing
// normals are smoothed from the faces around each position.
#pragma once

#include <string>

#include "mesh.h"

namespace kvr {

// Loads `path` into `out`; on failure returns false and says why in `error`.
bool loadObjMesh(const std::string& path, TriangleMesh& out, std::string& error);

}  // namespace kvr
