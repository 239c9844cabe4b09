// A small in-process scene for the shared pattern code's tests: items with
// channels, a "shadeLoc" graph, a render camera, an evaluation that records
// what is added, attributes that answer floats and world matrices, and a ray
// object. Every object counts its references; the root context (GUID,
// thread and scene services) is handed to the module's globals once.
#pragma once

#include <array>
#include <cstring>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <framework/framework.h>
#include <framework/this_module.h>
#include <kv/kv_guids.h>

namespace fake {

// A host object: its method table, its count and the interfaces it answers.
struct Obj {
    const void* vt;
    const st_KVtGUID* iid;
    const st_KVtGUID* iid2 = nullptr;
    int refs = 1;

    vt_IKvUnknown** ptr() { return reinterpret_cast<vt_IKvUnknown**>(this); }
};

inline Obj* O(void* self) { return static_cast<Obj*>(self); }
inline uint32_t AddRef(void* self) { return ++O(self)->refs; }
inline uint32_t Release(void* self) { return --O(self)->refs; }
inline KvResult Query(void* self, const st_KVtGUID* g, void** out) {
    Obj* o = O(self);
    *out = nullptr;
    if (kv::GUIDCompare(g, o->iid) != 0 && !(o->iid2 && kv::GUIDCompare(g, o->iid2) == 0)) return KV_E_NOINTERFACE;
    ++o->refs;
    *out = self;
    return KV_OK;
}
inline constexpr vt_IKvUnknown kUnknown{Query, AddRef, Release};

// Item type codes of the scene service.
enum : uint32_t { kLocatorType = 11, kClipType = 12, kCameraType = 13, kMeshType = 14 };

struct Scene;

struct Item : Obj {
    uint32_t type;
    Scene* scene = nullptr;
    std::map<std::string, uint32_t> channels;

    Item(uint32_t typeCode, std::initializer_list<const char*> names) : Obj{&kVt, &kv::guid_Item}, type(typeCode) {
        uint32_t i = 0;
        for (const char* n : names) channels[n] = i++;
    }
    static const vt_IKvItem kVt;
};

struct Graph : Obj {
    std::vector<Item*> links;  // forward links of the material, in order
    Graph() : Obj{&kVt, &kv::guid_ItemGraph, &kv::guid_SceneGraph} {}
    static const vt_IKvItemGraph kVt;
};

struct Scene : Obj {
    Item* camera = nullptr;
    Graph* graph = nullptr;
    Scene() : Obj{&kVt, &kv::guid_Scene} {}
    static const vt_IKvScene kVt;
};

inline const vt_IKvItem Item::kVt = [] {
    vt_IKvItem t{};
    t.unk = kUnknown;
    t.TestType = [](void* s, uint32_t code) -> KvResult {
        return static_cast<Item*>(s)->type == code ? KV_TRUE : KV_FALSE;
    };
    t.Context = [](void* s, void** out) -> KvResult {
        Scene* scene = static_cast<Item*>(s)->scene;
        if (!scene) return KV_E_NOTFOUND;
        ++scene->refs;
        *out = scene;
        return KV_OK;
    };
    t.ChannelLookup = [](void* s, const char* name, uint32_t* index) -> KvResult {
        auto& ch = static_cast<Item*>(s)->channels;
        auto it = ch.find(name);
        if (it == ch.end()) return KV_E_NOTFOUND;
        *index = it->second;
        return KV_OK;
    };
    return t;
}();

inline const vt_IKvItemGraph Graph::kVt = [] {
    vt_IKvItemGraph t{};
    t.unk = kUnknown;
    t.FwdCount = [](void* s, vt_IKvUnknown**, uint32_t* n) -> KvResult {
        *n = static_cast<uint32_t>(static_cast<Graph*>(s)->links.size());
        return KV_OK;
    };
    t.FwdByIndex = [](void* s, vt_IKvUnknown**, uint32_t i, void** out) -> KvResult {
        auto& links = static_cast<Graph*>(s)->links;
        if (i >= links.size() || !links[i]) return KV_E_NOTFOUND;
        ++links[i]->refs;
        *out = links[i];
        return KV_OK;
    };
    return t;
}();

inline const vt_IKvScene Scene::kVt = [] {
    vt_IKvScene t{};
    t.unk = kUnknown;
    t.GetGraph = [](void* s, const char* name, void** out) -> KvResult {
        Graph* g = static_cast<Scene*>(s)->graph;
        if (!g || std::strcmp(name, "shadeLoc") != 0) return KV_E_NOTFOUND;
        ++g->refs;
        *out = g;
        return KV_OK;
    };
    t.RenderCameraByIndex = [](void* s, int32_t index, void** out) -> KvResult {
        Item* cam = static_cast<Scene*>(s)->camera;
        if (!cam || index != 0) return KV_E_NOTFOUND;
        ++cam->refs;
        *out = cam;
        return KV_OK;
    };
    return t;
}();

// How a matrix answers its slots: with the data and a code that says so,
// with the data and a failing code, or with success and nothing written.
enum class Answers { Honest, FailingWithData, SucceedingWithNothing };

// 4x4 row-vector matrix [[R, 0], [t, 1]]; Invert fails when R is singular,
// or answers with `inverse` when one is set (a host whose inverse is inexact).
struct Matrix : Obj {
    std::array<double, 16> m{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    Answers answers = Answers::Honest;
    std::optional<std::array<double, 16>> inverse;
    Matrix() : Obj{&kVt, &kv::guid_Matrix} {}

    // Runs `write` unless nothing is to be written; the code as `answers` says.
    template <class Write>
    static KvResult Answer(void* s, Write write) {
        const Answers a = static_cast<Matrix*>(s)->answers;
        if (a == Answers::SucceedingWithNothing) return KV_OK;
        const bool wrote = write(static_cast<Matrix*>(s)->m);
        return a == Answers::FailingWithData || !wrote ? KV_E_FAILED : KV_OK;
    }
    static const vt_IKvMatrix kVt;

    static Matrix Frame(const double r[9], const double t[3]) {
        Matrix x;
        for (int i = 0; i < 3; ++i) {
            for (int j = 0; j < 3; ++j) x.m[i * 4 + j] = r[i * 3 + j];
            x.m[12 + i] = t[i];
        }
        return x;
    }
};

inline const vt_IKvMatrix Matrix::kVt = [] {
    vt_IKvMatrix t{};
    t.unk = kUnknown;
    t.Get3 = [](void* s, double* r) -> KvResult {
        return Matrix::Answer(s, [&](auto& m) {
            for (int i = 0; i < 3; ++i)
                for (int j = 0; j < 3; ++j) r[i * 3 + j] = m[i * 4 + j];
            return true;
        });
    };
    t.GetOffset = [](void* s, double* o) -> KvResult {
        return Matrix::Answer(s, [&](auto& m) {
            for (int i = 0; i < 3; ++i) o[i] = m[12 + i];
            return true;
        });
    };
    t.Invert = [](void* s) -> KvResult {
        const auto& planted = static_cast<Matrix*>(s)->inverse;
        return Matrix::Answer(s, [&](auto& m) {
            if (planted) {
                m = *planted;
                return true;
            }
            auto a = [&](int i, int j) { return m[i * 4 + j]; };
            double inv[9] = {a(1, 1) * a(2, 2) - a(1, 2) * a(2, 1), a(0, 2) * a(2, 1) - a(0, 1) * a(2, 2),
                             a(0, 1) * a(1, 2) - a(0, 2) * a(1, 1), a(1, 2) * a(2, 0) - a(1, 0) * a(2, 2),
                             a(0, 0) * a(2, 2) - a(0, 2) * a(2, 0), a(0, 2) * a(1, 0) - a(0, 0) * a(1, 2),
                             a(1, 0) * a(2, 1) - a(1, 1) * a(2, 0), a(0, 1) * a(2, 0) - a(0, 0) * a(2, 1),
                             a(0, 0) * a(1, 1) - a(0, 1) * a(1, 0)};
            const double det = a(0, 0) * inv[0] + a(0, 1) * inv[3] + a(0, 2) * inv[6];
            if (det == 0.0) return false;
            const double t0 = m[12], t1 = m[13], t2 = m[14];
            for (int i = 0; i < 3; ++i)
                for (int j = 0; j < 3; ++j) m[i * 4 + j] = inv[i * 3 + j] / det;
            for (int j = 0; j < 3; ++j) m[12 + j] = -(t0 * m[j] + t1 * m[4 + j] + t2 * m[8 + j]);
            return true;
        });
    };
    return t;
}();

// Records each channel added; an unknown channel index fails with the
// host's not-found code.
struct Evaluation : Obj {
    struct Added {
        Item* item;
        uint32_t chan;
        uint32_t mode;
    };
    std::vector<Added> added;
    Evaluation() : Obj{&kVt, &kv::guid_Evaluation} {}
    static const vt_IKvEvaluation kVt;
};

inline const vt_IKvEvaluation Evaluation::kVt = [] {
    vt_IKvEvaluation t{};
    t.unk = kUnknown;
    t.AddChannel = [](void* s, vt_IKvUnknown** item, uint32_t chan, uint32_t mode, uint32_t* out) -> KvResult {
        auto* e = static_cast<Evaluation*>(s);
        if (chan == 0xFFFFFFFFu) return KV_E_NOTFOUND;
        *out = static_cast<uint32_t>(e->added.size());
        e->added.push_back({reinterpret_cast<Item*>(item), chan, mode});
        return KV_OK;
    };
    return t;
}();

// Integers, floats and world matrices by evaluation index; each matrix read
// hands out a fresh copy (the reader inverts it in place).
struct Attributes : Obj {
    std::map<uint32_t, int32_t> ints;
    std::map<uint32_t, double> floats;
    std::map<uint32_t, Matrix> matrices;
    std::deque<Matrix> handedOut;
    Attributes() : Obj{&kVt, &kv::guid_Attributes} {}
    static const vt_IKvAttributes kVt;
};

inline const vt_IKvAttributes Attributes::kVt = [] {
    vt_IKvAttributes t{};
    t.unk = kUnknown;
    t.Value = [](void* s, uint32_t index, void** out, int32_t) -> KvResult {
        auto* a = static_cast<Attributes*>(s);
        auto it = a->matrices.find(index);
        if (it == a->matrices.end()) return KV_E_NOTFOUND;
        a->handedOut.push_back(it->second);
        a->handedOut.back().refs = 1;
        *out = &a->handedOut.back();
        return KV_OK;
    };
    t.GetInt = [](void* s, uint32_t index, int32_t* v) -> KvResult {
        auto* a = static_cast<Attributes*>(s);
        auto it = a->ints.find(index);
        if (it == a->ints.end()) return KV_E_NOTFOUND;
        *v = it->second;
        return KV_OK;
    };
    t.GetFlt = [](void* s, uint32_t index, double* v) -> KvResult {
        auto* a = static_cast<Attributes*>(s);
        auto it = a->floats.find(index);
        if (it == a->floats.end()) return KV_E_NOTFOUND;
        *v = it->second;
        return KV_OK;
    };
    return t;
}();

// Pixel, in-pixel position and one normal for every screen offset; records
// the offsets asked for.
struct Rays : Obj {
    int pixel[2] = {0, 0};
    float sub[2] = {0.0f, 0.0f};
    float seen[3] = {0.0f, 0.0f, 0.0f};
    std::vector<std::array<float, 2>> offsets;
    Rays() : Obj{&kVt, &kv::guid_Raycast1} {}
    static const vt_IKvRaycast1 kVt;
};

inline const vt_IKvRaycast1 Rays::kVt = [] {
    vt_IKvRaycast1 t{};
    t.unk = kUnknown;
    t.NormalAtOffset = [](void* s, float dx, float dy, vt_IKvUnknown**, int32_t, float* n) -> KvResult {
        auto* r = static_cast<Rays*>(s);
        r->offsets.push_back({dx, dy});
        for (int i = 0; i < 3; ++i) n[i] = r->seen[i];
        return KV_OK;
    };
    t.Pixel = [](void* s, vt_IKvUnknown**, int32_t* x, int32_t* y) -> KvResult {
        *x = static_cast<Rays*>(s)->pixel[0];
        *y = static_cast<Rays*>(s)->pixel[1];
        return KV_OK;
    };
    t.SubPixel = [](void* s, vt_IKvUnknown**, float* fx, float* fy) -> KvResult {
        *fx = static_cast<Rays*>(s)->sub[0];
        *fy = static_cast<Rays*>(s)->sub[1];
        return KV_OK;
    };
    return t;
}();

// The root context: GUID, thread, scene, packet and nodal services.
// Installed in the module's globals once per test program and kept until it
// ends. A sample vector is plain memory: a packet's address is the vector's
// plus the packet's offset. Every channel added for per-sample driving is
// driven, to `drivenValue`.
struct Root : Obj {
    Obj guids{&kGuidVt, &kv::guid_Unknown};
    Obj threads{&kThreadVt, &kv::guid_Unknown};
    Obj scenes{&kSceneSvcVt, &kv::guid_SceneService};
    Obj packets{&kPacketVt, &kv::guid_PacketService};
    Obj nodal{&kNodalVt, &kv::guid_NodalService};
    Obj mutex{&kMutexVt, &kv::guid_Unknown};
    std::deque<st_KVtGUID> fixed;
    std::map<std::string, int32_t> packetOffsets;
    double drivenValue = 0.0;

    Root() : Obj{&kRootVt, &kv::guid_Unknown} {}

    static Root& Install() {
        if (!s_root) {
            s_root = new Root;
            thisModule.InitGlobal(s_root->ptr());
        }
        return *s_root;
    }

private:
    static inline Root* s_root = nullptr;
    static Root* R(void* s) { return static_cast<Root*>(s); }
    static KvResult RootQuery(void* s, const st_KVtGUID* g, void** out) {
        Root* r = R(s);
        st_KVtGUID guidSvc, threadSvc;
        kv::GUIDFromText("B11826F1-A6BC-48B4-909B-5F6D01938327", &guidSvc);
        kv::GUIDFromText("0A9D5B42-1DA6-42A4-8FC4-01FCCE939AC4", &threadSvc);
        Obj* hit = nullptr;
        if (kv::GUIDCompare(g, &guidSvc) == 0) hit = &r->guids;
        else if (kv::GUIDCompare(g, &threadSvc) == 0) hit = &r->threads;
        else if (kv::GUIDCompare(g, &kv::guid_SceneService) == 0) hit = &r->scenes;
        else if (kv::GUIDCompare(g, &kv::guid_PacketService) == 0) hit = &r->packets;
        else if (kv::GUIDCompare(g, &kv::guid_NodalService) == 0) hit = &r->nodal;
        *out = hit;
        if (!hit) return KV_E_NOINTERFACE;
        ++hit->refs;
        return KV_OK;
    }
    static const st_KVtGUID* Fixed(void*, const char* text) {
        st_KVtGUID g;
        if (!kv::GUIDFromText(text, &g)) return nullptr;
        s_root->fixed.push_back(g);
        return &s_root->fixed.back();
    }
    static inline const vt_IKvUnknown kRootVt{RootQuery, AddRef, Release};
    static inline const vt_IKvGUIDService kGuidVt{
        kUnknown, Fixed, nullptr, nullptr, [](void*, const st_KVtGUID* g) -> const st_KVtGUID* { return g; }};
    static inline const vt_IKvThreadService kThreadVt = [] {
        vt_IKvThreadService t{};
        t.unk = kUnknown;
        t.CreateMutex = [](void*, void** out) -> KvResult {
            ++s_root->mutex.refs;
            *out = &s_root->mutex;
            return KV_OK;
        };
        t.AtomicIncrement = [](void*, int32_t* v) { return ++*v; };
        t.AtomicDecrement = [](void*, int32_t* v) { return --*v; };
        return t;
    }();
    static inline const vt_IKvMutex kMutexVt{kUnknown, [](void*) -> KvResult { return KV_OK; },
                                             [](void*) -> KvResult { return KV_OK; }};
    static inline const vt_IKvPacketService kPacketVt = [] {
        vt_IKvPacketService t{};
        t.unk = kUnknown;
        t.Lookup = [](void*, const char*, const char* name, int32_t* offset) -> KvResult {
            auto it = s_root->packetOffsets.find(name);
            if (it == s_root->packetOffsets.end()) return KV_E_NOTFOUND;
            *offset = it->second;
            return KV_OK;
        };
        t.FastPacket = [](void*, vt_IKvUnknown** vector, int32_t offset) -> void* {
            return vector && offset >= 0 ? reinterpret_cast<char*>(vector) + offset : nullptr;
        };
        return t;
    }();
    static inline const vt_IKvNodalService kNodalVt = [] {
        vt_IKvNodalService t{};
        t.unk = kUnknown;
        t.AddSampleChan = [](void*, vt_IKvUnknown**, vt_IKvUnknown**, uint32_t chan, int32_t* idx,
                             int32_t) -> KvResult {
            idx[chan] = 0;
            return KV_OK;
        };
        t.GetFloat = [](void*, vt_IKvUnknown**, int32_t* idx, uint32_t chan, double current) {
            return idx && idx[chan] >= 0 ? s_root->drivenValue : current;
        };
        t.AnyDrivenChans = [](void*, int32_t* first, uint32_t count) -> int32_t {
            for (uint32_t i = 0; i < count; ++i)
                if (first[i] >= 0) return 1;
            return 0;
        };
        return t;
    }();
    static inline const vt_IKvSceneService kSceneSvcVt = [] {
        vt_IKvSceneService t{};
        t.unk = kUnknown;
        t.ItemTypeLookup = [](void*, const char* name, uint32_t* code) -> KvResult {
            static const std::map<std::string, uint32_t> types = {
                {"locator", kLocatorType}, {"videoClip", kClipType}, {"camera", kCameraType}, {"mesh", kMeshType}};
            auto it = types.find(name);
            if (it == types.end()) return KV_E_NOTFOUND;
            *code = it->second;
            return KV_OK;
        };
        return t;
    }();
};

}  // namespace fake
