#include "surface_point.h"

namespace kvr {

SurfacePoint resolveHit(const RenderScene& scene, const RayHit& hit, const double origin[3], Vec3 dir) {
    const RenderObject& o = *scene.objects[hit.object];
    const TriangleMesh& m = *o.mesh;
    const uint32_t* tri = &m.indices[3 * hit.triangle];
    const float b0 = 1.0f - hit.b1 - hit.b2;
    SurfacePoint sp;
    sp.t = hit.t;
    sp.object = hit.object;
    sp.triangle = hit.triangle;
    sp.surfaceId = o.surfaceId;
    sp.segmentId = scene.segmentId(hit.object, hit.triangle);
    for (int k = 0; k < 3; ++k) sp.position[k] = origin[k] + double(dir[k]) * hit.t;
    Vec3 p[3], n[3];
    scene.rays->corners(hit, m, o.toWorld, p, n);
    Vec3 face = normalize(cross(p[1] - p[0], p[2] - p[0]));
    sp.rawNormal = normalize(n[0] * b0 + n[1] * hit.b1 + n[2] * hit.b2);
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
