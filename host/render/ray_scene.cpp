#include "ray_scene.h"

#include <tbb/info.h>

#include <algorithm>
#include <cmath>
#include <new>
#include <stdexcept>
#include <string>

#include "core/scene_file.h"
#include "render_arena.h"

namespace kvr {

namespace {

// An instance is worth its cost beyond this many triangles.
constexpr uint32_t kLargestCopiedMesh = 64;
// Scales the ray tracer inverts within float's range (its determinant is the
// product of the three).
constexpr float kSmallestInstanceScale = 1e-9f, kLargestInstanceScale = 1e9f;
// The largest coordinate handed to the ray tracer: with edges up to twice
// this and rays from as far as kFarthestOrigin, its products stay below
// 1e36, well within float.
constexpr double kLargestTracedExtent = 4294967296.0;  // 2^32
// Ray origins beyond this are misses: the coordinate bound, and room for the
// offset of a ray leaving a surface.
constexpr double kFarthestOrigin = 2 * kvh::kMaxCoordinate;

// The power of two that brings `extent` within kLargestTracedExtent; 1 for
// a scene within it already.
float tracedScale(double extent) {
    if (!(extent > kLargestTracedExtent) || !std::isfinite(extent)) return 1;
    int exponent = 0;
    std::frexp(extent / kLargestTracedExtent, &exponent);
    return std::ldexp(1.0f, -exponent);
}

}  // namespace

RayScene::RayScene(double extent) : scale_(tracedScale(extent)), unscale_(1 / scale_) {
    device_ = rtcNewDevice(nullptr);
    if (!device_) {
        const RTCError e = rtcGetDeviceError(nullptr);
        if (e == RTC_ERROR_OUT_OF_MEMORY) throw std::bad_alloc();
        throw std::runtime_error("the ray tracer refused to start (error " + std::to_string(int(e)) + ")");
    }
    // The destructor does not run for a scene that could not be made.
    try {
        rtcSetDeviceMemoryMonitorFunction(device_, countBytes, this);
        // The tracer builds on the threading library's workers: every one is
        // started now, so that none fails to start in the middle of a build.
        // (After the device: its own large block comes first.)
        StartWorkers(uint32_t(std::max(tbb::info::default_concurrency(), 1)));
        scene_ = rtcNewScene(device_);
        check();
        if (!scene_) throw std::runtime_error("the ray tracer made no scene");
        rtcSetSceneBuildQuality(scene_, RTC_BUILD_QUALITY_HIGH);
    } catch (...) {
        rtcReleaseDevice(device_);
        throw;
    }
}

bool RayScene::countBytes(void* self, ssize_t bytes, bool) {
    auto& scene = *static_cast<RayScene*>(self);
    const int64_t now = scene.tracerBytes_.fetch_add(bytes) + bytes;
    int64_t peak = scene.tracerPeak_.load();
    while (now > peak && !scene.tracerPeak_.compare_exchange_weak(peak, now)) {
    }
    return true;  // no refusal: the estimate bounds what is asked
}

uint64_t RayScene::peakBytes() const {
    return uint64_t(tracerPeak_.load()) + copyPositions_.capacity() * sizeof(float) +
           copyNormals_.capacity() * sizeof(Vec3) + copyIndices_.capacity() * sizeof(uint32_t) +
           copyObject_.capacity() * sizeof(uint32_t) + copyStart_.capacity() * sizeof(CopyStart);
}

RayScene::~RayScene() noexcept {
    // The release functions report their errors to the device and throw none.
    if (scene_) rtcReleaseScene(scene_);
    for (auto& [mesh, structure] : shared_) rtcReleaseScene(structure);
    if (device_) rtcReleaseDevice(device_);
}

void RayScene::check() const { fail(rtcGetDeviceError(device_)); }

void RayScene::fail(RTCError e) {
    if (e == RTC_ERROR_NONE) return;
    // The tracer reports an exception of its thread pool (a thread that
    // cannot start for want of address space) as unknown.
    if (e == RTC_ERROR_OUT_OF_MEMORY || e == RTC_ERROR_UNKNOWN) throw std::bad_alloc();
    throw std::runtime_error("the ray tracer failed (error " + std::to_string(int(e)) + ")");
}

void RayScene::commitOrAbandon(RTCScene& scene) {
    rtcCommitScene(scene);
    const RTCError e = rtcGetDeviceError(device_);  // reading it clears it
    if (e == RTC_ERROR_NONE) return;
    // A build that failed half-way leaves the tracer's scene with work it
    // never waited for, and releasing it then ends the process: it is
    // abandoned (its memory goes with the process) and the error reported.
    RTCScene failed = scene;
    scene = nullptr;
    abandoned_.store(true);
    for (auto it = shared_.begin(); it != shared_.end(); ++it)
        if (it->second == failed) {
            shared_.erase(it);
            break;
        }
    fail(e);
}

bool RayScene::Instanced(uint64_t triangles, const AffineMap& toWorld, uint32_t placements) {
    if (placements < 2 || triangles <= kLargestCopiedMesh) return false;
    for (int axis = 0; axis < 3; ++axis) {
        const float s = toWorld.axisScale(axis);
        if (!(s >= kSmallestInstanceScale && s <= kLargestInstanceScale)) return false;
    }
    return true;
}

void RayScene::addCopy(const TriangleMesh& mesh, const AffineMap& toWorld) {
    constexpr size_t kMostCounted = 0xFFFFFF00u;
    if (copyPositions_.size() / 3 + mesh.positions.size() > kMostCounted ||
        copyObject_.size() + mesh.triangleCount() > kMostCounted)
        throw std::length_error("more than 4 billion copied vertices or triangles");
    const uint32_t base = uint32_t(copyPositions_.size() / 3);
    for (const Vec3& p : mesh.positions) {
        const Vec3 w = toWorld.point(p) * scale_;
        copyPositions_.insert(copyPositions_.end(), {w.x, w.y, w.z});
    }
    for (const Vec3& n : mesh.normals) copyNormals_.push_back(toWorld.normal(n));
    copyStart_.resize(objects_ + 1);
    copyStart_[objects_] = {uint32_t(copyObject_.size()), base};
    for (uint32_t i : mesh.indices) copyIndices_.push_back(base + i);
    copyObject_.insert(copyObject_.end(), mesh.triangleCount(), objects_);
    ++objects_;
}

RTCScene RayScene::sharedStructure(const TriangleMesh& mesh) {
    auto found = shared_.find(&mesh);
    if (found != shared_.end()) return found->second;
    RTCScene structure = rtcNewScene(device_);
    check();
    shared_.emplace(&mesh, structure);
    rtcSetSceneBuildQuality(structure, RTC_BUILD_QUALITY_HIGH);
    RTCGeometry geom = rtcNewGeometry(device_, RTC_GEOMETRY_TYPE_TRIANGLE);
    check();
    // Buffers made by the ray tracer carry the slack past the last element it needs.
    auto* v = static_cast<float*>(rtcSetNewGeometryBuffer(geom, RTC_BUFFER_TYPE_VERTEX, 0, RTC_FORMAT_FLOAT3,
                                                          3 * sizeof(float), mesh.positions.size()));
    auto* idx = static_cast<uint32_t*>(rtcSetNewGeometryBuffer(geom, RTC_BUFFER_TYPE_INDEX, 0, RTC_FORMAT_UINT3,
                                                               3 * sizeof(uint32_t), mesh.triangleCount()));
    if (!v || !idx) {
        rtcReleaseGeometry(geom);
        check();
        throw std::bad_alloc();
    }
    // Shrunk with the scene, so that its instances keep their maps' linear part.
    for (size_t i = 0; i < mesh.positions.size(); ++i) {
        v[3 * i] = mesh.positions[i].x * scale_;
        v[3 * i + 1] = mesh.positions[i].y * scale_;
        v[3 * i + 2] = mesh.positions[i].z * scale_;
    }
    std::copy(mesh.indices.begin(), mesh.indices.end(), idx);
    rtcCommitGeometry(geom);
    rtcAttachGeometryByID(structure, geom, 0);
    rtcReleaseGeometry(geom);
    check();
    commitOrAbandon(structure);
    return structure;
}

void RayScene::addInstance(const TriangleMesh& mesh, const AffineMap& toWorld) {
    RTCScene structure = sharedStructure(mesh);
    RTCGeometry inst = rtcNewGeometry(device_, RTC_GEOMETRY_TYPE_INSTANCE);
    check();
    rtcSetGeometryInstancedScene(inst, structure);
    float m[12];
    toWorld.columnMajor(m);
    for (int k = 9; k < 12; ++k) m[k] *= scale_;  // the translation; the structure is shrunk already
    rtcSetGeometryTransform(inst, 0, RTC_FORMAT_FLOAT3X4_COLUMN_MAJOR, m);
    rtcCommitGeometry(inst);
    rtcAttachGeometryByID(scene_, inst, objects_);
    rtcReleaseGeometry(inst);
    check();
    ++objects_;
}

void RayScene::commit() {
    if (!copyObject_.empty()) {
        // Shared buffers need 16 bytes of slack past the last element.
        copyPositions_.resize(copyPositions_.size() + 4);
        copyIndices_.resize(copyIndices_.size() + 4);
        RTCGeometry geom = rtcNewGeometry(device_, RTC_GEOMETRY_TYPE_TRIANGLE);
        check();
        rtcSetSharedGeometryBuffer(geom, RTC_BUFFER_TYPE_VERTEX, 0, RTC_FORMAT_FLOAT3, copyPositions_.data(), 0,
                                   3 * sizeof(float), (copyPositions_.size() - 4) / 3);
        rtcSetSharedGeometryBuffer(geom, RTC_BUFFER_TYPE_INDEX, 0, RTC_FORMAT_UINT3, copyIndices_.data(), 0,
                                   3 * sizeof(uint32_t), copyObject_.size());
        rtcCommitGeometry(geom);
        rtcAttachGeometryByID(scene_, geom, objects_);  // past every instance's identity
        rtcReleaseGeometry(geom);
        check();
    }
    commitOrAbandon(scene_);
}

namespace {

// Fills the tracer's ray, scaled into its coordinates; false for a ray it
// cannot take.
bool setRay(RTCRay& r, const double origin[3], Vec3 dir, float tnear, float tfar, float scale) {
    for (int k = 0; k < 3; ++k)
        if (!(std::fabs(origin[k]) <= kFarthestOrigin) || !std::isfinite(dir[k])) return false;
    if ((dir.x == 0 && dir.y == 0 && dir.z == 0) || !(tnear >= 0 && tnear <= tfar)) return false;
    r.org_x = static_cast<float>(origin[0] * scale);
    r.org_y = static_cast<float>(origin[1] * scale);
    r.org_z = static_cast<float>(origin[2] * scale);
    r.dir_x = dir.x;
    r.dir_y = dir.y;
    r.dir_z = dir.z;
    r.tnear = tnear * scale;
    r.tfar = tfar * scale;
    r.time = 0;
    r.mask = 0xFFFFFFFFu;
    r.id = 0;
    r.flags = 0;
    return true;
}

}  // namespace

bool RayScene::intersect(const double origin[3], Vec3 dir, float tnear, float tfar, RayHit& hit) const {
    RTCIntersectContext ctx;
    rtcInitIntersectContext(&ctx);
    RTCRayHit rh;
    if (!setRay(rh.ray, origin, dir, tnear, tfar, scale_)) return false;
    rh.hit.geomID = RTC_INVALID_GEOMETRY_ID;
    rh.hit.primID = RTC_INVALID_GEOMETRY_ID;
    rh.hit.instID[0] = RTC_INVALID_GEOMETRY_ID;
    rtcIntersect1(scene_, &ctx, &rh);
    const float t = rh.ray.tfar * unscale_;
    if (rh.hit.geomID == RTC_INVALID_GEOMETRY_ID || !std::isfinite(t)) return false;
    hit.t = t;
    if (rh.hit.instID[0] != RTC_INVALID_GEOMETRY_ID) {
        hit.object = rh.hit.instID[0];
        hit.triangle = rh.hit.primID;
        hit.instance = true;
    } else {
        hit.object = copyObject_[rh.hit.primID];
        hit.triangle = rh.hit.primID - copyStart_[hit.object].triangle;
        hit.instance = false;
    }
    hit.b1 = rh.hit.u;
    hit.b2 = rh.hit.v;
    return true;
}

void RayScene::corners(const RayHit& hit, const TriangleMesh& mesh, const AffineMap& toWorld, Vec3 position[3],
                       Vec3 normal[3]) const {
    const uint32_t* tri = &mesh.indices[3 * hit.triangle];
    if (hit.instance) {
        for (int k = 0; k < 3; ++k) {
            position[k] = toWorld.point(mesh.positions[tri[k]]);
            normal[k] = toWorld.normal(mesh.normals[tri[k]]);
        }
        return;
    }
    const uint32_t base = copyStart_[hit.object].vertex;
    for (int k = 0; k < 3; ++k) {
        const float* p = &copyPositions_[3 * size_t(base + tri[k])];
        position[k] = Vec3{p[0], p[1], p[2]} * unscale_;
        normal[k] = copyNormals_[base + tri[k]];
    }
}

bool RayScene::occluded(const double origin[3], Vec3 dir, float tnear, float tfar) const {
    RTCIntersectContext ctx;
    rtcInitIntersectContext(&ctx);
    RTCRay r;
    if (!setRay(r, origin, dir, tnear, tfar, scale_)) return false;
    rtcOccluded1(scene_, &ctx, &r);
    return r.tfar < 0;  // Embree sets tfar to -inf when something is hit
}

}  // namespace kvr
