// Ray casting against the scene's objects, each a triangle mesh in object
// space placed by a map. An object is traced either as a copy of its mesh in
// world space (all copies share one ray-tracing mesh) or as an instance of its
// mesh's own structure, which every instance shares: a mesh placed a
// thousand times is stored once. Built once; queries are thread-safe and
// allocate nothing.
//
// The ray tracer works in float and multiplies coordinates together (a
// triangle's edges squared times a ray's distance): a scene beyond about 1e10
// is handed to it shrunk by a power of two, which is exact, and rays and hit
// distances are scaled alike. A ray the tracer cannot take (an origin not
// finite or beyond twice the coordinate bound, a direction not finite or
// zero, not 0 <= tnear <= tfar) is answered as a miss and never handed over.
#pragma once

#include <embree3/rtcore.h>

#include <atomic>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "mesh.h"
#include "transform.h"

namespace kvr {

struct RayHit {
    float t = 0;            // distance along the (unit) ray direction
    uint32_t object = 0;    // index of the object, in the order added
    uint32_t triangle = 0;  // triangle within the object's mesh
    float b1 = 0, b2 = 0;   // barycentric weights of the triangle's 2nd and 3rd vertex
    bool instance = false;  // the object is an instance, not a copy
};

// What the ray tracer keeps, in bytes, for the estimate made before building.
struct RayTracerCost {
    static constexpr uint64_t kCopiedVertex = 24;    // a world-space position and normal
    static constexpr uint64_t kCopiedTriangle = 16;  // three indices and its object
    static constexpr uint64_t kTriangleTree = 160;   // the tree over a triangle, while it is built
    static constexpr uint64_t kInstance = 384;       // an instance and the tree over it
};

class RayScene {
public:
    // `extent`: the largest coordinate magnitude of what will be added. Throws
    // std::bad_alloc, or std::runtime_error, when no ray-casting device can be
    // made.
    explicit RayScene(double extent = 0);
    ~RayScene() noexcept;
    RayScene(const RayScene&) = delete;
    RayScene& operator=(const RayScene&) = delete;

    // Whether an object is best traced as an instance of a shared structure:
    // its mesh (of `triangles`) is placed `placements` times (more than once), has more than
    // 64 triangles (a copy of fewer costs less than an instance), and the
    // map's scales (1e-9 to 1e9) keep the ray tracer's inverse within float.
    static bool Instanced(uint64_t triangles, const AffineMap& toWorld, uint32_t placements);

    // Adds an object, as a copy or an instance; its index (in the order
    // added) is the object index of its hits. The mesh must outlive the
    // scene. Call commit() once after the last. These throw std::bad_alloc
    // when the ray tracer runs out of memory, std::length_error beyond the
    // 4 billion triangles it counts.
    void addCopy(const TriangleMesh& mesh, const AffineMap& toWorld);
    void addInstance(const TriangleMesh& mesh, const AffineMap& toWorld);
    void commit();

    // Whether a build failed half-way in this process: its abandoned work may
    // still run on the tracer's threads, and the process should end without
    // tearing down what they use (std::_Exit).
    static bool WorkAbandoned() { return abandoned_.load(); }

    // The most bytes the ray tracer held at once (as its memory monitor
    // tells), with the copies' arrays.
    uint64_t peakBytes() const;

    // The nearest hit in (tnear, tfar); false on a miss.
    bool intersect(const double origin[3], Vec3 dir, float tnear, float tfar, RayHit& hit) const;
    // Whether anything lies in (tnear, tfar).
    bool occluded(const double origin[3], Vec3 dir, float tnear, float tfar) const;
    // The world-space corners of the hit triangle and their normals: as
    // copied, or placed by `toWorld` for an instance. `mesh` and `toWorld`
    // are the hit object's.
    void corners(const RayHit& hit, const TriangleMesh& mesh, const AffineMap& toWorld, Vec3 position[3],
                 Vec3 normal[3]) const;

private:
    // Throws for an error the device has recorded (reading it clears it):
    // std::bad_alloc for memory, or a thread, that the tracer could not have.
    void check() const;
    static void fail(RTCError e);
    // Commits `scene`; when the tracer fails, abandons it (sets it to null,
    // never to be released) and throws as check() does.
    void commitOrAbandon(RTCScene& scene);
    RTCScene sharedStructure(const TriangleMesh& mesh);

    static bool countBytes(void* self, ssize_t bytes, bool post);

    static inline std::atomic<bool> abandoned_{false};

    std::atomic<int64_t> tracerBytes_{0}, tracerPeak_{0};
    float scale_ = 1, unscale_ = 1;  // world to the tracer's coordinates and back: powers of two
    RTCDevice device_ = nullptr;
    RTCScene scene_ = nullptr;
    std::unordered_map<const TriangleMesh*, RTCScene> shared_;
    uint32_t objects_ = 0;
    // The copies, gathered into one world-space mesh at commit.
    std::vector<float> copyPositions_;
    std::vector<Vec3> copyNormals_;
    std::vector<uint32_t> copyIndices_;
    std::vector<uint32_t> copyObject_;  // per copied triangle: its object
    struct CopyStart {
        uint32_t triangle = 0, vertex = 0;
    };
    std::vector<CopyStart> copyStart_;  // per object: its first copied triangle and vertex
};

}  // namespace kvr
