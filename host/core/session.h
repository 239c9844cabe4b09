// A host session: the root context and its services, the loaded plug-ins,
// the registered sample packets, and the scene.
//
//   kvh::Session session;
//   kvh::HostError err;
//   kvh::PluginLibrary* lib = session.LoadPlugin("tepidon.kv", &err);  // search path applies
//   if (!lib) { std::cerr << err.message; return 1; }
//   const kvh::PacketLayout& layout = session.Layout();   // fixes the layout
//   kvh::VectorPool pool(layout);                          // one per thread
//   auto road = kvh::MaterialRoad::Create(session, *lib, "gooch", "myMaterial", &err);
//
// Load every plug-in before the first call of Layout(): plug-in packets are
// registered at load time and the layout cannot change afterwards. The
// session is destroyed in a fixed order: roads and other holders of server
// references first (the caller's job: destroy them before the session), then
// listeners still registered, then each module's reference, the scene and
// the services, and the libraries are closed last.
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "core/memory_limit.h"
#include "core/plugin_library.h"
#include "core/sample_vector.h"
#include "core/scene.h"
#include "core/services.h"

namespace kvh {

class Session {
public:
    Session();
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Finds `name` (a path, or a bare file name searched in `extraDirs`, then
    // each folder of $KV_PLUGIN_PATH, then the build's plug-in folder) and
    // loads it. A file already loaded returns the same library.
    PluginLibrary* LoadPlugin(const std::string& name, HostError* err,
                              const std::vector<std::string>& extraDirs = {});
    // The path LoadPlugin would open, or "" when not found.
    static std::string FindPluginFile(const std::string& name, const std::vector<std::string>& extraDirs = {});
    const std::vector<std::unique_ptr<PluginLibrary>>& plugins() const { return plugins_; }

    // The sample-vector layout; the first call fixes it.
    const PacketLayout& Layout();
    bool layoutFixed() const { return layoutFixed_.load(std::memory_order_acquire); }

    Scene& scene() { return *scene_; }
    RootContext& root() { return *root_; }
    GuidService& guids() { return *guids_; }
    ThreadService& threads() { return *threads_; }
    PacketService& packets() { return *packets_; }
    SceneService& sceneTypes() { return *sceneTypes_; }
    NodalService& nodal() { return *nodal_; }
    ListenerService& listeners() { return *listeners_; }
    StdDialogService& dialogs() { return *dialogs_; }
    ShaderService& shading() { return *shading_; }
    ImageService& images() { return *images_; }

    // The most bytes one image of the scene (a clip picture) may take; see core/memory_limit.h.
    void SetMemoryLimit(uint64_t bytes) { memoryLimit_ = bytes; }
    uint64_t memoryLimit() const { return memoryLimit_; }

    // Warnings gathered while driving plug-ins (ignored bad calls and the like).
    void Warn(std::string text);
    std::vector<std::string> warnings() const;

private:
    PacketLayout layout_;
    std::atomic<bool> layoutFixed_{false};  // Layout() may be called from shading threads
    std::vector<ComRef> packetServers_;  // one VectorPacket reference per registered packet
    std::vector<std::unique_ptr<PluginLibrary>> plugins_;
    RootContext* root_;
    GuidService* guids_;
    ThreadService* threads_;
    PacketService* packets_;
    SceneService* sceneTypes_;
    NodalService* nodal_;
    ListenerService* listeners_;
    StdDialogService* dialogs_;
    ShaderService* shading_;
    ImageService* images_;
    Scene* scene_;
    uint64_t memoryLimit_ = kDefaultMemoryLimit;
    mutable std::mutex warnMutex_;
    std::vector<std::string> warnings_;
};

}  // namespace kvh
