// Runs a command line in a shell, as a user would, and collects its exit
// code and output; for the tests of the host's commands.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace kvt::test {

struct CommandResult {
    int status = -1;  // the exit code; 128 + N when killed by signal N
    std::string out, err;
};

inline std::string slurp(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// A path in the test folder that no other running test uses.
inline std::string tempPath(const std::string& name) {
    return ::testing::TempDir() + "/" + std::to_string(getpid()) + "-" + name;
}

// `command` is shell text; its standard output and error are collected.
inline CommandResult runCommand(const std::string& command) {
    // ctest runs tests in parallel: one pair of files per run.
    static int runs = 0;
    const std::string base = tempPath("command-" + std::to_string(++runs));
    const std::string out = base + ".out", err = base + ".err";
    const int raw = std::system(("{ " + command + "; } >'" + out + "' 2>'" + err + "'").c_str());
    CommandResult r;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    r.out = slurp(out);
    r.err = slurp(err);
    std::remove(out.c_str());
    std::remove(err.c_str());
    return r;
}

// Sanitizers reserve more address space than a test's `ulimit -v` allows.
inline bool sanitizedBuild() {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    return true;
#else
    return false;
#endif
}

}  // namespace kvt::test
