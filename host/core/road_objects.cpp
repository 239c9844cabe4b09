// AddChannel, Evaluation / Attributes and the ChannelUI recorder.
#include <cmath>
#include "core/fault_injection.h"
#include <cstring>

#include "core/image.h"
#include "core/scene_objects.h"

namespace kvh {
namespace {

constexpr size_t kMaxHintRows = 1024;  // an unterminated hint table stops here

bool KnownType(const std::string& t, ChannelKind* kind) {
    if (t == "float" || t == "percent" || t == "angle" || t == "distance" || t == "color1") {
        *kind = ChannelKind::Float;
        return true;
    }
    if (t == "integer") return *kind = ChannelKind::Integer, true;
    if (t == "boolean") return *kind = ChannelKind::Boolean, true;
    return false;
}

ChannelBuilder::Pending* Current(void* self) {
    ChannelBuilder* b = Owner<ChannelBuilder>(self);
    return b->pending.empty() ? nullptr : &b->pending.back();
}

KvResult AcNew(void* self, const char* name, const char* type) {
    ChannelBuilder* b = Owner<ChannelBuilder>(self);
    ChannelKind kind;
    if (!name || !*name || !type || !KnownType(type, &kind)) {
        b->warnings.push_back(std::string("AddChannel: refused channel '") + (name ? name : "(null)") + "' of type '" +
                              (type ? type : "(null)") + "'");
        // Later slots must not apply to the previous channel.
        b->pending.push_back({});
        b->pending.back().ch.name.clear();
        return KV_E_NOTFOUND;
    }
    ChannelBuilder::Pending p;
    p.ch.name = name;
    p.ch.typeName = type;
    p.ch.kind = kind;
    b->pending.push_back(p);
    return KV_OK;
}
KvResult AcGradient(void* self, const char* input) {
    auto* p = Current(self);
    if (!p || p->ch.name.empty()) return KV_E_FAILED;
    p->ch.object = ObjectValue::Gradient;
    p->ch.gradientInput = input ? input : "";
    return KV_OK;
}
KvResult AcVector(void* self, const char* type) {
    auto* p = Current(self);
    if (!p || p->ch.name.empty() || !type || std::strcmp(type, "RGB") != 0) return KV_E_FAILED;
    p->rgb = true;
    return KV_OK;
}
KvResult AcDefault(void* self, double d, int32_t i) {
    auto* p = Current(self);
    if (!p || p->ch.name.empty()) return KV_E_FAILED;
    double v = p->ch.kind == ChannelKind::Float ? d : (p->ch.kind == ChannelKind::Boolean ? (i != 0) : i);
    p->ch.value = p->ch.defaultValue = v;
    for (double& c : p->rgbDefault) c = v;
    return KV_OK;
}
KvResult AcDefaultVec(void* self, const double* d3) {
    auto* p = Current(self);
    if (!p || p->ch.name.empty() || !d3) return KV_E_FAILED;
    for (int c = 0; c < 3; ++c) p->rgbDefault[c] = d3[c];
    return KV_OK;
}
KvResult AcHint(void* self, const st_KVtTextValueHint* rows) {
    auto* p = Current(self);
    if (!p || p->ch.name.empty() || !rows) return KV_E_FAILED;
    p->ch.hints.clear();
    for (size_t i = 0; i < kMaxHintRows; ++i) {
        const st_KVtTextValueHint& r = rows[i];
        p->ch.hints.push_back({r.value, r.text ? r.text : "", r.text != nullptr});
        if (r.value == -1 && r.text == nullptr) return KV_OK;
    }
    Owner<ChannelBuilder>(self)->warnings.push_back("AddChannel: hint table of '" + p->ch.name +
                                                    "' has no end row; cut at 1024 rows");
    return KV_OK;
}
const vt_IKvAddChannel kAddChannelTable = MakeTable<vt_IKvAddChannel>([](vt_IKvAddChannel& t) {
    t.NewChannel = &AcNew;
    t.SetGradient = &AcGradient;
    t.SetVector = &AcVector;
    t.SetDefault = &AcDefault;
    t.SetDefaultVec = &AcDefaultVec;
    t.SetHint = &AcHint;
});

}  // namespace

ChannelBuilder::ChannelBuilder() : HostObject("ChannelBuilder") { iface_.Bind(this, &kAddChannelTable); }
void* ChannelBuilder::Query(const st_KVtGUID& iid) {
    return IsAnyGuid(&iid) || IsGuid(iid, kv::guid_AddChannel) ? iface_.ptr() : nullptr;
}

std::vector<Channel> ChannelBuilder::Build() const {
    std::vector<Channel> out;
    for (const Pending& p : pending) {
        if (p.ch.name.empty()) continue;
        if (!p.rgb) {
            out.push_back(p.ch);
            continue;
        }
        int32_t group = int32_t(out.size());
        static const char* kSuffix[3] = {".R", ".G", ".B"};
        for (int c = 0; c < 3; ++c) {
            Channel ch = p.ch;
            ch.name += kSuffix[c];
            ch.value = ch.defaultValue = p.rgbDefault[c];
            ch.vectorGroup = group;
            out.push_back(ch);
        }
    }
    return out;
}

// ---- Evaluation and Attributes ----
namespace {

const Evaluation::Entry* EntryAt(void* self, uint32_t i) {
    Evaluation* e = Owner<Evaluation>(self);
    if (i >= e->entries.size()) return nullptr;
    return &e->entries[i];
}
const Channel& ChannelOf(const Evaluation::Entry& en) { return en.item->channels()[en.channel]; }

KvResult EvAdd(void* self, vt_IKvUnknown** item, uint32_t chan, uint32_t mode, uint32_t* out) {
    if (!out) return KV_E_FAILED;
    if (faults::Hit(FaultSite::EvaluationAdd)) return kInjectedFault;
    Evaluation* e = Owner<Evaluation>(self);
    SceneItem* it = e->scene.Resolve(item);
    if (!it) return KV_E_NOTFOUND;
    if (chan >= it->channels().size()) return KV_E_OUTOFBOUNDS;
    if (mode != KV_EVAL_VALUE && mode != KV_EVAL_MATRIX) return KV_E_NOTIMPL;
    if (mode == KV_EVAL_MATRIX && it->channels()[chan].object != ObjectValue::Matrix) return KV_E_NOINTERFACE;
    e->entries.push_back({it, chan, mode});
    *out = uint32_t(e->entries.size() - 1);
    return KV_OK;
}
KvResult AtValue(void* self, uint32_t i, void** out, int32_t) {
    const Evaluation::Entry* en = EntryAt(self, i);
    if (!out) return KV_E_FAILED;
    if (faults::Hit(FaultSite::AttributesValue)) return kInjectedFault;
    if (!en) return KV_E_OUTOFBOUNDS;
    const Channel& ch = ChannelOf(*en);
    Scene& scene = Owner<Evaluation>(self)->scene;
    switch (ch.object) {
        case ObjectValue::Gradient: {
            auto [fn, user] = scene.GradientOverride(en->item, en->channel);
            HostObject* g = NewGradientFilter(scene.Keys(en->item, en->channel), ch.value, fn, user);
            *out = g->Query(kv::guid_GradientFilter);
            return KV_OK;
        }
        case ObjectValue::Matrix:
            *out = MatrixPtr(NewMatrix(en->item->WorldMatrix()));
            return KV_OK;
        case ObjectValue::ImageStack: {
            if (en->item->filterMode == 2) {  // a value that is not an ImageFilter
                *out = MatrixPtr(NewMatrix(Mat4()));
                return KV_OK;
            }
            HostObject* f = NewImageFilter(en->item->image(), en->item->filterMode);
            *out = f->Query(kv::guid_ImageFilter);
            return KV_OK;
        }
        case ObjectValue::None: break;
    }
    return KV_E_NOTFOUND;
}
KvResult AtInt(void* self, uint32_t i, int32_t* v) {
    const Evaluation::Entry* en = EntryAt(self, i);
    if (!v) return KV_E_FAILED;
    if (faults::Hit(FaultSite::AttributesInt)) return kInjectedFault;
    if (!en) return KV_E_OUTOFBOUNDS;
    double d = ChannelOf(*en).value;
    if (!(d > -2147483648.0 && d < 2147483648.0)) return KV_E_OUTOFBOUNDS;
    *v = int32_t(std::lround(d));
    return KV_OK;
}
KvResult AtFlt(void* self, uint32_t i, double* v) {
    const Evaluation::Entry* en = EntryAt(self, i);
    if (!v) return KV_E_FAILED;
    if (faults::Hit(FaultSite::AttributesFloat)) return kInjectedFault;
    if (!en) return KV_E_OUTOFBOUNDS;
    *v = ChannelOf(*en).value;
    return KV_OK;
}
const vt_IKvEvaluation kEvalTable = MakeTable<vt_IKvEvaluation>([](vt_IKvEvaluation& t) { t.AddChannel = &EvAdd; });
const vt_IKvAttributes kAttrTable = MakeTable<vt_IKvAttributes>([](vt_IKvAttributes& t) {
    t.Value = &AtValue;
    t.GetInt = &AtInt;
    t.GetFlt = &AtFlt;
});

}  // namespace

Evaluation::Evaluation(Scene& s) : HostObject("Evaluation"), scene(s) {
    eval_.Bind(this, &kEvalTable);
    attr_.Bind(this, &kAttrTable);
}
void* Evaluation::Query(const st_KVtGUID& iid) {
    if (IsAnyGuid(&iid) || IsGuid(iid, kv::guid_Evaluation)) return eval_.ptr();
    if (IsGuid(iid, kv::guid_Attributes)) return attr_.ptr();
    return nullptr;
}

// ---- ChannelUI recorder ----
namespace {
KvResult MsgCode(void* self, KvResult code) {
    Owner<UIRecorder>(self)->code = code;
    return KV_OK;
}
KvResult MsgSet(void* self, const char* table, const char*, uint32_t id) {
    UIRecorder* r = Owner<UIRecorder>(self);
    r->table = table ? table : "";
    r->entry = id;
    return KV_OK;
}
KvResult MsgArg(void* self, uint32_t arg, const char* text) {
    if (arg == 1) Owner<UIRecorder>(self)->arg1 = text ? text : "";
    return KV_OK;
}
KvResult HintFlags(void* self, int32_t f) {
    Owner<UIRecorder>(self)->hintFlags.push_back(f);
    return KV_OK;
}
KvResult UiReadInt(void* self, vt_IKvUnknown** item, uint32_t chan, int32_t* value) {
    if (!value) return KV_E_FAILED;
    SceneItem* it = Owner<UIRecorder>(self)->scene.Resolve(item);
    if (!it) return KV_E_NOTFOUND;
    if (chan >= it->channels().size()) return KV_E_OUTOFBOUNDS;
    *value = int32_t(std::lround(it->channels()[chan].value));
    return KV_OK;
}
const vt_IKvMessage kMsgTable = MakeTable<vt_IKvMessage>([](vt_IKvMessage& t) {
    t.SetCode = &MsgCode;
    t.SetMessage = &MsgSet;
    t.SetArgumentString = &MsgArg;
});
const vt_IKvUIHints kHintsTable = MakeTable<vt_IKvUIHints>([](vt_IKvUIHints& t) { t.ChannelFlags = &HintFlags; });
const vt_IKvChannelRead kUiReadTable = MakeTable<vt_IKvChannelRead>([](vt_IKvChannelRead& t) { t.Integer = &UiReadInt; });
}  // namespace

UIRecorder::UIRecorder(Scene& s) : HostObject("UIRecorder"), scene(s) {
    msg_.Bind(this, &kMsgTable);
    hints_.Bind(this, &kHintsTable);
    read_.Bind(this, &kUiReadTable);
}
void* UIRecorder::Query(const st_KVtGUID& iid) {
    if (IsAnyGuid(&iid) || IsGuid(iid, kv::guid_Message)) return msg_.ptr();
    if (IsGuid(iid, kv::guid_UIHints)) return hints_.ptr();
    if (IsGuid(iid, kv::guid_ChannelRead)) return read_.ptr();
    return nullptr;
}

}  // namespace kvh
