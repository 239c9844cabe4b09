#include "stress/report.h"

#include <cstdio>
#include <sstream>

#include "stress/job.h"

namespace kvs {

bool Report::WantsDetail(const std::string& kind) const {
    auto it = kinds_.find(kind);
    return it == kinds_.end() || it->second < uint64_t(kDetailed);
}

void Report::Fault(const std::string& kind, const std::string& where, const std::string& detail,
                   const std::string& scene, std::optional<uint64_t> caseSeed) {
    bool full = WantsDetail(kind);
    ++kinds_[kind];
    ++total_;
    NoteFinding(kind, caseSeed);
    if (!full) return;
    std::printf("FAULT [%s] %s: %s: %s\n", plugin_.c_str(), kind.c_str(), where.c_str(), detail.c_str());
    if (!scene.empty()) std::printf("      %s\n", scene.c_str());
    std::fflush(stdout);
}

void Report::Merge(const std::string& kind, const std::string& material, std::optional<uint64_t> caseSeed) {
    ++kinds_[kind];
    ++total_;
    if (caseSeed) AddFailingSeed(material, *caseSeed);
}

void Report::Note(const std::string& text) {
    std::printf("      [%s] %s\n", plugin_.c_str(), text.c_str());
    std::fflush(stdout);
}

std::string Report::FailingSeeds(const std::string& material) const {
    auto it = seeds_.find(material);
    return it == seeds_.end() ? "" : CompactSeeds(it->second);
}

std::string Report::Summary(const std::string& pluginFile) const {
    std::ostringstream s;
    for (const auto& [k, n] : kinds_) s << "  " << k << ": " << n << "\n";
    for (const auto& [material, seeds] : seeds_)
        s << "  failing case seeds of '" << material << "': " << CompactSeeds(seeds) << " (replay one: kvstress "
          << pluginFile << " --material " << material << " --only fuzz --seed SEED --cases 1)\n";
    return s.str();
}

std::string SceneLine(const std::string& path, const std::string& error) {
    return error.empty() ? "scene file: " + path : "scene file not written: " + error;
}

std::string CompactSeeds(const std::set<uint64_t>& seeds) {
    std::ostringstream s;
    for (auto it = seeds.begin(); it != seeds.end();) {
        const uint64_t first = *it;
        uint64_t last = first;
        for (++it; it != seeds.end() && *it == last + 1; ++it) ++last;
        s << (first == *seeds.begin() ? "" : ", ") << first;
        if (last > first) s << (last == first + 1 ? ", " : "-") << last;
    }
    return s.str();
}

}  // namespace kvs
