// The pieces every run shares: a session with one plug-in loaded and the
// per-thread objects of shading, and one sample of a material shaded with
// random host data and checked.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/material_road.h"
#include "core/ray_object.h"
#include "core/session.h"
#include "stress/host_data.h"
#include "stress/material_info.h"

namespace kvs {

struct Finding {
    std::string kind;
    std::string detail;
};

// A session with the plug-in loaded, its layout fixed, a vector pool, a ray
// object and the material's packet effect. Roads made on it must be
// destroyed before it.
class Kit {
public:
    Kit() = default;
    ~Kit();
    Kit(const Kit&) = delete;
    Kit& operator=(const Kit&) = delete;

    // Loads the plug-in and builds a small scene beside the materials: a
    // render camera, a "videoClip" item and two "locator" items that
    // materials may be linked to (kClipName, kLocatorName, kSecondLocatorName).
    bool Open(const std::string& pluginFile, std::string* err);
    static constexpr const char* kClipName = "kvstress.clip";
    static constexpr const char* kLocatorName = "kvstress.locator";
    static constexpr const char* kSecondLocatorName = "kvstress.locator2";
    // Sets every lens value of the render camera (focal length, apertures,
    // focus distance) to 0, or back to the values Open gave them.
    void SetCameraZero(bool zero);
    // Finds the material's own packet and effect in this session.
    void Bind(const MaterialInfo& m);
    // Replaces the vector pool by a new one.
    void NewPool();
    std::unique_ptr<kvh::MaterialRoad> Road(const MaterialInfo& m, kvh::MaterialRoad::Options o) const;

    kvh::Session session;
    kvh::PluginLibrary* lib = nullptr;
    std::unique_ptr<kvh::VectorPool> pool;
    RandomRays rays;
    kvh::RayObject* rayObject = nullptr;
    kvh::SceneItem* camera = nullptr;
    kvh::ComRef effect;
    int32_t ownOffset = -1;   // the material's packet in the layout, -1 when absent
    int32_t ownIndex = -1;
    uint32_t ownSize = 0;
};

// Counts over many samples, for the run's figures.
struct ShadeStats {
    uint64_t samples = 0;
    uint64_t tame = 0;             // samples whose every input was tame
    uint64_t nonFiniteWild = 0;    // non-finite results from untame inputs (allowed)
    uint64_t effectCalls = 0;      // samples driven with packet-effect calls
};

struct ShadeOptions {
    bool dropPackets = true;    // leave host packets and the own packet out now and then
    bool effectCalls = true;    // random packet-effect calls between the two evaluations
};

// Shades one sample with data from `src` (its taint covers the whole case)
// and appends what is wrong: non-finite results from tame inputs, writes
// outside the material's packet, packet-effect calls that write where they
// must not.
void ShadeRandomSample(Kit& kit, const kvh::MaterialRoad& road, const MaterialInfo& m, ValueSource& src,
                       const ShadeOptions& opt, std::vector<Finding>* found, ShadeStats* stats = nullptr);

// The finding for a sample whose Raycast slot 3 and slot 4 calls did not
// match (MaterialRoad::Shade's answer).
Finding UnbalancedVectors(int32_t imbalance);
// What the road's ReadChannels calls did wrong (a monitor that the dialog
// service did not open, handed to ImageFilter slot 4).
void CheckReadCalls(const kvh::MaterialRoad& road, std::vector<Finding>* found);

// Host reference checks after a road is gone: its item is held by the scene
// only, and no other host object outlives the road.
void CheckRoadReleased(kvh::Session& s, const kvh::SceneItem* item, int64_t liveBefore, std::vector<Finding>* found);

}  // namespace kvs
