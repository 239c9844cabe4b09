// Scene, items, envelopes and the objects the scene hands out.
#include "core/scene.h"
#include "core/fault_injection.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/image.h"
#include "core/scene_objects.h"
#include "core/services.h"

namespace kvh {

double EvaluateKeys(const std::vector<Key>& keys, double x, double fallback) {
    if (keys.empty()) return fallback;
    if (x <= keys.front().input) return keys.front().value;
    if (x >= keys.back().input) return keys.back().value;
    for (size_t i = 1; i < keys.size(); ++i)
        if (x <= keys[i].input) {
            const Key& a = keys[i - 1];
            const Key& b = keys[i];
            double span = b.input - a.input;
            return span > 0 ? a.value + (b.value - a.value) * (x - a.input) / span : b.value;
        }
    return keys.back().value;
}

// ---- items ----
namespace {
KvResult ItemTestType(void* self, uint32_t code) {
    SceneItem* it = Owner<SceneItem>(self);
    return code != 0 && code == it->typeCode() ? KV_TRUE : KV_FALSE;
}
KvResult ItemContext(void* self, void** out) {
    if (!out) return KV_E_FAILED;
    Scene& s = Owner<SceneItem>(self)->scene();
    s.AddRef();
    *out = s.ptr();
    return KV_OK;
}
KvResult ItemLookup(void* self, const char* name, uint32_t* index) {
    if (!name || !index) return KV_E_FAILED;
    if (faults::Hit(FaultSite::ItemChannelLookup)) return kInjectedFault;
    int32_t i = Owner<SceneItem>(self)->ChannelIndex(name);
    if (i < 0) return KV_E_NOTFOUND;
    *index = uint32_t(i);
    return KV_OK;
}
const vt_IKvItem kItemTable = MakeTable<vt_IKvItem>([](vt_IKvItem& t) {
    t.TestType = &ItemTestType;
    t.Context = &ItemContext;
    t.ChannelLookup = &ItemLookup;
});
}  // namespace

SceneItem::SceneItem(Scene& scene, std::string name, std::string typeName, uint32_t typeCode,
                     std::vector<Channel> channels)
    : HostObject("SceneItem"),
      scene_(scene),
      name_(std::move(name)),
      typeName_(std::move(typeName)),
      typeCode_(typeCode),
      channels_(std::move(channels)),
      drivers_(channels_.size(), -1) {
    item_.Bind(this, &kItemTable);
}

void* SceneItem::Query(const st_KVtGUID& iid) {
    return IsAnyGuid(&iid) || IsGuid(iid, kv::guid_Item) ? item_.ptr() : nullptr;
}

int32_t SceneItem::ChannelIndex(const std::string& name) const {
    for (size_t i = 0; i < channels_.size(); ++i)
        if (channels_[i].name == name) return int32_t(i);
    return -1;
}
double SceneItem::Value(const std::string& name) const {
    int32_t i = ChannelIndex(name);
    return i < 0 ? 0.0 : channels_[i].value;
}
bool SceneItem::SetValue(const std::string& name, double v) {
    int32_t i = ChannelIndex(name);
    if (i < 0) return false;
    channels_[i].value = v;
    return true;
}
bool SceneItem::RemoveChannel(const std::string& name) {
    int32_t i = ChannelIndex(name);
    if (i < 0) return false;
    channels_.erase(channels_.begin() + i);
    drivers_.erase(drivers_.begin() + i);
    return true;
}
uint32_t SceneItem::AddChannel(Channel c) {
    channels_.push_back(std::move(c));
    drivers_.push_back(-1);
    return uint32_t(channels_.size() - 1);
}

// ---- scene ----
namespace {
KvResult SceneChannels(void* self, const char* action, double, void** out) {
    if (!out || !action) return KV_E_FAILED;
    Scene* s = Owner<Scene>(self);
    HostObject* o = nullptr;
    const st_KVtGUID* g = nullptr;
    if (std::strcmp(action, "setup") == 0) o = &s->setupAccess(), g = &kv::guid_ChannelWrite;
    else if (std::strcmp(action, "edit") == 0) o = &s->editAccess(), g = &kv::guid_ChannelRead;
    else return KV_E_NOTFOUND;
    o->AddRef();
    *out = o->Query(*g);
    return KV_OK;
}
KvResult SceneGraph(void* self, const char* name, void** out) {
    if (!out || !name) return KV_E_FAILED;
    if (faults::Hit(FaultSite::SceneGraph)) return kInjectedFault;
    Scene* s = Owner<Scene>(self);
    if (!s->graphAvailable || std::strcmp(name, "shadeLoc") != 0) return KV_E_NOTFOUND;
    s->graph().AddRef();
    *out = s->graph().Query(kv::guid_SceneGraph);
    return KV_OK;
}
KvResult SceneCamera(void* self, int32_t index, void** out) {
    if (!out) return KV_E_FAILED;
    if (faults::Hit(FaultSite::SceneCamera)) return kInjectedFault;
    SceneItem* cam = Owner<Scene>(self)->camera();
    if (index != 0) return KV_E_OUTOFBOUNDS;
    if (!cam) return KV_E_NOTFOUND;
    cam->AddRef();
    *out = cam->ptr();
    return KV_OK;
}
const vt_IKvScene kSceneTable = MakeTable<vt_IKvScene>([](vt_IKvScene& t) {
    t.GetChannels = &SceneChannels;
    t.GetGraph = &SceneGraph;
    t.RenderCameraByIndex = &SceneCamera;
});
}  // namespace

Scene::Scene(SceneService& types)
    : HostObject("Scene"),
      types_(types),
      setup_(NewChannelWriteAccess(*this)),
      edit_(NewChannelReadAccess(*this)),
      graph_(NewItemGraph(*this)) {
    scene_.Bind(this, &kSceneTable);
}

Scene::~Scene() { Clear(); }

void Scene::Clear() {
    for (auto& [k, e] : envelopes_) e->ReleaseOwned();
    envelopes_.clear();
    for (SceneItem* it : items_) it->ReleaseOwned();
    items_.clear();
    camera_ = nullptr;
    for (HostObject** o : {&setup_, &edit_, &graph_})
        if (*o) {
            (*o)->ReleaseOwned();
            *o = nullptr;
        }
}

void* Scene::Query(const st_KVtGUID& iid) {
    return IsAnyGuid(&iid) || IsGuid(iid, kv::guid_Scene) ? scene_.ptr() : nullptr;
}

SceneItem* Scene::CreateItem(const std::string& name, const std::string& typeName, std::vector<Channel> channels) {
    if (FindItem(name)) return nullptr;
    uint32_t code = types_.Register(typeName);
    auto* it = new SceneItem(*this, name, typeName, code, std::move(channels));
    items_.push_back(it);
    return it;
}

SceneItem* Scene::FindItem(const std::string& name) const {
    for (SceneItem* it : items_)
        if (it->name() == name) return it;
    return nullptr;
}

SceneItem* Scene::Resolve(vt_IKvUnknown** p) const {
    if (!p) return nullptr;
    for (SceneItem* it : items_)
        if (it->ptr() == p) return it;
    return nullptr;
}

namespace {
Channel FloatChannel(const char* name, double v) {
    Channel c;
    c.name = name;
    c.typeName = "float";
    c.value = c.defaultValue = v;
    return c;
}
Channel MatrixChannel() {
    Channel c;
    c.name = "worldMatrix";
    c.typeName = "matrix";
    c.object = ObjectValue::Matrix;
    return c;
}
}  // namespace

SceneItem* Scene::CreateCamera(const std::string& name, double focalLen, double apertureX, double apertureY,
                               double focusDist, const Mat4& world) {
    std::vector<Channel> ch = {FloatChannel("focalLen", focalLen), FloatChannel("apertureX", apertureX),
                               FloatChannel("apertureY", apertureY), FloatChannel("focusDist", focusDist),
                               MatrixChannel()};
    SceneItem* it = CreateItem(name, "camera", std::move(ch));
    if (it) {
        it->SetWorldMatrix(world);
        if (!camera_) camera_ = it;
        if (itemAdded) itemAdded(it);
    }
    return it;
}

SceneItem* Scene::CreateLocator(const std::string& name, const Mat4& world) {
    SceneItem* it = CreateItem(name, "locator", {MatrixChannel()});
    if (it) {
        it->SetWorldMatrix(world);
        if (itemAdded) itemAdded(it);
    }
    return it;
}

SceneItem* Scene::CreateClip(const std::string& name, std::shared_ptr<const ImageData> image) {
    Channel c;
    c.name = "imageStack";
    c.typeName = "imageStack";
    c.object = ObjectValue::ImageStack;
    SceneItem* it = CreateItem(name, "videoClip", {c});
    if (it) {
        it->SetImage(std::move(image));
        if (itemAdded) itemAdded(it);
    }
    return it;
}

Envelope* Scene::FindEnvelope(const SceneItem* item, uint32_t channel) const {
    auto it = envelopes_.find({item, channel});
    return it == envelopes_.end() ? nullptr : it->second;
}

Envelope& Scene::EnvelopeFor(SceneItem* item, uint32_t channel) {
    Envelope*& e = envelopes_[{item, channel}];
    if (!e) e = new Envelope();
    return *e;
}

void Scene::SetKeys(SceneItem* item, uint32_t channel, std::vector<Key> keys) {
    Envelope& e = EnvelopeFor(item, channel);
    e.keys.clear();
    for (const Key& k : keys) e.AddKey(k.input, k.value);
}

std::vector<Key> Scene::Keys(const SceneItem* item, uint32_t channel) const {
    Envelope* e = FindEnvelope(item, channel);
    return e ? e->keys : std::vector<Key>{};
}

void Scene::SetGradientOverride(const SceneItem* item, uint32_t channel, GradientFn fn, void* user) {
    gradientOverrides_[{item, channel}] = {fn, user};
}

std::pair<Scene::GradientFn, void*> Scene::GradientOverride(const SceneItem* item, uint32_t channel) const {
    auto it = gradientOverrides_.find({item, channel});
    return it == gradientOverrides_.end() ? std::pair<GradientFn, void*>{nullptr, nullptr} : it->second;
}

// ---- envelopes and keyframes ----
namespace {
KvResult EnvKeyframe(void* self, void** out) {
    if (!out) return KV_E_FAILED;
    Envelope* e = Owner<Envelope>(self);
    e->AddRef();
    *out = e->keyframe_.ptr();
    return KV_OK;
}
KvResult KeyAdd(void* self, double input, double value) {
    Owner<Envelope>(self)->AddKey(input, value);
    return KV_OK;
}
KvResult KeySlope(void* self, int32_t type, int32_t side) {
    Envelope* e = Owner<Envelope>(self);
    if (e->lastKey < 0) return KV_E_FAILED;
    e->keys[e->lastKey].slopeType = type;
    e->keys[e->lastKey].slopeSide = side;
    return KV_OK;
}
const vt_IKvEnvelope kEnvTable = MakeTable<vt_IKvEnvelope>([](vt_IKvEnvelope& t) { t.Keyframe = &EnvKeyframe; });
const vt_IKvKeyframe kKeyTable = MakeTable<vt_IKvKeyframe>([](vt_IKvKeyframe& t) {
    t.AddF = &KeyAdd;
    t.SetSlopeType = &KeySlope;
});
}  // namespace

Envelope::Envelope() : HostObject("Envelope") {
    env_.Bind(this, &kEnvTable);
    keyframe_.Bind(this, &kKeyTable);
}
void* Envelope::Query(const st_KVtGUID& iid) {
    if (IsAnyGuid(&iid) || IsGuid(iid, kv::guid_Envelope)) return env_.ptr();
    if (IsGuid(iid, kv::guid_Keyframe)) return keyframe_.ptr();
    return nullptr;
}
void Envelope::AddKey(double input, double value) {
    auto it = std::lower_bound(keys.begin(), keys.end(), input, [](const Key& k, double x) { return k.input < x; });
    if (it != keys.end() && it->input == input) {
        *it = Key{input, value};
    } else {
        it = keys.insert(it, Key{input, value});
    }
    lastKey = int32_t(it - keys.begin());
}

// ---- "setup" and "edit" access ----
namespace {
class ChannelAccess final : public HostObject {
public:
    ChannelAccess(Scene& s, bool write);
    void* Query(const st_KVtGUID& iid) override {
        if (IsAnyGuid(&iid) || IsGuid(iid, write ? kv::guid_ChannelWrite : kv::guid_ChannelRead)) return iface_.ptr();
        return nullptr;
    }
    Scene& scene;
    bool write;
    ComInterface iface_;

private:
    ~ChannelAccess() override = default;
};
KvResult WriteEnvelope(void* self, vt_IKvUnknown** item, uint32_t chan, void** out) {
    if (!out) return KV_E_FAILED;
    ChannelAccess* a = Owner<ChannelAccess>(self);
    SceneItem* it = a->scene.Resolve(item);
    if (!it) return KV_E_NOTFOUND;
    if (chan >= it->channels().size()) return KV_E_OUTOFBOUNDS;
    Envelope& e = a->scene.EnvelopeFor(it, chan);
    e.AddRef();
    *out = e.ptr();
    return KV_OK;
}
KvResult ReadEnvelope(void* self, vt_IKvUnknown** item, uint32_t chan, void** out) {
    if (!out) return KV_E_FAILED;
    ChannelAccess* a = Owner<ChannelAccess>(self);
    SceneItem* it = a->scene.Resolve(item);
    if (!it) return KV_E_NOTFOUND;
    if (chan >= it->channels().size()) return KV_E_OUTOFBOUNDS;
    Envelope* e = a->scene.FindEnvelope(it, chan);
    if (!e || e->keys.empty()) return KV_E_NOTFOUND;
    e->AddRef();
    *out = e->ptr();
    return KV_OK;
}
KvResult ReadInteger(void* self, vt_IKvUnknown** item, uint32_t chan, int32_t* value) {
    if (!value) return KV_E_FAILED;
    SceneItem* it = Owner<ChannelAccess>(self)->scene.Resolve(item);
    if (!it) return KV_E_NOTFOUND;
    if (chan >= it->channels().size()) return KV_E_OUTOFBOUNDS;
    *value = int32_t(std::lround(it->channels()[chan].value));
    return KV_OK;
}
const vt_IKvChannelWrite kWriteTable =
    MakeTable<vt_IKvChannelWrite>([](vt_IKvChannelWrite& t) { t.Envelope = &WriteEnvelope; });
const vt_IKvChannelRead kReadTable = MakeTable<vt_IKvChannelRead>([](vt_IKvChannelRead& t) {
    t.Envelope = &ReadEnvelope;
    t.Integer = &ReadInteger;
});
ChannelAccess::ChannelAccess(Scene& s, bool w) : HostObject("ChannelAccess"), scene(s), write(w) {
    iface_.Bind(this, w ? static_cast<const void*>(&kWriteTable) : static_cast<const void*>(&kReadTable));
}

// ---- "shadeLoc" graph ----
class ItemGraph final : public HostObject {
public:
    explicit ItemGraph(Scene& s);
    void* Query(const st_KVtGUID& iid) override {
        if (IsAnyGuid(&iid) || IsGuid(iid, kv::guid_SceneGraph)) return sceneGraph_.ptr();
        if (IsGuid(iid, kv::guid_ItemGraph)) return itemGraph_.ptr();
        return nullptr;
    }
    Scene& scene;
    ComInterface sceneGraph_;
    ComInterface itemGraph_;

private:
    ~ItemGraph() override = default;
};
KvResult GraphCount(void* self, vt_IKvUnknown** item, uint32_t* count) {
    if (!count) return KV_E_FAILED;
    if (faults::Hit(FaultSite::ItemGraphCount)) return kInjectedFault;
    SceneItem* it = Owner<ItemGraph>(self)->scene.Resolve(item);
    if (!it) return KV_E_NOTFOUND;
    *count = uint32_t(it->links().size());
    return KV_OK;
}
KvResult GraphByIndex(void* self, vt_IKvUnknown** item, uint32_t index, void** out) {
    if (!out) return KV_E_FAILED;
    if (faults::Hit(FaultSite::ItemGraphByIndex)) return kInjectedFault;
    SceneItem* it = Owner<ItemGraph>(self)->scene.Resolve(item);
    if (!it) return KV_E_NOTFOUND;
    if (index >= it->links().size()) return KV_E_OUTOFBOUNDS;
    SceneItem* to = it->links()[index];
    to->AddRef();
    *out = to->ptr();
    return KV_OK;
}
const vt_IKvSceneGraph kSceneGraphTable = MakeTable<vt_IKvSceneGraph>([](vt_IKvSceneGraph&) {});
const vt_IKvItemGraph kItemGraphTable = MakeTable<vt_IKvItemGraph>([](vt_IKvItemGraph& t) {
    t.FwdCount = &GraphCount;
    t.FwdByIndex = &GraphByIndex;
});
ItemGraph::ItemGraph(Scene& s) : HostObject("ItemGraph"), scene(s) {
    sceneGraph_.Bind(this, &kSceneGraphTable);
    itemGraph_.Bind(this, &kItemGraphTable);
}

// ---- matrix ----
class Matrix final : public HostObject {
public:
    explicit Matrix(const Mat4& m) : HostObject("Matrix"), value(m) { iface_.Bind(this, &kTable); }
    void* Query(const st_KVtGUID& iid) override {
        return IsAnyGuid(&iid) || IsGuid(iid, kv::guid_Matrix) ? iface_.ptr() : nullptr;
    }
    Mat4 value;
    ComInterface iface_;
    static const vt_IKvMatrix kTable;

private:
    ~Matrix() override = default;
};
// Slots 3, 4, 5 and 13 answer as CurrentMatrixAnswers() says: `write` runs
// unless nothing is to be written; the code follows the data unless a
// failing one is asked for.
template <class Write>
KvResult MatAnswer(Write write) {
    const MatrixAnswers answers = CurrentMatrixAnswers();
    if (answers == MatrixAnswers::SucceedingWithNothing) return KV_OK;
    const bool wrote = write();
    return answers == MatrixAnswers::FailingWithData || !wrote ? KV_E_FAILED : KV_OK;
}
KvResult MatGet3(void* self, double* m9) {
    if (!m9) return KV_E_FAILED;
    return MatAnswer([&] {
        const Mat4& m = Owner<Matrix>(self)->value;
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c) m9[r * 3 + c] = m.at(r, c);
        return true;
    });
}
KvResult MatGet4(void* self, double* m16) {
    if (!m16) return KV_E_FAILED;
    return MatAnswer([&] {
        std::memcpy(m16, Owner<Matrix>(self)->value.m.data(), 16 * sizeof(double));
        return true;
    });
}
KvResult MatOffset(void* self, double* t3) {
    if (!t3) return KV_E_FAILED;
    return MatAnswer([&] {
        const Mat4& m = Owner<Matrix>(self)->value;
        for (int c = 0; c < 3; ++c) t3[c] = m.at(3, c);
        return true;
    });
}
KvResult MatInvert(void* self) {
    Mat4& m = Owner<Matrix>(self)->value;
    return MatAnswer([&] {
        return CurrentMatrixAnswers() == MatrixAnswers::InvertingInFloat ? m.InvertInFloat() : m.Invert();
    });
}
const vt_IKvMatrix Matrix::kTable = MakeTable<vt_IKvMatrix>([](vt_IKvMatrix& t) {
    t.Get3 = &MatGet3;
    t.Get4 = &MatGet4;
    t.GetOffset = &MatOffset;
    t.Invert = &MatInvert;
});

// ---- gradient filter ----
class GradientFilter final : public HostObject {
public:
    GradientFilter(std::vector<Key> k, double f, Scene::GradientFn fn, void* user)
        : HostObject("GradientFilter"), keys(std::move(k)), fallback(f), fn(fn), user(user) {
        iface_.Bind(this, &kTable);
    }
    void* Query(const st_KVtGUID& iid) override {
        return IsAnyGuid(&iid) || IsGuid(iid, kv::guid_GradientFilter) ? iface_.ptr() : nullptr;
    }
    std::vector<Key> keys;
    double fallback;
    Scene::GradientFn fn;
    void* user;
    ComInterface iface_;
    static const vt_IKvGradientFilter kTable;

private:
    ~GradientFilter() override = default;
};
double GradEvaluate(void* self, double x) {
    GradientFilter* g = Owner<GradientFilter>(self);
    return g->fn ? g->fn(g->user, x) : EvaluateKeys(g->keys, x, g->fallback);
}
const vt_IKvGradientFilter GradientFilter::kTable =
    MakeTable<vt_IKvGradientFilter>([](vt_IKvGradientFilter& t) { t.Evaluate = &GradEvaluate; });

}  // namespace

HostObject* NewChannelWriteAccess(Scene& s) { return new ChannelAccess(s, true); }
HostObject* NewChannelReadAccess(Scene& s) { return new ChannelAccess(s, false); }
HostObject* NewItemGraph(Scene& s) { return new ItemGraph(s); }
HostObject* NewMatrix(const Mat4& m) { return new Matrix(m); }
vt_IKvUnknown** MatrixPtr(HostObject* m) { return static_cast<Matrix*>(m)->iface_.ptr(); }
HostObject* NewGradientFilter(std::vector<Key> keys, double fallback, Scene::GradientFn fn, void* user) {
    return new GradientFilter(std::move(keys), fallback, fn, user);
}

}  // namespace kvh
