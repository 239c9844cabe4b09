// The per-sample pattern coordinate: texture, projection and surface-flow
// modes, rotation, and samples that lack host packets or a ray object.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "fake_scene.h"
#ifdef KV_COUNT_ALLOCATIONS
#include "testing/alloc_counter.h"
#endif
#include "shader/pattern_coords.h"
#include "shader/tone_curves.h"

namespace {

using namespace kv::shader;

constexpr float kHalfPi = 1.5707963267948966f;

struct Sample {
    st_KVpTextureInput texture{};
    st_KVpCameraResolution resolution{};
    st_KVpSurfaceNormal normal{};
    st_KVpSampleRay ray{};
    fake::Rays rays;
    CKvUser_Raycast1 raycast{rays.ptr()};

    PatternSample all() { return {nullptr, &texture, &resolution, &normal, &ray}; }
    PatternUV at(const PatternParams& p, const PatternSample& s, const CameraFrame& frame = {},
                 const LocatorView* views = nullptr, std::size_t count = 0) {
        return PatternCoordinate(p, s, frame, views, count, raycast);
    }
};

PatternParams Angle(float radians) {
    PatternParams p;
    p.angleSin = std::sin(radians);
    p.angleCos = std::cos(radians);
    return p;
}

PatternParams Screen(int mode) {
    PatternParams p;
    p.screenCoords = true;
    p.screenMode = mode;
    return p;
}

TEST(PatternCoordinate, TextureModeRotatesAboutTheTileCentreWithoutWrapping) {
    Sample s;
    s.texture.u = 0.25f;
    s.texture.v = 0.75f;
    PatternUV uv = s.at(Angle(0.0f), s.all());
    EXPECT_FLOAT_EQ(uv.u, 0.25f);
    EXPECT_FLOAT_EQ(uv.v, 0.75f);
    uv = s.at(Angle(kHalfPi), s.all());
    EXPECT_NEAR(uv.u, 0.75f, 1e-6f);
    EXPECT_NEAR(uv.v, 0.75f, 1e-6f);
    s.texture.u = 1.0f;
    s.texture.v = 0.5f;
    uv = s.at(Angle(kHalfPi), s.all());
    EXPECT_NEAR(uv.u, 0.5f, 1e-6f);
    EXPECT_NEAR(uv.v, 0.0f, 1e-6f);
    s.texture.u = -0.3f;
    s.texture.v = 2.4f;
    uv = s.at(Angle(0.0f), s.all());
    EXPECT_FLOAT_EQ(uv.u, -0.3f);
    EXPECT_FLOAT_EQ(uv.v, 2.4f);
    EXPECT_TRUE(s.rays.offsets.empty());
}

TEST(PatternCoordinate, ScreenPositionIsOverTheWidthAndAZeroSizedImageDividesBy100) {
    Sample s;
    s.resolution = {640, 480};
    s.rays.pixel[0] = 320;
    s.rays.pixel[1] = 240;
    PatternUV uv = s.at(Screen(0), s.all());
    EXPECT_FLOAT_EQ(uv.u, 0.5f);
    EXPECT_FLOAT_EQ(uv.v, 0.375f);
    s.rays.pixel[0] = 50;
    s.rays.pixel[1] = 25;
    for (st_KVpCameraResolution res : {st_KVpCameraResolution{0, 0}, st_KVpCameraResolution{0, 480}}) {
        s.resolution = res;
        uv = s.at(Screen(0), s.all());
        EXPECT_FLOAT_EQ(uv.u, 0.5f);   // X = 0
        EXPECT_FLOAT_EQ(uv.v, 0.25f);  // Y = -0.25
    }
    s.rays.sub[0] = 0.5f;
    s.resolution = {200, 100};
    uv = s.at(Screen(0), s.all());
    EXPECT_FLOAT_EQ(uv.u, 50.5f / 200.0f);
}

TEST(PatternCoordinate, ProjectionEnlargesWithDistanceAndNegativesContinue) {
    Sample s;
    s.resolution = {100, 100};
    s.rays.pixel[0] = 60;  // X = 0.1
    s.rays.pixel[1] = 30;  // Y = -0.2
    PatternParams p = Screen(0);
    p.zScale = 0.02f;
    s.ray.dist = 50.0f;  // 1 + 0.02 * 50 doubles X and Y
    PatternUV uv = s.at(p, s.all());
    EXPECT_NEAR(uv.u, 0.7f, 1e-6f);
    EXPECT_NEAR(uv.v, 0.1f, 1e-6f);
    // Y tripled to -0.6: v = -0.1 is not wrapped, so the cells continue
    // across 0 for every tile count.
    s.ray.dist = 100.0f;
    uv = s.at(p, s.all());
    EXPECT_NEAR(uv.u, 0.8f, 1e-6f);
    EXPECT_NEAR(uv.v, -0.1f, 1e-6f);
    s.rays.pixel[0] = 125;  // X = 0.75, u = 1.25 stays
    p.zScale = 0.0f;
    EXPECT_NEAR(s.at(p, s.all()).u, 1.25f, 1e-6f);
}

TEST(PatternCoordinate, AbsentPacketsAndRayObjectReadAsZeroes) {
    Sample s;
    s.texture.u = 0.9f;
    const PatternSample none{};
    PatternUV uv = s.at(Angle(0.0f), none);  // texture (0, 0)
    EXPECT_FLOAT_EQ(uv.u, 0.0f);
    EXPECT_FLOAT_EQ(uv.v, 0.0f);

    s.rays.pixel[0] = 50;  // no resolution: over 100; no ray: distance 0
    PatternParams p = Screen(0);
    p.zScale = 1.0f;
    uv = s.at(p, none);
    EXPECT_FLOAT_EQ(uv.u, 0.5f);
    EXPECT_FLOAT_EQ(uv.v, 0.0f);

    CKvUser_Raycast1 noRays;  // pixel (0, 0): the top left corner
    uv = PatternCoordinate(p, s.all(), CameraFrame{}, nullptr, 0, noRays);
    EXPECT_FLOAT_EQ(uv.u, 0.0f);
    EXPECT_FLOAT_EQ(uv.v, 0.0f);

    // Surface flow with one locator, no packets and no ray object: the
    // normals read 0 and the result stays a number.
    const LocatorView one{0.25, 0.25, 5.0, 1.0f};
    PatternParams flow = Screen(1);
    flow.zScale = 1.0f;
    flow.sfReflection = 1.0f;
    uv = PatternCoordinate(flow, none, CameraFrame{}, &one, 1, noRays);
    EXPECT_TRUE(std::isfinite(uv.u) && std::isfinite(uv.v));
}

// A camera looking along +z from the origin: view rotation identity, view
// axis +z, and a view translation the flow must not pick up.
CameraFrame StraightCamera() {
    CameraFrame f;
    for (int i = 0; i < 3; ++i) f.rotation[i][i] = f.viewRotation[i][i] = 1.0;
    f.viewAxis[2] = 1.0;
    f.viewTranslation[0] = 3.0;
    f.viewTranslation[1] = -2.0;
    return f;
}

TEST(PatternCoordinate, SurfaceFlowWithoutLocatorsSpreadsTheScreenPositionRadially) {
    Sample s;
    s.resolution = {100, 100};
    s.rays.pixel[0] = 80;  // X = 0.3
    s.rays.pixel[1] = 10;  // Y = -0.4, |P| = 0.5
    s.normal.normal[0] = 1.0f;
    const PatternUV uv = s.at(Screen(1), s.all(), StraightCamera());
    EXPECT_NEAR(uv.u, 0.5f + 0.15f, 1e-6f);
    EXPECT_NEAR(uv.v, 0.5f - 0.2f, 1e-6f);
    EXPECT_TRUE(s.rays.offsets.empty());
}

TEST(PatternCoordinate, SurfaceFlowAroundAnOnAxisLocator) {
    Sample s;
    s.resolution = {200, 100};
    s.rays.pixel[0] = 140;  // X = 0.2
    s.rays.pixel[1] = 70;   // Y = -0.15
    s.normal.normal[2] = -1.0f;  // facing the camera: flattened to 0
    s.rays.seen[0] = 1.0f;       // the surface turns right towards the locator
    s.rays.seen[2] = -1.0f;
    s.ray.dist = 12.0f;
    PatternParams p = Screen(1);
    p.zScale = 1.0f;
    p.zMin = 0.0f;
    p.zMax = 10.0f;
    const LocatorView locator{0.0, 0.0, 10.0, 1.0f};  // on the view axis, 2 units nearer

    // Pulled by the depth curve at t = 0.2; pushed left by the flow
    // (-sfReflection, 0, 0), which keeps its length up to one frame width
    // and is cut to it beyond; then spread by its own length.
    const double pull = depthOffset(0.2f, 1.0f);
    for (float strength : {0.001f, 0.08f, 0.5f, 3.0f}) {
        p.sfReflection = strength;
        s.rays.offsets.clear();
        const PatternUV uv = s.at(p, s.all(), StraightCamera(), &locator, 1);
        ASSERT_EQ(s.rays.offsets.size(), 1u);
        EXPECT_FLOAT_EQ(s.rays.offsets[0][0], 200 * 0.5f * 0.2f);    // width for x
        EXPECT_FLOAT_EQ(s.rays.offsets[0][1], 100 * 0.5f * -0.15f);  // height for y
        const double push = std::min(static_cast<double>(strength), 1.0);
        const double px = 0.2 * (1 + pull) - push, py = -0.15 * (1 + pull);
        const double r = std::sqrt(px * px + py * py);
        EXPECT_NEAR(uv.u, px * r + 0.5, 1e-5) << strength;
        EXPECT_NEAR(uv.v, py * r + 0.5, 1e-5) << strength;
    }

    // At the locator's own depth nothing pulls, and without a turn nothing pushes.
    s.ray.dist = 10.0f;
    s.rays.seen[0] = 0.0f;
    const PatternUV still = s.at(p, s.all(), StraightCamera(), &locator, 1);
    const double r0 = std::sqrt(0.2 * 0.2 + 0.15 * 0.15);
    EXPECT_NEAR(still.u, 0.5 + 0.2 * r0, 1e-6);
    EXPECT_NEAR(still.v, 0.5 - 0.15 * r0, 1e-6);
}

// Each locator pulls and re-samples from the sample's own screen position,
// not from the position the locators before it have pulled; equal zMin and
// zMax take depths unscaled (k = 1).
TEST(PatternCoordinate, SurfaceFlowMeasuresEveryLocatorFromTheSample) {
    Sample s;
    s.resolution = {200, 100};
    s.rays.pixel[0] = 140;  // X = 0.2
    s.rays.pixel[1] = 70;   // Y = -0.15
    s.ray.dist = 5.5f;
    PatternParams p = Screen(1);
    p.zScale = 1.0f;
    p.zMin = p.zMax = 5.0f;
    const LocatorView two[2] = {{0.1, 0.0, 4.5, 1.0f}, {-0.2, 0.1, 5.2, 1.0f}};
    const PatternUV uv = s.at(p, s.all(), StraightCamera(), two, 2);

    const double d1 = depthOffset(1.0f, 1.0f), d2 = depthOffset(static_cast<float>(0.5 - 0.2), 1.0f);
    const double px = 0.2 + d1 * (0.2 - 0.1) + d2 * (0.2 + 0.2);
    const double py = -0.15 + d1 * (-0.15) + d2 * (-0.15 - 0.1);
    const double r = std::sqrt(px * px + py * py);
    EXPECT_NEAR(uv.u, px * r + 0.5, 1e-5);
    EXPECT_NEAR(uv.v, py * r + 0.5, 1e-5);
    ASSERT_EQ(s.rays.offsets.size(), 2u);
    EXPECT_FLOAT_EQ(s.rays.offsets[1][0], 200 * 0.5f * 0.4f);
    EXPECT_FLOAT_EQ(s.rays.offsets[1][1], 100 * 0.5f * -0.25f);
}

TEST(PatternCoordinate, SurfaceFlowNearTheDepthPoleStaysFinite) {
    Sample s;
    s.resolution = {100, 100};
    s.rays.pixel[0] = 70;
    s.rays.pixel[1] = 40;
    s.normal.normal[0] = 1.0f;
    s.rays.seen[1] = 1.0f;
    PatternParams p = Screen(1);
    p.zScale = 0.02f;  // depth pole at t = 100
    p.zMax = 1.0f;
    p.sfReflection = 1.0f;
    p.sfForeshort = -1.0f;
    s.ray.dist = 100.0f;
    const LocatorView locator{0.0, 0.0, 0.0, 1.0f};
    const PatternUV uv = s.at(p, s.all(), StraightCamera(), &locator, 1);
    EXPECT_TRUE(std::isfinite(uv.u) && std::isfinite(uv.v));
}

#ifdef KV_COUNT_ALLOCATIONS
TEST(PatternCoordinate, EveryModeRunsWithoutAllocating) {
    Sample s;
    s.resolution = {200, 100};
    s.rays.offsets.reserve(16);
    s.rays.seen[0] = 1.0f;
    const LocatorView two[2] = {{0.1, 0.1, 4.0, 1.0f}, {-0.2, 0.0, 8.0, 1.0f}};
    PatternParams p = Screen(1);
    p.zScale = 1.0f;
    p.zMax = 10.0f;
    p.sfReflection = 1.0f;
    kvt::AllocationCounter counter;
    float sum = 0.0f;
    for (int mode : {0, 1}) {
        p.screenMode = mode;
        sum += s.at(p, s.all(), StraightCamera(), two, 2).u;
    }
    sum += s.at(Angle(0.3f), s.all()).u;
    EXPECT_EQ(counter.count(), 0);
    EXPECT_TRUE(std::isfinite(sum));
}
#endif

}  // namespace
