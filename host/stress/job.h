// Jobs run in a child process, so that a crash or a sanitizer report in a
// plug-in ends one job, not the run. The child keeps a small record in
// memory shared with the parent (which job, which case, which sample) so the
// parent can name the case that was running when the child died, and writes
// every fault it finds, as it finds it, to a findings channel that the
// parent reads when the job has ended (also when it crashed).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace kvs {

struct JobRecord {
    char job[48];
    char material[64];
    char step[128];  // what the job was doing, when it says

    uint64_t caseSeed;
    int32_t sample;
    int32_t inCase;  // 1 while a case runs
    uint64_t faults;  // faults the job reported itself
    char harnessError[256];  // the runner's own failure (an exception it threw), if any
};

// The record of the current job (a private one without isolation).
JobRecord& CurrentJob();
void EnterCase(uint64_t seed);
void EnterSample(int32_t sample);
void EnterStep(const std::string& step);
void LeaveCase();
// Writes a fault to the current job's findings channel (nothing outside a job).
void NoteFinding(const std::string& kind, std::optional<uint64_t> caseSeed);

// A fault as the findings channel carries it.
struct JobFinding {
    std::string kind;
    std::optional<uint64_t> caseSeed;
};

// A failure of the runner itself (it cannot start a thread, allocate, ...):
// no fault of the plug-in, and reported as such.
struct HarnessError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct JobOutcome {
    bool harnessFailed = false;  // the runner failed; record.harnessError says how
    bool crashed = false;   // killed by a signal or ended by a sanitizer
    int exitCode = 0;
    int signal = 0;
    JobRecord record{};
    std::vector<JobFinding> findings;  // every fault the job wrote, in order
    std::string Describe() const;
};

// Runs `body` (which returns the number of faults it found) in a child
// process, or in this one when `isolate` is false. Exit codes of the child: 0
// clean, 3 faults found, 4 the runner failed (an exception left `body`);
// anything else is a crash or a sanitizer report.
JobOutcome RunJob(const std::string& job, const std::string& material, bool isolate,
                  const std::function<uint64_t()>& body);

}  // namespace kvs
