// A small ray object, shader service and packet service whose answers a test
// controls, with a log of every call in order. Interfaces are real method
// tables, so the code under test calls them exactly as it calls the host.
#pragma once

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <kv/kv_abi.h>

#include "edge_ink_host.h"
#include "edge_ink_params.h"
#include "edge_ink_sample.h"

namespace fakehost {

// Packet ids double as packet offsets.
enum PacketId : int32_t { kRay = 0, kNormal = 1, kPosition = 2, kResolution = 3, kParms = 4, kOwn = 5 };

// A sample vector: the packets a host would keep for one sample.
struct FakeVector {
    const void* vt = nullptr;  // first word of a COM-style object; never called
    st_KVpSampleRay ray{};
    st_KVpSurfaceNormal normal{};
    st_KVpSamplePosition position{};
    st_KVpCameraResolution resolution{};
    st_KVpSampleParms parms{};
    EdgeInkParams own{};
    bool present[6] = {true, true, true, true, true, false};

    vt_IKvUnknown** com() { return reinterpret_cast<vt_IKvUnknown**>(this); }
    void* Packet(int32_t id)
    {
        if (id < 0 || id > 5 || !present[id]) return nullptr;
        void* p[6] = {&ray, &normal, &position, &resolution, &parms, &own};
        return p[id];
    }
};

// One call made by the code under test.
struct Call {
    std::string what;  // "surface", "push", "trace", "pop", "random", "warp", "pixel", "subpixel"
    float dx = 0, dy = 0;  // surface: screen offset
    uint32_t flags = 0;    // trace: flags
    double origin[3] = {0, 0, 0};
    float dir[3] = {0, 0, 0};
    const void* vector = nullptr;  // the vector passed
};

class FakeRayHost {
public:
    FakeRayHost()
    {
        ray_.self = this;
        ray1_.self = this;
        shader_.self = this;
        packets_.self = this;
        rayWrap_.set(&ray_);
        ray1Wrap_.set(&ray1_);
    }

    // Answers of Raycast slot 12 by screen offset.
    std::function<st_KVpSurfaceRecord(float dx, float dy)> surface = [](float, float) {
        st_KVpSurfaceRecord r{};
        r.normal[2] = 1.0f;
        r.depth = 10.0f;
        r.surfaceId = 1;
        r.segmentId = 1;
        return r;
    };
    // Answers of Raycast slot 6: fills the traced vector, returns the distance.
    std::function<float(FakeVector& traced, const double* origin, const float* dir, uint32_t flags)> trace =
        [](FakeVector&, const double*, const float*, uint32_t) { return 0.0f; };
    // Pairs of ShaderService slot 12, used in turn and then repeated.
    std::vector<std::pair<float, float>> randoms = {{1.0f, 0.5f}};
    bool makeVectors = true;  // Raycast slot 3 answers null when false
    int32_t pixel[2] = {0, 0};
    float subPixel[2] = {0.5f, 0.5f};

    std::vector<Call> calls;
    int openVectors = 0;  // pushed and not yet popped

    int Count(const std::string& what) const
    {
        int n = 0;
        for (const Call& c : calls) n += c.what == what;
        return n;
    }
    std::vector<std::string> Sequence() const
    {
        std::vector<std::string> s;
        for (const Call& c : calls) s.push_back(c.what);
        return s;
    }

    vt_IKvRaycast** ray() { return reinterpret_cast<vt_IKvRaycast**>(&ray_); }
    vt_IKvRaycast1** ray1() { return reinterpret_cast<vt_IKvRaycast1**>(&ray1_); }
    vt_IKvShaderService** shader() { return reinterpret_cast<vt_IKvShaderService**>(&shader_); }
    vt_IKvPacketService** packets() { return reinterpret_cast<vt_IKvPacketService**>(&packets_); }

    edgeink::EdgeInkHost Host()
    {
        edgeink::EdgeInkHost h;
        h.ray = &rayWrap_;
        h.ray1 = &ray1Wrap_;
        h.shader = shader();
        h.packets = packets();
        h.rayOffset = kRay;
        h.normalOffset = kNormal;
        h.positionOffset = kPosition;
        return h;
    }

    static edgeink::EdgeInkSample Sample(FakeVector& v)
    {
        edgeink::EdgeInkSample s;
        s.vector = v.com();
        s.ray = static_cast<const st_KVpSampleRay*>(v.Packet(kRay));
        s.normal = static_cast<const st_KVpSurfaceNormal*>(v.Packet(kNormal));
        s.resolution = static_cast<const st_KVpCameraResolution*>(v.Packet(kResolution));
        s.parms = static_cast<const st_KVpSampleParms*>(v.Packet(kParms));
        return s;
    }

    // The ray object's QueryInterface: Raycast and Raycast1.
    KvResult Query(const st_KVtGUID* iid, void** out)
    {
        if (std::memcmp(iid, &kv::guid_Raycast, sizeof *iid) == 0) *out = &ray_;
        else if (std::memcmp(iid, &kv::guid_Raycast1, sizeof *iid) == 0) *out = &ray1_;
        else return KV_E_NOINTERFACE;
        ++refs;
        return KV_OK;
    }
    int refs = 0;  // references handed out and not released

private:
    template <class Table>
    struct Ifc {
        const Table* vt;
        FakeRayHost* self;
    };
    template <class Table>
    static FakeRayHost& Of(void* p)
    {
        return *static_cast<Ifc<Table>*>(p)->self;
    }

    static KvResult QI(void* p, const st_KVtGUID* iid, void** out)
    {
        return static_cast<Ifc<vt_IKvUnknown>*>(p)->self->Query(iid, out);
    }
    static uint32_t AddRef(void* p) { return ++static_cast<Ifc<vt_IKvUnknown>*>(p)->self->refs; }
    static uint32_t Release(void* p) { return --static_cast<Ifc<vt_IKvUnknown>*>(p)->self->refs; }
    static KvResult Unused(void*) { return KV_E_NOTIMPL; }

    vt_IKvUnknown** Push(vt_IKvUnknown** vector)
    {
        Call c{"push"};
        c.vector = vector;
        calls.push_back(c);
        if (!makeVectors) return nullptr;
        traced_.push_back(new FakeVector());
        ++openVectors;
        return traced_.back()->com();
    }
    void Pop(vt_IKvUnknown** vector)
    {
        Call c{"pop"};
        c.vector = vector;
        calls.push_back(c);
        --openVectors;
    }
    float Trace(vt_IKvUnknown** traced, const double* origin, const float* dir, uint32_t flags)
    {
        Call c{"trace"};
        c.flags = flags;
        std::copy(origin, origin + 3, c.origin);
        std::copy(dir, dir + 3, c.dir);
        c.vector = traced;
        calls.push_back(c);
        return trace(*reinterpret_cast<FakeVector*>(traced), origin, dir, flags);
    }

    static vt_IKvUnknown** RcPush(void* p, vt_IKvUnknown** v) { return Of<vt_IKvRaycast>(p).Push(v); }
    static KvResult RcPop(void* p, vt_IKvUnknown** v)
    {
        Of<vt_IKvRaycast>(p).Pop(v);
        return KV_OK;
    }
    static float RcTrace(void* p, vt_IKvUnknown** v, const double* o, const float* d, uint32_t f)
    {
        return Of<vt_IKvRaycast>(p).Trace(v, o, d, f);
    }
    static KvResult RcSurface(void* p, vt_IKvUnknown** v, int32_t, st_KVpSurfaceRecord* rec, float dx, float dy)
    {
        FakeRayHost& h = Of<vt_IKvRaycast>(p);
        Call c{"surface"};
        c.dx = dx;
        c.dy = dy;
        c.vector = v;
        h.calls.push_back(c);
        *rec = h.surface(dx, dy);
        return KV_OK;
    }
    static KvResult R1Pixel(void* p, vt_IKvUnknown**, int32_t* x, int32_t* y)
    {
        FakeRayHost& h = Of<vt_IKvRaycast1>(p);
        h.calls.push_back(Call{"pixel"});
        *x = h.pixel[0];
        *y = h.pixel[1];
        return KV_OK;
    }
    static KvResult R1SubPixel(void* p, vt_IKvUnknown**, float* x, float* y)
    {
        FakeRayHost& h = Of<vt_IKvRaycast1>(p);
        h.calls.push_back(Call{"subpixel"});
        *x = h.subPixel[0];
        *y = h.subPixel[1];
        return KV_OK;
    }
    static KvResult SsRandom(void* p, vt_IKvUnknown**, float* u, float* v)
    {
        FakeRayHost& h = Of<vt_IKvShaderService>(p);
        const auto& pair = h.randoms[h.nextRandom_++ % h.randoms.size()];
        h.calls.push_back(Call{"random"});
        *u = pair.first;
        *v = pair.second;
        return KV_OK;
    }
    // Identity warp: the test's pairs land where it puts them.
    static KvResult SsWarp(void* p, float*, float*)
    {
        Of<vt_IKvShaderService>(p).calls.push_back(Call{"warp"});
        return KV_OK;
    }
    static void* PsFast(void*, vt_IKvUnknown** vector, int32_t offset)
    {
        return vector ? reinterpret_cast<FakeVector*>(vector)->Packet(offset) : nullptr;
    }

    static vt_IKvRaycast MakeRaycast()
    {
        vt_IKvRaycast t{};
        t.unk = {QI, AddRef, Release};
        t.PushVector = RcPush;
        t.PopVector = RcPop;
        t.slot5 = Unused;
        t.TraceRay = RcTrace;
        t.slot7 = t.slot8 = t.slot9 = t.slot10 = t.slot11 = Unused;
        t.SurfaceAtOffset = RcSurface;
        return t;
    }
    static vt_IKvRaycast1 MakeRaycast1()
    {
        vt_IKvRaycast1 t{};
        t.unk = {QI, AddRef, Release};
        t.Pixel = R1Pixel;
        t.SubPixel = R1SubPixel;
        return t;
    }
    static vt_IKvShaderService MakeShader()
    {
        vt_IKvShaderService t{};
        t.unk = {QI, AddRef, Release};
        t.SquareToCircle = SsWarp;
        t.NextRandom = SsRandom;
        return t;
    }
    static vt_IKvPacketService MakePackets()
    {
        vt_IKvPacketService t{};
        t.unk = {QI, AddRef, Release};
        t.FastPacket = PsFast;
        return t;
    }

    inline static const vt_IKvRaycast kRaycast = MakeRaycast();
    inline static const vt_IKvRaycast1 kRaycast1 = MakeRaycast1();
    inline static const vt_IKvShaderService kShader = MakeShader();
    inline static const vt_IKvPacketService kPackets = MakePackets();

    Ifc<vt_IKvRaycast> ray_{&kRaycast, nullptr};
    Ifc<vt_IKvRaycast1> ray1_{&kRaycast1, nullptr};
    Ifc<vt_IKvShaderService> shader_{&kShader, nullptr};
    Ifc<vt_IKvPacketService> packets_{&kPackets, nullptr};
    std::size_t nextRandom_ = 0;
    // The code under test reaches the ray object through the framework's
    // wrappers, localized here once as a material localizes them per sample.
    CKvUser_Raycast rayWrap_;
    CKvUser_Raycast1 ray1Wrap_;

    struct Owned {
        std::vector<FakeVector*> v;
        ~Owned()
        {
            for (FakeVector* p : v) delete p;
        }
        void push_back(FakeVector* p) { v.push_back(p); }
        FakeVector* back() { return v.back(); }
    } traced_;

public:
    FakeRayHost(const FakeRayHost&) = delete;
    FakeRayHost& operator=(const FakeRayHost&) = delete;
};

// The channel defaults of the material, as a fresh read would give them.
inline EdgeInkParams DefaultParams()
{
    EdgeInkParams p{};
    p.edgeWidth = 2.0f;
    p.edgeAlpha = 1.0f;
    p.edgeSoftness = 0.02f;
    p.edgeAlpha2 = 1.0f;
    p.incidenceEdges = 1.0f;
    p.angleEdges = 1.0f;
    p.minAngle = 0.0f;
    p.maxAngle = 0.7853981633974483f;
    p.distanceEdges = 1.0f;
    p.distThreshold = 0.02f;
    p.surfaceEdges = 1.0f;
    p.edgeQuality = 2;
    return p;
}

// A camera-ray sample looking down -z at a surface facing the viewer.
inline void FacingSample(FakeVector& v)
{
    v.ray.dir[2] = -1.0f;
    v.ray.flags = KV_RAY_CAMERA;
    v.normal.normal[2] = 1.0f;
    v.resolution = {640, 480};
    v.parms.diffAmt = 1.0f;
}

}  // namespace fakehost
