// The halftone servers driven through the stand-in host's road: servers,
// channels, links, the read, per-sample evaluation and the channel interface.
#include <cmath>
#include <cstring>
#include <iterator>

#include "core/scene_objects.h"
#include "halftone_road.h"
#include "testing/effect_table_check.h"

namespace Halftone2_Shader::test {
namespace {

using kvh::ChannelKind;
using kvh::MaterialRoad;

constexpr double kPi = 3.14159265358979323846;

TEST_F(HalftoneRoadTest, ServersPacketAndEffectTable) {
    kvt::ExpectShaderServers(*lib_, {"halftone2", "Halftone2 Shader"},
                             {"halftone2.shader.packet", "Halftone2 Shader Packet"},
                             {"Halftone2", "Halftone2 Packet FX"});

    MaterialRoad* road = Road();
    ASSERT_TRUE(road);
    kvt::ExpectMaterialPacketAndFlags(*road, "halftone2.shader.packet", 0x801);
    const int32_t index = host_.session->Layout().IndexAtOffset(PacketOffset());
    ASSERT_GE(index, 0);
    EXPECT_EQ(host_.session->Layout().packets()[uint32_t(index)].size, 104u);
    // A fresh packet holds the screen's geometry and colour only.
    Shade(*road, {});  // makes the pool
    kvh::VectorPool fresh(host_.session->Layout());
    const auto* p = static_cast<const st_KVpHalftone*>(fresh.BeginSample(0, 0, 0, 0, 0).PacketAt(PacketOffset()));
    ASSERT_TRUE(p);
    EXPECT_EQ(p->cellAngle, 0.0f);
    EXPECT_EQ(p->sinAngle, 0.0f);
    EXPECT_EQ(p->cosAngle, 1.0f);
    EXPECT_EQ(p->cellOffset, 0.0f);
    EXPECT_EQ(p->tiles, 64.0f);
    EXPECT_EQ(p->patColor[2], 0.0f);

    kvh::ComRef obj;
    ASSERT_EQ(lib_->Generate("Halftone2", &obj), KV_OK);
    kvh::ComRef fx = obj.Query(kv::guid_PacketEffect);
    ASSERT_TRUE(fx);
    const auto* t = fx.table<vt_IKvPacketEffect>();
    const char* packetName = nullptr;
    EXPECT_EQ(t->Packet(fx.get(), &packetName), KV_OK);
    EXPECT_STREQ(packetName, "halftone2.shader.packet");
    struct Row {
        const char* name;
        const char* type;
        unsigned word;
    };
    const Row rows[] = {{"halftone2CellOffset", "float", 3},   {"halftone2Color", "color1", 5},
                        {"halftone2Tiles", "float", 4},        {"halftone2Angle", "angle", 0},
                        {"halftone2SeeThough", "percent", 9},  {"halftone2Shadows", "percent", 12},
                        {"halftone2Alpha", "percent", 8},      {"halftone2ShadingLevel", "percent", 17},
                        {"halftone2SpecularLevel", "percent", 19}, {"halftone2Bright", "percent", 10},
                        {"halftone2Contrast", "percent", 11}};
    ASSERT_EQ(t->Count(fx.get()), std::size(rows));
    for (int i = 0; i < int(std::size(rows)); ++i) {
        const char *name = nullptr, *type = nullptr;
        int32_t flags = 0;
        EXPECT_EQ(t->ByIndex(fx.get(), i, &name, &type, &flags), KV_OK);
        EXPECT_STREQ(name, rows[i].name);
        EXPECT_STREQ(type, rows[i].type);
        EXPECT_EQ(flags, i == 1 ? 0x31 : 0x30) << rows[i].name;
        float packet[26] = {};
        const float in[3] = {0.25f, 0.5f, 0.75f};
        EXPECT_EQ(t->Set(fx.get(), i, packet, in, nullptr), KV_OK);
        EXPECT_EQ(packet[rows[i].word], 0.25f) << rows[i].name;
        float got[3] = {};
        EXPECT_EQ(t->Get(fx.get(), i, packet, got, nullptr), KV_OK);
        EXPECT_EQ(got[0], 0.25f);
        EXPECT_EQ(got[2], i == 1 ? 0.75f : 0.0f) << rows[i].name;
    }
    // The angle keeps its sine and cosine.
    st_KVpHalftone packet{};
    const float angle = float(kPi / 2);
    EXPECT_EQ(t->Set(fx.get(), 3, &packet, &angle, nullptr), KV_OK);
    EXPECT_EQ(packet.sinAngle, 1.0f);
    EXPECT_NEAR(packet.cosAngle, 0.0f, 1e-7);
    // Indices outside the table, negative ones included, touch nothing.
    kvt::ExpectOutsideRowsIgnored(fx.get(), packet, {-1, -100, 11, 1000});
}

TEST_F(HalftoneRoadTest, ChannelsDefaultsAndHints) {
    MaterialRoad* road = Road();
    ASSERT_TRUE(road);
    EXPECT_EQ(road->item()->typeName(), "material.halftone2");
    struct Row {
        const char* name;
        const char* type;
        double dflt;
    };
    const Row want[] = {
        {"cellPattern", "integer", 3},   {"specPattern", "integer", 0},   {"screenCoords", "boolean", 1},
        {"drawSpecular", "boolean", 1},  {"screenMode", "integer", 0},    {"colorMode", "integer", 0},
        {"cellTiles", "float", 64},      {"cellAngle", "angle", 0},       {"zScale", "percent", 0.02},
        {"patColor.R", "color1", 0},     {"patColor.G", "color1", 0},     {"patColor.B", "color1", 0},
        {"seeThrough", "percent", 0},    {"brightness", "percent", 0},    {"contrast", "percent", 0},
        {"shadows", "percent", 0},       {"indirectLight", "percent", 0}, {"patAlpha", "percent", 1},
        {"replaceShading", "percent", 0}, {"replaceSpecular", "percent", 0}, {"shadingLevel", "percent", 1},
        {"specularLevel", "percent", 1}, {"uvOffset", "percent", 0},      {"sfReflection", "float", 0},
        {"sfForeshort", "float", 0},     {"zMin", "distance", 0},         {"zMax", "distance", 10},
        {"reflection", "percent", 0},    {"specular", "percent", 1},      {"nprDiffuse", "percent", 0},
        {"nprSpecular", "percent", 1},
    };
    const auto& ch = road->item()->channels();
    ASSERT_EQ(ch.size(), std::size(want));
    for (size_t i = 0; i < ch.size(); ++i) {
        EXPECT_EQ(ch[i].name, want[i].name);
        EXPECT_EQ(ch[i].typeName, want[i].type) << want[i].name;
        EXPECT_DOUBLE_EQ(ch[i].defaultValue, want[i].dflt) << want[i].name;
    }
    EXPECT_EQ(ch[0].kind, ChannelKind::Integer);
    EXPECT_EQ(ch[2].kind, ChannelKind::Boolean);
    for (size_t popup : {0u, 1u}) {
        ASSERT_EQ(ch[popup].hints.size(), 12u);
        EXPECT_EQ(ch[popup].hints[3].text, "adaptive");
        EXPECT_EQ(ch[popup].hints[9].text, "diamCheck");
        EXPECT_EQ(ch[popup].hints[10].text, "=halftone2-pattern");
        EXPECT_EQ(ch[popup].hints[10].value, -1);
    }
    EXPECT_EQ(ch[4].hints[2].text, "=npr-screenmode");
    EXPECT_EQ(ch[5].hints[3].text, "=npr-colormode");

    const std::vector<kvh::ChannelUIRecord> ui = road->ProbeChannelUI();
    for (const kvh::ChannelUIRecord& r : ui) {
        const bool hinted = r.channel.rfind("patColor", 0) == 0 || r.channel == "patAlpha" ||
                            r.channel == "cellTiles" || r.channel == "cellAngle" || r.channel == "uvOffset";
        if (hinted) {
            EXPECT_EQ(r.hintsResult, KV_OK) << r.channel;
            EXPECT_EQ(r.hintFlags, std::vector<int32_t>{4}) << r.channel;
        } else {
            EXPECT_EQ(r.hintsResult, KV_E_NOTIMPL) << r.channel;
            EXPECT_TRUE(r.hintFlags.empty()) << r.channel;
        }
    }
}

// The material's channels on a fresh item, linked into a fresh evaluation.
struct DirectLink {
    kvh::ComRef material;
    std::vector<kvh::Channel> channels;

    explicit DirectLink(kvh::PluginLibrary& lib) {
        kvh::ComRef obj;
        if (lib.Generate("halftone2", &obj) != KV_OK) return;
        material = obj.Query(kv::guid_CustomMaterial);
        auto* builder = new kvh::ChannelBuilder();
        material.table<vt_IKvCustomMaterial>()->SetupChannels(material.get(), builder->ptr());
        channels = builder->Build();
        builder->ReleaseOwned();
    }
    KvResult Link(kvh::Evaluation& ev, kvh::SceneItem& item) {
        return material.table<vt_IKvCustomMaterial>()->LinkChannels(material.get(), ev.evaluationPtr(), item.ptr());
    }
};

// Camera x right, y down, z forward, at (0, 0, 5) looking down -z.
kvh::Mat4 CameraAtFive() {
    const double x[3] = {1, 0, 0}, y[3] = {0, -1, 0}, z[3] = {0, 0, -1}, p[3] = {0, 0, 5};
    return kvh::Mat4::Frame(x, y, z, p);
}

TEST_F(HalftoneRoadTest, LinksChannelsThenCameraThenLocators) {
    DirectLink m(*lib_);
    ASSERT_TRUE(m.material);
    kvh::Scene& scene = Scene();
    kvh::SceneItem* item = scene.CreateItem("mat", "material.halftone2", m.channels);
    // Without a camera or a "shadeLoc" link: the 31 material links only.
    auto* ev = new kvh::Evaluation(scene);
    ASSERT_EQ(m.Link(*ev, *item), KV_OK);
    const char* linkOrder[] = {
        "cellPattern",  "specPattern", "screenCoords", "screenMode",      "drawSpecular",    "colorMode",
        "cellTiles",    "cellAngle",   "zScale",       "patColor.R",      "patColor.G",      "patColor.B",
        "seeThrough",   "brightness",  "contrast",     "shadows",         "patAlpha",        "replaceShading",
        "replaceSpecular", "indirectLight", "shadingLevel", "specularLevel", "uvOffset",     "sfReflection",
        "sfForeshort",  "zMax",        "zMin",         "specular",        "reflection",      "nprDiffuse",
        "nprSpecular"};
    ASSERT_EQ(ev->entries.size(), 31u);
    for (size_t i = 0; i < 31; ++i) {
        EXPECT_EQ(item->channels()[ev->entries[i].channel].name, linkOrder[i]);
        EXPECT_EQ(ev->entries[i].mode, KV_EVAL_VALUE);
    }
    ev->ReleaseOwned();

    // A camera, two locators and a clip: the camera's five channels, then
    // each locator's world matrix; the clip is no locator.
    kvh::SceneItem* camera = scene.CreateCamera("cam", 0.05, 0.036, 0.024, 4.0, CameraAtFive());
    kvh::SceneItem* a = scene.CreateLocator("a", kvh::Mat4::Translation(1, 0, 0));
    kvh::SceneItem* clip = scene.CreateClip("clip", nullptr);
    kvh::SceneItem* b = scene.CreateLocator("b", kvh::Mat4::Translation(0, 1, 0));
    item->links() = {a, clip, b};
    ev = new kvh::Evaluation(scene);
    ASSERT_EQ(m.Link(*ev, *item), KV_OK);
    ASSERT_EQ(ev->entries.size(), 31u + 5u + 2u);
    const char* cameraOrder[] = {"focusDist", "apertureX", "apertureY", "focalLen", "worldMatrix"};
    for (size_t i = 0; i < 5; ++i) {
        const kvh::Evaluation::Entry& e = ev->entries[31 + i];
        EXPECT_EQ(e.item, camera);
        EXPECT_EQ(camera->channels()[e.channel].name, cameraOrder[i]);
        EXPECT_EQ(e.mode, i == 4 ? KV_EVAL_MATRIX : KV_EVAL_VALUE);
    }
    EXPECT_EQ(ev->entries[36].item, a);
    EXPECT_EQ(ev->entries[37].item, b);
    EXPECT_EQ(ev->entries[37].mode, KV_EVAL_MATRIX);
    ev->ReleaseOwned();

    // A missing channel: the links before it stay, the host's code comes back.
    std::erase_if(m.channels, [](const kvh::Channel& c) { return c.name == "contrast"; });
    kvh::SceneItem* partial = scene.CreateItem("partial", "material.halftone2", m.channels);
    ev = new kvh::Evaluation(scene);
    EXPECT_EQ(m.Link(*ev, *partial), KV_E_OUTOFBOUNDS);
    EXPECT_EQ(ev->entries.size(), 14u);
    ev->ReleaseOwned();
}

TEST_F(HalftoneRoadTest, ReadFillsTheBlock) {
    MaterialRoad::Options o;
    o.values = {{"cellPattern", 12},       {"specPattern", -1},       {"screenCoords", 0},
                {"screenMode", 1},         {"drawSpecular", 0},       {"colorMode", 7},
                {"cellTiles", 12.5},       {"cellAngle", kPi / 2},    {"zScale", 0.5},
                {"patColor.R", 0.1},       {"patColor.G", 0.2},       {"patColor.B", 0.3},
                {"seeThrough", 0.4},       {"brightness", 0.15},      {"contrast", -0.25},
                {"shadows", 0.6},          {"indirectLight", 0.7},    {"patAlpha", 0.8},
                {"replaceShading", 0.9},   {"replaceSpecular", 0.35}, {"shadingLevel", 0.45},
                {"specularLevel", 0.55},   {"uvOffset", 0.65},        {"sfReflection", 1.5},
                {"sfForeshort", -2.5},     {"zMin", 2.0},             {"zMax", 20.0},
                {"specular", -3.0},        {"reflection", 0.75}};
    MaterialRoad* road = Road(o);
    ASSERT_TRUE(road);
    const HalftoneBlock& b = Block(*road);
    EXPECT_EQ(b.cellPattern, 12);  // the shading clamps it
    EXPECT_EQ(b.specPattern, -1);
    EXPECT_EQ(b.colorMode, 2);
    EXPECT_FALSE(b.screenCoords);
    EXPECT_EQ(b.screenMode, 1);
    EXPECT_EQ(b.drawSpecular, 0);
    EXPECT_EQ(b.tiles, 12.5f);
    EXPECT_EQ(b.cellAngle, float(kPi / 2));
    EXPECT_EQ(b.sinAngle, 1.0f);
    EXPECT_NEAR(b.cosAngle, 0.0f, 1e-7);
    EXPECT_EQ(b.zScale, 0.5f);
    EXPECT_EQ(b.patColor[2], 0.3f);
    EXPECT_EQ(b.seeThrough, 0.4f);
    EXPECT_EQ(b.brightness, 0.15f);
    EXPECT_EQ(b.contrast, -0.25f);
    EXPECT_EQ(b.shadows, 0.6f);
    EXPECT_EQ(b.indirectLight, 0.7f);
    EXPECT_EQ(b.patAlpha, 0.8f);
    EXPECT_EQ(b.replaceShading, 0.9f);
    EXPECT_EQ(b.replaceSpecular, 0.35f);
    EXPECT_EQ(b.shadingLevel, 0.45f);
    EXPECT_EQ(b.specularLevel, 0.55f);
    EXPECT_EQ(b.cellOffset, 0.65f);
    EXPECT_EQ(b.sfReflection, 1.5f);
    EXPECT_EQ(b.sfForeshort, -2.5f);
    EXPECT_EQ(b.zMin, 2.0f);
    EXPECT_EQ(b.zMax, 20.0f);
    EXPECT_EQ(b.specular, 0.0f);
    EXPECT_EQ(b.reflection, 0.75f);
    // No camera: focal length -1, focus distance 1.
    EXPECT_EQ(b.focalLen, -1.0f);
    EXPECT_EQ(b.focusDist, 1.0f);

    MaterialRoad::Options neg;
    neg.values = {{"colorMode", -3}, {"reflection", -1.0}};
    MaterialRoad* r2 = Road(neg);
    ASSERT_TRUE(r2);
    EXPECT_EQ(Block(*r2).colorMode, 0);
    EXPECT_EQ(Block(*r2).reflection, 0.0f);
    EXPECT_EQ(Block(*r2).specular, 1.0f);
    EXPECT_TRUE(Block(*r2).screenCoords);
    EXPECT_EQ(Block(*r2).drawSpecular, 1);

    // With the render camera: its lens.
    Scene().CreateCamera("cam", 0.05, 0.036, 0.024, 4.0, CameraAtFive());
    MaterialRoad* r3 = Road();
    ASSERT_TRUE(r3);
    EXPECT_EQ(Block(*r3).focalLen, 0.05f);
    EXPECT_EQ(Block(*r3).apertureX, 0.036f);
    EXPECT_EQ(Block(*r3).apertureY, 0.024f);
    EXPECT_EQ(Block(*r3).focusDist, 4.0f);
}

TEST_F(HalftoneRoadTest, PerSampleChannelsDriveTheirPacketFields) {
    auto& regs = host_.session->nodal().registrations;
    const size_t before = regs.size();
    MaterialRoad* plain = Road();
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->sampleDriven(), 0);
    // cellTiles to reflection with mode 1, then nprDiffuse and nprSpecular with mode 2.
    const uint32_t items[] = {6,  7,  8,  9,  10, 11, 12, 13, 14, 15, 17, 18, 19,
                              16, 20, 21, 22, 23, 24, 26, 25, 28, 27, 29, 30};
    ASSERT_EQ(regs.size() - before, std::size(items));
    for (size_t i = 0; i < std::size(items); ++i) {
        EXPECT_EQ(regs[before + i].channel, items[i]) << i;
        EXPECT_EQ(regs[before + i].mode, i < 23 ? 1 : 2) << i;
    }

    // Every driven channel, each with its own value (a constant pattern).
    struct Drive {
        const char* channel;
        size_t word;  // packet field, or 99 when the packet does not take it
    };
    const Drive drives[] = {
        {"cellTiles", 4},        {"cellAngle", 0},        {"zScale", 20},         {"patColor.R", 5},
        {"patColor.G", 6},       {"patColor.B", 7},       {"seeThrough", 9},      {"brightness", 10},
        {"contrast", 11},        {"shadows", 12},         {"patAlpha", 8},        {"replaceShading", 16},
        {"replaceSpecular", 18}, {"indirectLight", 13},   {"shadingLevel", 17},   {"specularLevel", 19},
        {"sfReflection", 24},    {"sfForeshort", 25},     {"zMax", 23},           {"zMin", 22},
        {"specular", 14},        {"reflection", 15},      {"uvOffset", 99},
    };
    MaterialRoad::Options o;
    o.values = {{"uvOffset", 0.125}};
    for (size_t i = 0; i < std::size(drives); ++i) {
        kvh::Pattern p;
        p.a[0] = p.a[1] = p.a[2] = float(i + 1) / 64.0f;
        o.drivers.push_back({drives[i].channel, p});
    }
    MaterialRoad* driven = Road(o);
    ASSERT_TRUE(driven);
    EXPECT_EQ(driven->sampleDriven(), 1);
    const Shaded s = Shade(*driven, {});
    float words[26];
    std::memcpy(words, &s.packet, sizeof words);
    for (size_t i = 0; i < std::size(drives); ++i) {
        if (drives[i].word == 99) continue;
        EXPECT_EQ(words[drives[i].word], float(i + 1) / 64.0f) << drives[i].channel;
    }
    // The cell offset is the read value; sine and cosine follow the driven angle.
    EXPECT_EQ(s.packet.cellOffset, 0.125f);
    EXPECT_EQ(s.packet.sinAngle, float(std::sin(double(2.0f / 64.0f))));
    EXPECT_EQ(s.packet.cosAngle, float(std::cos(double(2.0f / 64.0f))));
    EXPECT_EQ(s.packet.reserved, kReservedMark);  // field 21 untouched

    // Only specular driven: the last per-sample channel still counts.
    MaterialRoad::Options spec;
    kvh::Pattern p;
    p.a[0] = 0.5f;
    spec.drivers = {{"specular", p}};
    MaterialRoad* r = Road(spec);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->sampleDriven(), 1);
}

TEST_F(HalftoneRoadTest, ChannelInterfaceMessagesAndDependencies) {
    auto probe = [&](std::vector<kvh::ChannelValue> values) {
        MaterialRoad::Options o;
        o.values = std::move(values);
        MaterialRoad* road = Road(o);
        return road ? road->ProbeChannelUI() : std::vector<kvh::ChannelUIRecord>{};
    };
    const char* screenOnly = "This only applies when Screen Coordinates are used.";
    const char* flowOnly = "This only applies when Surface Flow is on.";
    const char* six[] = {"zScale", "sfForeshort", "sfReflection", "zMin", "zMax", "screenMode"};
    const char* flow[] = {"sfForeshort", "sfReflection", "zMin", "zMax"};

    auto off = probe({{"screenCoords", 0}});
    for (const char* c : six) EXPECT_TRUE(kvt::DisabledWith(kvt::UiOf(off, c), screenOnly)) << c;
    EXPECT_EQ(kvt::UiOf(off, "cellTiles").enabled, KV_OK);
    EXPECT_EQ(kvt::UiOf(off, "patColor.R").enabled, KV_OK);

    auto projection = probe({{"screenCoords", 1}, {"screenMode", 0}});
    for (const char* c : flow) EXPECT_TRUE(kvt::DisabledWith(kvt::UiOf(projection, c), flowOnly)) << c;
    EXPECT_EQ(kvt::UiOf(projection, "zScale").enabled, KV_OK);
    EXPECT_EQ(kvt::UiOf(projection, "screenMode").enabled, KV_OK);

    auto surfaceFlow = probe({{"screenMode", 1}});
    for (const char* c : six) EXPECT_EQ(kvt::UiOf(surfaceFlow, c).enabled, KV_OK) << c;
    auto otherMode = probe({{"screenMode", 2}});
    EXPECT_TRUE(kvt::DisabledWith(kvt::UiOf(otherMode, "zMax"), flowOnly));

    // Dependencies: the four surface-flow channels name screenMode at index
    // 0 and screenCoords after; zScale and screenMode name screenCoords.
    for (const char* c : flow) {
        const auto& r = kvt::UiOf(surfaceFlow, c);
        EXPECT_EQ(r.dependencyCount, 2u) << c;
        ASSERT_GE(r.dependencies.size(), 2u) << c;
        EXPECT_EQ(r.dependencies[0].channel, "screenMode");
        EXPECT_EQ(r.dependencies[1].channel, "screenCoords");
        EXPECT_EQ(r.dependencies[0].itemType, r.dependencies[1].itemType);
        EXPECT_NE(r.dependencies[0].itemType, 0);
    }
    for (const char* c : {"zScale", "screenMode"}) {
        const auto& r = kvt::UiOf(surfaceFlow, c);
        EXPECT_EQ(r.dependencyCount, 1u) << c;
        for (const auto& d : r.dependencies) EXPECT_EQ(d.channel, "screenCoords") << c;
    }
    EXPECT_EQ(kvt::UiOf(surfaceFlow, "cellTiles").dependencyCount, 0u);
    kvh::ComRef obj;
    ASSERT_EQ(lib_->Generate("halftone2", &obj), KV_OK);
    kvh::ComRef ui = obj.Query(kv::guid_ChannelUI);
    ASSERT_TRUE(ui);
    const auto* t = ui.table<vt_IKvChannelUI>();
    int32_t type = 0;
    const char* dep = nullptr;
    EXPECT_EQ(t->DependencyByIndex(ui.get(), "zMin", 1, &type, &dep), KV_OK);
    EXPECT_STREQ(dep, "screenCoords");
    EXPECT_EQ(t->DependencyByIndex(ui.get(), "zMin", 5, &type, &dep), KV_OK);
    EXPECT_STREQ(dep, "screenCoords");
    EXPECT_EQ(t->DependencyByIndex(ui.get(), "zMin", 0, &type, &dep), KV_OK);
    EXPECT_STREQ(dep, "screenMode");
    EXPECT_EQ(t->DependencyByIndex(ui.get(), "cellTiles", 0, &type, &dep), KV_E_OUTOFBOUNDS);
}

}  // namespace
}  // namespace Halftone2_Shader::test
