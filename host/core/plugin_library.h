// One loaded plug-in library: the module, its server list and each server's
// static tags.
//
// Loading (Session::LoadPlugin) opens the file with the system loader, finds
// _IKvModule_Create, calls it, queries TagDescription and NeedContext, hands
// the root context through SetContext (one reference for the module) before
// any server is generated, lists the servers and reads their static tags.
// Every failure gives a HostError (message and result code), never a crash.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "core/host_object.h"

namespace kvh {

struct HostError {
    KvResult code = KV_OK;
    std::string message;
    explicit operator bool() const { return KV_FAILED(code); }
};

struct ServerInfo {
    std::string name;
    st_KVtGUID defaultGuid{};
    bool hasGuid = false;
    // Static tags {type, info} in table order.
    std::vector<std::pair<std::string, std::string>> tags;
    std::string Tag(const std::string& type) const;  // "" when absent
};

class PluginLibrary {
public:
    ~PluginLibrary();  // releases the module and closes the library
    PluginLibrary(const PluginLibrary&) = delete;
    PluginLibrary& operator=(const PluginLibrary&) = delete;

    const std::string& path() const { return path_; }
    const std::vector<ServerInfo>& servers() const { return servers_; }
    const ServerInfo* FindServer(const std::string& name) const;

    // Generates a server by name with its default GUID; `*out` gets one
    // reference. Errors: KV_E_NOTFOUND (no such server) or the module's code.
    KvResult Generate(const std::string& name, ComRef* out, HostError* err = nullptr) const;

    // Releases the module's reference; the library stays open until the
    // object is destroyed. Called by the session after every server instance
    // is gone.
    void ReleaseModule();

    vt_IKvUnknown** module() const { return module_.get(); }

private:
    friend class Session;
    PluginLibrary() = default;
    std::string path_;
    void* handle_ = nullptr;
    ComRef module_;
    std::vector<ServerInfo> servers_;
};

}  // namespace kvh
