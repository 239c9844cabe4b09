// Driving tepidon.kv through the stand-in host: a session with the plug-in
// loaded, roads of the "gooch" material, and a sample with the host packets
// the Gooch shading reads.
#pragma once

#include <memory>
#include <string>

#include "core/material_road.h"
#include "core/ray_object.h"
#include "core/session.h"

namespace gooch_test {

// Loads the built plug-in (and, when asked, the framework's test plug-in).
struct GoochHost {
    std::unique_ptr<kvh::Session> session;
    kvh::PluginLibrary* gooch = nullptr;
    kvh::PluginLibrary* kvtest = nullptr;
    std::string error;

    bool Load(bool withTestPlugin = false) {
        session = std::make_unique<kvh::Session>();
        kvh::HostError err;
        gooch = session->LoadPlugin("tepidon.kv", &err);
        if (!gooch) return error = err.message, false;
        if (withTestPlugin) {
            kvtest = session->LoadPlugin("kvtest.kv", &err);
            if (!kvtest) return error = err.message, false;
        }
        session->Layout();
        return true;
    }

    // A prepared road of `server` (default "gooch"), or null with `error` set.
    std::unique_ptr<kvh::MaterialRoad> Road(kvh::MaterialRoad::Options opt, const char* server = "gooch") {
        const kvh::PluginLibrary* lib = std::string(server) == "gooch" ? gooch : kvtest;
        auto road = kvh::MaterialRoad::Create(*session, *lib, server, std::move(opt));
        kvh::HostError err;
        if (KV_FAILED(road->Prepare(&err))) return error = err.message, nullptr;
        return road;
    }

    int32_t GoochPacketOffset() const { return session->Layout().OffsetOf("gooch.packet"); }
};

// One sample: the ray straight down -z onto a surface facing +z, a grey
// surface, and lighting components the scene-lights case mixes.
struct HostSample {
    st_KVpShadeComponents sc{};
    st_KVpShadeOutput out{};

    explicit HostSample(kvh::SampleVector& v) {
        v.SetAllPresent(true);
        v.pool->InitializePluginPackets(v);
        auto* ray = v.Packet<st_KVpSampleRay>(kvh::HostPacket::SampleRay);
        *ray = {};
        ray->dir[2] = -1.0f;
        auto* n = v.Packet<st_KVpSurfaceNormal>(kvh::HostPacket::SurfaceNormal);
        *n = {};
        n->normal[2] = 1.0f;
        auto* parms = v.Packet<st_KVpSampleParms>(kvh::HostPacket::SampleParms);
        *parms = {};
        for (float& c : parms->diffCol) c = 0.5f;
        parms->diffAmt = 1.0f;
        for (int c = 0; c < 3; ++c) {
            sc.diffLit[c] = 0.6f;
            sc.indirect[c] = 0.1f;
            sc.diffUnshad[c] = 0.8f;
            sc.spec[c] = 0.25f;
            sc.refl[c] = 0.01f;
            sc.tran[c] = 0.02f;
            sc.lumi[c] = 0.03f;
            sc.diff[c] = 0.7f;       // the host's own diffuse result
            out.color[c] = 0.9f;     // the host's own output
        }
        out.alpha = 1.0f;
    }
};

}  // namespace gooch_test
