// The X-toon servers driven through the stand-in host's road.
#include <cmath>

#include "testing/effect_table_check.h"
#include "xtoon_road.h"

namespace XToon_Shader::test {
namespace {

using kvh::MaterialRoad;

constexpr float kTop = 0.999999f;  // upper end of tone and detail

TEST_F(XToonRoadTest, ServersTagsPacketAndEffectTable) {
    kvt::ExpectShaderServers(*lib_, {"xtoon", "XToon Shader"}, {"xtoon.shader.packet", "XToon Shader Packet"},
                             {"XToon", "XToon Packet FX"});

    MaterialRoad* road = Road();
    ASSERT_TRUE(road);
    kvt::ExpectMaterialPacketAndFlags(*road, "xtoon.shader.packet", 0x801);
    const auto& packets = host_.session->Layout().packets();
    const int32_t index = host_.session->Layout().IndexAtOffset(PacketOffset());
    ASSERT_GE(index, 0);
    EXPECT_EQ(packets[uint32_t(index)].size, 112u);
    // A fresh packet: patAlpha 1 and the reserved word at byte 68 is 1.0.
    const auto* fresh = static_cast<const XToonPacketData*>(Vector().PacketAt(PacketOffset()));
    EXPECT_EQ(fresh->patAlpha, 1.0f);
    float word68 = 0.0f;
    std::memcpy(&word68, &fresh->reserved[2], sizeof word68);
    EXPECT_EQ(word68, 1.0f);

    kvh::ComRef obj;
    ASSERT_EQ(lib_->Generate("XToon", &obj), KV_OK);
    kvh::ComRef fx = obj.Query(kv::guid_PacketEffect);
    ASSERT_TRUE(fx);
    const auto* t = fx.table<vt_IKvPacketEffect>();
    ASSERT_EQ(t->Count(fx.get()), 9u);
    const char* names[] = {"xToonDetail",     "xToonAlpha",    "xToonZMin",     "xToonRange",  "xToonStrength",
                           "xToonBrightness", "xToonContrast", "xToonShadeMix", "xToonStepPos"};
    for (int i = 0; i < 9; ++i) {
        const char *name = nullptr, *type = nullptr;
        int32_t flags = 0;
        EXPECT_EQ(t->ByIndex(fx.get(), i, &name, &type, &flags), KV_OK);
        EXPECT_STREQ(name, names[i]);
        EXPECT_STREQ(type, "percent");
        EXPECT_EQ(flags, 48);
    }
    // Indices outside the table, negative ones included, touch nothing.
    XToonPacketData packet{};
    kvt::ExpectOutsideRowsIgnored(fx.get(), packet, {-1, -100, 9, 1000});
}

TEST_F(XToonRoadTest, ChannelTableAndBlockLayout) {
    MaterialRoad* road = Road();
    ASSERT_TRUE(road);
    const auto& ch = road->item()->channels();
    const char* names[] = {"detailMode", "shadeMix",   "zMin",       "zRange",        "strength",      "patAlpha",
                           "brightness", "contrast",   "shadows",    "indirectLight", "detail",        "flipHoriz",
                           "flipVert",   "useImage",   "stepPos",    "topColor.R",    "topColor.G",    "topColor.B",
                           "bottomColor.R", "bottomColor.G", "bottomColor.B", "specGrad", "reflGrad"};
    ASSERT_EQ(ch.size(), 23u);
    for (size_t i = 0; i < ch.size(); ++i) EXPECT_EQ(ch[i].name, names[i]);
    EXPECT_EQ(ch[0].kind, kvh::ChannelKind::Integer);
    ASSERT_EQ(ch[0].hints.size(), 7u);
    EXPECT_EQ(ch[0].hints[2].text, "silhouette");
    EXPECT_EQ(ch[0].hints[5].text, "=xtoon-detail");
    EXPECT_EQ(ch[0].hints[5].value, -1);
    EXPECT_EQ(ch[2].typeName, "distance");
    EXPECT_EQ(ch[3].typeName, "float");
    EXPECT_EQ(ch[4].value, 1.0);
    EXPECT_EQ(ch[13].kind, kvh::ChannelKind::Boolean);
    EXPECT_EQ(ch[14].value, -1.0);
    EXPECT_EQ(ch[15].value, 1.0);  // topColor white
    EXPECT_EQ(ch[18].value, 0.0);  // bottomColor black
    EXPECT_EQ(ch[17].gradientInput, "color1");
    EXPECT_EQ(ch[21].gradientInput, "percent");
    EXPECT_EQ(ch[22].object, kvh::ObjectValue::Gradient);

    const XToonPacketData& b = Block(*road);
    EXPECT_EQ(b.detailMode, kDetailDepth);
    EXPECT_FLOAT_EQ(b.zMin, 0.01f);
    EXPECT_FLOAT_EQ(b.zMax, 10.01f);
    EXPECT_FLOAT_EQ(b.depthRatio, float(10.01 / 0.010001));
    EXPECT_EQ(b.shadeMix, 1.0f);
    EXPECT_EQ(b.strength, 1.0f);
    EXPECT_EQ(b.detail, 1.0f);
    EXPECT_EQ(b.indirectLight, 1.0f);
    EXPECT_EQ(b.stepPos, -1.0f);
    EXPECT_EQ(b.useImage, 0);

    for (double range : {0.0, -3.0}) {
        MaterialRoad::Options o;
        o.values = {{"zMin", 2.0}, {"zRange", range}, {"flipVert", 5.0}};
        MaterialRoad* r = Road(o);
        ASSERT_TRUE(r);
        EXPECT_FLOAT_EQ(Block(*r).zMax, 2.0f + 0.000001f);
        EXPECT_FLOAT_EQ(Block(*r).depthRatio, Block(*r).zMax / (2.0f + 0.000001f));
        EXPECT_EQ(Block(*r).flipVert, 1);
    }
}

TEST_F(XToonRoadTest, ToneCurvesAndHostBlend) {
    MaterialRoad::Options o;
    DetailAsGrey(o);
    o.values = {{"detailMode", kDetailTexture}};
    MaterialRoad* plain = Road(o);
    ASSERT_TRUE(plain);
    // r = 0.5 gives the tone 0.5; r = 0 gives 0 (clamped from -0.0865).
    Sample s;
    EXPECT_NEAR(Shade(*plain, s).packet.detail, 0.5f, 1e-6);
    s.light = 0.0f;
    EXPECT_EQ(Shade(*plain, s).packet.detail, 0.0f);
    s.light = 0.75f;
    EXPECT_NEAR(Shade(*plain, s).packet.detail, 0.5f + 1.17310f * 0.25f, 1e-5);

    // patAlpha 0: the host's own sum, whatever shadeMix.
    o.values = {{"patAlpha", 0.0}, {"shadeMix", 0.3}};
    MaterialRoad* clear = Road(o);
    ASSERT_TRUE(clear);
    s.spec[0] = 0.2f;
    s.refl[1] = 0.3f;
    const Shaded r = Shade(*clear, s);
    EXPECT_FLOAT_EQ(r.color[0], 0.2f);
    EXPECT_FLOAT_EQ(r.color[1], 0.3f);
    EXPECT_FLOAT_EQ(r.color[2], 0.0f);
    // Component 0 becomes the surface colour times the diffuse amount.
    EXPECT_EQ(r.sc.diff[0], 1.0f);
}

TEST_F(XToonRoadTest, DetailModesGiveKnownAnswers) {
    auto road = [&](std::vector<kvh::ChannelValue> values, std::vector<kvh::TextureLayer> layers = {}) {
        MaterialRoad::Options o;
        DetailAsGrey(o);
        o.values = std::move(values);
        o.layers = std::move(layers);
        return Road(o);
    };
    Sample s;
    // Depth: 1 at zMin, about 0 at zMax, 0.5 at the geometric middle.
    MaterialRoad* depth = road({{"zMin", 1.0}, {"zRange", 99.0}});
    ASSERT_TRUE(depth);
    s.dist = 1.0f;
    EXPECT_EQ(Detail(*depth, s), kTop);
    s.dist = 10.0f;
    EXPECT_NEAR(Detail(*depth, s), 0.5f, 1e-5);
    s.dist = 100.0f;
    EXPECT_NEAR(Detail(*depth, s), 0.0f, 1e-5);

    // Depth of field around F = zMin + (zMax - zMin) * strength.
    MaterialRoad* dofFar = road({{"detailMode", kDetailDof}, {"zMin", 1.0}, {"zRange", 9.0}, {"strength", 2.0}});
    ASSERT_TRUE(dofFar);
    s.dist = 13.5f;  // below F = 19: 1 - ln(0.75) / ln(0.5)
    EXPECT_NEAR(Detail(*dofFar, s), 1.0f - std::log(0.75f) / std::log(0.5f), 1e-5);
    MaterialRoad* dofMid = road({{"detailMode", kDetailDof}, {"zMin", 1.0}, {"zRange", 9.0}, {"strength", 0.5}});
    ASSERT_TRUE(dofMid);
    s.dist = 10.0f;  // above F = 5.5: ln(10 / 15.5) / ln(6.5 / 15.5)
    EXPECT_NEAR(Detail(*dofMid, s), std::log(10.0f / 15.5f) / std::log(6.5f / 15.5f), 1e-5);

    // Silhouette: |N . direction| ^ strength.
    MaterialRoad* sil = road({{"detailMode", kDetailSilhouette}, {"strength", 2.0}});
    ASSERT_TRUE(sil);
    s.dir[1] = 0.6f;
    s.dir[2] = -0.8f;
    EXPECT_NEAR(Detail(*sil, s), 0.64f, 1e-6);

    // Specular: lum(component 4) / lum(specular colour); 0 without a specular colour.
    MaterialRoad* spec = road({{"detailMode", kDetailSpecular}});
    ASSERT_TRUE(spec);
    for (int c = 0; c < 3; ++c) s.spec[c] = 0.2f;
    EXPECT_NEAR(Detail(*spec, s), 0.0f, 1e-6);
    for (int c = 0; c < 3; ++c) s.specCol[c] = 0.5f;
    EXPECT_NEAR(Detail(*spec, s), 0.4f, 1e-6);

    // Texture: the packet's detail word, as read or as a texture layer sets it.
    Sample t;
    MaterialRoad* tex = road({{"detailMode", kDetailTexture}, {"detail", 0.3}});
    ASSERT_TRUE(tex);
    EXPECT_NEAR(Detail(*tex, t), 0.3f, 1e-6);
    MaterialRoad* layered = road({{"detailMode", kDetailTexture}}, {{"xToonDetail", 1.0f, kvt::ConstantPattern(0.7f)}});
    ASSERT_TRUE(layered);
    EXPECT_NEAR(Detail(*layered, t), 0.7f, 1e-6);
    // Any other mode reads the detail word too.
    MaterialRoad* other = road({{"detailMode", 17.0}, {"detail", 0.25}});
    ASSERT_TRUE(other);
    EXPECT_NEAR(Detail(*other, t), 0.25f, 1e-6);
}

TEST_F(XToonRoadTest, DegenerateDepthRangesGiveNumbers) {
    auto road = [&](std::vector<kvh::ChannelValue> values) {
        MaterialRoad::Options o;
        DetailAsGrey(o);
        o.values = std::move(values);
        return Road(o);
    };
    Sample s;
    // A zero range makes the ratio 1: near (1) up to zMin, far (0) beyond.
    MaterialRoad* flat = road({{"zMin", 2.0}, {"zRange", 0.0}});
    ASSERT_TRUE(flat);
    s.dist = 1.5f;
    EXPECT_EQ(Detail(*flat, s), kTop);
    s.dist = 2.5f;
    EXPECT_EQ(Detail(*flat, s), 0.0f);
    // zMin at or below 0 has no logarithm.
    MaterialRoad* zeroNear = road({{"zMin", 0.0}, {"zRange", 5.0}});
    ASSERT_TRUE(zeroNear);
    s.dist = 0.5f;
    EXPECT_EQ(Detail(*zeroNear, s), 0.0f);
    s.dist = 0.0f;
    EXPECT_EQ(Detail(*zeroNear, s), kTop);

    // Depth of field where the formula has no number: below a focus inside
    // the range, or with strength 0.
    for (double strength : {0.0, 0.3, 0.5, 1.0}) {
        MaterialRoad* dof =
            road({{"detailMode", kDetailDof}, {"zMin", 1.0}, {"zRange", 9.0}, {"strength", strength}});
        ASSERT_TRUE(dof);
        for (float z : {0.0f, 0.5f, 1.0f, 2.0f, 5.0f, 10.0f, 40.0f}) {
            s.dist = z;
            const float d = Detail(*dof, s);
            EXPECT_TRUE(d >= 0.0f && d <= kTop) << "strength " << strength << " z " << z << " gives " << d;
            if (z < 1.0f + 9.0f * float(strength)) {
                EXPECT_EQ(d, 0.0f) << "strength " << strength << " z " << z;
            }
        }
    }
}

TEST_F(XToonRoadTest, FlipsBandsAndStepPos) {
    auto road = [&](std::vector<kvh::ChannelValue> values, bool grey = true) {
        MaterialRoad::Options o;
        if (grey) DetailAsGrey(o);
        o.values = std::move(values);
        o.values.push_back({"detailMode", kDetailTexture});
        return Road(o);
    };
    Sample s;
    s.light = 0.75f;
    const float tone = 0.5f + 1.17310f * 0.25f;
    MaterialRoad* flipped = road({{"detail", 0.2}, {"flipHoriz", 1.0}, {"flipVert", 1.0}});
    ASSERT_TRUE(flipped);
    const Shaded f = Shade(*flipped, s);
    EXPECT_NEAR(f.color[0], 0.8f, 1e-6);          // D' = 1 - D
    EXPECT_NEAR(f.packet.detail, 1.0f - tone, 1e-5);  // T' = 1 - T, in the detail word

    // No image bound: posterised grey with more levels for more detail.
    s.light = 0.5f;
    MaterialRoad* band0 = road({{"useImage", 1.0}, {"detail", 0.0}}, false);
    MaterialRoad* band1 = road({{"useImage", 1.0}, {"detail", 0.999}}, false);
    ASSERT_TRUE(band0 && band1);
    EXPECT_NEAR(Shade(*band0, s).color[2], 1.0f / 3.0f, 1e-6);
    EXPECT_NEAR(Shade(*band1, s).color[2], 0.5f, 1e-6);

    // stepPos inside (0, 1) picks top or bottom; otherwise they mix by D'.
    MaterialRoad* stepTop = road({{"stepPos", 0.5}, {"detail", 0.5}});
    MaterialRoad* stepBottom = road({{"stepPos", 0.5}, {"detail", 0.6}});
    MaterialRoad* mixed = road({{"detail", 0.25}});
    ASSERT_TRUE(stepTop && stepBottom && mixed);
    EXPECT_NEAR(Shade(*stepTop, s).color[0], 0.0f, 1e-6);
    EXPECT_NEAR(Shade(*stepBottom, s).color[0], 1.0f, 1e-6);
    EXPECT_NEAR(Shade(*mixed, s).color[0], 0.25f, 1e-6);
}

TEST_F(XToonRoadTest, GradientsFollowTheToneAndShapeHighlights) {
    MaterialRoad::Options o;
    // Top: red ramp with the tone; bottom: constant blue.
    o.gradients = {{"topColor.R", {{0.0, 0.0}, {1.0, 1.0}}}, Flat("topColor.G", 0.0), Flat("topColor.B", 0.0),
                   Flat("bottomColor.R", 0.0), Flat("bottomColor.G", 0.0), Flat("bottomColor.B", 1.0),
                   {"specGrad", {{0.0, 0.0}, {1.0, 1.0}}}, {"reflGrad", {{-1.0, 0.0}, {0.0, 0.0}, {2.0, 2.0}}}};
    o.values = {{"detailMode", kDetailTexture}, {"detail", 0.25}};
    MaterialRoad* road = Road(o);
    ASSERT_TRUE(road);
    Sample s;  // tone 0.5
    Shaded r = Shade(*road, s);
    EXPECT_NEAR(r.color[0], 0.375f, 1e-6);  // 0.5 * 0.75
    EXPECT_NEAR(r.color[2], 0.25f, 1e-6);
    // Specular: colour times specGrad(|spec| / |specular colour|) = 0.5 * 0.5;
    // reflection: its direction times reflGrad(its length) = u * 1.
    for (int c = 0; c < 3; ++c) {
        s.specCol[c] = 0.5f;
        s.spec[c] = 0.25f;
    }
    s.refl[0] = 0.0f;
    s.refl[1] = 0.6f;
    s.refl[2] = 0.8f;
    r = Shade(*road, s);
    EXPECT_NEAR(r.color[0], 0.375f + 0.25f, 1e-5);
    EXPECT_NEAR(r.color[1], 0.25f + 0.6f, 1e-5);
    EXPECT_NEAR(r.color[2], 0.25f + 0.25f + 0.8f, 1e-5);
}

TEST_F(XToonRoadTest, MissingPacketShadesFromACopyOfTheBlock) {
    MaterialRoad::Options o;
    DetailAsGrey(o);
    o.values = {{"detailMode", kDetailTexture}, {"detail", 0.4}};
    MaterialRoad* road = Road(o);
    ASSERT_TRUE(road);
    XToonPacketData before;
    std::memcpy(&before, road->block(), sizeof before);
    Sample s;
    const Shaded with = Shade(*road, s);
    const Shaded without = Shade(*road, s, false);
    EXPECT_NEAR(without.color[0], 0.4f, 1e-6);
    EXPECT_EQ(without.color[0], with.color[0]);
    EXPECT_EQ(std::memcmp(road->block(), &before, sizeof before), 0);  // the shared block is not written
}

TEST_F(XToonRoadTest, EffectAndDriversKeepTheDepthRangeConsistent) {
    auto packetAfter = [&](std::vector<kvh::TextureLayer> layers, std::vector<kvh::ChannelDriver> drivers = {}) {
        MaterialRoad::Options o;
        o.values = {{"zMin", 1.0}, {"zRange", 9.0}};
        o.layers = std::move(layers);
        o.drivers = std::move(drivers);
        MaterialRoad* road = Road(o);
        return road ? Shade(*road, Sample{}).packet : XToonPacketData{};
    };
    // Setting the range moves zMax and recomputes the ratio.
    XToonPacketData p = packetAfter({{"xToonRange", 1.0f, kvt::ConstantPattern(4.0f)}});
    EXPECT_FLOAT_EQ(p.zMin, 1.0f);
    EXPECT_FLOAT_EQ(p.zMax, 5.0f);
    EXPECT_FLOAT_EQ(p.depthRatio, 5.0f / 1.000001f);
    // Reading the range gives zMax - zMin: half-way from 9 to 5 is 7.
    p = packetAfter({{"xToonRange", 0.5f, kvt::ConstantPattern(5.0f)}});
    EXPECT_FLOAT_EQ(p.zMax, 8.0f);
    // Setting zMin keeps the range.
    p = packetAfter({{"xToonZMin", 1.0f, kvt::ConstantPattern(3.0f)}});
    EXPECT_FLOAT_EQ(p.zMin, 3.0f);
    EXPECT_FLOAT_EQ(p.zMax, 12.0f);
    EXPECT_FLOAT_EQ(p.depthRatio, 12.0f / 3.000001f);
    // A per-sample zRange driver recomputes zMax and the ratio too.
    p = packetAfter({}, {{"zRange", kvt::ConstantPattern(2.0f)}});
    EXPECT_FLOAT_EQ(p.zMax, 3.0f);
    EXPECT_FLOAT_EQ(p.depthRatio, 3.0f / 1.000001f);
    EXPECT_NE(roads_.back()->sampleDriven(), 0);
}

// Per sample the material asks the nodal service for its driven channels in
// link order, zRange right after zMin; zMax and the ratio follow both new values.
TEST_F(XToonRoadTest, NodalReadsFollowTheLinkOrder) {
    MaterialRoad::Options o;
    o.values = {{"zMin", 1.0}, {"zRange", 9.0}};
    o.drivers = {{"zMin", kvt::ConstantPattern(2.0f)}, {"zRange", kvt::ConstantPattern(3.0f)}};
    MaterialRoad* road = Road(o);
    ASSERT_NE(road, nullptr);
    std::vector<uint32_t> reads;
    host_.session->nodal().valueReads = &reads;
    const Shaded s = Shade(*road, Sample{});
    host_.session->nodal().valueReads = nullptr;
    std::vector<std::string> names;
    for (uint32_t c : reads) names.push_back(road->item()->channels().at(c).name);
    const std::vector<std::string> expected = {"shadeMix", "zMin",          "zRange", "strength",  "patAlpha",
                                               "brightness", "contrast",    "shadows", "indirectLight", "detail",
                                               "flipHoriz", "flipVert",     "useImage", "stepPos"};
    EXPECT_EQ(names, expected);
    EXPECT_FLOAT_EQ(s.packet.zMin, 2.0f);
    EXPECT_FLOAT_EQ(s.packet.zMax, 5.0f);
    EXPECT_FLOAT_EQ(s.packet.depthRatio, 5.0f / 2.000001f);
}

}  // namespace
}  // namespace XToon_Shader::test
