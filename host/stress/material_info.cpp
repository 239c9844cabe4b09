#include "stress/material_info.h"

#include <dlfcn.h>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
// What a probe leaks is left to the jobs to find: leaked here, in the parent,
// it would be reported again at the end of every job it forks.
#define KVSTRESS_PROBE_LEAKS_IGNORED __lsan::ScopedDisabler probeLeaksIgnored
#else
#define KVSTRESS_PROBE_LEAKS_IGNORED
#endif

namespace kvs {

std::vector<std::string> MaterialServers(const kvh::PluginLibrary& lib) {
    std::vector<std::string> out;
    for (const kvh::ServerInfo& s : lib.servers())
        if (s.Tag("server.logsubsystem") == "comp-shader") out.push_back(s.name);
    return out;
}

kvh::ComRef FindEffect(const kvh::PluginLibrary& lib, const std::string& packet, std::string* server) {
    if (packet.empty()) return {};
    for (const kvh::ServerInfo& s : lib.servers()) {
        if (s.Tag("textureFX.category").empty()) continue;
        kvh::ComRef obj;
        if (KV_FAILED(lib.Generate(s.name, &obj))) continue;
        kvh::ComRef fx = obj.Query(kv::guid_PacketEffect);
        if (!fx) continue;
        const char* name = nullptr;
        if (KV_SUCCEEDED(fx.table<vt_IKvPacketEffect>()->Packet(fx.get(), &name)) && name && packet == name) {
            if (server) *server = s.name;
            return fx;
        }
    }
    return {};
}

bool ProbePlugin(const std::string& file, PluginInfo* out, std::string* err) {
    kvh::Session session;
    kvh::HostError he;
    kvh::PluginLibrary* lib = session.LoadPlugin(file, &he);
    if (!lib) {
        *err = he.message;
        return false;
    }
    out->path = lib->path();
    for (const kvh::ServerInfo& s : lib->servers()) out->servers.push_back(s.name);
    const kvh::PacketLayout& layout = session.Layout();
    for (const std::string& server : MaterialServers(*lib)) {
        KVSTRESS_PROBE_LEAKS_IGNORED;
        MaterialInfo m;
        m.server = server;
        kvh::MaterialRoad::Options opt;
        opt.itemName = "probe." + server;
        auto road = kvh::MaterialRoad::Create(session, *lib, server, opt);
        kvh::HostError pe;
        if (KV_FAILED(road->Prepare(&pe))) m.defaultsError = pe.message;
        if (road->item()) m.channels = road->item()->channels();
        m.packet = road->customPacket();
        for (const kvh::PacketInfo& p : layout.packets())
            if (p.name == m.packet) m.packetSize = p.size;
        if (kvh::ComRef fx = FindEffect(*lib, m.packet, &m.effectServer)) {
            const auto* t = fx.table<vt_IKvPacketEffect>();
            m.effectCount = t->Count(fx.get());
            for (uint32_t i = 0; i < m.effectCount && i < 4096; ++i) {
                const char *n = nullptr, *ty = nullptr;
                int32_t flags = 0;
                if (KV_FAILED(t->ByIndex(fx.get(), int32_t(i), &n, &ty, &flags)) || !n) continue;
                m.effects.push_back({int32_t(i), n, ty ? ty : "", flags});
            }
        }
        road.reset();
        out->materials.push_back(std::move(m));
    }
    return true;
}


bool EntryLoadsOnRetry(const std::string& file) {
    std::string path = kvh::Session::FindPluginFile(file);
    if (path.empty()) return false;
    void* h = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!h) return false;
    auto create = reinterpret_cast<KvModuleCreateFn>(dlsym(h, KV_MODULE_ENTRY_NAME));
    bool retried = false;
    if (create && !create()) {
        if (void* module = create()) {
            auto** m = static_cast<vt_IKvUnknown**>(module);
            (*m)->Release(m);
            retried = true;
        }
    }
    dlclose(h);
    return retried;
}

}  // namespace kvs
