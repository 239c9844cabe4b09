#include "render_scene.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <stdexcept>
#include <unordered_map>
#include <unordered_set>

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

uint64_t meshBytes(const TriangleMesh& m) {
    return m.positions.capacity() * sizeof(Vec3) + m.normals.capacity() * sizeof(Vec3) + m.uvs.capacity() * sizeof(UV) +
           m.indices.capacity() * sizeof(uint32_t) + m.segments.capacity() * sizeof(uint32_t);
}

}  // namespace

uint64_t RenderScene::geometryBytes() const {
    using Cost = RayTracerCost;
    auto traced = [](const TriangleMesh& m) {
        return m.positions.size() * Cost::kCopiedVertex +
               uint64_t(m.triangleCount()) * (Cost::kCopiedTriangle + Cost::kTriangleTree);
    };
    const auto count = placements(*this);
    uint64_t bytes = 0;
    for (const auto& [mesh, n] : count) bytes += meshBytes(*mesh);
    std::unordered_set<const TriangleMesh*> shared;
    for (const auto& o : objects) {
        // The object, its pointer, and where its copy starts.
        bytes += sizeof(RenderObject) + o->name.capacity() + o->material.capacity() + 16;
        const TriangleMesh& m = *o->mesh;
        if (RayScene::Instanced(m, o->toWorld, count.at(&m)))
            bytes += Cost::kInstance + (shared.insert(&m).second ? traced(m) : 0);
        else
            bytes += traced(m);
    }
    return bytes;
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
            if (RayScene::Instanced(*o.mesh, o.toWorld, count.at(o.mesh.get())))
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
