// Runs the kvrender command as a user does, from the source folder.
#pragma once

#include <sched.h>

#include <fstream>
#include <string>

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
