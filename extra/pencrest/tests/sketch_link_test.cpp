// Linking and reading through the stand-in host: the clip, the render
// camera and the locators, the sketch map and its progress monitor, and
// failures on the way.
#include "core/fault_injection.h"
#include "core/scene_objects.h"
#include "sketch_road.h"

namespace SketchTone_Shader::test {
namespace {

using kvh::MaterialRoad;

std::shared_ptr<kvh::ImageData> Flat(float grey) {
    auto img = std::make_shared<kvh::ImageData>();
    img->width = img->height = 4;
    img->rgba.assign(4 * 4 * 4, grey);
    return img;
}

class SketchLinkTest : public SketchRoadTest {
protected:
    void TearDown() override {
        kvh::faults::Clear();
        SketchRoadTest::TearDown();
    }
    const std::vector<kvh::Evaluation::Entry>& Entries(const MaterialRoad& road) {
        return static_cast<kvh::Evaluation*>(road.evaluation())->entries;
    }
    std::vector<kvh::StdDialogService::Event> Events() { return host_.session->dialogs().events(); }
    // Shade with r = 0.5 (level 0.5) at the tile centre of a road made with
    // kTextureCentre: white where the sketch map's grey is above 0.5, black
    // elsewhere (and at the procedural spot's centre).
    float MapTone(const MaterialRoad& road) { return Shade(road, Sample{}).color[0]; }
    // The same near the tile's corner, where the procedural spot is open (white).
    float CornerTone(const MaterialRoad& road) {
        Sample s;
        s.u = s.v = 0.02f;
        return Shade(road, s).color[0];
    }
    const std::vector<kvh::ChannelValue> kTextureCentre = {{"screenCoords", 0.0}, {"sketchTiles", 1.0}};
};

TEST_F(SketchLinkTest, LinksOwnChannelsClipCameraThenLocators) {
    kvh::Scene& scene = Scene();
    kvh::Mat4 world = kvh::Mat4::Translation(0.0, 0.0, -2.0);
    ASSERT_TRUE(scene.CreateCamera("cam", 0.05, 0.036, 0.024, 7.0, world));
    ASSERT_TRUE(scene.CreateLocator("locA", kvh::Mat4::Translation(1.0, 0.0, 3.0)));
    ASSERT_TRUE(scene.CreateLocator("locB", kvh::Mat4::Translation(-1.0, 0.0, 3.0)));
    ASSERT_TRUE(scene.CreateClip("white", Flat(1.0f)));
    ASSERT_TRUE(scene.CreateClip("black", Flat(0.0f)));
    MaterialRoad* road = Road(kTextureCentre, {"locB", "white", "cam", "black", "locA"});
    ASSERT_TRUE(road);

    const auto& entries = Entries(*road);
    ASSERT_EQ(entries.size(), 28u + 1u + 5u + 2u);
    const char* own[] = {"sketchTiles", "sketchAngle", "specular", "zScale", "patColor.R", "patColor.G",
                         "patColor.B", "seeThrough", "brightness", "contrast", "shadows", "patAlpha",
                         "replaceShading", "replaceSpecular", "indirectLight", "shadingLevel", "specularLevel",
                         "uvOffset", "sfReflection", "sfForeshort", "zMax", "zMin", "reflection",
                         "sketchMapLevel", "replaceSketchMap", "colorMode", "screenCoords", "screenMode"};
    auto name = [](const kvh::Evaluation::Entry& e) { return e.item->channels()[e.channel].name; };
    for (size_t i = 0; i < 28; ++i) {
        EXPECT_EQ(entries[i].item, road->item());
        EXPECT_EQ(name(entries[i]), own[i]);
        EXPECT_EQ(entries[i].mode, KV_EVAL_VALUE);
    }
    // The first clip in link order, then camera 0's five channels, then one
    // world matrix per locator in link order.
    EXPECT_EQ(entries[28].item->name(), "white");
    EXPECT_EQ(name(entries[28]), "imageStack");
    const char* cam[] = {"focusDist", "apertureX", "apertureY", "focalLen", "worldMatrix"};
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(entries[29 + i].item->name(), "cam");
        EXPECT_EQ(name(entries[29 + i]), cam[i]);
        EXPECT_EQ(entries[29 + i].mode, i == 4 ? KV_EVAL_MATRIX : KV_EVAL_VALUE);
    }
    EXPECT_EQ(entries[34].item->name(), "locB");
    EXPECT_EQ(entries[35].item->name(), "locA");
    EXPECT_EQ(name(entries[35]), "worldMatrix");
    EXPECT_EQ(entries[35].mode, KV_EVAL_MATRIX);

    const SketchToneBlock& b = Block(*road);
    EXPECT_FLOAT_EQ(b.focalLen, 0.05f);
    EXPECT_FLOAT_EQ(b.apertureX, 0.036f);
    EXPECT_FLOAT_EQ(b.apertureY, 0.024f);
    EXPECT_FLOAT_EQ(b.focusDist, 7.0f);

    // The sketch map came from the first clip, inside one monitor.
    EXPECT_EQ(MapTone(*road), 1.0f);
    const auto events = Events();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].kind, kvh::StdDialogService::Event::Open);
    EXPECT_EQ(events[0].title, "Sketchtone Image");
    EXPECT_EQ(events[1].kind, kvh::StdDialogService::Event::Close);
    EXPECT_EQ(host_.session->dialogs().openMonitors(), 0);
}

TEST_F(SketchLinkTest, MissingChannelsFailTheLinkWithTheHostsCode) {
    auto prepare = [&](MaterialRoad::Options o) {
        o.itemName = "broken" + std::to_string(roads_.size());
        auto road = MaterialRoad::Create(*host_.session, *lib_, "sketchtone", std::move(o));
        const KvResult rc = road ? road->Prepare(&err_) : KV_E_FAILED;
        if (road) roads_.push_back(std::move(road));
        return rc;
    };
    MaterialRoad::Options noZMin;
    noZMin.removeChannels = {"zMin"};
    EXPECT_EQ(prepare(noZMin), KV_E_OUTOFBOUNDS);

    // A clip without an image stack, and a camera without a focus distance.
    kvh::SceneItem* clip = Scene().CreateClip("clip", Flat(1.0f));
    ASSERT_TRUE(clip && clip->RemoveChannel("imageStack"));
    MaterialRoad::Options withClip;
    withClip.links = {"clip"};
    EXPECT_EQ(prepare(withClip), KV_E_OUTOFBOUNDS);
    kvh::SceneItem* cam = Scene().CreateCamera("cam", 0.05, 0.036, 0.024, 5.0, kvh::Mat4());
    ASSERT_TRUE(cam && cam->RemoveChannel("focusDist"));
    EXPECT_EQ(prepare({}), KV_E_OUTOFBOUNDS);
}

TEST_F(SketchLinkTest, SketchMapFailuresKeepAConsistentMap) {
    kvh::SceneItem* clip = Scene().CreateClip("clip", Flat(1.0f));
    ASSERT_TRUE(Scene().CreateLocator("loc", kvh::Mat4()));
    // Without a clip: the procedural spot (r = 0.5 at the tile centre: covered).
    MaterialRoad* none = Road(kTextureCentre, {"loc"});
    ASSERT_TRUE(none);
    EXPECT_TRUE(Events().empty());
    EXPECT_EQ(MapTone(*none), 0.0f);

    MaterialRoad* road = Road(kTextureCentre, {"clip"});
    ASSERT_TRUE(road);
    EXPECT_EQ(MapTone(*road), 1.0f);
    // A value that is no image filter keeps the map and opens no monitor.
    clip->filterMode = 2;
    ASSERT_EQ(road->Reread(&err_), KV_OK);
    EXPECT_EQ(Events().size(), 2u);
    EXPECT_EQ(MapTone(*road), 1.0f);
    // A filter that gives no image leaves no map: the procedural spot again,
    // closed at the tile's centre and open at its corner.
    clip->filterMode = 1;
    ASSERT_EQ(road->Reread(&err_), KV_OK);
    EXPECT_EQ(Events().size(), 4u);
    EXPECT_EQ(host_.session->dialogs().openMonitors(), 0);
    EXPECT_EQ(MapTone(*road), 0.0f);
    EXPECT_EQ(CornerTone(*road), 1.0f);
    // Without a monitor the map is still made, and nothing is closed.
    clip->filterMode = 0;
    host_.session->dialogs().failAllocate = true;
    ASSERT_EQ(road->Reread(&err_), KV_OK);
    EXPECT_EQ(Events().size(), 4u);
    EXPECT_EQ(MapTone(*road), 1.0f);
}

}  // namespace
}  // namespace SketchTone_Shader::test
