// Sample vectors: the per-sample block of packets that plug-ins reach through
// PacketService slot 6.
//
// A PacketLayout is fixed once, after every plug-in is loaded (Session::Layout):
// the host packets of kv_records.h first, then every registered plug-in packet
// ("vpacket.category" = "sample") with its vpkt_Size. Offsets are bytes from the
// start of a vector's data; each packet starts on a 16-byte boundary.
//
// A SampleVector is one contiguous data buffer plus a presence flag per
// packet (a packet that is not present yields null from PacketService slot 6)
// and a host-private header (pixel, position inside the pixel, sample index,
// the random-sequence state of ShaderService slot 12, a tracing context for
// the renderer, nesting depth). `vector.ptr()` is what plug-ins receive.
//
// A VectorPool belongs to one thread: it allocates its vectors once (a primary
// vector and `maxDepth` nested ones for Raycast slot 3), so nothing is
// allocated per sample. Per sample on a worker thread:
//
//   SampleVector& v = pool.BeginSample(x, y, fx, fy, sampleIndex);
//   v.Packet<st_KVpSampleRay>(HostPacket::SampleRay)->dir[0] = ...;  // fill
//   road.Shade(v, rayObject, components, output);
//
// Nested vectors: pool.PushNested(parent) gives the next vector (null at the
// depth limit), PopNested(parent) ends it. Both only work on the calling
// thread's pool, which the vector records (v.pool). A host keeps the vectors
// a shader made and never ended, one more per sample; MarkNested() and
// NestedImbalance() tell whether a call left the stack as it found it, and
// RestoreNested() puts it back.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <kv/kv_abi.h>

namespace kvh {

class Evaluator;
class VectorPool;

// The host packets, in layout order.
enum class HostPacket : uint32_t {
    SampleRay,         // "sample.ray"        st_KVpSampleRay
    SurfaceNormal,     // "surface.normal"    st_KVpSurfaceNormal
    SamplePosition,    // "sample.position"   st_KVpSamplePosition
    SampleParms,       // "sample.parms"      st_KVpSampleParms
    CameraResolution,  // "camera.resolution" st_KVpCameraResolution
    TextureInput,      // "texture.input"     st_KVpTextureInput
    Raycast,           // "raycast"           st_KVpRaycast
    ShadeMirror,       // "shade.mirror"      st_KVpShadeMirror
    Count
};
const char* HostPacketName(HostPacket p);

struct PacketInfo {
    std::string name;
    uint32_t size = 0;
    uint32_t offset = 0;
    // The plug-in's VectorPacket interface (null for host packets); the layout
    // borrows it from the session, which holds the reference.
    vt_IKvUnknown** server = nullptr;
};

class PacketLayout {
public:
    PacketLayout();  // host packets only

    // Adds a plug-in packet; false when the name is taken or the size is 0
    // or absurd.
    bool AddPluginPacket(const std::string& name, uint32_t size, vt_IKvUnknown** server);

    int32_t OffsetOf(const char* name) const;              // -1 when unknown
    int32_t IndexAtOffset(int32_t offset) const;            // packet index, -1 when no packet starts there
    int32_t HostOffset(HostPacket p) const { return static_cast<int32_t>(packets_[static_cast<uint32_t>(p)].offset); }
    const std::vector<PacketInfo>& packets() const { return packets_; }
    uint32_t totalSize() const { return total_; }

private:
    std::vector<PacketInfo> packets_;
    std::vector<int32_t> indexBySlot_;  // packet index per 16-byte slot, -1 elsewhere
    uint32_t total_ = 0;
};

// What the host keeps per sample beside the packets.
struct SampleHeader {
    int32_t pixelX = 0;
    int32_t pixelY = 0;
    float subX = 0.5f;  // position inside the pixel, [0,1)
    float subY = 0.5f;
    uint32_t sampleIndex = 0;
    uint32_t randomCalls = 0;  // ShaderService slot 12 calls so far for this sample
    void* traceContext = nullptr;  // free for the renderer
    uint32_t depth = 0;            // 0 for a primary sample
    struct SampleVector* parent = nullptr;  // for nested vectors
};

struct SampleVector {
    vt_IKvUnknown* table;  // first word: a COM-shaped pointer that answers nothing
    SampleHeader header;
    uint8_t* data = nullptr;
    uint8_t* present = nullptr;  // one flag per packet of the layout
    const PacketLayout* layout = nullptr;
    VectorPool* pool = nullptr;

    vt_IKvUnknown** ptr() { return reinterpret_cast<vt_IKvUnknown**>(this); }
    // The vector behind a pointer plug-ins pass back; null for anything else.
    static SampleVector* From(vt_IKvUnknown** p);

    // Packet address by offset (PacketService slot 6 semantics).
    void* PacketAt(int32_t offset) const;
    template <class T>
    T* Packet(HostPacket p) const {
        return static_cast<T*>(PacketAt(layout->HostOffset(p)));
    }
    void SetPresent(uint32_t packetIndex, bool on);
    void SetPresent(HostPacket p, bool on) { SetPresent(static_cast<uint32_t>(p), on); }
    void SetAllPresent(bool on);
};

class VectorPool {
public:
    static constexpr uint32_t kDefaultMaxDepth = 8;

    VectorPool(const PacketLayout& layout, uint32_t maxDepth = kDefaultMaxDepth);
    ~VectorPool();
    VectorPool(const VectorPool&) = delete;
    VectorPool& operator=(const VectorPool&) = delete;

    // Resets the primary vector's header for a new sample (packets keep their
    // bytes; the renderer overwrites what it fills) and returns it.
    SampleVector& BeginSample(int32_t x, int32_t y, float fx, float fy, uint32_t sampleIndex);
    SampleVector& primary() { return vectors_[0]; }

    // Raycast slots 3 and 4: the next nested vector (same layout, all packets
    // present, pixel data copied from the parent) or null at the depth limit;
    // PopNested ends the innermost vector whose parent is `parent`, and counts
    // a pop that finds none.
    SampleVector* PushNested(SampleVector* parent);
    void PopNested(SampleVector* parent);
    uint32_t nestedInUse() const { return top_; }

    // The nested stack at one moment.
    struct NestedMark {
        uint32_t inUse;
        uint32_t strayPops;
    };
    NestedMark MarkNested() const { return {top_, strayPops_}; }
    // Vectors made since `mark` and still open (positive), or pops since then
    // that ended nothing made after it (negative); 0 when every vector made
    // was ended once.
    int32_t NestedImbalance(NestedMark mark) const {
        return int32_t(top_) - int32_t(mark.inUse) - int32_t(strayPops_ - mark.strayPops);
    }
    // Ends the vectors made since `mark` and forgets its stray pops.
    void RestoreNested(NestedMark mark) {
        top_ = mark.inUse;
        strayPops_ = mark.strayPops;
    }

    // Re-runs vpkt_Initialize of every plug-in packet of the vector.
    void InitializePluginPackets(SampleVector& v);

    // The evaluator handed to MaterialEvaluate; identifies this pool's
    // current sample for NodalService slots 5 and 6.
    Evaluator& evaluator() { return *evaluator_; }

    const PacketLayout& layout() const { return layout_; }

private:
    // Cleans up and frees the vectors made so far, and the evaluator.
    void ReleaseVectors();

    const PacketLayout& layout_;
    uint32_t maxDepth_;
    std::unique_ptr<SampleVector[]> vectors_;  // [0] primary, [1..maxDepth] nested
    std::vector<uint8_t*> buffers_;
    std::vector<uint8_t> presence_;
    uint32_t top_ = 0;        // nested vectors in use
    uint32_t strayPops_ = 0;  // pops that found no vector to end
    Evaluator* evaluator_;
};

}  // namespace kvh
