// The per-sample pattern coordinate of the pattern materials: from the
// texture coordinates, from the screen ("projection", enlarged with depth),
// or from the screen bent by the surface normals around the linked locators
// ("surface flow"); rotated by the pattern angle about (0.5, 0.5). Nothing is
// wrapped: the materials take their cells and in-cell positions by floor, so
// a screen coordinate below 0 continues the pattern, and in texture
// coordinates each tiling takes u and v as TilingCoordinate gives them.
//
// Arithmetic: every step is computed in double from the float inputs, except
// the two falloff curves, which take and give floats (depthOffset,
// normalOffset); u and v are rounded to float once, at the end. Taking cells
// from (u, v) belongs to each material.
//
// Per sample: no lock, no allocation; surface flow asks the host once per
// control point for the normal at a screen offset.
#pragma once

#include <cstddef>

#include <framework/framework.h>
#include <kv/kv_records.h>

#include "shader/shade_links.h"

namespace kv::shader {

// Per-sample values from the material's packet and block.
struct PatternParams {
    float angleSin = 0.0f;
    float angleCos = 1.0f;
    float zScale = 0.0f;        // projection: depth enlargement; surface flow: depth curve steepness
    float zMin = 0.0f;
    float zMax = 0.0f;
    float sfReflection = 0.0f;  // surface flow: normal term strength
    float sfForeshort = 0.0f;   // surface flow: normal term steepness
    bool screenCoords = false;  // false: texture coordinates
    int screenMode = 0;         // 0 projection, any other value surface flow
};

// The params of a pattern packet: its depth and surface-flow fields (zScale,
// zMin, zMax, sfReflection, sfForeshort, which every pattern packet names
// alike), the angle's sine and cosine and the screen switches.
template <class Packet>
PatternParams PatternParamsFrom(const Packet& p, float angleSin, float angleCos, bool screenCoords, int screenMode) {
    PatternParams params;
    params.angleSin = angleSin;
    params.angleCos = angleCos;
    params.zScale = p.zScale;
    params.zMin = p.zMin;
    params.zMax = p.zMax;
    params.sfReflection = p.sfReflection;
    params.sfForeshort = p.sfForeshort;
    params.screenCoords = screenCoords;
    params.screenMode = screenMode;
    return params;
}

// The sample: its vector (for the Raycast1 calls) and the host packets the
// coordinate reads, each null when the vector lacks it. Absent packets read
// as: texture (u, v) = (0, 0); resolution width 100 for the screen position
// and 0 x 0 for the re-sampling offsets; normal 0; ray distance 0.
struct PatternSample {
    vt_IKvUnknown** vector = nullptr;
    const st_KVpTextureInput* texture = nullptr;
    const st_KVpCameraResolution* resolution = nullptr;
    const st_KVpSurfaceNormal* normal = nullptr;
    const st_KVpSampleRay* ray = nullptr;
};

// The sample of a ShadeContext, its packets taken by their places in the
// material's host packets (MaterialDesc::hostPackets order).
inline PatternSample PatternSampleOf(const ShadeContext& ctx, unsigned texture, unsigned resolution, unsigned normal,
                                     unsigned ray) {
    PatternSample s;
    s.vector = ctx.vector;
    s.texture = static_cast<const st_KVpTextureInput*>(ctx.host[texture]);
    s.resolution = static_cast<const st_KVpCameraResolution*>(ctx.host[resolution]);
    s.normal = static_cast<const st_KVpSurfaceNormal*>(ctx.host[normal]);
    s.ray = static_cast<const st_KVpSampleRay*>(ctx.host[ray]);
    return s;
}

struct PatternUV {
    float u;
    float v;
};

// The pattern coordinate of one sample. `rays` may be empty: the pixel and
// in-pixel position then read (0, 0) and every re-sampled normal 0; a failed
// call reads the same. The frame and locator views are those of
// PatternLinks (or a material's copy of them), in link order.
PatternUV PatternCoordinate(const PatternParams& params, const PatternSample& sample, const CameraFrame& frame,
                            const LocatorView* locators, std::size_t locatorCount, CKvUser_Raycast1& rays);

inline PatternUV PatternCoordinate(const PatternParams& params, const PatternSample& sample,
                                   const PatternLinks& links, CKvUser_Raycast1& rays) {
    return PatternCoordinate(params, sample, links.frame(), links.views().data(), links.views().size(), rays);
}

// The steps, for the materials' own tests and for reuse.

// (x, y) rotated by the angle about the origin, then moved by (0.5, 0.5):
// u = x cos + y sin + 0.5, v = y cos - x sin + 0.5.
void RotatePattern(double x, double y, float angleSin, float angleCos, double* u, double* v);

}  // namespace kv::shader
