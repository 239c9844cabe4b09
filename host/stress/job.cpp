#include "stress/job.h"

#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

namespace kvs {
namespace {

JobRecord gLocal{};
JobRecord* gRecord = &gLocal;
int gFindings = -1;  // the current job's findings channel

// The findings channel: lines "kind<TAB>seed" ("-" without a seed).
std::vector<JobFinding> ReadFindings(int fd) {
    std::vector<JobFinding> out;
    std::string text;
    char buf[4096];
    for (off_t at = 0;;) {
        const ssize_t n = pread(fd, buf, sizeof buf, at);
        if (n <= 0) break;
        text.append(buf, size_t(n));
        at += n;
    }
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        const size_t tab = line.rfind('\t');
        if (tab == std::string::npos) continue;
        JobFinding f{line.substr(0, tab), std::nullopt};
        const std::string seed = line.substr(tab + 1);
        if (seed != "-") f.caseSeed = std::strtoull(seed.c_str(), nullptr, 10);
        out.push_back(std::move(f));
    }
    return out;
}

void Fill(JobRecord& r, const std::string& job, const std::string& material) {
    std::memset(&r, 0, sizeof r);
    std::snprintf(r.job, sizeof r.job, "%s", job.c_str());
    std::snprintf(r.material, sizeof r.material, "%s", material.c_str());
}

constexpr int kHarnessExit = 4;

// Runs the body; an exception is the runner's failure, kept in the record.
bool RunBody(JobRecord& r, const std::function<uint64_t()>& body) {
    try {
        r.faults = body();
        return true;
    } catch (const std::exception& e) {
        std::snprintf(r.harnessError, sizeof r.harnessError, "%s", e.what());
    } catch (...) {
        std::snprintf(r.harnessError, sizeof r.harnessError, "an unknown exception");
    }
    return false;
}

}  // namespace

JobRecord& CurrentJob() { return *gRecord; }
void EnterCase(uint64_t seed) {
    gRecord->caseSeed = seed;
    gRecord->sample = -1;
    gRecord->inCase = 1;
}
void EnterSample(int32_t sample) { gRecord->sample = sample; }
void LeaveCase() { gRecord->inCase = 0; }
void NoteFinding(const std::string& kind, std::optional<uint64_t> caseSeed) {
    if (gFindings < 0) return;
    std::string line = kind;
    for (char& c : line)
        if (c == '\n' || c == '\t') c = ' ';
    line += '\t' + (caseSeed ? std::to_string(*caseSeed) : std::string("-")) + '\n';
    // One write per line, unbuffered: what was written stays if the job dies next.
    if (::write(gFindings, line.data(), line.size()) < 0) return;
}
void EnterStep(const std::string& step) { std::snprintf(gRecord->step, sizeof gRecord->step, "%s", step.c_str()); }

std::string JobOutcome::Describe() const {
    std::ostringstream s;
    if (signal) s << "killed by signal " << signal << " (" << strsignal(signal) << ")";
    else if (exitCode == 23) s << "ended with exit code 23 (LeakSanitizer found leaks)";
    else s << "ended with exit code " << exitCode << " (a sanitizer report or an abort)";
    if (record.step[0]) s << " in step '" << record.step << "'";
    if (record.inCase) {
        s << " during case seed " << record.caseSeed;
        if (record.sample >= 0) s << ", sample " << record.sample;
    } else {
        s << " outside any case";
    }
    return s.str();
}

namespace {

JobOutcome RunJobWith(const std::string& job, const std::string& material, bool isolate,
                      const std::function<uint64_t()>& body) {
    JobOutcome out;
    if (!isolate) {
        Fill(gLocal, job, material);
        gRecord = &gLocal;
        out.harnessFailed = !RunBody(gLocal, body);
        out.exitCode = out.harnessFailed ? kHarnessExit : gLocal.faults ? 3 : 0;
        out.record = gLocal;
        return out;
    }
    void* mem = mmap(nullptr, sizeof(JobRecord), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (mem == MAP_FAILED) return RunJobWith(job, material, false, body);
    auto* shared = static_cast<JobRecord*>(mem);
    Fill(*shared, job, material);
    std::fflush(stdout);
    std::fflush(stderr);
    pid_t pid = fork();
    if (pid == 0) {
        gRecord = shared;
        const bool ran = RunBody(*shared, body);
        std::fflush(stdout);
        std::exit(!ran ? kHarnessExit : shared->faults ? 3 : 0);  // exit, not _exit: leak checks run at exit
    }
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) < 0) {
        out.crashed = true;
        out.exitCode = -1;
    } else if (WIFSIGNALED(status)) {
        out.crashed = true;
        out.signal = WTERMSIG(status);
    } else {
        out.exitCode = WEXITSTATUS(status);
        out.harnessFailed = out.exitCode == kHarnessExit && shared->harnessError[0];
        out.crashed = out.exitCode != 0 && out.exitCode != 3 && !out.harnessFailed;
    }
    out.record = *shared;
    munmap(mem, sizeof(JobRecord));
    return out;
}

}  // namespace

JobOutcome RunJob(const std::string& job, const std::string& material, bool isolate,
                  const std::function<uint64_t()>& body) {
    // A file in memory that the child inherits; read back once the job is over.
    gFindings = memfd_create("kvstress-findings", MFD_CLOEXEC);
    JobOutcome out = RunJobWith(job, material, isolate, body);
    if (gFindings >= 0) {
        out.findings = ReadFindings(gFindings);
        close(gFindings);
        gFindings = -1;
    }
    return out;
}

}  // namespace kvs
