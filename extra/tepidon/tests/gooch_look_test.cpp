// The Gooch look in a render: two spheres, one with the fixed light and one
// with the scene's light from the left; faces turned to the light are warm,
// the others cool.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "core/session.h"
#include "render_job.h"
#include "renderer.h"

namespace {

const char* kScene = R"({
  "materials": {
    "fixed": {"plugin": "tepidon.kv", "server": "gooch", "channels": {"useLights": false}},
    "lit": {"plugin": "tepidon.kv", "server": "gooch", "channels": {"useLights": true}}
  },
  "camera": {"position": [0, 0, 8], "target": [0, 0, 0], "focalLen": 0.05, "apertureX": 0.036},
  "lights": [{"type": "distant", "direction": [1, 0, 0], "colour": [1, 1, 1], "intensity": 1.0, "shadows": false}],
  "ambient": [0.05, 0.05, 0.05],
  "background": [0, 0, 0],
  "objects": [
    {"name": "left", "shape": "sphere", "position": [-1.3, 0, 0], "material": "fixed",
     "surface": {"diffuse": [0.8, 0.8, 0.8]}},
    {"name": "right", "shape": "sphere", "position": [1.3, 0, 0], "material": "lit",
     "surface": {"diffuse": [0.8, 0.8, 0.8]}}
  ],
  "render": {"width": 160, "height": 80, "spp": 1}
})";

bool Warm(const kvr::Vec3& c) { return c.x > c.z; }

TEST(GoochLook, TurnedToTheLightIsWarmAwayFromItCool) {
    kvr::RenderJob job;
    std::string error;
    ASSERT_TRUE(kvr::loadRenderJobJson(nlohmann::json::parse(kScene), ".", {}, job, error)) << error;
    kvr::Renderer renderer(job.scene, job.session->Layout(), job.roads);
    const kvr::ImageBuffer img = renderer.Render(2);
    ASSERT_EQ(img.width(), 160u);
    // About 28 pixels to a unit: the left sphere is centred at x 44, the right at x 116.
    EXPECT_TRUE(Warm(img.at(44, 40))) << "fixed light: the middle faces the light";
    EXPECT_FALSE(Warm(img.at(19, 40))) << "fixed light: the rim is cool";
    EXPECT_TRUE(Warm(img.at(96, 40))) << "scene light: the side facing the light";
    EXPECT_FALSE(Warm(img.at(136, 40))) << "scene light: the unlit side";
    EXPECT_GT(img.at(19, 40).z, 0.3f) << "the cool side is blue, not black";
}

}  // namespace
