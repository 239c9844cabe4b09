// The three servers of rimquill.kv as the host sees them: names and tags,
// channels, packet, packet effect, channel hints and per-sample driving.
#include <cstring>

#include "testing/effect_table_check.h"
#include "core/scene_objects.h"
#include "road_fixture.h"

using namespace inkroad;

namespace {

struct ChannelRow {
    const char* name;
    const char* type;
    double value;
};

// Item channels in set-up order, colour components one by one.
const ChannelRow kItemChannels[] = {
    {"incidenceEdges", "percent", 1.0}, {"angleEdges", "percent", 1.0},   {"distanceEdges", "percent", 1.0},
    {"minAngle", "angle", 0.0},         {"maxAngle", "angle", 0.7853981633974483},
    {"distThreshold", "percent", 0.02}, {"edgeWidth", "float", 2.0},      {"edgeQuality", "integer", 2.0},
    {"edgeColor.R", "color1", 0.0},     {"edgeColor.G", "color1", 0.0},   {"edgeColor.B", "color1", 0.0},
    {"edgeAlpha", "percent", 1.0},      {"edgeOffset", "float", 0.0},     {"seeThrough", "percent", 0.0},
    {"edgeSoftness", "percent", 0.02},  {"edgeColor2.R", "color1", 0.0},  {"edgeColor2.G", "color1", 0.0},
    {"edgeColor2.B", "color1", 0.0},    {"edgeAlpha2", "percent", 1.0},   {"surfaceEdges", "percent", 1.0},
    {"segmentEdges", "percent", 0.0},   {"colorMode", "integer", 0.0},    {"traceReflection", "boolean", 0.0},
    {"traceTransparency", "boolean", 0.0}, {"curvature", "percent", 0.0},
};

}  // namespace

TEST_F(RoadTest, ServersTagsAndChannels)
{
    const auto& servers = lib->servers();
    ASSERT_EQ(servers.size(), 3u);
    EXPECT_EQ(servers[0].name, "edgeInk");
    EXPECT_EQ(servers[0].Tag("server.username"), "Edge Ink Material");
    EXPECT_EQ(servers[0].Tag("server.logsubsystem"), "comp-shader");
    EXPECT_EQ(servers[1].name, "edge.ink.packet");
    EXPECT_EQ(servers[1].Tag("server.username"), "Edge Ink Packet");
    EXPECT_EQ(servers[1].Tag("vpacket.category"), "sample");
    EXPECT_EQ(servers[2].name, "edgeInk.PFX");
    EXPECT_EQ(servers[2].Tag("server.username"), "Edge Ink Packet FX");
    EXPECT_EQ(servers[2].Tag("textureFX.category"), "surface");

    auto road = Road({});
    ASSERT_TRUE(road && road->prepared());
    EXPECT_EQ(road->customPacket(), "edge.ink.packet");
    EXPECT_EQ(host.session->Layout().packets()[host.session->Layout().IndexAtOffset(
                  host.session->Layout().OffsetOf("edge.ink.packet"))].size, 112u);
    const auto& ch = road->item()->channels();
    ASSERT_EQ(ch.size(), std::size(kItemChannels));
    for (size_t i = 0; i < ch.size(); ++i) {
        EXPECT_EQ(ch[i].name, kItemChannels[i].name) << i;
        EXPECT_EQ(ch[i].typeName, kItemChannels[i].type) << i;
        EXPECT_DOUBLE_EQ(ch[i].defaultValue, kItemChannels[i].value) << ch[i].name;
    }
    const auto& hints = ch[21].hints;  // colorMode
    ASSERT_EQ(hints.size(), 5u);
    EXPECT_EQ(hints[2].text, "scratch");
    EXPECT_EQ(hints[3].text, "=npr-colormode");

    // The block is the packet layout: the defaults as read.
    const auto* block = static_cast<const float*>(road->block());
    EXPECT_FLOAT_EQ(block[0], 2.0f);   // edgeWidth
    EXPECT_FLOAT_EQ(block[7], 0.02f);  // edgeSoftness
    EXPECT_FLOAT_EQ(block[15], 0.7853982f);
    int32_t quality = 0;
    std::memcpy(&quality, block + 23, 4);
    EXPECT_EQ(quality, 2);
    EXPECT_EQ(block[19], 0.0f);
    EXPECT_EQ(block[20], 0.0f);
}

TEST_F(RoadTest, PacketInitializeWritesTheColourFieldsOnly)
{
    kvh::ComRef packet;
    ASSERT_EQ(lib->Generate("edge.ink.packet", &packet), KV_OK);
    const auto* t = packet.table<vt_IKvVectorPacket>();
    EXPECT_EQ(t->Size(packet.get()), 112u);
    float p[28];
    for (float& f : p) f = 9.0f;
    EXPECT_EQ(t->Initialize(packet.get(), p), KV_OK);
    const float want[12] = {2.0f, 0, 0, 0, 0, 1.0f, 0, 0, 0, 0, 0, 1.0f};  // softness 0, not the channel's 0.02
    for (int i = 0; i < 12; ++i) EXPECT_EQ(p[i], want[i]) << i;
    for (int i = 12; i < 28; ++i) EXPECT_EQ(p[i], 9.0f) << i;
    float before[28];
    std::memcpy(before, p, sizeof p);
    EXPECT_EQ(t->Blend(packet.get(), p, before, before, 0.5f, 0), KV_OK);
    EXPECT_EQ(std::memcmp(p, before, sizeof p), 0);
    EXPECT_EQ(t->Copy(packet.get(), p, before), KV_E_NOTIMPL);
}

TEST_F(RoadTest, PacketEffectValues)
{
    kvh::ComRef fx;
    ASSERT_EQ(lib->Generate("edgeInk.PFX", &fx), KV_OK);
    const auto* t = fx.table<vt_IKvPacketEffect>();
    const char* name = nullptr;
    ASSERT_EQ(t->Packet(fx.get(), &name), KV_OK);
    EXPECT_STREQ(name, "edge.ink.packet");
    ASSERT_EQ(t->Count(fx.get()), 9u);
    const std::vector<kvt::EffectRow> rows = {
        {"edgeInkWidth", "float", 0x30, 0},     {"edgeInkColor", "color1", 0x31, 2},
        {"edgeInkAlpha", "percent", 0x30, 5},   {"edgeInkBkg", "percent", 0x30, 6},
        {"edgeInkOffset", "float", 0x30, 1},    {"edgeInkSoftness", "float", 0x30, 7},
        {"edgeInkColor2", "color1", 0x31, 8},   {"edgeInkAlpha2", "percent", 0x30, 11},
        {"edgeInkCurvature", "percent", 0x30, 27}};
    kvt::ExpectEffectRows(fx.get(), 28, rows);
    float packet[28] = {};
    for (int bad : {9, -1}) {
        float untouched[3] = {5.0f, 5.0f, 5.0f};
        EXPECT_EQ(t->Get(fx.get(), bad, packet, untouched, nullptr), KV_OK);
        EXPECT_EQ(untouched[0], 5.0f);
    }
}

TEST_F(RoadTest, ChannelHints)
{
    auto road = Road({});
    ASSERT_TRUE(road);
    for (const kvh::ChannelUIRecord& r : road->ProbeChannelUI()) {
        const bool hinted = r.channel == "edgeAlpha" || r.channel == "edgeWidth" || r.channel == "edgeOffset" ||
                            r.channel == "curvature";
        EXPECT_EQ(r.hintsResult, hinted ? KV_OK : KV_E_NOTIMPL) << r.channel;  // "edgeColor.R" has none
        EXPECT_EQ(r.hintFlags, hinted ? std::vector<int32_t>{4} : std::vector<int32_t>{}) << r.channel;
    }
    // The colour group itself is hinted.
    kvh::ComRef ui;
    void* out = nullptr;
    ASSERT_EQ((*road->material())->QueryInterface(road->material(), &kv::guid_ChannelUI, &out), KV_OK);
    ui.Reset(out);
    auto* rec = new kvh::UIRecorder(host.session->scene());
    EXPECT_EQ(ui.table<vt_IKvChannelUI>()->UIHints(ui.get(), "edgeColor", rec->hintsPtr()), KV_OK);
    EXPECT_EQ(rec->hintFlags, std::vector<int32_t>{4});
    rec->ReleaseOwned();
}

TEST_F(RoadTest, CurvatureAloneDrivenPerSampleCountsAsSampleDriven)
{
    EXPECT_EQ(Road({})->sampleDriven(), 0);

    kvh::MaterialRoad::Options opt;
    kvh::Pattern full;
    full.a[0] = full.a[1] = full.a[2] = 1.0f;
    opt.drivers.push_back({"curvature", full});
    auto road = Road({}, opt);
    EXPECT_NE(road->sampleDriven(), 0);
    // The driven value reaches the shading: full ink on a flat scene.
    const Rgb c = ShadeAt(*road, 5);
    EXPECT_EQ(c.r, 0.0f);
    EXPECT_EQ(c.g, 0.0f);
}

TEST_F(RoadTest, TextureLayersDriveThePacket)
{
    SubSamplesToTheRight();
    scene.right = Plane(10.0f, 2);  // another surface: an edge at x = 9

    kvh::MaterialRoad::Options blue;
    kvh::TextureLayer colour{"edgeInkColor", 1.0f, {}};
    colour.pattern.a[2] = 1.0f;
    blue.layers.push_back(colour);
    Rgb c = ShadeAt(*Road({}, std::move(blue)), 9);
    EXPECT_EQ(c.r, 0.0f);
    EXPECT_EQ(c.b, 1.0f);

    kvh::MaterialRoad::Options thin;
    thin.layers.push_back({"edgeInkWidth", 1.0f, {}});  // width 0: no ink
    c = ShadeAt(*Road({}, std::move(thin)), 9);
    EXPECT_EQ(c.r, 1.0f);
    EXPECT_EQ(scene.surfaceCalls, 1 + 1);  // only the first road cast: the centre and one sub-sample
}
