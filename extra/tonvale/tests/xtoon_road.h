// A stand-in host session with tonvale.kv loaded, and one-sample shading of
// an X-toon material through the host's road.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "testing/road_fixture.h"
#include "xtoon_packet.h"

namespace XToon_Shader::test {

// What one sample sees. The surface is white with diffuse amount 1 and the
// light is grey, so the tone ratio r equals `light`.
struct Sample {
    float light = 0.5f;  // diffuse illumination without shadows, per component
    float dist = 1.0f;   // hit distance ("sample.ray" bytes 60-63)
    float dir[3] = {0.0f, 0.0f, -1.0f};
    float normal[3] = {0.0f, 0.0f, 1.0f};
    float spec[3] = {0.0f, 0.0f, 0.0f};  // shading component 4
    float refl[3] = {0.0f, 0.0f, 0.0f};  // shading component 5
    float specCol[3] = {0.0f, 0.0f, 0.0f};
};

struct Shaded {
    float color[3];
    st_KVpShadeComponents sc;
    XToonPacketData packet;  // the sample's packet after shading
};

// Gradient keys that give `value` for every input.
inline kvh::ChannelKeys Flat(const std::string& channel, double value) {
    return {channel, {{0.0, value}, {1.0, value}}};
}
// topColor black and bottomColor white: the gradient path's colour is D'.
inline void DetailAsGrey(kvh::MaterialRoad::Options& o) {
    for (const char* c : {".R", ".G", ".B"}) {
        o.gradients.push_back(Flat(std::string("topColor") + c, 0.0));
        o.gradients.push_back(Flat(std::string("bottomColor") + c, 1.0));
    }
}

class XToonRoadTest : public kvt::RoadFixture {
protected:
    XToonRoadTest() : RoadFixture("tonvale.kv", "xtoon") {}

    kvh::SampleVector& Vector() {
        if (!rays_) rays_.emplace();
        return Pool().BeginSample(0, 0, 0.5f, 0.5f, 0);
    }
    int32_t PacketOffset() { return host_.session->Layout().OffsetOf("xtoon.shader.packet"); }

    Shaded Shade(const kvh::MaterialRoad& road, const Sample& s, bool withPacket = true) {
        kvh::SampleVector& v = Vector();
        v.SetAllPresent(true);
        if (!withPacket) v.SetPresent(uint32_t(host_.session->Layout().IndexAtOffset(PacketOffset())), false);
        auto* ray = v.Packet<st_KVpSampleRay>(kvh::HostPacket::SampleRay);
        std::memcpy(ray->dir, s.dir, sizeof s.dir);
        ray->dist = s.dist;
        std::memcpy(v.Packet<st_KVpSurfaceNormal>(kvh::HostPacket::SurfaceNormal)->normal, s.normal, sizeof s.normal);
        auto* parms = v.Packet<st_KVpSampleParms>(kvh::HostPacket::SampleParms);
        *parms = {};
        parms->diffCol[0] = parms->diffCol[1] = parms->diffCol[2] = 1.0f;
        parms->diffAmt = 1.0f;
        std::memcpy(parms->specCol, s.specCol, sizeof s.specCol);
        Shaded r{};
        for (int c = 0; c < 3; ++c) {
            r.sc.diffUnshad[c] = s.light;
            r.sc.spec[c] = s.spec[c];
            r.sc.refl[c] = s.refl[c];
        }
        st_KVpShadeOutput out{{-1.0f, -1.0f, -1.0f}, 1.0f};
        road.Shade(v, rays_->ptr(), r.sc, out);
        std::memcpy(r.color, out.color, sizeof r.color);
        if (void* p = v.PacketAt(PacketOffset())) std::memcpy(&r.packet, p, sizeof r.packet);
        return r;
    }
    // The grey of the gradient path with DetailAsGrey: the detail D'.
    float Detail(const kvh::MaterialRoad& road, const Sample& s) { return Shade(road, s).color[1]; }

    static const XToonPacketData& Block(const kvh::MaterialRoad& road) {
        return *static_cast<const XToonPacketData*>(road.block());
    }
};

}  // namespace XToon_Shader::test
