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

// How many vertices and triangles a mesh has, known before it is made.
struct MeshSize {
    uint64_t vertices = 0, triangles = 0;
    // Bytes a mesh of this size takes: a position, normal and texture
    // coordinate a vertex, three indices and a segment a triangle.
    uint64_t bytes() const { return vertices * (2 * sizeof(Vec3) + sizeof(UV)) + triangles * 4 * sizeof(uint32_t); }
};

struct TriangleMesh {
    std::vector<Vec3> positions;
    std::vector<Vec3> normals;  // one per position
    std::vector<UV> uvs;        // one per position
    std::vector<uint32_t> indices;   // three per triangle
    std::vector<uint32_t> segments;  // one per triangle: the face or part it belongs to

    uint32_t triangleCount() const { return static_cast<uint32_t>(indices.size() / 3); }
    MeshSize size() const { return {positions.size(), triangleCount()}; }
    // Room for `size` (beyond it the arrays grow as they are filled).
    void reserve(MeshSize size);
    // Bytes the arrays hold, room not yet filled included.
    uint64_t bytes() const;
    uint32_t addVertex(Vec3 p, Vec3 n, UV uv);
    void addTriangle(uint32_t a, uint32_t b, uint32_t c, uint32_t segment);
    // Whether every index is in range and every array has its expected size.
    bool valid() const;
};

}  // namespace kvr
