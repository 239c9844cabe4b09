// Per-sample shading of the sketch-tone material allocates nothing: this
// binary replaces the global operator new and counts the calls made while
// armed, by the host and the loaded plug-in alike.
#include "sketch_road.h"
#include "testing/alloc_counter.h"
#include "testing/host_sample.h"

namespace SketchTone_Shader::test {
namespace {

TEST_F(SketchRoadTest, PerSampleShadingAllocatesNothing) {
    kvh::Scene& scene = Scene();
    ASSERT_TRUE(scene.CreateCamera("cam", 0.05, 0.05, 0.025, 5.0, kvh::Mat4()));
    ASSERT_TRUE(scene.CreateLocator("a", kvh::Mat4::Translation(1.0, 0.5, 5.0)));
    ASSERT_TRUE(scene.CreateLocator("b", kvh::Mat4::Translation(-1.0, 0.0, 8.0)));
    ASSERT_TRUE(scene.CreateClip("clip", kvh::ProceduralHatching(64, 64)));
    kvh::Pattern ramp;
    ramp.type = kvh::Pattern::Type::RampU;
    ramp.b[0] = 1.0f;
    std::vector<kvh::MaterialRoad*> roads;
    kvh::MaterialRoad::Options texture;
    texture.values = {{"screenCoords", 0.0}, {"reflection", 0.5}, {"specular", 0.5}, {"seeThrough", 0.4}};
    texture.links = {"clip"};
    texture.drivers = {{"sketchAngle", ramp, 0}};
    texture.layers = {{"sketchTileOffset", 1.0f, ramp}};
    roads.push_back(Road(texture));
    roads.push_back(Road({{"zScale", 0.05}, {"colorMode", 1.0}}));
    roads.push_back(Road({{"screenMode", 1.0}, {"sfReflection", 0.5}, {"sfForeshort", 1.0}, {"colorMode", 2.0}},
                         {"a", "b"}));
    for (kvh::MaterialRoad* r : roads) ASSERT_TRUE(r);

    FixedRays hooks;
    hooks.normal[0] = 0.3f;
    const kvt::OwnedRays rays(&hooks);
    kvh::VectorPool pool(host_.session->Layout());
    kvt::AllocationCounter counter;
    float sum = 0.0f;
    for (int i = 0; i < 1500; ++i) {
        kvh::SampleVector& v = pool.BeginSample(i % 40, i / 40, 0.25f, 0.75f, 0);
        const kvt::HostPackets p = kvt::FacingSample(v);
        p.ray->dist = 2.0f + float(i % 9);
        *v.Packet<st_KVpCameraResolution>(kvh::HostPacket::CameraResolution) = {40, 40};
        auto* tex = v.Packet<st_KVpTextureInput>(kvh::HostPacket::TextureInput);
        tex->u = float(i % 40) / 40.0f;
        tex->v = float(i / 40) / 40.0f;
        for (float& c : p.parms->specCol) c = 0.5f;
        for (float& c : p.parms->reflCol) c = 0.5f;
        st_KVpShadeComponents sc{};
        for (int c = 0; c < 3; ++c) {
            sc.diffLit[c] = sc.diffUnshad[c] = float(i % 11) / 10.0f;
            sc.spec[c] = sc.refl[c] = 0.2f;
        }
        st_KVpShadeOutput out{};
        roads[size_t(i) % roads.size()]->Shade(v, rays.ptr(), sc, out);
        sum += out.color[0];
    }
    EXPECT_EQ(counter.count(), 0);
    EXPECT_GT(sum, 0.0f);
    EXPECT_GT(hooks.traces, 0);
}

}  // namespace
}  // namespace SketchTone_Shader::test
