// The dab image from a linked clip, the channel user interface, and samples
// missing host packets or a ray object, through the stand-in host.
#include <cmath>
#include <memory>
#include <string>
#include <utility>

#include "dotmire_road.h"

namespace Stipple_Shader::test {
namespace {

using kvh::MaterialRoad;
using Event = kvh::StdDialogService::Event;

// A dab road of one point (at (0.5, 0.5)) that lays the image's own colours.
MaterialRoad::Options ImageDab(std::vector<std::string> links) {
    return With({{"pointNum", 1.0}, {"useColor", 0.0}}, std::move(links));
}

TEST_F(DotRoadTest, DabImageFromTheClipInsideAMonitor) {
    ASSERT_TRUE(Scene().CreateLocator("loc", kvh::Mat4()));
    ASSERT_TRUE(Scene().CreateClip("clip", CoordinateImage(0.5f)));
    MaterialRoad* road = Road("dab", ImageDab({"loc", "clip"}));
    ASSERT_TRUE(road);
    const auto events = host_.session->dialogs().events();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].kind, Event::Open);
    EXPECT_EQ(events[0].title, "Dab Image");
    EXPECT_EQ(events[1].kind, Event::Close);
    // The dab's centre reads pixel (128, 128) of the 256 x 256 image.
    const Shaded r = Shade(*road, Sample{});
    EXPECT_NEAR(r.color[0], 128.0f / 255.0f, 1e-6);
    EXPECT_NEAR(r.color[1], 128.0f / 255.0f, 1e-6);
    EXPECT_NEAR(r.color[2], 0.5f, 1e-6);
    // Without its own packet the block's record and image serve.
    EXPECT_NEAR(Shade(*road, Sample{}, false).color[0], 128.0f / 255.0f, 1e-6);

    // A clip that gives no filter keeps the image; a failed render leaves none
    // (the imageless stamp paints black inside).
    kvh::SceneItem* clip = Scene().FindItem("clip");
    clip->filterMode = 2;
    kvh::HostError err;
    ASSERT_EQ(road->Reread(&err), KV_OK);
    EXPECT_NEAR(Shade(*road, Sample{}).color[0], 128.0f / 255.0f, 1e-6);
    clip->filterMode = 1;
    ASSERT_EQ(road->Reread(&err), KV_OK);
    EXPECT_EQ(Shade(*road, Sample{}).color[2], 0.0f);
    EXPECT_EQ(host_.session->dialogs().openMonitors(), 0);
}

TEST_F(DotRoadTest, MonitorClosedEvenWhenItDidNotOpen) {
    ASSERT_TRUE(Scene().CreateClip("clip", CoordinateImage()));
    host_.session->dialogs().failAllocate = true;
    MaterialRoad* road = Road("dab", ImageDab({"clip"}));
    ASSERT_TRUE(road);
    const auto events = host_.session->dialogs().events();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, Event::Close);
    EXPECT_NEAR(Shade(*road, Sample{}).color[0], 128.0f / 255.0f, 1e-6);  // the image is made all the same
}

// A host may read the next frame while samples of the last one still shade:
// those samples keep stamping the image their block was read with.
TEST_F(DotRoadTest, SamplesKeepTheImageOfTheirBlock) {
    ASSERT_TRUE(Scene().CreateClip("clip", CoordinateImage(0.5f)));
    MaterialRoad* road = Road("dab", ImageDab({"clip"}));
    ASSERT_TRUE(road);
    Scene().FindItem("clip")->SetImage(CoordinateImage(0.9f));
    void* next = road->ReadSpareBlock();
    ASSERT_NE(next, nullptr);
    EXPECT_NEAR(Shade(*road, Sample{}).color[2], 0.5f, 1e-6);
    road->CleanupBlock(next);
    EXPECT_NEAR(Shade(*road, Sample{}).color[2], 0.5f, 1e-6);
    kvh::HostError err;
    ASSERT_EQ(road->Reread(&err), KV_OK);
    EXPECT_NEAR(Shade(*road, Sample{}).color[2], 0.9f, 1e-6);
}

// A picture of `w` × `h` pixels whose red and green tell the column and the row.
std::shared_ptr<kvh::ImageData> PlacePicture(uint32_t w, uint32_t h) {
    auto img = std::make_shared<kvh::ImageData>();
    img->width = w;
    img->height = h;
    img->rgba.resize(size_t(w) * h * 4);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            float* p = &img->rgba[(size_t(y) * w + x) * 4];
            p[0] = float(x) / float(w - 1), p[1] = float(y) / float(h - 1), p[2] = 0.5f, p[3] = 1.0f;
        }
    return img;
}

// A host may answer the dab image at a size other than the one asked for: a
// picture of any size is drawn, each sample within the dab's reach laying the
// pixel under it, also past 4096 pixels a side.
TEST_F(DotRoadTest, DabPicturesOfEverySizeAreDrawn) {
    const double r = std::sqrt(double((1.0f / 3.4641016f) * 0.2f));  // one point of radius 0.2, at (0.5, 0.5)
    for (const auto& [w, h] : {std::pair<uint32_t, uint32_t>{4100, 8}, {8, 4100}, {4096, 8}}) {
        const std::string name = "clip" + std::to_string(w) + "x" + std::to_string(h);
        ASSERT_TRUE(Scene().CreateClip(name, PlacePicture(w, h)));
        Scene().FindItem(name)->filterMode = 3;  // answered at its own size
        MaterialRoad* road = Road("dab", ImageDab({name}));
        ASSERT_TRUE(road);
        int checked = 0;
        for (double across : {0.03, 0.3, 0.5, 0.7, 0.97})
            for (double down : {0.03, 0.3, 0.5, 0.7, 0.97}) {
                const auto column = uint32_t(across * w), row = uint32_t(down * h);
                const double s = (column + 0.5) / w, t = 1.0 - (row + 0.5) / h;  // the middle of the pixel
                if ((2 * s - 1) * (2 * s - 1) + (2 * t - 1) * (2 * t - 1) > 0.9) continue;  // beyond the dab's reach
                Sample at;
                at.u = float(0.5 - r + 2.0 * r * s);
                at.v = float(0.5 - r + 2.0 * r * t);
                const Shaded got = Shade(*road, at);
                EXPECT_NEAR(got.color[0], float(column) / float(w - 1), 1e-6) << name << " " << column << " " << row;
                EXPECT_NEAR(got.color[1], float(row) / float(h - 1), 1e-6) << name << " " << column << " " << row;
                EXPECT_NEAR(got.color[2], 0.5f, 1e-6) << name;
                ++checked;
            }
        EXPECT_GE(checked, 9) << name;
    }
}

TEST_F(DotRoadTest, ChannelUIFollowsScreenAndColourSwitches) {
    constexpr const char* kScreen = "This only applies when Screen Coordinates are used.";
    constexpr const char* kFlow = "This only applies when Surface Flow is on.";
    MaterialRoad* fresh = Road("stipple", With({{"screenCoords", 1.0}}));
    MaterialRoad* flat = Road("stipple");  // texture coordinates
    MaterialRoad* flow = Road("dab", With({{"screenCoords", 1.0}, {"screenMode", 1.0}, {"useColor", 0.0}}));
    ASSERT_TRUE(fresh && flat && flow);
    const auto f = fresh->ProbeChannelUI();
    EXPECT_EQ(kvt::UiOf(f, "zScale").enabled, KV_OK);
    EXPECT_EQ(kvt::UiOf(f, "screenMode").enabled, KV_OK);
    for (const char* c : {"sfForeshort", "sfReflection", "zMin", "zMax"}) {
        EXPECT_EQ(kvt::UiOf(f, c).enabled, int32_t(0x84800004)) << c;
        EXPECT_EQ(kvt::UiOf(f, c).messageArg1, kFlow) << c;
        EXPECT_EQ(kvt::UiOf(f, c).messageTable, "common");
        EXPECT_EQ(kvt::UiOf(f, c).messageEntry, 99u);
    }
    EXPECT_EQ(kvt::UiOf(f, "tileNum").enabled, KV_OK);
    const auto& zMax = kvt::UiOf(f, "zMax");
    ASSERT_EQ(zMax.dependencies.size(), 2u);
    EXPECT_EQ(zMax.dependencies[0].channel, "screenMode");
    EXPECT_EQ(zMax.dependencies[1].channel, "screenCoords");
    EXPECT_EQ(kvt::UiOf(f, "zScale").dependencyCount, 1u);
    EXPECT_EQ(kvt::UiOf(f, "pointNum").hintFlags, std::vector<int32_t>{4});
    EXPECT_EQ(kvt::UiOf(f, "zMin").hintsResult, KV_E_NOTIMPL);
    for (const char* c : {"zScale", "screenMode", "sfForeshort", "sfReflection", "zMin", "zMax"})
        EXPECT_EQ(kvt::UiOf(flat->ProbeChannelUI(), c).messageArg1, kScreen) << c;

    // The dab: surface flow enables the four; without useColor the colour and
    // its alpha are disabled, yet only patColor names useColor (twice).
    const auto d = flow->ProbeChannelUI();
    EXPECT_EQ(kvt::UiOf(d, "zMin").enabled, KV_OK);
    for (const char* c : {"patColor.R", "patAlpha"}) {
        EXPECT_EQ(kvt::UiOf(d, c).enabled, int32_t(0x84800004)) << c;
        EXPECT_EQ(kvt::UiOf(d, c).messageArg1, "This only applies when Use Color is on.");
    }
    const auto& colour = kvt::UiOf(d, "patColor.G");
    ASSERT_EQ(colour.dependencies.size(), 2u);
    EXPECT_EQ(colour.dependencies[0].channel, "useColor");
    EXPECT_EQ(colour.dependencies[1].channel, "useColor");
    EXPECT_EQ(kvt::UiOf(d, "patAlpha").dependencyCount, 0u);
    EXPECT_EQ(kvt::UiOf(d, "tileAngle").hintFlags, std::vector<int32_t>{4});

    // By index, straight through the interface: the last switch answers every later index.
    kvh::ComRef obj;
    ASSERT_EQ(lib_->Generate("dab", &obj), KV_OK);
    kvh::ComRef ui = obj.Query(kv::guid_ChannelUI);
    ASSERT_TRUE(ui);
    const auto* t = ui.table<vt_IKvChannelUI>();
    int32_t type = 0;
    const char* name = nullptr;
    EXPECT_EQ(t->DependencyByIndex(ui.get(), "zScale", 3, &type, &name), KV_OK);
    EXPECT_STREQ(name, "screenCoords");
    EXPECT_EQ(uint32_t(type), host_.session->sceneTypes().Lookup("material.dab"));
    EXPECT_EQ(t->DependencyByIndex(ui.get(), "zMax", 0, &type, &name), KV_OK);
    EXPECT_STREQ(name, "screenMode");
    name = "untouched";
    EXPECT_EQ(t->DependencyByIndex(ui.get(), "patAlpha", 0, &type, &name), KV_E_OUTOFBOUNDS);
    EXPECT_STREQ(name, "untouched");
    uint32_t count = 9;
    EXPECT_EQ(t->DependencyCount(ui.get(), "patColor", &count), KV_OK);
    EXPECT_EQ(count, 2u);
}

// Host packets the vector lacks read as zeros (the resolution as width 100);
// without a ray object the screen position is pixel (0, 0) at (0, 0) inside,
// the same place as texture coordinates (0, 0). Colours that name the place
// show it: dense stipple dots of a hue each, and one dab over the whole
// square laying the clip's coordinate colours, opaque, so that the paper
// (black without parameters) does not show through (but for float rounding
// in the mix over it).
TEST_F(DotRoadTest, MissingHostPacketsAndRayObject) {
    ASSERT_TRUE(Scene().CreateClip("clip", CoordinateImage()));
    struct Case {
        const char* server;
        std::vector<kvh::ChannelValue> values;
        std::vector<std::string> links;
    };
    const Case cases[] = {
        {"stipple", {{"pointNum", 8192.0}, {"pointRadius", 1.0}, {"hueVariation", 1.0}, {"patColor.R", 1.0}}, {}},
        {"dab", {{"pointNum", 1.0}, {"pointRadius", 4.0}, {"useColor", 0.0}}, {"clip"}}};
    for (const Case& c : cases) {
        MaterialRoad* tex = Road(c.server, With(c.values, c.links));
        std::vector<kvh::ChannelValue> onScreen = c.values;
        onScreen.push_back({"screenCoords", 1.0});
        MaterialRoad* screen = Road(c.server, With(onScreen, c.links));
        ASSERT_TRUE(tex && screen);
        Sample origin;  // dark: tone 0, as without parameters
        origin.u = origin.v = 0.0f;
        const Shaded expected = Shade(*tex, origin);
        Sample near = origin;
        near.u = near.v = 0.05f;
        const Shaded elsewhere = Shade(*tex, near);
        ASSERT_FALSE(expected.color[0] == elsewhere.color[0] && expected.color[1] == elsewhere.color[1] &&
                     expected.color[2] == elsewhere.color[2])
            << c.server << ": the colour must tell the places apart";

        kvh::SampleVector& v = Vector();
        v.SetAllPresent(false);
        v.SetPresent(uint32_t(host_.session->Layout().IndexAtOffset(PacketOffset(tex->customPacket().c_str()))),
                     true);
        for (MaterialRoad* road : {tex, screen}) {
            st_KVpShadeComponents sc{};
            st_KVpShadeOutput out{{-1.0f, -1.0f, -1.0f}, 1.0f};
            road->Shade(v, nullptr, sc, out);
            for (int k = 0; k < 3; ++k)
                EXPECT_FLOAT_EQ(out.color[k], expected.color[k]) << c.server << (road == tex ? " texture" : " screen");
        }
    }
}

}  // namespace
}  // namespace Stipple_Shader::test
