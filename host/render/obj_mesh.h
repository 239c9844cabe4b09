// Wavefront OBJ files as triangle meshes. Each group or object of the file is a
// segment; a file with a single group has one segment per polygon. Missing
// normals are smoothed from the faces around each position.
#pragma once

#include <cstdint>
#include <string>

#include "core/memory_limit.h"
#include "mesh.h"

namespace kvr {

// Loads `path` into `out`; on failure returns false and says why in `error`:
// a number that is not finite or a vertex beyond the coordinate bound, a face
// index naming no element of the file (each with its line), a file whose
// reading would need more than `memoryLimit` bytes (counted before it is
// parsed), or no memory left while reading it.
bool loadObjMesh(const std::string& path, TriangleMesh& out, std::string& error,
                 uint64_t memoryLimit = kvh::kDefaultMemoryLimit);

}  // namespace kvr
