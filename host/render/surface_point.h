// The shading facts of a ray hit: position, normals, texture coordinates and
// identities.
#pragma once

#include <cstdint>

#include "render_scene.h"

namespace kvr {

struct SurfacePoint {
    double position[3] = {0, 0, 0};
    Vec3 rawNormal;       // interpolated vertex normal as stored
    Vec3 geoNormal;       // face normal, facing the ray origin
    Vec3 normal;          // interpolated normal, facing the ray origin
    UV uv;
    float t = 0;          // distance along the ray
    uint32_t object = 0;
    uint32_t triangle = 0;
    uint64_t surfaceId = 0;
    uint64_t segmentId = 0;
};

// Resolves a hit of the ray (origin, unit dir).
SurfacePoint resolveHit(const RenderScene& scene, const RayHit& hit, const double origin[3], Vec3 dir);

}  // namespace kvr
