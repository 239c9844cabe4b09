// The runner's own pieces: host fault injection, case determinism, scene
// files, tame accounting, and the in-process runs on the planted faults.
#include <gtest/gtest.h>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
// The planted reference leak leaks host objects on purpose.
#define KVSTRESS_EXPECTED_LEAKS __lsan::ScopedDisabler expectedLeaks
#else
#define KVSTRESS_EXPECTED_LEAKS
#endif

#include <filesystem>

#include "core/fault_injection.h"
#include "core/scene_file.h"
#include "core/services.h"
#include "core/session.h"
#include "stress/case_spec.h"
#include "stress/runs.h"

namespace kvs {
namespace {

TEST(FaultInjection, FailsTheChosenCallAndCountsEveryCall) {
    using kvh::FaultSite;
    namespace f = kvh::faults;
    f::Clear();
    EXPECT_FALSE(f::Hit(FaultSite::EvaluationAdd));
    EXPECT_EQ(f::Calls(FaultSite::EvaluationAdd), 0u);  // not counting before Count or Arm
    f::Arm(FaultSite::EvaluationAdd, 2);
    EXPECT_FALSE(f::Hit(FaultSite::EvaluationAdd));
    EXPECT_TRUE(f::Hit(FaultSite::EvaluationAdd));
    EXPECT_FALSE(f::Hit(FaultSite::EvaluationAdd));
    EXPECT_FALSE(f::Hit(FaultSite::AttributesInt));
    EXPECT_EQ(f::Calls(FaultSite::EvaluationAdd), 3u);
    EXPECT_EQ(f::Injected(), 1u);
    f::Clear();
    f::Arm(FaultSite::RaycastPush, 1, true);
    EXPECT_TRUE(f::Hit(FaultSite::RaycastPush));
    EXPECT_TRUE(f::Hit(FaultSite::RaycastPush));
    f::Clear();
    EXPECT_FALSE(f::Hit(FaultSite::RaycastPush));
}

TEST(FaultInjection, RootContextRefusesAServiceOnceOrAlways) {
    kvh::Session s;
    vt_IKvUnknown** root = s.root().ptr();
    void* out = nullptr;
    kvh::faults::RefuseService(kv::guid_PacketService, 1, false);
    EXPECT_EQ((*root)->QueryInterface(root, &kv::guid_PacketService, &out), KV_E_NOINTERFACE);
    ASSERT_EQ((*root)->QueryInterface(root, &kv::guid_PacketService, &out), KV_OK);
    (*static_cast<vt_IKvUnknown**>(out))->Release(out);
    ASSERT_EQ((*root)->QueryInterface(root, &kv::guid_NodalService, &out), KV_OK);  // other services answer
    (*static_cast<vt_IKvUnknown**>(out))->Release(out);
    kvh::faults::RefuseService(kv::guid_PacketService, 1, true);
    EXPECT_EQ((*root)->QueryInterface(root, &kv::guid_PacketService, &out), KV_E_NOINTERFACE);
    EXPECT_EQ((*root)->QueryInterface(root, &kv::guid_PacketService, &out), KV_E_NOINTERFACE);
    kvh::faults::Clear();
}

MaterialInfo SampleMaterial() {
    MaterialInfo m;
    m.server = "sample";
    kvh::Channel f;
    f.name = "amount", f.typeName = "percent", f.defaultValue = 0.5;
    m.channels.push_back(f);
    for (const char* c : {"tint.R", "tint.G", "tint.B"}) {
        kvh::Channel ch;
        ch.name = c, ch.typeName = "color1", ch.vectorGroup = 1, ch.object = kvh::ObjectValue::Gradient;
        ch.gradientInput = "percent";
        m.channels.push_back(ch);
    }
    kvh::Channel i;
    i.name = "mode", i.typeName = "integer", i.kind = kvh::ChannelKind::Integer;
    i.hints = {{0, "a", true}, {1, "b", true}, {-1, "=list", true}, {-1, "", false}};
    m.channels.push_back(i);
    m.effects.push_back({0, "amount", "percent", KV_PFX_FLAG_FLOAT});
    m.effects.push_back({1, "tint", "color1", KV_PFX_FLAG_COLOR});
    m.effectCount = 2;
    return m;
}

TEST(Cases, SameSeedSameCaseAndSceneFileHoldsEveryKindOfNumber) {
    MaterialInfo m = SampleMaterial();
    for (uint64_t seed = 1; seed < 200; ++seed)
        ASSERT_EQ(CaseScene("x.kv", m, MakeCase(m, seed)).dump(), CaseScene("x.kv", m, MakeCase(m, seed)).dump());
    EXPECT_NE(CaseScene("x.kv", m, MakeCase(m, 1)).dump(), CaseScene("x.kv", m, MakeCase(m, 2)).dump());

    EXPECT_EQ(Number(std::nan("")), "nan");
    EXPECT_EQ(Number(-INFINITY), "-inf");
    CaseSpec c;
    c.options.itemName = "m";
    c.options.values = {{"tint.G", 0.25}, {"amount", INFINITY}};
    c.options.gradients = {{"tint.R", {{0, 1}}}, {"tint.G", {{0, 2}}}, {"tint.B", {{0, 3}}}};
    nlohmann::json j = CaseScene("x.kv", m, c)["materials"]["m"];
    EXPECT_EQ(j["plugin"], "x.kv");
    EXPECT_EQ(j["channels"]["amount"], "inf");
    EXPECT_EQ(j["channels"]["tint"], nlohmann::json::parse("[0.0, 0.25, 0.0]"));
    EXPECT_EQ(j["gradients"]["tint"], nlohmann::json::parse("[[0.0, [1.0, 2.0, 3.0]]]"));
}

TEST(Values, TaintFollowsEveryNumberAndCleanValuesStayInRange) {
    Rng rng(7);
    Taint taint;
    ValueSource wild(rng, taint, Profile::Wild);
    wild.SetExtreme(false);
    for (int i = 0; i < 5000; ++i) wild.Float("float", 1.0), wild.Integer({}, 0), wild.HostFloat(0, 1);
    EXPECT_TRUE(taint.tame());  // far outside and zero, but never beyond the limit
    wild.SetExtreme(true);
    bool nan = false;
    for (int i = 0; i < 5000; ++i) nan = nan || std::isnan(wild.Float("percent", 0.5));
    EXPECT_TRUE(nan);
    EXPECT_FALSE(taint.tame());

    Taint clean;
    ValueSource src(rng, clean, Profile::Clean);
    for (int i = 0; i < 2000; ++i) {
        double p = src.Float("percent", 0.5);
        ASSERT_TRUE(p >= 0 && p <= 1) << p;
        float d[3];
        src.Direction(d);
        ASSERT_NEAR(d[0] * d[0] + d[1] * d[1] + d[2] * d[2], 1.0, 1e-4);
    }
}

// The planted faults, found by the runs in this process.
class Planted : public ::testing::Test {
protected:
    void SetUp() override {
        KVSTRESS_EXPECTED_LEAKS;
        std::string err;
        ASSERT_TRUE(ProbePlugin(KVFAULTY_PATH, &info_, &err)) << err;
        cfg_.pluginFile = KVFAULTY_PATH;
        cfg_.out = ::testing::TempDir();
        cfg_.cycles = 3;
    }
    const MaterialInfo& Material(const std::string& name) {
        for (const MaterialInfo& m : info_.materials)
            if (m.server == name) return m;
        throw std::runtime_error("no material " + name);
    }
    PluginInfo info_;
    RunConfig cfg_;
};

TEST_F(Planted, EachFaultIsReportedAndCleanMaterialsPass) {
    ASSERT_EQ(info_.materials.size(), 10u);
    Report report("kvfaulty.kv");
    cfg_.cases = 300;
    EXPECT_GT(FuzzMaterial(cfg_, Material("nandiv"), report), 0u);
    cfg_.cases = 10;
    {
        KVSTRESS_EXPECTED_LEAKS;
        EXPECT_GT(FuzzMaterial(cfg_, Material("leakref"), report), 0u);
    }
    EXPECT_GT(FuzzMaterial(cfg_, Material("overrun"), report), 0u);
    EXPECT_GT(FuzzMaterial(cfg_, Material("spill"), report), 0u);
    EXPECT_EQ(FuzzMaterial(cfg_, Material("refusecrash"), report), 0u);
    EXPECT_GT(FaultMaterial(cfg_, Material("swallow"), report), 0u);
    EXPECT_GT(FuzzMaterial(cfg_, Material("unpopped"), report), 0u);
    EXPECT_GT(FaultMaterial(cfg_, Material("wrongmonitor"), report), 0u);
    EXPECT_EQ(ThreadMaterial(cfg_, Material("refusecrash"), Material("overrun"), report), 0u);
    EXPECT_NE(report.Summary().find("non-finite output from tame inputs"), std::string::npos) << report.Summary();
    EXPECT_NE(report.Summary().find("host reference not released"), std::string::npos);
    EXPECT_NE(report.Summary().find("write past the material's own packet"), std::string::npos);
    EXPECT_NE(report.Summary().find("pfx_Get writes past its value"), std::string::npos);
    EXPECT_NE(report.Summary().find("pfx_Get writes outside the table"), std::string::npos);
    EXPECT_NE(report.Summary().find("host failure code not handed back"), std::string::npos);
    EXPECT_NE(report.Summary().find("Raycast slot 3 and slot 4 do not match in a sample"), std::string::npos);
    EXPECT_NE(report.Summary().find("wrong monitor handed to ImageFilter slot 4"), std::string::npos);
}

TEST_F(Planted, SceneFileOfACaseLoadsWithItsValues) {
    const MaterialInfo& m = Material("nandiv");
    CaseSpec c;
    for (uint64_t seed = 1; c.options.values.empty() || c.extreme; ++seed) c = MakeCase(m, seed);
    std::string path = WriteCaseScene(::testing::TempDir(), KVFAULTY_PATH, m, c);
    ASSERT_FALSE(path.empty());
    kvh::Session session;
    kvh::HostError err;
    auto scene = kvh::LoadSceneFile(session, path, &err);
    ASSERT_TRUE(scene) << err.message;
    kvh::MaterialRoad& road = *scene->materials.at(c.options.itemName);
    for (const kvh::ChannelValue& v : c.options.values)
        EXPECT_DOUBLE_EQ(road.item()->Value(v.channel), v.value) << v.channel;
    scene.reset();
    std::filesystem::remove(path);
}

}  // namespace
}  // namespace kvs
