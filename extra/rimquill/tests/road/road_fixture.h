// rimquill.kv loaded by the stand-in host and driven along the material road,
// over a constructed scene: surface `left` left of the pixel column `edgeX`,
// surface `right` beyond it; traced rays answer from `hit`.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <optional>
#include <vector>

#include "testing/host_object_check.h"
#include "testing/plugin_session.h"

namespace inkroad {

// A plane facing the viewer at a depth, with its identities.
inline st_KVpSurfaceRecord Plane(float depth, uint64_t surface = 1, uint64_t segment = 1)
{
    st_KVpSurfaceRecord r{};
    r.normal[2] = 1.0f;
    r.position[2] = -depth;
    r.depth = depth;
    r.surfaceId = surface;
    r.segmentId = segment;
    return r;
}

struct TracedAnswer {
    float distance = 0.0f;             // 0: a miss
    float normal[3] = {0.0f, 0.0f, 1.0f};  // "surface.normal" bytes 24-35 at the hit
    float colour[3] = {0.0f, 0.0f, 0.0f};  // "sample.ray" colour seen along the ray
};

class StepScene final : public kvh::RayHooks {
public:
    float edgeX = 10.0f;
    st_KVpSurfaceRecord left = Plane(10.0f);
    st_KVpSurfaceRecord right = Plane(10.0f);
    TracedAnswer hit;

    std::atomic<int> surfaceCalls{0};
    std::vector<uint32_t> traceFlags;

    float Trace(kvh::SampleVector& into, const double* origin, const float* dir, uint32_t flags) override;
    KvResult SurfaceAt(kvh::SampleVector& v, float dx, float dy, st_KVpSurfaceRecord& rec) override;
    KvResult NormalAt(kvh::SampleVector&, float, float, float*) override { return KV_E_NOTIMPL; }
};

struct Rgb {
    float r, g, b;
};

class RoadTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A prepared edgeInk road with these channel values.
    std::unique_ptr<kvh::MaterialRoad> Road(std::vector<kvh::ChannelValue> values,
                                            kvh::MaterialRoad::Options options = {});
    // Shades the sample at the middle of pixel (x, 5), looking straight at the
    // scene, over a white host colour; `flags` are the sample's ray flags.
    Rgb ShadeAt(const kvh::MaterialRoad& road, int x, uint32_t flags = KV_RAY_CAMERA);
    // Every sub-sample lands one pixel to the right of the centre.
    void SubSamplesToTheRight();

    kvt::HostObjectCheck objects;  // before the session exists
    kvt::PluginSession host;
    kvh::PluginLibrary* lib = nullptr;
    std::unique_ptr<kvh::VectorPool> pool;
    StepScene scene;
    std::optional<kvt::OwnedRays> rays;
    kvh::SampleVector* last = nullptr;  // the vector of the last ShadeAt

    // Host values of the shaded sample.
    float viewNormal[3] = {0.0f, 0.0f, 1.0f};
    float reflectionAmount = 0.0f;
    float transparency = 0.0f;
    float diffuse[3] = {0.2f, 0.4f, 0.6f};
    st_KVpShadeComponents components{};

private:
    int roads_ = 0;
};

}  // namespace inkroad
