// Per-sample toon shading allocates nothing: this binary replaces the global
// operator new and counts the calls made while armed, by the host and the
// loaded plug-in alike.
#include <gtest/gtest.h>

#include "testing/alloc_counter.h"
#include "toon_host.h"

namespace {

// Eight soft bands with gradients, banded specular, a reflection gradient,
// a per-sample driver and a texture layer: every per-sample path.
TEST(ToonAllocation, PerSampleShadingAllocatesNothing) {
    toon_test::ToonHost host;
    ASSERT_TRUE(host.Load()) << host.error;
    {
        kvh::MaterialRoad::Options opt;
        opt.values = {{"diffBands", 8}, {"specBands", 3}, {"reflBands", 0}};
        for (int b = 1; b <= 8; ++b) {
            const std::string n = std::to_string(b);
            opt.values.push_back({"bandSoft" + n, 0.05});
            opt.values.push_back({"bandUseGrad" + n, 1});
            opt.gradients.push_back({"bandGradient" + n + ".R", toon_test::Ramp(0.0, 1.0)});
        }
        kvh::Pattern ramp;
        ramp.type = kvh::Pattern::Type::RampU;
        ramp.b[0] = 1.0f;
        opt.drivers = {{"diffShift", ramp, 0}};
        opt.layers = {{"toonColor.3", 0.5f, ramp}};
        auto road = host.Road(opt);
        ASSERT_TRUE(road) << host.error;

        kvh::VectorPool pool(host.session->Layout());
        const kvt::OwnedRays rays;
        toon_test::ToonSample filled(pool.BeginSample(0, 0, 0.5f, 0.5f, 0), 0.0f);
        filled.sc.spec[0] = 0.4f;
        filled.sc.refl[1] = 0.3f;
        kvt::AllocationCounter counter;
        for (int i = 0; i < 200; ++i) {
            st_KVpShadeComponents sc = filled.sc;
            for (float& c : sc.diffLit) c = 0.006f * float(i);
            st_KVpShadeOutput out{};
            road->Shade(filled.v, rays.ptr(), sc, out);
        }
        EXPECT_EQ(counter.count(), 0);
    }
}

}  // namespace
