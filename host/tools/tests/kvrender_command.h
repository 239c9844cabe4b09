// Runs the kvrender command as a user does, from the source folder.
#pragma once

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

inline bool built(const char* plugin) { return !kvh::Session::FindPluginFile(plugin).empty(); }

}  // namespace kvt::test
