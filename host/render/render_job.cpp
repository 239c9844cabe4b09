#include "render_job.h"

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

bool loadRenderJob(const std::string& path, const RenderOverrides& overrides, RenderJob& job, std::string& error) {
    job.session = std::make_unique<kvh::Session>();
    kvh::HostError err;
    job.loaded = kvh::LoadSceneFile(*job.session, path, &err);
    if (!job.loaded) {
        error = err.message.empty() ? "cannot load scene '" + path + "'" : err.message;
        return false;
    }
    if (!parseSceneObjects(job.loaded->document, job.loaded->folder.string(), job.scene, error)) return false;
    RenderSettings& s = job.scene.settings;
    if (overrides.width) s.width = overrides.width;
    if (overrides.height) s.height = overrides.height;
    if (overrides.spp) s.spp = overrides.spp;
    const kvh::SceneItem* cam = job.session->scene().camera();
    if (!cam) {
        error = "camera: the scene has no render camera";
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
    job.scene.build();
    return true;
}

}  // namespace kvr
