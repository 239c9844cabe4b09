// The band function at its boundaries and the incidence (silhouette) amount.
#include <cmath>
#include <gtest/gtest.h>

#include "edge_band.h"
#include "edge_search.h"
#include "fake_ray_host.h"

using edgeink::Band;

namespace {

EdgeInkParams BandParams(float width, float softness)
{
    EdgeInkParams p = fakehost::DefaultParams();
    p.edgeWidth = width;
    p.edgeSoftness = softness;
    return p;
}

}  // namespace

TEST(Band, SoftBandRampsFromOneToZero)
{
    // width 4: w = 0.2, softness 0.5: s = 0.1, t0 = 0.1.
    const EdgeInkParams p = BandParams(4.0f, 0.5f);
    EXPECT_FLOAT_EQ(Band(p, 0.0f), 1.0f);
    EXPECT_FLOAT_EQ(Band(p, 0.09f), 1.0f);
    EXPECT_FLOAT_EQ(Band(p, 0.1f), 1.0f);  // ramp starts at t0
    EXPECT_NEAR(Band(p, 0.15f), 0.5f, 1e-5f);
    EXPECT_NEAR(Band(p, 0.1999f), 0.001f, 1e-4f);
    EXPECT_FLOAT_EQ(Band(p, 0.2001f), 0.0f);
    EXPECT_FLOAT_EQ(Band(p, 1.0f), 0.0f);
}

TEST(Band, HardBandWithoutSoftness)
{
    const EdgeInkParams p = BandParams(4.0f, 0.0f);  // t0 = w = 0.2
    const float w = static_cast<float>(static_cast<double>(0.1f) * 2.0);
    EXPECT_FLOAT_EQ(Band(p, w), 1.0f);  // inclusive at t0
    EXPECT_FLOAT_EQ(Band(p, std::nextafter(w, 1.0f)), 0.0f);
    // Negative softness widens the hard band: t0 = w - s > w.
    const EdgeInkParams q = BandParams(4.0f, -0.5f);
    EXPECT_FLOAT_EQ(Band(q, 0.29f), 1.0f);
    EXPECT_FLOAT_EQ(Band(q, 0.31f), 0.0f);
}

TEST(Incidence, SilhouetteGetsTheIncidenceWeight)
{
    fakehost::FakeRayHost host;
    fakehost::FakeVector v;
    fakehost::FacingSample(v);
    EdgeInkParams p = fakehost::DefaultParams();
    p.angleEdges = p.distanceEdges = p.surfaceEdges = 0.0f;  // incidence alone, no rays
    p.incidenceEdges = 0.5f;

    v.normal.normal[0] = 1.0f;  // normal at a right angle to the view
    v.normal.normal[2] = 0.0f;
    EXPECT_FLOAT_EQ(edgeink::EdgeAmount(p, host.Sample(v), host.Host()), 0.5f);

    v.normal.normal[0] = 0.0f;  // back side: counted as grazing
    v.normal.normal[2] = -1.0f;
    EXPECT_FLOAT_EQ(edgeink::EdgeAmount(p, host.Sample(v), host.Host()), 0.5f);

    v.normal.normal[2] = 1.0f;  // facing the viewer: no edge
    EXPECT_FLOAT_EQ(edgeink::EdgeAmount(p, host.Sample(v), host.Host()), 0.0f);

    // A large edge offset raises the measure past the band.
    v.normal.normal[0] = 1.0f;
    v.normal.normal[2] = 0.0f;
    p.edgeOffset = 5.0f;
    EXPECT_FLOAT_EQ(edgeink::EdgeAmount(p, host.Sample(v), host.Host()), 0.0f);
    EXPECT_TRUE(host.calls.empty());
}
