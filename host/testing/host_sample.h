// One sample's host packets as a plain test scene gives them: a ray straight
// down -z onto a surface facing +z, of full diffuse amount.
#pragma once

#include "core/sample_vector.h"

namespace kvt {

// The host packets most shading reads.
struct HostPackets {
    st_KVpSampleRay* ray;
    st_KVpSurfaceNormal* normal;
    st_KVpSampleParms* parms;
};

// Marks every packet of `v` present, gives the plug-ins' packets their
// defaults (unless `pluginDefaults` is false: left as they are), and sets the
// ray, normal and surface packets to the facing sample with everything else
// zero; the caller adjusts the rest through the returned pointers.
HostPackets FacingSample(kvh::SampleVector& v, bool pluginDefaults = true);

}  // namespace kvt
