// The gate, the sub-sample ring and each kind of neighbourhood evidence on
// constructed cases whose answers are known.
#include <cmath>

#include <gtest/gtest.h>

#include "edge_search.h"
#include "fake_ray_host.h"

using edgeink::EdgeAmount;
using fakehost::Call;
using fakehost::FakeRayHost;
using fakehost::FakeVector;

namespace {

class EdgeSearchTest : public ::testing::Test {
protected:
    EdgeSearchTest() { fakehost::FacingSample(v); }
    float Amount() { return EdgeAmount(p, host.Sample(v), host.Host()); }
    std::vector<Call> Surfaces() const
    {
        std::vector<Call> s;
        for (const Call& c : host.calls)
            if (c.what == "surface") s.push_back(c);
        return s;
    }

    FakeRayHost host;
    FakeVector v;
    EdgeInkParams p = fakehost::DefaultParams();
};

// A record of the flat default surface, changed by the test.
st_KVpSurfaceRecord Flat()
{
    st_KVpSurfaceRecord r{};
    r.normal[2] = 1.0f;
    r.depth = 10.0f;
    r.surfaceId = 1;
    r.segmentId = 1;
    return r;
}

bool AtCentre(float dx, float dy) { return dx == 0.0f && dy == 0.0f; }

}  // namespace

TEST_F(EdgeSearchTest, GateClosedCastsNoRay)
{
    p.edgeWidth = 0.0f;
    EXPECT_EQ(Amount(), 0.0f);
    p.edgeWidth = 2.0f;
    v.ray.flags = 0;  // neither a camera nor a traced ray
    EXPECT_EQ(Amount(), 0.0f);
    v.ray.flags = KV_RAY_TRACED | KV_RAY_REFLECTION;  // reflection ray, reflections off
    p.curvature = 1.0f;
    EXPECT_EQ(Amount(), 0.0f);
    EXPECT_TRUE(host.calls.empty());

    p.traceReflection = 1;
    EXPECT_EQ(Amount(), 1.0f);
    // A refraction ray passes whatever traceTransparency says.
    v.ray.flags = KV_RAY_TRACED | KV_RAY_REFRACTION;
    p.traceReflection = 0;
    EXPECT_EQ(Amount(), 1.0f);
}

TEST_F(EdgeSearchTest, DefaultsExamineEightSubSamplesAroundTheCentre)
{
    EXPECT_EQ(edgeink::SubSampleCount(p), 8);
    EXPECT_EQ(Amount(), 0.0f);
    // The centre record first, then per sub-sample: numbers, warp, record.
    std::vector<std::string> expect = {"surface"};
    for (int i = 0; i < 8; ++i) expect.insert(expect.end(), {"random", "warp", "surface"});
    EXPECT_EQ(host.Sequence(), expect);
    for (const Call& c : host.calls) EXPECT_EQ(c.vector == nullptr || c.vector == v.com(), true);
}

TEST_F(EdgeSearchTest, SubSampleCountFromWidthAndQuality)
{
    p.edgeQuality = 0;  // raised to 1
    EXPECT_EQ(edgeink::SubSampleCount(p), 4);
    p.edgeQuality = 4;
    EXPECT_EQ(edgeink::SubSampleCount(p), 16);
    p.edgeWidth = 1.5f;
    EXPECT_EQ(edgeink::SubSampleCount(p), 9);  // 2.25 * 4, truncated
    p.edgeWidth = 1e20f;  // capped, never an overflowing conversion
    EXPECT_EQ(edgeink::SubSampleCount(p), edgeink::kMaxSubSamples);
    p.edgeWidth = std::nanf("");
    EXPECT_EQ(edgeink::SubSampleCount(p), 0);
}

TEST_F(EdgeSearchTest, SubSampleOffsetsFollowTheNumbers)
{
    // (1, 0.5) -> (u, v) = (1, 0): radius 1, reach edgeWidth * 0.5 along +y.
    // (0.75, 0.5) -> (0.5, 0): radius 0.5, reach 2 * 0.375.
    // (0.5, 0.5) -> the centre itself.
    host.randoms = {{1.0f, 0.5f}, {0.75f, 0.5f}, {0.5f, 0.5f}};
    Amount();
    const auto s = Surfaces();
    ASSERT_EQ(s.size(), 9u);
    EXPECT_NEAR(s[1].dx, 0.0f, 1e-6f);
    EXPECT_NEAR(s[1].dy, 1.0f, 1e-6f);
    EXPECT_NEAR(s[2].dy, 0.75f, 1e-6f);
    EXPECT_NEAR(s[3].dx, 0.0f, 1e-6f);
    EXPECT_NEAR(s[3].dy, 0.0f, 1e-6f);
}

TEST_F(EdgeSearchTest, EdgeOffsetMovesTheCentreAwayFromTheImageCentre)
{
    p.edgeOffset = 1.0f;
    host.pixel[0] = 420;  // 100 pixels right of the centre of 640 x 480
    host.pixel[1] = 240;
    host.subPixel[0] = host.subPixel[1] = 0.0f;
    Amount();
    auto s = Surfaces();
    EXPECT_NEAR(s[0].dx, 2.0f, 1e-5f);
    EXPECT_NEAR(s[0].dy, 0.0f, 1e-5f);
    EXPECT_NEAR(s[1].dy, 1.0f, 1e-5f);  // the ring keeps the moved centre

    host.calls.clear();
    p.edgeOffset = -0.5f;  // towards the image centre
    Amount();
    EXPECT_NEAR(Surfaces()[0].dx, -1.0f, 1e-5f);

    host.calls.clear();
    host.pixel[0] = 320;  // at the image centre: no direction, no move
    Amount();
    EXPECT_EQ(Surfaces()[0].dx, 0.0f);
    EXPECT_EQ(Surfaces()[0].dy, 0.0f);
}

TEST_F(EdgeSearchTest, AngleEdgeRampsBetweenMinAndMaxAngle)
{
    p.distanceEdges = 0.0f;
    const float tilt = 0.5235988f;  // 30 degrees: between 0 and 45
    host.surface = [&](float dx, float dy) {
        st_KVpSurfaceRecord r = Flat();
        if (!AtCentre(dx, dy)) {
            r.normal[1] = std::sin(tilt);
            r.normal[2] = std::cos(tilt);
        }
        return r;
    };
    const float d = std::cos(tilt);
    const float cmax = std::cos(p.maxAngle);
    EXPECT_NEAR(Amount(), (1.0f - d) / (1.0f - cmax), 1e-5f);
    EXPECT_EQ(host.Count("surface"), 9);  // never saturated: all eight examined

    host.calls.clear();
    p.angleEdges = 0.5f;
    EXPECT_NEAR(Amount(), 0.5f * (1.0f - d) / (1.0f - cmax), 1e-5f);

    // Beyond maxAngle the full weight. The search still goes on: a later
    // sub-sample on another surface could raise e to surfaceEdges (1).
    host.calls.clear();
    p.maxAngle = 0.4f;
    EXPECT_FLOAT_EQ(Amount(), 0.5f);
    EXPECT_EQ(host.Count("surface"), 9);

    // With surface edges off, 0.5 is the largest weight in use: the first
    // sub-sample that reaches it ends the search.
    host.calls.clear();
    p.surfaceEdges = 0.0f;
    EXPECT_FLOAT_EQ(Amount(), 0.5f);
    EXPECT_EQ(host.Count("surface"), 2);

    // Below minAngle nothing.
    p.minAngle = 0.6f;
    p.maxAngle = 0.8f;
    EXPECT_FLOAT_EQ(Amount(), 0.0f);
}
