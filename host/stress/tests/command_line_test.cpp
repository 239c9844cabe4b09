// kvstress as a user runs it: counts it refuses, failures of the runner told
// apart from faults of the plug-in, and scene files of cases that kvrender loads.
#include <cmath>

#include "core/scene_file.h"
#include "core/session.h"
#include "stress/case_spec.h"
#include "stress/job.h"
#include "testing/command_run.h"

namespace kvs {
namespace {

using kvt::test::CommandResult;

CommandResult Kvstress(const std::string& args, const std::string& shell = "") {
    return kvt::test::runCommand(shell + "'" + KVSTRESS + "' '" + KVFAULTY_PATH + "' --out '" + ::testing::TempDir() +
                                 "' " + args);
}

TEST(KvstressCommandLine, RefusesNegativeAndAbsurdCountsWithExitTwo) {
    struct Case {
        const char* args;
        const char* message;
    } cases[] = {
        {"--cases -1", "--cases expects a whole number from 0 to 1000000000, not '-1'"},
        {"--cases +5", "--cases expects a whole number"},
        {"--cases 99999999999999999999999", "--cases expects a whole number"},
        {"--seed -3", "--seed expects a whole number"},
        {"--threads 100000", "--threads expects a whole number from 1 to 1024, not '100000'"},
        {"--threads 0", "--threads expects a whole number from 1 to 1024"},
        {"--samples 4294967297", "--samples expects a whole number from 1 to 1000000"},
        {"--cycles", "--cycles expects a whole number"},
    };
    for (const Case& c : cases) {
        // Without the check, "--cases -1" runs 2^64 - 1 cases: the time limit ends it.
        CommandResult o = Kvstress(std::string("--material nandiv --only fuzz ") + c.args, "timeout 60 ");
        EXPECT_EQ(o.status, 2) << c.args << ": " << o.err;
        EXPECT_NE(o.err.find(std::string("kvstress: ") + c.message), std::string::npos) << c.args << ": " << o.err;
    }
}

TEST(KvstressHarness, AFailureOfTheRunnerIsNeverThePluginsFault) {
    for (bool isolate : {true, false}) {
        JobOutcome o = RunJob("threads", "m", isolate, []() -> uint64_t { throw HarnessError("cannot start thread 9"); });
        EXPECT_TRUE(o.harnessFailed) << isolate;
        EXPECT_FALSE(o.crashed) << isolate;
        EXPECT_STREQ(o.record.harnessError, "cannot start thread 9");
        JobOutcome clean = RunJob("threads", "m", isolate, [] { return uint64_t(2); });
        EXPECT_FALSE(clean.harnessFailed || clean.crashed);
        EXPECT_EQ(clean.record.faults, 2u);
    }
    // Thread stacks beyond the address-space limit: the system refuses threads.
    // (Sanitizers reserve more address space than the limit allows.)
    if (kvt::test::sanitizedBuild()) return;
    CommandResult o = Kvstress("--material refusecrash --only threads --threads 1024 --thread-samples 1",
                         "ulimit -v 1000000; ");
    EXPECT_EQ(o.status, 2) << o.out << o.err;
    EXPECT_NE(o.err.find("kvstress: the runner failed in threads of material 'refusecrash': cannot start thread"),
              std::string::npos)
        << o.err;
    EXPECT_NE(o.err.find("(no fault of the plug-in)"), std::string::npos) << o.err;
    EXPECT_EQ(o.out.find("FAULT"), std::string::npos) << o.out;
}

// Whether a written scene holds a number that scene files refuse by design
// (NaN and infinities as strings, magnitudes beyond 1e30).
bool HoldsUnloadableNumber(const nlohmann::json& j) {
    if (j.is_string()) return j == "nan" || j == "inf" || j == "-inf";
    if (j.is_number()) return !(std::fabs(j.get<double>()) <= 1e30);
    for (const auto& v : j) if (HoldsUnloadableNumber(v)) return true;
    return false;
}

TEST(KvstressScenes, EveryCaseSceneWithSceneNumbersLoads) {
    size_t loaded = 0;
    for (const char* plugin : {"tepidon.kv", "bandfell.kv", "rimquill.kv", "tonvale.kv"}) {
        const std::string file = kvh::Session::FindPluginFile(plugin);
        if (file.empty()) continue;
        PluginInfo info;
        std::string err;
        ASSERT_TRUE(ProbePlugin(file, &info, &err)) << err;
        for (const MaterialInfo& m : info.materials)
            for (uint64_t seed = 1; seed <= 40; ++seed) {
                const nlohmann::json scene = CaseScene(file, m, MakeCase(m, seed));
                if (HoldsUnloadableNumber(scene["materials"])) continue;
                kvh::Session session;
                kvh::HostError he;
                EXPECT_TRUE(kvh::LoadSceneJson(session, scene, ".", &he)) << plugin << " " << m.server << " seed "
                                                                          << seed << ": " << he.message;
                ++loaded;
            }
    }
    if (loaded == 0) GTEST_SKIP() << "no plug-in built";
}

}  // namespace
}  // namespace kvs
