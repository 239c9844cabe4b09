#include "renderer.h"

#include <tbb/enumerable_thread_specific.h>
#include <tbb/parallel_for.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>

#include "host_lighting.h"
#include "render_arena.h"
#include "sample_pattern.h"

namespace kvr {

struct ThreadState {
    ThreadState(kvh::RayHooks* hooks, const kvh::PacketLayout& layout, uint32_t maxDepth)
        : pool(layout, maxDepth), contexts(maxDepth + 1), rays(new kvh::RayObject(hooks)) {
        for (auto& c : contexts) c.thread = this;
    }
    ~ThreadState() { rays->ReleaseOwned(); }
    ThreadState(const ThreadState&) = delete;
    ThreadState& operator=(const ThreadState&) = delete;
    kvh::VectorPool pool;
    std::vector<SampleContext> contexts;  // one per nesting depth
    // The ray object this thread's samples get: shaders take a reference to it
    // per sample, and one object shared by every thread would make its
    // reference count the hottest cache line of the render.
    kvh::RayObject* rays;
};

namespace {

constexpr uint32_t kTile = 16;
constexpr float kFar = 1e30f;

template <class T>
T* packet(const kvh::SampleVector& v, kvh::HostPacket p) {
    return v.Packet<T>(p);
}

void set3(float* dst, Vec3 v) {
    dst[0] = v.x;
    dst[1] = v.y;
    dst[2] = v.z;
}

Vec3 get3(const float* s) { return {s[0], s[1], s[2]}; }

}  // namespace

namespace {

// Whether a mesh has texture coordinates to speak of: not every vertex at
// the same (u, v), as a mesh read without any is.
bool hasTextureCoordinates(const TriangleMesh& mesh) {
    for (const UV& uv : mesh.uvs)
        if (uv.u != mesh.uvs.front().u || uv.v != mesh.uvs.front().v) return true;
    return false;
}

}  // namespace

Renderer::Renderer(const RenderScene& scene, const kvh::PacketLayout& layout,
                   std::vector<const kvh::MaterialRoad*> roadsByObject)
    : scene_(scene), layout_(layout), roads_(std::move(roadsByObject)),
      grid_(sampleGrid(scene.settings.spp)) {
    roads_.resize(scene_.objects.size(), nullptr);
    drawsFlat_.resize(roads_.size(), 0);
    for (size_t i = 0; i < roads_.size(); ++i)
        drawsFlat_[i] = roads_[i] && roads_[i]->DrawsInTextureCoordinates() &&
                        scene_.objects[i]->mesh && !hasTextureCoordinates(*scene_.objects[i]->mesh);
}

Renderer::~Renderer() = default;

void ThreadStateDeleter::operator()(ThreadState* ts) const { delete ts; }

ThreadStatePtr Renderer::NewThreadState() {
    return ThreadStatePtr(new ThreadState(this, layout_, scene_.settings.maxDepth));
}

kvh::SampleVector& Renderer::PrimaryVector(ThreadState& ts) { return ts.pool.primary(); }

vt_IKvUnknown** Renderer::RayObjectOf(ThreadState& ts) { return ts.rays->ptr(); }

SampleContext& Renderer::ContextOf(kvh::SampleVector& v) const {
    return *static_cast<SampleContext*>(v.header.traceContext);
}

Vec3 Renderer::CameraDirection(const kvh::SampleVector& v, float dx, float dy) const {
    double x = v.header.pixelX + double(v.header.subX) + dx;
    double y = v.header.pixelY + double(v.header.subY) + dy;
    return scene_.camera.direction(x, y);
}

bool Renderer::CastCamera(Vec3 dir, SurfacePoint& sp) const {
    const double* eye = scene_.camera.position;
    RayHit hit;
    if (!scene_.rays->intersect(eye, dir, 0.0f, kFar, hit)) return false;
    sp = resolveHit(scene_, hit, eye, dir);
    return true;
}

void Renderer::FillGeometry(kvh::SampleVector& v, const double origin[3], Vec3 dir, uint32_t flags,
                            const SurfacePoint* sp) const {
    auto* ray = packet<st_KVpSampleRay>(v, kvh::HostPacket::SampleRay);
    for (int k = 0; k < 3; ++k) ray->origin[k] = origin[k];
    set3(ray->dir, dir);
    set3(ray->color, {});
    set3(ray->cone, {});
    ray->dist = sp ? sp->t : 0.0f;
    ray->flags = flags;
    ray->depth = v.header.depth;

    auto* nrm = packet<st_KVpSurfaceNormal>(v, kvh::HostPacket::SurfaceNormal);
    auto* pos = packet<st_KVpSamplePosition>(v, kvh::HostPacket::SamplePosition);
    if (sp) {
        set3(nrm->rawNormal, sp->rawNormal);
        set3(nrm->geoNormal, sp->geoNormal);
        set3(nrm->normal, sp->normal);
        for (int k = 0; k < 3; ++k) pos->pos[k] = sp->position[k];
    } else {
        set3(nrm->rawNormal, {});
        set3(nrm->geoNormal, {});
        set3(nrm->normal, {});
        for (int k = 0; k < 3; ++k) pos->pos[k] = origin[k] + double(dir[k]) * kFar;
    }
    set3(nrm->reserved, {});
    auto* rc = packet<st_KVpRaycast>(v, kvh::HostPacket::Raycast);
    rc->depth = v.header.depth;
}

Vec3 Renderer::TraceOn(kvh::SampleVector& parent, const double origin[3], Vec3 dir, uint32_t flags) {
    kvh::SampleVector* nested = parent.pool->PushNested(&parent);
    if (!nested) return {};
    SampleContext& ctx = ContextOf(parent).thread->contexts[nested->header.depth];
    nested->header.traceContext = &ctx;
    RayHit hit;
    Vec3 colour;
    if (scene_.rays->intersect(origin, dir, 0.0f, kFar, hit)) {
        SurfacePoint sp = resolveHit(scene_, hit, origin, dir);
        colour = ShadeInto(*nested, origin, dir, flags, &sp);
    } else {
        colour = ShadeInto(*nested, origin, dir, flags, nullptr);
    }
    parent.pool->PopNested(&parent);
    return colour;
}

Vec3 Renderer::ShadeInto(kvh::SampleVector& v, const double origin[3], Vec3 dir, uint32_t flags,
                         const SurfacePoint* sp) {
    SampleContext& ctx = ContextOf(v);
    ctx.hit = sp != nullptr;
    if (sp) ctx.surface = *sp;
    FillGeometry(v, origin, dir, flags, sp);
    auto* ray = packet<st_KVpSampleRay>(v, kvh::HostPacket::SampleRay);
    if (!sp) {
        set3(ray->color, scene_.background);
        return scene_.background;
    }

    const RenderObject& obj = *scene_.objects[sp->object];
    const HostSurface& s = obj.surface;
    auto* parms = packet<st_KVpSampleParms>(v, kvh::HostPacket::SampleParms);
    *parms = st_KVpSampleParms{};
    set3(parms->diffCol, s.diffuse);
    set3(parms->specCol, s.specular);
    set3(parms->reflCol, s.reflection);
    set3(parms->tranCol, {1, 1, 1});
    parms->diffAmt = s.diffuseAmount;
    parms->specAmt = s.specularAmount;
    parms->reflAmt = s.reflectionAmount;
    parms->tranAmt = s.transparency;
    parms->specExp = s.specularExponent;
    auto* res = packet<st_KVpCameraResolution>(v, kvh::HostPacket::CameraResolution);
    res->width = scene_.camera.width;
    res->height = scene_.camera.height;
    auto* tex = packet<st_KVpTextureInput>(v, kvh::HostPacket::TextureInput);
    *tex = st_KVpTextureInput{};
    set3(tex->uvw, {sp->uv.u, sp->uv.v, 0});
    tex->u = sp->uv.u;
    tex->v = sp->uv.v;

    st_KVpShadeComponents sc{};
    HostLighting light = lightSurface(scene_, *sp, s, dir);
    set3(sc.diffLit, light.diffuseShadowed);
    set3(sc.indirect, light.indirect);
    set3(sc.diffUnshad, light.diffuseUnshadowed);
    set3(sc.diff, light.diffuseShadowed + light.indirect);
    set3(sc.spec, light.specular);

    const float eps = surfaceEpsilon(*sp);
    if (s.reflectionAmount > 0) {
        Vec3 r = normalize(dir - sp->normal * (2.0f * dot(sp->normal, dir)));
        double start[3];
        for (int k = 0; k < 3; ++k) start[k] = sp->position[k] + double(sp->geoNormal[k]) * eps;
        Vec3 c = TraceOn(v, start, r, KV_RAY_TRACED | KV_RAY_REFLECTION);
        set3(sc.refl, s.reflection * c * s.reflectionAmount);
    }
    if (s.transparency > 0) {
        double start[3];
        for (int k = 0; k < 3; ++k) start[k] = sp->position[k] - double(sp->geoNormal[k]) * eps;
        Vec3 c = TraceOn(v, start, dir, KV_RAY_TRACED | KV_RAY_REFRACTION);
        set3(sc.tran, c * s.transparency);
    }

    st_KVpShadeOutput out{};
    Vec3 sum = get3(sc.diff) + get3(sc.spec) + get3(sc.refl) + get3(sc.tran) + get3(sc.subs) + get3(sc.lumi);
    set3(out.color, sum);
    out.alpha = 1.0f;
    const uint32_t px = uint32_t(v.header.pixelX), py = uint32_t(v.header.pixelY);
    if (const kvh::MaterialRoad* road = roads_[sp->object]) {
        v.pool->InitializePluginPackets(v);
        if (road->Shade(v, ctx.thread->rays->ptr(), sc, out) != 0) unbalanced_.note(sp->object, px, py);
        if (drawsFlat_[sp->object]) flatTexture_.note(sp->object, px, py);
    }
    Vec3 colour = get3(out.color);
    if (roads_[sp->object] && !(std::isfinite(colour.x) && std::isfinite(colour.y) && std::isfinite(colour.z)))
        nonFinite_.note(sp->object, px, py);
    set3(ray->color, colour);
    return colour;
}

Vec3 Renderer::ShadeSample(ThreadState& ts, uint32_t x, uint32_t y, uint32_t sample) {
    SubPixel sub = samplePosition(x, y, sample, grid_);
    kvh::SampleVector& v = ts.pool.BeginSample(int32_t(x), int32_t(y), sub.x, sub.y, sample);
    v.SetAllPresent(true);
    v.header.traceContext = &ts.contexts[0];
    SurfacePoint sp;
    const Vec3 dir = CameraDirection(v, 0, 0);
    const bool hit = CastCamera(dir, sp);
    return ShadeInto(v, scene_.camera.position, dir, KV_RAY_CAMERA, hit ? &sp : nullptr);
}

float Renderer::Trace(kvh::SampleVector& into, const double* origin, const float* dirIn, uint32_t flags) {
    kvh::SampleVector* parent = into.header.parent;
    if (!parent || !parent->header.traceContext) return 0.0f;
    SampleContext& parentCtx = ContextOf(*parent);
    into.header.traceContext = &parentCtx.thread->contexts[into.header.depth];
    Vec3 dir = normalize(get3(dirIn));
    if (length(dir) == 0) {
        FillGeometry(into, origin, dir, flags, nullptr);
        return 0.0f;
    }

    float tnear = 0.0f;
    uint32_t rayFlags = flags | KV_RAY_TRACED;
    if ((flags & KV_RAY_SEETHROUGH) && (flags & KV_RAY_PROBE) != KV_RAY_PROBE) {
        // The ray starts at the eye: skip everything up to the surface being shaded.
        if (parentCtx.hit) {
            const double* p = parentCtx.surface.position;
            double along = 0;
            for (int k = 0; k < 3; ++k) along += (p[k] - origin[k]) * double(dir[k]);
            if (along > 0) tnear = float(along) + 2.0f * surfaceEpsilon(parentCtx.surface);
        }
        rayFlags = KV_RAY_TRACED | KV_RAY_REFRACTION;
    }

    RayHit hit;
    const bool found = scene_.rays->intersect(origin, dir, tnear, kFar, hit);
    SurfacePoint sp;
    if (found) sp = resolveHit(scene_, hit, origin, dir);
    if ((flags & KV_RAY_PROBE) == KV_RAY_PROBE) {
        // Probe rays: geometry only.
        SampleContext& ctx = ContextOf(into);
        ctx.hit = found;
        if (found) ctx.surface = sp;
        FillGeometry(into, origin, dir, flags, found ? &sp : nullptr);
        return found ? sp.t : 0.0f;
    }
    ShadeInto(into, origin, dir, rayFlags, found ? &sp : nullptr);
    return found ? sp.t : 0.0f;
}

KvResult Renderer::SurfaceAt(kvh::SampleVector& v, float dx, float dy, st_KVpSurfaceRecord& rec) {
    SurfacePoint sp;
    if (!CastCamera(CameraDirection(v, dx, dy), sp)) {
        kvh::BackgroundSurface(rec);
        return KV_OK;
    }
    rec = st_KVpSurfaceRecord{};
    set3(rec.normal, sp.normal);
    for (int k = 0; k < 3; ++k) rec.position[k] = float(sp.position[k]);
    rec.depth = scene_.camera.depth(sp.position);
    rec.surfaceId = sp.surfaceId;
    rec.segmentId = sp.segmentId;
    return KV_OK;
}

KvResult Renderer::NormalAt(kvh::SampleVector& v, float dx, float dy, float* normal3) {
    SurfacePoint sp;
    if (!CastCamera(CameraDirection(v, dx, dy), sp)) {
        set3(normal3, {});
        return KV_E_NOTFOUND;
    }
    set3(normal3, sp.normal);
    return KV_OK;
}

namespace {

// Prints "render: NN%" on stderr once the render has run for a second.
class ProgressLine {
public:
    ProgressLine(bool enabled, uint32_t total, uint32_t threads) : total_(total), threads_(threads) {
        if (enabled) worker_ = std::thread([this] { Run(); });
    }
    ~ProgressLine() {
        {
            std::lock_guard<std::mutex> lock(m_);
            done_ = true;
        }
        cv_.notify_all();
        if (worker_.joinable()) worker_.join();
    }
    void Tick() { done_count_.fetch_add(1, std::memory_order_relaxed); }

private:
    void Run() {
        auto start = std::chrono::steady_clock::now();
        bool printed = false;
        std::unique_lock<std::mutex> lock(m_);
        while (!cv_.wait_for(lock, std::chrono::milliseconds(250), [this] { return done_; })) {
            if (std::chrono::steady_clock::now() - start < std::chrono::seconds(1)) continue;
            std::fprintf(stderr, "\rrender: %3u%%", 100u * done_count_.load() / std::max(total_, 1u));
            printed = true;
        }
        if (printed) {
            double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            std::fprintf(stderr, "\rrender: 100%% in %.1f s on %u thread%s\n", secs, threads_, threads_ == 1 ? "" : "s");
        }
    }
    uint32_t total_, threads_;
    std::atomic<uint32_t> done_count_{0};
    std::mutex m_;
    std::condition_variable cv_;
    bool done_ = false;
    std::thread worker_;
};

}  // namespace

ImageBuffer Renderer::Render(uint32_t threads, bool progress) {
    const uint32_t w = scene_.camera.width, h = scene_.camera.height;
    const uint32_t spp = std::max(scene_.settings.spp, 1u);
    ImageBuffer image(w, h);
    const uint32_t tilesX = (w + kTile - 1) / kTile, tilesY = (h + kTile - 1) / kTile;
    const uint32_t tiles = tilesX * tilesY;
    for (SampleCounter* c : {&nonFinite_, &unbalanced_, &flatTexture_}) c->clear();
    tbb::enumerable_thread_specific<ThreadStatePtr> states([this] { return NewThreadState(); });
    RenderArena arena(threads);
    threads_ = arena.threads();
    ProgressLine line(progress, tiles, threads_);
    arena.execute([&] {
        tbb::parallel_for(uint32_t(0), tiles, [&](uint32_t t) {
            ThreadState& ts = *states.local();
            const uint32_t x0 = (t % tilesX) * kTile, y0 = (t / tilesX) * kTile;
            for (uint32_t y = y0; y < std::min(y0 + kTile, h); ++y)
                for (uint32_t x = x0; x < std::min(x0 + kTile, w); ++x) {
                    Vec3 sum;
                    for (uint32_t s = 0; s < spp; ++s) sum += ShadeSample(ts, x, y, s);
                    image.at(x, y) = sum * (1.0f / float(spp));
                }
            line.Tick();
        });
    });
    return image;
}

std::vector<MaterialSamples> Renderer::ByMaterial(const SampleCounter& counter) const {
    std::vector<MaterialSamples> out;
    const SampleTally total = counter.sum();
    const auto& entries = total.entries();
    for (size_t i = 0; i < entries.size() && i < roads_.size(); ++i) {
        if (!entries[i].samples || !roads_[i]) continue;
        auto same = std::find_if(out.begin(), out.end(), [&](const MaterialSamples& m) { return m.road == roads_[i]; });
        if (same == out.end()) same = out.insert(out.end(), {roads_[i], i, {}});
        SampleTally::merge(same->samples, entries[i]);
    }
    return out;
}

std::vector<MaterialSamples> Renderer::NonFiniteByMaterial() const { return ByMaterial(nonFinite_); }
std::vector<MaterialSamples> Renderer::UnbalancedByMaterial() const { return ByMaterial(unbalanced_); }

std::vector<MaterialSamples> Renderer::FlatTextureByObject() const {
    std::vector<MaterialSamples> out;
    const SampleTally total = flatTexture_.sum();
    for (size_t i = 0; i < total.entries().size() && i < roads_.size(); ++i)
        if (total.entries()[i].samples) out.push_back({roads_[i], i, total.entries()[i]});
    return out;
}

std::vector<std::string> Renderer::Warnings(
    const std::function<std::string(const kvh::MaterialRoad*)>& materialName) const {
    auto firstPixel = [](const MaterialSamples& m) {
        return "first at pixel " + std::to_string(m.samples.x) + ", " + std::to_string(m.samples.y);
    };
    std::vector<std::string> out;
    for (const MaterialSamples& m : NonFiniteByMaterial())
        out.push_back("material '" + materialName(m.road) + "': " + std::to_string(m.samples.samples) +
                      " samples not finite, drawn black (" + firstPixel(m) + ")");
    for (const MaterialSamples& m : UnbalancedByMaterial())
        out.push_back("material '" + materialName(m.road) + "': in " + std::to_string(m.samples.samples) +
                      " samples its Raycast slot 3 calls were not matched by slot 4 calls, which a host would pile "
                      "up (" + firstPixel(m) + ")");
    for (const MaterialSamples& m : FlatTextureByObject())
        out.push_back("object '" + scene_.objects[m.object]->name + "' has no texture coordinates, and its material '" +
                      materialName(m.road) + "' draws in texture coordinates: its pattern fills the object flat (" +
                      std::to_string(m.samples.samples) + " samples, " + firstPixel(m) + ")");
    return out;
}

}  // namespace kvr
