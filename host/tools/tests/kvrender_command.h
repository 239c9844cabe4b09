// Runs the kvrender command as a user does, from the source folder, and
// collects its exit code and output.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "core/session.h"

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

// `shell` runs first in the same shell (e.g. "ulimit -f 4; ").
inline CommandResult kvrender(const std::string& args, const std::string& shell = "") {
    // ctest runs tests in parallel: one pair of files per run.
    static int runs = 0;
    const std::string base = tempPath("kvrender-" + std::to_string(++runs));
    const std::string out = base + ".out", err = base + ".err";
    std::string cmd = std::string("cd '") + KV_SOURCE_DIR + "' && " + shell + "'" + KVRENDER + "' " + args + " >'" +
                      out + "' 2>'" + err + "'";
    CommandResult r;
    int raw = std::system(cmd.c_str());
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    r.out = slurp(out);
    r.err = slurp(err);
    std::remove(out.c_str());
    std::remove(err.c_str());
    return r;
}

inline std::string writeScene(const std::string& name, const std::string& text) {
    std::string path = tempPath(name);
    std::ofstream(path) << text;
    return path;
}

inline bool built(const char* plugin) { return !kvh::Session::FindPluginFile(plugin).empty(); }

}  // namespace kvt::test
