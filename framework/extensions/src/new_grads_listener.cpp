#include "extensions/new_grads_listener.h"

#include <kv/kv_guids.h>

#include "extensions/channel_write.h"
#include "extensions/envelope.h"
#include "extensions/keyframe.h"
#include "framework/globals.h"
#include "framework/host_wrappers.h"

namespace {

// Keyframe slot 19 mode set after each key of the ramp's loop.
constexpr int32_t kRampSlopeType = 6;
constexpr int32_t kRampSlopeSide = 3;

}  // namespace

CNewGradsListener::CNewGradsListener(const KvGradListenerConfig& config)
    : m_itemType(config.itemType ? config.itemType : ""),
      m_a0(config.a0),
      m_b0(config.b0),
      m_a1(config.a1),
      m_b1(config.b1),
      m_keyCount(config.keyCount) {
    for (unsigned i = 0; config.channels && i < kMaxChannels && config.channels[i]; ++i) m_channels[i] = config.channels[i];
    AdoptInterface(new CKvIfc_SceneItemListener<CNewGradsListener>);

    auto** svc = static_cast<vt_IKvListenerService**>(kv::GetGlobal(&kv::guid_ListenerService));
    void* com = svc ? ComObject() : nullptr;
    if (!com) return;
    // The cache's pointer is borrowed and may be released before this listener
    // goes (module released first, or process exit): keep a reference of our own.
    (*svc)->unk.AddRef(svc);
    if (KV_FAILED((*svc)->AddListener(svc, static_cast<vt_IKvUnknown**>(com)))) {
        (*svc)->unk.Release(svc);
        return;
    }
    m_listenerSvc = svc;
}

CNewGradsListener::~CNewGradsListener() {
    if (auto** svc = m_listenerSvc) {
        m_listenerSvc = nullptr;
        if (void* com = ComObject()) (*svc)->RemoveListener(svc, static_cast<vt_IKvUnknown**>(com));
        (*svc)->unk.Release(svc);
    }
}

void CNewGradsListener::sil_ItemAdd(vt_IKvUnknown** itemObj) {
    CKvUser_Item item(itemObj);
    if (!item.test()) return;
    if (m_typeCode == 0) {
        auto** scenes = static_cast<vt_IKvSceneService**>(kv::GetGlobal(&kv::guid_SceneService));
        uint32_t code = 0;
        if (scenes && KV_SUCCEEDED((*scenes)->ItemTypeLookup(scenes, m_itemType.c_str(), &code))) m_typeCode = code;
    }
    if (!item.IsA(m_typeCode)) return;

    CKvUser_Scene scene;
    CKvUser_ChannelWrite write;
    if (!item.GetContext(scene) || !scene.GetChannels("setup", write)) return;

    if (m_channels[0]) {
        // An envelope on the first channel in the "edit" action means the item
        // already has its gradients (a loaded scene): write nothing.
        CKvUser_ChannelRead read;
        const int first = item.ChannelLookup(m_channels[0]);
        void* env = nullptr;
        if (scene.GetChannels("edit", read) && first >= 0 &&
            KV_SUCCEEDED(read.Envelope(item, static_cast<unsigned>(first), &env))) {
            kv::ObjRelease(env);
            return;
        }
    }
    WriteRamp(item, write);
}

void CNewGradsListener::WriteRamp(CKvUser_Item& item, const CKvUser_ChannelWrite& write) const {
    for (unsigned i = 0; m_channels[i]; ++i) {
        const int index = item.ChannelLookup(m_channels[i]);
        void* obj = nullptr;
        if (index < 0 || KV_FAILED(write.Envelope(item, static_cast<unsigned>(index), &obj))) continue;
        CKvUser_Envelope envelope;
        if (!envelope.take(obj)) continue;
        obj = nullptr;
        CKvUser_Keyframe keys;
        if (KV_FAILED(envelope.Keyframe(&obj)) || !keys.take(obj)) continue;

        keys.AddF(m_b0, m_a0);
        const float count = static_cast<float>(m_keyCount);
        for (uint32_t j = 0; j < m_keyCount; ++j) {
            const float fj = static_cast<float>(j);
            keys.AddF(m_b0 + fj * (m_b1 - m_b0) / count, m_a0 + fj * (m_a1 - m_a0) / count);
            keys.SetSlopeType(kRampSlopeType, kRampSlopeSide);
        }
    }
}
