// The host's own lighting of a surface point: diffuse with and without
// shadows, ambient and Blinn-Phong specular, with the surface colour in them.
#pragma once

#include "render_scene.h"
#include "surface_point.h"

namespace kvr {

struct HostLighting {
    Vec3 diffuseShadowed;    // shading components entry 1
    Vec3 indirect;           // entry 2
    Vec3 diffuseUnshadowed;  // entry 3
    Vec3 specular;           // entry 4
};

// Lights the point seen along the unit direction `dir`. The diffuse terms are
// weighted by (1 - transparency): the light passing through is traced apart.
HostLighting lightSurface(const RenderScene& scene, const SurfacePoint& sp, const HostSurface& surface, Vec3 dir);

// Offset of a ray start from a surface: relative to the hit's coordinates,
// and to the distance it was found at (a hit found at t is off by a few
// float steps of t, 1e-7 t each).
float surfaceEpsilon(const SurfacePoint& sp);

}  // namespace kvr
