// A stand-in host session with dotmire.kv loaded, and one-sample shading of
// a stipple or dab material through the host's road.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/image.h"
#include "dab_packet.h"
#include "stipple_packet.h"
#include "testing/road_fixture.h"

namespace Stipple_Shader::test {

// What one sample sees: a white surface with diffuse amount 1 under grey
// light, so that the tone ratio equals `light`; texture coordinates (u, v),
// and for screen coordinates its pixel, resolution and ray distance.
struct Sample {
    float light = 0.0f;
    float u = 0.5f;
    float v = 0.5f;
    int32_t px = 0, py = 0;     // pixel
    float fx = 0.5f, fy = 0.5f; // in-pixel position
    uint32_t width = 0, height = 0;
    float dist = 0.0f;
    float spec[3] = {0.0f, 0.0f, 0.0f};  // shading component 4
    float refl[3] = {0.0f, 0.0f, 0.0f};  // shading component 5
    float specCol[3] = {0.0f, 0.0f, 0.0f};
    float reflCol[3] = {0.0f, 0.0f, 0.0f};
};

struct Shaded {
    float color[3];
    st_KVpShadeComponents sc;
};

using kvt::CoordinateImage;

// Road options with channel values, "shadeLoc" links and per-sample drivers.
inline kvh::MaterialRoad::Options With(std::vector<kvh::ChannelValue> values, std::vector<std::string> links = {},
                                       std::vector<kvh::ChannelDriver> drivers = {}) {
    kvh::MaterialRoad::Options o;
    o.values = std::move(values);
    o.links = std::move(links);
    o.drivers = std::move(drivers);
    return o;
}

class DotRoadTest : public kvt::RoadFixture {
protected:
    DotRoadTest() : RoadFixture("dotmire.kv", "stipple") {}

    // A prepared road of "stipple" or "dab" in texture coordinates with one
    // repeat, so that the sample's (u, v) is its place in the point pattern.
    kvh::MaterialRoad* Road(const std::string& server, kvh::MaterialRoad::Options o = {}) {
        std::vector<kvh::ChannelValue> values = {{"screenCoords", 0.0}, {"tileNum", 1.0}};
        values.insert(values.end(), o.values.begin(), o.values.end());
        o.values = std::move(values);
        return RoadOf(server, std::move(o));
    }
    kvh::Scene& Scene() { return host_.session->scene(); }

    kvh::SampleVector& Vector(const Sample& s = {}) {
        if (!rays_) rays_.emplace();
        return Pool().BeginSample(s.px, s.py, s.fx, s.fy, 0);
    }
    int32_t PacketOffset(const char* name) { return host_.session->Layout().OffsetOf(name); }

    // Shades one sample; `withPacket` false leaves the material's own packet
    // out of the vector.
    Shaded Shade(const kvh::MaterialRoad& road, const Sample& s, bool withPacket = true) {
        kvh::SampleVector& v = Vector(s);
        v.SetAllPresent(true);
        if (!withPacket) {
            const int32_t own = PacketOffset(road.customPacket().c_str());
            v.SetPresent(uint32_t(host_.session->Layout().IndexAtOffset(own)), false);
        }
        auto* tex = v.Packet<st_KVpTextureInput>(kvh::HostPacket::TextureInput);
        tex->u = s.u;
        tex->v = s.v;
        *v.Packet<st_KVpCameraResolution>(kvh::HostPacket::CameraResolution) = {s.width, s.height};
        v.Packet<st_KVpSampleRay>(kvh::HostPacket::SampleRay)->dist = s.dist;
        auto* parms = v.Packet<st_KVpSampleParms>(kvh::HostPacket::SampleParms);
        *parms = {};
        parms->diffCol[0] = parms->diffCol[1] = parms->diffCol[2] = 1.0f;
        parms->diffAmt = 1.0f;
        std::memcpy(parms->specCol, s.specCol, sizeof s.specCol);
        std::memcpy(parms->reflCol, s.reflCol, sizeof s.reflCol);
        Shaded r{};
        for (int c = 0; c < 3; ++c) {
            r.sc.diffLit[c] = r.sc.diffUnshad[c] = s.light;
            r.sc.spec[c] = s.spec[c];
            r.sc.refl[c] = s.refl[c];
        }
        st_KVpShadeOutput out{{-1.0f, -1.0f, -1.0f}, 1.0f};
        road.Shade(v, rays_->ptr(), r.sc, out);
        std::memcpy(r.color, out.color, sizeof r.color);
        return r;
    }
    // The packet the last Shade left in the vector.
    template <class Packet>
    Packet LastPacket(const char* name) {
        Packet p{};
        if (void* at = Vector().PacketAt(PacketOffset(name))) std::memcpy(&p, at, sizeof p);
        return p;
    }

    static const StippleBlock& StippleOf(const kvh::MaterialRoad& road) {
        return *static_cast<const StippleBlock*>(road.block());
    }
    static const DabBlock& DabOf(const kvh::MaterialRoad& road) { return *static_cast<const DabBlock*>(road.block()); }
};

}  // namespace Stipple_Shader::test
