// Per-sample halftone shading allocates nothing: this binary replaces the
// global operator new and counts the calls made while armed, by the host and
// the loaded plug-in alike.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "halftone_ray_hooks.h"
#include "testing/alloc_counter.h"
#include "testing/host_sample.h"
#include "testing/plugin_session.h"

namespace {

// Projection, surface flow around two locators, texture coordinates with
// see-through and both highlight screens, a per-sample driver and a texture
// layer on the angle: every per-sample path.
TEST(HalftoneAllocation, PerSampleShadingAllocatesNothing) {
    kvt::PluginSession host;
    kvh::PluginLibrary* lib = host.Load("screenmoor.kv");
    ASSERT_TRUE(lib) << host.error;
    {
        kvh::Scene& scene = host.session->scene();
        const double x[3] = {1, 0, 0}, y[3] = {0, -1, 0}, z[3] = {0, 0, -1}, p[3] = {0, 0, 5};
        scene.CreateCamera("cam", 0.05, 0.036, 0.024, 5.0, kvh::Mat4::Frame(x, y, z, p));
        scene.CreateLocator("a", kvh::Mat4::Translation(1, 0, 0));
        scene.CreateLocator("b", kvh::Mat4::Translation(-1, 0.5, -2));

        kvh::Pattern ramp;
        ramp.type = kvh::Pattern::Type::RampU;
        ramp.b[0] = 1.0f;
        std::vector<kvh::MaterialRoad::Options> cases(3);
        cases[0].values = {{"cellPattern", 0}};
        cases[1].values = {{"screenMode", 1}, {"cellPattern", 8}, {"sfReflection", 0.5}, {"zScale", 0.5}};
        cases[1].links = {"a", "b"};
        cases[2].values = {{"screenCoords", 0}, {"seeThrough", 0.5}, {"reflection", 1.0}, {"specPattern", 7}};
        cases[2].drivers = {{"cellTiles", ramp, 0}};
        cases[2].layers = {{"halftone2Angle", 0.5f, ramp}};
        std::vector<std::unique_ptr<kvh::MaterialRoad>> roads;
        for (size_t i = 0; i < cases.size(); ++i) {
            cases[i].itemName = "m" + std::to_string(i);
            roads.push_back(host.Road(lib, "halftone2", cases[i]));
            ASSERT_TRUE(roads.back()) << host.error;
        }

        kvh::VectorPool pool(host.session->Layout());
        Halftone2_Shader::test::HalftoneRays tracer;
        tracer.lean = 0.001f;
        const kvt::OwnedRays rays(&tracer);
        kvh::SampleVector& v = pool.BeginSample(100, 80, 0.5f, 0.5f, 0);
        const kvt::HostPackets packets = kvt::FacingSample(v);
        packets.parms->specCol[0] = packets.parms->reflCol[1] = 1.0f;
        auto* res = v.Packet<st_KVpCameraResolution>(kvh::HostPacket::CameraResolution);
        res->width = 320;
        res->height = 213;
        kvt::AllocationCounter counter;
        for (const auto& road : roads) {
            for (int i = 0; i < 200; ++i) {
                packets.ray->dist = 1.0f + 0.05f * float(i);
                st_KVpShadeComponents sc{};
                for (int c = 0; c < 3; ++c) sc.diffUnshad[c] = sc.diffLit[c] = 0.004f * float(i);
                sc.spec[0] = sc.refl[1] = 0.3f;
                st_KVpShadeOutput out{};
                road->Shade(v, rays.ptr(), sc, out);
            }
        }
        EXPECT_EQ(counter.count(), 0);
    }
}

}  // namespace
