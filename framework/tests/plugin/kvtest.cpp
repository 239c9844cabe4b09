// Test plug-in: a pass-through material, a small packet and a packet effect.
#include <cstring>

#include "framework/framework.h"

namespace {

class PassthroughMaterial : public CKvImpl_CustomMaterial, public CKvImpl_ChannelUI {
public:
    static st_KVtTagInfoDesc descInfo[];
    KvResult cmt_SetupChannels(vt_IKvUnknown** addChan) override {
        CKvUser_AddChannel ac(addChan);
        ac.NewChannel("passAmount", "float");
        ac.SetDefault(1.0, 0);
        return KV_OK;
    }
    KvResult cmt_LinkChannels(vt_IKvUnknown**, vt_IKvUnknown**) override { return KV_OK; }
    KvResult cmt_ReadChannels(vt_IKvUnknown**, void** data) override {
        *data = nullptr;
        return KV_OK;
    }
    int cmt_Flags() override { return 0; }
    KvResult cui_DependencyCount(const char*, unsigned* count) override {
        *count = 0;
        return KV_OK;
    }
};
st_KVtTagInfoDesc PassthroughMaterial::descInfo[] = {
    {"server.username", "Passthrough", nullptr}, {"server.logsubsystem", "comp-shader", nullptr}, {nullptr, nullptr, nullptr}};

struct TestPacketData {
    float value[4];
};
static_assert(sizeof(TestPacketData) == 16);

class TestPacket : public CKvImpl_VectorPacket {
public:
    static st_KVtTagInfoDesc descInfo[];
    unsigned vpkt_Size() override { return sizeof(TestPacketData); }
    const char* vpkt_Interface() override { return nullptr; }
    KvResult vpkt_Initialize(void* p) override {
        std::memset(p, 0, sizeof(TestPacketData));
        return KV_OK;
    }
    KvResult vpkt_Copy(void* p, void* from) override {
        std::memcpy(p, from, sizeof(TestPacketData));
        return KV_OK;
    }
};
st_KVtTagInfoDesc TestPacket::descInfo[] = {{"server.username", "kvtest packet", nullptr},
                                            {"server.logsubsystem", "vector-packet", nullptr},
                                            {"vpacket.category", "sample", nullptr},
                                            {nullptr, nullptr, nullptr}};

class TestPFX : public CKvImpl_PacketEffect {
public:
    static st_KVtTagInfoDesc descInfo[];
    KvResult pfx_Packet(const char** packet) override {
        *packet = "kvtest.packet";
        return KV_OK;
    }
    unsigned pfx_Count() override { return 2; }
    KvResult pfx_ByIndex(int index, const char** name, const char** typeName, int* flags) override {
        if (index < 0 || index > 1) throw static_cast<unsigned>(KV_E_OUTOFBOUNDS);
        *name = index == 0 ? "kvtest.amount" : "kvtest.color";
        *typeName = index == 0 ? "float" : "color1";
        *flags = index == 0 ? KV_PFX_FLAG_FLOAT : KV_PFX_FLAG_COLOR;
        return KV_OK;
    }
    KvResult pfx_Get(int index, void* packet, float* value, void*) override {
        auto* d = static_cast<TestPacketData*>(packet);
        if (index == 0) value[0] = d->value[0];
        else if (index == 1) std::memcpy(value, d->value + 1, 3 * sizeof(float));
        else throw static_cast<unsigned>(KV_E_OUTOFBOUNDS);
        return KV_OK;
    }
    KvResult pfx_Set(int index, void* packet, const float* value, void*) override {
        auto* d = static_cast<TestPacketData*>(packet);
        if (index == 0) d->value[0] = value[0];
        else if (index == 1) std::memcpy(d->value + 1, value, 3 * sizeof(float));
        else throw static_cast<unsigned>(KV_E_OUTOFBOUNDS);
        return KV_OK;
    }
};
st_KVtTagInfoDesc TestPFX::descInfo[] = {{"server.username", "kvtest effect", nullptr},
                                         {"server.logsubsystem", "texture-effect", nullptr},
                                         {"textureFX.category", "surface", nullptr},
                                         {nullptr, nullptr, nullptr}};

}  // namespace

void initialize() {
    kv::RegisterServer<PassthroughMaterial, CKvIfc_CustomMaterial<PassthroughMaterial>,
                       CKvIfc_ChannelUI<PassthroughMaterial>, CKvIfc_StaticDesc<PassthroughMaterial>>("passthrough");
    kv::RegisterServer<TestPacket, CKvIfc_VectorPacket<TestPacket>, CKvIfc_StaticDesc<TestPacket>>("kvtest.packet");
    kv::RegisterServer<TestPFX, CKvIfc_PacketEffect<TestPFX>, CKvIfc_StaticDesc<TestPFX>>("kvtest.PFX");
}

void cleanup() {}
