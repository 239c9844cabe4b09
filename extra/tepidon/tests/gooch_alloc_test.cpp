// Per-sample shading of the Gooch material allocates nothing: this binary
// replaces the global operator new and counts the calls made while armed,
// by the host and the loaded plug-in alike.
#include <gtest/gtest.h>

#include "testing/alloc_counter.h"
#include "gooch_host.h"

namespace {

using gooch_test::GoochHost;
using gooch_test::HostSample;

TEST(GoochAllocation, PerSampleShadingAllocatesNothing) {
    GoochHost host;
    ASSERT_TRUE(host.Load()) << host.error;
    {
        // Both light modes, a per-sample driver and a texture layer.
        kvh::MaterialRoad::Options fixedOpt;
        kvh::Pattern ramp;
        ramp.type = kvh::Pattern::Type::RampU;
        ramp.b[0] = 1.0f;
        fixedOpt.drivers = {{"contrast", ramp, 0}};
        kvh::TextureLayer layer;
        layer.value = "tintWarm";
        layer.pattern = ramp;
        fixedOpt.layers = {layer};
        auto fixed = host.Road(fixedOpt);
        kvh::MaterialRoad::Options litOpt = fixedOpt;
        litOpt.itemName = "lit";
        litOpt.values = {{"useLights", 1}};
        auto lit = host.Road(litOpt);
        ASSERT_TRUE(fixed && lit) << host.error;

        kvh::VectorPool pool(host.session->Layout());
        const kvt::OwnedRays rays;

        {  // The counter sees allocations made inside the plug-in.
            kvt::AllocationCounter counter;
            kvh::HostError err;
            ASSERT_EQ(fixed->Reread(&err), KV_OK) << err.message;
            EXPECT_GT(counter.count(), 0);
        }

        kvt::AllocationCounter counter;
        float sum = 0.0f;
        for (int i = 0; i < 1000; ++i) {
            kvh::SampleVector& v = pool.BeginSample(i % 32, i / 32, 0.5f, 0.5f, 0);
            HostSample s(v);
            (i % 2 ? lit : fixed)->Shade(v, rays.ptr(), s.sc, s.out);
            sum += s.out.color[0];
        }
        EXPECT_EQ(counter.count(), 0);
        EXPECT_GT(sum, 0.0f);
    }
}

}  // namespace
