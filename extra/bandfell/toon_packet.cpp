#include "toon_packet.h"

#include <cstring>

#include "toon_layout.h"
#include "toon_names.h"

const st_KVtTagInfoDesc ToonPacket::descInfo[] = {
    {"server.username", "ToonMaterial Shader Packet", nullptr},
    {"server.logsubsystem", "vector-packet", nullptr},
    {"vpacket.category", "sample", nullptr},
    {nullptr, nullptr, nullptr},
};

const st_KVtTagInfoDesc ToonPFX::descInfo[] = {
    {"server.username", "ToonMaterial Packet FX", nullptr},
    {"server.logsubsystem", "texture-effect", nullptr},
    {"textureFX.category", "surface", nullptr},
    {nullptr, nullptr, nullptr},
};

unsigned ToonPacket::vpkt_Size() { return sizeof(ToonPacketData); }

// Three white bands at 0, 1/3 and 2/3; the other words are left as they are.
KvResult ToonPacket::vpkt_Initialize(void* packet) {
    auto* p = static_cast<ToonPacketData*>(packet);
    p->diffBands = 3;
    p->reserved0 = 8;
    p->specBands = 0;
    p->reflBands = 0;
    p->diffLevel = 0.5f;
    p->diffShift = 0.0f;
    p->specLevel = 0.5f;
    p->reflLevel = 0.5f;
    const float starts[3] = {0.0f, 1.0f / 3.0f, 2.0f / 3.0f};
    for (int b = 0; b < 3; ++b) {
        ToonBand& band = p->bands[b];
        band.start = starts[b];
        band.soft = 0.0f;
        band.color[0] = band.color[1] = band.color[2] = 1.0f;
        band.alpha = 0.0f;
    }
    return KV_OK;
}

namespace {

static const char* const Names[32] = {
    "toonStart.1", "toonColor.1", "toonAlpha.1", "toonSoft.1", "toonStart.2", "toonColor.2", "toonAlpha.2",
    "toonSoft.2",  "toonStart.3", "toonColor.3", "toonAlpha.3", "toonSoft.3", "toonStart.4", "toonColor.4",
    "toonAlpha.4", "toonSoft.4",  "toonStart.5", "toonColor.5", "toonAlpha.5", "toonSoft.5", "toonStart.6",
    "toonColor.6", "toonAlpha.6", "toonSoft.6",  "toonStart.7", "toonColor.7", "toonAlpha.7", "toonSoft.7",
    "toonStart.8", "toonColor.8", "toonAlpha.8", "toonSoft.8"};

struct Entry {
    const char* name;
    bool colour;
    float* field;  // null for an index outside the table
};

// The value at `index` of packet p; indices outside 0..34 address nothing.
Entry EntryAt(int index, ToonPacketData* p) {
    if (index < 0 || index >= int(ToonPFX::kCount)) return {nullptr, false, nullptr};
    if (index == 0) return {"toonBaseAlpha", false, p ? &p->baseAlpha : nullptr};
    if (index == 1) return {"toonBaseColor", true, p ? p->baseColor : nullptr};
    if (index == 2) return {"toonDiffuseShift", false, p ? &p->diffShift : nullptr};
    const int band = (index - 3) / 4;
    ToonBand* b = p ? &p->bands[band] : nullptr;
    switch ((index - 3) % 4) {
        case 0: return {Names[index - 3], false, b ? &b->start : nullptr};
        case 1: return {Names[index - 3], true, b ? b->color : nullptr};
        case 2: return {Names[index - 3], false, b ? &b->alpha : nullptr};
        default: return {Names[index - 3], false, b ? &b->soft : nullptr};
    }
}

}  // namespace

KvResult ToonPFX::pfx_Packet(const char** packet) {
    *packet = kToonPacketName;
    return KV_OK;
}

KvResult ToonPFX::pfx_ByIndex(int index, const char** name, const char** typeName, int* flags) {
    const Entry e = EntryAt(index, nullptr);
    if (!e.name) return KV_OK;
    if (name) *name = e.name;
    if (typeName) *typeName = e.colour ? "color1" : "percent";
    if (flags) *flags = e.colour ? KV_PFX_FLAG_COLOR : KV_PFX_FLAG_FLOAT;
    return KV_OK;
}

KvResult ToonPFX::pfx_Get(int index, void* packet, float* value, void*) {
    const Entry e = EntryAt(index, static_cast<ToonPacketData*>(packet));
    if (e.field && value) std::memcpy(value, e.field, (e.colour ? 3 : 1) * sizeof(float));
    return KV_OK;
}

KvResult ToonPFX::pfx_Set(int index, void* packet, const float* value, void*) {
    const Entry e = EntryAt(index, static_cast<ToonPacketData*>(packet));
    if (e.field && value) std::memcpy(e.field, value, (e.colour ? 3 : 1) * sizeof(float));
    return KV_OK;
}
