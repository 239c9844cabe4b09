// A stand-in host session with screenmoor.kv loaded, and one-sample shading
// of a halftone material through the host's road.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/ray_object.h"
#include "halftone_layout.h"
#include "testing/road_fixture.h"

namespace Halftone2_Shader::test {

// What one sample sees: a grey surface (0.5, full diffuse amount) under a
// grey light, so that the tone is 2 * light; black ink on it gives an output
// equal to the cell's paper fraction times 0.5.
struct Sample {
    int32_t px = 0, py = 0;       // pixel
    float fx = 0.0f, fy = 0.0f;   // in-pixel position
    uint32_t width = 640, height = 480;
    float u = 0.0f, v = 0.0f;     // texture coordinates
    float dist = 1.0f;            // ray distance
    float light = 0.25f;          // diffuse illumination, per component
    float refl[3] = {0.0f, 0.0f, 0.0f};
    float spec[3] = {0.0f, 0.0f, 0.0f};
    float reflCol[3] = {0.0f, 0.0f, 0.0f};
    float specCol[3] = {0.0f, 0.0f, 0.0f};
    std::vector<kvh::HostPacket> absent;  // host packets the vector lacks
};

// Written into the packet's reserved field before each sample.
constexpr float kReservedMark = 12345.0f;

struct Shaded {
    float color[3];
    st_KVpShadeComponents sc;
    st_KVpHalftone packet;  // the sample's packet after shading
};

class HalftoneRoadTest : public kvt::RoadFixture {
protected:
    HalftoneRoadTest() : RoadFixture("screenmoor.kv", "halftone2") {}
    // Ink black over the whole paper, the same ink level everywhere (contrast
    // -1: t = 0.5), texture or projection coordinates without depth scaling.
    static kvh::MaterialRoad::Options Measuring(std::vector<kvh::ChannelValue> more = {}) {
        kvh::MaterialRoad::Options o;
        o.values = {{"contrast", -1.0}, {"zScale", 0.0}, {"drawSpecular", 0.0}};
        o.values.insert(o.values.end(), more.begin(), more.end());
        return o;
    }

    int32_t PacketOffset() { return host_.session->Layout().OffsetOf("halftone2.shader.packet"); }
    kvh::Scene& Scene() { return host_.session->scene(); }

    Shaded Shade(const kvh::MaterialRoad& road, const Sample& s, bool withPacket = true,
                 kvh::RayHooks* hooks = nullptr) {
        if (!rays_ || hooks) rays_.emplace(hooks);
        kvh::SampleVector& v = Pool().BeginSample(s.px, s.py, s.fx, s.fy, 0);
        v.SetAllPresent(true);
        auto* ray = v.Packet<st_KVpSampleRay>(kvh::HostPacket::SampleRay);
        *ray = {};
        ray->dir[2] = -1.0f;
        ray->dist = s.dist;
        auto* normal = v.Packet<st_KVpSurfaceNormal>(kvh::HostPacket::SurfaceNormal);
        *normal = {};
        normal->normal[2] = 1.0f;
        auto* res = v.Packet<st_KVpCameraResolution>(kvh::HostPacket::CameraResolution);
        res->width = s.width;
        res->height = s.height;
        auto* tex = v.Packet<st_KVpTextureInput>(kvh::HostPacket::TextureInput);
        *tex = {};
        tex->u = s.u;
        tex->v = s.v;
        auto* parms = v.Packet<st_KVpSampleParms>(kvh::HostPacket::SampleParms);
        *parms = {};
        parms->diffCol[0] = parms->diffCol[1] = parms->diffCol[2] = 0.5f;
        parms->diffAmt = 1.0f;
        std::memcpy(parms->reflCol, s.reflCol, sizeof s.reflCol);
        std::memcpy(parms->specCol, s.specCol, sizeof s.specCol);
        for (kvh::HostPacket p : s.absent) v.SetPresent(uint32_t(p), false);
        if (auto* own = static_cast<st_KVpHalftone*>(v.PacketAt(PacketOffset()))) own->reserved = kReservedMark;
        if (!withPacket) v.SetPresent(uint32_t(host_.session->Layout().IndexAtOffset(PacketOffset())), false);
        Shaded r{};
        for (int c = 0; c < 3; ++c) {
            r.sc.diffLit[c] = r.sc.diffUnshad[c] = s.light;
            r.sc.refl[c] = s.refl[c];
            r.sc.spec[c] = s.spec[c];
        }
        st_KVpShadeOutput out{{-1.0f, -1.0f, -1.0f}, 1.0f};
        road.Shade(v, noRayObject_ ? nullptr : rays_->ptr(), r.sc, out);
        std::memcpy(r.color, out.color, sizeof r.color);
        if (void* p = v.PacketAt(PacketOffset())) std::memcpy(&r.packet, p, sizeof r.packet);
        return r;
    }
    // The paper fraction at the sample under Measuring(): output / 0.5.
    float Paper(const kvh::MaterialRoad& road, const Sample& s, bool withPacket = true) {
        return Shade(road, s, withPacket).color[0] * 2.0f;
    }

    static const HalftoneBlock& Block(const kvh::MaterialRoad& road) {
        return *static_cast<const HalftoneBlock*>(road.block());
    }

    bool noRayObject_ = false;  // shade without a ray object
};

}  // namespace Halftone2_Shader::test
