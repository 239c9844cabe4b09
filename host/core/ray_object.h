// The ray object passed to cmt_ShaderEvaluate: one host object serving the
// Raycast and Raycast1 interfaces.
//
// The object keeps the bookkeeping (nested vectors from the calling vector's
// pool, pixel and sub-pixel position from the vector header); the actual
// tracing is delegated to RayHooks, which the renderer implements. Without
// hooks (tests) every ray misses and the surface record is background.
//
//   class MyTracer : public kvh::RayHooks { ... };
//   MyTracer tracer;
//   kvh::RayObject* rays = new kvh::RayObject(&tracer);   // one, shared by all threads
//   road.Shade(v, rays->ptr(), sc, out);
//   rays->ReleaseOwned();
//
// Hooks are called on the shading thread and must not allocate or lock.
#pragma once

#include "core/host_object.h"
#include "core/sample_vector.h"

namespace kvh {

class RayHooks {
public:
    virtual ~RayHooks() = default;
    // Raycast slot 6: trace from `origin` along unit `dir` into `into` (a
    // nested vector whose header.parent is the sample that asked); fill its
    // "sample.ray", "surface.normal" and "sample.position" packets; return the
    // hit distance (> 0 on a hit, 0 on a miss).
    virtual float Trace(SampleVector& into, const double* origin, const float* dir, uint32_t flags) = 0;
    // Raycast slot 12: the surface seen at (dx, dy) pixels from the sample.
    virtual KvResult SurfaceAt(SampleVector& v, float dx, float dy, st_KVpSurfaceRecord& rec) = 0;
    // Raycast1 slot 19: the shading normal seen at (dx, dy) pixels.
    virtual KvResult NormalAt(SampleVector& v, float dx, float dy, float* normal3) = 0;
};

// Background answer of Raycast slot 12: depth 1e30, identities 0, normal 0.
void BackgroundSurface(st_KVpSurfaceRecord& rec);

class RayObject final : public HostObject {
public:
    explicit RayObject(RayHooks* hooks = nullptr);
    void* Query(const st_KVtGUID& iid) override;
    vt_IKvUnknown** ptr() { return raycast_.ptr(); }  // the Raycast interface
    RayHooks* hooks() const { return hooks_; }

private:
    ~RayObject() override = default;
    RayHooks* hooks_;
    ComInterface raycast_;
    ComInterface raycast1_;
};

}  // namespace kvh
