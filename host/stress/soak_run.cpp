// Load and unload cycles: each loads the plug-in in a new session, hands it
// the root context, generates every server, drives one road per material and
// lets everything go, closing the library with the system loader.
#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <sstream>

#include "stress/case_spec.h"
#include "stress/harness.h"
#include "stress/job.h"
#include "stress/runs.h"

namespace kvs {

uint64_t ResidentBytes() {
    std::FILE* f = std::fopen("/proc/self/statm", "r");
    if (!f) return 0;
    unsigned long size = 0, resident = 0;
    int n = std::fscanf(f, "%lu %lu", &size, &resident);
    std::fclose(f);
    return n == 2 ? uint64_t(resident) * uint64_t(sysconf(_SC_PAGESIZE)) : 0;
}

uint64_t SoakPlugin(const RunConfig& cfg, const PluginInfo& p, Report& report) {
    uint64_t faults = 0;
    uint64_t rssFirst = 0, rssWarm = 0, rssLast = 0;
    bool stayedLoaded = false;
    const uint32_t warm = cfg.cycles > 10 ? 10 : 1;  // cycles before memory counts as settled
    for (uint32_t c = 1; c <= cfg.cycles; ++c) {
        EnterCase(c);
        std::vector<Finding> found;
        int64_t live = kvh::LiveHostObjects(), imbalances = kvh::RefcountImbalances();
        {
            Kit kit;
            std::string err;
            if (!kit.Open(cfg.pluginFile, &err)) {
                report.Fault("plug-in does not load", "soak cycle " + std::to_string(c), err);
                return faults + 1;
            }
            // A server that answers a failure code is no fault; the call must
            // only come back.
            uint32_t refused = 0;
            for (const kvh::ServerInfo& s : kit.lib->servers()) {
                kvh::ComRef obj;
                refused += KV_FAILED(kit.lib->Generate(s.name, &obj)) ? 1 : 0;
            }
            if (c == 1 && refused)
                report.Note("soak: " + std::to_string(refused) + " of " + std::to_string(kit.lib->servers().size()) +
                            " servers answer Generate with a failure code");
            for (const MaterialInfo& m : p.materials) {
                if (!m.defaultsError.empty()) continue;
                kit.Bind(m);
                Rng rng = CaseRng(c, m);
                Taint taint;
                ValueSource src(rng, taint, Profile::Clean);
                auto road = kit.Road(m, MakeCase(m, c, src).options);
                kvh::HostError he;
                if (KV_FAILED(road->Prepare(&he))) {
                    found.push_back({"road fails in a soak cycle", he.message});
                    continue;
                }
                CheckReadCalls(*road, &found);
                for (uint32_t s = 0; s < 3; ++s) ShadeRandomSample(kit, *road, m, src, ShadeOptions{false, false}, &found);
            }
            kit.effect.Reset();
        }
        if (kvh::LiveHostObjects() != live)
            found.push_back({"host objects leaked", std::to_string(kvh::LiveHostObjects() - live) +
                                                        " host objects outlive the cycle: " +
                                                        kvh::LiveHostObjectReport()});
        if (kvh::RefcountImbalances() != imbalances)
            found.push_back({"host reference count off at session end",
                             "the root context or another host object was not released exactly once (" +
                                 std::to_string(kvh::RefcountImbalances() - imbalances) + " off)"});
        if (void* h = dlopen(p.path.c_str(), RTLD_NOW | RTLD_NOLOAD)) {
            stayedLoaded = true;
            dlclose(h);
        }
        LeaveCase();
        uint64_t rss = ResidentBytes();
        if (c == 1) rssFirst = rss;
        if (c == warm) rssWarm = rss;
        rssLast = rss;
        for (const Finding& f : found) {
            report.Fault(f.kind, "soak cycle " + std::to_string(c), f.detail);
            ++faults;
        }
        if (!found.empty()) break;
    }
    std::ostringstream s;
    s << "soak: " << cfg.cycles << " cycles; resident memory " << rssFirst / 1024 << " KiB at cycle 1, " << rssWarm / 1024
      << " KiB at cycle " << warm << ", " << rssLast / 1024 << " KiB at cycle " << cfg.cycles;
    if (stayedLoaded) s << "; the system loader kept the library loaded after its session ended";
    report.Note(s.str());
#ifndef KVSTRESS_SANITIZED
    // Without a sanitizer's quarantine, memory must stay flat once warm.
    constexpr uint64_t kSlack = 4u << 20;
    if (cfg.cycles > warm && rssLast > rssWarm + kSlack + rssWarm / 20) {
        report.Fault("resident memory grows across soak cycles", "soak",
                     std::to_string((rssLast - rssWarm) / 1024) + " KiB more after cycle " + std::to_string(cfg.cycles) +
                         " than after cycle " + std::to_string(warm));
        ++faults;
    }
#endif
    return faults;
}

}  // namespace kvs
