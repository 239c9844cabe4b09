// The edge-ink shading through the stand-in host: the host calls it makes and
// the edges it finds on the constructed step scene.
#include <atomic>
#include <cmath>
#include <thread>

#include "road_fixture.h"
#include "testing/host_sample.h"

using namespace inkroad;

namespace {

// Unit normals meet at a dot a rounding step below 1, which is no visible ink.
bool White(const Rgb& c) { return c.r > 0.9999f && c.g > 0.9999f && c.b > 0.9999f; }
bool Black(const Rgb& c) { return c.r == 0.0f && c.g == 0.0f && c.b == 0.0f; }

}  // namespace

TEST_F(RoadTest, OneRandomPairAndOneRecordPerSubSample)
{
    auto road = Road({});
    EXPECT_TRUE(White(ShadeAt(*road, 5)));
    EXPECT_EQ(last->header.randomCalls, 8u);  // ShaderService slot 12 per sub-sample
    EXPECT_EQ(scene.surfaceCalls, 9);         // the centre, then each sub-sample
    EXPECT_TRUE(scene.traceFlags.empty());

    scene.surfaceCalls = 0;
    auto fine = Road({{"edgeQuality", 4}, {"edgeWidth", 1.5}});
    ShadeAt(*fine, 5);
    EXPECT_EQ(last->header.randomCalls, 9u);  // 1.5^2 * 4, truncated
}

TEST_F(RoadTest, ClosedGateCastsNoRay)
{
    scene.right = Plane(10.0f, 2);
    SubSamplesToTheRight();
    auto road = Road({{"edgeWidth", 0.0}});
    EXPECT_TRUE(White(ShadeAt(*road, 9)));
    auto wide = Road({});
    EXPECT_TRUE(White(ShadeAt(*wide, 9, 0)));  // neither camera nor traced ray
    // A reflection ray gets ink only with traceReflection on.
    EXPECT_TRUE(White(ShadeAt(*wide, 9, KV_RAY_TRACED | KV_RAY_REFLECTION)));
    EXPECT_EQ(scene.surfaceCalls, 0);
    EXPECT_EQ(last->header.randomCalls, 0u);
    EXPECT_TRUE(scene.traceFlags.empty());

    auto reflected = Road({{"traceReflection", 1}});
    EXPECT_TRUE(Black(ShadeAt(*reflected, 9, KV_RAY_TRACED | KV_RAY_REFLECTION)));
    // A refraction ray passes the gate whatever traceTransparency says.
    EXPECT_TRUE(Black(ShadeAt(*wide, 9, KV_RAY_TRACED | KV_RAY_REFRACTION)));
}

TEST_F(RoadTest, EachEdgeKindOnTheStep)
{
    SubSamplesToTheRight();
    struct Case {
        const char* what;
        st_KVpSurfaceRecord right;
        std::vector<kvh::ChannelValue> values;
    };
    st_KVpSurfaceRecord tilted = Plane(10.0f);
    tilted.normal[0] = std::sin(1.0f);  // 57 degrees: beyond maxAngle
    tilted.normal[2] = std::cos(1.0f);
    const Case cases[] = {
        {"distance", Plane(12.0f), {{"angleEdges", 0}, {"surfaceEdges", 0}}},
        {"angle", tilted, {{"distanceEdges", 0}, {"surfaceEdges", 0}}},
        {"surface", Plane(10.0f, 2), {{"angleEdges", 0}, {"distanceEdges", 0}}},
        {"segment", Plane(10.0f, 1, 2), {{"segmentEdges", 1}, {"surfaceEdges", 0}, {"distanceEdges", 0}}},
    };
    for (const Case& c : cases) {
        scene.right = c.right;
        auto road = Road(c.values);
        EXPECT_TRUE(Black(ShadeAt(*road, 9))) << c.what;  // the ring reaches across x = 10
        EXPECT_TRUE(White(ShadeAt(*road, 5))) << c.what;
        EXPECT_TRUE(White(ShadeAt(*road, 12))) << c.what;  // beyond the step the ring stays on one side
    }

    // Another segment with segment edges off replaces the evidence with 0.
    scene.right = Plane(10.0f, 1, 2);
    EXPECT_TRUE(White(ShadeAt(*Road({{"segmentEdges", 0}}), 9)));

    // A silhouette needs no ray at all.
    scene.right = scene.left;
    viewNormal[0] = 1.0f;
    viewNormal[2] = 0.0f;
    auto silhouette = Road({{"angleEdges", 0}, {"distanceEdges", 0}, {"surfaceEdges", 0}});
    scene.surfaceCalls = 0;
    EXPECT_TRUE(Black(ShadeAt(*silhouette, 5)));
    EXPECT_EQ(scene.surfaceCalls, 0);
}

TEST_F(RoadTest, SurfaceEdgesAloneKeepSearching)
{
    // Four sub-samples at the centre, then one across the step.
    host.session->shading().SetRandomSource(
        [](void*, const kvh::SampleHeader&, uint32_t call, float* u, float* v) {
            *u = 0.5f;
            *v = call < 4 ? 0.5f : 1.0f;
        },
        nullptr);
    scene.right = Plane(10.0f, 2);
    auto road = Road({{"angleEdges", 0}, {"distanceEdges", 0}, {"incidenceEdges", 0}});
    EXPECT_TRUE(Black(ShadeAt(*road, 9)));
    EXPECT_EQ(last->header.randomCalls, 5u);
}

TEST_F(RoadTest, NegativeFullThresholdDrawsOnlyRealDepthJumps)
{
    SubSamplesToTheRight();
    scene.right = Plane(11.0f);
    for (double threshold : {-1.0, -3.0}) {
        auto road = Road({{"distThreshold", threshold}, {"angleEdges", 0}, {"distanceEdges", 0.5}});
        const Rgb flat = ShadeAt(*road, 5);
        EXPECT_TRUE(White(flat)) << threshold;
        const Rgb jump = ShadeAt(*road, 9);
        EXPECT_FLOAT_EQ(jump.r, 0.5f) << threshold;  // half ink: e = distanceEdges
        EXPECT_TRUE(std::isfinite(jump.g));
    }
}

TEST_F(RoadTest, ProbesPopEveryVectorTheyPush)
{
    reflectionAmount = 1.0f;
    transparency = 1.0f;
    auto road = Road({{"traceReflection", 1}, {"traceTransparency", 1}});
    EXPECT_TRUE(White(ShadeAt(*road, 5)));  // every probe misses
    ASSERT_EQ(scene.traceFlags.size(), 16u);  // two per sub-sample
    for (uint32_t f : scene.traceFlags) EXPECT_EQ(f, 0x10181u);
    EXPECT_EQ(pool->nestedInUse(), 0u);

    // A hit at grazing incidence inks the sample.
    scene.traceFlags.clear();
    scene.hit.distance = 4.0f;
    scene.hit.normal[0] = 1.0f;
    scene.hit.normal[2] = 0.0f;
    EXPECT_TRUE(Black(ShadeAt(*road, 5)));
    EXPECT_EQ(scene.traceFlags.size(), 2u);  // both probes of the first sub-sample, then e = 1 ends the search
    EXPECT_EQ(pool->nestedInUse(), 0u);

    // At the host's depth limit there is no vector: nothing is traced.
    scene.traceFlags.clear();
    pool = std::make_unique<kvh::VectorPool>(host.session->Layout(), 0);
    EXPECT_TRUE(White(ShadeAt(*road, 5)));
    EXPECT_TRUE(scene.traceFlags.empty());
}

TEST_F(RoadTest, SeeThroughAndColourModes)
{
    scene.hit.colour[1] = 1.0f;  // green behind
    auto half = Road({{"seeThrough", 0.5}, {"edgeWidth", 0}});
    Rgb c = ShadeAt(*half, 5);
    EXPECT_FLOAT_EQ(c.r, 0.5f);
    EXPECT_FLOAT_EQ(c.g, 1.0f);
    ASSERT_EQ(scene.traceFlags.size(), 1u);
    EXPECT_EQ(scene.traceFlags[0], 4u);
    EXPECT_EQ(pool->nestedInUse(), 0u);
    // The amount is clamped to [0, 1]: 2 blends fully, -1 not at all and traces nothing.
    c = ShadeAt(*Road({{"seeThrough", 2}, {"edgeWidth", 0}}), 5);
    EXPECT_FLOAT_EQ(c.r, 0.0f);
    scene.traceFlags.clear();
    EXPECT_TRUE(White(ShadeAt(*Road({{"seeThrough", -1}, {"edgeWidth", 0}}), 5)));
    EXPECT_TRUE(scene.traceFlags.empty());
    // Without a vector for the ray (the host's depth limit) what lies behind is black.
    {
        auto shallow = std::make_unique<kvh::VectorPool>(host.session->Layout(), 0);
        std::swap(pool, shallow);
        EXPECT_FLOAT_EQ(ShadeAt(*half, 5).g, 0.5f);
        std::swap(pool, shallow);
    }

    SubSamplesToTheRight();
    scene.right = Plane(10.0f, 2);
    components.diff[0] = 0.3f;
    const struct {
        int mode;
        Rgb want;
    } modes[] = {{0, {0.9f, 0.0f, 0.0f}}, {1, {0.2f, 0.4f, 0.6f}}, {2, {0.3f, 0.0f, 0.0f}}, {7, {0.9f, 0.0f, 0.0f}}};
    for (const auto& m : modes) {
        auto road = Road({{"colorMode", double(m.mode)}, {"edgeColor.R", 0.9}});
        c = ShadeAt(*road, 9);
        EXPECT_FLOAT_EQ(c.r, m.want.r) << m.mode;
        EXPECT_FLOAT_EQ(c.g, m.want.g) << m.mode;
        EXPECT_FLOAT_EQ(c.b, m.want.b) << m.mode;
    }
}

TEST_F(RoadTest, ConcurrentSamplesShareOneRoad)
{
    SubSamplesToTheRight();
    scene.right = Plane(12.0f, 2);
    auto road = Road({});
    const kvh::PacketLayout& layout = host.session->Layout();
    std::atomic<int> inked{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            kvh::VectorPool own(layout);
            for (int i = 0; i < 200; ++i) {
                const int x = (i + t) % 20;
                kvh::SampleVector& v = own.BeginSample(x, t, 0.5f, 0.5f, uint32_t(i));
                kvt::FacingSample(v, false).ray->flags = KV_RAY_CAMERA;
                st_KVpShadeComponents sc{};
                st_KVpShadeOutput out{{1.0f, 1.0f, 1.0f}, 1.0f};
                road->Shade(v, rays->ptr(), sc, out);
                if (out.color[0] < 0.5f) ++inked;
            }
        });
    }
    for (std::thread& th : threads) th.join();
    EXPECT_EQ(inked.load(), 4 * 10);  // pixel 9, the last left of the step, ten times per thread
}
