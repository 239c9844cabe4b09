// The material road: one material instance driven the way the host drives
// it, from channel set-up to clean-up.
//
//   kvh::MaterialRoad::Options opt;                 // scene values, drivers, layers, links
//   opt.values.push_back({"warmColor.R", 0.9});
//   auto road = kvh::MaterialRoad::Create(session, *lib, "gooch", "mat1", opt, &err);
//   if (!road || road->Prepare(&err)) ...          // Prepare: steps up to ReadChannels
//   // per sample, on any thread, with that thread's pool:
//   SampleVector& v = pool.BeginSample(x, y, fx, fy, s);
//   ... fill host packets ...
//   st_KVpShadeComponents sc = ...; st_KVpShadeOutput out = hostSum;
//   road->Shade(v, rays->ptr(), sc, out);
//   road.reset();                                   // Cleanup and release
//
// Prepare (once, one thread): generate the material server; query ChannelUI
// and TagDescription; register "material." + server name; SetupChannels;
// create the item at its defaults and send ItemAdd to every listener; apply
// the options' values; LinkChannels; LinkSampleChannels with the index array
// preset to -1; IsSampleDriven; ReadChannels; resolve texture layers through
// the packet effect whose pfx_Packet equals cmt_CustomPacket.
//
// Shade (per sample, thread-safe, no lock, no allocation): MaterialEvaluate
// with the pool's evaluator, texture layers (pfx_Get, blend by opacity,
// pfx_Set), then ShaderEvaluate with the caller's components, preset output
// and ray object. It answers how many nested ray vectors (Raycast slot 3)
// the material left without their slot 4, which a host would pile up; the
// stack is put back either way. Shade does nothing before Prepare succeeded. Reread()
// (ReadChannels again) runs between renders, never while samples are being
// shaded, as a host re-reads channels only between frames; Shade keeps no
// shared counter so that threads shading one material share no cache line.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/host_object.h"
#include "core/pattern.h"
#include "core/plugin_library.h"
#include "core/sample_vector.h"
#include "core/scene.h"

namespace kvh {

class Session;

// Channel values of the material item as set by a scene.
struct ChannelValue {
    std::string channel;  // component name ("c.R") or a plain channel
    double value;
};
struct ChannelKeys {
    std::string channel;  // component channel
    std::vector<Key> keys;
};
struct ChannelDriver {
    std::string channel;  // component or plain channel
    Pattern pattern;
    uint32_t component = 0;
};
struct TextureLayer {
    std::string value;  // packet-effect value name
    float opacity = 1.0f;
    Pattern pattern;
};

// What Prepare recorded of the ChannelUI calls for one channel.
struct ChannelUIRecord {
    std::string channel;
    KvResult enabled = KV_OK;
    // Message calls made by cui_Enabled (slots 4, 5, 8).
    KvResult messageCode = 0;
    std::string messageTable;
    uint32_t messageEntry = 0;
    std::string messageArg1;
    KvResult dependencyCountResult = KV_OK;
    uint32_t dependencyCount = 0;
    struct Dependency {
        KvResult result;
        int32_t itemType;
        std::string channel;
    };
    std::vector<Dependency> dependencies;
    KvResult hintsResult = KV_OK;
    std::vector<int32_t> hintFlags;  // UIHints slot 19 arguments
};

class MaterialRoad {
public:
    struct Options {
        std::string itemName;  // defaults to the server name
        std::vector<ChannelValue> values;
        std::vector<ChannelKeys> gradients;  // stored envelopes, present before ItemAdd
        std::vector<ChannelDriver> drivers;
        std::vector<TextureLayer> layers;
        std::vector<std::string> links;  // "shadeLoc" links to scene items
        std::vector<std::string> removeChannels;  // tests: channels the item lacks
    };

    static std::unique_ptr<MaterialRoad> Create(Session& session, const PluginLibrary& lib,
                                                const std::string& server, Options options);
    ~MaterialRoad();  // Cleanup of the block, then releases every reference

    // Generates the material and creates its item at its defaults (the first
    // steps of Prepare), so that a scene can make every item before it links
    // any: a link then finds its item wherever it stands in the scene.
    KvResult MakeItem(HostError* err);
    // Runs the road up to ReadChannels (making the item first if not yet
    // made); the error names the failing step.
    KvResult Prepare(HostError* err);
    // ReadChannels again (after scene edits); refused while shading.
    KvResult Reread(HostError* err);
    // Tests: ReadChannels once more while the current block stays in use, as
    // a host that reads the next frame while samples of this one still shade.
    // Null when the read fails; the caller frees it with CleanupBlock.
    void* ReadSpareBlock() const;
    void CleanupBlock(void* block) const;

    // Vectors left open (positive) or ended without being made (negative):
    // 0 for a material that ends each vector it makes.
    int32_t Shade(SampleVector& v, vt_IKvUnknown** rayObject, st_KVpShadeComponents& sc,
                  st_KVpShadeOutput& out) const;

    // Whether the material draws from the surface's texture coordinates: it
    // asked for the "texture.input" packet while it was made or linked, and
    // its "screenCoords" switch, when it has one, is off and not driven.
    bool DrawsInTextureCoordinates() const;
    // ReadChannels calls that handed ImageFilter slot 4 another monitor than
    // the one StdDialogService slot 4 opened (each also a session warning).
    uint32_t wrongMonitors() const { return wrongMonitors_; }

    // Drives ChannelUI for every channel of the item and records the answers.
    std::vector<ChannelUIRecord> ProbeChannelUI() const;

    bool prepared() const { return prepared_; }
    SceneItem* item() const { return item_; }
    const std::string& server() const { return server_; }
    const std::string& customPacket() const { return customPacket_; }
    int32_t sampleDriven() const { return sampleDriven_; }
    void* block() const { return block_; }
    // The Evaluation object of LinkChannels (kvh::Evaluation, core/scene_objects.h).
    HostObject* evaluation() const { return evaluation_; }
    const std::vector<int32_t>& indexArray() const { return index_; }
    vt_IKvUnknown** material() const { return material_.get(); }
    const std::vector<std::pair<std::string, std::string>>& serverTags() const { return tags_; }
    // What LinkChannels added to the evaluation, by evaluation index: (item
    // name, channel name); "?" for a channel index the item does not have.
    std::vector<std::pair<std::string, std::string>> evaluationEntries() const;

private:
    MaterialRoad(Session& s, const PluginLibrary& lib, std::string server, Options o);
    KvResult Fail(HostError* err, KvResult code, std::string what);
    KvResult ResolveLayers(HostError* err);
    KvResult ReadBlock(HostError* err);

    Session& session_;
    const PluginLibrary& lib_;
    std::string server_;
    Options options_;
    ComRef material_;
    ComRef channelUI_;
    ComRef tagDesc_;
    ComRef effect_;
    SceneItem* item_ = nullptr;
    HostObject* evaluation_ = nullptr;
    std::vector<int32_t> index_;
    int32_t sampleDriven_ = 0;
    void* block_ = nullptr;
    bool hasBlock_ = false;
    std::string customPacket_;
    int32_t ownPacketOffset_ = -1;
    std::vector<std::pair<std::string, std::string>> tags_;
    struct ResolvedLayer {
        int32_t index;
        uint32_t count;  // 1 or 3 floats
        float opacity;
        Pattern pattern;
    };
    std::vector<ResolvedLayer> layers_;
    bool prepared_ = false;
    bool asksTextureInput_ = false;
    uint32_t wrongMonitors_ = 0;
};

}  // namespace kvh
