// The host calls one edge-ink evaluation makes: the ray object's Raycast and
// Raycast1 interfaces (localized for the call), the shader service and the
// packet service, with the packet offsets found at link time. Borrowed for
// one evaluation.
#pragma once

#include <framework/host_wrappers.h>

namespace edgeink {

struct EdgeInkHost {
    CKvUser_Raycast* ray = nullptr;          // surface records and traced rays
    CKvUser_Raycast1* ray1 = nullptr;        // pixel position of the sample
    vt_IKvShaderService** shader = nullptr;  // sub-sample numbers and their warp
    vt_IKvPacketService** packets = nullptr;
    int32_t rayOffset = -1;       // "sample.ray"
    int32_t normalOffset = -1;    // "surface.normal"
    int32_t positionOffset = -1;  // "sample.position"

    bool canCast() const { return ray && ray->test(); }

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
        ray->SurfaceAtOffset(vector, &rec, dx, dy);
        return rec;
    }
    // Raycast slot 3: a new vector for a ray traced from this sample, or null.
    vt_IKvUnknown** PushVector(vt_IKvUnknown** vector) const { return ray->PushVector(vector); }
    // Raycast slot 6: the hit distance, > 0 on a hit.
    float Trace(vt_IKvUnknown** traced, const double* origin, const float* dir, uint32_t flags) const
    {
        return ray->TraceRay(traced, origin, dir, flags);
    }
    // Raycast slot 4: ends what slot 3 made for the vector.
    void PopVector(vt_IKvUnknown** vector) const { ray->PopVector(vector); }
};

}  // namespace edgeink
