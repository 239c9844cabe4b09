// What the renderer draws: objects with their meshes and the host's own
// surface parameters, lights, ambient and background, and render settings.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "camera_model.h"
#include "mesh.h"
#include "ray_scene.h"

namespace kvr {

// The host's own surface parameters of an object ("sample.parms").
struct HostSurface {
    Vec3 diffuse{0.8f, 0.8f, 0.8f};
    float diffuseAmount = 1.0f;
    Vec3 specular{0, 0, 0};
    float specularAmount = 1.0f;
    float specularExponent = 20.0f;
    Vec3 reflection{1, 1, 1};
    float reflectionAmount = 0.0f;
    float transparency = 0.0f;
};

struct RenderObject {
    std::string name;
    // In object space, shared by every object of the same shape (and file).
    std::shared_ptr<const TriangleMesh> mesh;
    AffineMap toWorld;          // places the mesh in the world
    HostSurface surface;
    std::string material;       // name in the scene's "materials", empty for plain host shading
    int materialIndex = -1;     // resolved by the render road; -1 = host shading only
    uint64_t surfaceId = 0;     // one per object, never 0
};

struct Light {
    enum class Kind { Point, Distant } kind = Kind::Point;
    Vec3 position{0, 5, 0};
    Vec3 direction{0, -1, 0};  // distant lights: the direction the light travels
    Vec3 colour{1, 1, 1};
    float intensity = 1.0f;
    bool shadows = true;
};

struct RenderSettings {
    uint32_t width = 320, height = 240;
    uint32_t spp = 4;
    uint32_t maxDepth = 4;  // nesting of traced rays, camera rays being depth 0
};

// Bytes `objects` and their geometry take once built, the ray tracer's
// structures included, from the sizes of their meshes alone: the estimate
// made before any mesh is built. Object i places mesh `meshOf[i]` of `meshes`.
uint64_t EstimateGeometryBytes(const std::vector<std::unique_ptr<RenderObject>>& objects,
                               const std::vector<MeshSize>& meshes, const std::vector<uint32_t>& meshOf);

struct RenderScene {
    std::vector<std::unique_ptr<RenderObject>> objects;
    std::vector<Light> lights;
    Vec3 ambient{0.1f, 0.1f, 0.1f};
    Vec3 background{0, 0, 0};
    RenderSettings settings;
    CameraModel camera;
    std::unique_ptr<RayScene> rays;

    // Gives every object its surface identity and builds the ray scene; false
    // with a message naming what was being built when memory runs out.
    bool build(std::string& error);
    // Bytes the objects and their geometry take once built, the ray tracer's
    // structures included (EstimateGeometryBytes of the objects' meshes).
    uint64_t geometryBytes() const;
    // Segment identity of a triangle: unique in the scene and never 0.
    uint64_t segmentId(uint32_t object, uint32_t triangle) const {
        return (objects[object]->surfaceId << 32) | (uint64_t(objects[object]->mesh->segments[triangle]) + 1);
    }
};

}  // namespace kvr
