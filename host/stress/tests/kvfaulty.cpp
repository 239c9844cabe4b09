// A plug-in with planted faults, one per material, that the robustness
// runner must report. It is built for the runner's own tests only and is
// kept out of the plug-in folder, so that no other suite picks it up.
//   "nandiv"      divides by a channel: 0 gives NaN or infinity from finite inputs
//   "leakref"     keeps a reference to the material item it was linked to
//   "overrun"     writes one float past the end of its own packet
//   "refusecrash" calls the scene service without testing that it got one
//   "racy"        counts its samples in a plain member (a data race across threads)
//   "swallow"     answers success when the host fails to add a channel
//   "spill"       its packet effect writes three floats for a one-float value,
//                 and for indices outside its table
//   "unpopped"    traces a see-through ray from a Raycast1 slot 3 vector and
//                 never ends it with slot 4
//   "wrongmonitor" opens a monitor for its linked clip's image and hands
//                 ImageFilter slot 4 none
//   "narrowing"   converts a float beyond the range of int to int (caught by
//                 the address-sanitizer build only)
#include <cstring>

#include "framework/framework.h"
#include "shader/shade_links.h"

namespace {

struct Block {
    float value;
};

// The shared part: one float channel "value", read into the block.
class FaultyBase : public CKvImpl_CustomMaterial, public CKvImpl_ChannelUI {
public:
    static st_KVtTagInfoDesc descInfo[];
    KvResult cmt_SetupChannels(vt_IKvUnknown** addChan) override {
        CKvUser_AddChannel ac(addChan);
        ac.NewChannel("value", "float");
        ac.SetDefault(1.0, 0);
        return KV_OK;
    }
    KvResult cmt_LinkChannels(vt_IKvUnknown** eval, vt_IKvUnknown** item) override {
        CKvUser_Evaluation ev(eval);
        CKvUser_Item it(item);
        evalIndex_ = ev.AddChan(item, unsigned(it.ChannelLookup("value")));
        return KV_OK;
    }
    KvResult cmt_ReadChannels(vt_IKvUnknown** attr, void** data) override {
        CKvUser_Attributes at(attr);
        auto* b = new Block;
        b->value = float(at.GetFlt(evalIndex_));
        *data = b;
        return KV_OK;
    }
    void cmt_ShaderEvaluate(vt_IKvUnknown**, vt_IKvUnknown**, st_KVpShadeComponents*, st_KVpShadeOutput* out,
                            void* data) override {
        for (float& c : out->color) c *= 0.5f + 0.0f * static_cast<Block*>(data)->value;
    }
    void cmt_Cleanup(void* data) override { delete static_cast<Block*>(data); }
    int cmt_Flags() override { return 0; }

protected:
    unsigned evalIndex_ = 0;
};
st_KVtTagInfoDesc FaultyBase::descInfo[] = {{"server.username", "Faulty Material", nullptr},
                                            {"server.logsubsystem", "comp-shader", nullptr},
                                            {nullptr, nullptr, nullptr}};

class NanDivide : public FaultyBase {
public:
    void cmt_ShaderEvaluate(vt_IKvUnknown**, vt_IKvUnknown**, st_KVpShadeComponents* sc, st_KVpShadeOutput* out,
                            void* data) override {
        for (int c = 0; c < 3; ++c) out->color[c] = sc->diff[c] / static_cast<Block*>(data)->value;
    }
};

class LeakRef : public FaultyBase {
public:
    KvResult cmt_LinkChannels(vt_IKvUnknown** eval, vt_IKvUnknown** item) override {
        void* extra = nullptr;
        (*item)->QueryInterface(item, &kv::guid_Item, &extra);  // never released
        return FaultyBase::cmt_LinkChannels(eval, item);
    }
};

constexpr const char* kPacket = "kvfaulty.packet";

class Overrun : public FaultyBase {
public:
    Overrun() : packets_() {}
    KvResult cmt_LinkChannels(vt_IKvUnknown** eval, vt_IKvUnknown** item) override {
        offset_ = packets_.GetOffset("sample", kPacket);
        return FaultyBase::cmt_LinkChannels(eval, item);
    }
    void cmt_MaterialEvaluate(vt_IKvUnknown**, int*, vt_IKvUnknown** vector, void* data) override {
        auto* p = static_cast<float*>(packets_.FastPacket(vector, offset_));
        if (!p) return;
        p[0] = static_cast<Block*>(data)->value;
        p[1] = p[0];  // the packet holds one float
    }
    KvResult cmt_CustomPacket(const char** packet) override {
        *packet = kPacket;
        return KV_OK;
    }

private:
    CKvUser_PacketService packets_;
    int offset_ = -1;
};

class RefuseCrash : public FaultyBase {
public:
    KvResult cmt_LinkChannels(vt_IKvUnknown** eval, vt_IKvUnknown** item) override {
        auto** svc = static_cast<vt_IKvUnknown**>(kv::GetGlobal(&kv::guid_SceneService));
        uint32_t code = 0;
        reinterpret_cast<const vt_IKvSceneService*>(*svc)->ItemTypeLookup(svc, "material.refusecrash", &code);
        return FaultyBase::cmt_LinkChannels(eval, item);
    }
};

class Racy : public FaultyBase {
public:
    void cmt_ShaderEvaluate(vt_IKvUnknown** v, vt_IKvUnknown** r, st_KVpShadeComponents* sc, st_KVpShadeOutput* out,
                            void* data) override {
        ++samples_;
        FaultyBase::cmt_ShaderEvaluate(v, r, sc, out, data);
    }

private:
    uint64_t samples_ = 0;
};

class Swallow : public FaultyBase {
public:
    KvResult cmt_LinkChannels(vt_IKvUnknown** eval, vt_IKvUnknown** item) override {
        try {
            return FaultyBase::cmt_LinkChannels(eval, item);
        } catch (unsigned) {
            return KV_OK;
        }
    }
};

constexpr const char* kSpillPacket = "kvfaulty.spill";

class Spill : public FaultyBase {
public:
    KvResult cmt_CustomPacket(const char** packet) override {
        *packet = kSpillPacket;
        return KV_OK;
    }
};

class SpillFX : public CKvImpl_PacketEffect {
public:
    static st_KVtTagInfoDesc descInfo[];
    KvResult pfx_Packet(const char** packet) override {
        *packet = kSpillPacket;
        return KV_OK;
    }
    unsigned pfx_Count() override { return 1; }
    KvResult pfx_ByIndex(int, const char** name, const char** type, int* flags) override {
        *name = "amount";
        *type = "float";
        *flags = KV_PFX_FLAG_FLOAT;
        return KV_OK;
    }
    KvResult pfx_Get(int, void* packet, float* value, void*) override {
        std::memcpy(value, packet, 3 * sizeof(float));
        return KV_OK;
    }
    KvResult pfx_Set(int, void* packet, const float* value, void*) override {
        std::memcpy(packet, value, sizeof(float));
        return KV_OK;
    }
};
st_KVtTagInfoDesc SpillFX::descInfo[] = {{"server.username", "Faulty Effect", nullptr},
                                         {"server.logsubsystem", "texture-effect", nullptr},
                                         {"textureFX.category", "surface", nullptr},
                                         {nullptr, nullptr, nullptr}};

class Unpopped : public FaultyBase {
public:
    void cmt_ShaderEvaluate(vt_IKvUnknown** vector, vt_IKvUnknown** rayObj, st_KVpShadeComponents* sc,
                            st_KVpShadeOutput* out, void* data) override {
        CKvUser_Raycast1 rays(rayObj);
        if (vt_IKvUnknown** traced = rays.PushVector(vector)) {
            const double origin[3] = {0, 0, 0};
            const float dir[3] = {0, 0, 1};
            rays.TraceRay(traced, origin, dir, KV_RAY_SEETHROUGH);
        }
        FaultyBase::cmt_ShaderEvaluate(vector, rayObj, sc, out, data);
    }
};

class WrongMonitor : public FaultyBase {
public:
    KvResult cmt_LinkChannels(vt_IKvUnknown** eval, vt_IKvUnknown** item) override {
        const KvResult rc = FaultyBase::cmt_LinkChannels(eval, item);
        CKvUser_Item clip;
        linked_ = kv::shader::FindLinkedClip(item, clip);
        if (linked_) {
            CKvUser_Evaluation ev(eval);
            imageStack_ = ev.AddChan(clip, unsigned(clip.ChannelLookup("imageStack")));
        }
        return rc;
    }
    KvResult cmt_ReadChannels(vt_IKvUnknown** attr, void** data) override {
        const KvResult rc = FaultyBase::cmt_ReadChannels(attr, data);
        CKvUser_Attributes at(attr);
        void* obj = nullptr;
        CKvUser_ImageFilter filter;
        if (!linked_ || KV_FAILED(at.Value(imageStack_, &obj)) || !filter.take(obj)) return rc;
        CKvUser_StdDialogService dialogs;
        CKvUser_Monitor monitor;
        const bool opened = dialogs.MonitorAllocate("Faulty Image", monitor);
        CKvUser_Image image;
        filter.Generate(64, 64, nullptr, image);  // not the monitor it opened
        if (opened) dialogs.MonitorRelease();
        return rc;
    }

private:
    bool linked_ = false;
    unsigned imageStack_ = 0;
};

class Narrowing : public FaultyBase {
public:
    void cmt_ShaderEvaluate(vt_IKvUnknown** v, vt_IKvUnknown** r, st_KVpShadeComponents* sc, st_KVpShadeOutput* out,
                            void* data) override {
        // 3e9 times the channel: beyond the range of int for |value| > 0.72.
        volatile int32_t steps = static_cast<int32_t>(static_cast<Block*>(data)->value * 3e9f);
        (void)steps;
        FaultyBase::cmt_ShaderEvaluate(v, r, sc, out, data);
    }
};

template <unsigned kBytes>
class SizedPacket : public CKvImpl_VectorPacket {
public:
    static st_KVtTagInfoDesc descInfo[];
    unsigned vpkt_Size() override { return kBytes; }
    const char* vpkt_Interface() override { return nullptr; }
    KvResult vpkt_Initialize(void* p) override {
        std::memset(p, 0, kBytes);
        return KV_OK;
    }
};
template <unsigned kBytes>
st_KVtTagInfoDesc SizedPacket<kBytes>::descInfo[] = {{"server.username", "Faulty Packet", nullptr},
                                                     {"server.logsubsystem", "vector-packet", nullptr},
                                                     {"vpacket.category", "sample", nullptr},
                                                     {nullptr, nullptr, nullptr}};
using OneFloatPacket = SizedPacket<sizeof(float)>;
using FourFloatPacket = SizedPacket<4 * sizeof(float)>;

template <class T>
void Material(const char* name) {
    kv::RegisterServer<T, CKvIfc_CustomMaterial<T>, CKvIfc_ChannelUI<T>, CKvIfc_StaticDesc<T>>(name);
}

}  // namespace

void initialize() {
    Material<NanDivide>("nandiv");
    Material<LeakRef>("leakref");
    Material<Overrun>("overrun");
    Material<RefuseCrash>("refusecrash");
    Material<Racy>("racy");
    Material<Swallow>("swallow");
    Material<Spill>("spill");
    Material<Unpopped>("unpopped");
    Material<WrongMonitor>("wrongmonitor");
    Material<Narrowing>("narrowing");
    kv::RegisterServer<OneFloatPacket, CKvIfc_VectorPacket<OneFloatPacket>, CKvIfc_StaticDesc<OneFloatPacket>>(kPacket);
    kv::RegisterServer<FourFloatPacket, CKvIfc_VectorPacket<FourFloatPacket>, CKvIfc_StaticDesc<FourFloatPacket>>(
        kSpillPacket);
    kv::RegisterServer<SpillFX, CKvIfc_PacketEffect<SpillFX>, CKvIfc_StaticDesc<SpillFX>>("kvfaulty.spillFX");
}

void cleanup() {}
