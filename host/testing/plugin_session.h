// A stand-in host session that loads built plug-ins by file name and makes
// prepared material roads of their servers, and the host's ray object owned
// for a scope.
#pragma once

#include <memory>
#include <string>

#include "core/material_road.h"
#include "core/ray_object.h"
#include "core/session.h"

namespace kvt {

struct PluginSession {
    std::unique_ptr<kvh::Session> session;  // made by the first Load
    std::string error;  // why the last Load or Road failed

    // The plug-in `file` (e.g. "tepidon.kv", search path applies), or null.
    // The first call makes the session.
    kvh::PluginLibrary* Load(const std::string& file);
    // A prepared road of `server` of `lib`, or null.
    std::unique_ptr<kvh::MaterialRoad> Road(const kvh::PluginLibrary* lib, const std::string& server,
                                            kvh::MaterialRoad::Options opt = {});
};

// One ray object, released with this.
class OwnedRays {
public:
    explicit OwnedRays(kvh::RayHooks* hooks = nullptr) : rays_(new kvh::RayObject(hooks)) {}
    ~OwnedRays() { rays_->ReleaseOwned(); }
    OwnedRays(const OwnedRays&) = delete;
    OwnedRays& operator=(const OwnedRays&) = delete;
    vt_IKvUnknown** ptr() const { return rays_->ptr(); }

private:
    kvh::RayObject* rays_;
};

// Ends a benchmark binary whose set-up failed: "`who`: `why`" on stderr.
[[noreturn]] void Die(const char* who, const std::string& why);

}  // namespace kvt
