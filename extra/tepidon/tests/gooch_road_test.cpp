// tepidon.kv loaded by the stand-in host and driven through its method
// tables: servers, channel set-up, link, sample links, read, per-sample
// evaluation and shading, packet and packet effect, channel UI, clean-up.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <optional>
#include <thread>

#include "core/scene_objects.h"
#include "gooch_host.h"
#include "testing/host_object_check.h"

namespace {

using namespace kvh;
using gooch_test::GoochHost;
using gooch_test::HostSample;

// The Gooch settings a test expects the shading to use.
struct Expect {
    float tintWarm = 0.2f, tintCool = 0.6f;
    float cool[3] = {0.0f, 0.0f, 0.4f}, warm[3] = {0.4f, 0.4f, 0.0f};
    float brightness = 0.0f, contrast = 0.0f;
    bool lights = false;
};

// Tone after the brightness and contrast curves.
float Curve(float t, float b, float k) {
    const double td = b < 0 ? (b + 1.0) * t : t + (1.0 - t) * double(b);
    return float(std::tan((k + 1.0) * 0.7853981633974483) * (float(td) - 0.5) + 0.5);
}

// Diffuse result of HostSample's sample for the settings.
void ExpectedDiffuse(const Expect& e, float diff[3]) {
    // Fixed light: V = (0.1, 0.25, 1) normalised against N = +z. Scene lights:
    // illumination 0.6 + 0.1 (shadows 1, indirect 1) over the grey 0.5.
    const float base = e.lights ? 0.7f : 0.5f;
    const float t = e.lights ? 0.7f / 0.5f : 1.0f / std::sqrt(0.01f + 0.0625f + 1.0f);
    const float f = Curve(t, e.brightness, e.contrast);
    for (int c = 0; c < 3; ++c) {
        const float warm = base * e.tintWarm + e.warm[c];
        const float cool = base * e.tintCool + e.cool[c];
        diff[c] = cool + (warm - cool) * f;
    }
}

void ExpectShaded(const HostSample& s, const Expect& e) {
    float diff[3];
    ExpectedDiffuse(e, diff);
    for (int c = 0; c < 3; ++c) {
        EXPECT_NEAR(s.sc.diff[c], diff[c], 1e-5f) << "component " << c;
        const float rest = s.sc.diff[c] + 0.01f + 0.02f + 0.0f + 0.03f;
        EXPECT_NEAR(s.out.color[c], e.lights ? 0.25f + rest : rest, 1e-5f) << "component " << c;
    }
}

void ExpectUntouched(const HostSample& s) {
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(s.sc.diff[c], 0.7f);
        EXPECT_EQ(s.out.color[c], 0.9f);
    }
}

template <class Vt>
const Vt* T(vt_IKvUnknown** p) {
    return reinterpret_cast<const Vt*>(*p);
}

class GoochRoad : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(host_.Load()) << host_.error;
        pool_ = std::make_unique<VectorPool>(host_.session->Layout());
        rays_.emplace();
    }
    void TearDown() override {
        rays_.reset();
        pool_.reset();
        host_.session.reset();
        objects_.ExpectNoneLeft();
    }

    std::unique_ptr<MaterialRoad> Road(MaterialRoad::Options opt = {}) {
        auto road = host_.Road(std::move(opt));
        EXPECT_NE(road, nullptr) << host_.error;
        return road;
    }
    SampleVector& Begin() { return pool_->BeginSample(0, 0, 0.5f, 0.5f, 0); }
    // The Gooch packet's bytes in the vector, present or not.
    float* GoochPacket(SampleVector& v) { return reinterpret_cast<float*>(v.data + host_.GoochPacketOffset()); }
    void SetGoochPacketPresent(SampleVector& v, bool on) {
        v.SetPresent(uint32_t(host_.session->Layout().IndexAtOffset(host_.GoochPacketOffset())), on);
    }
    // A fresh instance of a server's interface.
    ComRef Generate(const char* server, const st_KVtGUID& iid) {
        ComRef obj;
        EXPECT_EQ(host_.gooch->Generate(server, &obj), KV_OK);
        return obj ? obj.Query(iid) : ComRef();
    }

    kvt::HostObjectCheck objects_;  // before the host's session exists
    GoochHost host_;
    std::unique_ptr<VectorPool> pool_;
    std::optional<kvt::OwnedRays> rays_;
};

TEST_F(GoochRoad, ServersTagsAndPacketAsTheHostRecordsThem) {
    const auto& servers = host_.gooch->servers();
    ASSERT_EQ(servers.size(), 3u);
    EXPECT_EQ(servers[0].name, "gooch");
    EXPECT_EQ(servers[1].name, "gooch.packet");
    EXPECT_EQ(servers[2].name, "GoochPFX");
    using Tags = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(servers[0].tags, (Tags{{"server.username", "Gooch Material"}, {"server.logsubsystem", "comp-shader"}}));
    EXPECT_EQ(servers[1].tags, (Tags{{"server.username", "Gooch Packet"},
                                     {"server.logsubsystem", "vector-packet"},
                                     {"vpacket.category", "sample"}}));
    EXPECT_EQ(servers[2].tags, (Tags{{"server.username", "Gooch Packet FX"},
                                     {"server.logsubsystem", "texture-effect"},
                                     {"textureFX.category", "surface"}}));
    const auto& packets = host_.session->Layout().packets();
    const int32_t index = host_.session->Layout().IndexAtOffset(host_.GoochPacketOffset());
    ASSERT_GE(index, 0);
    EXPECT_EQ(packets[size_t(index)].size, 48u);

    auto road = Road();
    ASSERT_TRUE(road);
    EXPECT_EQ(road->customPacket(), "gooch.packet");
    const auto* m = T<vt_IKvCustomMaterial>(road->material());
    EXPECT_EQ(m->Flags(road->material()), 0);
    int32_t opaque = 5;
    EXPECT_EQ(m->SetOpaque(road->material(), &opaque), KV_OK);
    EXPECT_EQ(opaque, 0);
    m->Cleanup(road->material(), nullptr);  // a null block is ignored
}

TEST_F(GoochRoad, ChannelTableAndDefaults) {
    auto road = Road();
    ASSERT_TRUE(road);
    EXPECT_EQ(road->item()->typeName(), "material.gooch");
    struct Row {
        const char* name;
        const char* type;
        ChannelKind kind;
        double dflt;
    };
    const Row want[] = {
        {"useLights", "boolean", ChannelKind::Boolean, 0.0},  {"coolColor.R", "color1", ChannelKind::Float, 0.0},
        {"coolColor.G", "color1", ChannelKind::Float, 0.0},   {"coolColor.B", "color1", ChannelKind::Float, 0.4},
        {"warmColor.R", "color1", ChannelKind::Float, 0.4},   {"warmColor.G", "color1", ChannelKind::Float, 0.4},
        {"warmColor.B", "color1", ChannelKind::Float, 0.0},   {"tintWarm", "percent", ChannelKind::Float, 0.2},
        {"tintCool", "percent", ChannelKind::Float, 0.6},     {"indirectLight", "percent", ChannelKind::Float, 1.0},
        {"brightness", "percent", ChannelKind::Float, 0.0},   {"contrast", "percent", ChannelKind::Float, 0.0},
        {"shadows", "percent", ChannelKind::Float, 1.0},
    };
    const auto& ch = road->item()->channels();
    ASSERT_EQ(ch.size(), std::size(want));
    for (size_t i = 0; i < ch.size(); ++i) {
        EXPECT_EQ(ch[i].name, want[i].name);
        EXPECT_EQ(ch[i].typeName, want[i].type) << want[i].name;
        EXPECT_EQ(ch[i].kind, want[i].kind) << want[i].name;
        EXPECT_DOUBLE_EQ(ch[i].defaultValue, want[i].dflt) << want[i].name;
        EXPECT_TRUE(ch[i].hints.empty());
        EXPECT_EQ(ch[i].object, ObjectValue::None);
    }
    for (const std::string& w : host_.session->warnings()) EXPECT_EQ(w.find("AddChannel"), std::string::npos) << w;
}

TEST_F(GoochRoad, LinkRecordsThirteenChannelsAndFailsWithTheHostCode) {
    ComRef m = Generate("gooch", kv::guid_CustomMaterial);
    ASSERT_TRUE(m);
    const auto* cm = m.table<vt_IKvCustomMaterial>();
    auto* builder = new ChannelBuilder();
    ASSERT_EQ(cm->SetupChannels(m.get(), builder->ptr()), KV_OK);
    std::vector<Channel> channels = builder->Build();
    builder->ReleaseOwned();

    Scene& scene = host_.session->scene();
    SceneItem* item = scene.CreateItem("full", "material.gooch", channels);
    auto* ev = new Evaluation(scene);
    ASSERT_EQ(cm->LinkChannels(m.get(), ev->evaluationPtr(), item->ptr()), KV_OK);
    const char* linkOrder[] = {"useLights",   "coolColor.R", "coolColor.G", "coolColor.B",   "warmColor.R",
                               "warmColor.G", "warmColor.B", "tintWarm",    "tintCool",      "indirectLight",
                               "shadows",     "brightness",  "contrast"};
    ASSERT_EQ(ev->entries.size(), 13u);
    for (size_t i = 0; i < 13; ++i) {
        EXPECT_EQ(item->channels()[ev->entries[i].channel].name, linkOrder[i]);
        EXPECT_EQ(ev->entries[i].mode, KV_EVAL_VALUE);
    }
    ev->ReleaseOwned();

    // An item without "brightness": the links before it stay, the host's code comes back.
    std::erase_if(channels, [](const Channel& c) { return c.name == "brightness"; });
    SceneItem* partial = scene.CreateItem("partial", "material.gooch", channels);
    ev = new Evaluation(scene);
    EXPECT_EQ(cm->LinkChannels(m.get(), ev->evaluationPtr(), partial->ptr()), KV_E_OUTOFBOUNDS);
    EXPECT_EQ(ev->entries.size(), 11u);
    ev->ReleaseOwned();

    MaterialRoad::Options opt;
    opt.removeChannels = {"coolColor.G"};
    auto road = MaterialRoad::Create(*host_.session, *host_.gooch, "gooch", opt);
    HostError err;
    EXPECT_EQ(road->Prepare(&err), KV_E_OUTOFBOUNDS);
}

TEST_F(GoochRoad, SampleLinksAndSampleDriven) {
    auto& regs = host_.session->nodal().registrations;
    {
        auto road = Road();
        ASSERT_TRUE(road);
        EXPECT_EQ(road->sampleDriven(), 0);
        const uint32_t want[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 12, 10, 11};  // item indices in link order
        ASSERT_EQ(regs.size(), 12u);
        for (size_t i = 0; i < 12; ++i) {
            EXPECT_EQ(regs[i].channel, want[i]);
            EXPECT_EQ(regs[i].mode, 1);
        }
    }
    Pattern constant;
    constant.a[0] = 0.5f;
    // The first and the last of the twelve entries from coolColor.R.
    for (const char* driven : {"coolColor.R", "shadows"}) {
        MaterialRoad::Options opt;
        opt.itemName = driven;
        opt.drivers.push_back({driven, constant, 0});
        auto road = Road(opt);
        ASSERT_TRUE(road);
        EXPECT_EQ(road->sampleDriven(), 1) << driven;
    }
    // The lights switch is not linked per sample.
    MaterialRoad::Options opt;
    opt.itemName = "switch";
    opt.drivers.push_back({"useLights", constant, 0});
    auto road = Road(opt);
    ASSERT_TRUE(road);
    EXPECT_EQ(road->sampleDriven(), 0);
    EXPECT_EQ(road->indexArray()[0], -1);
}

TEST_F(GoochRoad, ReadFillsTheBlockAndFailedReadsGiveZero) {
    MaterialRoad::Options opt;
    opt.values = {{"useLights", 3}, {"tintWarm", 0.35}, {"coolColor.G", 0.7}, {"warmColor.B", 0.15},
                  {"brightness", 0.1}, {"contrast", -0.25}, {"shadows", 0.5}};
    auto road = Road(opt);
    ASSERT_TRUE(road);
    const auto* block = static_cast<const float*>(road->block());
    const float want[12] = {0.35f, 0.6f, 0.0f, 0.7f, 0.4f, 0.4f, 0.4f, 0.15f, 0.1f, -0.25f, 0.5f, 1.0f};
    for (int i = 0; i < 12; ++i) EXPECT_FLOAT_EQ(block[i], want[i]) << "field " << i;
    int32_t useLights = 0;
    std::memcpy(&useLights, block + 12, 4);
    EXPECT_EQ(useLights, 1);

    // A switch value the host cannot give as an integer reads as 0.
    opt.itemName = "unreadable";
    opt.values = {{"useLights", 1e12}};
    auto bad = Road(opt);
    ASSERT_TRUE(bad);
    std::memcpy(&useLights, static_cast<const char*>(bad->block()) + 48, 4);
    EXPECT_EQ(useLights, 0);

    // Attributes that know none of the evaluation indices: every field is 0.
    const auto* cm = T<vt_IKvCustomMaterial>(road->material());
    auto* empty = new Evaluation(host_.session->scene());
    void* data = nullptr;
    ASSERT_EQ(cm->ReadChannels(road->material(), empty->attributesPtr(), &data), KV_OK);
    ASSERT_NE(data, nullptr);
    const unsigned char zero[52] = {};
    EXPECT_EQ(std::memcmp(data, zero, 52), 0);
    cm->Cleanup(road->material(), data);
    empty->ReleaseOwned();
}

TEST_F(GoochRoad, MaterialEvaluateCopiesTheBlockAndOverridesDrivenChannels) {
    MaterialRoad::Options opt;
    opt.values = {{"tintCool", 0.3}, {"contrast", 0.2}};
    Pattern warmth, green;
    warmth.a[0] = 0.9f;
    green.a[1] = 0.125f;
    opt.drivers = {{"tintWarm", warmth, 0}, {"warmColor.G", green, 1}};
    auto road = Road(opt);
    ASSERT_TRUE(road);
    SampleVector& v = Begin();
    HostSample s(v);
    float* packet = GoochPacket(v);
    for (int i = 8; i < 12; ++i) packet[i] = 7.0f;  // fields the packet's defaults leave
    road->Shade(v, rays_->ptr(), s.sc, s.out);
    const float want[12] = {0.9f, 0.3f, 0.0f, 0.0f, 0.4f, 0.4f, 0.125f, 0.0f, 0.0f, 0.2f, 1.0f, 1.0f};
    for (int i = 0; i < 12; ++i) EXPECT_FLOAT_EQ(packet[i], want[i]) << "field " << i;

    // Without the packet in the vector nothing is written.
    SetGoochPacketPresent(v, false);
    for (int i = 0; i < 12; ++i) packet[i] = -3.0f;
    const auto* cm = T<vt_IKvCustomMaterial>(road->material());
    cm->MaterialEvaluate(road->material(), pool_->evaluator().ptr(), const_cast<int32_t*>(road->indexArray().data()),
                         v.ptr(), road->block());
    for (int i = 0; i < 12; ++i) EXPECT_EQ(packet[i], -3.0f);
}

TEST_F(GoochRoad, ShadesFromThePacketOrFromTheBlockWithoutIt) {
    MaterialRoad::Options opt;
    opt.values = {{"tintWarm", 0.5}, {"warmColor.R", 0.9}};
    TextureLayer red;
    red.value = "coolColor";
    red.pattern.a[0] = 1.0f;
    opt.layers = {red};
    auto road = Road(opt);
    ASSERT_TRUE(road);
    Expect e;
    e.tintWarm = 0.5f;
    e.warm[0] = 0.9f;

    // The texture layer replaces coolColor in the packet through the effect.
    SampleVector& v = Begin();
    HostSample s(v);
    road->Shade(v, rays_->ptr(), s.sc, s.out);
    Expect layered = e;
    layered.cool[0] = 1.0f;
    layered.cool[2] = 0.0f;
    ExpectShaded(s, layered);

    // Without a Gooch packet the block's values shade, not stale packet bytes.
    SampleVector& w = Begin();
    HostSample t(w);
    SetGoochPacketPresent(w, false);
    for (int i = 0; i < 12; ++i) GoochPacket(w)[i] = 5.0f;
    road->Shade(w, rays_->ptr(), t.sc, t.out);
    ExpectShaded(t, e);
}

TEST_F(GoochRoad, FixedLightCases) {
    struct Case {
        double brightness, contrast;
    };
    for (Case c : {Case{0, 0}, Case{0, -1}, Case{-1, 0}, Case{1, 0}, Case{0.3, 0.4}}) {
        MaterialRoad::Options opt;
        opt.itemName = "fixed" + std::to_string(c.brightness) + "_" + std::to_string(c.contrast);
        opt.values = {{"brightness", c.brightness}, {"contrast", c.contrast}};
        auto road = Road(opt);
        ASSERT_TRUE(road);
        SampleVector& v = Begin();
        HostSample s(v);
        road->Shade(v, rays_->ptr(), s.sc, s.out);
        Expect e;
        e.brightness = float(c.brightness);
        e.contrast = float(c.contrast);
        ExpectShaded(s, e);
        // Contrast -1 is the mid mix; at contrast 0 brightness -1 is the cool, 1 the warm colour.
        for (int k = 0; k < 3; ++k) {
            const float cool = 0.5f * 0.6f + e.cool[k], warm = 0.5f * 0.2f + e.warm[k];
            if (c.contrast == -1) {
                EXPECT_NEAR(s.sc.diff[k], 0.5f * (cool + warm), 1e-6f);
            } else if (c.brightness == -1) {
                EXPECT_NEAR(s.sc.diff[k], cool, 1e-6f);
            } else if (c.brightness == 1) {
                EXPECT_NEAR(s.sc.diff[k], warm, 1e-6f);
            }
        }
    }
}

TEST_F(GoochRoad, SceneLightsMixTheIlluminationAndAddSpecular) {
    MaterialRoad::Options opt;
    opt.values = {{"useLights", 1}};
    auto road = Road(opt);
    ASSERT_TRUE(road);
    SampleVector& v = Begin();
    HostSample s(v);
    road->Shade(v, rays_->ptr(), s.sc, s.out);
    Expect e;
    e.lights = true;
    ExpectShaded(s, e);

    // A black surface: t = 0, the cool colour built from the illumination.
    SampleVector& w = Begin();
    HostSample t(w);
    for (float& c : w.Packet<st_KVpSampleParms>(HostPacket::SampleParms)->diffCol) c = 0.0f;
    road->Shade(w, rays_->ptr(), t.sc, t.out);
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(t.sc.diff[c], 0.7f * 0.6f + e.cool[c], 1e-6f);
}

TEST_F(GoochRoad, MissingHostPacketsLeaveTheHostOutput) {
    auto fixed = Road();
    MaterialRoad::Options opt;
    opt.itemName = "lit";
    opt.values = {{"useLights", 1}};
    auto lit = Road(opt);
    ASSERT_TRUE(fixed && lit);
    for (HostPacket missing : {HostPacket::SampleRay, HostPacket::SurfaceNormal, HostPacket::SampleParms}) {
        SampleVector& v = Begin();
        HostSample s(v);
        v.SetPresent(missing, false);
        fixed->Shade(v, rays_->ptr(), s.sc, s.out);
        ExpectUntouched(s);
    }
    SampleVector& v = Begin();
    HostSample s(v);
    v.SetPresent(HostPacket::SampleParms, false);
    lit->Shade(v, rays_->ptr(), s.sc, s.out);
    ExpectUntouched(s);

    // Scene lights need neither the ray nor the normal.
    SampleVector& w = Begin();
    HostSample t(w);
    w.SetPresent(HostPacket::SampleRay, false);
    w.SetPresent(HostPacket::SurfaceNormal, false);
    lit->Shade(w, rays_->ptr(), t.sc, t.out);
    Expect e;
    e.lights = true;
    ExpectShaded(t, e);
}

TEST_F(GoochRoad, PacketAndPacketEffectThroughTheirTables) {
    ComRef pkt = Generate("gooch.packet", kv::guid_VectorPacket);
    ASSERT_TRUE(pkt);
    const auto* vp = pkt.table<vt_IKvVectorPacket>();
    EXPECT_EQ(vp->Size(pkt.get()), 48u);
    EXPECT_EQ(vp->Interface(pkt.get()), nullptr);
    float p[12], before[12];
    for (float& f : p) f = 7.0f;
    EXPECT_EQ(vp->Initialize(pkt.get(), p), KV_OK);
    const float defaults[12] = {0.2f, 0.6f, 0.0f, 0.0f, 0.4f, 0.4f, 0.4f, 0.0f, 7.0f, 7.0f, 7.0f, 7.0f};
    for (int i = 0; i < 12; ++i) EXPECT_FLOAT_EQ(p[i], defaults[i]) << "field " << i;
    std::memcpy(before, p, sizeof p);
    EXPECT_EQ(vp->Blend(pkt.get(), p, before, before, 0.5f, 0), KV_OK);
    EXPECT_EQ(std::memcmp(p, before, sizeof p), 0);
    EXPECT_EQ(vp->Copy(pkt.get(), p, before), KV_E_NOTIMPL);

    ComRef fx = Generate("GoochPFX", kv::guid_PacketEffect);
    ASSERT_TRUE(fx);
    const auto* pe = fx.table<vt_IKvPacketEffect>();
    const char* name = nullptr;
    EXPECT_EQ(pe->Packet(fx.get(), &name), KV_OK);
    EXPECT_STREQ(name, "gooch.packet");
    ASSERT_EQ(pe->Count(fx.get()), 4u);
    struct Row {
        const char* name;
        const char* type;
        int32_t flags;
    };
    const Row rows[] = {{"warmColor", "color1", 0x31}, {"tintWarm", "angle", 0x30}, {"coolColor", "color1", 0x31},
                        {"tintCool", "percent", 0x30}};
    for (int32_t i = 0; i < 4; ++i) {
        const char *n = nullptr, *t = nullptr;
        int32_t flags = 0;
        EXPECT_EQ(pe->ByIndex(fx.get(), i, &n, &t, &flags), KV_OK);
        EXPECT_STREQ(n, rows[i].name);
        EXPECT_STREQ(t, rows[i].type);
        EXPECT_EQ(flags, rows[i].flags);
    }

    float packet[12] = {};
    const float warmth = 0.75f, cool[3] = {0.1f, 0.2f, 0.3f};
    EXPECT_EQ(pe->Set(fx.get(), 1, packet, &warmth, nullptr), KV_OK);
    EXPECT_EQ(pe->Set(fx.get(), 2, packet, cool, nullptr), KV_OK);
    const float want[12] = {0.75f, 0, 0.1f, 0.2f, 0.3f, 0, 0, 0, 0, 0, 0, 0};
    for (int i = 0; i < 12; ++i) EXPECT_EQ(packet[i], want[i]) << "field " << i;
    packet[5] = 0.5f, packet[6] = 0.6f, packet[7] = 0.7f;
    float got[3] = {};
    EXPECT_EQ(pe->Get(fx.get(), 0, packet, got, nullptr), KV_OK);
    EXPECT_EQ(got[2], 0.7f);

    // The index equal to the count (and any other outside) writes nothing.
    float untouched[3] = {9, 9, 9};
    const char* n = "kept";
    EXPECT_EQ(pe->Get(fx.get(), 4, packet, untouched, nullptr), KV_OK);
    EXPECT_EQ(pe->ByIndex(fx.get(), 4, &n, nullptr, nullptr), KV_OK);
    std::memcpy(before, packet, sizeof packet);
    EXPECT_EQ(pe->Set(fx.get(), 4, packet, cool, nullptr), KV_OK);
    EXPECT_EQ(pe->Set(fx.get(), -1, packet, cool, nullptr), KV_OK);
    EXPECT_EQ(untouched[0], 9.0f);
    EXPECT_STREQ(n, "kept");
    EXPECT_EQ(std::memcmp(packet, before, sizeof packet), 0);
}

TEST_F(GoochRoad, ChannelUIAnswers) {
    const char* kText = "This only applies when 'Use Lights' is active.";
    auto road = Road();
    ASSERT_TRUE(road);
    const uint32_t goochType = host_.session->sceneTypes().Lookup("material.gooch");
    ASSERT_NE(goochType, 0u);
    for (const ChannelUIRecord& r : road->ProbeChannelUI()) {
        const bool dependent = r.channel == "shadows" || r.channel == "indirectLight";
        const bool hinted = r.channel.rfind("coolColor", 0) == 0 || r.channel.rfind("warmColor", 0) == 0 ||
                            r.channel == "tintWarm" || r.channel == "tintCool";
        SCOPED_TRACE(r.channel);
        EXPECT_EQ(r.enabled, dependent ? KV_MSG_DISABLED : KV_OK);
        EXPECT_EQ(r.messageCode, dependent ? KV_MSG_DISABLED : 0);
        if (dependent) {
            EXPECT_EQ(r.messageTable, "common");
            EXPECT_EQ(r.messageEntry, 99u);
            EXPECT_EQ(r.messageArg1, kText);
        }
        EXPECT_EQ(r.dependencyCountResult, KV_OK);
        EXPECT_EQ(r.dependencyCount, dependent ? 1u : 0u);
        if (dependent) {
            ASSERT_EQ(r.dependencies.size(), 1u);
            EXPECT_EQ(r.dependencies[0].result, KV_OK);
            EXPECT_EQ(uint32_t(r.dependencies[0].itemType), goochType);
            EXPECT_EQ(r.dependencies[0].channel, "useLights");
        }
        EXPECT_EQ(r.hintsResult, hinted ? KV_OK : KV_E_NOTIMPL);
        EXPECT_EQ(r.hintFlags, hinted ? std::vector<int32_t>{4} : std::vector<int32_t>{});
    }

    // The dependency answer does not depend on the index.
    ComRef ui = Generate("gooch", kv::guid_ChannelUI);
    ASSERT_TRUE(ui);
    const auto* t = ui.table<vt_IKvChannelUI>();
    for (uint32_t index : {0u, 5u}) {
        int32_t type = 0;
        const char* dep = nullptr;
        EXPECT_EQ(t->DependencyByIndex(ui.get(), "indirectLight", index, &type, &dep), KV_OK);
        EXPECT_EQ(uint32_t(type), goochType);
        EXPECT_STREQ(dep, "useLights");
    }
    int32_t type = 0;
    const char* dep = nullptr;
    EXPECT_EQ(t->DependencyByIndex(ui.get(), "tintWarm", 0, &type, &dep), KV_E_OUTOFBOUNDS);
    EXPECT_EQ(dep, nullptr);

    // Lights on: everything is enabled.
    MaterialRoad::Options on;
    on.itemName = "lit";
    on.values = {{"useLights", 1}};
    auto lit = Road(on);
    ASSERT_TRUE(lit);
    for (const ChannelUIRecord& r : lit->ProbeChannelUI()) EXPECT_EQ(r.enabled, KV_OK) << r.channel;

    // An item without the switch: it counts as off.
    MaterialRoad::Options none;
    none.itemName = "noswitch";
    none.removeChannels = {"useLights"};
    auto noSwitch = MaterialRoad::Create(*host_.session, *host_.gooch, "gooch", none);
    HostError err;
    EXPECT_TRUE(KV_FAILED(noSwitch->Prepare(&err)));
    for (const ChannelUIRecord& r : noSwitch->ProbeChannelUI())
        if (r.channel == "shadows") {
            EXPECT_EQ(r.enabled, KV_MSG_DISABLED);
        }
}

TEST_F(GoochRoad, ShadesFromManyThreadsAtOnce) {
    MaterialRoad::Options opt;
    Pattern ramp;
    ramp.type = Pattern::Type::RampU;
    ramp.b[0] = 1.0f;
    opt.drivers = {{"contrast", ramp, 0}};
    TextureLayer layer;
    layer.value = "warmColor";
    layer.pattern = ramp;
    opt.layers = {layer};
    auto road = Road(opt);
    ASSERT_TRUE(road);
    // Each thread shades the same samples with its own pool; all must agree.
    constexpr int kThreads = 8, kSamples = 2000;
    std::vector<float> sums(kThreads, 0.0f);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            VectorPool pool(host_.session->Layout());
            for (int i = 0; i < kSamples; ++i) {
                SampleVector& v = pool.BeginSample(i, 0, 0.5f, 0.5f, 0);
                HostSample s(v);
                v.Packet<st_KVpTextureInput>(HostPacket::TextureInput)->u = float(i) / kSamples;
                road->Shade(v, rays_->ptr(), s.sc, s.out);
                sums[size_t(t)] += s.out.color[0] + s.out.color[2];
            }
        });
    for (std::thread& t : threads) t.join();
    for (int t = 1; t < kThreads; ++t) EXPECT_EQ(sums[size_t(t)], sums[0]);
}

}  // namespace
