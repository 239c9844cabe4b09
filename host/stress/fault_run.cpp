// Fault injection: each host call that can fail fails in turn (on its first
// call and on its last one in a clean run), and the root context refuses
// each service in turn.
#include <sstream>

#include "core/fault_injection.h"
#include "core/services.h"
#include "stress/case_spec.h"
#include "stress/harness.h"
#include "stress/job.h"
#include "stress/runs.h"

namespace kvs {
namespace {

constexpr uint32_t kSamples = 6;

struct Outcome {
    bool loaded = false;
    KvResult prepared = KV_OK;
    std::string message;
    uint32_t injectedAtPrepare = 0;
    uint32_t calls[uint32_t(kvh::FaultSite::Count)] = {};
    std::vector<Finding> found;
};

// One road of `m` with plausible values: load, prepare, channel UI, a few
// samples, release; `arm` runs before the plug-in is loaded.
template <class Arm>
Outcome Drive(const RunConfig& cfg, const MaterialInfo& m, uint64_t seed, Arm arm) {
    Outcome o;
    int64_t live = kvh::LiveHostObjects(), imbalances = kvh::RefcountImbalances();
    {
        arm();
        Kit kit;
        std::string err;
        o.loaded = kit.Open(cfg.pluginFile, &err);
        o.message = err;
        if (o.loaded) {
            kit.Bind(m);
            Rng rng = CaseRng(seed, m);
            Taint taint;
            ValueSource src(rng, taint, Profile::Clean);
            CaseSpec spec = MakeCase(m, seed, src);
            spec.options.links = {Kit::kClipName, Kit::kLocatorName, Kit::kSecondLocatorName};
            int64_t roadLive = kvh::LiveHostObjects();
            const kvh::SceneItem* item = nullptr;
            {
                auto road = kit.Road(m, spec.options);
                kvh::HostError he;
                o.prepared = road->Prepare(&he);
                o.injectedAtPrepare = kvh::faults::Injected();
                o.message = he.message;
                CheckReadCalls(*road, &o.found);
                road->ProbeChannelUI();
                if (KV_SUCCEEDED(o.prepared))
                    for (uint32_t s = 0; s < kSamples && o.found.empty(); ++s) {
                        EnterSample(int32_t(s));
                        ShadeRandomSample(kit, *road, m, src, ShadeOptions{false, false}, &o.found);
                    }
                item = road->item();
            }
            if (o.found.empty()) CheckRoadReleased(kit.session, item, roadLive, &o.found);
        }
        for (uint32_t i = 0; i < uint32_t(kvh::FaultSite::Count); ++i)
            o.calls[i] = kvh::faults::Calls(kvh::FaultSite(i));
    }
    kvh::faults::Clear();
    if (kvh::LiveHostObjects() != live)
        o.found.push_back({"host objects leaked", std::to_string(kvh::LiveHostObjects() - live) +
                                                      " host objects outlive the session: " +
                                                      kvh::LiveHostObjectReport()});
    if (kvh::RefcountImbalances() != imbalances)
        o.found.push_back({"host reference count off at session end",
                           std::to_string(kvh::RefcountImbalances() - imbalances) +
                               " host objects had extra or missing references"});
    return o;
}

// Sites the material must survive with the defaults its read falls back on.
bool MustSurvive(kvh::FaultSite s) {
    return s != kvh::FaultSite::ItemChannelLookup && s != kvh::FaultSite::EvaluationAdd;
}

std::string Hex(KvResult rc) {
    std::ostringstream s;
    s << "0x" << std::hex << uint32_t(rc);
    return s.str();
}

struct Service {
    const char* name;
    const st_KVtGUID* guid;
};

}  // namespace

uint64_t FaultMaterial(const RunConfig& cfg, const MaterialInfo& m, Report& report) {
    uint64_t faults = 0, runs = 0;
    const uint64_t seed = cfg.seed;
    auto judge = [&](const std::string& what, const Outcome& o) {
        ++runs;
        std::string where = "material '" + m.server + "', " + what;
        if (!o.loaded) {
            report.Fault("plug-in does not load", where, o.message);
            ++faults;
        }
        for (const Finding& f : o.found) {
            report.Fault(f.kind, where, f.detail);
            ++faults;
        }
    };

    // A clean run counts the calls of every site.
    EnterStep("clean run");
    Outcome clean = Drive(cfg, m, seed, [] { kvh::faults::Count(); });
    judge("clean run", clean);
    std::ostringstream reached;
    for (uint32_t i = 0; i < uint32_t(kvh::FaultSite::Count); ++i) {
        uint32_t n = clean.calls[i];
        if (n == 0) continue;
        reached << (reached.tellp() > 0 ? ", " : "") << kvh::FaultSiteName(kvh::FaultSite(i)) << " x" << n;
        kvh::FaultSite site = kvh::FaultSite(i);
        for (uint32_t nth : {1u, n}) {
            std::string what = std::string(kvh::FaultSiteName(site)) + " failing on call " + std::to_string(nth) +
                               " of " + std::to_string(n);
            EnterStep(what);
            EnterCase(seed);
            Outcome o = Drive(cfg, m, seed, [&] { kvh::faults::Arm(site, nth); });
            LeaveCase();
            if (o.loaded && site == kvh::FaultSite::EvaluationAdd && o.injectedAtPrepare > 0 &&
                o.prepared != kvh::kInjectedFault)
                o.found.push_back({"host failure code not handed back",
                                   "the road answered " + Hex(o.prepared) + " instead of the host's " +
                                       Hex(kvh::kInjectedFault) + ": " + o.message});
            if (o.loaded && MustSurvive(site) && KV_FAILED(o.prepared))
                o.found.push_back({"road fails after a host call the material must survive", o.message});
            judge(what, o);
            if (n == 1) break;
        }
    }
    report.Note("faults '" + m.server + "': sites reached: " + (reached.tellp() > 0 ? reached.str() : "none"));

    const Service services[] = {{"GUID service", &kvh::kGuidServiceGuid},
                                {"ThreadService", &kv::guid_ThreadService},
                                {"PacketService", &kv::guid_PacketService},
                                {"SceneService", &kv::guid_SceneService},
                                {"NodalService", &kv::guid_NodalService},
                                {"ListenerService", &kv::guid_ListenerService},
                                {"StdDialogService", &kv::guid_StdDialogService},
                                {"ShaderService", &kv::guid_ShaderService},
                                {"ImageService", &kv::guid_ImageService}};
    for (const Service& s : services)
        for (bool always : {true, false}) {
            std::string what = std::string("root context refusing the ") + s.name + (always ? "" : " once");
            EnterStep(what);
            EnterCase(seed);
            Outcome o = Drive(cfg, m, seed, [&] { kvh::faults::RefuseService(*s.guid, 1, always); });
            LeaveCase();
            if (o.loaded && KV_FAILED(o.prepared))
                report.Note(what + ": the road stops with " + Hex(o.prepared) + " (" + o.message + ")");
            judge(what, o);
        }
    EnterStep("");
    std::ostringstream s;
    s << "faults '" << m.server << "': " << runs << " runs, " << faults << " failing";
    report.Note(s.str());
    return faults;
}

}  // namespace kvs
