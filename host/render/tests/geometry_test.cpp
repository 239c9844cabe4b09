// Geometry, ray casting, scene-file reading and image helpers of the renderer.
#include <gtest/gtest.h>

#include <tbb/global_control.h>
#include <tbb/info.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>

#include "obj_mesh.h"
#include "primitives.h"
#include "ray_scene.h"
#include "render_scene.h"
#include "sample_pattern.h"
#include "scene_objects.h"
#include "surface_point.h"

namespace kvr {
namespace {

TEST(Primitives, AreValidMeshesWithTheirSegments) {
    for (const TriangleMesh& m : {makePlane(), makeSphere(), makeCube(), makeCylinder(), makeTorus()}) {
        EXPECT_TRUE(m.valid());
        EXPECT_GT(m.triangleCount(), 0u);
    }
    TriangleMesh cube = makeCube();
    EXPECT_EQ(std::set<uint32_t>(cube.segments.begin(), cube.segments.end()).size(), 6u);
    TriangleMesh cyl = makeCylinder();
    EXPECT_EQ(std::set<uint32_t>(cyl.segments.begin(), cyl.segments.end()).size(), 3u);
}

RenderScene cubeScene() {
    RenderScene s;
    auto o = std::make_unique<RenderObject>();
    o->mesh = std::make_shared<const TriangleMesh>(makeCube());
    s.objects.push_back(std::move(o));
    std::string error;
    EXPECT_TRUE(s.build(error)) << error;
    return s;
}

TEST(RayScene, HitsTwoFacesOfACubeWithDistinctSegments) {
    RenderScene s = cubeScene();
    const double origin[3] = {3, 3, 3};
    RayHit a, b;
    // Aimed at the +x face and at the +y face.
    ASSERT_TRUE(s.rays->intersect(origin, normalize(Vec3{1, 0.5f, 0.5f} - Vec3{3, 3, 3}), 0, 1e30f, a));
    ASSERT_TRUE(s.rays->intersect(origin, normalize(Vec3{0.5f, 1, 0.5f} - Vec3{3, 3, 3}), 0, 1e30f, b));
    SurfacePoint pa = resolveHit(s, a, origin, normalize(Vec3{1, 0.5f, 0.5f} - Vec3{3, 3, 3}));
    SurfacePoint pb = resolveHit(s, b, origin, normalize(Vec3{0.5f, 1, 0.5f} - Vec3{3, 3, 3}));
    EXPECT_EQ(pa.surfaceId, pb.surfaceId);
    EXPECT_NE(pa.segmentId, pb.segmentId);
    EXPECT_NE(pa.segmentId, 0u);
    EXPECT_NEAR(pa.position[0], 1.0, 1e-4);
    EXPECT_NEAR(pa.geoNormal.x, 1.0f, 1e-5f);
    EXPECT_NEAR(pb.normal.y, 1.0f, 1e-5f);
    // Beside the cube: a miss.
    RayHit m;
    EXPECT_FALSE(s.rays->intersect(origin, normalize(Vec3{1, 0, 0}), 0, 1e30f, m));
}

TEST(RayScene, NormalsFaceTheRayFromInside) {
    RenderScene s = cubeScene();
    const double origin[3] = {0, 0, 0};
    RayHit h;
    ASSERT_TRUE(s.rays->intersect(origin, {0, 0, 1}, 0, 1e30f, h));
    SurfacePoint p = resolveHit(s, h, origin, {0, 0, 1});
    EXPECT_NEAR(p.geoNormal.z, -1.0f, 1e-5f);
    EXPECT_NEAR(p.normal.z, -1.0f, 1e-5f);
    EXPECT_NEAR(p.t, 1.0f, 1e-5f);
}

// A thread the threading library fails to start (for want of memory) in the
// middle of a tree build ends the build half-way, with tasks still running
// on what it freed: every worker runs before the tracer can build.
TEST(RayScene, StartsEveryWorkerBeforeItCanBuild) {
    // The process's threads, as the system lists them.
    auto threadsRunning = [] {
        size_t n = 0;
        for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/task")) ++n;
        return n;
    };
    const size_t before = threadsRunning();
    RayScene rays;
    const size_t threads = std::min<size_t>(
        size_t(tbb::info::default_concurrency()),
        tbb::global_control::active_value(tbb::global_control::max_allowed_parallelism));
    EXPECT_GE(threadsRunning(), before + threads - 1);
}

// Objects of the scene document `objects`, built for ray casting.
RenderScene builtScene(const nlohmann::json& objects) {
    RenderScene s;
    std::string err;
    EXPECT_TRUE(parseSceneObjects({{"objects", objects}}, ".", s, err)) << err;
    EXPECT_TRUE(s.build(err)) << err;
    return s;
}

TEST(RayScene, ObjectsOfOneShapeShareItsMeshAndHitAsACopyWould) {
    // A 100 x 100 grid of turned, unevenly scaled spheres: one mesh, traced as instances.
    nlohmann::json grid = nlohmann::json::array();
    for (int i = 0; i < 10000; ++i)
        grid.push_back({{"shape", "sphere"}, {"position", {3 * (i % 100), 3 * (i / 100), 0}},
                        {"rotation", {10, 20, 30}}, {"scale", {1, 0.5, 1.2}}});
    RenderScene many = builtScene(grid);
    for (const auto& o : many.objects) EXPECT_EQ(o->mesh, many.objects[0]->mesh);
    // An object, its pointer and an instance each: a mesh of its own would be 80 kB.
    EXPECT_LT(many.geometryBytes(), 10000u * 1024 + 1024 * 1024);
    // The same sphere alone is a copy in world space.
    const nlohmann::json alone = {grid[5 * 100 + 7]};
    RenderScene one = builtScene(alone);
    const double origin[3] = {3 * 7 + 0.2, 3 * 5 + 0.1, 10};
    const Vec3 dir = normalize({-0.02f, 0.01f, -1});
    RayHit a, b;
    ASSERT_TRUE(many.rays->intersect(origin, dir, 0, 1e30f, a));
    ASSERT_TRUE(one.rays->intersect(origin, dir, 0, 1e30f, b));
    EXPECT_EQ(a.object, 5u * 100 + 7);
    EXPECT_EQ(a.triangle, b.triangle);
    SurfacePoint pa = resolveHit(many, a, origin, dir), pb = resolveHit(one, b, origin, dir);
    EXPECT_NEAR(pa.t, pb.t, 1e-4f);
    for (int k = 0; k < 3; ++k) {
        EXPECT_NEAR(pa.normal[k], pb.normal[k], 1e-4f);
        EXPECT_NEAR(pa.geoNormal[k], pb.geoNormal[k], 1e-4f);
    }
    EXPECT_NEAR(pa.uv.u, pb.uv.u, 1e-4f);
    EXPECT_NEAR(pa.uv.v, pb.uv.v, 1e-4f);
    EXPECT_EQ(pa.surfaceId, 5u * 100 + 7 + 1);
    EXPECT_EQ(pa.segmentId & 0xFFFFFFFFu, pb.segmentId & 0xFFFFFFFFu);
    // Shadow rays see instances too; between the spheres they pass.
    EXPECT_TRUE(many.rays->occluded(origin, dir, 0, 1e30f));
    const double gap[3] = {1.5, 1.5, 10};
    EXPECT_FALSE(many.rays->occluded(gap, {0, 0, -1}, 0, 1e30f));
}

TEST(GeometryEstimate, MatchesWhatIsBuiltForEveryShape) {
    // Each shape's size is known before its mesh is made, and made exactly.
    const std::pair<TriangleMesh, MeshSize> made[] = {{makePlane(), planeSize()},       {makeSphere(), sphereSize()},
                                                      {makeCube(), cubeSize()},         {makeCylinder(), cylinderSize()},
                                                      {makeTorus(0.2f), torusSize()}};
    for (const auto& [mesh, size] : made) {
        EXPECT_EQ(mesh.size().vertices, size.vertices);
        EXPECT_EQ(mesh.size().triangles, size.triangles);
        EXPECT_EQ(mesh.bytes(), size.bytes()) << "room beyond the mesh";
    }
    // The estimate against the memory built: the meshes, the objects and what
    // the ray tracer held at most. One object is a copy, several of a large
    // mesh are instances of one structure.
    for (const char* shape : {"plane", "sphere", "cube", "cylinder", "torus"})
        for (int placed : {1, 3, 200}) {
            nlohmann::json objects = nlohmann::json::array();
            for (int i = 0; i < placed; ++i) objects.push_back({{"shape", shape}, {"position", {3 * i, 0, 0}}});
            RenderScene s = builtScene(objects);
            uint64_t built = s.objects[0]->mesh->bytes() + s.rays->peakBytes();
            for (const auto& o : s.objects) built += sizeof(RenderObject) + o->name.capacity() + 16;
            // Not below by more than a tenth (and the tracer's few kilobytes
            // of its own), nor above by more than the cost again.
            const uint64_t estimate = s.geometryBytes();
            EXPECT_GE(estimate + 4096, built * 9 / 10) << shape << " x " << placed;
            EXPECT_LE(estimate, 2 * built + 4096) << shape << " x " << placed;
        }
}

TEST(SceneObjects, ReadsObjectsLightsAndSettings) {
    auto doc = nlohmann::json::parse(R"({
      "objects": [{"shape": "sphere", "position": [0, 1, 0], "scale": 0.5,
                   "surface": {"diffuse": [1, 0, 0], "transparency": 0.25}}],
      "lights": [{"type": "distant", "direction": [0, -1, 0], "intensity": 2}],
      "ambient": [0.2, 0.2, 0.2], "render": {"width": 64, "height": 48, "spp": 2}})");
    RenderScene s;
    std::string err;
    ASSERT_TRUE(parseSceneObjects(doc, ".", s, err)) << err;
    ASSERT_EQ(s.objects.size(), 1u);
    EXPECT_EQ(s.objects[0]->surface.diffuse.x, 1.0f);
    EXPECT_EQ(s.objects[0]->surface.transparency, 0.25f);
    EXPECT_NEAR(s.objects[0]->toWorld.point(s.objects[0]->mesh->positions[0]).y, 1.5f, 1e-5f);  // top pole
    ASSERT_EQ(s.lights.size(), 1u);
    EXPECT_EQ(s.lights[0].kind, Light::Kind::Distant);
    EXPECT_EQ(s.settings.width, 64u);
    EXPECT_EQ(s.settings.spp, 2u);
}

TEST(SceneObjects, BadValuesNameTheirKeyPath) {
    struct Case {
        const char* json;
        const char* message;
    } cases[] = {
        {R"({"objects": [{"shape": "cone"}]})", "objects[0].shape: unknown shape"},
        {R"({"objects": [{"shape": "cube", "position": [1, 2]}]})", "objects[0].position: expected an array of 3"},
        {R"({"objects": [{"shape": "cube", "surface": {"transparency": 2}}]})", "objects[0].surface.transparency"},
        {R"({"objects": [{"shape": "obj", "file": "missing.obj"}]})", "objects[0].file"},
        {R"({"lights": [{"type": "spot"}]})", "lights[0].type"},
        {R"({"render": {"spp": 0}})", "render.spp"},
        {R"({"objects": [{"shape": "cube", "colour": [1, 0, 0]}]})", "objects[0].colour: unknown key"},
    };
    for (const Case& c : cases) {
        RenderScene s;
        std::string err;
        EXPECT_FALSE(parseSceneObjects(nlohmann::json::parse(c.json), ".", s, err)) << c.json;
        EXPECT_NE(err.find(c.message), std::string::npos) << err;
    }
}

TEST(ObjMesh, PolygonsOrGroupsAreSegments) {
    const std::string dir = ::testing::TempDir();
    auto write = [&](const char* name, const char* text) {
        std::string path = dir + "/" + name;
        std::ofstream(path) << text;
        return path;
    };
    const char* quadAndTriangle = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 2 0 0\nf 1 2 3 4\nf 2 5 3\n";
    TriangleMesh m;
    std::string err;
    // One group: one segment per polygon, a quad staying one segment.
    ASSERT_TRUE(loadObjMesh(write("one-group.obj", quadAndTriangle), m, err)) << err;
    ASSERT_TRUE(m.valid());
    EXPECT_EQ(m.segments, (std::vector<uint32_t>{0, 0, 1}));
    for (const Vec3& n : m.normals) EXPECT_NEAR(length(n), 1.0f, 1e-5f);  // smoothed from the faces
    // Groups: one segment each.
    ASSERT_TRUE(loadObjMesh(write("groups.obj", "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\ng a\nf 1 2 3\ng b\nf 1 3 4\n"), m, err))
        << err;
    EXPECT_EQ(m.segments, (std::vector<uint32_t>{0, 1}));
    EXPECT_FALSE(loadObjMesh(write("bad-index.obj", "v 0 0 0\nv 1 0 0\nf 1 2 9\n"), m, err));
    EXPECT_FALSE(err.empty());
    EXPECT_FALSE(loadObjMesh(write("no-faces.obj", "v 0 0 0\n"), m, err));
    EXPECT_NE(err.find("has no faces"), std::string::npos) << err;
}

TEST(SamplePattern, IsInsideThePixelAndDeterministic) {
    std::set<std::pair<float, float>> seen;
    for (uint32_t s = 0; s < 16; ++s) {
        SubPixel p = samplePosition(3, 7, s, 16);
        EXPECT_GE(p.x, 0.0f);
        EXPECT_LT(p.x, 1.0f);
        EXPECT_GE(p.y, 0.0f);
        EXPECT_LT(p.y, 1.0f);
        SubPixel q = samplePosition(3, 7, s, 16);
        EXPECT_EQ(p.x, q.x);
        EXPECT_EQ(p.y, q.y);
        seen.insert({p.x, p.y});
    }
    EXPECT_EQ(seen.size(), 16u);
    EXPECT_EQ(samplePosition(0, 0, 0, 1).x, 0.5f);
}

}  // namespace
}  // namespace kvr
