#include "stress/harness.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <sstream>

#include "core/image.h"
#include "core/scene_objects.h"
#include "core/services.h"

namespace kvs {
namespace {

bool Finite3(const float* f) { return std::isfinite(f[0]) && std::isfinite(f[1]) && std::isfinite(f[2]); }

std::string Floats(const float* f, size_t n) {
    std::ostringstream s;
    s << "(";
    for (size_t i = 0; i < n; ++i) s << (i ? ", " : "") << f[i];
    s << ")";
    return s.str();
}

const char* const kComponentNames[9] = {"diffuse", "diffuse lit", "indirect", "diffuse unshadowed", "specular",
                                        "reflection", "transmission", "subsurface", "luminous"};

// Indices a host should never pass, and some it may.
int32_t RandomEffectIndex(Rng& r, uint32_t count, bool* inside) {
    int32_t n = int32_t(count);
    int32_t i;
    switch (r.Below(8)) {
        case 0: i = n; break;
        case 1: i = n + r.Range(1, 100); break;
        case 2: i = -1; break;
        case 3: i = -r.Range(2, 1000); break;
        case 4: i = r.Chance(0.5) ? std::numeric_limits<int32_t>::min() : std::numeric_limits<int32_t>::max(); break;
        default: i = n > 0 ? r.Range(0, n - 1) : -1; break;
    }
    *inside = i >= 0 && i < n;
    return i;
}

// Random calls of the packet effect on the material's packet.
void EffectCalls(Kit& kit, const MaterialInfo& m, void* packet, ValueSource& src, std::vector<Finding>* found,
                 std::string* log) {
    const auto* fx = kit.effect.table<vt_IKvPacketEffect>();
    Rng& r = src.rng();
    uint32_t calls = 1 + r.Below(4);
    for (uint32_t c = 0; c < calls; ++c) {
        bool inside = false;
        int32_t index = RandomEffectIndex(r, m.effectCount, &inside);
        const EffectValue* ev = nullptr;
        for (const EffectValue& e : m.effects)
            if (e.index == index) ev = &e;
        uint32_t floats = ev ? ev->floats() : 3;
        std::ostringstream where;
        where << "index " << index << " of " << m.effectCount;
        switch (r.Below(3)) {
            case 0: {  // ByIndex
                const char* sentinel = "untouched";
                const char *name = sentinel, *type = sentinel;
                int32_t flags = 0x5A5A;
                fx->ByIndex(kit.effect.get(), index, &name, &type, &flags);
                if (!inside && (name != sentinel || type != sentinel || flags != 0x5A5A))
                    found->push_back({"pfx_ByIndex writes outside the table", where.str()});
                break;
            }
            case 1: {  // Get into a buffer with guards after the value
                float buf[6];
                const float guard = -12345.5f;
                for (float& f : buf) f = guard;
                fx->Get(kit.effect.get(), index, packet, buf, nullptr);
                size_t keep = inside ? floats : 0;
                for (size_t i = keep; i < 6; ++i)
                    if (std::memcmp(&buf[i], &guard, sizeof guard) != 0) {
                        found->push_back({inside ? "pfx_Get writes past its value" : "pfx_Get writes outside the table",
                                          where.str() + ", float " + std::to_string(i) + " written"});
                        break;
                    }
                break;
            }
            default: {  // Set from a buffer of exactly the value's size
                std::unique_ptr<float[]> values(new float[floats]);
                const std::string type = ev ? ev->type : "float";
                for (uint32_t i = 0; i < floats; ++i) values[i] = float(src.Float(type, 0.5));
                std::vector<uint8_t> before;
                if (!inside && kit.ownSize) before.assign(static_cast<uint8_t*>(packet), static_cast<uint8_t*>(packet) + kit.ownSize);
                fx->Set(kit.effect.get(), index, packet, values.get(), nullptr);
                *log += " Set(" + std::to_string(index) + ", " + Floats(values.get(), floats) + ")";
                if (!before.empty() && std::memcmp(before.data(), packet, before.size()) != 0)
                    found->push_back({"pfx_Set writes outside the table", where.str()});
                break;
            }
        }
    }
}

// The render camera's focal length, apertures and focus distance.
constexpr double kCameraLens[4] = {0.05, 0.036, 0.024, 5.0};

}  // namespace

Kit::~Kit() {
    effect.Reset();
    pool.reset();
    if (rayObject) rayObject->ReleaseOwned();
}

bool Kit::Open(const std::string& pluginFile, std::string* err) {
    kvh::HostError he;
    lib = session.LoadPlugin(pluginFile, &he);
    if (!lib) {
        *err = he.message;
        return false;
    }
    pool = std::make_unique<kvh::VectorPool>(session.Layout());
    rayObject = new kvh::RayObject(&rays);
    kvh::Scene& scene = session.scene();
    const double eye[3] = {0, 0, -5}, target[3] = {0, 0, 0}, up[3] = {0, 1, 0};
    kvh::Mat4 view;
    kvh::Mat4::LookAt(eye, target, up, &view);
    camera = scene.CreateCamera("kvstress.camera", kCameraLens[0], kCameraLens[1], kCameraLens[2], kCameraLens[3], view);
    scene.CreateClip(kClipName, kvh::ProceduralHatching(64, 64));
    scene.CreateLocator(kLocatorName, kvh::Mat4::Translation(0.5, 0.25, 1.0));
    scene.CreateLocator(kSecondLocatorName, kvh::Mat4::Translation(-0.4, -0.3, 2.0));
    return true;
}

void Kit::NewPool() {
    pool.reset();
    pool = std::make_unique<kvh::VectorPool>(session.Layout());
}

void Kit::SetCameraZero(bool zero) {
    if (!camera) return;
    const char* lens[4] = {"focalLen", "apertureX", "apertureY", "focusDist"};
    for (int i = 0; i < 4; ++i) camera->SetValue(lens[i], zero ? 0.0 : kCameraLens[i]);
}

void Kit::Bind(const MaterialInfo& m) {
    const kvh::PacketLayout& layout = session.Layout();
    ownOffset = layout.OffsetOf(m.packet.c_str());
    ownIndex = ownOffset < 0 ? -1 : layout.IndexAtOffset(ownOffset);
    ownSize = ownIndex < 0 ? 0 : layout.packets()[uint32_t(ownIndex)].size;
    effect = FindEffect(*lib, m.packet);
}

std::unique_ptr<kvh::MaterialRoad> Kit::Road(const MaterialInfo& m, kvh::MaterialRoad::Options o) const {
    return kvh::MaterialRoad::Create(const_cast<kvh::Session&>(session), *lib, m.server, std::move(o));
}

void ShadeRandomSample(Kit& kit, const kvh::MaterialRoad& road, const MaterialInfo& m, ValueSource& src,
                       const ShadeOptions& opt, std::vector<Finding>* found, ShadeStats* stats) {
    ShadeStats ignored;
    ShadeStats& st = stats ? *stats : ignored;
    ++st.samples;
    Rng& r = src.rng();
    kit.rays.SetSource(&src);
    kvh::SampleVector& v = BeginRandomSample(*kit.pool, src, opt.dropPackets);
    if (opt.dropPackets && kit.ownIndex >= 0 && r.Chance(0.15)) v.SetPresent(uint32_t(kit.ownIndex), false);
    st_KVpShadeComponents sc;
    st_KVpShadeOutput out;
    FillShading(src, sc, out);

    const st_KVpShadeComponents scIn = sc;
    const st_KVpShadeOutput outIn = out;
    // Everything outside the material's own packet must come back unchanged.
    const uint32_t total = v.layout->totalSize();
    std::vector<uint8_t> before(v.data, v.data + total);
    bool manual = opt.effectCalls && kit.effect && r.Chance(0.5);
    std::string effectLog;
    const kvh::VectorPool::NestedMark nested = kit.pool->MarkNested();
    int32_t imbalance = 0;
    if (!manual) {
        imbalance = road.Shade(v, kit.rayObject->ptr(), sc, out);
    } else {
        ++st.effectCalls;
        const auto* t = reinterpret_cast<const vt_IKvCustomMaterial*>(*road.material());
        std::vector<int32_t> idx = road.indexArray();
        kvh::Evaluator& e = kit.pool->evaluator();
        e.current = &v;
        t->MaterialEvaluate(road.material(), e.ptr(), idx.data(), v.ptr(), road.block());
        if (void* packet = v.PacketAt(kit.ownOffset)) EffectCalls(kit, m, packet, src, found, &effectLog);
        t->ShaderEvaluate(road.material(), v.ptr(), kit.rayObject->ptr(), &sc, &out, road.block());
        imbalance = kit.pool->NestedImbalance(nested);
        kit.pool->RestoreNested(nested);
    }
    kit.rays.SetSource(nullptr);
    if (imbalance != 0) found->push_back(UnbalancedVectors(imbalance));

    for (uint32_t i = 0; i < total; ++i) {
        bool own = kit.ownOffset >= 0 && i >= uint32_t(kit.ownOffset) && i < uint32_t(kit.ownOffset) + kit.ownSize;
        if (!own && v.data[i] != before[i]) {
            int32_t at = -1;
            for (const kvh::PacketInfo& p : v.layout->packets())
                if (i >= p.offset) at = int32_t(&p - v.layout->packets().data());
            const kvh::PacketInfo& p = v.layout->packets()[uint32_t(at)];
            std::ostringstream d;
            d << "byte " << (i - p.offset) << " of the slot of packet '" << p.name << "' (size " << p.size
              << ") changed" << (manual ? " (evaluations driven with packet-effect calls)" : "");
            found->push_back({p.name == m.packet ? "write past the material's own packet"
                                                 : "write into a packet the material does not own",
                              d.str()});
            break;
        }
    }
    const float* comp = reinterpret_cast<const float*>(&sc);
    if (!src.taint().tame()) {
        bool finite = Finite3(out.color);
        for (int c = 0; c < 9; ++c) finite = finite && Finite3(comp + 3 * c);
        st.nonFiniteWild += finite ? 0 : 1;
        return;
    }
    ++st.tame;
    size_t foundBefore = found->size();
    if (!Finite3(out.color))
        found->push_back({"non-finite output from tame inputs", "output colour " + Floats(out.color, 3)});
    for (int c = 0; c < 9; ++c)
        if (!Finite3(comp + 3 * c)) {
            found->push_back({"non-finite shading component from tame inputs",
                              std::string(kComponentNames[c]) + " " + Floats(comp + 3 * c, 3)});
            break;
        }
    if (found->size() == foundBefore) return;
    // The inputs of the sample, for the owner of the material.
    std::ostringstream in;
    const float* ci = reinterpret_cast<const float*>(&scIn);
    in << "; inputs: components";
    for (int c = 0; c < 9; ++c) in << " " << Floats(ci + 3 * c, 3);
    in << ", output preset " << Floats(outIn.color, 3);
    if (const auto* p = v.Packet<st_KVpSampleParms>(kvh::HostPacket::SampleParms))
        in << ", sample.parms diffuse " << Floats(p->diffCol, 3) << " amounts " << Floats(&p->diffAmt, 4);
    else
        in << ", no sample.parms";
    if (const auto* n = v.Packet<st_KVpSurfaceNormal>(kvh::HostPacket::SurfaceNormal))
        in << ", normal " << Floats(n->normal, 3);
    if (const auto* ray = v.Packet<st_KVpSampleRay>(kvh::HostPacket::SampleRay)) in << ", ray dir " << Floats(ray->dir, 3);
    if (!effectLog.empty()) in << "; packet-effect calls:" << effectLog;
    (*found)[foundBefore].detail += in.str();
}

Finding UnbalancedVectors(int32_t imbalance) {
    const std::string n = std::to_string(imbalance < 0 ? -imbalance : imbalance);
    return {"Raycast slot 3 and slot 4 do not match in a sample",
            imbalance > 0 ? "slot 3 made " + n + " more vectors than slot 4 ended (a host piles them up)"
                          : "slot 4 was called " + n + " more times than slot 3 made vectors"};
}

void CheckReadCalls(const kvh::MaterialRoad& road, std::vector<Finding>* found) {
    if (road.wrongMonitors())
        found->push_back({"wrong monitor handed to ImageFilter slot 4",
                          "ReadChannels handed the clip's filter another monitor than the one StdDialogService "
                          "slot 4 opened (" + std::to_string(road.wrongMonitors()) + " reads)"});
}

void CheckRoadReleased(kvh::Session& s, const kvh::SceneItem* item, int64_t liveBefore, std::vector<Finding>* found) {
    int64_t expected = liveBefore;
    if (item) {
        ++expected;
        if (item->RefCount() != 1)
            found->push_back({"host reference not released",
                              "material item holds " + std::to_string(item->RefCount()) + " references, expected 1"});
        for (uint32_t c = 0; c < item->channels().size(); ++c)
            if (const kvh::Envelope* e = s.scene().FindEnvelope(item, c)) {
                ++expected;
                if (e->RefCount() != 1)
                    found->push_back({"host reference not released", "envelope of '" + item->channels()[c].name +
                                                                         "' holds " + std::to_string(e->RefCount()) +
                                                                         " references"});
            }
    }
    int64_t live = kvh::LiveHostObjects();
    if (live != expected)
        found->push_back({"host reference not released", std::to_string(live - expected) +
                                                             " host objects outlive the road: " +
                                                             kvh::LiveHostObjectReport()});
}

}  // namespace kvs
