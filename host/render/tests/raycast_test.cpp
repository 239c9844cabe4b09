// The ray object's slots (Raycast 3, 4, 6, 12; Raycast1 3, 19, 23, 24) on a
// small scene rendered by the host itself: a cube turned to show an edge, a
// sphere, a blue wall behind them, and a thin card in front.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <limits>
#include <set>

#include "core/host_object.h"
#include "core/session.h"
#include "primitives.h"
#include "renderer.h"
#include "sample_pattern.h"

namespace kvr {
namespace {

constexpr uint32_t kW = 64, kH = 48;
enum Object : uint64_t { kCube = 1, kSphere = 2, kWall = 3, kCard = 4 };  // surface identities

std::unique_ptr<RenderObject> object(TriangleMesh mesh, Transform t, Vec3 diffuse) {
    auto o = std::make_unique<RenderObject>();
    o->mesh = std::make_shared<const TriangleMesh>(std::move(mesh));
    o->toWorld = AffineMap(t);
    o->surface.diffuse = diffuse;
    return o;
}

class RayObjectTest : public ::testing::Test {
protected:
    void SetUp() override {
        live_ = kvh::LiveHostObjects();
        scene_.objects.push_back(object(makeCube(), {{0, 0, 0}, {0, 45, 0}, {0.5f, 0.5f, 0.5f}}, {1, 0, 0}));
        scene_.objects.push_back(object(makeSphere(), {{1.2f, 0, 0}, {0, 0, 0}, {0.3f, 0.3f, 0.3f}}, {0, 1, 0}));
        scene_.objects.push_back(object(makePlane(), {{0, 0, -2}, {90, 0, 0}, {2, 2, 2}}, {0, 0, 1}));
        scene_.objects.push_back(object(makePlane(), {{-0.9f, -0.5f, 2}, {90, 0, 0}, {0.35f, 1, 0.35f}}, {1, 0, 0}));
        scene_.lights.push_back({Light::Kind::Distant, {}, {0, 0, -1}, {1, 1, 1}, 1.0f, false});
        scene_.ambient = {0, 0, 0};
        scene_.background = {0.5f, 0.5f, 0.5f};
        scene_.settings.spp = 4;
        scene_.camera.width = kW;
        scene_.camera.height = kH;
        scene_.camera.position[2] = 5;  // looking down -z, rows growing downwards
        std::string error;
        ASSERT_TRUE(scene_.build(error)) << error;
        session_ = std::make_unique<kvh::Session>();
        renderer_ = std::make_unique<Renderer>(scene_, session_->Layout(), std::vector<const kvh::MaterialRoad*>{});
        ts_ = renderer_->NewThreadState();
        rays_ = Renderer::RayObjectOf(*ts_);
        ray_ = reinterpret_cast<const vt_IKvRaycast*>(*rays_);
    }
    void TearDown() override {
        ts_.reset();
        renderer_.reset();
        session_.reset();
        EXPECT_EQ(kvh::LiveHostObjects(), live_) << kvh::LiveHostObjectReport();
    }

    // Shades one camera sample of pixel (x, y) and returns its vector.
    kvh::SampleVector& sample(uint32_t x, uint32_t y, uint32_t s = 0) {
        renderer_->ShadeSample(*ts_, x, y, s);
        return Renderer::PrimaryVector(*ts_);
    }
    // What the camera sees through image point (x, y): surface id, 0 for none.
    uint64_t seen(double x, double y, float* t = nullptr) const {
        RayHit hit;
        if (!scene_.rays->intersect(scene_.camera.position, scene_.camera.direction(x, y), 0, 1e30f, hit)) return 0;
        if (t) *t = hit.t;
        return hit.object + 1;
    }
    template <class T>
    static T* packet(kvh::SampleVector& v, kvh::HostPacket p) {
        return v.Packet<T>(p);
    }

    int64_t live_ = 0;
    RenderScene scene_;
    std::unique_ptr<kvh::Session> session_;
    std::unique_ptr<Renderer> renderer_;
    ThreadStatePtr ts_;
    vt_IKvUnknown** rays_ = nullptr;
    const vt_IKvRaycast* ray_ = nullptr;
};

TEST_F(RayObjectTest, ProbeRaysFindGeometryWithoutShading) {
    kvh::SampleVector& v = sample(28, 24);
    const auto* primary = packet<st_KVpSampleRay>(v, kvh::HostPacket::SampleRay);
    float tCube = 0;
    ASSERT_EQ(seen(28 + v.header.subX, 24 + v.header.subY, &tCube), kCube);
    // The primary sample's hit distance sits at bytes 60-63 of "sample.ray".
    float dist;
    std::memcpy(&dist, reinterpret_cast<const uint8_t*>(primary) + 60, 4);
    EXPECT_NEAR(dist, tCube, 1e-4f);

    vt_IKvUnknown** nested = ray_->PushVector(rays_, v.ptr());
    ASSERT_NE(nested, nullptr);
    kvh::SampleVector& n = *kvh::SampleVector::From(nested);
    float t = ray_->TraceRay(rays_, nested, primary->origin, primary->dir, KV_RAY_PROBE);
    EXPECT_NEAR(t, tCube, 1e-4f);
    const auto* ray = packet<st_KVpSampleRay>(n, kvh::HostPacket::SampleRay);
    EXPECT_EQ(ray->dist, t);
    EXPECT_EQ(ray->color[0] + ray->color[1] + ray->color[2], 0.0f);  // not shaded
    const auto* nrm = packet<st_KVpSurfaceNormal>(n, kvh::HostPacket::SurfaceNormal);
    const Vec3 geo{nrm->geoNormal[0], nrm->geoNormal[1], nrm->geoNormal[2]};
    EXPECT_NEAR(length(geo), 1.0f, 1e-4f);
    EXPECT_LT(dot(geo, Vec3{primary->dir[0], primary->dir[1], primary->dir[2]}), 0.0f);
    const auto* pos = packet<st_KVpSamplePosition>(n, kvh::HostPacket::SamplePosition);
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(pos->pos[k], primary->origin[k] + primary->dir[k] * double(t), 1e-3);
    ray_->PopVector(rays_, v.ptr());
    EXPECT_EQ(v.pool->nestedInUse(), 0u);

    // A miss, and a null vector: distance 0; slot 4 is still fine afterwards.
    nested = ray_->PushVector(rays_, v.ptr());
    const float away[3] = {0, 0, 1};
    EXPECT_EQ(ray_->TraceRay(rays_, nested, primary->origin, away, KV_RAY_PROBE), 0.0f);
    ray_->PopVector(rays_, v.ptr());
    EXPECT_EQ(ray_->TraceRay(rays_, nullptr, primary->origin, away, KV_RAY_PROBE), 0.0f);
    ray_->PopVector(rays_, v.ptr());
    EXPECT_EQ(v.pool->nestedInUse(), 0u);
}

TEST_F(RayObjectTest, SeeThroughRayReturnsTheColourBehindTheSurface) {
    kvh::SampleVector& v = sample(8, 40);
    const auto* primary = packet<st_KVpSampleRay>(v, kvh::HostPacket::SampleRay);
    ASSERT_EQ(seen(8 + v.header.subX, 40 + v.header.subY), kCard);
    ASSERT_GT(primary->color[0], 0.2f);  // the red card
    vt_IKvUnknown** nested = ray_->PushVector(rays_, v.ptr());
    ASSERT_NE(nested, nullptr);
    // From the eye along the camera ray: the card being shaded is passed and
    // the blue wall behind it is shaded.
    float t = ray_->TraceRay(rays_, nested, primary->origin, primary->dir, KV_RAY_SEETHROUGH);
    const auto* ray = packet<st_KVpSampleRay>(*kvh::SampleVector::From(nested), kvh::HostPacket::SampleRay);
    EXPECT_GT(t, primary->dist + 1.0f);
    EXPECT_NEAR(t * -primary->dir[2], 7.0f, 1e-3f);  // the wall's plane, 7 in front of the eye
    EXPECT_GT(ray->color[2], 0.5f);
    EXPECT_LT(ray->color[0], 0.05f);
    EXPECT_NE(ray->flags & KV_RAY_REFRACTION, 0u);
    ray_->PopVector(rays_, v.ptr());
    // The same ray as a probe stops at the card: geometry only.
    nested = ray_->PushVector(rays_, v.ptr());
    EXPECT_NEAR(ray_->TraceRay(rays_, nested, primary->origin, primary->dir, KV_RAY_PROBE), primary->dist, 1e-4f);
    ray_->PopVector(rays_, v.ptr());
}

// A ray the tracer cannot take is a miss, never handed over (the tracer
// aborts on it): checked in a child process, so that an abort fails the test.
TEST_F(RayObjectTest, RaysTheTracerCannotTakeAreMisses) {
    constexpr double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
    const Vec3 ahead{0, 0, -1};
    struct Ray {
        double origin[3];
        Vec3 dir;
        float tnear, tfar;
    } misses[] = {
        {{nan, 0, 5}, ahead, 0, 1e30f},
        {{0, inf, 5}, ahead, 0, 1e30f},
        {{0, 0, 2.1e15}, ahead, 0, 1e30f},  // beyond twice the coordinate bound
        {{0, 0, 5}, {0, float(nan), -1}, 0, 1e30f},
        {{0, 0, 5}, {0, 0, 0}, 0, 1e30f},
        {{0, 0, 5}, ahead, -1, 1e30f},
        {{0, 0, 5}, ahead, float(nan), 1e30f},
        {{0, 0, 5}, ahead, 3, 2},
        {{0, 0, 5}, ahead, 0, float(nan)},
    };
    const RayScene& rays = *scene_.rays;
    auto unexpected = [&] {
        int count = 0;
        RayHit hit;
        for (const Ray& r : misses)
            count += rays.intersect(r.origin, r.dir, r.tnear, r.tfar, hit) +
                     rays.occluded(r.origin, r.dir, r.tnear, r.tfar);
        // Through the Raycast slots: traced and probe rays from a point that
        // is no point, and the surface at a screen offset that is none.
        kvh::SampleVector& v = sample(28, 24);
        const double nowhere[3] = {nan, 0, 5}, farAway[3] = {0, 0, 1e300};
        const float dir[3] = {0, 0, -1};
        for (const double* origin : {nowhere, farAway})
            for (uint32_t flags : {0u, uint32_t(KV_RAY_PROBE), uint32_t(KV_RAY_SEETHROUGH)}) {
                vt_IKvUnknown** nested = ray_->PushVector(rays_, v.ptr());
                count += ray_->TraceRay(rays_, nested, origin, dir, flags) != 0.0f;
                ray_->PopVector(rays_, v.ptr());
            }
        st_KVpSurfaceRecord rec{};
        ray_->SurfaceAtOffset(rays_, v.ptr(), 0, &rec, float(nan), 1e38f);
        count += rec.surfaceId != 0;
        // Just within the range: the wall ahead.
        const double near[3] = {0, 0, 1.9e15};
        count += !rays.intersect(near, ahead, 0, 1e30f, hit) + !rays.occluded(near, ahead, 0, 1e30f);
        return count;
    };
    EXPECT_EXIT(std::exit(unexpected()), ::testing::ExitedWithCode(0), "");
}

TEST_F(RayObjectTest, SurfaceRecordFollowsTheScreenOffset) {
    kvh::SampleVector& v = sample(28, 24);
    std::set<uint64_t> surfaces, cubeSegments;
    for (float dx : {-27.0f, -14.0f, -6.0f, -2.0f, 0.0f, 2.0f, 6.0f, 22.0f, 25.0f, 35.0f}) {
        // A record in a larger buffer: nothing is written past its 56 bytes.
        alignas(8) uint8_t buf[64];
        std::memset(buf, 0xAB, sizeof buf);
        auto* rec = reinterpret_cast<st_KVpSurfaceRecord*>(buf);
        ASSERT_EQ(ray_->SurfaceAtOffset(rays_, v.ptr(), 0, rec, dx, 0.0f), KV_OK);
        for (size_t i = 56; i < 64; ++i) ASSERT_EQ(buf[i], 0xAB);
        const double x = 28 + v.header.subX + dx, y = 24 + v.header.subY;
        float t = 0;
        const uint64_t expected = seen(x, y, &t);
        EXPECT_EQ(rec->surfaceId, expected) << dx;
        surfaces.insert(rec->surfaceId);
        if (expected == 0) {
            EXPECT_EQ(rec->depth, 1e30f);
            EXPECT_EQ(rec->segmentId, 0u);
            EXPECT_EQ(rec->normal[0] * rec->normal[0] + rec->normal[1] * rec->normal[1] + rec->normal[2] * rec->normal[2], 0.0f);
            continue;
        }
        // Depth along the view axis, at most the distance along the ray.
        EXPECT_GT(rec->depth, 0.0f);
        EXPECT_LE(rec->depth, t + 1e-3f);
        EXPECT_NE(rec->segmentId, 0u);
        if (expected == kCube) cubeSegments.insert(rec->segmentId);
    }
    // Both faces of the cube's front edge, the sphere, the wall and the background.
    EXPECT_EQ(cubeSegments.size(), 2u);
    EXPECT_EQ(surfaces, (std::set<uint64_t>{0, kCube, kSphere, kWall}));
}

// Each render thread hands its samples a ray object of its own (shaders take
// a reference to it per sample); all of them answer for the same scene, and
// each goes with its thread state (TearDown counts the host objects).
TEST_F(RayObjectTest, EachThreadStateHasItsOwnRayObject) {
    ThreadStatePtr other = renderer_->NewThreadState();
    vt_IKvUnknown** otherRays = Renderer::RayObjectOf(*other);
    ASSERT_NE(otherRays, rays_);
    renderer_->ShadeSample(*other, 28, 24, 0);
    kvh::SampleVector& w = Renderer::PrimaryVector(*other);
    kvh::SampleVector& v = sample(28, 24);
    st_KVpSurfaceRecord a{}, b{};
    ASSERT_EQ(ray_->SurfaceAtOffset(rays_, v.ptr(), 0, &a, 6.0f, 0.0f), KV_OK);
    ASSERT_EQ(ray_->SurfaceAtOffset(otherRays, w.ptr(), 0, &b, 6.0f, 0.0f), KV_OK);
    EXPECT_EQ(a.surfaceId, b.surfaceId);
    EXPECT_EQ(a.segmentId, b.segmentId);
    EXPECT_EQ(a.depth, b.depth);
}

TEST_F(RayObjectTest, Raycast1GivesPixelSubPixelAndNormalAtOffset) {
    void* r1 = nullptr;
    const uint32_t before = kvh::Owner<kvh::HostObject>(rays_)->RefCount();
    ASSERT_EQ((*rays_)->QueryInterface(rays_, &kv::guid_Raycast1, &r1), KV_OK);
    auto** p = static_cast<vt_IKvUnknown**>(r1);
    const auto* t = reinterpret_cast<const vt_IKvRaycast1*>(*p);
    kvh::SampleVector& v = sample(5, 7, 2);
    int32_t x = -1, y = -1;
    float fx = -1, fy = -1;
    ASSERT_EQ(t->Pixel(p, v.ptr(), &x, &y), KV_OK);
    ASSERT_EQ(t->SubPixel(p, v.ptr(), &fx, &fy), KV_OK);
    SubPixel expected = samplePosition(5, 7, 2, scene_.settings.spp);
    EXPECT_EQ(x, 5);
    EXPECT_EQ(y, 7);
    EXPECT_EQ(fx, expected.x);
    EXPECT_EQ(fy, expected.y);
    EXPECT_EQ(t->Pixel(p, nullptr, &x, &y), KV_E_FAILED);

    kvh::SampleVector& c = sample(28, 24);
    const auto* nrm = packet<st_KVpSurfaceNormal>(c, kvh::HostPacket::SurfaceNormal);
    float n[3] = {9, 9, 9};
    ASSERT_EQ(t->NormalAtOffset(p, 0, 0, c.ptr(), 0, n), KV_OK);
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(n[k], nrm->normal[k], 1e-5f);
    ASSERT_EQ(t->NormalAtOffset(p, 8, 0, c.ptr(), 0, n), KV_OK);  // the other cube face
    EXPECT_LT(n[0] * nrm->normal[0] + n[2] * nrm->normal[2], 0.5f);

    // Nesting through Raycast1 stops at the depth limit and ends from the original.
    std::vector<vt_IKvUnknown**> chain{c.ptr()};
    while (vt_IKvUnknown** next = t->PushVector(p, chain.back())) chain.push_back(next);
    EXPECT_EQ(chain.size(), size_t(scene_.settings.maxDepth) + 1);
    t->PopVector(p, c.ptr());
    EXPECT_EQ(c.pool->nestedInUse(), 0u);
    (*p)->Release(p);
    EXPECT_EQ(kvh::Owner<kvh::HostObject>(rays_)->RefCount(), before);
}

}  // namespace
}  // namespace kvr
