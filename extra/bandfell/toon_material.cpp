#include "toon_material.h"

#include <cmath>
#include <cstring>

#include <kv/kv_guids.h>

#include "framework/globals.h"
#include "toon_listener.h"
#include "toon_names.h"

using namespace toon_channels;

namespace {

constexpr char kGradPrefix[] = "bandGradient";  // the channels "Use Gradient" switches
constexpr size_t kGradPrefixLen = sizeof kGradPrefix - 1;
constexpr const char* kGradientsOff = "Gradients ignored unless 'Use Gradient' is on.";

bool IsBandGradient(const char* channel) { return channel && std::strncmp(channel, kGradPrefix, kGradPrefixLen) == 0; }

template <class V>
V* Field(void* packet, uint16_t offset) {
    return reinterpret_cast<V*>(static_cast<char*>(packet) + offset);
}

// A count from the nodal float read: truncated toward zero; a value outside
// the integer range keeps the block's count.
int32_t CountFrom(double v, int32_t fallback) {
    if (!(v > -2147483648.0 && v < 2147483648.0)) return fallback;
    return static_cast<int32_t>(v);
}

}  // namespace

const st_KVtTagInfoDesc ToonMaterial::descInfo[] = {
    {"server.username", "Toon Material", nullptr},
    {"server.logsubsystem", "comp-shader", nullptr},
    {nullptr, nullptr, nullptr},
};

ToonMaterial::ToonMaterial()
    : m_nodal(static_cast<vt_IKvNodalService**>(kv::GetGlobal(&kv::guid_NodalService))) {
    AcquireToonListener();
}

ToonMaterial::~ToonMaterial() { ReleaseToonListener(); }

uint32_t ToonMaterial::MyType() {
    if (m_type == 0) {
        auto** scenes = static_cast<vt_IKvSceneService**>(kv::GetGlobal(&kv::guid_SceneService));
        uint32_t code = 0;
        if (scenes && KV_SUCCEEDED((*scenes)->ItemTypeLookup(scenes, kToonItemType, &code))) m_type = code;
    }
    return m_type;
}

KvResult ToonMaterial::cmt_SetupChannels(vt_IKvUnknown** addChan) {
    CKvUser_AddChannel add(addChan);
    Setup(add);
    return KV_OK;
}

KvResult ToonMaterial::cmt_LinkChannels(vt_IKvUnknown** eval, vt_IKvUnknown** itemObj) {
    CKvUser_Evaluation evaluation(eval);
    CKvUser_Item item(itemObj);
    const Link* links = Links();
    for (unsigned i = 0; i < kLinkCount; ++i) m_links[i].index = item.ChannelLookup(links[i].name);
    for (unsigned i = 0; i < kLinkCount; ++i)
        m_links[i].evalIndex = static_cast<int32_t>(evaluation.AddChan(itemObj, static_cast<unsigned>(m_links[i].index)));
    m_parmsOffset = m_packets.GetOffset("sample", "sample.parms");
    m_ownOffset = m_packets.GetOffset("sample", kToonPacketName);
    return KV_OK;
}

KvResult ToonMaterial::cmt_LinkSampleChannels(vt_IKvUnknown** eval, vt_IKvUnknown** item, int* idx) {
    if (!m_nodal) return KV_OK;
    for (unsigned i = kSampleFirst; i < kSampleFirst + kSampleCount; ++i)
        (*m_nodal)->AddSampleChan(m_nodal, eval, item, static_cast<uint32_t>(m_links[i].index), idx, 1);
    return KV_OK;
}

// Asks about every item channel from diffBands on: the per-sample channels are
// spread over all 95 (the gradient channels interleave with the bands).
int ToonMaterial::cmt_IsSampleDriven(int* idx) {
    const int32_t first = m_links[kDiffBands].index;
    if (!m_nodal || !idx || first < 0) return 0;
    return (*m_nodal)->AnyDrivenChans(m_nodal, idx + first, kItemChannelCount);
}

KvResult ToonMaterial::cmt_ReadChannels(vt_IKvUnknown** attrObj, void** data) {
    CKvUser_Attributes attr(attrObj);
    auto* block = new ToonPacketData;
    std::memset(block, 0, sizeof *block);  // reserved words and padding start at 0
    const Link* links = Links();

    auto bind = [&](CKvUser_GradientFilter& filter, unsigned link) {
        void* obj = nullptr;
        if (KV_SUCCEEDED(attr.Value(static_cast<unsigned>(m_links[link].evalIndex), &obj)) && obj) filter.take(obj);
    };
    bind(m_grads.spec, kSpecGrad);
    bind(m_grads.refl, kReflGrad);

    for (unsigned i = kSampleFirst; i < kSampleFirst + kSampleCount; ++i) {
        const unsigned e = static_cast<unsigned>(m_links[i].evalIndex);
        switch (links[i].kind) {
            case Kind::Count: *Field<int32_t>(block, links[i].packetOffset) = attr.GetInt(e); break;
            case Kind::Float:
                *Field<float>(block, links[i].packetOffset) = static_cast<float>(attr.GetFlt(e));
                break;
            case Kind::Flag: *Field<uint8_t>(block, links[i].packetOffset) = attr.GetInt(e) != 0 ? 1 : 0; break;
            case Kind::Gradient: break;
        }
    }
    for (int b = 0; b < kToonMaxBands; ++b)
        for (int c = 0; c < 3; ++c) bind(m_grads.bandFilter(c, b), kGradFirst + 3 * b + c);

    *data = block;
    return KV_OK;
}

void ToonMaterial::cmt_MaterialEvaluate(vt_IKvUnknown** evaluator, int* idx, vt_IKvUnknown** vector, void* data) {
    void* packet = m_packets.FastPacket(vector, m_ownOffset);
    if (!packet || !data) return;
    std::memcpy(packet, data, sizeof(ToonPacketData));
    if (!m_nodal) return;
    const Link* links = Links();
    for (unsigned i = kSampleFirst; i < kSampleFirst + kSampleCount; ++i) {
        const uint32_t ch = static_cast<uint32_t>(m_links[i].index);
        const uint16_t off = links[i].packetOffset;
        switch (links[i].kind) {
            case Kind::Count: {
                int32_t& count = *Field<int32_t>(packet, off);
                count = CountFrom((*m_nodal)->GetFloat(m_nodal, evaluator, idx, ch, count), count);
                break;
            }
            case Kind::Float: {
                float& v = *Field<float>(packet, off);
                v = static_cast<float>((*m_nodal)->GetFloat(m_nodal, evaluator, idx, ch, v));
                break;
            }
            case Kind::Flag: {
                uint8_t& flag = *Field<uint8_t>(packet, off);
                flag = (*m_nodal)->GetInt(m_nodal, evaluator, idx, ch, flag) != 0 ? 1 : 0;
                break;
            }
            case Kind::Gradient: break;
        }
    }
}

void ToonMaterial::cmt_ShaderEvaluate(vt_IKvUnknown** vector, vt_IKvUnknown**, st_KVpShadeComponents* sc,
                                      st_KVpShadeOutput* out, void* data) {
    const void* packet = m_packets.FastPacket(vector, m_ownOffset);
    if (!packet) packet = data;
    if (!packet || !sc || !out) return;
    const auto* parms = static_cast<const st_KVpSampleParms*>(m_packets.FastPacket(vector, m_parmsOffset));
    toonShade(*static_cast<const ToonPacketData*>(packet), parms, m_grads, *sc, *out);
}

KvResult ToonMaterial::cmt_SetOpaque(int* opaque) {
    *opaque = 0;
    return KV_OK;
}

KvResult ToonMaterial::cmt_CustomPacket(const char** packet) {
    *packet = kToonPacketName;
    return KV_OK;
}

void ToonMaterial::cmt_Cleanup(void* data) { delete static_cast<ToonPacketData*>(data); }

KvResult ToonMaterial::cui_Enabled(const char* channel, vt_IKvUnknown** msg, vt_IKvUnknown** itemObj,
                                   vt_IKvUnknown** chanReadObj) {
    if (!IsBandGradient(channel)) return KV_OK;
    char useGrad[] = "bandUseGrad?";
    useGrad[11] = channel[kGradPrefixLen];
    CKvUser_Item item(itemObj);
    CKvUser_ChannelRead read(chanReadObj);
    const int index = item.ChannelLookup(useGrad);
    if (index >= 0 && read.Integer(itemObj, static_cast<unsigned>(index)) != 0) return KV_OK;
    CKvUser_Message message(msg);
    message.SetCode(KV_MSG_DISABLED);
    message.SetMessage("common", nullptr, 99);
    message.SetArgumentString(1, kGradientsOff);
    return KV_MSG_DISABLED;
}

KvResult ToonMaterial::cui_DependencyCount(const char* channel, unsigned* count) {
    *count = IsBandGradient(channel) ? 1 : 0;
    return KV_OK;
}

// The switch's name is written into one static buffer that each call
// overwrites; whatever the index, a band gradient depends on its band's switch.
KvResult ToonMaterial::cui_DependencyByIndex(const char* channel, unsigned, int* itemType, const char** depChannel) {
    if (!IsBandGradient(channel)) return KV_E_OUTOFBOUNDS;
    static char useGrad[13] = "bandUseGrad1";
    useGrad[11] = channel[kGradPrefixLen];
    *itemType = static_cast<int>(MyType());
    *depChannel = useGrad;
    return KV_OK;
}

KvResult ToonMaterial::cui_UIHints(const char* channel, vt_IKvUnknown** hints) {
    static const char* const hinted[] = {"diffLevel", "diffShift", "specLevel",  "reflLevel", "shadows",
                                         "baseColor", "bandColor1", "bandColor2", "bandColor3"};
    if (!channel) return KV_E_NOTIMPL;
    for (const char* name : hinted) {
        if (std::strcmp(channel, name) == 0) {
            CKvUser_UIHints ui(hints);
            ui.ChannelFlags(4);
            return KV_OK;
        }
    }
    return KV_E_NOTIMPL;
}
