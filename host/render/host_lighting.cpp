#include "host_lighting.h"

#include <algorithm>
#include <cmath>

namespace kvr {

float surfaceEpsilon(const SurfacePoint& sp) {
    const double* p = sp.position;
    double m = std::max({std::fabs(p[0]), std::fabs(p[1]), std::fabs(p[2]), 0.01 * double(sp.t), 1.0});
    return static_cast<float>(1e-4 * m);
}

namespace {

// True when the highlight adds exactly zero at any angle, so its power need
// not be taken: a black highlight colour, a finite amount, and an exponent
// that keeps nh^exponent finite (nh is at most 1 plus rounding).
bool highlightIsZero(Vec3 colour, const HostSurface& surface) {
    return colour.x == 0 && colour.y == 0 && colour.z == 0 && std::isfinite(surface.specularAmount) &&
           surface.specularExponent <= 1e6f;
}

}  // namespace

HostLighting lightSurface(const RenderScene& scene, const SurfacePoint& sp, const HostSurface& surface, Vec3 dir) {
    HostLighting out;
    const Vec3 n = sp.normal;
    const Vec3 toEye = -dir;
    const float eps = surfaceEpsilon(sp);
    double start[3];
    for (int k = 0; k < 3; ++k) start[k] = sp.position[k] + double(sp.geoNormal[k]) * eps;
    const float opacity = std::clamp(1.0f - surface.transparency, 0.0f, 1.0f);
    const Vec3 albedo = surface.diffuse * (surface.diffuseAmount * opacity);

    for (const Light& light : scene.lights) {
        Vec3 toLight;
        float maxT;
        if (light.kind == Light::Kind::Point) {
            Vec3 d{float(light.position.x - sp.position[0]), float(light.position.y - sp.position[1]),
                   float(light.position.z - sp.position[2])};
            maxT = length(d);
            if (maxT <= 0) continue;
            toLight = d * (1.0f / maxT);
            maxT *= 0.9999f;
        } else {
            toLight = -normalize(light.direction);
            maxT = 1e30f;
        }
        const float nl = dot(n, toLight);
        if (nl <= 0 || dot(sp.geoNormal, toLight) <= 0) continue;
        const Vec3 radiance = light.colour * light.intensity;
        const bool lit = !light.shadows || !scene.rays->occluded(start, toLight, 0.0f, maxT);
        const Vec3 diffuse = albedo * radiance * nl;
        out.diffuseUnshadowed += diffuse;
        if (!lit) continue;
        out.diffuseShadowed += diffuse;
        const Vec3 specColour = surface.specular * radiance;
        if (highlightIsZero(specColour, surface)) continue;
        const Vec3 h = normalize(toLight + toEye);
        const float nh = std::max(0.0f, dot(n, h));
        const float s = std::pow(nh, std::max(surface.specularExponent, 1.0f));
        out.specular += specColour * (surface.specularAmount * s);
    }
    out.indirect = scene.ambient * albedo;
    return out;
}

}  // namespace kvr
