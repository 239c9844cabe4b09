// Scenes at any scale within the coordinate bound: every shape, lit with
// shadows, seen in a mirror and through glass, renders as the same scene at
// unit scale does. The ray tracer works in float: without care its products
// overflow and it aborts, which a child process (kvrender) turns into a failure.
#include "kvrender_command.h"

#include <cmath>

#include <nlohmann/json.hpp>

#include "image_buffer.h"

namespace {

using kvt::test::CommandResult;
using kvt::test::kvrender;
using kvt::test::tempPath;
using kvt::test::writeScene;
using nlohmann::json;

// Every shape on a ground, under a distant and a point light with shadows;
// all lengths multiplied by `k`.
json shapesScene(double k) {
    auto at = [k](double x, double y, double z) { return json{x * k, y * k, z * k}; };
    const std::string obj = std::string(KV_TEST_INPUTS) + "/untextured.obj";
    return {
        {"camera", {{"position", at(0, 3.2, 7.5)}, {"target", at(0, 0.7, 0)}, {"focalLen", 0.04}}},
        {"lights",
         {{{"type", "distant"}, {"direction", {-1, -0.8, -0.35}}, {"intensity", 0.8}, {"shadows", true}},
          {{"type", "point"}, {"position", at(3, 4, 4)}, {"intensity", 0.4}, {"shadows", true}}}},
        {"background", {0.6, 0.7, 0.9}},
        {"objects",
         {{{"shape", "plane"}, {"scale", 4 * k}},
          {{"shape", "sphere"}, {"position", at(-2.4, 0.7, 0)}, {"scale", 0.7 * k}},
          {{"shape", "cube"}, {"position", at(-0.8, 0.6, -0.4)}, {"rotation", {0, 30, 0}}, {"scale", 0.6 * k}},
          {{"shape", "cylinder"}, {"position", at(0.7, 0.7, -0.2)}, {"scale", at(0.5, 0.7, 0.5)}},
          {{"shape", "torus"}, {"position", at(2.3, 0.8, 0.3)}, {"rotation", {60, 0, 20}}, {"scale", 0.7 * k}},
          {{"shape", "obj"}, {"file", obj}, {"position", at(0, 0.3, 1.6)}, {"scale", 0.5 * k}},
          {{"shape", "sphere"}, {"position", at(-1.2, 0.35, 1.5)}, {"scale", 0.35 * k},
           {"surface", {{"reflectionAmount", 0.6}}}},
          {{"shape", "sphere"}, {"position", at(1.4, 0.35, 1.6)}, {"scale", 0.35 * k},
           {"surface", {{"transparency", 0.6}}}}}},
        {"render", {{"width", 96}, {"height", 64}, {"spp", 1}}}};
}

kvr::ImageBuffer render(const json& scene, const std::string& name) {
    const std::string pfm = tempPath(name + ".pfm");
    CommandResult r = kvrender("'" + writeScene(name + ".json", scene.dump()) + "' -o /dev/null --quiet --dump-float '" +
                               pfm + "'");
    kvr::ImageBuffer image;
    std::string error;
    EXPECT_EQ(r.status, 0) << name << ": " << r.err;
    if (r.status == 0) {
        EXPECT_TRUE(kvr::ImageBuffer::readFloatMap(pfm, image, error)) << error;
    }
    return image;
}

TEST(SceneScale, EveryShapeWithShadowsLooksAlikeUpToTheCoordinateBound) {
    const kvr::ImageBuffer unit = render(shapesScene(1), "unit");
    ASSERT_EQ(unit.width(), 96u);
    // Cubes and cylinders of 3e12 to 1e13 once aborted; at the largest scale
    // the camera is near the bound of 1e15 and the ground reaches 5e14.
    for (double k : {1e6, 1e13, 1.3e14}) {
        const kvr::ImageBuffer large = render(shapesScene(k), "scaled");
        ASSERT_EQ(large.width(), 96u) << k;
        for (uint32_t y = 0; y < large.height(); ++y)
            for (uint32_t x = 0; x < large.width(); ++x)
                for (int c = 0; c < 3; ++c) ASSERT_TRUE(std::isfinite(large.at(x, y)[c])) << k;
        const kvr::ImageDifference d = kvr::compareImages(unit, large, 2.0);
        EXPECT_LE(d.fractionAbove, 0.005) << "at scale " << k << ", max " << d.maxAbs;
    }
}

// A lone ground under a distant light shadows nothing, also seen from far
// away: a shadow ray leaves a hit found at a distance t, whose position is
// off by a few float steps of t, far enough not to find the ground again.
TEST(SceneScale, ALoneGroundShadowsNothingSeenFromAfar) {
    for (double far : {1.0, 1e3, 1e5}) {
        json scene = {{"camera", {{"position", {0, 3.2 * far, 7.5 * far}}, {"target", {0, 0, 0}}, {"focalLen", 0.04 * far}}},
                      {"objects", {{{"shape", "plane"}, {"scale", 4}}}},
                      {"render", {{"width", 48}, {"height", 32}, {"spp", 1}}}};
        scene["lights"] = {{{"type", "distant"}, {"direction", {-1, -0.8, -0.35}}, {"shadows", false}}};
        const kvr::ImageBuffer unshadowed = render(scene, "ground");
        scene["lights"][0]["shadows"] = true;
        const kvr::ImageBuffer shadowed = render(scene, "ground");
        const kvr::ImageDifference d = kvr::compareImages(unshadowed, shadowed, 0.5);
        EXPECT_TRUE(d.sameSize);
        EXPECT_EQ(d.fractionAbove, 0.0) << "camera " << far << " away";
    }
}

}  // namespace
