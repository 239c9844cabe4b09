// Typed wrappers of the host interfaces the plug-ins call. Every call checks
// that the wrapper holds an interface and answers a failure or 0 otherwise.
#pragma once

#include "framework/globals.h"
#include "framework/localize.h"

KV_DECLARE_LOC(Message);
KV_DECLARE_LOC(Matrix);
KV_DECLARE_LOC(Attributes);
KV_DECLARE_LOC(AddChannel);
KV_DECLARE_LOC(Evaluation);
KV_DECLARE_LOC(ChannelRead);
KV_DECLARE_LOC(Item);
KV_DECLARE_LOC(ItemGraph);
KV_DECLARE_LOC(Scene);
KV_DECLARE_LOC(SceneGraph);
KV_DECLARE_LOC(Monitor);
KV_DECLARE_LOC(UIHints);
KV_DECLARE_LOC(Image);
KV_DECLARE_LOC(ImageFilter);
KV_DECLARE_LOC(Raycast);
KV_DECLARE_LOC(Raycast1);

class CKvUser_Message : public CKvLoc_Message {
public:
    using CKvLoc_Message::CKvLoc_Message;
    KvResult SetCode(KvResult code) { return m_loc ? vt()->SetCode(m_loc, code) : KV_E_NOTFOUND; }
    KvResult SetMessage(const char* table, const char* name, unsigned id) {
        return m_loc ? vt()->SetMessage(m_loc, table, name, id) : KV_E_NOTFOUND;
    }
    KvResult SetArgumentString(unsigned arg, const char* text) {
        return m_loc ? vt()->SetArgumentString(m_loc, arg, text) : KV_E_NOTFOUND;
    }
};

class CKvUser_Matrix : public CKvLoc_Matrix {
public:
    using CKvLoc_Matrix::CKvLoc_Matrix;
    KvResult Get3(double* m9) { return m_loc ? vt()->Get3(m_loc, m9) : KV_E_NOTFOUND; }
    KvResult Get4(double* m16) { return m_loc ? vt()->Get4(m_loc, m16) : KV_E_NOTFOUND; }
    KvResult GetOffset(double* t3) { return m_loc ? vt()->GetOffset(m_loc, t3) : KV_E_NOTFOUND; }
    KvResult Invert() { return m_loc ? vt()->Invert(m_loc) : KV_E_NOTFOUND; }
};

class CKvUser_Attributes : public CKvLoc_Attributes {
public:
    using CKvLoc_Attributes::CKvLoc_Attributes;
    // Object value of a channel, with one reference for the caller.
    KvResult Value(unsigned evalIndex, void** obj) { return m_loc ? vt()->Value(m_loc, evalIndex, obj, 0) : KV_E_NOTFOUND; }
    // The integer / float value, 0 on failure.
    int GetInt(unsigned evalIndex) {
        int32_t v = 0;
        if (!m_loc || KV_FAILED(vt()->GetInt(m_loc, evalIndex, &v))) return 0;
        return v;
    }
    double GetFlt(unsigned evalIndex) {
        double v = 0.0;
        if (!m_loc || KV_FAILED(vt()->GetFlt(m_loc, evalIndex, &v))) return 0.0;
        return v;
    }
};

class CKvUser_AddChannel : public CKvLoc_AddChannel {
public:
    using CKvLoc_AddChannel::CKvLoc_AddChannel;
    void NewChannel(const char* name, const char* type) { if (m_loc) vt()->NewChannel(m_loc, name, type); }
    void SetGradient(const char* inputType) { if (m_loc) vt()->SetGradient(m_loc, inputType); }
    void SetVector(const char* vectorType) { if (m_loc) vt()->SetVector(m_loc, vectorType); }
    void SetDefault(double dflt, int iDflt) { if (m_loc) vt()->SetDefault(m_loc, dflt, iDflt); }
    void SetDefaultVec(const double* dflt3) { if (m_loc) vt()->SetDefaultVec(m_loc, dflt3); }
    void SetHint(const st_KVtTextValueHint* hints) { if (m_loc) vt()->SetHint(m_loc, hints); }
};

class CKvUser_Evaluation : public CKvLoc_Evaluation {
public:
    using CKvLoc_Evaluation::CKvLoc_Evaluation;
    // Evaluation index of a channel; throws the host's failing code.
    unsigned AddChan(vt_IKvUnknown** item, unsigned index, unsigned type = KV_EVAL_VALUE);
};

class CKvUser_ChannelRead : public CKvLoc_ChannelRead {
public:
    using CKvLoc_ChannelRead::CKvLoc_ChannelRead;
    int Integer(vt_IKvUnknown** item, unsigned chan) {
        int32_t v = 0;
        if (m_loc) vt()->Integer(m_loc, item, chan, &v);
        return v;
    }
    KvResult Envelope(vt_IKvUnknown** item, unsigned chan, void** env) {
        return m_loc ? vt()->Envelope(m_loc, item, chan, env) : KV_E_NOTFOUND;
    }
};

class CKvUser_Item : public CKvLoc_Item {
public:
    using CKvLoc_Item::CKvLoc_Item;
    bool IsA(unsigned typeCode) { return m_loc && typeCode && vt()->TestType(m_loc, typeCode) == KV_TRUE; }
    bool GetContext(CKvLocalizedObject& scene) {
        void* obj = nullptr;
        if (!m_loc || KV_FAILED(vt()->Context(m_loc, &obj))) return false;
        return scene.take(obj);
    }
    // Index of a channel on the item, -1 when it has none of that name.
    int ChannelLookup(const char* name) {
        uint32_t idx = 0;
        if (!m_loc || KV_FAILED(vt()->ChannelLookup(m_loc, name, &idx))) return -1;
        return static_cast<int>(idx);
    }
};

class CKvUser_ItemGraph : public CKvLoc_ItemGraph {
public:
    using CKvLoc_ItemGraph::CKvLoc_ItemGraph;
    unsigned FwdCount(vt_IKvUnknown** item) {
        uint32_t n = 0;
        if (!m_loc || KV_FAILED(vt()->FwdCount(m_loc, item, &n))) return 0;
        return n;
    }
    bool FwdByIndex(vt_IKvUnknown** item, unsigned index, CKvLocalizedObject& out) {
        void* obj = nullptr;
        if (!m_loc || KV_FAILED(vt()->FwdByIndex(m_loc, item, index, &obj))) return false;
        return out.take(obj);
    }
};

class CKvUser_Scene : public CKvLoc_Scene {
public:
    using CKvLoc_Scene::CKvLoc_Scene;
    bool GetChannels(const char* action, CKvLocalizedObject& out, double time = 0.0) {
        void* obj = nullptr;
        if (!m_loc || KV_FAILED(vt()->GetChannels(m_loc, action, time, &obj))) return false;
        return out.take(obj);
    }
    bool GetGraph(const char* graphName, CKvLocalizedObject& out) {
        void* obj = nullptr;
        if (!m_loc || KV_FAILED(vt()->GetGraph(m_loc, graphName, &obj))) return false;
        return out.take(obj);
    }
    // Render camera `index`; false leaves `item` as it was.
    bool GetRenderCameraByIndex(int index, CKvLoc_Item& item);
};

class CKvUser_SceneGraph : public CKvLoc_SceneGraph {
public:
    using CKvLoc_SceneGraph::CKvLoc_SceneGraph;
};

class CKvUser_Monitor : public CKvLoc_Monitor {
public:
    using CKvLoc_Monitor::CKvLoc_Monitor;
};

class CKvUser_UIHints : public CKvLoc_UIHints {
public:
    using CKvLoc_UIHints::CKvLoc_UIHints;
    void ChannelFlags(int flags) { if (m_loc) vt()->ChannelFlags(m_loc, flags); }
};

class CKvUser_Image : public CKvLoc_Image {
public:
    using CKvLoc_Image::CKvLoc_Image;
    void Size(unsigned* width, unsigned* height) {
        *width = *height = 0;
        if (m_loc) vt()->Size(m_loc, width, height);
    }
    KvResult GetPixel(unsigned x, unsigned y, float* rgba) {
        return m_loc ? vt()->GetPixel(m_loc, x, y, KV_IMAGE_RGBA_FP, rgba) : KV_E_NOTFOUND;
    }
};

class CKvUser_ImageFilter : public CKvLoc_ImageFilter {
public:
    using CKvLoc_ImageFilter::CKvLoc_ImageFilter;
    bool Generate(unsigned width, unsigned height, vt_IKvUnknown** monitor, CKvLocalizedObject& image) {
        void* obj = nullptr;
        if (!m_loc || KV_FAILED(vt()->Generate(m_loc, width, height, monitor, &obj))) return false;
        return image.take(obj);
    }
};

// Per-sample ray calls: no lock, no allocation.
class CKvUser_Raycast : public CKvLoc_Raycast {
public:
    using CKvLoc_Raycast::CKvLoc_Raycast;
    vt_IKvUnknown** PushVector(vt_IKvUnknown** vec) { return m_loc ? vt()->PushVector(m_loc, vec) : nullptr; }
    void PopVector(vt_IKvUnknown** vec) { if (m_loc) vt()->PopVector(m_loc, vec); }
    float TraceRay(vt_IKvUnknown** newVec, const double* origin, const float* dir, unsigned flags) {
        return m_loc ? vt()->TraceRay(m_loc, newVec, origin, dir, flags) : 0.0f;
    }
    KvResult SurfaceAtOffset(vt_IKvUnknown** vec, st_KVpSurfaceRecord* rec, float dx, float dy) {
        return m_loc ? vt()->SurfaceAtOffset(m_loc, vec, 0, rec, dx, dy) : KV_E_NOTFOUND;
    }
};

class CKvUser_Raycast1 : public CKvLoc_Raycast1 {
public:
    using CKvLoc_Raycast1::CKvLoc_Raycast1;
    vt_IKvUnknown** PushVector(vt_IKvUnknown** vec) { return m_loc ? vt()->PushVector(m_loc, vec) : nullptr; }
    void PopVector(vt_IKvUnknown** vec) { if (m_loc) vt()->PopVector(m_loc, vec); }
    float TraceRay(vt_IKvUnknown** newVec, const double* origin, const float* dir, unsigned flags) {
        return m_loc ? vt()->TraceRay(m_loc, newVec, origin, dir, flags) : 0.0f;
    }
    KvResult NormalAtOffset(float dx, float dy, vt_IKvUnknown** vec, float* normal3) {
        return m_loc ? vt()->NormalAtOffset(m_loc, dx, dy, vec, 0, normal3) : KV_E_NOTFOUND;
    }
    KvResult Pixel(vt_IKvUnknown** vec, int* x, int* y) { return m_loc ? vt()->Pixel(m_loc, vec, x, y) : KV_E_NOTFOUND; }
    KvResult SubPixel(vt_IKvUnknown** vec, float* fx, float* fy) {
        return m_loc ? vt()->SubPixel(m_loc, vec, fx, fy) : KV_E_NOTFOUND;
    }
};

// A host service borrowed from the globals cache: never released here, valid
// until the cache is freed. Empty when the host has no such service; every
// call then answers a failure, 0 or the value passed in.
template <class VT>
class CKvService {
public:
    bool test() const { return m_svc != nullptr; }
    VT** ptr() const { return m_svc; }

protected:
    explicit CKvService(const st_KVtGUID* guid) : m_svc(static_cast<VT**>(kv::GetGlobal(guid))) {}
    explicit CKvService(void* svc) : m_svc(static_cast<VT**>(svc)) {}
    VT* vt() const { return *m_svc; }

    VT** m_svc;
};

class CKvUser_PacketService : public CKvService<vt_IKvPacketService> {
public:
    CKvUser_PacketService();
    explicit CKvUser_PacketService(void* svc) : CKvService(svc) {}
    // Offset of a packet in a sample vector, -1 when unknown.
    int GetOffset(const char* category, const char* name);
    // The packet's data in a sample vector, or null; per sample.
    void* FastPacket(vt_IKvUnknown** vector, int offset) const {
        return (m_svc && offset >= 0) ? vt()->FastPacket(m_svc, vector, offset) : nullptr;
    }
};

class CKvUser_SceneService : public CKvService<vt_IKvSceneService> {
public:
    CKvUser_SceneService() : CKvService(&kv::guid_SceneService) {}
    explicit CKvUser_SceneService(void* svc) : CKvService(svc) {}
    // Code of an item type, 0 when the host knows no type of that name.
    unsigned ItemTypeLookup(const char* typeName) const {
        uint32_t code = 0;
        if (!m_svc || !typeName || KV_FAILED(vt()->ItemTypeLookup(m_svc, typeName, &code))) return 0;
        return code;
    }
};

// Per-sample channel drivers. GetFloat and GetInt run per sample: no lock, no
// allocation, and without a service the current value passes through.
class CKvUser_NodalService : public CKvService<vt_IKvNodalService> {
public:
    CKvUser_NodalService() : CKvService(&kv::guid_NodalService) {}
    explicit CKvUser_NodalService(void* svc) : CKvService(svc) {}
    // Makes a channel drivable per sample; the host keeps the driver's index
    // in idxArray at the channel's index. The host's result is not needed.
    void AddSampleChan(vt_IKvUnknown** eval, vt_IKvUnknown** item, unsigned chanIndex, int* idxArray,
                       int mode = 1) const {
        if (m_svc) vt()->AddSampleChan(m_svc, eval, item, chanIndex, idxArray, mode);
    }
    double GetFloat(vt_IKvUnknown** evaluator, int* idxArray, unsigned chanIndex, double current) const {
        return m_svc ? vt()->GetFloat(m_svc, evaluator, idxArray, chanIndex, current) : current;
    }
    int GetInt(vt_IKvUnknown** evaluator, int* idxArray, unsigned chanIndex, int current) const {
        return m_svc ? vt()->GetInt(m_svc, evaluator, idxArray, chanIndex, current) : current;
    }
    // Non-zero when any of `count` entries from `first` is driven per sample.
    int AnyDrivenChans(int* first, unsigned count) const {
        return (m_svc && first) ? vt()->AnyDrivenChans(m_svc, first, count) : 0;
    }
};

class CKvUser_ListenerService : public CKvService<vt_IKvListenerService> {
public:
    CKvUser_ListenerService() : CKvService(&kv::guid_ListenerService) {}
    explicit CKvUser_ListenerService(void* svc) : CKvService(svc) {}
    KvResult AddListener(void* listener) const {
        return (m_svc && listener) ? vt()->AddListener(m_svc, static_cast<vt_IKvUnknown**>(listener)) : KV_E_NOTFOUND;
    }
    KvResult RemoveListener(void* listener) const {
        return (m_svc && listener) ? vt()->RemoveListener(m_svc, static_cast<vt_IKvUnknown**>(listener))
                                   : KV_E_NOTFOUND;
    }
};

// Progress monitor of a long read: MonitorAllocate, the work, MonitorRelease.
class CKvUser_StdDialogService : public CKvService<vt_IKvStdDialogService> {
public:
    CKvUser_StdDialogService() : CKvService(&kv::guid_StdDialogService) {}
    explicit CKvUser_StdDialogService(void* svc) : CKvService(svc) {}
    // Opens a monitor titled `title` and takes it into `monitor`; false when
    // the host opened none (`monitor` then stays as it was).
    bool MonitorAllocate(const char* title, CKvLocalizedObject& monitor) const {
        void* obj = nullptr;
        if (!m_svc || KV_FAILED(vt()->MonitorAllocate(m_svc, title, &obj)) || !obj) return false;
        return monitor.take(obj);
    }
    // Ends the monitor begun by MonitorAllocate.
    void MonitorRelease() const {
        if (m_svc) vt()->MonitorRelease(m_svc);
    }
};

// Sub-sample numbers of the edge search; per sample, no lock, no allocation.
class CKvUser_ShaderService : public CKvService<vt_IKvShaderService> {
public:
    CKvUser_ShaderService() : CKvService(&kv::guid_ShaderService) {}
    explicit CKvUser_ShaderService(void* svc) : CKvService(svc) {}
    // Two numbers for this sample (slot 12).
    KvResult NextRandom(vt_IKvUnknown** vector, float* u, float* v) const {
        return m_svc ? vt()->NextRandom(m_svc, vector, u, v) : KV_E_NOTFOUND;
    }
    // Warps the pair in place (slot 6).
    KvResult SquareToCircle(float* u, float* v) const {
        return m_svc ? vt()->SquareToCircle(m_svc, u, v) : KV_E_NOTFOUND;
    }
};
