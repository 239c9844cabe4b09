// The ray object's answers for halftone tests and benchmarks: continued rays
// return one colour, re-sampled normals lean with the screen offset.
#pragma once

#include "core/ray_object.h"

namespace Halftone2_Shader::test {

class HalftoneRays final : public kvh::RayHooks {
public:
    float behind[3] = {0.0f, 0.0f, 1.0f};  // colour every continued ray returns
    float normal[3] = {0.0f, 0.0f, 1.0f};  // normal at the sample's own place
    float lean = 0.0f;                     // added to x and y per pixel of offset

    float Trace(kvh::SampleVector& into, const double*, const float*, uint32_t) override {
        auto* ray = into.Packet<st_KVpSampleRay>(kvh::HostPacket::SampleRay);
        for (int c = 0; c < 3; ++c) ray->color[c] = behind[c];
        return 1.0f;
    }
    KvResult SurfaceAt(kvh::SampleVector&, float, float, st_KVpSurfaceRecord& rec) override {
        kvh::BackgroundSurface(rec);
        return KV_OK;
    }
    KvResult NormalAt(kvh::SampleVector&, float dx, float dy, float* n) override {
        n[0] = normal[0] + lean * dx;
        n[1] = normal[1] + lean * dy;
        n[2] = normal[2];
        return KV_OK;
    }
};

}  // namespace Halftone2_Shader::test
