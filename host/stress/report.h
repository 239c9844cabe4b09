// Findings of a run: printed as they come (first few of each kind in full),
// counted per kind, and summarised at the end.
#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace kvs {

class Report {
public:
    explicit Report(std::string plugin) : plugin_(std::move(plugin)) {}

    // Records a fault. `kind` groups findings ("non-finite output"); `where`
    // names the material and case; `scene` is a written scene file or "".
    void Fault(const std::string& kind, const std::string& where, const std::string& detail,
               const std::string& scene = "");
    // Whether a finding of `kind` will still be printed in full.
    bool WantsDetail(const std::string& kind) const;
    // A line of information (figures, coverage).
    void Note(const std::string& text);

    uint64_t faults() const { return total_; }
    // "kind: count" lines.
    std::string Summary() const;

    static constexpr int kDetailed = 3;

private:
    std::string plugin_;
    std::map<std::string, uint64_t> kinds_;
    uint64_t total_ = 0;
};

}  // namespace kvs
