#include "stress/report.h"

#include <cstdio>
#include <sstream>

namespace kvs {

bool Report::WantsDetail(const std::string& kind) const {
    auto it = kinds_.find(kind);
    return it == kinds_.end() || it->second < uint64_t(kDetailed);
}

void Report::Fault(const std::string& kind, const std::string& where, const std::string& detail,
                   const std::string& scene) {
    bool full = WantsDetail(kind);
    ++kinds_[kind];
    ++total_;
    if (!full) return;
    std::printf("FAULT [%s] %s: %s: %s\n", plugin_.c_str(), kind.c_str(), where.c_str(), detail.c_str());
    if (!scene.empty()) std::printf("      scene file: %s\n", scene.c_str());
    std::fflush(stdout);
}

void Report::Note(const std::string& text) {
    std::printf("      [%s] %s\n", plugin_.c_str(), text.c_str());
    std::fflush(stdout);
}

std::string Report::Summary() const {
    std::ostringstream s;
    for (const auto& [k, n] : kinds_) s << "  " << k << ": " << n << "\n";
    return s.str();
}

}  // namespace kvs
