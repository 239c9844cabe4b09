// The new-material gradient listener: when an item of its material type is
// added and its first gradient channel has no envelope yet, it writes a
// default linear ramp of keys into the envelope of each listed gradient
// channel in the scene's "setup" action. One listener per plug-in exists while
// at least one material object of that plug-in exists; each plug-in gives its
// own configuration.
#pragma once

#include <cstdint>
#include <string>

#include <kv/kv_host.h>

#include "extensions/channel_write.h"
#include "extensions/scene_item_listener.h"
#include "extensions/single_holder.h"
#include "extensions/singleton_polymorph.h"
#include "framework/host_wrappers.h"

// What a plug-in's listener writes, and into which items.
struct KvGradListenerConfig {
    const char* itemType;         // e.g. "material.toon"
    const char* const* channels;  // gradient channel names, null-ended, at most 16
    float a0, a1;                 // ramp values at the first and last point
    float b0, b1;                 // ramp inputs at the first and last point
    uint32_t keyCount;            // keys of the loop after the first key
};

class CNewGradsListener : public CKvImpl_SceneItemListener, public CKvSingletonPolymorph {
public:
    static constexpr unsigned kMaxChannels = 16;

    // Adds the SceneItemListener record to itself, spawns its COM object and
    // registers it with the host's listener service (when there is one),
    // keeping a reference of its own to that service while registered.
    explicit CNewGradsListener(const KvGradListenerConfig& config);
    // Unregisters (listener-service slot 5), then drops its service reference.
    ~CNewGradsListener() override;

    void* NewObj() override { return this; }
    void sil_ItemAdd(vt_IKvUnknown** item) override;

    bool Registered() const { return m_listenerSvc != nullptr; }

private:
    void WriteRamp(CKvUser_Item& item, const CKvUser_ChannelWrite& write) const;

    std::string m_itemType;
    uint32_t m_typeCode = 0;  // 0 = not looked up yet
    const char* m_channels[kMaxChannels + 1] = {};
    float m_a0, m_b0, m_a1, m_b1;
    uint32_t m_keyCount;
    vt_IKvListenerService** m_listenerSvc = nullptr;  // one reference owned while registered
};

namespace kv {

// A material object's arrival: the first one creates the listener.
inline void GradListenerAcquire(CKvSingleHolder<CNewGradsListener>& holder, const KvGradListenerConfig& config) {
    if (holder.count == 0 && !holder.object) holder.object = new CNewGradsListener(config);
    ++holder.count;
}

// A material object's departure: the last one destroys the listener.
inline void GradListenerRelease(CKvSingleHolder<CNewGradsListener>& holder) {
    if (holder.count <= 0) return;
    if (--holder.count == 0) {
        delete holder.object;
        holder.object = nullptr;
    }
}

}  // namespace kv
