#include "render_scene.h"

namespace kvr {

void RenderScene::build() {
    rays = std::make_unique<RayScene>();
    for (size_t i = 0; i < objects.size(); ++i) {
        objects[i]->surfaceId = i + 1;
        rays->addMesh(objects[i]->mesh);
    }
    rays->commit();
}

}  // namespace kvr
