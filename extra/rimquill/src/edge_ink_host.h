// The host calls one edge-ink evaluation makes: the ray object's Raycast and
// Raycast1 interfaces, the shader service and the packet service, with the
// packet offsets found at link time. Plain pointers borrowed for one call.
#pragma once

#include <kv/kv_abi.h>

namespace edgeink {

struct EdgeInkHost {
    vt_IKvRaycast** ray = nullptr;          // surface records and traced rays
    vt_IKvRaycast1** ray1 = nullptr;        // pixel position of the sample
    vt_IKvShaderService** shader = nullptr; // sub-sample numbers and their warp
    vt_IKvPacketService** packets = nullptr;
    int32_t rayOffset = -1;       // "sample.ray"
    int32_t normalOffset = -1;    // "surface.normal"
    int32_t positionOffset = -1;  // "sample.position"

    template <class T>
    const T* Packet(vt_IKvUnknown** vector, int32_t offset) const
    {
        if (!packets || !vector || offset < 0) return nullptr;
        return static_cast<const T*>((*packets)->FastPacket(packets, vector, offset));
    }

    // Raycast slot 12: the surface seen at a screen offset in pixels.
    st_KVpSurfaceRecord SurfaceAt(vt_IKvUnknown** vector, float dx, float dy) const
    {
        st_KVpSurfaceRecord rec{};
        (*ray)->SurfaceAtOffset(ray, vector, 0, &rec, dx, dy);
        return rec;
    }
    // Raycast slot 3: a new vector for a ray traced from this sample, or null.
    vt_IKvUnknown** PushVector(vt_IKvUnknown** vector) const { return (*ray)->PushVector(ray, vector); }
    // Raycast slot 6: the hit distance, > 0 on a hit.
    float Trace(vt_IKvUnknown** traced, const double* origin, const float* dir, uint32_t flags) const
    {
        return (*ray)->TraceRay(ray, traced, origin, dir, flags);
    }
    // Raycast slot 4: ends what slot 3 made for the vector.
    void PopVector(vt_IKvUnknown** vector) const { (*ray)->PopVector(ray, vector); }
};

}  // namespace edgeink
