#include "render_scene.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <stdexcept>
#include <unordered_map>

namespace kvr {

namespace {

// How many objects place each mesh.
std::unordered_map<const TriangleMesh*, uint32_t> placements(const RenderScene& scene) {
    std::unordered_map<const TriangleMesh*, uint32_t> count;
    for (const auto& o : scene.objects) ++count[o->mesh.get()];
    return count;
}

// The largest coordinate magnitude a placed vertex may have: per object, its
// translation plus its axis scales times its mesh's largest coordinate.
double geometryExtent(const RenderScene& scene) {
    std::unordered_map<const TriangleMesh*, float> largest;
    double extent = 0;
    for (const auto& o : scene.objects) {
        auto [found, added] = largest.try_emplace(o->mesh.get(), 0.0f);
        if (added)
            for (const Vec3& p : o->mesh->positions)
                found->second = std::max({found->second, std::fabs(p.x), std::fabs(p.y), std::fabs(p.z)});
        const AffineMap& m = o->toWorld;
        const Vec3 t = m.point({});
        const double reach = double(m.axisScale(0)) + m.axisScale(1) + m.axisScale(2);
        extent = std::max(extent, std::max({std::fabs(t.x), std::fabs(t.y), std::fabs(t.z)}) + reach * found->second);
    }
    return extent;
}

}  // namespace

uint64_t EstimateGeometryBytes(const std::vector<std::unique_ptr<RenderObject>>& objects,
                               const std::vector<MeshSize>& meshes, const std::vector<uint32_t>& meshOf) {
    using Cost = RayTracerCost;
    auto traced = [](MeshSize m) {
        return m.vertices * Cost::kCopiedVertex + m.triangles * (Cost::kCopiedTriangle + Cost::kTriangleTree);
    };
    std::vector<uint32_t> placements(meshes.size(), 0);
    for (uint32_t m : meshOf) ++placements[m];
    uint64_t bytes = 0;
    for (MeshSize m : meshes) bytes += m.bytes();
    std::vector<bool> shared(meshes.size(), false);
    for (size_t i = 0; i < objects.size(); ++i) {
        const RenderObject& o = *objects[i];
        // The object, its pointer, and where its copy starts.
        bytes += sizeof(RenderObject) + o.name.capacity() + o.material.capacity() + 16;
        const uint32_t m = meshOf[i];
        if (RayScene::Instanced(meshes[m].triangles, o.toWorld, placements[m])) {
            bytes += Cost::kInstance + (shared[m] ? 0 : traced(meshes[m]));
            shared[m] = true;
        } else {
            bytes += traced(meshes[m]);
        }
    }
    return bytes;
}

uint64_t RenderScene::geometryBytes() const {
    std::vector<MeshSize> meshes;
    std::vector<uint32_t> meshOf;
    std::unordered_map<const TriangleMesh*, uint32_t> index;
    for (const auto& o : objects) {
        auto [it, added] = index.emplace(o->mesh.get(), uint32_t(meshes.size()));
        if (added) meshes.push_back(o->mesh->size());
        meshOf.push_back(it->second);
    }
    return EstimateGeometryBytes(objects, meshes, meshOf);
}

bool RenderScene::build(std::string& error) {
    const char* stage = "the ray-casting device";
    try {
        rays = std::make_unique<RayScene>(geometryExtent(*this));
        stage = "the ray tracer's copies and instances of the objects";
        const auto count = placements(*this);
        for (size_t i = 0; i < objects.size(); ++i) {
            RenderObject& o = *objects[i];
            o.surfaceId = i + 1;
            if (RayScene::Instanced(o.mesh->triangleCount(), o.toWorld, count.at(o.mesh.get())))
                rays->addInstance(*o.mesh, o.toWorld);
            else
                rays->addCopy(*o.mesh, o.toWorld);
        }
        stage = "the ray tracer's tree over the objects";
        rays->commit();
        return true;
    } catch (const std::bad_alloc&) {
        rays.reset();
        error = std::string("out of memory building ") + stage + " (" + std::to_string(objects.size()) + " objects)";
    } catch (const std::exception& e) {
        rays.reset();
        error = std::string("cannot build ") + stage + ": " + e.what();
    }
    return false;
}

}  // namespace kvr
