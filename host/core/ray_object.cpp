#include "core/ray_object.h"
#include "core/fault_injection.h"

namespace kvh {

void BackgroundSurface(st_KVpSurfaceRecord& rec) {
    rec = st_KVpSurfaceRecord{};
    rec.depth = 1e30f;
}

namespace {

RayHooks* Hooks(void* self) { return Owner<RayObject>(self)->hooks(); }

vt_IKvUnknown** RayPush(void*, vt_IKvUnknown** vector) {
    if (faults::Hit(FaultSite::RaycastPush)) return nullptr;
    SampleVector* v = SampleVector::From(vector);
    if (!v || !v->pool) return nullptr;
    SampleVector* n = v->pool->PushNested(v);
    return n ? n->ptr() : nullptr;
}
KvResult RayPop(void*, vt_IKvUnknown** vector) {
    SampleVector* v = SampleVector::From(vector);
    if (v && v->pool) v->pool->PopNested(v);
    return KV_OK;
}
float RayTrace(void* self, vt_IKvUnknown** into, const double* origin, const float* dir, uint32_t flags) {
    SampleVector* v = SampleVector::From(into);
    RayHooks* h = Hooks(self);
    if (!v || !origin || !dir || !h) return 0.0f;
    return h->Trace(*v, origin, dir, flags);
}
KvResult RaySurface(void* self, vt_IKvUnknown** vector, int32_t, st_KVpSurfaceRecord* rec, float dx, float dy) {
    if (!rec) return KV_E_FAILED;
    SampleVector* v = SampleVector::From(vector);
    RayHooks* h = Hooks(self);
    if (!v || !h) {
        BackgroundSurface(*rec);
        return v ? KV_OK : KV_E_FAILED;
    }
    return h->SurfaceAt(*v, dx, dy, *rec);
}
KvResult RayNormal(void* self, float dx, float dy, vt_IKvUnknown** vector, int32_t, float* n) {
    if (!n) return KV_E_FAILED;
    SampleVector* v = SampleVector::From(vector);
    RayHooks* h = Hooks(self);
    if (!v || !h) {
        n[0] = n[1] = n[2] = 0.0f;
        return v ? KV_OK : KV_E_FAILED;
    }
    return h->NormalAt(*v, dx, dy, n);
}
KvResult RayPixel(void*, vt_IKvUnknown** vector, int32_t* x, int32_t* y) {
    SampleVector* v = SampleVector::From(vector);
    if (!v || !x || !y) return KV_E_FAILED;
    *x = v->header.pixelX;
    *y = v->header.pixelY;
    return KV_OK;
}
KvResult RaySubPixel(void*, vt_IKvUnknown** vector, float* fx, float* fy) {
    SampleVector* v = SampleVector::From(vector);
    if (!v || !fx || !fy) return KV_E_FAILED;
    *fx = v->header.subX;
    *fy = v->header.subY;
    return KV_OK;
}
const vt_IKvRaycast kRaycastTable = MakeTable<vt_IKvRaycast>([](vt_IKvRaycast& t) {
    t.PushVector = &RayPush;
    t.PopVector = &RayPop;
    t.TraceRay = &RayTrace;
    t.SurfaceAtOffset = &RaySurface;
});
const vt_IKvRaycast1 kRaycast1Table = MakeTable<vt_IKvRaycast1>([](vt_IKvRaycast1& t) {
    t.PushVector = &RayPush;
    t.PopVector = &RayPop;
    t.TraceRay = &RayTrace;
    t.NormalAtOffset = &RayNormal;
    t.Pixel = &RayPixel;
    t.SubPixel = &RaySubPixel;
});

}  // namespace

RayObject::RayObject(RayHooks* hooks) : HostObject("RayObject"), hooks_(hooks) {
    raycast_.Bind(this, &kRaycastTable);
    raycast1_.Bind(this, &kRaycast1Table);
}

void* RayObject::Query(const st_KVtGUID& iid) {
    if (IsAnyGuid(&iid) || IsGuid(iid, kv::guid_Raycast)) return raycast_.ptr();
    if (IsGuid(iid, kv::guid_Raycast1)) return raycast1_.ptr();
    return nullptr;
}

}  // namespace kvh
