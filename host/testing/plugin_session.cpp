#include "testing/plugin_session.h"

#include <cstdio>
#include <cstdlib>

namespace kvt {

kvh::PluginLibrary* PluginSession::Load(const std::string& file) {
    if (!session) session = std::make_unique<kvh::Session>();
    kvh::HostError err;
    kvh::PluginLibrary* lib = session->LoadPlugin(file, &err);
    if (!lib) error = file + ": " + err.message;
    return lib;
}

std::unique_ptr<kvh::MaterialRoad> PluginSession::Road(const kvh::PluginLibrary* lib, const std::string& server,
                                                       kvh::MaterialRoad::Options opt) {
    if (!lib) return error = "plug-in of '" + server + "' not loaded", nullptr;
    auto road = kvh::MaterialRoad::Create(*session, *lib, server, std::move(opt));
    if (!road) return error = "no road of '" + server + "'", nullptr;
    kvh::HostError err;
    if (KV_FAILED(road->Prepare(&err))) return error = server + ": " + err.message, nullptr;
    return road;
}

void Die(const char* who, const std::string& why) {
    std::fprintf(stderr, "%s: %s\n", who, why.c_str());
    std::exit(1);
}

}  // namespace kvt
