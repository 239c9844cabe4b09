// Driving tepidon.kv through the stand-in host: a session with the plug-in
// loaded, roads of the "gooch" material, and a sample with the host packets
// the Gooch shading reads.
#pragma once

#include <memory>
#include <string>

#include "testing/host_sample.h"
#include "testing/plugin_session.h"

namespace gooch_test {

// Loads the built plug-in (and, when asked, the framework's test plug-in).
struct GoochHost : kvt::PluginSession {
    kvh::PluginLibrary* gooch = nullptr;
    kvh::PluginLibrary* kvtest = nullptr;

    bool Load(bool withTestPlugin = false) {
        session = std::make_unique<kvh::Session>();
        if (!(gooch = PluginSession::Load("tepidon.kv"))) return false;
        if (withTestPlugin && !(kvtest = PluginSession::Load("kvtest.kv"))) return false;
        session->Layout();
        return true;
    }

    // A prepared road of `server` (default "gooch"), or null with `error` set.
    std::unique_ptr<kvh::MaterialRoad> Road(kvh::MaterialRoad::Options opt, const char* server = "gooch") {
        return PluginSession::Road(std::string(server) == "gooch" ? gooch : kvtest, server, std::move(opt));
    }

    int32_t GoochPacketOffset() const { return session->Layout().OffsetOf("gooch.packet"); }
};

// One sample: the ray straight down -z onto a surface facing +z, a grey
// surface, and lighting components the scene-lights case mixes.
struct HostSample {
    st_KVpShadeComponents sc{};
    st_KVpShadeOutput out{};

    explicit HostSample(kvh::SampleVector& v) {
        for (float& c : kvt::FacingSample(v).parms->diffCol) c = 0.5f;
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
