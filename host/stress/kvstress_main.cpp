// kvstress PLUGIN.kv [--cases N] [--seed S] ...: the robustness runner.
// Finds the plug-in's materials through its tags and drives each one
// generically: fuzzing, fault injection, threads, and load/unload cycles.
// Exit code 0 when nothing was found, 1 when faults were found, 2 on bad use.
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <set>
#include <sstream>
#include <string>

#include "stress/case_spec.h"
#include "stress/job.h"
#include "stress/runs.h"

namespace {

void Usage(std::FILE* to) {
    std::fprintf(to,
                 "usage: kvstress PLUGIN.kv [options]\n"
                 "  --cases N           fuzz cases per material (default 1000)\n"
                 "  --seed S            first case seed (default 1); case i uses seed S+i\n"
                 "  --samples N         samples per fuzz case (default 4)\n"
                 "  --cycles N          load/unload cycles (default 20)\n"
                 "  --threads N         threads of the thread run (default 8)\n"
                 "  --thread-samples N  samples per thread (default 4000)\n"
                 "  --material NAME     only this material (repeatable)\n"
                 "  --only LIST         runs among fuzz,faults,threads,soak (default: all)\n"
                 "  --out DIR           folder for scene files of failing cases (default .)\n"
                 "  --write-scenes      write the scene file of every fuzz case\n"
                 "  --no-fork           run every job in this process (for a debugger)\n");
}

// A whole decimal number of digits only (no sign, no space) in [lo, hi].
bool ParseCount(const char* s, uint64_t lo, uint64_t hi, uint64_t* out) {
    if (!s[0] || std::strlen(s) > 20) return false;
    for (const char* c = s; *c; ++c)
        if (*c < '0' || *c > '9') return false;
    errno = 0;
    unsigned long long v = std::strtoull(s, nullptr, 10);
    if (errno == ERANGE || v < lo || v > hi) return false;
    *out = v;
    return true;
}

// The largest counts accepted: far beyond any useful run, well inside what
// the runner can hold and start.
constexpr uint64_t kMaxCases = 1000000000;
constexpr uint64_t kMaxSamples = 1000000;
constexpr uint64_t kMaxCycles = 1000000;
constexpr uint64_t kMaxThreads = 1024;
constexpr uint64_t kMaxThreadSamples = 100000000;

}  // namespace

int main(int argc, char** argv) {
    kvs::RunConfig cfg;
    std::set<std::string> only, materials;
    bool isolate = true;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&](uint64_t* out, uint64_t lo, uint64_t hi) {
            if (i + 1 >= argc || !ParseCount(argv[i + 1], lo, hi, out)) {
                std::fprintf(stderr, "kvstress: %s expects a whole number from %llu to %llu, not '%s'\n", a.c_str(),
                             static_cast<unsigned long long>(lo), static_cast<unsigned long long>(hi),
                             i + 1 < argc ? argv[i + 1] : "");
                std::exit(2);
            }
            ++i;
        };
        auto text = [&]() -> std::string {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "kvstress: %s needs a value\n", a.c_str());
                std::exit(2);
            }
            return argv[++i];
        };
        uint64_t n = 0;
        if (a == "--cases") value(&cfg.cases, 0, kMaxCases);
        else if (a == "--seed") value(&cfg.seed, 0, UINT64_MAX);
        else if (a == "--samples") value(&n, 1, kMaxSamples), cfg.samples = uint32_t(n);
        else if (a == "--cycles") value(&n, 0, kMaxCycles), cfg.cycles = uint32_t(n);
        else if (a == "--threads") value(&n, 1, kMaxThreads), cfg.threads = uint32_t(n);
        else if (a == "--thread-samples") value(&n, 1, kMaxThreadSamples), cfg.threadSamples = uint32_t(n);
        else if (a == "--material") materials.insert(text());
        else if (a == "--out") cfg.out = text();
        else if (a == "--no-fork") isolate = false;
        else if (a == "--write-scenes") cfg.writeScenes = true;
        else if (a == "--only") {
            std::stringstream ss(text());
            std::string w;
            while (std::getline(ss, w, ',')) only.insert(w);
        } else if (a == "-h" || a == "--help") {
            Usage(stdout);
            return 0;
        } else if (a.rfind("--", 0) == 0 || !cfg.pluginFile.empty()) {
            std::fprintf(stderr, "kvstress: unexpected argument '%s'\n", a.c_str());
            Usage(stderr);
            return 2;
        } else {
            cfg.pluginFile = a;
        }
    }
    if (cfg.pluginFile.empty()) {
        Usage(stderr);
        return 2;
    }
    for (const std::string& o : only)
        if (o != "fuzz" && o != "faults" && o != "threads" && o != "soak") {
            std::fprintf(stderr, "kvstress: unknown run '%s'\n", o.c_str());
            return 2;
        }
    auto wants = [&](const char* run) { return only.empty() || only.count(run) > 0; };

    kvs::PluginInfo info;
    std::string err;
    if (!kvs::ProbePlugin(cfg.pluginFile, &info, &err)) {
        std::fprintf(stderr, "kvstress: %s\n", err.c_str());
        if (kvs::EntryLoadsOnRetry(cfg.pluginFile)) {
            // Registration that fails once by design: the host's loader makes
            // one entry call, so there is no server to drive.
            std::printf("kvstress %s: the entry point fails on its first call and succeeds on the next; "
                        "nothing to drive through the host's loader\n",
                        cfg.pluginFile.c_str());
            return 0;
        }
        return 2;
    }
    std::string shortName = info.path.substr(info.path.find_last_of('/') + 1);
    cfg.pluginFile = info.path;  // scene files name the file that was tested
    kvs::Report report(shortName);
    std::vector<const kvs::MaterialInfo*> chosen;
    for (const kvs::MaterialInfo& m : info.materials)
        if (materials.empty() || materials.count(m.server)) chosen.push_back(&m);
    for (const std::string& name : materials) {
        bool known = false;
        for (const kvs::MaterialInfo& m : info.materials) known = known || m.server == name;
        if (!known) {
            std::fprintf(stderr, "kvstress: %s has no material server '%s'\n", shortName.c_str(), name.c_str());
            return 2;
        }
    }
    std::printf("kvstress %s: %zu servers, %zu materials, seed %llu\n", shortName.c_str(), info.servers.size(),
                info.materials.size(), static_cast<unsigned long long>(cfg.seed));
    std::fflush(stdout);

    uint64_t faults = 0;
    uint64_t harnessFailures = 0;
    // Each job reports on its own; what it found comes back through the job's
    // findings channel into `report`, whether the job ended or crashed.
    auto run = [&](const std::string& job, const kvs::MaterialInfo* m,
                   const std::function<uint64_t(kvs::Report&)>& body) {
        const std::string material = m ? m->server : "";
        kvs::JobOutcome o = kvs::RunJob(job, material, isolate, [&] {
            kvs::Report jobReport(shortName);
            return body(jobReport);
        });
        if (o.harnessFailed) {
            // Not the plug-in's doing: said apart from faults, and the run gives no verdict.
            ++harnessFailures;
            std::fprintf(stderr, "kvstress: the runner failed in %s%s: %s (no fault of the plug-in)\n", job.c_str(),
                         m ? (" of material '" + m->server + "'").c_str() : "", o.record.harnessError);
        }
        for (const kvs::JobFinding& f : o.findings) report.Merge(f.kind, material, f.caseSeed);
        // A job that crashed counted nothing itself: its findings are what it found.
        uint64_t found = std::max<uint64_t>(o.record.faults, o.findings.size());
        if (o.crashed) {
            ++found;
            std::string where = job + (m ? " of material '" + m->server + "'" : "");
            std::string scene, detail = o.Describe();
            if (m && job == "fuzz" && o.record.inCase) {
                const uint64_t seed = o.record.caseSeed, end = cfg.seed + cfg.cases;
                scene = kvs::CaseSceneLine(cfg.out, cfg.pluginFile, *m, kvs::MakeCase(*m, seed));
                where += ", case seed " + std::to_string(seed) + " (replay: kvstress <plugin> --material " +
                         m->server + " --only fuzz --seed " + std::to_string(seed) + " --cases 1)";
                if (seed + 1 < end)
                    detail += "; the cases after it were not run (resume: --seed " + std::to_string(seed + 1) +
                              " --cases " + std::to_string(end - seed - 1) + ")";
                report.AddFailingSeed(material, seed);
            }
            report.Fault("crash or sanitizer report", where, detail, scene);
        }
        faults += found;
        const std::string seeds = job == "fuzz" ? report.FailingSeeds(material) : "";
        if (found)
            std::printf("      %s%s: %llu faults%s\n", job.c_str(), m ? (" of '" + m->server + "'").c_str() : "",
                        static_cast<unsigned long long>(found),
                        seeds.empty() ? "" : ("; failing case seeds " + seeds).c_str());
    };

    for (const kvs::MaterialInfo* m : chosen) {
        std::printf("material '%s': %zu channels, packet '%s' (%u bytes), effect '%s' with %u values\n",
                    m->server.c_str(), m->channels.size(), m->packet.c_str(), m->packetSize, m->effectServer.c_str(),
                    m->effectCount);
        if (!m->defaultsError.empty()) {
            report.Fault("road fails at the defaults", "material '" + m->server + "'", m->defaultsError);
            ++faults;
            continue;
        }
        if (wants("fuzz")) run("fuzz", m, [&](kvs::Report& r) { return kvs::FuzzMaterial(cfg, *m, r); });
        if (wants("faults")) run("faults", m, [&](kvs::Report& r) { return kvs::FaultMaterial(cfg, *m, r); });
        if (wants("threads")) {
            // Another material of the plug-in, or a second item of this one.
            const kvs::MaterialInfo* other = m;
            for (const kvs::MaterialInfo& o : info.materials)
                if (&o != m && o.defaultsError.empty()) other = &o;
            run("threads", m, [&](kvs::Report& r) { return kvs::ThreadMaterial(cfg, *m, *other, r); });
        }
    }
    if (wants("soak")) run("soak", nullptr, [&](kvs::Report& r) { return kvs::SoakPlugin(cfg, info, r); });

    if (harnessFailures) {
        std::printf("kvstress %s: %llu faults; the runner failed in %llu jobs, so the run is incomplete\n%s",
                    shortName.c_str(), static_cast<unsigned long long>(faults),
                    static_cast<unsigned long long>(harnessFailures), report.Summary(cfg.pluginFile).c_str());
        return 2;
    }
    if (faults == 0) {
        std::printf("kvstress %s: no faults\n", shortName.c_str());
        return 0;
    }
    std::printf("kvstress %s: %llu faults\n%s", shortName.c_str(), static_cast<unsigned long long>(faults),
                report.Summary(cfg.pluginFile).c_str());
    return 1;
}
