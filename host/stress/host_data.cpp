#include "stress/host_data.h"

#include <cstring>

namespace kvs {
namespace {

void RandomColour(ValueSource& src, float* c, double hi = 1.0) {
    for (int i = 0; i < 3; ++i) c[i] = src.HostFloat(0, hi);
}

template <class T>
T* Packet(kvh::SampleVector& v, kvh::HostPacket p) {
    int32_t off = v.layout->HostOffset(p);
    return reinterpret_cast<T*>(v.data + off);
}

}  // namespace

void FillHitPackets(kvh::SampleVector& v, ValueSource& src) {
    auto* ray = Packet<st_KVpSampleRay>(v, kvh::HostPacket::SampleRay);
    *ray = st_KVpSampleRay{};
    for (int i = 0; i < 3; ++i) ray->origin[i] = src.HostDouble(-50, 50);
    src.Direction(ray->dir);
    RandomColour(src, ray->color, 2.0);
    ray->dist = src.HostFloat(-1, 100);
    ray->flags = KV_RAY_TRACED | (src.rng().Chance(0.5) ? KV_RAY_REFLECTION : KV_RAY_REFRACTION);
    ray->depth = src.rng().Below(10);
    auto* n = Packet<st_KVpSurfaceNormal>(v, kvh::HostPacket::SurfaceNormal);
    *n = st_KVpSurfaceNormal{};
    src.Direction(n->rawNormal);
    src.Direction(n->geoNormal);
    src.Direction(n->normal);
    auto* pos = Packet<st_KVpSamplePosition>(v, kvh::HostPacket::SamplePosition);
    for (int i = 0; i < 3; ++i) pos->pos[i] = src.HostDouble(-50, 50);
}

kvh::SampleVector& BeginRandomSample(kvh::VectorPool& pool, ValueSource& src, bool dropPackets) {
    Rng& r = src.rng();
    bool clean = src.profile() == Profile::Clean;
    int32_t x = clean || r.Chance(0.9) ? r.Range(0, 1023) : r.Range(-100000, 100000);
    int32_t y = clean || r.Chance(0.9) ? r.Range(0, 1023) : (r.Chance(0.5) || !src.extreme() ? -1 : 2000000000);
    src.taint().Note(x), src.taint().Note(y);
    kvh::SampleVector& v = pool.BeginSample(x, y, float(r.Unit()), float(r.Unit()), r.Below(64));
    v.SetAllPresent(true);
    FillHitPackets(v, src);
    auto* ray = Packet<st_KVpSampleRay>(v, kvh::HostPacket::SampleRay);
    const uint32_t flags[] = {KV_RAY_CAMERA, KV_RAY_CAMERA, KV_RAY_TRACED | KV_RAY_REFLECTION,
                              KV_RAY_TRACED | KV_RAY_REFRACTION, uint32_t(r.Next())};
    ray->flags = flags[r.Below(5)];
    ray->depth = ray->flags == KV_RAY_CAMERA ? 0 : r.Below(8);

    auto* parms = Packet<st_KVpSampleParms>(v, kvh::HostPacket::SampleParms);
    *parms = st_KVpSampleParms{};
    RandomColour(src, parms->diffCol);
    RandomColour(src, parms->specCol);
    RandomColour(src, parms->reflCol);
    RandomColour(src, parms->tranCol);
    RandomColour(src, parms->subsCol);
    RandomColour(src, parms->lumiCol);
    parms->diffAmt = src.HostFloat(0, 1);
    parms->specAmt = src.HostFloat(0, 1);
    parms->reflAmt = src.HostFloat(0, 1);
    parms->tranAmt = src.HostFloat(0, 1);
    parms->specExp = src.HostFloat(0, 200);
    parms->lumiAmt = src.HostFloat(0, 1);

    auto* res = Packet<st_KVpCameraResolution>(v, kvh::HostPacket::CameraResolution);
    const uint32_t sizes[] = {640, 1024, 1, 0, 7};
    res->width = clean || r.Chance(0.8) ? 64 + r.Below(4000) : sizes[r.Below(5)];
    res->height = clean || r.Chance(0.8) ? 64 + r.Below(4000) : sizes[r.Below(5)];

    auto* tex = Packet<st_KVpTextureInput>(v, kvh::HostPacket::TextureInput);
    *tex = st_KVpTextureInput{};
    for (float& c : tex->uvw) c = src.HostFloat(-1, 1);
    tex->u = src.HostFloat(0, 1);
    tex->v = src.HostFloat(0, 1);
    Packet<st_KVpRaycast>(v, kvh::HostPacket::Raycast)->depth = ray->depth;
    Packet<st_KVpShadeMirror>(v, kvh::HostPacket::ShadeMirror)->amount = src.HostFloat(0, 1);

    if (dropPackets)
        for (uint32_t p = 0; p < uint32_t(kvh::HostPacket::Count); ++p)
            if (r.Chance(0.1)) v.SetPresent(p, false);
    return v;
}

void FillShading(ValueSource& src, st_KVpShadeComponents& sc, st_KVpShadeOutput& out) {
    float* f = reinterpret_cast<float*>(&sc);
    for (size_t i = 0; i < sizeof sc / sizeof(float); ++i) f[i] = src.HostFloat(0, 1.5);
    RandomColour(src, out.color, 1.5);
    out.alpha = src.HostFloat(0, 1);
}

template <class Fn>
auto RandomRays::WithSource(const kvh::SampleVector& v, float salt, Fn fn) {
    if (src_) return fn(*src_);
    uint32_t bits;
    std::memcpy(&bits, &salt, sizeof bits);
    Rng rng(uint64_t(uint32_t(v.header.pixelX)) << 32 ^ uint32_t(v.header.pixelY) ^
            uint64_t(v.header.sampleIndex) << 20 ^ uint64_t(v.header.depth) << 40 ^ bits);
    Taint taint;
    ValueSource local(rng, taint, Profile::Clean);
    return fn(local);
}

float RandomRays::Trace(kvh::SampleVector& into, const double*, const float* dir, uint32_t) {
    return WithSource(into, dir[0] + 2 * dir[1] + 3 * dir[2], [&](ValueSource& s) {
        FillHitPackets(into, s);
        Rng& r = s.rng();
        switch (r.Below(6)) {
            case 0: return 0.0f;  // a miss
            case 1:               // behind the origin
                return s.profile() == Profile::Clean ? 0.0f : s.taint().NoteF(-float(r.Uniform(0, 5)));
            default: return s.HostFloat(1e-4, 100);
        }
    });
}

KvResult RandomRays::SurfaceAt(kvh::SampleVector& v, float dx, float dy, st_KVpSurfaceRecord& rec) {
    return WithSource(v, dx * 7 + dy, [&](ValueSource& s) {
        Rng& r = s.rng();
        if (r.Chance(0.1) && s.extreme()) {  // background: the host's far depth, beyond the tame limit
            kvh::BackgroundSurface(rec);
            s.taint().Note(rec.depth);
            return KV_OK;
        }
        rec = st_KVpSurfaceRecord{};
        s.Direction(rec.normal);
        for (float& p : rec.position) p = s.HostFloat(-50, 50);
        rec.depth = s.HostFloat(0, 100);
        rec.surfaceId = r.Below(4);
        rec.segmentId = r.Below(4);
        return KV_OK;
    });
}

KvResult RandomRays::NormalAt(kvh::SampleVector& v, float dx, float dy, float* n) {
    return WithSource(v, dx * 5 + dy, [&](ValueSource& s) {
        s.Direction(n);
        return KV_OK;
    });
}

}  // namespace kvs
