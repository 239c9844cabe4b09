// The linked clip and its tone image, the channel user interface and the
// gradient listener, through the stand-in host.
#include "core/image.h"
#include "xtoon_road.h"

namespace XToon_Shader::test {
namespace {

using kvh::MaterialRoad;
using kvt::CoordinateImage;

class XToonClipTest : public XToonRoadTest {
protected:
    MaterialRoad* ImageRoad(std::vector<std::string> links, std::vector<kvh::ChannelValue> extra = {}) {
        MaterialRoad::Options o;
        o.values = {{"useImage", 1.0}, {"detailMode", kDetailTexture}, {"detail", 0.25}};
        o.values.insert(o.values.end(), extra.begin(), extra.end());
        o.links = std::move(links);
        return Road(o);
    }
    std::vector<kvh::StdDialogService::Event> Events() { return host_.session->dialogs().events(); }
};

TEST_F(XToonClipTest, LinkedClipBecomesTheToneImage) {
    kvh::Scene& scene = host_.session->scene();
    ASSERT_TRUE(scene.CreateLocator("loc", kvh::Mat4()));
    ASSERT_TRUE(scene.CreateClip("clip", CoordinateImage(0.5f, 0.5f)));
    ASSERT_TRUE(scene.CreateClip("later", CoordinateImage(0.9f, 1.0f)));
    MaterialRoad* road = ImageRoad({"loc", "clip", "later"});
    ASSERT_TRUE(road);
    const auto events = Events();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].kind, kvh::StdDialogService::Event::Open);
    EXPECT_EQ(events[0].title, "XToon Image");
    EXPECT_EQ(events[1].kind, kvh::StdDialogService::Event::Close);
    EXPECT_EQ(host_.session->dialogs().openMonitors(), 0);

    // Tone 0.5 across, detail 0.25 down: pixel (128, 64) of the first clip,
    // blended by its alpha 0.5 over the host's sum (0 here).
    Sample s;
    Shaded r = Shade(*road, s);
    EXPECT_NEAR(r.color[0], 128.0f / 255.0f * 0.5f, 1e-6);
    EXPECT_NEAR(r.color[1], 64.0f / 255.0f * 0.5f, 1e-6);
    EXPECT_NEAR(r.color[2], 0.25f, 1e-6);

    // flipHoriz with the tone at its top looks up the first column.
    MaterialRoad* flipped = ImageRoad({"clip"}, {{"flipHoriz", 1.0}});
    ASSERT_TRUE(flipped);
    s.light = 1.0f;
    EXPECT_NEAR(Shade(*flipped, s).color[0], 0.0f, 1e-6);
}

TEST_F(XToonClipTest, ClipFailuresLeaveAConsistentToneImage) {
    kvh::Scene& scene = host_.session->scene();
    kvh::SceneItem* clip = scene.CreateClip("clip", CoordinateImage(0.0f, 1.0f));
    ASSERT_TRUE(scene.CreateLocator("loc", kvh::Mat4()));
    Sample s;
    const float pixel = 128.0f / 255.0f;
    const float grey = 0.5f;  // posterised: L = 4 levels at detail 0.25, tone 0.5

    // No clip among the links: no monitor, the posterised grey.
    MaterialRoad* none = ImageRoad({"loc"});
    ASSERT_TRUE(none);
    EXPECT_TRUE(Events().empty());
    EXPECT_NEAR(Shade(*none, s).color[0], grey, 1e-6);

    MaterialRoad* road = ImageRoad({"clip"});
    ASSERT_TRUE(road);
    EXPECT_NEAR(Shade(*road, s).color[0], pixel, 1e-6);
    // A value that is no image filter changes nothing, and opens no monitor.
    clip->filterMode = 2;
    ASSERT_EQ(road->Reread(&err_), KV_OK);
    EXPECT_EQ(Events().size(), 2u);
    EXPECT_NEAR(Shade(*road, s).color[0], pixel, 1e-6);
    // A filter that gives no image leaves the tone image cleared.
    clip->filterMode = 1;
    ASSERT_EQ(road->Reread(&err_), KV_OK);
    EXPECT_EQ(Events().size(), 4u);
    EXPECT_NEAR(Shade(*road, s).color[0], grey, 1e-6);
    // Without a monitor the image is still made, and nothing is closed.
    clip->filterMode = 0;
    host_.session->dialogs().failAllocate = true;
    ASSERT_EQ(road->Reread(&err_), KV_OK);
    EXPECT_EQ(Events().size(), 4u);
    EXPECT_EQ(host_.session->dialogs().openMonitors(), 0);
    EXPECT_NEAR(Shade(*road, s).color[0], pixel, 1e-6);
}

TEST_F(XToonClipTest, ClipWithoutImageStackCountsAsNoClip) {
    kvh::SceneItem* clip = host_.session->scene().CreateClip("clip", CoordinateImage(0.0f, 1.0f));
    ASSERT_TRUE(clip && clip->RemoveChannel("imageStack"));
    MaterialRoad* road = ImageRoad({"clip"});
    ASSERT_TRUE(road);
    EXPECT_TRUE(Events().empty());
    EXPECT_NEAR(Shade(*road, Sample{}).color[0], 0.5f, 1e-6);
}

TEST_F(XToonRoadTest, ChannelUIRules) {
    constexpr const char* kNotInMode = "Channel not used in this detail mode.";
    constexpr const char* kGradients = "Gradients are not used when 'Use Image' is on.";
    auto probe = [&](std::vector<kvh::ChannelValue> values) {
        MaterialRoad::Options o;
        o.values = std::move(values);
        MaterialRoad* road = Road(o);
        return road ? road->ProbeChannelUI() : std::vector<kvh::ChannelUIRecord>{};
    };
    auto specular = probe({{"detailMode", kDetailSpecular}});
    for (const char* ch : {"strength", "zMin", "zRange"}) EXPECT_TRUE(kvt::DisabledWith(kvt::UiOf(specular, ch), kNotInMode)) << ch;
    auto dof = probe({{"detailMode", kDetailDof}});
    for (const char* ch : {"strength", "zMin", "zRange"}) EXPECT_EQ(kvt::UiOf(dof, ch).enabled, KV_OK) << ch;
    auto sil = probe({{"detailMode", kDetailSilhouette}});
    EXPECT_EQ(kvt::UiOf(sil, "strength").enabled, KV_OK);
    EXPECT_TRUE(kvt::DisabledWith(kvt::UiOf(sil, "zMin"), kNotInMode));
    EXPECT_TRUE(kvt::DisabledWith(kvt::UiOf(sil, "zRange"), kNotInMode));
    auto depth = probe({});
    EXPECT_TRUE(kvt::DisabledWith(kvt::UiOf(depth, "strength"), kNotInMode));
    EXPECT_EQ(kvt::UiOf(depth, "zRange").enabled, KV_OK);
    EXPECT_EQ(kvt::UiOf(depth, "topColor.G").enabled, KV_OK);

    auto image = probe({{"useImage", 1.0}});
    for (const char* ch : {"topColor.G", "stepPos", "bottomColor.B"})
        EXPECT_TRUE(kvt::DisabledWith(kvt::UiOf(image, ch), kGradients)) << ch;
    for (const char* ch : {"specGrad", "reflGrad", "detail", "useImage"}) EXPECT_EQ(kvt::UiOf(image, ch).enabled, KV_OK) << ch;

    const int32_t myType = int32_t(host_.session->sceneTypes().Lookup("material.xtoon"));
    ASSERT_NE(myType, 0);
    for (auto [ch, dep] : {std::pair{"bottomColor.R", "useImage"}, {"stepPos", "useImage"},
                           {"zRange", "detailMode"}, {"strength", "detailMode"}}) {
        const auto& r = kvt::UiOf(image, ch);
        ASSERT_EQ(r.dependencyCount, 1u) << ch;
        EXPECT_EQ(r.dependencies[0].result, KV_OK);
        EXPECT_EQ(r.dependencies[0].channel, dep);
        EXPECT_EQ(r.dependencies[0].itemType, myType);
    }
    EXPECT_EQ(kvt::UiOf(image, "specGrad").dependencyCount, 0u);
    for (const char* ch : {"detail", "strength", "patAlpha"}) {
        EXPECT_EQ(kvt::UiOf(image, ch).hintsResult, KV_OK);
        EXPECT_EQ(kvt::UiOf(image, ch).hintFlags, std::vector<int32_t>{4}) << ch;
    }
    EXPECT_EQ(kvt::UiOf(image, "detailMode").hintsResult, KV_E_NOTIMPL);
    EXPECT_TRUE(kvt::UiOf(image, "shadeMix").hintFlags.empty());
}

TEST_F(XToonRoadTest, ListenerSeedsRampsOfNewXToonItemsOnly) {
    MaterialRoad* fresh = Road();
    MaterialRoad::Options stored;
    stored.gradients = {{"topColor.R", {{0.0, 0.3}, {1.0, 0.7}}}};
    MaterialRoad* loaded = Road(stored);
    ASSERT_TRUE(fresh && loaded);
    EXPECT_EQ(host_.session->listeners().count(), 1u);

    kvh::Scene& scene = host_.session->scene();
    auto keys = [&](MaterialRoad* road, const char* channel) {
        return scene.Keys(road->item(), uint32_t(road->item()->ChannelIndex(channel)));
    };
    for (const char* ch : {"topColor.R", "topColor.B", "bottomColor.G", "specGrad", "reflGrad"}) {
        const auto k = keys(fresh, ch);
        ASSERT_EQ(k.size(), 5u) << ch;  // 0 twice, 0.2, 0.4, 0.6, 0.8; none at 1
        for (size_t i = 0; i < k.size(); ++i) {
            EXPECT_NEAR(k[i].input, 0.2 * double(i), 1e-6);
            EXPECT_EQ(k[i].value, k[i].input);
            EXPECT_EQ(k[i].slopeType, 6);
            EXPECT_EQ(k[i].slopeSide, 3);
        }
    }
    // A loaded material keeps what it has and gets nothing more.
    EXPECT_EQ(keys(loaded, "topColor.R").size(), 2u);
    EXPECT_TRUE(keys(loaded, "specGrad").empty());

    // An item of another type gets nothing.
    kvh::Channel c;
    c.name = "specGrad";
    c.object = kvh::ObjectValue::Gradient;
    kvh::SceneItem* other = scene.CreateItem("toon", "material.toon", {c});
    ASSERT_TRUE(other);
    host_.session->listeners().SendItemAdd(other->ptr());
    EXPECT_TRUE(scene.Keys(other, 0).empty());

    // The listener goes with the last material.
    roads_.pop_back();
    EXPECT_EQ(host_.session->listeners().count(), 1u);
    roads_.clear();
    EXPECT_EQ(host_.session->listeners().count(), 0u);
}

}  // namespace
}  // namespace XToon_Shader::test
