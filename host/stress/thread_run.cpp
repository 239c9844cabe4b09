// Threads: one material shaded from many threads at once while another
// material of the same plug-in is linked and read again and again.
#include <atomic>
#include <mutex>
#include <sstream>
#include <system_error>
#include <thread>

#include "stress/case_spec.h"
#include "stress/harness.h"
#include "stress/job.h"
#include "stress/runs.h"

namespace kvs {

uint64_t ThreadMaterial(const RunConfig& cfg, const MaterialInfo& m, const MaterialInfo& other, Report& report) {
    Kit kit;
    std::string err;
    if (!kit.Open(cfg.pluginFile, &err)) {
        report.Fault("plug-in does not load", cfg.pluginFile, err);
        return 1;
    }
    kit.Bind(m);
    Rng rng = CaseRng(cfg.seed, m);
    Taint taint;
    ValueSource src(rng, taint, Profile::Clean);
    CaseSpec spec = MakeCase(m, cfg.seed, src);
    spec.options.itemName = "shaded";
    auto road = kit.Road(m, spec.options);
    kvh::HostError he;
    if (KV_FAILED(road->Prepare(&he))) {
        report.Fault("road fails", "material '" + m.server + "' before the thread run", he.message);
        return 1;
    }
    // Answers derived from each sample alone, so that every thread may ask.
    RandomRays sharedRays;
    kvh::RayObject* rays = new kvh::RayObject(&sharedRays);
    std::atomic<uint32_t> running{cfg.threads};
    std::atomic<uint64_t> bad{0};
    std::mutex firstMutex;
    Finding first;
    std::vector<std::thread> workers;
    auto work = [&](uint32_t t) {
        kvh::VectorPool pool(kit.session.Layout());
        Rng r(cfg.seed * 1000 + t, m.server);
        Taint tt;
        ValueSource s(r, tt, Profile::Clean);
        for (uint32_t i = 0; i < cfg.threadSamples; ++i) {
            kvh::SampleVector& v = BeginRandomSample(pool, s, false);
            st_KVpShadeComponents sc;
            st_KVpShadeOutput out;
            FillShading(s, sc, out);
            const int32_t imbalance = road->Shade(v, rays->ptr(), sc, out);
            const float* f = reinterpret_cast<const float*>(&sc);
            bool finite = std::isfinite(out.color[0]) && std::isfinite(out.color[1]) && std::isfinite(out.color[2]);
            for (size_t k = 0; k < sizeof sc / sizeof(float); ++k) finite = finite && std::isfinite(f[k]);
            if ((!finite || imbalance != 0) && bad.fetch_add(1) == 0) {
                std::lock_guard<std::mutex> lock(firstMutex);
                first = finite ? UnbalancedVectors(imbalance)
                               : Finding{"non-finite result while shading from threads", ""};
                first.detail += (first.detail.empty() ? "" : "; ") + std::string("thread ") + std::to_string(t) +
                                ", sample " + std::to_string(i);
            }
        }
        running.fetch_sub(1);
    };
    // A thread the system refuses is the runner's failure: those started are
    // joined first, so that none outlives what it uses.
    for (uint32_t t = 0; t < cfg.threads; ++t) {
        try {
            workers.emplace_back(work, t);
        } catch (const std::system_error& e) {
            running.fetch_sub(cfg.threads - t);
            for (std::thread& w : workers) w.join();
            road.reset();
            rays->ReleaseOwned();
            throw HarnessError("cannot start thread " + std::to_string(t + 1) + " of " + std::to_string(cfg.threads) +
                               ": " + e.what());
        }
    }
    // Meanwhile: roads of the other material made, linked, read and let go.
    uint32_t relinks = 0;
    uint64_t faults = 0;
    kvh::MaterialRoad::Options o;
    constexpr uint32_t kMaxRelinks = 150;  // every road leaves an item in the scene
    while ((running.load() > 0 && relinks < kMaxRelinks) || relinks == 0) {
        o.itemName = "linked" + std::to_string(relinks++);
        auto r2 = kvh::MaterialRoad::Create(kit.session, *kit.lib, other.server, o);
        if (KV_FAILED(r2->Prepare(&he)) && faults++ == 0)
            report.Fault("road fails while another material shades", "material '" + other.server + "'", he.message);
        if (KV_FAILED(r2->Reread(&he)) && faults++ == 0)
            report.Fault("ReadChannels fails while another material shades", "material '" + other.server + "'",
                         he.message);
    }
    for (std::thread& w : workers) w.join();
    road.reset();
    rays->ReleaseOwned();
    if (bad.load()) {
        report.Fault(first.kind, "material '" + m.server + "'",
                     first.detail + " (" + std::to_string(bad.load()) + " samples in all)");
        ++faults;
    }
    std::ostringstream s;
    s << "threads '" << m.server << "': " << cfg.threads << " threads x " << cfg.threadSamples
      << " samples while '" << other.server << "' was linked and read " << relinks << " times";
    report.Note(s.str());
    return faults;
}

}  // namespace kvs
