#include "testing/host_sample.h"

namespace kvt {

HostPackets FacingSample(kvh::SampleVector& v, bool pluginDefaults) {
    v.SetAllPresent(true);
    if (pluginDefaults) v.pool->InitializePluginPackets(v);
    HostPackets p{v.Packet<st_KVpSampleRay>(kvh::HostPacket::SampleRay),
                  v.Packet<st_KVpSurfaceNormal>(kvh::HostPacket::SurfaceNormal),
                  v.Packet<st_KVpSampleParms>(kvh::HostPacket::SampleParms)};
    *p.ray = {};
    p.ray->dir[2] = -1.0f;
    *p.normal = {};
    p.normal->normal[2] = 1.0f;
    *p.parms = {};
    p.parms->diffAmt = 1.0f;
    return p;
}

}  // namespace kvt
