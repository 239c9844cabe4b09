// Scene files into the host's scene model, through the built plug-ins, and
// the clip, dialog and image objects a scene hands to materials.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include <stb/stb_image_write.h>

#include "core/image.h"
#include "core/scene_file.h"
#include "core/scene_objects.h"

namespace kvh {
namespace {

using nlohmann::json;

template <class Vt>
const Vt* T(void* p) {
    return reinterpret_cast<const Vt*>(*static_cast<vt_IKvUnknown**>(p));
}
void Release(void* p) {
    auto** u = static_cast<vt_IKvUnknown**>(p);
    (*u)->Release(u);
}

class SceneFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        live_ = LiveHostObjects();
        bad_ = RefcountImbalances();
        folder_ = ::testing::TempDir();
    }
    void TearDown() override {
        EXPECT_EQ(LiveHostObjects(), live_) << LiveHostObjectReport();
        EXPECT_EQ(RefcountImbalances(), bad_);
    }
    static void RequirePlugins() {
        if (Session::FindPluginFile("tepidon.kv").empty() || Session::FindPluginFile("kvtest.kv").empty())
            GTEST_SKIP() << "tepidon.kv or kvtest.kv not built";
    }
    // The message of a scene that must not load ("" when it loads).
    std::string Error(const std::string& text) {
        Session s;
        HostError err;
        auto scene = LoadSceneJson(s, json::parse(text), folder_, &err);
        return scene ? "" : err.message;
    }
    int64_t live_ = 0, bad_ = 0;
    std::string folder_;
};

TEST_F(SceneFileTest, BadScenesNameTheKeyAndWhatIsWrong) {
    RequirePlugins();
    const std::string m = R"("materials": {"m": {"plugin": "tepidon.kv", "server": "gooch")";
    struct Case {
        std::string scene, message;
    } cases[] = {
        {R"([1, 2])", "scene: expected an object"},
        {R"({"bogus": 1})", "scene.bogus: unknown key"},
        {R"({"materials": {"m": {"server": "gooch"}}})", "materials.m.plugin: missing"},
        {R"({"materials": {"m": {"plugin": "nope.kv", "server": "gooch"}}})", "materials.m.plugin: plug-in 'nope.kv' not found"},
        {R"({"materials": {"m": {"plugin": "tepidon.kv", "server": "goch"}}})",
         "materials.m.server: unknown material 'goch' in tepidon.kv (materials: gooch)"},
        {"{" + m + R"(, "colour": 1}}})", "materials.m.colour: unknown key"},
        {"{" + m + R"(, "channels": {"tintWarm": "hot"}}}})", "materials.m.channels.tintWarm: expected a number"},
        {"{" + m + R"(, "channels": {"warmColor": [1, 2]}}}})", "materials.m.channels.warmColor: expected an array of 3"},
        {"{" + m + R"(, "channels": {"tint": 1}}}})", "materials.m: material 'm' (gooch): no channel 'tint'"},
        {"{" + m + R"(, "drivers": {"nope": {"type": "ramp-u"}}}}})", "no channel 'nope' to drive"},
        {"{" + m + R"(, "layers": [{"value": "nope", "pattern": {"type": "ramp-u"}}]}}})",
         "packet effect has no value 'nope'"},
        {"{" + m + R"(, "layers": [{"value": "tintWarm", "pattern": {"type": "waves"}}]}}})",
         "materials.m.layers[0].pattern.type: unknown pattern 'waves'"},
        {"{" + m + R"(, "layers": [{"value": "tintWarm", "opacity": 2, "pattern": {"type": "ramp-u"}}]}}})",
         "materials.m.layers[0].opacity: must be from 0 to 1"},
        {"{" + m + R"(, "gradients": {"tintWarm": [[0, 1], [1, [1, 2, 3]]]}}}})", "materials.m.gradients.tintWarm[1]"},
        {"{" + m + R"(, "links": ["ghost"]}}})", "linked item 'ghost' does not exist"},
        {R"({"camera": {"position": [1, 1, 1], "target": [1, 1, 1]}})", "camera.target: the target must differ"},
        {R"({"camera": {"focalLen": -1}})", "camera.focalLen: must be greater than 0"},
        {R"({"items": [{"name": "c", "type": "videoClip", "image": "missing.png"}]})", "items[0].image: cannot read image"},
        {R"({"items": [{"name": "c", "type": "mesh"}]})", "items[0].type: unknown item type 'mesh'"},
        {R"({"items": [{"name": "c", "type": "locator"}, {"name": "c", "type": "locator"}]})",
         "items[1].name: an item named 'c' already exists"},
        {"{" + m + R"(}}, "items": [{"name": "m", "type": "locator"}]})", "materials.m: an item named 'm' already exists"},
    };
    for (const Case& c : cases) {
        EXPECT_NE(Error(c.scene).find(c.message), std::string::npos) << c.scene << "\n  gave: " << Error(c.scene);
    }
    EXPECT_EQ(Error("{" + m + "}}}"), "");

    Session s;
    HostError err;
    EXPECT_EQ(LoadSceneFile(s, folder_ + "/no-such-scene.json", &err), nullptr);
    EXPECT_NE(err.message.find("cannot open the scene file"), std::string::npos) << err.message;
    const std::string broken = folder_ + "/broken-scene.json";
    {
        FILE* f = std::fopen(broken.c_str(), "w");
        std::fputs("{\"materials\": {\n  \"m\": [1, 2,\n}", f);
        std::fclose(f);
    }
    EXPECT_EQ(LoadSceneFile(s, broken, &err), nullptr);
    EXPECT_NE(err.message.find("broken-scene.json: not valid JSON"), std::string::npos) << err.message;
    EXPECT_NE(err.message.find("line 3"), std::string::npos) << err.message;
}

TEST_F(SceneFileTest, ValuesDriversGradientsAndLinksReachTheItems) {
    RequirePlugins();
    Session s;
    HostError err;
    auto scene = LoadSceneJson(s, json::parse(R"({
      "materials": {
        "g": {"plugin": "tepidon.kv", "server": "gooch",
              "channels": {"useLights": true, "warmColor": [0.9, 0.5, 0.1], "tintWarm": 0.75},
              "drivers": {"coolColor": {"type": "ramp-u", "a": [0, 0, 0], "b": [1, 0.5, 0.25]}}},
        "p": {"plugin": "kvtest.kv", "server": "passthrough",
              "gradients": {"passAmount": [[1, 3], [0, 1]]}, "links": ["paper", "pin"]}},
      "items": [{"name": "paper", "type": "videoClip"}, {"name": "pin", "type": "locator", "position": [1, 2, 3]}],
      "camera": {"position": [0, 0, 5], "target": [0, 0, 0], "apertureX": 0.04},
      "render": {"width": 200, "height": 100}})"),
                               folder_, &err);
    ASSERT_NE(scene, nullptr) << err.message;
    SceneItem* g = s.scene().FindItem("g");
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->typeName(), "material.gooch");
    EXPECT_EQ(g->Value("useLights"), 1.0);
    EXPECT_DOUBLE_EQ(g->Value("warmColor.G"), 0.5);
    EXPECT_DOUBLE_EQ(g->Value("tintWarm"), 0.75);
    // Each colour component got its own driver, and the material sees them.
    const MaterialRoad& road = *scene->materials.at("g");
    EXPECT_NE(road.sampleDriven(), 0);
    const int32_t r = g->ChannelIndex("coolColor.R");
    ASSERT_GE(r, 0);
    for (int c = 0; c < 3; ++c) {
        EXPECT_GE(road.indexArray()[r + c], 0);
        EXPECT_EQ(s.nodal().drivers()[road.indexArray()[r + c]].component, uint32_t(c));
    }
    EXPECT_EQ(road.indexArray()[g->ChannelIndex("useLights")], -1);
    // The block holds the values read (tintWarm is the packet's first float).
    EXPECT_FLOAT_EQ(static_cast<const float*>(road.block())[0], 0.75f);

    SceneItem* p = s.scene().FindItem("p");
    std::vector<Key> keys = s.scene().Keys(p, uint32_t(p->ChannelIndex("passAmount")));
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_EQ(keys[0].input, 0.0);  // sorted by input
    EXPECT_EQ(keys[1].value, 3.0);

    // "shadeLoc" links in order, each handed out with a reference.
    void* graph = nullptr;
    auto** sp = s.scene().ptr();
    ASSERT_EQ(T<vt_IKvScene>(sp)->GetGraph(sp, "shadeLoc", &graph), KV_OK);
    void* ig = nullptr;
    ASSERT_EQ((*static_cast<vt_IKvUnknown**>(graph))->QueryInterface(static_cast<vt_IKvUnknown**>(graph), &kv::guid_ItemGraph, &ig), KV_OK);
    uint32_t n = 0;
    ASSERT_EQ(T<vt_IKvItemGraph>(ig)->FwdCount(ig, p->ptr(), &n), KV_OK);
    ASSERT_EQ(n, 2u);
    void* second = nullptr;
    SceneItem* pin = s.scene().FindItem("pin");
    const uint32_t pinRefs = pin->RefCount();
    ASSERT_EQ(T<vt_IKvItemGraph>(ig)->FwdByIndex(ig, p->ptr(), 1, &second), KV_OK);
    EXPECT_EQ(second, pin->ptr());
    EXPECT_EQ(pin->RefCount(), pinRefs + 1);
    EXPECT_EQ(T<vt_IKvItemGraph>(ig)->FwdByIndex(ig, p->ptr(), 2, &second), KV_E_OUTOFBOUNDS);
    Release(second);
    Release(ig);
    Release(graph);
    EXPECT_DOUBLE_EQ(pin->WorldMatrix().at(3, 1), 2.0);

    // Square pixels: apertureY follows the render size when not given.
    ASSERT_NE(s.scene().camera(), nullptr);
    EXPECT_DOUBLE_EQ(s.scene().camera()->Value("apertureY"), 0.02);
    scene.reset();
}

TEST_F(SceneFileTest, ChannelUIAnswersFollowTheItemAndAMissingChannelFailsTheLink) {
    RequirePlugins();
    Session s;
    HostError err;
    PluginLibrary* lib = s.LoadPlugin("tepidon.kv", &err);
    ASSERT_NE(lib, nullptr) << err.message;
    int items = 0;
    auto probe = [&](bool lights, const char* channel) {
        MaterialRoad::Options o;
        o.itemName = "g" + std::to_string(++items);
        o.values.push_back({"useLights", lights ? 1.0 : 0.0});
        auto road = MaterialRoad::Create(s, *lib, "gooch", o);
        EXPECT_EQ(road->Prepare(&err), KV_OK) << err.message;
        for (const ChannelUIRecord& r : road->ProbeChannelUI())
            if (r.channel == channel) return r;
        ADD_FAILURE() << channel;
        return ChannelUIRecord{};
    };
    // The switch is read through ChannelRead slot 4 from the item's current value.
    ChannelUIRecord off = probe(false, "shadows");
    EXPECT_EQ(off.enabled, KvResult(0x84800004));
    EXPECT_EQ(off.messageCode, KvResult(0x84800004));
    EXPECT_EQ(off.messageTable, "common");
    EXPECT_EQ(off.messageEntry, 99u);
    EXPECT_FALSE(off.messageArg1.empty());
    ASSERT_EQ(off.dependencies.size(), 1u);
    EXPECT_EQ(off.dependencies[0].channel, "useLights");
    EXPECT_EQ(uint32_t(off.dependencies[0].itemType), s.sceneTypes().Lookup("material.gooch"));
    EXPECT_EQ(probe(true, "shadows").enabled, KV_OK);
    EXPECT_EQ(probe(true, "tintWarm").hintFlags, (std::vector<int32_t>{4}));

    // An item without one of the linked channels: LinkChannels hands back
    // Evaluation slot 3's failure for the index -1.
    MaterialRoad::Options o;
    o.itemName = "lacking";
    o.removeChannels = {"tintCool"};
    auto road = MaterialRoad::Create(s, *lib, "gooch", o);
    EXPECT_EQ(road->Prepare(&err), KV_E_OUTOFBOUNDS);
    EXPECT_NE(err.message.find("LinkChannels failed"), std::string::npos) << err.message;
}

TEST_F(SceneFileTest, AValueOfTheWrongShapeSaysWhatItsChannelTakes) {
    RequirePlugins();
    const std::string m = R"({"materials": {"m1": {"plugin": "tepidon.kv", "server": "gooch", )";
    struct Case {
        std::string scene, message;
    } cases[] = {
        {m + R"("channels": {"coolColor": 0.5}}}})", "materials.m1.channels.coolColor: a colour takes an array of 3 numbers"},
        {m + R"("channels": {"tintCool": [1, 0, 0]}}}})", "materials.m1.channels.tintCool: takes a number, not an array"},
        {m + R"("gradients": {"warmColor": [[0, 1], [1, 0]]}}}})",
         "materials.m1.gradients.warmColor[0][1]: a colour takes an array of 3 numbers"},
        {m + R"("gradients": {"tintWarm": [[0, [1, 1, 1]]]}}}})",
         "materials.m1.gradients.tintWarm[0][1]: takes a number, not an array"},
    };
    for (const Case& c : cases) EXPECT_EQ(Error(c.scene).find(c.message), 0u) << Error(c.scene);
}

TEST_F(SceneFileTest, LinksFindMaterialsWhereverTheyStandInTheFile) {
    RequirePlugins();
    // Materials are made in key order: "aFirst" links to one made after it, and back.
    const std::string scene = R"({"materials": {
        "aFirst": {"plugin": "tepidon.kv", "server": "gooch", "links": ["zLast"]},
        "zLast": {"plugin": "tepidon.kv", "server": "gooch", "links": ["aFirst", "spot"]}},
        "items": [{"name": "spot", "type": "locator"}]})";
    Session s;
    HostError err;
    auto loaded = LoadSceneJson(s, json::parse(scene), folder_, &err);
    ASSERT_NE(loaded, nullptr) << err.message;
    const MaterialRoad& first = *loaded->materials.at("aFirst");
    ASSERT_EQ(first.item()->links().size(), 1u);
    EXPECT_EQ(first.item()->links()[0], loaded->materials.at("zLast")->item());
    EXPECT_TRUE(first.prepared() && loaded->materials.at("zLast")->prepared());
    EXPECT_EQ(loaded->materials.at("zLast")->item()->links().size(), 2u);
}

TEST_F(SceneFileTest, ClipImageStackGivesAnImageFilterInsideAMonitor) {
    // A 2 x 1 PNG: red, then blue.
    const std::string png = folder_ + "/clip-red-blue.png";
    const unsigned char px[6] = {255, 0, 0, 0, 0, 255};
    ASSERT_NE(stbi_write_png(png.c_str(), 2, 1, 3, px, 6), 0);
    Session s;
    HostError err;
    auto scene = LoadSceneJson(s, json::parse(R"({"items": [
        {"name": "clip", "type": "videoClip", "image": "clip-red-blue.png"},
        {"name": "failing", "type": "videoClip", "filter": "fail"},
        {"name": "notAFilter", "type": "videoClip", "filter": "none"}]})"),
                               folder_, &err);
    ASSERT_NE(scene, nullptr) << err.message;
    SceneItem* clip = s.scene().FindItem("clip");
    ASSERT_EQ(clip->typeCode(), s.sceneTypes().Lookup("videoClip"));
    auto* ev = new Evaluation(s.scene());
    auto** e = ev->evaluationPtr();
    auto** a = ev->attributesPtr();
    auto imageStack = [&](SceneItem* it) {
        uint32_t idx = 0;
        EXPECT_EQ(T<vt_IKvEvaluation>(e)->AddChannel(e, it->ptr(), uint32_t(it->ChannelIndex("imageStack")), 1, &idx), KV_OK);
        void* obj = nullptr;
        EXPECT_EQ(T<vt_IKvAttributes>(a)->Value(a, idx, &obj, 0), KV_OK);
        return obj;
    };

    // The dialog service as a plug-in finds it, with a monitor from slot 4.
    void* dlg = nullptr;
    auto** root = s.root().ptr();
    ASSERT_EQ((*root)->QueryInterface(root, &kv::guid_StdDialogService, &dlg), KV_OK);
    T<vt_IKvStdDialogService>(dlg)->MonitorRelease(dlg);  // a close without an open is tolerated
    EXPECT_EQ(s.dialogs().openMonitors(), 0);
    void* monitor = nullptr;
    ASSERT_EQ(T<vt_IKvStdDialogService>(dlg)->MonitorAllocate(dlg, "XToon Image", &monitor), KV_OK);
    void* asMonitor = nullptr;
    ASSERT_EQ((*static_cast<vt_IKvUnknown**>(monitor))->QueryInterface(static_cast<vt_IKvUnknown**>(monitor), &kv::guid_Monitor, &asMonitor), KV_OK);
    Release(asMonitor);

    void* obj = imageStack(clip);
    void* filter = nullptr;
    ASSERT_EQ((*static_cast<vt_IKvUnknown**>(obj))->QueryInterface(static_cast<vt_IKvUnknown**>(obj), &kv::guid_ImageFilter, &filter), KV_OK);
    void* image = nullptr;
    ASSERT_EQ(T<vt_IKvImageFilter>(filter)->Generate(filter, 4, 2, static_cast<vt_IKvUnknown**>(monitor), &image), KV_OK);
    void* img = nullptr;
    ASSERT_EQ((*static_cast<vt_IKvUnknown**>(image))->QueryInterface(static_cast<vt_IKvUnknown**>(image), &kv::guid_Image, &img), KV_OK);
    uint32_t w = 0, h = 0;
    T<vt_IKvImage>(img)->Size(img, &w, &h);
    EXPECT_EQ(w, 4u);
    EXPECT_EQ(h, 2u);
    float left[4], right[4], untouched[4] = {7, 7, 7, 7};
    ASSERT_EQ(T<vt_IKvImage>(img)->GetPixel(img, 0, 1, KV_IMAGE_RGBA_FP, left), KV_OK);
    ASSERT_EQ(T<vt_IKvImage>(img)->GetPixel(img, 3, 0, KV_IMAGE_RGBA_FP, right), KV_OK);
    EXPECT_FLOAT_EQ(left[0], 1.0f);
    EXPECT_FLOAT_EQ(right[2], 1.0f);
    EXPECT_FLOAT_EQ(left[3], 1.0f);
    EXPECT_EQ(T<vt_IKvImage>(img)->GetPixel(img, 4, 0, KV_IMAGE_RGBA_FP, untouched), KV_E_OUTOFBOUNDS);
    EXPECT_EQ(untouched[0], 7.0f);
    EXPECT_NE(T<vt_IKvImageFilter>(filter)->Generate(filter, 0, 2, nullptr, &image), KV_OK);
    for (void* o : {img, image, filter, obj}) Release(o);
    T<vt_IKvStdDialogService>(dlg)->MonitorRelease(dlg);
    Release(monitor);
    std::vector<StdDialogService::Event> events = s.dialogs().events();
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[1].kind, StdDialogService::Event::Open);
    EXPECT_EQ(events[1].title, "XToon Image");
    EXPECT_EQ(s.dialogs().openMonitors(), 0);
    Release(dlg);

    // The test variants: a filter that fails, a value that is no filter.
    obj = imageStack(s.scene().FindItem("failing"));
    ASSERT_EQ((*static_cast<vt_IKvUnknown**>(obj))->QueryInterface(static_cast<vt_IKvUnknown**>(obj), &kv::guid_ImageFilter, &filter), KV_OK);
    image = nullptr;
    EXPECT_LT(T<vt_IKvImageFilter>(filter)->Generate(filter, 8, 8, nullptr, &image), 0);
    EXPECT_EQ(image, nullptr);
    Release(filter);
    Release(obj);
    obj = imageStack(s.scene().FindItem("notAFilter"));
    filter = nullptr;
    EXPECT_EQ((*static_cast<vt_IKvUnknown**>(obj))->QueryInterface(static_cast<vt_IKvUnknown**>(obj), &kv::guid_ImageFilter, &filter), KV_E_NOINTERFACE);
    Release(obj);
    ev->ReleaseOwned();
}

}  // namespace
}  // namespace kvh
