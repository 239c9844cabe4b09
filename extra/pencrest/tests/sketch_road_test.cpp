// The sketch-tone servers driven through the stand-in host's road: tables,
// defaults, per-sample driving, the packet effect and the channel interface.
#include "sketch_road.h"
#include "testing/effect_table_check.h"

namespace SketchTone_Shader::test {
namespace {

using kvh::MaterialRoad;
constexpr double kPi = 3.141592653589793;

TEST_F(SketchRoadTest, ServersChannelsAndDefaults) {
    kvt::ExpectShaderServers(*lib_, {"sketchtone", "SketchTone Shader"},
                             {"sketchtone.shader.packet", "SketchTone Shader Packet"},
                             {"SketchTone", "SketchTone Packet FX"});

    MaterialRoad* road = Road();
    ASSERT_TRUE(road);
    kvt::ExpectMaterialPacketAndFlags(*road, "sketchtone.shader.packet", 0x803);

    const auto& ch = road->item()->channels();
    const char* names[] = {"sketchTiles", "sketchAngle", "specular", "screenCoords", "zScale", "patColor.R",
                           "patColor.G", "patColor.B", "patAlpha", "seeThrough", "brightness", "contrast",
                           "shadows", "indirectLight", "replaceShading", "replaceSpecular", "shadingLevel",
                           "specularLevel", "uvOffset", "sfReflection", "sfForeshort", "zMin", "zMax",
                           "screenMode", "reflection", "colorMode", "replaceSketchMap", "sketchMapLevel"};
    ASSERT_EQ(ch.size(), 28u);
    for (size_t i = 0; i < ch.size(); ++i) EXPECT_EQ(ch[i].name, names[i]);
    EXPECT_EQ(ch[1].typeName, "angle");
    EXPECT_EQ(ch[2].value, 0.0);  // specular: the floating default of a percent
    EXPECT_EQ(ch[3].kind, kvh::ChannelKind::Boolean);
    EXPECT_EQ(ch[3].value, 1.0);  // screenCoords on
    EXPECT_EQ(ch[21].typeName, "distance");
    ASSERT_EQ(ch[23].hints.size(), 4u);
    EXPECT_EQ(ch[23].hints[1].text, "surfaceFlow");
    EXPECT_EQ(ch[23].hints[2].text, "=npr-screenmode");
    ASSERT_EQ(ch[25].hints.size(), 5u);
    EXPECT_EQ(ch[25].hints[2].text, "scratch");
    EXPECT_EQ(ch[25].hints[3].text, "=npr-colormode");

    const SketchToneBlock& b = Block(*road);
    EXPECT_EQ(b.packet.tiles, 16.0f);
    EXPECT_EQ(b.packet.cosine, 1.0f);
    EXPECT_FLOAT_EQ(b.packet.zScale, 0.02f);
    EXPECT_EQ(b.packet.patAlpha, 1.0f);
    EXPECT_EQ(b.packet.indirectLight, 1.0f);
    EXPECT_EQ(b.packet.shadingLevel, 1.0f);
    EXPECT_EQ(b.packet.zMax, 10.0f);
    EXPECT_EQ(b.packet.sketchMapLevel, 0.5f);
    EXPECT_EQ(b.screenCoords, 1);
    EXPECT_EQ(b.colorMode, 0);
    EXPECT_EQ(b.screenMode, 0);
    EXPECT_EQ(b.replaceSketchMap, 0);
    // No camera in the scene.
    EXPECT_EQ(b.focalLen, -1.0f);
    EXPECT_EQ(b.focusDist, 1.0f);

    // The read angle's sine and cosine; uvOffset becomes the tile offset.
    MaterialRoad* turned = Road({{"sketchAngle", kPi / 6}, {"uvOffset", 0.25}, {"colorMode", 2.0}});
    ASSERT_TRUE(turned);
    EXPECT_FLOAT_EQ(Block(*turned).packet.sine, 0.5f);
    EXPECT_FLOAT_EQ(Block(*turned).packet.cosine, float(std::sqrt(3.0) / 2));
    EXPECT_EQ(Block(*turned).packet.tileOffset, 0.25f);
    EXPECT_EQ(Block(*turned).colorMode, 2);
}

TEST_F(SketchRoadTest, FreshPacketAndEffectValues) {
    MaterialRoad* road = Road();
    ASSERT_TRUE(road);
    const int32_t index = host_.session->Layout().IndexAtOffset(PacketOffset());
    ASSERT_GE(index, 0);
    EXPECT_EQ(host_.session->Layout().packets()[uint32_t(index)].size, 108u);
    Sample s;
    kvh::SampleVector& v = Vector(s);
    auto* fresh = static_cast<st_KVpSketchTone*>(v.PacketAt(PacketOffset()));
    std::memset(fresh, 0x7f, sizeof *fresh);
    Pool().InitializePluginPackets(v);
    EXPECT_EQ(fresh->angle, 0.0f);
    EXPECT_EQ(fresh->sine, 0.0f);
    EXPECT_EQ(fresh->cosine, 1.0f);
    EXPECT_EQ(fresh->tileOffset, 0.0f);
    EXPECT_EQ(fresh->tiles, 8.0f);
    EXPECT_EQ(fresh->patColor[2], 0.0f);
    EXPECT_EQ(fresh->patAlpha, 1.0f);
    uint32_t untouched = 0;
    std::memcpy(&untouched, &fresh->seeThrough, sizeof untouched);
    EXPECT_EQ(untouched, 0x7f7f7f7fu);  // fields 9 to 26 are left alone

    kvh::ComRef obj;
    ASSERT_EQ(lib_->Generate("SketchTone", &obj), KV_OK);
    kvh::ComRef fx = obj.Query(kv::guid_PacketEffect);
    ASSERT_TRUE(fx);
    const char* packetName = nullptr;
    const auto* t = fx.table<vt_IKvPacketEffect>();
    ASSERT_EQ(t->Packet(fx.get(), &packetName), KV_OK);
    EXPECT_STREQ(packetName, "sketchtone.shader.packet");
    // Every value but the angle, which converts: checked below.
    const std::vector<kvt::EffectRow> rows = {
        {"sketchTileOffset", "float", KV_PFX_FLAG_FLOAT, 3},   {"sketchColor", "color1", KV_PFX_FLAG_COLOR, 5},
        {"sketchTiles", "float", KV_PFX_FLAG_FLOAT, 4},
    };
    const std::vector<kvt::EffectRow> tail = {
        {"sketchSpecular", "percent", KV_PFX_FLAG_FLOAT, 14}, {"sketchSeeThough", "percent", KV_PFX_FLAG_FLOAT, 9},
        {"sketchShadows", "percent", KV_PFX_FLAG_FLOAT, 12},  {"sketchAlpha", "percent", KV_PFX_FLAG_FLOAT, 8},
        {"sketchShadingLevel", "percent", KV_PFX_FLAG_FLOAT, 17},
        {"sketchSpecularLevel", "percent", KV_PFX_FLAG_FLOAT, 19},
        {"sketchBright", "percent", KV_PFX_FLAG_FLOAT, 10},   {"sketchContrast", "percent", KV_PFX_FLAG_FLOAT, 11},
        {"sketchMapLevel", "percent", KV_PFX_FLAG_FLOAT, 26},
    };
    ASSERT_EQ(t->Count(fx.get()), 13u);
    for (size_t i = 0; i < 13; ++i) {
        if (i == 3) continue;
        const kvt::EffectRow& row = i < 3 ? rows[i] : tail[i - 4];
        const char *name = nullptr, *type = nullptr;
        int32_t flags = 0;
        ASSERT_EQ(t->ByIndex(fx.get(), int32_t(i), &name, &type, &flags), KV_OK);
        EXPECT_STREQ(name, row.name);
        EXPECT_STREQ(type, row.type);
        EXPECT_EQ(flags, row.flags);
        float packet[27] = {};
        const float in[3] = {i + 0.25f, i + 0.5f, i + 0.75f};
        ASSERT_EQ(t->Set(fx.get(), int32_t(i), packet, in, nullptr), KV_OK);
        const size_t n = row.flags == KV_PFX_FLAG_COLOR ? 3 : 1;
        for (size_t w = 0; w < 27; ++w)
            EXPECT_EQ(packet[w], w >= row.word && w < row.word + n ? in[w - row.word] : 0.0f) << row.name << " " << w;
        float got[3] = {};
        ASSERT_EQ(t->Get(fx.get(), int32_t(i), packet, got, nullptr), KV_OK);
        EXPECT_EQ(got[n - 1], in[n - 1]);
    }

    // "sketchAngle" in fractions of pi, keeping sine and cosine in step.
    const char *name = nullptr, *type = nullptr;
    int32_t flags = 0;
    ASSERT_EQ(t->ByIndex(fx.get(), 3, &name, &type, &flags), KV_OK);
    EXPECT_STREQ(name, "sketchAngle");
    EXPECT_STREQ(type, "percent");
    st_KVpSketchTone p{};
    p.angle = float(kPi / 2);
    float value = 0.0f;
    ASSERT_EQ(t->Get(fx.get(), 3, &p, &value, nullptr), KV_OK);
    EXPECT_FLOAT_EQ(value, 0.5f);
    const float one = 1.0f;
    ASSERT_EQ(t->Set(fx.get(), 3, &p, &one, nullptr), KV_OK);
    EXPECT_FLOAT_EQ(p.angle, float(kPi));
    EXPECT_NEAR(p.sine, 0.0f, 1e-6);
    EXPECT_FLOAT_EQ(p.cosine, -1.0f);

    // Indices outside the table write nothing and still succeed.
    const st_KVpSketchTone before = p;
    for (int bad : {13, -1, 1000}) {
        const char* untouchedName = "untouched";
        float out = 42.0f;
        const float in3[3] = {7.0f, 7.0f, 7.0f};
        EXPECT_EQ(t->ByIndex(fx.get(), bad, &untouchedName, nullptr, nullptr), KV_OK);
        EXPECT_STREQ(untouchedName, "untouched");
        EXPECT_EQ(t->Get(fx.get(), bad, &p, &out, nullptr), KV_OK);
        EXPECT_EQ(out, 42.0f);
        EXPECT_EQ(t->Set(fx.get(), bad, &p, in3, nullptr), KV_OK);
    }
    EXPECT_EQ(std::memcmp(&p, &before, sizeof p), 0);
}

// Driven channels reach their packet fields, 22 of the 24 marked; the tile
// offset stays as read; the angle's sine and cosine follow a driven angle.
TEST_F(SketchRoadTest, MaterialEvaluateDrivesTwentyTwoFields) {
    struct Driven {
        const char* channel;
        size_t word;
    };
    const Driven driven[] = {
        {"sketchTiles", 4},     {"specular", 14},        {"zScale", 20},        {"patColor.R", 5},
        {"patColor.G", 6},      {"patColor.B", 7},       {"seeThrough", 9},     {"brightness", 10},
        {"contrast", 11},       {"shadows", 12},         {"patAlpha", 8},       {"replaceShading", 16},
        {"replaceSpecular", 18}, {"indirectLight", 13},  {"shadingLevel", 17},  {"specularLevel", 19},
        {"sfReflection", 24},   {"sfForeshort", 25},     {"zMax", 23},          {"zMin", 22},
    };
    MaterialRoad::Options o;
    o.values = {{"uvOffset", 0.125}, {"reflection", 0.5}};
    float value = 0.03125f;
    for (const Driven& d : driven) o.drivers.push_back({d.channel, kvt::ConstantPattern(value += 0.0625f)});
    o.drivers.push_back({"sketchAngle", kvt::ConstantPattern(float(kPi / 2))});
    o.drivers.push_back({"uvOffset", kvt::ConstantPattern(0.75f)});
    o.drivers.push_back({"reflection", kvt::ConstantPattern(0.9f)});
    o.drivers.push_back({"sketchMapLevel", kvt::ConstantPattern(0.9f)});
    MaterialRoad* road = Road(o);
    ASSERT_TRUE(road);
    EXPECT_NE(road->sampleDriven(), 0);
    const auto& registrations = host_.session->nodal().registrations;
    EXPECT_EQ(registrations.size(), 24u);

    const Shaded r = Shade(*road, Sample{});
    const float* words = reinterpret_cast<const float*>(&r.packet);
    value = 0.03125f;
    for (const Driven& d : driven) EXPECT_EQ(words[d.word], value += 0.0625f) << d.channel;
    EXPECT_FLOAT_EQ(r.packet.angle, float(kPi / 2));
    EXPECT_FLOAT_EQ(r.packet.sine, 1.0f);
    EXPECT_NEAR(r.packet.cosine, 0.0f, 1e-7);
    EXPECT_EQ(r.packet.tileOffset, 0.125f);      // as read, not driven
    EXPECT_EQ(r.packet.reflection, 0.5f);        // marked but not driven
    EXPECT_EQ(r.packet.sketchMapLevel, 0.5f);

    // Only zMax driven: the sample-driven question covers it.
    MaterialRoad::Options far;
    far.drivers = {{"zMax", kvt::ConstantPattern(3.0f)}};
    MaterialRoad* zMaxOnly = Road(far);
    ASSERT_TRUE(zMaxOnly);
    EXPECT_NE(zMaxOnly->sampleDriven(), 0);
    MaterialRoad* none = Road();
    ASSERT_TRUE(none);
    EXPECT_EQ(none->sampleDriven(), 0);
}

TEST_F(SketchRoadTest, MissingOwnPacketShadesFromTheBlock) {
    MaterialRoad* road = Road({{"screenCoords", 0.0}, {"sketchTiles", 1.0}, {"patAlpha", 0.5}});
    ASSERT_TRUE(road);
    SketchToneBlock before;
    std::memcpy(&before, road->block(), sizeof before);
    Sample s;
    s.light = 0.0f;  // level 1.0865: the spot covers the tile centre
    const Shaded with = Shade(*road, s);
    s.ownPacket = false;
    const Shaded without = Shade(*road, s);
    EXPECT_FLOAT_EQ(with.color[0], 0.5f);
    EXPECT_EQ(without.color[0], with.color[0]);
    EXPECT_EQ(std::memcmp(road->block(), &before, sizeof before), 0);
}

using kvt::DisabledWith;
constexpr auto Ui = kvt::UiOf;

TEST_F(SketchRoadTest, ChannelUIRules) {
    constexpr const char* kScreen = "This only applies when Screen Coordinates are used.";
    constexpr const char* kFlow = "This only applies when Surface Flow is on.";
    auto probe = [&](std::vector<kvh::ChannelValue> values) {
        MaterialRoad* road = Road(std::move(values));
        return road ? road->ProbeChannelUI() : std::vector<kvh::ChannelUIRecord>{};
    };
    const char* six[] = {"zScale", "screenMode", "sfForeshort", "sfReflection", "zMin", "zMax"};
    const char* flow[] = {"sfForeshort", "sfReflection", "zMin", "zMax"};
    auto off = probe({{"screenCoords", 0.0}});
    for (const char* c : six) EXPECT_TRUE(DisabledWith(Ui(off, c), kScreen)) << c;
    EXPECT_EQ(Ui(off, "patAlpha").enabled, KV_OK);
    auto projection = probe({});
    EXPECT_EQ(Ui(projection, "zScale").enabled, KV_OK);
    EXPECT_EQ(Ui(projection, "screenMode").enabled, KV_OK);
    for (const char* c : flow) EXPECT_TRUE(DisabledWith(Ui(projection, c), kFlow)) << c;
    auto other = probe({{"screenMode", 2.0}});
    EXPECT_TRUE(DisabledWith(Ui(other, "zMin"), kFlow));
    auto surface = probe({{"screenMode", 1.0}});
    for (const char* c : six) EXPECT_EQ(Ui(surface, c).enabled, KV_OK) << c;

    // Dependencies: the surface-flow channels name screenMode, then
    // screenCoords for every later index; zScale and screenMode name screenCoords.
    const unsigned myType = Road()->item()->typeCode();
    for (const char* c : flow) {
        const auto& r = Ui(surface, c);
        ASSERT_EQ(r.dependencyCount, 2u) << c;
        ASSERT_GE(r.dependencies.size(), 2u);
        EXPECT_EQ(r.dependencies[0].channel, "screenMode");
        EXPECT_EQ(r.dependencies[1].channel, "screenCoords");
        EXPECT_EQ(r.dependencies[0].itemType, int32_t(myType));
    }
    for (const char* c : {"zScale", "screenMode"}) {
        const auto& r = Ui(surface, c);
        ASSERT_EQ(r.dependencyCount, 1u) << c;
        ASSERT_FALSE(r.dependencies.empty());
        EXPECT_EQ(r.dependencies[0].channel, "screenCoords");
    }
    const auto& color = Ui(surface, "patColor.G");
    EXPECT_EQ(color.dependencyCount, 0u);
    for (const auto& d : color.dependencies) EXPECT_EQ(d.result, KV_E_OUTOFBOUNDS);

    // Hints on the pattern's look, the colour by its components.
    for (const char* c : {"patColor.R", "patColor.B", "patAlpha", "sketchTiles", "sketchAngle", "uvOffset"}) {
        EXPECT_EQ(Ui(surface, c).hintsResult, KV_OK) << c;
        EXPECT_EQ(Ui(surface, c).hintFlags, std::vector<int32_t>{4}) << c;
    }
    EXPECT_EQ(Ui(surface, "brightness").hintsResult, KV_E_NOTIMPL);
    EXPECT_TRUE(Ui(surface, "brightness").hintFlags.empty());
}

}  // namespace
}  // namespace SketchTone_Shader::test
