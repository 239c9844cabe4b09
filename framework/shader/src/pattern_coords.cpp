#include "shader/pattern_coords.h"

#include <cmath>

#include "shader/tone_curves.h"

namespace kv::shader {

namespace {

// The view axis's part of v removed: v - a (a . v).
void Flatten(const double a[3], const float v[3], double out[3]) {
    const double dot = a[0] * v[0] + a[1] * v[1] + a[2] * v[2];
    for (int i = 0; i < 3; ++i) out[i] = v[i] - a[i] * dot;
}

// The sample's screen position over the image width, minus 0.5 on both
// axes, so that a pattern cell stays square.
void ScreenPosition(const PatternSample& sample, CKvUser_Raycast1& rays, double* x, double* y) {
    int ix = 0, iy = 0;
    float fx = 0.0f, fy = 0.0f;
    if (KV_FAILED(rays.Pixel(sample.vector, &ix, &iy))) ix = iy = 0;
    if (KV_FAILED(rays.SubPixel(sample.vector, &fx, &fy))) fx = fy = 0.0f;
    const st_KVpCameraResolution* res = sample.resolution;
    const double width = (res && res->width != 0 && res->height != 0) ? static_cast<double>(res->width) : 100.0;
    *x = (ix + static_cast<double>(fx)) / width - 0.5;
    *y = (iy + static_cast<double>(fy)) / width - 0.5;
}

// Surface flow: the screen position pulled towards or away from each
// locator by the depth curve, then pushed along the surface's turn between
// the sample and the locator's direction on screen, and spread radially.
void SurfaceFlow(const PatternParams& params, const PatternSample& sample, const CameraFrame& frame,
                 const LocatorView* locators, std::size_t count, CKvUser_Raycast1& rays, double* x, double* y) {
    const float zero[3] = {0.0f, 0.0f, 0.0f};
    double n[3];
    Flatten(frame.viewAxis, sample.normal ? sample.normal->normal : zero, n);
    const double distance = sample.ray ? sample.ray->dist : 0.0f;
    const double span = std::fabs(static_cast<double>(params.zMax) - params.zMin);
    const double k = span != 0.0 ? 1.0 / span : 1.0;
    const double rawW = sample.resolution ? sample.resolution->width : 0u;
    const double rawH = sample.resolution ? sample.resolution->height : 0u;

    double px = *x, py = *y;
    double flow[3] = {0.0, 0.0, 0.0};
    for (std::size_t i = 0; i < count; ++i) {
        const LocatorView& c = locators[i];
        const double t = (distance - params.zMin) * k - (c.depth - params.zMin) * k;
        const double pull = depthOffset(static_cast<float>(t), params.zScale);
        const double dx = *x - c.screenX;
        const double dy = *y - c.screenY;
        px += c.weight * pull * dx;
        py += c.weight * pull * dy;

        float seen[3] = {0.0f, 0.0f, 0.0f};
        if (KV_FAILED(rays.NormalAtOffset(static_cast<float>(rawW * 0.5 * dx), static_cast<float>(rawH * 0.5 * dy),
                                          sample.vector, seen)))
            seen[0] = seen[1] = seen[2] = 0.0f;
        double r[3];
        Flatten(frame.viewAxis, seen, r);
        const double d[3] = {n[0] - r[0], n[1] - r[1], n[2] - r[2]};
        const double len = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
        const double push =
            static_cast<double>(normalOffset(static_cast<float>(len), params.sfReflection, params.sfForeshort)) *
            c.weight;
        for (int j = 0; j < 3; ++j) flow[j] += push * d[j];
    }
    // The flow keeps its strength up to one frame width; a longer one is cut
    // to unit length, so it never moves the pattern by more than a frame.
    const double flowLen = std::sqrt(flow[0] * flow[0] + flow[1] * flow[1] + flow[2] * flow[2]);
    if (flowLen > 1.0)
        for (double& f : flow) f /= flowLen;
    // The flow is a direction: the view rotation alone carries it to screen.
    const auto& v = frame.viewRotation;
    px += flow[0] * v[0][0] + flow[1] * v[1][0] + flow[2] * v[2][0];
    py += flow[0] * v[0][1] + flow[1] * v[1][1] + flow[2] * v[2][1];
    const double radius = std::sqrt(px * px + py * py);
    *x = px * radius;
    *y = py * radius;
}

}  // namespace

void RotatePattern(double x, double y, float angleSin, float angleCos, double* u, double* v) {
    *u = x * angleCos + y * angleSin + 0.5;
    *v = y * angleCos - x * angleSin + 0.5;
}

PatternUV PatternCoordinate(const PatternParams& params, const PatternSample& sample, const CameraFrame& frame,
                            const LocatorView* locators, std::size_t locatorCount, CKvUser_Raycast1& rays) {
    double u = 0.0, v = 0.0;
    if (!params.screenCoords) {
        const double tu = sample.texture ? sample.texture->u : 0.0f;
        const double tv = sample.texture ? sample.texture->v : 0.0f;
        RotatePattern(tu - 0.5, tv - 0.5, params.angleSin, params.angleCos, &u, &v);
        return {static_cast<float>(u), static_cast<float>(v)};
    }
    double x = 0.0, y = 0.0;
    ScreenPosition(sample, rays, &x, &y);
    if (params.screenMode == 0) {
        const double distance = sample.ray ? sample.ray->dist : 0.0f;
        const double s = 1.0 + static_cast<double>(params.zScale) * distance;
        x *= s;
        y *= s;
    } else {
        SurfaceFlow(params, sample, frame, locators, locatorCount, rays, &x, &y);
    }
    RotatePattern(x, y, params.angleSin, params.angleCos, &u, &v);
    return {static_cast<float>(u), static_cast<float>(v)};
}

}  // namespace kv::shader
