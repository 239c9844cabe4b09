// Triangle meshes with per-vertex normals and texture coordinates, and one
// segment (face or part) index per triangle.
#pragma once

#include <cstdint>
#include <vector>

#include "vec3.h"

namespace kvr {

struct UV {
    float u = 0, v = 0;
};

struct TriangleMesh {
    std::vector<Vec3> positions;
    std::vector<Vec3> normals;  // one per position
    std::vector<UV> uvs;        // one per position
    std::vector<uint32_t> indices;   // three per triangle
    std::vector<uint32_t> segments;  // one per triangle: the face or part it belongs to

    uint32_t triangleCount() const { return static_cast<uint32_t>(indices.size() / 3); }
    uint32_t addVertex(Vec3 p, Vec3 n, UV uv);
    void addTriangle(uint32_t a, uint32_t b, uint32_t c, uint32_t segment);
    // Whether every index is in range and every array has its expected size.
    bool valid() const;
};

}  // namespace kvr
