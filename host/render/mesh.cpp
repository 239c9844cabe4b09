#include "mesh.h"

namespace kvr {

uint32_t TriangleMesh::addVertex(Vec3 p, Vec3 n, UV uv) {
    positions.push_back(p);
    normals.push_back(n);
    uvs.push_back(uv);
    return static_cast<uint32_t>(positions.size() - 1);
}

void TriangleMesh::addTriangle(uint32_t a, uint32_t b, uint32_t c, uint32_t segment) {
    indices.insert(indices.end(), {a, b, c});
    segments.push_back(segment);
}

void TriangleMesh::reserve(MeshSize size) {
    positions.reserve(size.vertices);
    normals.reserve(size.vertices);
    uvs.reserve(size.vertices);
    indices.reserve(3 * size.triangles);
    segments.reserve(size.triangles);
}

uint64_t TriangleMesh::bytes() const {
    return positions.capacity() * sizeof(Vec3) + normals.capacity() * sizeof(Vec3) + uvs.capacity() * sizeof(UV) +
           indices.capacity() * sizeof(uint32_t) + segments.capacity() * sizeof(uint32_t);
}

bool TriangleMesh::valid() const {
    if (normals.size() != positions.size() || uvs.size() != positions.size()) return false;
    if (indices.size() % 3 != 0 || segments.size() != indices.size() / 3) return false;
    for (uint32_t i : indices)
        if (i >= positions.size()) return false;
    return true;
}

}  // namespace kvr
