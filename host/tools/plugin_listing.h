// `kvrender --list`: what a plug-in offers, as the host sees it.
#pragma once

#include <ostream>
#include <string>

namespace kvt {

// Loads the plug-in in a fresh session and prints each server with its
// default GUID and static tags; for materials the channel table their set-up
// builds, for packets their size, for packet effects their values. Returns
// false (with the loader's message in `error`) when the file cannot be loaded.
bool listPlugin(const std::string& file, std::ostream& out, std::string& error);

}  // namespace kvt
