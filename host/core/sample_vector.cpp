#include "core/sample_vector.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "core/services.h"

namespace kvh {
namespace {

constexpr uint32_t kAlign = 16;
constexpr uint32_t kMaxPacketSize = 1u << 20;

// Slots of a vector's own table: it is no COM object, so it answers nothing
// and counts nothing (the pool owns it).
KvResult VectorQuery(void*, const st_KVtGUID*, void** out) {
    if (out) *out = nullptr;
    return KV_E_NOINTERFACE;
}
uint32_t VectorCount(void*) { return 1; }
vt_IKvUnknown kVectorTable{&VectorQuery, &VectorCount, &VectorCount};

struct HostPacketDef {
    const char* name;
    uint32_t size;
};
const HostPacketDef kHostPackets[] = {
    {"sample.ray", sizeof(st_KVpSampleRay)},
    {"surface.normal", sizeof(st_KVpSurfaceNormal)},
    {"sample.position", sizeof(st_KVpSamplePosition)},
    {"sample.parms", sizeof(st_KVpSampleParms)},
    {"camera.resolution", sizeof(st_KVpCameraResolution)},
    {"texture.input", sizeof(st_KVpTextureInput)},
    {"raycast", sizeof(st_KVpRaycast)},
    {"shade.mirror", sizeof(st_KVpShadeMirror)},
};
static_assert(sizeof(kHostPackets) / sizeof(kHostPackets[0]) == size_t(HostPacket::Count));

uint32_t AlignUp(uint32_t n) { return (n + kAlign - 1) / kAlign * kAlign; }

}  // namespace

const char* HostPacketName(HostPacket p) { return kHostPackets[uint32_t(p)].name; }

PacketLayout::PacketLayout() {
    for (const auto& d : kHostPackets) AddPluginPacket(d.name, d.size, nullptr);
}

bool PacketLayout::AddPluginPacket(const std::string& name, uint32_t size, vt_IKvUnknown** server) {
    if (size == 0 || size > kMaxPacketSize || OffsetOf(name.c_str()) >= 0) return false;
    PacketInfo info{name, size, total_, server};
    packets_.push_back(info);
    uint32_t slots = AlignUp(size) / kAlign;
    indexBySlot_.push_back(int32_t(packets_.size() - 1));
    for (uint32_t i = 1; i < slots; ++i) indexBySlot_.push_back(-1);
    total_ += AlignUp(size);
    return true;
}

int32_t PacketLayout::OffsetOf(const char* name) const {
    if (!name) return -1;
    for (const auto& p : packets_)
        if (p.name == name) return int32_t(p.offset);
    return -1;
}

int32_t PacketLayout::IndexAtOffset(int32_t offset) const {
    if (offset < 0 || uint32_t(offset) >= total_ || offset % kAlign != 0) return -1;
    return indexBySlot_[uint32_t(offset) / kAlign];
}

SampleVector* SampleVector::From(vt_IKvUnknown** p) {
    if (!p || *p != &kVectorTable) return nullptr;
    return reinterpret_cast<SampleVector*>(p);
}

void* SampleVector::PacketAt(int32_t offset) const {
    int32_t i = layout->IndexAtOffset(offset);
    if (i < 0 || !present[i]) return nullptr;
    return data + offset;
}

void SampleVector::SetPresent(uint32_t i, bool on) {
    if (i < layout->packets().size()) present[i] = on ? 1 : 0;
}

void SampleVector::SetAllPresent(bool on) { std::memset(present, on ? 1 : 0, layout->packets().size()); }

VectorPool::VectorPool(const PacketLayout& layout, uint32_t maxDepth)
    : layout_(layout), maxDepth_(maxDepth), vectors_(new SampleVector[maxDepth + 1]), evaluator_(new Evaluator()) {
    // The destructor does not run for a pool that could not be made.
    try {
        size_t n = layout.packets().size();
        presence_.assign(n * (maxDepth + 1), 1);
        buffers_.reserve(maxDepth + 1);
        for (uint32_t i = 0; i <= maxDepth; ++i) {
            auto* buf = static_cast<uint8_t*>(
                std::aligned_alloc(kAlign, AlignUp(layout.totalSize() ? layout.totalSize() : kAlign)));
            if (!buf) throw std::bad_alloc();
            std::memset(buf, 0, layout.totalSize());
            buffers_.push_back(buf);
            SampleVector& v = vectors_[i];
            v.table = &kVectorTable;
            v.data = buf;
            v.present = presence_.data() + n * i;
            v.layout = &layout;
            v.pool = this;
            InitializePluginPackets(v);
        }
    } catch (...) {
        ReleaseVectors();
        throw;
    }
}

VectorPool::~VectorPool() { ReleaseVectors(); }

void VectorPool::ReleaseVectors() {
    for (uint32_t i = 0; i < buffers_.size(); ++i) {
        for (const auto& p : layout_.packets())
            if (p.server)
                reinterpret_cast<const vt_IKvVectorPacket*>(*p.server)->Cleanup(p.server, vectors_[i].data + p.offset);
        std::free(buffers_[i]);
    }
    evaluator_->ReleaseOwned();
}

void VectorPool::InitializePluginPackets(SampleVector& v) {
    for (const auto& p : layout_.packets())
        if (p.server) reinterpret_cast<const vt_IKvVectorPacket*>(*p.server)->Initialize(p.server, v.data + p.offset);
}

SampleVector& VectorPool::BeginSample(int32_t x, int32_t y, float fx, float fy, uint32_t sampleIndex) {
    top_ = 0;
    strayPops_ = 0;
    SampleVector& v = vectors_[0];
    v.header = SampleHeader{};
    v.header.pixelX = x;
    v.header.pixelY = y;
    v.header.subX = fx;
    v.header.subY = fy;
    v.header.sampleIndex = sampleIndex;
    evaluator_->current = &v;
    return v;
}

SampleVector* VectorPool::PushNested(SampleVector* parent) {
    if (!parent || parent->pool != this || top_ >= maxDepth_) return nullptr;
    SampleVector& v = vectors_[++top_];
    v.header = parent->header;
    v.header.randomCalls = 0;
    v.header.depth = parent->header.depth + 1;
    v.header.parent = parent;
    v.SetAllPresent(true);
    return &v;
}

void VectorPool::PopNested(SampleVector* parent) {
    // Ends the innermost vector made for `parent` and any made after it.
    for (uint32_t i = top_; i >= 1; --i)
        if (vectors_[i].header.parent == parent) {
            top_ = i - 1;
            return;
        }
    ++strayPops_;
}

}  // namespace kvh
