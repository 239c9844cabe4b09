// Fuzzing: random scene state and host data per case, checked per sample.
#include <sstream>

#include "stress/case_spec.h"
#include "stress/harness.h"
#include "stress/job.h"
#include "stress/runs.h"

namespace kvs {
namespace {

constexpr uint64_t kCasesPerSession = 64;  // a fresh session (and scene) this often

std::string Where(const MaterialInfo& m, uint64_t seed, int32_t sample) {
    std::ostringstream s;
    s << "material '" << m.server << "', case seed " << seed;
    if (sample >= 0) s << ", sample " << sample;
    s << " (replay: kvstress <plugin> --material " << m.server << " --only fuzz --seed " << seed << " --cases 1)";
    return s.str();
}

// Runs one case on an open kit; returns what was found.
std::vector<Finding> RunCase(Kit& kit, const RunConfig& cfg, const MaterialInfo& m, uint64_t seed,
                             CaseSpec* specOut, int32_t* sampleOut, ShadeStats* stats) {
    std::vector<Finding> found;
    Rng rng = CaseRng(seed, m);
    Taint caseTaint;
    ValueSource src(rng, caseTaint, Profile::Wild);
    CaseSpec spec = MakeCase(m, seed, src);
    *specOut = spec;
    kit.SetCameraZero(spec.zeroCamera);
    // Sample vectors as new: no byte of an earlier case reaches this one, so
    // that the case replays alone as it ran here.
    kit.NewPool();
    int64_t live = kvh::LiveHostObjects();
    const kvh::SceneItem* item = nullptr;
    {
        auto road = kit.Road(m, spec.options);
        kvh::HostError err;
        if (KV_FAILED(road->Prepare(&err))) {
            found.push_back({"road fails at fuzzed channel values", err.message});
        } else {
            CheckReadCalls(*road, &found);
            for (uint32_t s = 0; s < cfg.samples && found.empty(); ++s) {
                EnterSample(int32_t(s));
                *sampleOut = int32_t(s);
                Taint sampleTaint = caseTaint;
                ValueSource ss(rng, sampleTaint, Profile::Wild);
                ss.SetExtreme(spec.extreme);
                ShadeRandomSample(kit, *road, m, ss, ShadeOptions{}, &found, stats);
                if (s == 0 && rng.Chance(0.1)) road->ProbeChannelUI();
                if (s == 1 && rng.Chance(0.1) && KV_FAILED(road->Reread(&err)))
                    found.push_back({"ReadChannels fails when read again", err.message});
                if (s == 1 && found.empty()) CheckReadCalls(*road, &found);
            }
            if (!found.empty()) return found;  // keep the road's state out of the reference check
        }
        item = road->item();
    }
    *sampleOut = -1;
    CheckRoadReleased(kit.session, item, live, &found);
    return found;
}

}  // namespace

uint64_t FuzzMaterial(const RunConfig& cfg, const MaterialInfo& m, Report& report) {
    uint64_t faults = 0, tame = 0;
    ShadeStats stats;
    std::unique_ptr<Kit> kit;
    uint64_t sessionFirst = cfg.seed;  // the first case of the kit's session
    int64_t imbalances = kvh::RefcountImbalances();
    auto closeKit = [&](uint64_t end) {
        kit.reset();
        if (kvh::RefcountImbalances() != imbalances) {
            // No case of its own: the cases that shared the session replay it.
            std::ostringstream where;
            where << "material '" << m.server << "', the session of case seeds " << sessionFirst << ".." << end - 1
                  << " (replay: kvstress <plugin> --material " << m.server << " --only fuzz --seed " << sessionFirst
                  << " --cases " << end - sessionFirst << ")";
            report.Fault("host reference count off at session end", where.str(),
                         std::to_string(kvh::RefcountImbalances() - imbalances) +
                             " host objects had extra or missing references when the session ended");
            ++faults;
            imbalances = kvh::RefcountImbalances();
        }
    };
    for (uint64_t i = 0; i < cfg.cases; ++i) {
        uint64_t seed = cfg.seed + i;
        if (!kit || i % kCasesPerSession == 0) {
            closeKit(seed);
            sessionFirst = seed;
            kit = std::make_unique<Kit>();
            std::string err;
            if (!kit->Open(cfg.pluginFile, &err)) {
                report.Fault("plug-in does not load", cfg.pluginFile, err);
                return faults + 1;
            }
            kit->Bind(m);
        }
        EnterCase(seed);
        CaseSpec spec;
        int32_t sample = -1;
        std::vector<Finding> found = RunCase(*kit, cfg, m, seed, &spec, &sample, &stats);
        tame += spec.extreme ? 0 : 1;
        LeaveCase();
        if (cfg.writeScenes) report.Note(CaseSceneLine(cfg.out, cfg.pluginFile, m, spec));
        if (found.empty()) continue;
        ++faults;
        const Finding& f = found.front();
        std::string scene;
        if (report.WantsDetail(f.kind)) scene = CaseSceneLine(cfg.out, cfg.pluginFile, m, spec);
        report.Fault(f.kind, Where(m, seed, sample), f.detail, scene, seed);
        // A case that failed may leave references behind; start afresh.
        kit.reset();
        imbalances = kvh::RefcountImbalances();
    }
    closeKit(cfg.seed + cfg.cases);
    std::ostringstream s;
    s << "fuzz '" << m.server << "': " << cfg.cases << " cases (" << tame << " with tame inputs only), "
      << cfg.samples << " samples each, seeds " << cfg.seed << ".." << cfg.seed + cfg.cases - 1 << ", " << faults
      << " failing; " << stats.samples << " samples shaded, " << stats.tame << " with tame inputs, "
      << stats.effectCalls << " with packet-effect calls, " << stats.nonFiniteWild
      << " non-finite results from untame inputs";
    report.Note(s.str());
    return faults;
}

}  // namespace kvs
