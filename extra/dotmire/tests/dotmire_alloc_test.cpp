// Per-sample shading of both materials allocates nothing, with a clip, a
// locator, a camera, see-through and highlights: this binary counts the
// global operator new calls made while armed, by the host and the plug-in.
#include <gtest/gtest.h>

#include "core/image.h"
#include "testing/alloc_counter.h"
#include "testing/plugin_session.h"

namespace {

TEST(DotmireAllocation, PerSampleShadingAllocatesNothing) {
    kvt::PluginSession host;
    kvh::PluginLibrary* lib = host.Load("dotmire.kv");
    ASSERT_TRUE(lib) << host.error;
    {
        kvh::Scene& scene = host.session->scene();
        ASSERT_TRUE(scene.CreateCamera("cam", 0.05, 0.036, 0.024, 5.0, kvh::Mat4()));
        ASSERT_TRUE(scene.CreateLocator("loc", kvh::Mat4()));
        ASSERT_TRUE(scene.CreateClip("clip", kvh::ProceduralHatching(32, 32)));
        kvh::MaterialRoad::Options o;
        o.values = {{"screenMode", 1}, {"seeThrough", 0.3}, {"drawSpecular", 1}, {"specular", 1.0},
                    {"reflection", 1.0}, {"hueVariation", 0.2}};
        o.links = {"loc", "clip"};
        auto stipple = host.Road(lib, "stipple", o);
        o.itemName = "dab";
        o.values.push_back({"rotVariation", 0.5});
        auto dab = host.Road(lib, "dab", o);
        ASSERT_TRUE(stipple && dab) << host.error;

        kvh::VectorPool pool(host.session->Layout());
        const kvt::OwnedRays rays;
        kvt::AllocationCounter counter;
        for (int i = 0; i < 1000; ++i) {
            kvh::SampleVector& v = pool.BeginSample(i % 32, i / 32, 0.5f, 0.5f, 0);
            v.SetAllPresent(true);
            auto* parms = v.Packet<st_KVpSampleParms>(kvh::HostPacket::SampleParms);
            parms->diffCol[0] = parms->diffCol[1] = parms->diffCol[2] = 1.0f;
            parms->specCol[0] = parms->reflCol[1] = 1.0f;
            parms->diffAmt = 1.0f;
            st_KVpShadeComponents sc{};
            for (int c = 0; c < 3; ++c) sc.diffLit[c] = sc.diffUnshad[c] = sc.spec[c] = sc.refl[c] = float(i % 7) / 7.0f;
            st_KVpShadeOutput out{};
            (i % 2 ? stipple : dab)->Shade(v, rays.ptr(), sc, out);
        }
        EXPECT_EQ(counter.count(), 0);
    }
}

}  // namespace
