// Runs the kvrender command as a user does, from the source folder.
#pragma once

#include <fcntl.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

#include "core/session.h"
#include "testing/command_run.h"

namespace kvt::test {

// `shell` runs first in the same shell (e.g. "ulimit -f 4; ").
inline CommandResult kvrender(const std::string& args, const std::string& shell = "") {
    return runCommand(std::string("cd '") + KV_SOURCE_DIR + "' && " + shell + "'" + KVRENDER + "' " + args);
}

inline std::string writeScene(const std::string& name, const std::string& text) {
    std::string path = tempPath(name);
    std::ofstream(path) << text;
    return path;
}

struct Ending {
    bool signalled = false;
    int code = -1;  // the exit code, or the signal
    std::string err;
    long peakKiB = 0;  // the most memory it held (resident)
};

// kvrender with `args`, from the source folder, with no shell between, its
// address space limited to `bytes` (0: no limit).
inline Ending runLimited(std::vector<std::string> args, uint64_t bytes = 0) {
    const std::string errPath = tempPath("limited.err");
    args.insert(args.begin(), KVRENDER);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int null = ::open("/dev/null", O_WRONLY);
        if (err < 0 || null < 0 || ::dup2(err, 2) < 0 || ::dup2(null, 1) < 0 || ::chdir(KV_SOURCE_DIR) != 0) _exit(120);
        const rlimit limit{bytes, bytes};
        if (bytes && ::setrlimit(RLIMIT_AS, &limit) != 0) _exit(121);
        ::execv(argv[0], argv.data());
        _exit(122);
    }
    Ending e;
    int status = 0;
    rusage use{};
    if (child < 0 || ::wait4(child, &status, 0, &use) != child) return e;
    e.signalled = WIFSIGNALED(status);
    e.code = e.signalled ? WTERMSIG(status) : WEXITSTATUS(status);
    e.err = slurp(errPath);
    e.peakKiB = use.ru_maxrss;
    std::remove(errPath.c_str());
    return e;
}

// While alive, the calling thread, and so every command it runs, may use at
// most `most` of the cores it had: a small machine on any machine.
class FewCores {
public:
    explicit FewCores(int most) {
        CPU_ZERO(&old_);
        sched_getaffinity(0, sizeof old_, &old_);
        cpu_set_t few;
        CPU_ZERO(&few);
        for (int c = 0; c < CPU_SETSIZE && cores_ < most; ++c)
            if (CPU_ISSET(c, &old_)) CPU_SET(c, &few), ++cores_;
        EXPECT_EQ(sched_setaffinity(0, sizeof few, &few), 0);
    }
    ~FewCores() { sched_setaffinity(0, sizeof old_, &old_); }
    FewCores(const FewCores&) = delete;
    FewCores& operator=(const FewCores&) = delete;
    int cores() const { return cores_; }

private:
    cpu_set_t old_;
    int cores_ = 0;
};

inline bool built(const char* plugin) { return !kvh::Session::FindPluginFile(plugin).empty(); }

}  // namespace kvt::test
