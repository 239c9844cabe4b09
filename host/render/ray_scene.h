// Ray casting against the scene's triangle meshes. Built once; queries are
// thread-safe and allocate nothing.
#pragma once

#include <embree3/rtcore.h>

#include <cstdint>
#include <string>
#include <vector>

#include "mesh.h"

namespace kvr {

struct RayHit {
    float t = 0;            // distance along the (unit) ray direction
    uint32_t object = 0;    // index of the mesh, in the order added
    uint32_t triangle = 0;  // triangle within the mesh
    float b1 = 0, b2 = 0;   // barycentric weights of the triangle's 2nd and 3rd vertex
};

class RayScene {
public:
    RayScene();
    ~RayScene();
    RayScene(const RayScene&) = delete;
    RayScene& operator=(const RayScene&) = delete;

    // Adds a world-space mesh; its index is the object index of its hits.
    // The mesh must outlive the scene. Call commit() once after the last.
    void addMesh(const TriangleMesh& mesh);
    void commit();

    const TriangleMesh& mesh(uint32_t object) const { return *meshes_[object]; }
    uint32_t meshCount() const { return static_cast<uint32_t>(meshes_.size()); }

    // The nearest hit in (tnear, tfar); false on a miss.
    bool intersect(const double origin[3], Vec3 dir, float tnear, float tfar, RayHit& hit) const;
    // Whether anything lies in (tnear, tfar).
    bool occluded(const double origin[3], Vec3 dir, float tnear, float tfar) const;

private:
    RTCDevice device_ = nullptr;
    RTCScene scene_ = nullptr;
    std::vector<const TriangleMesh*> meshes_;
};

}  // namespace kvr
