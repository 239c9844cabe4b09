// The host packets of the sample being shaded, fetched once per evaluation.
#pragma once

#include <kv/kv_abi.h>

namespace edgeink {

struct EdgeInkSample {
    vt_IKvUnknown** vector = nullptr;
    const st_KVpSampleRay* ray = nullptr;                // origin, direction, flags; required
    const st_KVpSurfaceNormal* normal = nullptr;         // shading normal; may be absent
    const st_KVpCameraResolution* resolution = nullptr;  // may be absent
    const st_KVpSampleParms* parms = nullptr;            // may be absent
};

}  // namespace edgeink
