// The six servers, their channel tables, links, reads, packets and packet
// effects, driven through the stand-in host's road.
#include <cmath>

#include "dotmire_road.h"
#include "testing/effect_table_check.h"

namespace Stipple_Shader::test {
namespace {

using kvh::MaterialRoad;

TEST_F(DotRoadTest, SixServersInOrderWithTheirTags) {
    const auto& s = lib_->servers();
    const char* names[] = {"stipple", "stipple.shader.packet", "Stipple", "dab", "Dab", "shader.dab.packet"};
    const char* users[] = {"Stipple Material", "Stipple Shader Packet", "Stipple Packet FX",
                           "Dab Material",     "Dab Packet FX",         "Dab Shader Packet"};
    const char* logs[] = {"comp-shader", "vector-packet", "texture-effect", "comp-shader", "texture-effect",
                          "vector-packet"};
    ASSERT_EQ(s.size(), 6u);
    for (size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(s[i].name, names[i]);
        EXPECT_EQ(s[i].Tag("server.username"), users[i]);
        EXPECT_EQ(s[i].Tag("server.logsubsystem"), logs[i]);
    }
    EXPECT_EQ(s[1].Tag("vpacket.category"), "sample");
    EXPECT_EQ(s[4].Tag("textureFX.category"), "surface");
    kvh::ComRef obj;
    EXPECT_EQ(lib_->Generate("shader.dab.packet", &obj), KV_OK);
    kvh::ComRef none;
    EXPECT_LT(lib_->Generate("dab.shader.packet", &none), 0);

    MaterialRoad* stipple = Road("stipple");
    MaterialRoad* dab = Road("dab");
    ASSERT_TRUE(stipple && dab);
    EXPECT_EQ(stipple->customPacket(), "stipple.shader.packet");
    EXPECT_EQ(dab->customPacket(), "shader.dab.packet");
    auto flags = [](MaterialRoad* r) {
        return (*reinterpret_cast<vt_IKvCustomMaterial**>(r->material()))->Flags(r->material());
    };
    EXPECT_EQ(flags(stipple), 0x801);
    EXPECT_EQ(flags(dab), 0x803);
    const auto& layout = host_.session->Layout();
    EXPECT_EQ(layout.packets()[uint32_t(layout.IndexAtOffset(PacketOffset("stipple.shader.packet")))].size, 176u);
    EXPECT_EQ(layout.packets()[uint32_t(layout.IndexAtOffset(PacketOffset("shader.dab.packet")))].size, 136u);
}

TEST_F(DotRoadTest, ChannelTablesAndDefaults) {
    MaterialRoad* stipple = Road("stipple", With({{"screenCoords", 1.0}}));
    MaterialRoad* dab = Road("dab");
    ASSERT_TRUE(stipple && dab);
    const auto& sc = stipple->item()->channels();
    ASSERT_EQ(sc.size(), 32u);  // patColor as three components
    EXPECT_EQ(sc[0].name, "tileNum");
    EXPECT_EQ(sc[0].defaultValue, 5.0);
    EXPECT_EQ(sc[3].name, "screenCoords");
    EXPECT_EQ(sc[3].defaultValue, 1.0);
    EXPECT_EQ(sc[5].name, "patColor.R");
    EXPECT_EQ(sc[8].name, "pointNum");
    EXPECT_EQ(sc[8].kind, kvh::ChannelKind::Integer);
    EXPECT_EQ(sc[8].defaultValue, 128.0);
    EXPECT_EQ(sc[10].hints.size(), 4u);  // screenMode: two choices, the list name, the end
    EXPECT_EQ(sc[11].hints[2].text, "scratch");
    EXPECT_EQ(sc[31].name, "specular");
    EXPECT_EQ(sc[31].defaultValue, 1.0);
    const StippleBlock& b = StippleOf(*stipple);
    EXPECT_EQ(b.packet.pointNum, 128);
    EXPECT_EQ(b.packet.screenCoords, 1);
    EXPECT_FLOAT_EQ(b.packet.zMax, 10.0f);
    // Without a camera: focal length -1, focus distance 1.
    EXPECT_EQ(b.focalLen, -1.0f);
    EXPECT_EQ(b.focusDist, 1.0f);

    const auto& dc = dab->item()->channels();
    ASSERT_EQ(dc.size(), 36u);
    EXPECT_EQ(dc[0].defaultValue, 1.0);
    EXPECT_EQ(dc[2].name, "drawSpecular");
    EXPECT_EQ(dc[2].defaultValue, 1.0);
    EXPECT_EQ(dc[13].name, "pointNum");
    EXPECT_EQ(dc[13].defaultValue, 1024.0);
    EXPECT_EQ(dc[35].name, "valVariation");
    const DabBlock& d = DabOf(*dab);
    EXPECT_EQ(d.packet.pointNum, 1024);
    EXPECT_EQ(d.packet.drawSpecular, 1);
    EXPECT_EQ(d.packet.useColor, 1);
    EXPECT_EQ(d.packet.useAlpha, 1);
    EXPECT_EQ(d.packet.imageInvert, 0);
    EXPECT_EQ(d.packet.angleCos, 1.0f);
}

TEST_F(DotRoadTest, LinkEntriesClipCameraAndLocators) {
    kvh::Scene& scene = Scene();
    ASSERT_TRUE(scene.CreateCamera("cam", 0.05, 0.036, 0.024, 5.0, kvh::Mat4()));
    ASSERT_TRUE(scene.CreateLocator("loc", kvh::Mat4()));
    ASSERT_TRUE(scene.CreateClip("clip", CoordinateImage()));
    MaterialRoad* stipple = Road("stipple", With({}, {"loc"}));
    MaterialRoad* plain = Road("dab");
    MaterialRoad* clipped = Road("dab", With({}, {"loc", "clip"}));  // the clip after a locator
    ASSERT_TRUE(stipple && plain && clipped);

    const auto s = stipple->evaluationEntries();
    ASSERT_EQ(s.size(), 32u + 5u + 1u);
    EXPECT_EQ(s[0].second, "tileNum");
    EXPECT_EQ(s[2].second, "pointNum");
    EXPECT_EQ(s[27].second, "reflection");
    EXPECT_EQ(s[31].second, "colorMode");
    EXPECT_EQ(s[32], (std::pair<std::string, std::string>("cam", "focusDist")));
    EXPECT_EQ(s[36].second, "worldMatrix");
    EXPECT_EQ(s[37], (std::pair<std::string, std::string>("loc", "worldMatrix")));

    const auto p = plain->evaluationEntries();
    ASSERT_EQ(p.size(), 36u + 5u);
    EXPECT_EQ(p[12].second, "rotVariation");
    EXPECT_EQ(p[28].second, "valVariation");
    EXPECT_EQ(p[35].second, "useAlpha");
    EXPECT_EQ(p[36], (std::pair<std::string, std::string>("cam", "focusDist")));  // no clip: camera at 36

    const auto c = clipped->evaluationEntries();
    ASSERT_EQ(c.size(), 37u + 5u + 1u);
    EXPECT_EQ(c[36], (std::pair<std::string, std::string>("clip", "imageStack")));
    EXPECT_EQ(c[37].second, "focusDist");
    EXPECT_EQ(c[42], (std::pair<std::string, std::string>("loc", "worldMatrix")));

    // A channel the item lacks ends the link with the host's code.
    for (const char* server : {"stipple", "dab"}) {
        MaterialRoad::Options o;
        o.itemName = std::string("lack") + server;
        o.removeChannels = {"zMin"};
        auto road = MaterialRoad::Create(*host_.session, *lib_, server, o);
        ASSERT_TRUE(road);
        kvh::HostError err;
        EXPECT_EQ(road->Prepare(&err), KV_E_OUTOFBOUNDS) << server;
    }
}

TEST_F(DotRoadTest, ReadsClampCountsModesAndHighlights) {
    struct Case {
        const char* server;
        double pointNum, colorMode;
        int32_t count, mode;
    };
    for (const Case& c : {Case{"stipple", 0, 7, 1, 2}, Case{"stipple", -5, -1, 1, 0}, Case{"stipple", 10000, 1, 8192, 1},
                          Case{"dab", 20000, 5, 8192, 2}, Case{"dab", -3, -1, 1, 0}}) {
        MaterialRoad* road = Road(c.server, With({{"pointNum", c.pointNum}, {"colorMode", c.colorMode},
                                                   {"specular", -0.5}, {"reflection", -2.0}}));
        ASSERT_TRUE(road);
        if (std::string(c.server) == "stipple") {
            EXPECT_EQ(StippleOf(*road).packet.pointNum, c.count) << c.pointNum;
            EXPECT_EQ(StippleOf(*road).colorMode, c.mode) << c.colorMode;
            EXPECT_EQ(StippleOf(*road).packet.specular, 0.0f);
            EXPECT_EQ(StippleOf(*road).packet.reflection, 0.0f);
        } else {
            EXPECT_EQ(DabOf(*road).packet.pointNum, c.count) << c.pointNum;
            EXPECT_EQ(DabOf(*road).colorMode, c.mode) << c.colorMode;
            EXPECT_EQ(DabOf(*road).packet.specular, 0.0f);
        }
    }
    // A texture driving specular to -0.5 per sample keeps -0.5; the per-sample
    // point count is held in range for the stipple only.
    MaterialRoad* driven = Road("stipple", With({}, {}, {{"specular", kvt::ConstantPattern(-0.5f)}, {"pointNum", kvt::ConstantPattern(20000.0f)}}));
    ASSERT_TRUE(driven);
    EXPECT_NE(driven->sampleDriven(), 0);
    Shade(*driven, Sample{});
    const auto sp = LastPacket<StipplePacketData>("stipple.shader.packet");
    EXPECT_EQ(sp.specular, -0.5f);
    EXPECT_EQ(sp.pointNum, 8192);
    // The last per-sample channels count as driven too (32 and 36 item channels from tileNum).
    MaterialRoad* lastStipple = Road("stipple", With({}, {}, {{"specular", kvt::ConstantPattern(0.5f)}}));
    MaterialRoad* lastDab = Road("dab", With({}, {}, {{"valVariation", kvt::ConstantPattern(0.5f)}}));
    ASSERT_TRUE(lastStipple && lastDab);
    EXPECT_NE(lastStipple->sampleDriven(), 0);
    EXPECT_NE(lastDab->sampleDriven(), 0);
    MaterialRoad* dab = Road("dab", With({}, {}, {{"pointNum", kvt::ConstantPattern(20000.0f)}, {"tileAngle", kvt::ConstantPattern(1.0f)}}));
    ASSERT_TRUE(dab);
    Shade(*dab, Sample{});
    const auto dp = LastPacket<DabPacketData>("shader.dab.packet");
    EXPECT_EQ(dp.pointNum, 20000);
    EXPECT_FLOAT_EQ(dp.angleSin, float(std::sin(1.0)));  // the driven angle turns the pattern
}

TEST_F(DotRoadTest, PacketsStartFromTheirInitialValues) {
    auto fill = [&](const char* name, std::vector<uint8_t>& bytes) {
        kvh::ComRef obj;
        ASSERT_EQ(lib_->Generate(name, &obj), KV_OK);
        kvh::ComRef pkt = obj.Query(kv::guid_VectorPacket);
        ASSERT_TRUE(pkt);
        const auto* t = pkt.table<vt_IKvVectorPacket>();
        bytes.assign(t->Size(pkt.get()), 0xAB);
        EXPECT_EQ(t->Initialize(pkt.get(), bytes.data()), KV_OK);
    };
    std::vector<uint8_t> bytes;
    fill("stipple.shader.packet", bytes);
    ASSERT_EQ(bytes.size(), sizeof(StipplePacketData));
    StipplePacketData s;
    std::memcpy(&s, bytes.data(), sizeof s);
    EXPECT_EQ(s.tiles, 8.0f);
    EXPECT_EQ(s.pointSize, 0.5f);
    EXPECT_EQ(s.alpha, 1.0f);
    EXPECT_EQ(s.shadows, 1.0f);
    EXPECT_EQ(s.reserved0, 0.5f);
    EXPECT_EQ(s.reserved3[1], 1.0f);
    EXPECT_EQ(s.value, 0.0f);
    EXPECT_EQ(bytes[offsetof(StipplePacketData, angle)], 0xAB);  // left as given
    EXPECT_EQ(bytes[offsetof(StipplePacketData, pointNum)], 0xAB);

    fill("shader.dab.packet", bytes);
    ASSERT_EQ(bytes.size(), sizeof(DabPacketData));
    DabPacketData d;
    std::memcpy(&d, bytes.data(), sizeof d);
    EXPECT_EQ(d.tiles, 8.0f);
    EXPECT_EQ(d.drawSpecular, 0);
    EXPECT_EQ(d.pointRadius, 0.5f);
    EXPECT_EQ(d.shadows, 1.0f);
    EXPECT_EQ(d.valVariation, 0.0f);
    EXPECT_EQ(bytes[offsetof(DabPacketData, alpha)], 0xAB);
    EXPECT_EQ(bytes[offsetof(DabPacketData, useColor)], 0xAB);
}

TEST_F(DotRoadTest, EffectsConvertColoursAndAngles) {
    auto effect = [&](const char* name) {
        kvh::ComRef obj;
        EXPECT_EQ(lib_->Generate(name, &obj), KV_OK);
        return obj.Query(kv::guid_PacketEffect);
    };
    kvh::ComRef stipple = effect("Stipple");
    kvh::ComRef dab = effect("Dab");
    ASSERT_TRUE(stipple && dab);
    const auto* st = stipple.table<vt_IKvPacketEffect>();
    const auto* dt = dab.table<vt_IKvPacketEffect>();
    ASSERT_EQ(st->Count(stipple.get()), 15u);
    ASSERT_EQ(dt->Count(dab.get()), 11u);
    const char *name = nullptr, *type = nullptr;
    int32_t flags = 0;
    EXPECT_EQ(st->ByIndex(stipple.get(), 1, &name, &type, &flags), KV_OK);
    EXPECT_STREQ(name, "stippleColor");
    EXPECT_STREQ(type, "color1");
    EXPECT_EQ(flags, 0x31);
    EXPECT_EQ(st->ByIndex(stipple.get(), 5, &name, &type, &flags), KV_OK);
    EXPECT_STREQ(name, "stippleSeeThough");
    EXPECT_EQ(st->ByIndex(stipple.get(), 14, &name, &type, &flags), KV_OK);
    EXPECT_STREQ(name, "stipple2Contrast");
    EXPECT_EQ(dt->ByIndex(dab.get(), 1, &name, &type, &flags), KV_OK);
    EXPECT_STREQ(name, "dabSeeThough");
    EXPECT_EQ(dt->ByIndex(dab.get(), 10, &name, &type, &flags), KV_OK);
    EXPECT_STREQ(name, "dabValVariation");
    EXPECT_EQ(flags, 0x30);

    // The colour brings its hue, saturation and value; the angle its sine and cosine.
    StipplePacketData s{};
    const float rose[3] = {1.0f, 0.0f, 0.5f};
    EXPECT_EQ(st->Set(stipple.get(), 1, &s, rose, nullptr), KV_OK);
    EXPECT_EQ(s.colour[2], 0.5f);
    EXPECT_NEAR(s.hue, 5.7595868f, 1e-5);
    EXPECT_EQ(s.saturation, 1.0f);
    EXPECT_EQ(s.value, 1.0f);
    const float quarter = 1.5707964f;
    EXPECT_EQ(st->Set(stipple.get(), 3, &s, &quarter, nullptr), KV_OK);
    EXPECT_EQ(s.angleSin, 1.0f);
    EXPECT_NEAR(s.angleCos, 0.0f, 1e-7);
    DabPacketData d{};
    EXPECT_EQ(dt->Set(dab.get(), 3, &d, &quarter, nullptr), KV_OK);
    EXPECT_EQ(d.angle, quarter);
    EXPECT_EQ(d.angleSin, 1.0f);
    float got = 0.0f;
    EXPECT_EQ(dt->Get(dab.get(), 4, &d, &got, nullptr), KV_OK);
    EXPECT_EQ(got, 0.0f);

    // Indices outside the tables, negative ones included, write nothing.
    kvt::ExpectOutsideRowsIgnored(stipple.get(), s, {-1, 15, 1000});
    kvt::ExpectOutsideRowsIgnored(dab.get(), d, {-1, 11, 1000});
}

// The angle's sine and cosine and the colour's hue, saturation and value are
// computed at read, and per sample only for values a driver changed: either
// way a sample sees the terms of its own values.
TEST_F(DotRoadTest, AngleAndColourTermsFollowTheSampleValues) {
    const std::vector<kvh::ChannelValue> set = {
        {"tileAngle", 0.7}, {"patColor.R", 0.2}, {"patColor.G", 0.6}, {"patColor.B", 0.1}, {"pointNum", 1.0}};
    const std::vector<kvh::ChannelDriver> drive = {{"tileAngle", kvt::ConstantPattern(1.2f)},
                                                   {"patColor.G", kvt::ConstantPattern(0.9f)}};
    std::vector<kvh::ChannelValue> same = set;  // the driven values, set outright
    same[0].value = 1.2f;
    same[2].value = 0.9f;
    MaterialRoad* still = Road("stipple", With(set));
    MaterialRoad* driven = Road("stipple", With(set, {}, drive));
    MaterialRoad* outright = Road("stipple", With(same));
    ASSERT_TRUE(still && driven && outright);
    const auto terms = [&](MaterialRoad& road) {
        Shade(road, Sample{});
        const auto p = LastPacket<StipplePacketData>("stipple.shader.packet");
        return std::vector<float>{p.angle, p.angleSin, p.angleCos, p.hue, p.saturation, p.value};
    };
    const std::vector<float> read = terms(*still);
    EXPECT_EQ(read[1], float(std::sin(double(0.7f))));
    EXPECT_EQ(read[2], float(std::cos(double(0.7f))));
    EXPECT_EQ(read[5], 0.6f);
    const std::vector<float> changed = terms(*driven);
    EXPECT_EQ(changed, terms(*outright));
    EXPECT_EQ(changed[1], float(std::sin(double(1.2f))));
    EXPECT_EQ(changed[5], 0.9f);
    EXPECT_NE(changed[3], read[3]);
    EXPECT_EQ(terms(*still), read);  // the driven sample left nothing behind

    // The dab shifts each dab's colour from the hue, saturation and value of
    // the sample's colour: driving the colour to a value paints what setting
    // it outright does.
    const std::vector<kvh::ChannelValue> varied = {{"patColor.R", 0.2}, {"patColor.G", 0.6}, {"patColor.B", 0.1},
                                                   {"hueVariation", 0.4}, {"satVariation", 0.3}, {"valVariation", 0.2}};
    std::vector<kvh::ChannelValue> greener = varied;
    greener[1].value = 0.9f;
    ASSERT_TRUE(Scene().CreateClip("clip", CoordinateImage(0.5f)));
    MaterialRoad* drivenDab = Road("dab", With(varied, {"clip"}, {{"patColor.G", kvt::ConstantPattern(0.9f)}}));
    MaterialRoad* setDab = Road("dab", With(greener, {"clip"}));
    MaterialRoad* readDab = Road("dab", With(varied, {"clip"}));
    ASSERT_TRUE(drivenDab && setDab && readDab);
    const float points[][2] = {{0.5f, 0.5f}, {0.97926f, 0.415462f}, {0.18901f, 0.695906f}};  // table rows 0, 3, 7
    for (const auto& at : points) {  // on dabs of the dark sample's prefix
        Sample s;
        s.u = at[0];
        s.v = at[1];
        const Shaded a = Shade(*drivenDab, s), b = Shade(*setDab, s), c = Shade(*readDab, s);
        for (int k = 0; k < 3; ++k) EXPECT_EQ(a.color[k], b.color[k]) << at[0];
        EXPECT_NE(a.color[1], c.color[1]) << at[0];
    }
}

// In texture coordinates the dabs mirror at u = 0 and v = 0: (u, v),
// (-u, v) and (u, -v) draw alike across a whole tile, for whole and
// fractional tile counts and any offset. Screen coordinates run on across 0
// instead.
TEST_F(DotRoadTest, DabsMirrorAtZeroInTextureCoordinatesAndRunOnInScreen) {
    auto blue = [&](const MaterialRoad& road, Sample s) { return Shade(road, s).color[2]; };
    int inked = 0, samples = 0;
    for (double tiles : {1.0, 2.5, 3.0, 7.25})
        for (double offset : {0.0, 0.35, -0.6}) {
            MaterialRoad* road = Road("dab", With({{"patColor.B", 1.0}, {"tileNum", tiles}, {"uvOffset", offset}}));
            ASSERT_TRUE(road);
            for (int k = 0; k < 41; ++k, ++samples) {
                Sample s, mu, mv;
                s.u = mv.u = float((k + 0.29) / (41.0 * tiles));  // across one tile
                s.v = mu.v = float((40 - k + 0.61) / (41.0 * tiles));
                mu.u = -s.u;
                mv.v = -s.v;
                const float here = blue(*road, s);
                inked += here < 0.5f;
                EXPECT_EQ(blue(*road, mu), here) << tiles << " " << offset << " at u " << s.u;
                EXPECT_EQ(blue(*road, mv), here) << tiles << " " << offset << " at v " << s.v;
            }
        }
    EXPECT_GT(inked, samples / 10);
    EXPECT_LT(inked, samples - samples / 10);

    // 720 wide, zScale 1 at distance 1: u = x / 360 - 0.5, v = y / 360 - 0.5,
    // both 0 at pixel (180, 180); 2.5 tiles repeat every 144 pixels.
    MaterialRoad* screen = Road("dab", With({{"screenCoords", 1.0}, {"zScale", 1.0}, {"patColor.B", 1.0},
                                             {"tileNum", 2.5}, {"uvOffset", 0.35}}));
    ASSERT_TRUE(screen);
    auto at = [&](double x, double y) {
        Sample s = kvt::SampleAt<Sample>(x, y, 720, 360);
        s.dist = 1.0f;
        return blue(*screen, s);
    };
    kvt::ExpectScreenRunsOnAcrossZero(at, at, 144.0, 1e-3f);
}

TEST_F(DotRoadTest, StippleDotsFollowTheToneThroughTheRoad) {
    MaterialRoad* road = Road("stipple", With({{"patColor.R", 0.8}, {"pointNum", 16.0}}));
    ASSERT_TRUE(road);
    Sample s;  // at point 0, (0.5, 0.5)
    s.light = 0.0f;
    EXPECT_FLOAT_EQ(Shade(*road, s).color[0], 0.8f);  // a dot: the ink
    EXPECT_FLOAT_EQ(Shade(*road, s).color[1], 0.0f);
    s.light = 1.0f;
    EXPECT_FLOAT_EQ(Shade(*road, s).color[1], 1.0f);  // full light: no dot, the paper
    // Without its own packet the sample shades from the block alike, and
    // material evaluation writes nothing.
    s.light = 0.0f;
    const Shaded fromBlock = Shade(*road, s, false);
    EXPECT_FLOAT_EQ(fromBlock.color[0], 0.8f);

    // The dab through the road: at full darkness point 0's dab covers the
    // sample; with no clip the stamp paints black inside.
    MaterialRoad* dab = Road("dab", With({{"patColor.B", 1.0}}));
    ASSERT_TRUE(dab);
    EXPECT_FLOAT_EQ(Shade(*dab, s).color[2], 0.0f);
    EXPECT_FLOAT_EQ(Shade(*dab, s, false).color[2], 0.0f);
    s.light = 1.0f;
    EXPECT_FLOAT_EQ(Shade(*dab, s).color[2], 1.0f);
}

}  // namespace
}  // namespace Stipple_Shader::test
