// Root context and the host services.
#include "core/services.h"
#include "core/fault_injection.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>

#include "core/scene.h"
#include "core/session.h"

namespace kvh {

const st_KVtGUID kGuidServiceGuid = {0xB11826F1, 0xA6BC, 0x48B4, {0x90, 0x9B, 0x5F, 0x6D, 0x01, 0x93, 0x83, 0x27}};

namespace {
int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}
// Serves only the interface GUID given (and "any").
void* Serve(const st_KVtGUID& iid, const st_KVtGUID& own, ComInterface& iface) {
    return IsAnyGuid(&iid) || IsGuid(iid, own) ? iface.ptr() : nullptr;
}
}  // namespace

bool ParseGuid(const char* t, st_KVtGUID* out) {
    if (!t) return false;
    uint8_t b[16];
    int n = 0;
    for (int i = 0; i < 36; ++i) {
        if (t[i] == '\0') return false;
        if (i == 8 || i == 13 || i == 18 || i == 23) {
            if (t[i] != '-') return false;
            continue;
        }
        int hi = HexDigit(t[i]), lo = HexDigit(t[i + 1]);
        if (hi < 0 || lo < 0) return false;
        b[n++] = uint8_t(hi * 16 + lo);
        ++i;
    }
    if (t[36] != '\0') return false;
    out->d1 = uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | b[3];
    out->d2 = uint16_t(b[4] << 8 | b[5]);
    out->d3 = uint16_t(b[6] << 8 | b[7]);
    std::memcpy(out->d4, b + 8, 8);
    return true;
}

std::string FormatGuid(const st_KVtGUID& g) {
    char s[40];
    std::snprintf(s, sizeof s, "%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X", g.d1, g.d2, g.d3, g.d4[0],
                  g.d4[1], g.d4[2], g.d4[3], g.d4[4], g.d4[5], g.d4[6], g.d4[7]);
    return s;
}

// ---- GUID service ----
namespace {
const st_KVtGUID* GuidFixed(void* self, const char* text) { return Owner<GuidService>(self)->FromText(text); }
const st_KVtGUID* GuidCanonical(void* self, const st_KVtGUID* g) { return Owner<GuidService>(self)->Canonical(g); }
const vt_IKvGUIDService kGuidTable = MakeTable<vt_IKvGUIDService>([](vt_IKvGUIDService& t) {
    t.Fixed = &GuidFixed;
    t.Canonical = &GuidCanonical;
});
}  // namespace

GuidService::GuidService() : HostObject("GuidService") {
    iface_.Bind(this, &kGuidTable);
    for (const st_KVtGUID* g :
         {&kGuidServiceGuid, &kv::guid_Unknown, &kv::guid_Module, &kv::guid_TagDescription, &kv::guid_NeedContext,
          &kv::guid_CustomMaterial, &kv::guid_ChannelUI, &kv::guid_VectorPacket, &kv::guid_PacketEffect,
          &kv::guid_SceneItemListener, &kv::guid_ThreadService, &kv::guid_PacketService, &kv::guid_NodalService,
          &kv::guid_SceneService, &kv::guid_ListenerService, &kv::guid_ImageService, &kv::guid_ShaderService,
          &kv::guid_StdDialogService, &kv::guid_AddChannel, &kv::guid_Attributes, &kv::guid_ChannelRead,
          &kv::guid_ChannelWrite, &kv::guid_Envelope, &kv::guid_Evaluation, &kv::guid_GradientFilter,
          &kv::guid_Image, &kv::guid_ImageFilter, &kv::guid_Item, &kv::guid_ItemGraph, &kv::guid_Keyframe,
          &kv::guid_Matrix, &kv::guid_Message, &kv::guid_Monitor, &kv::guid_Raycast, &kv::guid_Raycast1,
          &kv::guid_Scene, &kv::guid_SceneGraph, &kv::guid_UIHints})
        records_.push_back(*g);
}

void* GuidService::Query(const st_KVtGUID& iid) { return Serve(iid, kGuidServiceGuid, iface_); }

const st_KVtGUID* GuidService::Find(const st_KVtGUID& g) const {
    for (const auto& r : records_)
        if (IsGuid(r, g)) return &r;
    return nullptr;
}

const st_KVtGUID* GuidService::FromText(const char* text) {
    st_KVtGUID g;
    if (!ParseGuid(text, &g)) return nullptr;
    std::lock_guard<std::mutex> lock(mutex_);
    if (const st_KVtGUID* r = Find(g)) return r;
    records_.push_back(g);
    return &records_.back();
}

const st_KVtGUID* GuidService::Canonical(const st_KVtGUID* g) {
    if (!g) return nullptr;
    std::lock_guard<std::mutex> lock(mutex_);
    return Find(*g);
}

// ---- thread service ----
namespace {
class Mutex final : public HostObject {
public:
    Mutex();
    void* Query(const st_KVtGUID& iid) override { return IsAnyGuid(&iid) ? iface_.ptr() : nullptr; }
    std::mutex m;
    ComInterface iface_;

private:
    ~Mutex() override = default;
};
KvResult MutexEnter(void* self) {
    Owner<Mutex>(self)->m.lock();
    return KV_OK;
}
KvResult MutexLeave(void* self) {
    Owner<Mutex>(self)->m.unlock();
    return KV_OK;
}
const vt_IKvMutex kMutexTable = MakeTable<vt_IKvMutex>([](vt_IKvMutex& t) {
    t.Enter = &MutexEnter;
    t.Leave = &MutexLeave;
});
Mutex::Mutex() : HostObject("Mutex") { iface_.Bind(this, &kMutexTable); }

KvResult ThreadCreateMutex(void*, void** out) {
    if (!out) return KV_E_FAILED;
    *out = (new Mutex())->iface_.ptr();
    return KV_OK;
}
int32_t ThreadInc(void*, int32_t* p) { return p ? std::atomic_ref<int32_t>(*p).fetch_add(1) + 1 : 0; }
int32_t ThreadDec(void*, int32_t* p) { return p ? std::atomic_ref<int32_t>(*p).fetch_sub(1) - 1 : 0; }
const vt_IKvThreadService kThreadTable = MakeTable<vt_IKvThreadService>([](vt_IKvThreadService& t) {
    t.CreateMutex = &ThreadCreateMutex;
    t.AtomicIncrement = &ThreadInc;
    t.AtomicDecrement = &ThreadDec;
});
}  // namespace

ThreadService::ThreadService() : HostObject("ThreadService") { iface_.Bind(this, &kThreadTable); }
void* ThreadService::Query(const st_KVtGUID& iid) { return Serve(iid, kv::guid_ThreadService, iface_); }

// ---- packet service ----
namespace {
thread_local PacketLookupLog* tLookupLog = nullptr;

KvResult PacketLookup(void* self, const char* category, const char* name, int32_t* offset) {
    if (!offset) return KV_E_FAILED;
    *offset = -1;
    if (tLookupLog && name) tLookupLog->Add(name);
    if (faults::Hit(FaultSite::PacketLookup)) return kInjectedFault;
    if (!category || !name || std::strcmp(category, "sample") != 0) return KV_E_NOTFOUND;
    int32_t off = Owner<PacketService>(self)->session().Layout().OffsetOf(name);
    if (off < 0) return KV_E_NOTFOUND;
    *offset = off;
    return KV_OK;
}
void* PacketFast(void*, vt_IKvUnknown** vector, int32_t offset) {
    SampleVector* v = SampleVector::From(vector);
    return v ? v->PacketAt(offset) : nullptr;
}
const vt_IKvPacketService kPacketTable = MakeTable<vt_IKvPacketService>([](vt_IKvPacketService& t) {
    t.Lookup = &PacketLookup;
    t.FastPacket = &PacketFast;
});
}  // namespace

PacketService::PacketService(Session& s) : HostObject("PacketService"), session_(s) {
    iface_.Bind(this, &kPacketTable);
}
void* PacketService::Query(const st_KVtGUID& iid) { return Serve(iid, kv::guid_PacketService, iface_); }

PacketLookupLog::PacketLookupLog() : outer_(tLookupLog) { tLookupLog = this; }
PacketLookupLog::~PacketLookupLog() { tLookupLog = outer_; }
bool PacketLookupLog::Asked(const std::string& name) const {
    return std::find(names_.begin(), names_.end(), name) != names_.end();
}

// ---- scene service ----
namespace {
KvResult TypeLookup(void* self, const char* name, uint32_t* code) {
    if (!code) return KV_E_FAILED;
    if (!name) return KV_E_NOTFOUND;
    uint32_t c = Owner<SceneService>(self)->Lookup(name);
    if (c == 0) return KV_E_NOTFOUND;
    *code = c;
    return KV_OK;
}
const vt_IKvSceneService kSceneSvcTable =
    MakeTable<vt_IKvSceneService>([](vt_IKvSceneService& t) { t.ItemTypeLookup = &TypeLookup; });
}  // namespace

SceneService::SceneService() : HostObject("SceneService") {
    iface_.Bind(this, &kSceneSvcTable);
    for (const char* t : {"videoClip", "locator", "camera", "light", "mesh"}) Register(t);
}
void* SceneService::Query(const st_KVtGUID& iid) { return Serve(iid, kv::guid_SceneService, iface_); }
uint32_t SceneService::Register(const std::string& name) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = codes_.find(name);
    if (it != codes_.end()) return it->second;
    uint32_t code = uint32_t(codes_.size()) + 1;
    codes_[name] = code;
    return code;
}
uint32_t SceneService::Lookup(const std::string& name) const {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = codes_.find(name);
    return it == codes_.end() ? 0 : it->second;
}

// ---- evaluator ----
namespace {
const vt_IKvUnknown kEvaluatorTable = MakeTable<vt_IKvUnknown>([](vt_IKvUnknown&) {});
}
Evaluator::Evaluator() : HostObject("Evaluator") { iface_.Bind(this, &kEvaluatorTable); }
void* Evaluator::Query(const st_KVtGUID& iid) { return IsAnyGuid(&iid) ? iface_.ptr() : nullptr; }
Evaluator* Evaluator::From(vt_IKvUnknown** p) {
    if (!p || *p != &kEvaluatorTable) return nullptr;
    return Owner<Evaluator>(p);
}

// ---- nodal service ----
namespace {
KvResult NodalAdd(void* self, vt_IKvUnknown**, vt_IKvUnknown** item, uint32_t chan, int32_t* idx, int32_t mode) {
    NodalService* n = Owner<NodalService>(self);
    n->registrations.push_back({chan, mode});
    SceneItem* it = n->session().scene().Resolve(item);
    if (!it || !idx || chan >= it->channels().size()) return KV_E_OUTOFBOUNDS;
    int32_t d = chan < it->drivers().size() ? it->drivers()[chan] : -1;
    if (d >= 0) idx[chan] = d;
    return KV_OK;
}
// Slots 5 and 6 run for every sample-linked channel of every sample. The
// common case (a channel nothing drives) stays a leaf: the driven value and
// the recording for tests are out of line and reached by tail calls.
[[gnu::noinline]] double DrivenValue(void* self, vt_IKvUnknown** evaluator, int32_t driver, double current) {
    Evaluator* e = Evaluator::From(evaluator);
    if (!e || !e->current) return current;
    return Owner<NodalService>(self)->DriverValue(driver, e->current);
}
double FloatValue(void* self, vt_IKvUnknown** evaluator, int32_t* idx, uint32_t chan, double current) {
    if (!idx || idx[chan] < 0) return current;
    return DrivenValue(self, evaluator, idx[chan], current);
}
int32_t IntValue(void* self, vt_IKvUnknown** evaluator, int32_t* idx, uint32_t chan, int32_t current) {
    if (!idx || idx[chan] < 0) return current;
    const Evaluator* e = Evaluator::From(evaluator);
    if (!e || !e->current) return current;
    return int32_t(std::lround(Owner<NodalService>(self)->DriverValue(idx[chan], e->current)));
}
[[gnu::noinline, gnu::cold]] double RecordedFloat(void* self, vt_IKvUnknown** evaluator, int32_t* idx, uint32_t chan,
                                                  double current) {
    Owner<NodalService>(self)->valueReads->push_back(chan);
    return FloatValue(self, evaluator, idx, chan, current);
}
[[gnu::noinline, gnu::cold]] int32_t RecordedInt(void* self, vt_IKvUnknown** evaluator, int32_t* idx, uint32_t chan,
                                                 int32_t current) {
    Owner<NodalService>(self)->valueReads->push_back(chan);
    return IntValue(self, evaluator, idx, chan, current);
}
double NodalFloat(void* self, vt_IKvUnknown** evaluator, int32_t* idx, uint32_t chan, double current) {
    if (Owner<NodalService>(self)->valueReads) [[unlikely]]
        return RecordedFloat(self, evaluator, idx, chan, current);
    return FloatValue(self, evaluator, idx, chan, current);
}
int32_t NodalInt(void* self, vt_IKvUnknown** evaluator, int32_t* idx, uint32_t chan, int32_t current) {
    if (Owner<NodalService>(self)->valueReads) [[unlikely]]
        return RecordedInt(self, evaluator, idx, chan, current);
    return IntValue(self, evaluator, idx, chan, current);
}
int32_t NodalAny(void*, int32_t* first, uint32_t count) {
    if (!first) return 0;
    for (uint32_t i = 0; i < count; ++i)
        if (first[i] >= 0) return 1;
    return 0;
}
const vt_IKvNodalService kNodalTable = MakeTable<vt_IKvNodalService>([](vt_IKvNodalService& t) {
    t.AddSampleChan = &NodalAdd;
    t.GetFloat = &NodalFloat;
    t.GetInt = &NodalInt;
    t.AnyDrivenChans = &NodalAny;
});
}  // namespace

NodalService::NodalService(Session& s) : HostObject("NodalService"), session_(s) { iface_.Bind(this, &kNodalTable); }
void* NodalService::Query(const st_KVtGUID& iid) { return Serve(iid, kv::guid_NodalService, iface_); }
int32_t NodalService::AddDriver(const Driver& d) {
    drivers_.push_back(d);
    return int32_t(drivers_.size() - 1);
}
double NodalService::DriverValue(int32_t id, const SampleVector* v) const {
    if (id < 0 || size_t(id) >= drivers_.size() || !v) return 0.0;
    float out[3];
    drivers_[id].pattern.Evaluate(*v, out);
    return out[std::min<uint32_t>(drivers_[id].component, 2)];
}

// ---- listener service ----
namespace {
KvResult ListenerAdd(void* self, vt_IKvUnknown** l) { return Owner<ListenerService>(self)->Add(l); }
KvResult ListenerRemove(void* self, vt_IKvUnknown** l) { return Owner<ListenerService>(self)->Remove(l); }
const vt_IKvListenerService kListenerTable = MakeTable<vt_IKvListenerService>([](vt_IKvListenerService& t) {
    t.AddListener = &ListenerAdd;
    t.RemoveListener = &ListenerRemove;
});
}  // namespace

ListenerService::ListenerService() : HostObject("ListenerService") { iface_.Bind(this, &kListenerTable); }
ListenerService::~ListenerService() { ReleaseAll(); }
void* ListenerService::Query(const st_KVtGUID& iid) { return Serve(iid, kv::guid_ListenerService, iface_); }

KvResult ListenerService::Add(vt_IKvUnknown** l) {
    if (!l) return KV_E_FAILED;
    // Only scene-item listeners are accepted: slot 9 is called on them.
    void* q = nullptr;
    if (KV_FAILED((*l)->QueryInterface(l, &kv::guid_SceneItemListener, &q)) || !q) return KV_E_NOINTERFACE;
    auto** ql = static_cast<vt_IKvUnknown**>(q);
    (*ql)->Release(ql);
    (*l)->AddRef(l);
    std::lock_guard<std::mutex> lock(mutex_);
    listeners_.push_back(l);
    return KV_OK;
}

KvResult ListenerService::Remove(vt_IKvUnknown** l) {
    vt_IKvUnknown** found = nullptr;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = std::find(listeners_.begin(), listeners_.end(), l);
        if (it == listeners_.end()) return KV_E_NOTFOUND;
        found = *it;
        listeners_.erase(it);
    }
    (*found)->Release(found);
    return KV_OK;
}

void ListenerService::SendItemAdd(vt_IKvUnknown** item) {
    std::vector<vt_IKvUnknown**> copy;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        copy = listeners_;
        for (auto* l : copy) (*l)->AddRef(l);
    }
    for (auto* l : copy) {
        reinterpret_cast<const vt_IKvSceneItemListener*>(*l)->ItemAdd(l, item);
        (*l)->Release(l);
    }
}

size_t ListenerService::count() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return listeners_.size();
}

void ListenerService::ReleaseAll() {
    std::vector<vt_IKvUnknown**> copy;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        copy.swap(listeners_);
    }
    for (auto* l : copy) (*l)->Release(l);
}

// ---- dialogs and monitors ----
namespace {
class Monitor final : public HostObject {
public:
    Monitor();
    void* Query(const st_KVtGUID& iid) override { return Serve(iid, kv::guid_Monitor, iface_); }
    ComInterface iface_;

private:
    ~Monitor() override = default;
};
const vt_IKvMonitor kMonitorTable = MakeTable<vt_IKvMonitor>([](vt_IKvMonitor&) {});
Monitor::Monitor() : HostObject("Monitor") { iface_.Bind(this, &kMonitorTable); }

// The monitors opened on this thread and not ended yet, innermost last (only
// compared by address, never called).
constexpr uint32_t kOpenMonitors = 8;
thread_local vt_IKvUnknown** tOpen[kOpenMonitors];
thread_local uint32_t tOpenCount = 0;
std::atomic<int64_t> gWrongMonitors{0};

KvResult DialogAllocate(void* self, const char* title, void** out) {
    StdDialogService* d = Owner<StdDialogService>(self);
    if (!out) return KV_E_FAILED;
    if (faults::Hit(FaultSite::DialogMonitor)) return kInjectedFault;
    if (d->failAllocate) return KV_E_FAILED;
    d->Record({StdDialogService::Event::Open, title ? title : ""});
    vt_IKvUnknown** monitor = static_cast<Monitor*>(NewMonitor())->iface_.ptr();
    if (tOpenCount < kOpenMonitors) tOpen[tOpenCount] = monitor;
    ++tOpenCount;
    *out = monitor;
    return KV_OK;
}
KvResult DialogRelease(void* self) {
    Owner<StdDialogService>(self)->Record({StdDialogService::Event::Close, ""});
    if (tOpenCount > 0) --tOpenCount;
    return KV_OK;
}
const vt_IKvStdDialogService kDialogTable = MakeTable<vt_IKvStdDialogService>([](vt_IKvStdDialogService& t) {
    t.MonitorAllocate = &DialogAllocate;
    t.MonitorRelease = &DialogRelease;
});
}  // namespace

HostObject* NewMonitor() { return new Monitor(); }

void CheckFilterMonitor(vt_IKvUnknown** monitor) {
    vt_IKvUnknown** open = tOpenCount == 0 ? nullptr : tOpenCount <= kOpenMonitors ? tOpen[tOpenCount - 1] : monitor;
    if (monitor != open) gWrongMonitors.fetch_add(1, std::memory_order_relaxed);
}
int64_t WrongMonitors() { return gWrongMonitors.load(std::memory_order_relaxed); }

StdDialogService::StdDialogService() : HostObject("StdDialogService") { iface_.Bind(this, &kDialogTable); }
void* StdDialogService::Query(const st_KVtGUID& iid) { return Serve(iid, kv::guid_StdDialogService, iface_); }
void StdDialogService::Record(Event e) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (e.kind == Event::Open) ++open_;
    else if (open_ > 0) --open_;  // a close without an open is tolerated
    events_.push_back(std::move(e));
}
std::vector<StdDialogService::Event> StdDialogService::events() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return events_;
}
int StdDialogService::openMonitors() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return open_;
}

// ---- image service ----
namespace {
const vt_IKvUnknown kImageServiceTable = MakeTable<vt_IKvUnknown>([](vt_IKvUnknown&) {});
}
ImageService::ImageService() : HostObject("ImageService") { iface_.Bind(this, &kImageServiceTable); }
void* ImageService::Query(const st_KVtGUID& iid) { return Serve(iid, kv::guid_ImageService, iface_); }

// ---- shader service ----
namespace {
KvResult ShaderWarp(void* self, float* u, float* v) {
    if (!u || !v) return KV_E_FAILED;
    Owner<ShaderService>(self)->Warp(u, v);
    return KV_OK;
}
KvResult ShaderNext(void* self, vt_IKvUnknown** vector, float* u, float* v) {
    if (!u || !v) return KV_E_FAILED;
    Owner<ShaderService>(self)->Next(SampleVector::From(vector), u, v);
    return KV_OK;
}
const vt_IKvShaderService kShaderTable = MakeTable<vt_IKvShaderService>([](vt_IKvShaderService& t) {
    t.SquareToCircle = &ShaderWarp;
    t.NextRandom = &ShaderNext;
});
uint64_t Mix(uint64_t x) {
    x ^= x >> 33;
    x *= 0xff51afd7ed558ccdull;
    x ^= x >> 33;
    x *= 0xc4ceb9fe1a85ec53ull;
    x ^= x >> 33;
    return x;
}
}  // namespace

ShaderService::ShaderService() : HostObject("ShaderService") { iface_.Bind(this, &kShaderTable); }
void* ShaderService::Query(const st_KVtGUID& iid) { return Serve(iid, kv::guid_ShaderService, iface_); }

void ShaderService::DefaultRandom(void*, const SampleHeader& h, uint32_t call, float* u, float* v) {
    uint64_t k = Mix((uint64_t(uint32_t(h.pixelX)) << 32 | uint32_t(h.pixelY)) ^ Mix(uint64_t(h.sampleIndex) << 32 | call));
    *u = float(k >> 40) * (1.0f / 16777216.0f);
    *v = float((k >> 16) & 0xFFFFFF) * (1.0f / 16777216.0f);
}

void ShaderService::SquareToDisc(void*, float* u, float* v) {
    // Concentric map of [-1,1]^2 onto the unit disc.
    float a = *u, b = *v;
    if (a == 0 && b == 0) return;
    const float q = 0.78539816f;
    float r, phi;
    if (std::fabs(a) > std::fabs(b)) {
        r = a;
        phi = q * (b / a);
    } else {
        r = b;
        phi = 2 * q - q * (a / b);
    }
    *u = r * std::cos(phi);
    *v = r * std::sin(phi);
}

void ShaderService::Next(SampleVector* v, float* u, float* w) {
    static const SampleHeader kNone{};
    if (!v) {
        random_(randomUser_, kNone, 0, u, w);
        return;
    }
    random_(randomUser_, v->header, v->header.randomCalls++, u, w);
}

// ---- root context ----
namespace {
const vt_IKvUnknown kRootTable = MakeTable<vt_IKvUnknown>([](vt_IKvUnknown&) {});
}
RootContext::RootContext(Session& s) : HostObject("RootContext"), session_(s) { iface_.Bind(this, &kRootTable); }

void* RootContext::Query(const st_KVtGUID& iid) {
    Session& s = session_;
    HostObject* svc = nullptr;
    if (IsAnyGuid(&iid)) return iface_.ptr();
    if (faults::Refused(iid)) return nullptr;
    if (IsGuid(iid, kGuidServiceGuid)) svc = &s.guids();
    else if (IsGuid(iid, kv::guid_ThreadService)) svc = &s.threads();
    else if (IsGuid(iid, kv::guid_PacketService)) svc = &s.packets();
    else if (IsGuid(iid, kv::guid_SceneService)) svc = &s.sceneTypes();
    else if (IsGuid(iid, kv::guid_NodalService)) svc = &s.nodal();
    else if (IsGuid(iid, kv::guid_ListenerService)) svc = &s.listeners();
    else if (IsGuid(iid, kv::guid_StdDialogService)) svc = &s.dialogs();
    else if (IsGuid(iid, kv::guid_ShaderService)) svc = &s.shading();
    else if (IsGuid(iid, kv::guid_ImageService)) svc = &s.images();
    if (!svc) return nullptr;
    return svc->Query(iid);
}

}  // namespace kvh
