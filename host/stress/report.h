// Findings of a run: printed as they come (the first few of each kind in
// full), counted per kind, the seeds of failing fuzz cases kept per material,
// and summarised at the end.
//
// Each job runs with a report of its own, in a child process; every fault it
// records is also written to the job's findings channel (job.h), from which
// the parent's report takes the kinds and seeds (Merge), so that the summary
// holds what every job found, also when a job crashed afterwards.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace kvs {

class Report {
public:
    explicit Report(std::string plugin) : plugin_(std::move(plugin)) {}

    // Records a fault. `kind` groups findings ("non-finite output"); `where`
    // names the material and case; `scene` is a line about the case's scene
    // file (SceneLine) or ""; `caseSeed` the seed of the failing fuzz case.
    void Fault(const std::string& kind, const std::string& where, const std::string& detail,
               const std::string& scene = "", std::optional<uint64_t> caseSeed = std::nullopt);
    // Whether a finding of `kind` will still be printed in full.
    bool WantsDetail(const std::string& kind) const;
    // A line of information (figures, coverage).
    void Note(const std::string& text);

    // Counts a fault a job recorded (without printing it); a seed is kept
    // as a failing case of `material`.
    void Merge(const std::string& kind, const std::string& material, std::optional<uint64_t> caseSeed);
    void AddFailingSeed(const std::string& material, uint64_t seed) { seeds_[material].insert(seed); }

    uint64_t faults() const { return total_; }
    // "kind: count" lines, then a line of failing case seeds per material
    // with the command that replays one (of `pluginFile`).
    std::string Summary(const std::string& pluginFile = "<plugin>") const;
    // The failing case seeds of one material, as a compact list
    // ("3, 17, 22-24"); "" when none.
    std::string FailingSeeds(const std::string& material) const;

    static constexpr int kDetailed = 3;

private:
    std::string plugin_;
    std::map<std::string, uint64_t> kinds_;
    std::map<std::string, std::set<uint64_t>> seeds_;  // by material
    uint64_t total_ = 0;
};

// "scene file: PATH" for a written scene file, or why it was not written.
std::string SceneLine(const std::string& path, const std::string& error);

// Seeds as a list with runs of consecutive seeds joined ("3, 17, 22-24").
std::string CompactSeeds(const std::set<uint64_t>& seeds);

}  // namespace kvs
