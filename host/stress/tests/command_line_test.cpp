// kvstress as a user runs it: counts it refuses, failures of the runner told
// apart from faults of the plug-in, and scene files of cases that kvrender loads.
#include <cmath>
#include <cstdlib>
#include <set>
#include <sstream>

#include "core/scene_file.h"
#include "core/session.h"
#include "stress/case_spec.h"
#include "stress/job.h"
#include "stress/report.h"
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

// The seeds of a compact list ("3, 17, 22-24").
std::set<uint64_t> ExpandSeeds(const std::string& list) {
    std::set<uint64_t> seeds;
    std::istringstream items(list);
    std::string item;
    while (std::getline(items, item, ',')) {
        const size_t dash = item.find('-');
        const uint64_t first = std::stoull(item.substr(0, dash));
        const uint64_t last = dash == std::string::npos ? first : std::stoull(item.substr(dash + 1));
        for (uint64_t s = first; s <= last; ++s) seeds.insert(s);
    }
    return seeds;
}

TEST(KvstressReport, EveryFailingSeedIsListedAndItsReplayFails) {
    CommandResult r = Kvstress("--material nandiv --only fuzz --cases 3000");
    ASSERT_EQ(r.status, 1) << r.out << r.err;
    const std::string total = "kvstress kvfaulty.kv: ";
    const size_t at = r.out.rfind(total);
    ASSERT_NE(at, std::string::npos) << r.out;
    const uint64_t faults = std::stoull(r.out.substr(at + total.size()));
    EXPECT_GT(faults, uint64_t(Report::kDetailed)) << "too few failing cases to show the seeds beyond the detailed ones";
    // The summary: the kinds, then every failing seed.
    EXPECT_NE(r.out.find("\n  non-finite output from tame inputs: " + std::to_string(faults) + "\n", at), std::string::npos)
        << r.out;
    const std::string listed = "  failing case seeds of 'nandiv': ";
    const size_t list = r.out.find(listed, at);
    ASSERT_NE(list, std::string::npos) << r.out;
    const std::string text = r.out.substr(list + listed.size(), r.out.find(" (replay one:", list) - list - listed.size());
    const std::set<uint64_t> seeds = ExpandSeeds(text);
    EXPECT_EQ(seeds.size(), faults) << text;
    EXPECT_NE(r.out.find("fuzz of 'nandiv': " + std::to_string(faults) + " faults; failing case seeds " + text),
              std::string::npos) << r.out;
    // Each replays alone as it failed in the run, and a case between them passes.
    for (uint64_t seed : seeds) {
        CommandResult replay = Kvstress("--material nandiv --only fuzz --cases 1 --seed " + std::to_string(seed));
        EXPECT_EQ(replay.status, 1) << seed << ": " << replay.out;
        EXPECT_NE(replay.out.find("non-finite output from tame inputs: material 'nandiv', case seed " +
                                  std::to_string(seed)),
                  std::string::npos)
            << replay.out;
    }
    const uint64_t passing = *seeds.begin() + 1;
    if (!seeds.count(passing)) {
        EXPECT_EQ(Kvstress("--material nandiv --only fuzz --cases 1 --seed " + std::to_string(passing)).status, 0);
    }
}

TEST(KvstressReport, FindingsOfAJobSurviveItsCrash) {
    JobOutcome o = RunJob("fuzz", "m", true, []() -> uint64_t {
        Report report("x.kv");
        report.Fault("kind a", "case 7", "found", "", 7);
        report.Fault("kind b", "outside any case", "found");
        std::abort();
    });
    EXPECT_TRUE(o.crashed);
    ASSERT_EQ(o.findings.size(), 2u);
    EXPECT_EQ(o.findings[0].kind, "kind a");
    EXPECT_EQ(o.findings[0].caseSeed, std::optional<uint64_t>(7));
    EXPECT_EQ(o.findings[1].kind, "kind b");
    EXPECT_FALSE(o.findings[1].caseSeed);
    EXPECT_EQ(CompactSeeds({3, 17, 22, 23, 24, 30, 31}), "3, 17, 22-24, 30, 31");
}

TEST(KvstressReport, AnUnwritableSceneFolderIsSaid) {
    CommandResult r = Kvstress("--material nandiv --only fuzz --cases 400 --out /dev/null/cases");
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.out.find("      scene file not written: cannot write '/dev/null/cases/kvstress-nandiv-"),
              std::string::npos)
        << r.out;
    EXPECT_EQ(r.out.find("scene file: "), std::string::npos) << r.out;
}

TEST(KvstressCommandLine, HelpGoesToStandardOutput) {
    CommandResult help = kvt::test::runCommand("'" + std::string(KVSTRESS) + "' --help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("usage: kvstress PLUGIN.kv"), std::string::npos) << help.out;
    EXPECT_EQ(help.err, "");
    CommandResult bad = kvt::test::runCommand("'" + std::string(KVSTRESS) + "' --bogus");
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.err.find("usage: kvstress PLUGIN.kv"), std::string::npos) << bad.err;
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
