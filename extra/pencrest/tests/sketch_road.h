// A stand-in host session with pencrest.kv loaded, one-sample shading of a
// sketch-tone material through the host's road, and a probe that reads the
// in-tile position a sample lands on.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/image.h"
#include "sketch_packet.h"
#include "testing/road_fixture.h"

namespace SketchTone_Shader::test {

// What one sample sees. The surface is white with diffuse amount 1 and the
// light grey, so the tone ratio r equals `light`.
struct Sample {
    float light = 0.5f;  // diffuse illumination without shadows, per component
    float dist = 1.0f;   // "sample.ray" hit distance
    float u = 0.5f, v = 0.5f;  // "texture.input"
    uint32_t width = 200, height = 100;  // "camera.resolution"
    int32_t px = 0, py = 0;              // pixel, and position inside it
    float fx = 0.0f, fy = 0.0f;
    float normal[3] = {0.0f, 0.0f, 1.0f};
    float diffCol[3] = {1.0f, 1.0f, 1.0f};
    float spec[3] = {}, refl[3] = {}, specCol[3] = {}, reflCol[3] = {};
    std::vector<kvh::HostPacket> absent;  // host packets the vector lacks
    bool ownPacket = true;
    bool rayObject = true;  // false: the host passes no ray object
};

struct Shaded {
    float color[3];
    st_KVpShadeComponents sc;
    st_KVpSketchTone packet;  // the sample's packet after shading
};

// The in-tile position a sample lands on, to one sketch-map pixel (1/1024).
struct TilePos {
    float fu, fv;
};

// A clip 1024 pixels across (or down) whose grey is the pixel's centre over
// the side: the sketch map then tells the tile position by luminance.
inline std::shared_ptr<kvh::ImageData> PositionImage(bool columns) {
    auto img = std::make_shared<kvh::ImageData>();
    img->width = columns ? 1024 : 1;
    img->height = columns ? 1 : 1024;
    img->rgba.resize(1024 * 4);
    for (uint32_t i = 0; i < 1024; ++i) {
        const float g = (float(i) + 0.5f) / 1024.0f;
        for (int c = 0; c < 3; ++c) img->rgba[i * 4 + c] = g;
        img->rgba[i * 4 + 3] = 1.0f;
    }
    return img;
}

// The renderer's part of the ray object: a fixed normal at every screen
// offset, and a colour seen along every traced ray.
class FixedRays final : public kvh::RayHooks {
public:
    float normal[3] = {0.0f, 0.0f, -1.0f};
    float seen[3] = {0.0f, 1.0f, 0.0f};
    int traces = 0;
    float Trace(kvh::SampleVector& into, const double*, const float*, uint32_t) override {
        ++traces;
        auto* ray = into.Packet<st_KVpSampleRay>(kvh::HostPacket::SampleRay);
        std::memcpy(ray->color, seen, sizeof seen);
        ray->dist = 1.0f;
        return 1.0f;
    }
    KvResult SurfaceAt(kvh::SampleVector&, float, float, st_KVpSurfaceRecord& rec) override {
        kvh::BackgroundSurface(rec);
        return KV_OK;
    }
    KvResult NormalAt(kvh::SampleVector&, float, float, float* n) override {
        std::memcpy(n, normal, sizeof normal);
        return KV_OK;
    }
};

class SketchRoadTest : public kvt::RoadFixture {
protected:
    SketchRoadTest() : RoadFixture("pencrest.kv", "sketchtone") {}

    kvh::Scene& Scene() { return host_.session->scene(); }

    using RoadFixture::Road;
    kvh::MaterialRoad* Road(std::vector<kvh::ChannelValue> values, std::vector<std::string> links = {}) {
        kvh::MaterialRoad::Options o;
        o.values = std::move(values);
        o.links = std::move(links);
        return Road(std::move(o));
    }

    kvh::SampleVector& Vector(const Sample& s) { return Pool().BeginSample(s.px, s.py, s.fx, s.fy, 0); }
    int32_t PacketOffset() { return host_.session->Layout().OffsetOf("sketchtone.shader.packet"); }

    Shaded Shade(const kvh::MaterialRoad& road, const Sample& s, kvh::RayHooks* hooks = nullptr) {
        kvh::SampleVector& v = Vector(s);
        v.SetAllPresent(true);
        Pool().InitializePluginPackets(v);
        auto* ray = v.Packet<st_KVpSampleRay>(kvh::HostPacket::SampleRay);
        *ray = {};
        ray->dir[2] = -1.0f;
        ray->dist = s.dist;
        auto* normal = v.Packet<st_KVpSurfaceNormal>(kvh::HostPacket::SurfaceNormal);
        std::memcpy(normal->normal, s.normal, sizeof s.normal);
        auto* tex = v.Packet<st_KVpTextureInput>(kvh::HostPacket::TextureInput);
        tex->u = s.u;
        tex->v = s.v;
        *v.Packet<st_KVpCameraResolution>(kvh::HostPacket::CameraResolution) = {s.width, s.height};
        auto* parms = v.Packet<st_KVpSampleParms>(kvh::HostPacket::SampleParms);
        *parms = {};
        std::memcpy(parms->diffCol, s.diffCol, sizeof s.diffCol);
        std::memcpy(parms->specCol, s.specCol, sizeof s.specCol);
        std::memcpy(parms->reflCol, s.reflCol, sizeof s.reflCol);
        parms->diffAmt = 1.0f;
        for (kvh::HostPacket p : s.absent) v.SetPresent(p, false);
        if (!s.ownPacket) v.SetPresent(uint32_t(host_.session->Layout().IndexAtOffset(PacketOffset())), false);
        Shaded r{};
        for (int c = 0; c < 3; ++c) {
            r.sc.diffUnshad[c] = s.light;
            r.sc.spec[c] = s.spec[c];
            r.sc.refl[c] = s.refl[c];
        }
        st_KVpShadeOutput out{{-1.0f, -1.0f, -1.0f}, 1.0f};
        std::optional<kvt::OwnedRays> rays;
        if (s.rayObject) rays.emplace(hooks);
        road.Shade(v, rays ? rays->ptr() : nullptr, r.sc, out);
        std::memcpy(r.color, out.color, sizeof r.color);
        if (void* p = v.PacketAt(PacketOffset())) std::memcpy(&r.packet, p, sizeof r.packet);
        return r;
    }

    static const SketchToneBlock& Block(const kvh::MaterialRoad& road) {
        return *static_cast<const SketchToneBlock*>(road.block());
    }

    // Two roads with the same channels, one on a column sketch map and one
    // on a row map (then `links`), one tile per unit and no offset.
    struct ProbeRoads {
        kvh::MaterialRoad* columns;
        kvh::MaterialRoad* rows;
    };
    ProbeRoads Probe(std::vector<kvh::ChannelValue> values, std::vector<std::string> links = {}) {
        if (!Scene().FindItem("columns")) {
            Scene().CreateClip("columns", PositionImage(true));
            Scene().CreateClip("rows", PositionImage(false));
        }
        values.push_back({"sketchTiles", 1.0});
        std::vector<std::string> c = {"columns"}, r = {"rows"};
        c.insert(c.end(), links.begin(), links.end());
        r.insert(r.end(), links.begin(), links.end());
        return {Road(values, c), Road(values, r)};
    }
    // The tile position of `s` on both maps: the luminance where the coverage
    // flips, found by walking the light (the level falls as r rises).
    TilePos Where(const ProbeRoads& roads, Sample s, kvh::RayHooks* hooks = nullptr) {
        return {Flip(*roads.columns, s, hooks), Flip(*roads.rows, s, hooks)};
    }
    float Flip(const kvh::MaterialRoad& road, Sample s, kvh::RayHooks* hooks) {
        double lo = 0.0, hi = 1.0;  // coverage 0 at r = lo, 1 at r = hi
        for (int i = 0; i < 30; ++i) {
            s.light = float(0.5 * (lo + hi));
            (Shade(road, s, hooks).color[0] > 0.5f ? hi : lo) = s.light;
        }
        const double x = 0.7853981633974483;
        const double g = x + 0.5 * x * x + 5.0 * std::pow(x, 4) / 24.0;
        return float(1.0 - (0.5 + g * (hi - 0.5)));
    }
};

// One sketch-map pixel.
constexpr float kPixel = 1.0f / 1024.0f;
// The expected reading of a tile position: the centre of its pixel.
inline float Cell(float f) { return (std::floor(f * 1024.0f) + 0.5f) / 1024.0f; }

}  // namespace SketchTone_Shader::test
