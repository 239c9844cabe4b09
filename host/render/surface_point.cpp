#include "surface_point.h"

namespace kvr {

SurfacePoint resolveHit(const RenderScene& scene, const RayHit& hit, const double origin[3], Vec3 dir) {
    const TriangleMesh& m = scene.objects[hit.object]->mesh;
    const uint32_t* tri = &m.indices[3 * hit.triangle];
    const float b0 = 1.0f - hit.b1 - hit.b2;
    SurfacePoint sp;
    sp.t = hit.t;
    sp.object = hit.object;
    sp.triangle = hit.triangle;
    sp.surfaceId = scene.objects[hit.object]->surfaceId;
    sp.segmentId = scene.segmentId(hit.object, hit.triangle);
    for (int k = 0; k < 3; ++k) sp.position[k] = origin[k] + double(dir[k]) * hit.t;
    Vec3 p0 = m.positions[tri[0]], p1 = m.positions[tri[1]], p2 = m.positions[tri[2]];
    Vec3 face = normalize(cross(p1 - p0, p2 - p0));
    sp.rawNormal = normalize(m.normals[tri[0]] * b0 + m.normals[tri[1]] * hit.b1 + m.normals[tri[2]] * hit.b2);
    if (length(sp.rawNormal) == 0) sp.rawNormal = face;
    // The face normal decides the side seen; the shading normal follows it so
    // that smooth normals stay continuous up to the silhouette.
    const bool back = dot(face, dir) > 0;
    sp.geoNormal = back ? -face : face;
    sp.normal = back ? -sp.rawNormal : sp.rawNormal;
    const UV& t0 = m.uvs[tri[0]];
    const UV& t1 = m.uvs[tri[1]];
    const UV& t2 = m.uvs[tri[2]];
    sp.uv = {t0.u * b0 + t1.u * hit.b1 + t2.u * hit.b2, t0.v * b0 + t1.v * hit.b1 + t2.v * hit.b2};
    return sp;
}

}  // namespace kvr
