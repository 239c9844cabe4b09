// bandfell.kv through the stand-in host: servers, the recorded channel table,
// links, block and packet layout, banded shading, the packet effect and the
// channel user interface.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "testing/effect_table_check.h"
#include "core/fault_injection.h"
#include "core/scene_objects.h"
#include "toon_host.h"
#include "toon_layout.h"
#include "testing/host_object_check.h"

namespace {

using namespace toon_test;
using kvh::MaterialRoad;

class ToonRoad : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(host.Load()) << host.error; }
    void TearDown() override {
        host.session.reset();
        objects.ExpectNoneLeft();
    }
    std::unique_ptr<MaterialRoad> Road(MaterialRoad::Options opt = {}) {
        auto road = host.Road(std::move(opt));
        EXPECT_NE(road, nullptr) << host.error;
        return road;
    }
    const ToonPacketData& Block(const MaterialRoad& road) { return *static_cast<const ToonPacketData*>(road.block()); }

    kvt::HostObjectCheck objects;  // before the host's session exists
    ToonHost host;
};

// Item channels in set-up order, colours as their components.
std::vector<std::string> ItemChannelNames() {
    std::vector<std::string> n = {"diffBands", "specBands",     "reflBands",   "specGrad",    "reflGrad",
                                  "diffLevel", "diffShift",     "specLevel",   "reflLevel",   "shadows",
                                  "indirectLight", "baseColor.R", "baseColor.G", "baseColor.B", "baseAlpha"};
    for (int b = 1; b <= 8; ++b) {
        const std::string d = std::to_string(b);
        for (const char* f : {"bandStart", "bandSoft", "bandColor.R", "bandColor.G", "bandColor.B", "bandAlpha",
                              "bandUseGrad", "bandGradient.R", "bandGradient.G", "bandGradient.B"}) {
            std::string s = f;
            const size_t dot = s.find('.');
            s.insert(dot == std::string::npos ? s.size() : dot, d);
            n.push_back(s);
        }
    }
    return n;
}

// The channels the material links, in link order.
std::vector<std::string> LinkNames() {
    std::vector<std::string> n = {"specGrad",  "reflGrad",  "diffBands",     "specBands", "reflBands",
                                  "diffLevel", "specLevel", "reflLevel",     "diffShift", "shadows",
                                  "indirectLight", "baseAlpha", "baseColor.R", "baseColor.G", "baseColor.B"};
    for (int b = 1; b <= 8; ++b) {
        const std::string d = std::to_string(b);
        for (std::string f : {"bandStart", "bandSoft", "bandColor.R", "bandColor.G", "bandColor.B", "bandAlpha",
                              "bandUseGrad"})
            n.push_back(f.find('.') == std::string::npos ? f + d : f.insert(f.find('.'), d));
    }
    for (int b = 1; b <= 8; ++b)
        for (const char* c : {".R", ".G", ".B"}) n.push_back("bandGradient" + std::to_string(b) + c);
    return n;
}

TEST_F(ToonRoad, ServersAndTagsInRegistrationOrder) {
    const auto& servers = host.toon->servers();
    ASSERT_EQ(servers.size(), 3u);
    EXPECT_EQ(servers[0].name, "toon");
    EXPECT_EQ(servers[0].Tag("server.username"), "Toon Material");
    EXPECT_EQ(servers[0].Tag("server.logsubsystem"), "comp-shader");
    EXPECT_EQ(servers[1].name, "toon.shader.packet");
    EXPECT_EQ(servers[1].Tag("server.username"), "ToonMaterial Shader Packet");
    EXPECT_EQ(servers[1].Tag("vpacket.category"), "sample");
    EXPECT_EQ(servers[2].name, "ToonMaterial");
    EXPECT_EQ(servers[2].Tag("server.username"), "ToonMaterial Packet FX");
    EXPECT_EQ(servers[2].Tag("server.logsubsystem"), "texture-effect");
    EXPECT_EQ(servers[2].Tag("textureFX.category"), "surface");
    EXPECT_GE(host.ToonPacketOffset(), 0);
}

TEST_F(ToonRoad, ChannelTableAsRecorded) {
    auto road = Road();
    ASSERT_TRUE(road);
    EXPECT_EQ(road->customPacket(), "toon.shader.packet");
    EXPECT_TRUE(host.session->warnings().empty());
    const auto& ch = road->item()->channels();
    const std::vector<std::string> names = ItemChannelNames();
    ASSERT_EQ(ch.size(), names.size());
    for (size_t i = 0; i < ch.size(); ++i) EXPECT_EQ(ch[i].name, names[i]) << i;

    auto at = [&](const char* name) -> const kvh::Channel& { return ch[size_t(road->item()->ChannelIndex(name))]; };
    EXPECT_EQ(at("diffBands").kind, kvh::ChannelKind::Integer);
    EXPECT_EQ(at("diffBands").value, 4.0);
    EXPECT_EQ(at("specGrad").object, kvh::ObjectValue::Gradient);
    EXPECT_EQ(at("specGrad").gradientInput, "percent");
    EXPECT_EQ(at("reflGrad").gradientInput, "percent");
    EXPECT_EQ(at("diffLevel").value, 0.5);
    EXPECT_EQ(at("shadows").value, 1.0);
    EXPECT_EQ(at("indirectLight").typeName, "percent");
    EXPECT_EQ(at("baseColor.G").value, 0.0);
    EXPECT_EQ(at("bandUseGrad5").kind, kvh::ChannelKind::Boolean);
    EXPECT_EQ(at("bandUseGrad5").value, 0.0);
    for (int b = 1; b <= 8; ++b) {
        const std::string d = std::to_string(b);
        EXPECT_DOUBLE_EQ(at(("bandStart" + d).c_str()).value, b * 0.125);
        EXPECT_DOUBLE_EQ(at(("bandColor" + d + ".G").c_str()).value, b * 0.125);
        EXPECT_DOUBLE_EQ(at(("bandGradient" + d + ".B").c_str()).value, b * 0.125);
        EXPECT_EQ(at(("bandGradient" + d + ".R").c_str()).object, kvh::ObjectValue::Gradient);
        EXPECT_EQ(at(("bandGradient" + d + ".R").c_str()).gradientInput, "color1");
        EXPECT_EQ(at(("bandColor" + d + ".R").c_str()).object, kvh::ObjectValue::None);
        EXPECT_EQ(at(("bandSoft" + d).c_str()).value, 0.0);
        EXPECT_EQ(at(("bandAlpha" + d).c_str()).value, 0.0);
    }
    for (const auto& c : ch) EXPECT_TRUE(c.hints.empty()) << c.name;
}

TEST_F(ToonRoad, NinetyFiveLinksAndSixtyNineSampleChannels) {
    auto road = Road();
    ASSERT_TRUE(road);
    // Link again on an evaluation of our own to see the links in order.
    auto* ev = new kvh::Evaluation(host.session->scene());
    const auto* m = reinterpret_cast<const vt_IKvCustomMaterial*>(*road->material());
    ASSERT_EQ(m->LinkChannels(road->material(), ev->evaluationPtr(), road->item()->ptr()), KV_OK);
    const std::vector<std::string> links = LinkNames();
    ASSERT_EQ(ev->entries.size(), links.size());
    for (size_t i = 0; i < links.size(); ++i) {
        EXPECT_EQ(road->item()->channels()[ev->entries[i].channel].name, links[i]) << i;
        EXPECT_EQ(ev->entries[i].mode, 1u);
    }
    ev->ReleaseOwned();

    const auto& reg = host.session->nodal().registrations;
    ASSERT_EQ(reg.size(), 69u);
    for (size_t i = 0; i < reg.size(); ++i) {
        EXPECT_EQ(road->item()->channels()[reg[i].channel].name, links[i + 2]) << i;
        EXPECT_EQ(reg[i].mode, 1);
    }
    EXPECT_EQ(road->sampleDriven(), 0);
}

// The per-sample channels are spread over all 95 item channels: a driver on
// the last one (bandUseGrad8, item channel 91) must be reported.
TEST_F(ToonRoad, SampleDrivenSeesTheLastBands) {
    MaterialRoad::Options opt;
    kvh::Pattern on;
    on.a[0] = on.a[1] = on.a[2] = 1.0f;
    opt.drivers.push_back({"bandUseGrad8", on, 0});
    auto road = Road(opt);
    ASSERT_TRUE(road);
    EXPECT_GT(road->item()->ChannelIndex("bandUseGrad8"), 69);
    EXPECT_EQ(road->sampleDriven(), 1);
}

TEST_F(ToonRoad, BlockHasThePacketLayout) {
    MaterialRoad::Options opt;
    opt.values = {{"diffBands", 6},      {"specBands", 2},     {"reflBands", 3},     {"diffLevel", 0.7},
                  {"diffShift", 0.1},    {"specLevel", 0.2},   {"reflLevel", 0.3},   {"baseColor.B", 0.9},
                  {"baseAlpha", 0.4},    {"shadows", 0.6},     {"indirectLight", 0.8}, {"bandStart8", 0.95},
                  {"bandSoft8", 0.02},   {"bandColor8.G", 0.33}, {"bandAlpha8", 0.44}, {"bandUseGrad8", 1},
                  {"bandUseGrad7", 0}};
    auto road = Road(opt);
    ASSERT_TRUE(road);
    const auto* w = static_cast<const int32_t*>(road->block());
    const auto* f = static_cast<const float*>(road->block());
    EXPECT_EQ(w[0], 6);
    EXPECT_EQ(w[2], 2);
    EXPECT_EQ(w[3], 3);
    EXPECT_FLOAT_EQ(f[4], 0.7f);
    EXPECT_FLOAT_EQ(f[5], 0.1f);
    EXPECT_FLOAT_EQ(f[6], 0.2f);
    EXPECT_FLOAT_EQ(f[7], 0.3f);
    EXPECT_FLOAT_EQ(f[10], 0.9f);
    EXPECT_FLOAT_EQ(f[11], 0.4f);
    EXPECT_FLOAT_EQ(f[12], 0.6f);
    EXPECT_FLOAT_EQ(f[13], 0.8f);
    const int band8 = 15 + 7 * 7;
    EXPECT_FLOAT_EQ(f[band8], 0.95f);
    EXPECT_FLOAT_EQ(f[band8 + 1], 0.02f);
    EXPECT_FLOAT_EQ(f[band8 + 3], 0.33f);
    EXPECT_FLOAT_EQ(f[band8 + 5], 0.44f);
    const auto* bytes = static_cast<const uint8_t*>(road->block());
    EXPECT_EQ(bytes[4 * (band8 + 6)], 1);
    EXPECT_EQ(bytes[4 * (band8 - 1)], 0);  // band 7's useGrad

    kvh::ComRef pkt = host.Server("toon.shader.packet", kv::guid_VectorPacket);
    ASSERT_TRUE(pkt);
    EXPECT_EQ(pkt.table<vt_IKvVectorPacket>()->Size(pkt.get()), 284u);
    EXPECT_EQ(host.session->Layout().packets()[size_t(host.session->Layout().IndexAtOffset(host.ToonPacketOffset()))].size,
              284u);
}

// A fresh packet has 3 white bands at 0, 1/3 and 2/3 (not the channel
// default of 4) and keeps every other word.
TEST_F(ToonRoad, PacketInitialiseWritesThreeWhiteBandsOnly) {
    kvh::ComRef pkt = host.Server("toon.shader.packet", kv::guid_VectorPacket);
    ASSERT_TRUE(pkt);
    const auto* vt = pkt.table<vt_IKvVectorPacket>();
    ToonPacketData p;
    std::memset(&p, 0x7F, sizeof p);
    ASSERT_EQ(vt->Initialize(pkt.get(), &p), KV_OK);
    EXPECT_EQ(p.diffBands, 3);
    EXPECT_EQ(p.reserved0, 8);
    EXPECT_EQ(p.specBands, 0);
    EXPECT_EQ(p.reflBands, 0);
    EXPECT_EQ(p.diffLevel, 0.5f);
    EXPECT_EQ(p.diffShift, 0.0f);
    EXPECT_EQ(p.specLevel, 0.5f);
    EXPECT_EQ(p.reflLevel, 0.5f);
    uint32_t bits;
    std::memcpy(&bits, &p.bands[1].start, 4);
    EXPECT_EQ(bits, 0x3EAAAAABu);
    std::memcpy(&bits, &p.bands[2].start, 4);
    EXPECT_EQ(bits, 0x3F2AAAABu);
    for (int b = 0; b < 3; ++b) {
        EXPECT_EQ(p.bands[b].soft, 0.0f);
        EXPECT_EQ(p.bands[b].alpha, 0.0f);
        for (float c : p.bands[b].color) EXPECT_EQ(c, 1.0f);
        EXPECT_EQ(p.bands[b].useGrad, 0x7F);
    }
    ToonPacketData raw;
    std::memset(&raw, 0x7F, sizeof raw);
    EXPECT_EQ(std::memcmp(p.baseColor, raw.baseColor, 7 * 4), 0);  // base colour to reserved word
    EXPECT_EQ(std::memcmp(&p.bands[3], &raw.bands[3], 5 * sizeof(ToonBand)), 0);
    EXPECT_EQ(vt->Blend(pkt.get(), &p, &raw, &raw, 0.5f, 0), KV_OK);
    EXPECT_EQ(p.diffBands, 3);
    EXPECT_EQ(vt->Interface(pkt.get()), nullptr);
}

class ToonShade : public ToonRoad {
protected:
    // Bands lit by no light show their colour through alpha 1, so the band
    // a sample takes is read off its diffuse result.
    static MaterialRoad::Options ColourBands() {
        MaterialRoad::Options opt;
        for (int b = 1; b <= 8; ++b) opt.values.push_back({"bandAlpha" + std::to_string(b), 1.0});
        return opt;
    }
    // Shades one sample of `road` at light `light`; the own packet can be
    // left out of the vector.
    ToonSample Shade(const MaterialRoad& road, float light, bool ownPacket = true,
                     void (*prepare)(ToonSample&) = nullptr) {
        if (!pool_) pool_ = std::make_unique<kvh::VectorPool>(host.session->Layout());
        ToonSample s(pool_->BeginSample(0, 0, 0.5f, 0.5f, 0), light);
        if (!ownPacket) s.v.SetPresent(uint32_t(host.session->Layout().IndexAtOffset(host.ToonPacketOffset())), false);
        if (prepare) prepare(s);
        s.Shade(road);
        return s;
    }
    void TearDown() override {
        pool_.reset();
        ToonRoad::TearDown();
    }
    std::unique_ptr<kvh::VectorPool> pool_;  // the samples' vector lives until the test ends
};

// diffShift 2.5 puts the band coordinate exactly at 0.25, band 2's start;
// 2.4 just below it; 3.0 inside band 2; 10 at band 8's start 1.0; 0 below
// band 1 (the black base record).
TEST_F(ToonShade, BandAtAndBetweenStarts) {
    for (auto [shift, grey] : {std::pair{2.5, 0.25f}, {2.4, 0.125f}, {3.0, 0.25f}, {10.0, 1.0f}, {0.0, 0.0f}}) {
        MaterialRoad::Options opt = ColourBands();
        opt.values.push_back({"diffShift", shift});
        opt.values.push_back({"diffBands", 8});
        opt.itemName = "shift" + std::to_string(shift);
        auto road = Road(opt);
        ASSERT_TRUE(road);
        ToonSample s = Shade(*road, 0.0f);
        EXPECT_FLOAT_EQ(s.sc.diff[1], grey) << "diffShift " << shift;
        road.reset();
    }
}

TEST_F(ToonShade, LevelOfTheBandUnderTheLight) {
    auto road = Road();  // 4 bands from 0.125, level 0.5
    ASSERT_TRUE(road);
    ToonSample s = Shade(*road, 0.3f);  // coordinate ~0.3: band 2
    const float level = 0.25f + 0.5f / 4;
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(s.sc.diff[c], 0.3f * level, 1e-6f);
    for (int c = 0; c < 3; ++c) EXPECT_FLOAT_EQ(s.out.color[c], s.sc.diff[c]);
}

TEST_F(ToonShade, BelowTheFirstBandUsesBaseColourAndAlpha) {
    MaterialRoad::Options opt;
    opt.values = {{"bandStart1", 0.2}, {"baseColor.R", 1.0}, {"baseAlpha", 0.5}};
    auto road = Road(opt);
    ASSERT_TRUE(road);
    ToonSample s = Shade(*road, 0.1f);
    const float b = 0.1f * (0.5f / 4);
    EXPECT_NEAR(s.sc.diff[0], b + (1.0f - b) * 0.5f, 1e-6f);
    EXPECT_NEAR(s.sc.diff[1], b * 0.5f, 1e-6f);
}

// Softness blends from the band below (here band 1, grey 0.125) into band 2
// (grey 0.25); at exactly the start there is no blend.
TEST_F(ToonShade, SoftnessBlendsFromTheBandBelow) {
    MaterialRoad::Options opt = ColourBands();
    opt.values.push_back({"bandSoft2", 0.1});
    opt.values.push_back({"diffShift", 3.0});  // 0.05 into band 2: u = 0.5
    auto road = Road(opt);
    ASSERT_TRUE(road);
    ToonSample s = Shade(*road, 0.0f);
    EXPECT_NEAR(s.sc.diff[0], 0.125f + (0.25f - 0.125f) * 0.5f, 1e-6f);
}

TEST_F(ToonShade, AlphaMixesBandColourOverTheShade) {
    MaterialRoad::Options opt;
    opt.values = {{"bandAlpha2", 0.5}, {"bandColor2.R", 1.0}, {"bandColor2.G", 0.0}};
    auto road = Road(opt);
    ASSERT_TRUE(road);
    ToonSample s = Shade(*road, 0.3f);
    const float b = 0.3f * (0.25f + 0.125f);
    EXPECT_NEAR(s.sc.diff[0], b + (1.0f - b) * 0.5f, 1e-6f);
    EXPECT_NEAR(s.sc.diff[1], b * 0.5f, 1e-6f);
    EXPECT_NEAR(s.sc.diff[2], b + (0.25f - b) * 0.5f, 1e-6f);
}

// A band gradient is read from the keys the scene sets, at the position
// inside the band; exactly at the band's start it is read at 1, not 0.
TEST_F(ToonShade, BandGradientFromSceneKeys) {
    for (auto [shift, t] : {std::pair{3.125, 0.5}, {2.5, 1.0}}) {
        MaterialRoad::Options opt = ColourBands();
        opt.values.push_back({"bandUseGrad2", 1});
        opt.values.push_back({"diffShift", shift});
        opt.gradients = {{"bandGradient2.R", Ramp(0.0, 1.0)},
                         {"bandGradient2.G", Ramp(1.0, 0.0)},
                         {"bandGradient2.B", Ramp(0.2, 0.2)}};
        opt.itemName = "shift" + std::to_string(shift);
        auto road = Road(opt);
        ASSERT_TRUE(road);
        ToonSample s = Shade(*road, 0.0f);
        EXPECT_NEAR(s.sc.diff[0], t, 1e-6) << shift;
        EXPECT_NEAR(s.sc.diff[1], 1.0 - t, 1e-6) << shift;
        EXPECT_NEAR(s.sc.diff[2], 0.2, 1e-6) << shift;
        road.reset();
    }
}

// Without "Use Gradient" the band keeps its colour whatever its gradient.
TEST_F(ToonShade, GradientIgnoredUnlessUseGradIsOn) {
    MaterialRoad::Options opt = ColourBands();
    opt.values.push_back({"diffShift", 3.125});
    opt.gradients = {{"bandGradient2.R", Ramp(0.9, 0.9)}};
    auto road = Road(opt);
    ASSERT_TRUE(road);
    ToonSample s = Shade(*road, 0.0f);
    EXPECT_FLOAT_EQ(s.sc.diff[0], 0.25f);
}

// specGrad and reflGrad carry the listener's default ramp (keys 0 to 0.8,
// value = input); the host's gradient holds the last key past 0.8.
TEST_F(ToonShade, HighlightGradientsWithTheListenersRamp) {
    MaterialRoad::Options opt;
    opt.values = {{"specLevel", 0.1}, {"reflLevel", 0.9}};
    auto road = Road(opt);
    ASSERT_TRUE(road);
    ToonSample s = Shade(*road, 0.0f, true, [](ToonSample& t) {
        t.sc.spec[0] = 0.3f;  // length 0.3: ramp at 0.4
        t.sc.refl[1] = 0.5f;  // length 0.5: ramp at 1.4, held at 0.8
    });
    EXPECT_NEAR(s.sc.spec[0], 0.4f, 1e-6f);
    EXPECT_NEAR(s.sc.refl[1], 0.8f, 1e-6f);
    EXPECT_NEAR(s.out.color[0], s.sc.diff[0] + 0.4f, 1e-6f);
}

TEST_F(ToonShade, HighlightGradientsWithSceneKeys) {
    MaterialRoad::Options opt;
    opt.values = {{"specLevel", 0.0}};
    opt.gradients = {{"specGrad", Ramp(0.0, 2.0)}};
    auto road = Road(opt);
    ASSERT_TRUE(road);
    ToonSample s = Shade(*road, 0.0f, true, [](ToonSample& t) { t.sc.spec[2] = 0.25f; });
    EXPECT_NEAR(s.sc.spec[2], 0.5f, 1e-6f);
}

// specBands 1: constant length specLevel; reflBands 3 with |v| = 0.6:
// floor(1.2) = 1, w = (reflLevel + 1) / 3; a zero vector stays zero.
TEST_F(ToonShade, SpecularAndReflectionBands) {
    MaterialRoad::Options opt;
    opt.values = {{"specBands", 1}, {"specLevel", 0.7}, {"reflBands", 3}, {"reflLevel", 0.5}};
    auto road = Road(opt);
    ASSERT_TRUE(road);
    ToonSample s = Shade(*road, 0.0f, true, [](ToonSample& t) {
        t.sc.spec[0] = 0.1f;
        t.sc.refl[0] = 0.36f;
        t.sc.refl[1] = 0.48f;  // length 0.6
        t.sc.tran[2] = 0.05f;
    });
    EXPECT_NEAR(s.sc.spec[0], 0.7f, 1e-6f);
    EXPECT_NEAR(s.sc.refl[0], 0.6f * 0.5f, 1e-6f);
    EXPECT_NEAR(s.sc.refl[1], 0.8f * 0.5f, 1e-6f);
    EXPECT_EQ(s.sc.spec[1], 0.0f);
    EXPECT_NEAR(s.out.color[2], s.sc.diff[2] + 0.05f, 1e-6f);

    ToonSample dark = Shade(*road, 0.0f);  // zero vectors
    EXPECT_EQ(dark.sc.spec[0], 0.0f);
    EXPECT_EQ(dark.sc.refl[0], 0.0f);
}

TEST_F(ToonShade, NoDiffuseBandsKeepsTheHostDiffuse) {
    MaterialRoad::Options opt;
    opt.values = {{"diffBands", 0}};
    auto road = Road(opt);
    ASSERT_TRUE(road);
    ToonSample s = Shade(*road, 0.5f, true, [](ToonSample& t) {
        for (float& c : t.sc.diff) c = 0.7f;
        t.sc.lumi[0] = 0.1f;
    });
    EXPECT_EQ(s.sc.diff[0], 0.7f);
    EXPECT_NEAR(s.out.color[0], 0.8f, 1e-6f);
}

// Without its packet in the vector the material shades from the block.
TEST_F(ToonShade, MissingOwnPacketShadesFromTheBlock) {
    MaterialRoad::Options opt = ColourBands();
    opt.values.push_back({"diffShift", 3.0});
    auto road = Road(opt);
    ASSERT_TRUE(road);
    ToonSample s = Shade(*road, 0.0f, false);
    EXPECT_FLOAT_EQ(s.sc.diff[0], 0.25f);
}

// Per-sample drivers replace the block's values in the packet; a count far
// outside the integer range keeps the block's count.
TEST_F(ToonShade, SampleDriversOverrideTheBlock) {
    MaterialRoad::Options opt = ColourBands();
    kvh::Pattern shift, huge;
    shift.a[0] = shift.a[1] = shift.a[2] = 3.0f;
    huge.a[0] = huge.a[1] = huge.a[2] = 1e12f;
    opt.drivers = {{"diffShift", shift, 0}, {"diffBands", huge, 0}};
    auto road = Road(opt);
    ASSERT_TRUE(road);
    EXPECT_EQ(road->sampleDriven(), 1);
    ToonSample s = Shade(*road, 0.0f);
    EXPECT_FLOAT_EQ(s.sc.diff[0], 0.25f);
    const auto* packet = static_cast<const ToonPacketData*>(s.v.PacketAt(host.ToonPacketOffset()));
    ASSERT_NE(packet, nullptr);
    EXPECT_EQ(packet->diffBands, 4);
    EXPECT_FLOAT_EQ(packet->diffShift, 3.0f);
}

// A texture layer on "toonColor.2" recolours band 2 through the effect.
TEST_F(ToonShade, TextureLayerDrivesBandColourThroughTheEffect) {
    MaterialRoad::Options opt = ColourBands();
    opt.values.push_back({"diffShift", 3.0});
    kvh::Pattern green;
    green.a[1] = 1.0f;
    opt.layers = {{"toonColor.2", 1.0f, green}};
    auto road = Road(opt);
    ASSERT_TRUE(road);
    ToonSample s = Shade(*road, 0.0f);
    EXPECT_FLOAT_EQ(s.sc.diff[0], 0.0f);
    EXPECT_FLOAT_EQ(s.sc.diff[1], 1.0f);
}

// A failed gradient read keeps the filter read before.
TEST_F(ToonShade, FailedGradientReadKeepsPreviousBinding) {
    MaterialRoad::Options opt;
    opt.values = {{"specLevel", 0.0}};
    opt.gradients = {{"specGrad", Ramp(0.0, 2.0)}};
    auto road = Road(opt);
    ASSERT_TRUE(road);
    host.session->scene().SetKeys(road->item(), uint32_t(road->item()->ChannelIndex("specGrad")), Ramp(0.0, 4.0));
    kvh::faults::Arm(kvh::FaultSite::AttributesValue, 1, true);
    kvh::HostError err;
    EXPECT_EQ(road->Reread(&err), KV_OK);
    kvh::faults::Clear();
    auto spec = [](ToonSample& t) { t.sc.spec[0] = 0.25f; };
    EXPECT_NEAR(Shade(*road, 0.0f, true, spec).sc.spec[0], 0.5f, 1e-6f);
    EXPECT_EQ(road->Reread(&err), KV_OK);
    EXPECT_NEAR(Shade(*road, 0.0f, true, spec).sc.spec[0], 1.0f, 1e-6f);
}

TEST_F(ToonRoad, EffectTableOfThirtyFiveValues) {
    kvh::ComRef fx = host.Server("ToonMaterial", kv::guid_PacketEffect);
    ASSERT_TRUE(fx);
    const auto* vt = fx.table<vt_IKvPacketEffect>();
    const char* packet = nullptr;
    EXPECT_EQ(vt->Packet(fx.get(), &packet), KV_OK);
    EXPECT_STREQ(packet, "toon.shader.packet");
    ASSERT_EQ(vt->Count(fx.get()), 35u);

    std::vector<kvt::EffectRow> rows = {{"toonBaseAlpha", "percent", 0x30, 11},
                                        {"toonBaseColor", "color1", 0x31, 8},
                                        {"toonDiffuseShift", "percent", 0x30, 5}};
    std::vector<std::string> names;
    names.reserve(32);
    for (int b = 1; b <= 8; ++b)
        for (const char* n : {"toonStart.", "toonColor.", "toonAlpha.", "toonSoft."}) names.push_back(n + std::to_string(b));
    for (int b = 0; b < 8; ++b) {
        const size_t w = 15 + 7 * size_t(b);
        rows.push_back({names[4 * b].c_str(), "percent", 0x30, w});
        rows.push_back({names[4 * b + 1].c_str(), "color1", 0x31, w + 2});
        rows.push_back({names[4 * b + 2].c_str(), "percent", 0x30, w + 5});
        rows.push_back({names[4 * b + 3].c_str(), "percent", 0x30, w + 1});
    }
    kvt::ExpectEffectRows(fx.get(), 71, rows);
}

// Every index outside 0..34, negative included, writes nothing and answers 0.
TEST_F(ToonRoad, EffectIndicesOutsideTheTableWriteNothing) {
    kvh::ComRef fx = host.Server("ToonMaterial", kv::guid_PacketEffect);
    ASSERT_TRUE(fx);
    const auto* vt = fx.table<vt_IKvPacketEffect>();
    ToonPacketData p{}, before{};
    const float v[3] = {9, 9, 9};
    for (int index : {35, 36, 38, 100, -1, -3, -4, -1000}) {
        const char* name = "untouched";
        int32_t flags = -7;
        EXPECT_EQ(vt->ByIndex(fx.get(), index, &name, nullptr, &flags), KV_OK);
        EXPECT_STREQ(name, "untouched");
        EXPECT_EQ(flags, -7);
        EXPECT_EQ(vt->Set(fx.get(), index, &p, v, nullptr), KV_OK);
        float out[3] = {1, 2, 3};
        EXPECT_EQ(vt->Get(fx.get(), index, &p, out, nullptr), KV_OK);
        EXPECT_EQ(out[0], 1.0f);
        EXPECT_EQ(out[2], 3.0f);
    }
    EXPECT_EQ(std::memcmp(&p, &before, sizeof p), 0);
}

// "Gradients ignored unless 'Use Gradient' is on.": a band gradient depends
// on its own band's switch; only the listed channels get hints.
TEST_F(ToonRoad, ChannelUIRules) {
    MaterialRoad::Options opt;
    opt.values = {{"bandUseGrad3", 1}};
    auto road = Road(opt);
    ASSERT_TRUE(road);
    const uint32_t toonType = host.session->sceneTypes().Lookup("material.toon");
    ASSERT_NE(toonType, 0u);
    for (const kvh::ChannelUIRecord& r : road->ProbeChannelUI()) {
        const bool gradient = r.channel.rfind("bandGradient", 0) == 0;
        EXPECT_EQ(r.dependencyCount, gradient ? 1u : 0u) << r.channel;
        if (!gradient) {
            EXPECT_EQ(r.enabled, KV_OK) << r.channel;
            continue;
        }
        const std::string sw = "bandUseGrad" + r.channel.substr(12, 1);
        ASSERT_EQ(r.dependencies.size(), 1u);
        EXPECT_EQ(r.dependencies[0].result, KV_OK);
        EXPECT_EQ(r.dependencies[0].channel, sw);
        EXPECT_EQ(uint32_t(r.dependencies[0].itemType), toonType);
        if (r.channel.rfind("bandGradient3", 0) == 0) {
            EXPECT_EQ(r.enabled, KV_OK) << r.channel;
            continue;
        }
        EXPECT_EQ(r.enabled, KV_MSG_DISABLED) << r.channel;
        EXPECT_EQ(r.messageCode, KV_MSG_DISABLED);
        EXPECT_EQ(r.messageTable, "common");
        EXPECT_EQ(r.messageEntry, 99u);
        EXPECT_EQ(r.messageArg1, "Gradients ignored unless 'Use Gradient' is on.");
    }

    // Direct calls: hints by exact name; a dependency answers every index alike.
    void* q = nullptr;
    ASSERT_EQ((*road->material())->QueryInterface(road->material(), &kv::guid_ChannelUI, &q), KV_OK);
    kvh::ComRef ui(q);
    const auto* vt = ui.table<vt_IKvChannelUI>();
    for (auto [name, hinted] : {std::pair{"diffLevel", true}, {"diffShift", true}, {"specLevel", true},
                                {"reflLevel", true}, {"shadows", true}, {"baseColor", true}, {"bandColor1", true},
                                {"bandColor2", true}, {"bandColor3", true}, {"bandColor4", false},
                                {"indirectLight", false}, {"baseColor.R", false}, {"diffLevelX", false}}) {
        auto* rec = new kvh::UIRecorder(host.session->scene());
        EXPECT_EQ(vt->UIHints(ui.get(), name, rec->hintsPtr()), hinted ? KV_OK : KV_E_NOTIMPL) << name;
        EXPECT_EQ(rec->hintFlags, hinted ? std::vector<int32_t>{4} : std::vector<int32_t>{}) << name;
        rec->ReleaseOwned();
    }
    int32_t type0 = 0, type5 = 0;
    const char *dep0 = nullptr, *dep5 = nullptr;
    EXPECT_EQ(vt->DependencyByIndex(ui.get(), "bandGradient6.B", 0, &type0, &dep0), KV_OK);
    EXPECT_EQ(vt->DependencyByIndex(ui.get(), "bandGradient6.B", 5, &type5, &dep5), KV_OK);
    EXPECT_STREQ(dep0, "bandUseGrad6");
    EXPECT_STREQ(dep5, "bandUseGrad6");
    EXPECT_EQ(type0, type5);
    EXPECT_EQ(vt->DependencyByIndex(ui.get(), "bandColor6.B", 0, &type0, &dep0), KV_E_OUTOFBOUNDS);
}

// An item without a linked channel: LinkChannels answers the host's code, and
// its band gradient is disabled since the switch cannot be read.
TEST_F(ToonRoad, MissingChannelFailsLinkAndDisablesItsGradient) {
    MaterialRoad::Options opt;
    opt.removeChannels = {"bandUseGrad3"};
    auto road = MaterialRoad::Create(*host.session, *host.toon, "toon", opt);
    kvh::HostError err;
    EXPECT_EQ(road->Prepare(&err), KV_E_OUTOFBOUNDS) << err.message;
    bool seen = false;
    for (const kvh::ChannelUIRecord& r : road->ProbeChannelUI()) {
        if (r.channel != "bandGradient3.R") continue;
        seen = true;
        EXPECT_EQ(r.enabled, KV_MSG_DISABLED);
        EXPECT_EQ(r.messageArg1, "Gradients ignored unless 'Use Gradient' is on.");
    }
    EXPECT_TRUE(seen);
}

}  // namespace
