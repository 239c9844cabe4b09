// The renderer: camera rays through every pixel, the host's own shading of
// each hit, the material road of the object hit, and the tracing that the ray
// object offers to shaders (kvh::RayHooks).
//
//   kvr::Renderer r(scene, layout, roads);     // roads[i]: material of object i, or null
//   kvr::ImageBuffer img = r.Render(threads);  // tiles on `threads` threads (0: all cores)
//
// Per sample the host fills "sample.ray", "surface.normal", "sample.position",
// "sample.parms", "camera.resolution", "texture.input" and "raycast", then the
// shading components (1 diffuse with shadows, 3 without, 2 ambient, 0 = 1 + 2,
// 4 specular, 5 reflection, 6 transmission), presets the output to the sum of
// entries 0 and 4 to 8, and runs the material, if any. Nothing is allocated
// per sample: vectors come from one pool per thread, and each thread hands its
// samples a ray object of its own.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/material_road.h"
#include "core/ray_object.h"
#include "core/sample_vector.h"
#include "image_buffer.h"
#include "render_scene.h"
#include "sample_pattern.h"
#include "sample_tally.h"
#include "surface_point.h"

namespace kvr {

struct ThreadState;
// Samples of one material, or of one object, that the renderer warns about.
struct MaterialSamples {
    const kvh::MaterialRoad* road = nullptr;
    size_t object = 0;             // the (first) object
    SampleTally::Entry samples;  // how many, and the first pixel in raster order
};

// Per-thread state owned outside renderer.cpp (tests, benchmarks).
struct ThreadStateDeleter {
    void operator()(ThreadState* ts) const;
};
using ThreadStatePtr = std::unique_ptr<ThreadState, ThreadStateDeleter>;

// What the renderer keeps per sample vector (its header's traceContext).
struct SampleContext {
    ThreadState* thread = nullptr;
    bool hit = false;
    SurfacePoint surface;
};

class Renderer final : public kvh::RayHooks {
public:
    Renderer(const RenderScene& scene, const kvh::PacketLayout& layout,
             std::vector<const kvh::MaterialRoad*> roadsByObject);
    ~Renderer() override;
    Renderer(const Renderer&) = delete;
    Renderer& operator=(const Renderer&) = delete;

    // Renders the image on `threads` threads, 0: every core the process may
    // use (see RenderArena). Prints a progress line on stderr when asked and
    // the render takes longer than a second.
    ImageBuffer Render(uint32_t threads = 0, bool progress = false);
    // The threads the last Render ran on.
    uint32_t Threads() const { return threads_; }
    // What the last Render saw, in the order of the (first) objects: the
    // materials that gave colours that are not finite (drawn black); the
    // materials whose Raycast slot 3 and slot 4 calls did not match within a
    // sample (a host piles up the vectors left open; the renderer ends them);
    // the objects without texture coordinates whose material draws in
    // texture coordinates (its pattern fills them flat).
    std::vector<MaterialSamples> NonFiniteByMaterial() const;
    std::vector<MaterialSamples> UnbalancedByMaterial() const;
    std::vector<MaterialSamples> FlatTextureByObject() const;
    // The same as lines for the user, materials named by `materialName`.
    std::vector<std::string> Warnings(const std::function<std::string(const kvh::MaterialRoad*)>& materialName) const;

    // One camera sample of pixel (x, y), shaded on the calling thread's state.
    Vec3 ShadeSample(ThreadState& ts, uint32_t x, uint32_t y, uint32_t sample);
    // Per-thread state (a vector pool, its contexts and the thread's ray
    // object); for tests and benchmarks.
    ThreadStatePtr NewThreadState();
    static kvh::SampleVector& PrimaryVector(ThreadState& ts);
    // The ray object handed to the materials shaded on `ts`.
    static vt_IKvUnknown** RayObjectOf(ThreadState& ts);

    // kvh::RayHooks
    float Trace(kvh::SampleVector& into, const double* origin, const float* dir, uint32_t flags) override;
    KvResult SurfaceAt(kvh::SampleVector& v, float dx, float dy, st_KVpSurfaceRecord& rec) override;
    KvResult NormalAt(kvh::SampleVector& v, float dx, float dy, float* normal3) override;

private:
    // Direction of the camera ray through the image point of `v` offset by (dx, dy) pixels.
    Vec3 CameraDirection(const kvh::SampleVector& v, float dx, float dy) const;
    // Casts a camera ray along `dir`; false when it hits nothing.
    bool CastCamera(Vec3 dir, SurfacePoint& sp) const;
    // Fills `v` for the ray and what it hit (sp null: a miss) and shades it;
    // returns the colour seen along the ray.
    Vec3 ShadeInto(kvh::SampleVector& v, const double origin[3], Vec3 dir, uint32_t flags, const SurfacePoint* sp);
    void FillGeometry(kvh::SampleVector& v, const double origin[3], Vec3 dir, uint32_t flags,
                      const SurfacePoint* sp) const;
    // Colour along a ray traced on from `parent` into a nested vector, or black
    // at the depth limit.
    Vec3 TraceOn(kvh::SampleVector& parent, const double origin[3], Vec3 dir, uint32_t flags);
    SampleContext& ContextOf(kvh::SampleVector& v) const;

    // Per object, of the last Render.
    std::vector<MaterialSamples> ByMaterial(const SampleCounter& counter) const;
    SampleCounter nonFinite_, unbalanced_, flatTexture_;
    uint32_t threads_ = 0;
    std::vector<uint8_t> drawsFlat_;  // per object: its material draws in texture coordinates it lacks
    const RenderScene& scene_;
    const kvh::PacketLayout& layout_;
    std::vector<const kvh::MaterialRoad*> roads_;
    SampleGrid grid_;  // strata of the scene's samples per pixel
};

}  // namespace kvr
