// Records that the host owns and passes to shader evaluation, and the layouts
// of the host's named sample packets. Offsets are part of the ABI: plug-ins
// read the host's memory by them.
#pragma once

#include "kv_types.h"

// Shading components: colour entries of three floats each.
struct st_KVpShadeComponents {
    float diff[3];        // 0: diffuse result (surface colour times illumination)
    float diffLit[3];     // 1: diffuse illumination with shadows
    float indirect[3];    // 2: indirect (ambient) illumination
    float diffUnshad[3];  // 3: diffuse illumination without shadows
    float spec[3];        // 4: specular
    float refl[3];        // 5: reflection
    float tran[3];        // 6: transmission
    float subs[3];        // 7: subsurface
    float lumi[3];        // 8: luminous (emission)
};
static_assert(sizeof(st_KVpShadeComponents) == 108);
static_assert(offsetof(st_KVpShadeComponents, spec) == 48);
static_assert(offsetof(st_KVpShadeComponents, lumi) == 96);

// Shade output: the output colour first.
struct st_KVpShadeOutput {
    float color[3];
    float alpha;
};

// Shade flags (CustomMaterial slot 11); no material sets them.
struct st_KVpShadeFlags {
    int32_t flags;
    int32_t reserved[3];
};

// "sample.parms": the host's own surface parameters of the sample.
struct st_KVpSampleParms {
    float diffCol[3];   // 0-11
    float specCol[3];   // 12-23
    float reflCol[3];   // 24-35
    float tranCol[3];   // 36-47
    float subsCol[3];   // 48-59
    float lumiCol[3];   // 60-71
    float reserved[21]; // 72-155, host fields the plug-ins do not read
    float diffAmt;      // 156-159
    float specAmt;      // 160-163
    float reflAmt;      // 164-167
    float tranAmt;      // 168-171
    float specExp;      // 172-175: specular exponent
    float lumiAmt;      // 176-179
    float reserved2[3]; // 180-191
};
static_assert(offsetof(st_KVpSampleParms, diffAmt) == 156);
static_assert(offsetof(st_KVpSampleParms, reflAmt) == 164);
static_assert(offsetof(st_KVpSampleParms, tranAmt) == 168);

// Ray flags of "sample.ray" (bytes 104-107).
// A camera ray carries KV_RAY_CAMERA; every ray traced on from a sample carries
// KV_RAY_TRACED plus its kind. Plug-ins pass KV_RAY_PROBE or KV_RAY_SEETHROUGH
// to Raycast slot 6.
#define KV_RAY_SEETHROUGH  0x00004u   // see-through ray, started at the eye
#define KV_RAY_CAMERA      0x00800u   // a primary (camera) ray
#define KV_RAY_TRACED      0x10000u   // a ray traced on from a shaded sample
#define KV_RAY_REFLECTION  0x40000u   // a reflection ray
#define KV_RAY_REFRACTION  0x80000u   // a refraction (transmission) ray
#define KV_RAY_VISIBLE     (KV_RAY_CAMERA | KV_RAY_TRACED)
#define KV_RAY_PROBE       0x10181u   // probe rays: geometry only, not shaded

// "sample.ray".
struct st_KVpSampleRay {
    double origin[3];   // 0-23
    float dir[3];       // 24-35, unit
    float color[3];     // 36-47: colour a traced ray returned
    float cone[3];      // 48-59: spread of the ray (host)
    float dist;         // 60-63: hit distance
    float reserved[10]; // 64-103
    uint32_t flags;     // 104-107
    uint32_t depth;     // 108-111: nesting depth of the ray
};
static_assert(offsetof(st_KVpSampleRay, dist) == 60);
static_assert(offsetof(st_KVpSampleRay, flags) == 104);
static_assert(sizeof(st_KVpSampleRay) == 112);

// "surface.normal".
struct st_KVpSurfaceNormal {
    float rawNormal[3];   // 0-11: interpolated normal before bump
    float reserved[3];    // 12-23
    float geoNormal[3];   // 24-35: geometric normal
    float normal[3];      // 36-47: shading normal, facing the viewer
};
static_assert(offsetof(st_KVpSurfaceNormal, geoNormal) == 24);
static_assert(offsetof(st_KVpSurfaceNormal, normal) == 36);

// "sample.position".
struct st_KVpSamplePosition {
    double pos[3];  // 0-23: world position
};

// "camera.resolution".
struct st_KVpCameraResolution {
    uint32_t width;
    uint32_t height;
};

// "texture.input": texture coordinates of the sample.
struct st_KVpTextureInput {
    float uvw[3];  // 0-11: object-space texture position (host)
    float u;       // 12-15
    float v;       // 16-19
    float reserved[3];
};
static_assert(offsetof(st_KVpTextureInput, u) == 12);
static_assert(offsetof(st_KVpTextureInput, v) == 16);

// "raycast": host bookkeeping of the ray nesting.
struct st_KVpRaycast {
    uint32_t depth;
    uint32_t reserved[3];
};

// "shade.mirror": host mirror-shading state.
struct st_KVpShadeMirror {
    float amount;
    float reserved[3];
};

// Surface record filled by Raycast slot 12.
struct st_KVpSurfaceRecord {
    float normal[3];      // 0-11
    float position[3];    // 12-23
    float unused[3];      // 24-35
    float depth;          // 36-39
    uint64_t surfaceId;   // 40-47
    uint64_t segmentId;   // 48-55
};
static_assert(offsetof(st_KVpSurfaceRecord, depth) == 36);
static_assert(offsetof(st_KVpSurfaceRecord, surfaceId) == 40);
static_assert(sizeof(st_KVpSurfaceRecord) == 56);

// Pixel format of Image slot 5: four floats R, G, B, A.
#define KV_IMAGE_RGBA_FP 12
