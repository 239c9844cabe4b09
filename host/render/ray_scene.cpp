#include "ray_scene.h"

#include <stdexcept>

namespace kvr {

RayScene::RayScene() {
    device_ = rtcNewDevice(nullptr);
    if (!device_) throw std::runtime_error("cannot create the ray-casting device");
    scene_ = rtcNewScene(device_);
    rtcSetSceneBuildQuality(scene_, RTC_BUILD_QUALITY_HIGH);
}

RayScene::~RayScene() {
    if (scene_) rtcReleaseScene(scene_);
    if (device_) rtcReleaseDevice(device_);
}

void RayScene::addMesh(const TriangleMesh& mesh) {
    RTCGeometry geom = rtcNewGeometry(device_, RTC_GEOMETRY_TYPE_TRIANGLE);
    // Shared buffers need 16 bytes of slack past the last element, so copy.
    auto* v = static_cast<float*>(rtcSetNewGeometryBuffer(geom, RTC_BUFFER_TYPE_VERTEX, 0, RTC_FORMAT_FLOAT3,
                                                          3 * sizeof(float), mesh.positions.size()));
    for (size_t i = 0; i < mesh.positions.size(); ++i) {
        v[3 * i] = mesh.positions[i].x;
        v[3 * i + 1] = mesh.positions[i].y;
        v[3 * i + 2] = mesh.positions[i].z;
    }
    auto* idx = static_cast<uint32_t*>(rtcSetNewGeometryBuffer(geom, RTC_BUFFER_TYPE_INDEX, 0, RTC_FORMAT_UINT3,
                                                               3 * sizeof(uint32_t), mesh.triangleCount()));
    std::copy(mesh.indices.begin(), mesh.indices.end(), idx);
    rtcCommitGeometry(geom);
    rtcAttachGeometryByID(scene_, geom, static_cast<unsigned>(meshes_.size()));
    rtcReleaseGeometry(geom);
    meshes_.push_back(&mesh);
}

void RayScene::commit() { rtcCommitScene(scene_); }

namespace {

void setRay(RTCRay& r, const double origin[3], Vec3 dir, float tnear, float tfar) {
    r.org_x = static_cast<float>(origin[0]);
    r.org_y = static_cast<float>(origin[1]);
    r.org_z = static_cast<float>(origin[2]);
    r.dir_x = dir.x;
    r.dir_y = dir.y;
    r.dir_z = dir.z;
    r.tnear = tnear;
    r.tfar = tfar;
    r.time = 0;
    r.mask = 0xFFFFFFFFu;
    r.id = 0;
    r.flags = 0;
}

}  // namespace

bool RayScene::intersect(const double origin[3], Vec3 dir, float tnear, float tfar, RayHit& hit) const {
    RTCIntersectContext ctx;
    rtcInitIntersectContext(&ctx);
    RTCRayHit rh;
    setRay(rh.ray, origin, dir, tnear, tfar);
    rh.hit.geomID = RTC_INVALID_GEOMETRY_ID;
    rh.hit.primID = RTC_INVALID_GEOMETRY_ID;
    rh.hit.instID[0] = RTC_INVALID_GEOMETRY_ID;
    rtcIntersect1(scene_, &ctx, &rh);
    if (rh.hit.geomID == RTC_INVALID_GEOMETRY_ID) return false;
    hit.t = rh.ray.tfar;
    hit.object = rh.hit.geomID;
    hit.triangle = rh.hit.primID;
    hit.b1 = rh.hit.u;
    hit.b2 = rh.hit.v;
    return true;
}

bool RayScene::occluded(const double origin[3], Vec3 dir, float tnear, float tfar) const {
    RTCIntersectContext ctx;
    rtcInitIntersectContext(&ctx);
    RTCRay r;
    setRay(r, origin, dir, tnear, tfar);
    rtcOccluded1(scene_, &ctx, &r);
    return r.tfar < 0;  // Embree sets tfar to -inf when something is hit
}

}  // namespace kvr
