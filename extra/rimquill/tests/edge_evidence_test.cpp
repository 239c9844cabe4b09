// Surface, segment, depth and curvature evidence, the search stop, and the
// reflection and transmission probes, on constructed answers.
#include <cmath>

#include <gtest/gtest.h>

#include "edge_search.h"
#include "fake_ray_host.h"

using fakehost::Call;
using fakehost::FakeRayHost;
using fakehost::FakeVector;

namespace {

st_KVpSurfaceRecord Flat(float depth = 10.0f)
{
    st_KVpSurfaceRecord r{};
    r.normal[2] = 1.0f;
    r.position[0] = 1.0f;
    r.position[1] = 2.0f;
    r.position[2] = 3.0f;
    r.depth = depth;
    r.surfaceId = 1;
    r.segmentId = 1;
    return r;
}

class EvidenceTest : public ::testing::Test {
protected:
    EvidenceTest()
    {
        fakehost::FacingSample(v);
        host.surface = [](float, float) { return Flat(); };
    }
    float Amount() { return edgeink::EdgeAmount(p, host.Sample(v), host.Host()); }
    // The n-th record asked for (0: the centre) comes from `rec`, the others are flat.
    void RecordAt(int n, st_KVpSurfaceRecord rec)
    {
        host.surface = [this, n, rec](float, float) { return surfaceCalls_++ == n ? rec : Flat(); };
    }
    // Probe hits: distance dists[i] for the i-th trace, normal `hitN`.
    void ProbeHits(std::vector<float> dists, const float* hitN)
    {
        host.trace = [this, dists, n = std::vector<float>(hitN, hitN + 3)](FakeVector& t, const double* o,
                                                                              const float* d, uint32_t) {
            const float h = dists[traces_++ % dists.size()];
            std::copy(n.begin(), n.end(), t.normal.geoNormal);
            for (int k = 0; k < 3; ++k) t.position.pos[k] = o[k] + h * d[k];
            return h;
        };
    }

    FakeRayHost host;
    FakeVector v;
    EdgeInkParams p = fakehost::DefaultParams();
    int surfaceCalls_ = 0;
    int traces_ = 0;
};

}  // namespace

TEST_F(EvidenceTest, SurfaceAndSegmentEvidenceReplaceTheAmount)
{
    // A silhouette gives full incidence, then a sub-sample on another surface
    // with surfaceEdges 0.5 replaces it.
    v.normal.normal[0] = 1.0f;
    v.normal.normal[2] = 0.0f;
    p.surfaceEdges = 0.5f;
    st_KVpSurfaceRecord other = Flat();
    other.surfaceId = 2;
    host.surface = [&](float dx, float dy) { return dx == 0.0f && dy == 0.0f ? Flat() : other; };
    EXPECT_FLOAT_EQ(Amount(), 0.5f);

    // Another surface at full weight ends the search at once.
    host.calls.clear();
    p.surfaceEdges = 1.0f;
    EXPECT_FLOAT_EQ(Amount(), 1.0f);
    EXPECT_EQ(host.Count("surface"), 2);

    // Another segment of the same surface gives segmentEdges.
    host.calls.clear();
    p.segmentEdges = 0.25f;
    other.surfaceId = 1;
    other.segmentId = 7;
    v.normal.normal[0] = 0.0f;
    v.normal.normal[2] = 1.0f;
    EXPECT_FLOAT_EQ(Amount(), 0.25f);
}

TEST_F(EvidenceTest, SearchGoesOnUntilASurfaceOrSegmentEdgeIsFound)
{
    // Only surface edges on: the fifth sub-sample sees another surface.
    p.incidenceEdges = p.angleEdges = p.distanceEdges = 0.0f;
    st_KVpSurfaceRecord other = Flat();
    other.surfaceId = 2;
    RecordAt(5, other);
    EXPECT_FLOAT_EQ(Amount(), 1.0f);
    EXPECT_EQ(host.Count("surface"), 6);

    // Only segment edges on, at 0.7: reaching 0.7 ends the search.
    host.calls.clear();
    surfaceCalls_ = 0;
    p.surfaceEdges = 0.0f;
    p.segmentEdges = 0.7f;
    other = Flat();
    other.segmentId = 3;
    RecordAt(3, other);
    EXPECT_FLOAT_EQ(Amount(), 0.7f);
    EXPECT_EQ(host.Count("surface"), 4);
}

TEST_F(EvidenceTest, DepthJumpBeyondTheThreshold)
{
    p.angleEdges = p.surfaceEdges = 0.0f;
    p.distanceEdges = 0.5f;
    RecordAt(2, Flat(10.5f));
    // (10.5 - 1.02 * 10) / 1.02, weighted by 0.5.
    EXPECT_NEAR(Amount(), 0.5f * (10.5f - 10.2f) / 1.02f, 1e-5f);

    // Within the threshold nothing.
    surfaceCalls_ = 0;
    RecordAt(2, Flat(10.1f));
    EXPECT_FLOAT_EQ(Amount(), 0.0f);

    // A nearer sub-sample lowers dmin: the centre is then the far side.
    surfaceCalls_ = 0;
    RecordAt(1, Flat(5.0f));
    EXPECT_NEAR(Amount(), 0.5f * (10.0f - 5.1f) / 1.02f, 1e-5f);
}

TEST_F(EvidenceTest, ThresholdAtOrBelowMinusOneMakesAnyJumpAFullEdge)
{
    p.angleEdges = p.surfaceEdges = 0.0f;
    p.distanceEdges = 0.75f;
    for (float threshold : {-1.0f, -2.0f}) {
        p.distThreshold = threshold;
        surfaceCalls_ = 0;
        host.surface = [](float, float) { return Flat(); };
        EXPECT_FLOAT_EQ(Amount(), 0.0f) << threshold;  // a flat surface is no edge
        RecordAt(4, Flat(10.001f));
        EXPECT_FLOAT_EQ(Amount(), 0.75f) << threshold;
    }
}

TEST_F(EvidenceTest, CurvatureAboveTheLimitGivesFullInk)
{
    p.curvature = 0.96f;
    EXPECT_FLOAT_EQ(Amount(), 1.0f);
    EXPECT_EQ(host.Count("surface"), 2);  // e is 1 after the first sub-sample
    p.curvature = 0.95f;
    EXPECT_FLOAT_EQ(Amount(), 0.0f);
}

TEST_F(EvidenceTest, ReflectionProbePerSubSample)
{
    p.traceReflection = 1;
    v.parms.reflAmt = 0.6f;
    const float away[3] = {0.0f, 0.0f, -1.0f};  // faces the reflected ray: no grazing
    ProbeHits({0.0f}, away);                    // every probe misses
    EXPECT_FLOAT_EQ(Amount(), 0.0f);
    // Per sub-sample: numbers, warp, record, then push, trace, pop.
    std::vector<std::string> expect = {"surface"};
    for (int i = 0; i < 8; ++i) expect.insert(expect.end(), {"random", "warp", "surface", "push", "trace", "pop"});
    EXPECT_EQ(host.Sequence(), expect);
    EXPECT_EQ(host.openVectors, 0);
    for (const Call& c : host.calls) {
        if (c.what == "pop") {
            EXPECT_EQ(c.vector, v.com());  // slot 4 gets the vector given to slot 3
        }
        if (c.what != "trace") continue;
        EXPECT_EQ(c.flags, 0x10181u);
        EXPECT_EQ(c.origin[0], 1.0);  // the centre record's position
        EXPECT_EQ(c.origin[2], 3.0);
        EXPECT_FLOAT_EQ(c.dir[2], 1.0f);  // D mirrored about N
    }

    // Hits at growing distances: depth evidence between the probe hits.
    host.calls.clear();
    p.angleEdges = p.surfaceEdges = 0.0f;
    ProbeHits({5.0f, 6.0f}, away);
    EXPECT_NEAR(Amount(), (6.0f - 1.02f * 5.0f) / 1.02f, 1e-5f);

    // No probe while the surface reflects half or less, nor without the switch.
    host.calls.clear();
    v.parms.reflAmt = 0.5f;
    Amount();
    EXPECT_EQ(host.Count("trace"), 0);
    v.parms.reflAmt = 1.0f;
    p.traceReflection = 0;
    Amount();
    EXPECT_EQ(host.Count("trace"), 0);
}

TEST_F(EvidenceTest, ProbeHitIncidenceIsNotWeighted)
{
    p.traceReflection = 1;
    v.parms.reflAmt = 1.0f;
    p.incidenceEdges = 0.3f;
    p.angleEdges = p.distanceEdges = 0.0f;
    const float grazing[3] = {1.0f, 0.0f, 0.0f};  // at a right angle to the reflected ray
    ProbeHits({4.0f}, grazing);
    EXPECT_FLOAT_EQ(Amount(), 1.0f);
    EXPECT_EQ(host.Count("trace"), 1);
}

TEST_F(EvidenceTest, ProbeAngleBetweenFirstAndLaterHits)
{
    p.traceTransparency = 1;
    v.parms.tranAmt = 1.0f;
    p.incidenceEdges = p.distanceEdges = p.surfaceEdges = 0.0f;
    // First hit faces back along D, later hits are tilted by 60 degrees.
    host.trace = [this](FakeVector& t, const double*, const float*, uint32_t) {
        const bool first = traces_++ == 0;
        t.normal.geoNormal[1] = first ? 0.0f : 0.8660254f;
        t.normal.geoNormal[2] = first ? 1.0f : 0.5f;
        return 3.0f;
    };
    EXPECT_FLOAT_EQ(Amount(), 1.0f);  // 60 degrees is beyond maxAngle
    EXPECT_EQ(host.Count("trace"), 2);
    for (const Call& c : host.calls) {
        if (c.what != "trace") continue;
        EXPECT_EQ(c.flags, 0x10181u);
        EXPECT_NEAR(c.origin[2], 3.0 - 0.0001, 1e-9);  // just past the centre along D
        EXPECT_FLOAT_EQ(c.dir[2], -1.0f);
    }
}

TEST_F(EvidenceTest, ProbeWithoutAVectorTracesNothing)
{
    p.traceReflection = p.traceTransparency = 1;
    v.parms.reflAmt = v.parms.tranAmt = 1.0f;
    host.makeVectors = false;
    EXPECT_FLOAT_EQ(Amount(), 0.0f);
    EXPECT_EQ(host.Count("push"), 16);
    EXPECT_EQ(host.Count("trace"), 0);
    EXPECT_EQ(host.Count("pop"), 0);
}
