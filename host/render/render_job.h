// A scene file made ready to render: the host session and its prepared
// material roads, the renderer's objects and lights, and the camera taken
// from the scene's render camera item.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "core/input_file.h"
#include "core/scene_file.h"
#include "core/session.h"
#include "render_scene.h"

namespace kvr {

struct RenderOverrides {
    uint32_t width = 0, height = 0;  // 0: the scene's
    uint32_t spp = 0;
    uint64_t memoryLimit = kvh::kDefaultMemoryLimit;  // bytes for the frame, each clip picture, the geometry
};

// Bytes a frame takes per pixel: the linear floats, the 8-bit copy and the
// PNG encoder's buffers.
constexpr uint64_t kFrameBytesPerPixel = 12 + 3 + 5;

struct RenderJob {
    std::unique_ptr<kvh::Session> session;
    std::unique_ptr<kvh::LoadedScene> loaded;  // roads; released before the session
    RenderScene scene;
    std::vector<const kvh::MaterialRoad*> roads;  // per object, null for host shading
    std::vector<kvh::InputFile> inputs;            // the scene file, clip pictures and OBJ files read
    ~RenderJob() {
        loaded.reset();
        session.reset();
    }
};

// Loads `path`; false with a message (the file, then the key path or item)
// on error, also when the frame, a clip picture or the geometry would need
// more memory than the overrides' limit, or when memory runs out. The
// overrides replace the document's "render" values before the scene is
// built, so a camera without "apertureY" keeps square pixels.
bool loadRenderJob(const std::string& path, const RenderOverrides& overrides, RenderJob& job, std::string& error);
// The same from a parsed document (moved in, or copied); `folder` resolves
// relative file names.
bool loadRenderJobJson(nlohmann::json doc, const std::string& folder, const RenderOverrides& overrides,
                       RenderJob& job, std::string& error);

// Sets the camera model from a render camera item ("focalLen", "apertureX",
// "apertureY", "focusDist", "worldMatrix") and the image size.
void cameraFromItem(const kvh::SceneItem& item, uint32_t width, uint32_t height, CameraModel& out);

}  // namespace kvr
