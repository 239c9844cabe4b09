#include "render_job.h"

#include <filesystem>
#include <new>

#include "scene_objects.h"

namespace kvr {

void cameraFromItem(const kvh::SceneItem& item, uint32_t width, uint32_t height, CameraModel& out) {
    out.focalLength = float(item.Value("focalLen"));
    out.apertureX = float(item.Value("apertureX"));
    out.apertureY = float(item.Value("apertureY"));
    out.focusDistance = float(item.Value("focusDist"));
    if (!(out.focalLength > 0)) out.focalLength = 0.05f;
    if (!(out.apertureX > 0)) out.apertureX = 0.036f;
    // Square pixels unless the camera says otherwise.
    if (!(out.apertureY > 0)) out.apertureY = out.apertureX * float(height) / float(width);
    out.setWorldMatrix(item.WorldMatrix().m.data());
    out.width = width;
    out.height = height;
}

namespace {

// The files a scene reads besides itself: clip pictures and OBJ meshes.
void listInputFiles(const nlohmann::json& doc, const std::string& folder, std::vector<kvh::InputFile>& out) {
    if (doc.contains("items"))
        for (const nlohmann::json& item : doc["items"])
            if (item.value("type", "") == "videoClip" && item.contains("image"))
                out.push_back({"the clip picture", kvh::InputPath(folder, item["image"])});
    if (doc.contains("objects"))
        for (const nlohmann::json& object : doc["objects"])
            if (object.value("shape", "") == "obj")
                out.push_back({"the OBJ file", kvh::InputPath(folder, object["file"])});
}

bool loadInto(nlohmann::json& doc, const std::string& folder, const RenderOverrides& overrides, RenderJob& job,
              std::string& error) {
    // Walking a document recurses: refuse absurd nesting first.
    if (kvh::NestedDeeperThan(doc, kvh::kMaxSceneDepth)) {
        error = kvh::TooDeepMessage();
        return false;
    }
    if (doc.is_object() && (overrides.width || overrides.height || overrides.spp)) {
        nlohmann::json& r = doc["render"];
        if (r.is_null()) r = nlohmann::json::object();
        if (r.is_object()) {
            if (overrides.width) r["width"] = overrides.width;
            if (overrides.height) r["height"] = overrides.height;
            if (overrides.spp) r["spp"] = overrides.spp;
        }
    }
    // Renderer keys first: they need no plug-in and fail fast.
    if (!parseSceneObjects(doc, folder, job.scene, error, overrides.memoryLimit)) return false;
    const RenderSettings& size = job.scene.settings;
    const uint64_t frameBytes = uint64_t(size.width) * size.height * kFrameBytesPerPixel;
    if (frameBytes > overrides.memoryLimit) {
        error = "render: " + kvh::OverMemoryLimit("a frame", size.width, size.height, frameBytes, overrides.memoryLimit);
        return false;
    }
    job.session = std::make_unique<kvh::Session>();
    job.session->SetMemoryLimit(overrides.memoryLimit);
    kvh::HostError err;
    job.loaded = kvh::LoadSceneJson(*job.session, doc, folder, &err);
    if (!job.loaded) {
        error = err.message.empty() ? "cannot load the scene" : err.message;
        return false;
    }
    const RenderSettings& s = job.scene.settings;
    const kvh::SceneItem* cam = job.session->scene().camera();
    if (!cam) {
        error = "camera: the scene has no camera";
        return false;
    }
    cameraFromItem(*cam, s.width, s.height, job.scene.camera);
    for (size_t i = 0; i < job.scene.objects.size(); ++i) {
        const RenderObject& o = *job.scene.objects[i];
        if (o.material.empty()) {
            job.roads.push_back(nullptr);
            continue;
        }
        auto it = job.loaded->materials.find(o.material);
        if (it == job.loaded->materials.end() || !it->second) {
            error = "objects[" + std::to_string(i) + "].material: unknown material '" + o.material + "'";
            return false;
        }
        job.roads.push_back(it->second.get());
    }
    if (!job.scene.build(error)) {
        error = "objects: " + error;
        return false;
    }
    listInputFiles(doc, folder, job.inputs);
    return true;
}

}  // namespace

bool loadRenderJobJson(nlohmann::json doc, const std::string& folder, const RenderOverrides& overrides,
                       RenderJob& job, std::string& error) {
    // A large document goes without the allocations of its own destructor.
    kvh::DocumentRelease release(doc);
    try {
        return loadInto(doc, folder, overrides, job, error);
    } catch (const std::bad_alloc&) {
        // Each step names what it was building; this is the rest. What was
        // built goes first, so that the document can be released.
        job.roads.clear();
        job.scene = RenderScene();
        job.loaded.reset();
        job.session.reset();
        kvh::ReleaseDocument(doc);
        error = "out of memory loading the scene";
        return false;
    }
}

bool loadRenderJob(const std::string& path, const RenderOverrides& overrides, RenderJob& job, std::string& error) {
    nlohmann::json doc;
    kvh::HostError err;
    if (!kvh::ReadSceneDocument(path, &doc, &err, overrides.memoryLimit)) {
        error = err.message;
        return false;
    }
    std::string folder = std::filesystem::path(path).parent_path().string();
    if (folder.empty()) folder = ".";
    if (!loadRenderJobJson(std::move(doc), folder, overrides, job, error)) {
        error = path + ": " + error;
        return false;
    }
    job.inputs.insert(job.inputs.begin(), {"the scene file", path});
    return true;
}

}  // namespace kvr
