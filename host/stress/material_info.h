// What a plug-in declares about its materials, read through the host road:
// the material servers (found by their "comp-shader" tag), each one's channel
// table, own packet and packet-effect table. Nothing here knows any plug-in.
#pragma once

#include <string>
#include <vector>

#include "core/material_road.h"
#include "core/session.h"

namespace kvs {

struct EffectValue {
    int32_t index = 0;
    std::string name;
    std::string type;
    int32_t flags = 0;
    uint32_t floats() const { return flags == KV_PFX_FLAG_COLOR ? 3 : 1; }
};

struct MaterialInfo {
    std::string server;
    std::string packet;               // cmt_CustomPacket, "" when none
    uint32_t packetSize = 0;          // vpkt_Size of that packet, 0 when unknown
    std::vector<kvh::Channel> channels;  // as SetupChannels built them
    std::string effectServer;         // the effect whose pfx_Packet is the material's packet
    uint32_t effectCount = 0;
    std::vector<EffectValue> effects;
    std::string defaultsError;        // a road at the defaults failed: why
};

struct PluginInfo {
    std::string path;  // as found by the session
    std::vector<std::string> servers;
    std::vector<MaterialInfo> materials;
};

// Names of the material servers of a loaded library.
std::vector<std::string> MaterialServers(const kvh::PluginLibrary& lib);

// Loads `file` in a session of its own and reads every material; false with
// a message when the plug-in does not load.
bool ProbePlugin(const std::string& file, PluginInfo* out, std::string* err);

// The packet effect of a library whose pfx_Packet names `packet`; empty when none.
kvh::ComRef FindEffect(const kvh::PluginLibrary& lib, const std::string& packet, std::string* server = nullptr);

// For a plug-in whose entry point returned null: whether a second entry call
// in the same load returns a module (registration that fails once by
// design). The module is released and the library closed again.
bool EntryLoadsOnRetry(const std::string& file);

}  // namespace kvs
