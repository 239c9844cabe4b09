// The material road: set-up, link, read, per-sample shading, clean-up.
#include "core/material_road.h"

#include <sstream>

#include "core/scene_objects.h"
#include "core/services.h"
#include "core/session.h"

namespace kvh {

std::unique_ptr<MaterialRoad> MaterialRoad::Create(Session& s, const PluginLibrary& lib, const std::string& server,
                                                   Options o) {
    return std::unique_ptr<MaterialRoad>(new MaterialRoad(s, lib, server, std::move(o)));
}

MaterialRoad::MaterialRoad(Session& s, const PluginLibrary& lib, std::string server, Options o)
    : session_(s), lib_(lib), server_(std::move(server)), options_(std::move(o)) {
    if (options_.itemName.empty()) options_.itemName = server_;
}

MaterialRoad::~MaterialRoad() {
    prepared_ = false;
    if (hasBlock_ && material_) material_.table<vt_IKvCustomMaterial>()->Cleanup(material_.get(), block_);
    if (evaluation_) evaluation_->ReleaseOwned();
    effect_.Reset();
    tagDesc_.Reset();
    channelUI_.Reset();
    material_.Reset();
}

namespace {
// "a, b, c" of an item's channels, colour components under their group name.
std::string ChannelList(const SceneItem& item) {
    std::string out;
    for (const Channel& c : item.channels()) {
        std::string name = c.name;
        if (c.vectorGroup >= 0) {
            if (name.size() < 2 || name.compare(name.size() - 2, 2, ".R") != 0) continue;
            name.resize(name.size() - 2);
        }
        out += (out.empty() ? "" : ", ") + name;
    }
    return out;
}
}  // namespace

KvResult MaterialRoad::Fail(HostError* err, KvResult code, std::string what) {
    if (err) {
        std::ostringstream m;
        m << "material '" << options_.itemName << "' (" << server_ << "): " << what << " (code 0x" << std::hex
          << uint32_t(code) << ")";
        *err = {code, m.str()};
    }
    return code;
}

KvResult MaterialRoad::MakeItem(HostError* err) {
    if (item_) return KV_OK;
    PacketLookupLog lookups;
    KvResult rc = lib_.Generate(server_, &material_, err);
    if (KV_FAILED(rc)) return rc;
    ComRef cm = material_.Query(kv::guid_CustomMaterial);
    if (!cm) return Fail(err, KV_E_NOINTERFACE, "server is not a CustomMaterial");
    material_ = std::move(cm);
    channelUI_ = material_.Query(kv::guid_ChannelUI);
    tagDesc_ = material_.Query(kv::guid_TagDescription);
    if (const ServerInfo* si = lib_.FindServer(server_)) tags_ = si->tags;
    const auto* m = material_.table<vt_IKvCustomMaterial>();

    // Channels.
    auto* builder = new ChannelBuilder();
    m->SetupChannels(material_.get(), builder->ptr());
    asksTextureInput_ = lookups.Asked(HostPacketName(HostPacket::TextureInput));
    std::vector<Channel> channels = builder->Build();
    for (auto& w : builder->warnings) session_.Warn(w);
    builder->ReleaseOwned();
    for (const auto& name : options_.removeChannels)
        for (size_t i = 0; i < channels.size(); ++i)
            if (channels[i].name == name) {
                channels.erase(channels.begin() + long(i));
                break;
            }

    // The item at its defaults.
    item_ = session_.scene().CreateItem(options_.itemName, "material." + server_, std::move(channels));
    if (!item_) return Fail(err, KV_E_FAILED, "an item of that name already exists");
    return KV_OK;
}

KvResult MaterialRoad::Prepare(HostError* err) {
    if (prepared_) return KV_OK;
    if (!item_) {
        KvResult rc = MakeItem(err);
        if (KV_FAILED(rc)) return rc;
    }
    const auto* m = material_.table<vt_IKvCustomMaterial>();
    KvResult rc = KV_OK;

    // Its stored envelopes, then announced to listeners.
    Scene& scene = session_.scene();
    for (const auto& g : options_.gradients) {
        int32_t i = item_->ChannelIndex(g.channel);
        if (i < 0)
            return Fail(err, KV_E_NOTFOUND,
                        "no channel '" + g.channel + "' for gradient keys (channels: " + ChannelList(*item_) + ")");
        scene.SetKeys(item_, uint32_t(i), g.keys);
    }
    session_.listeners().SendItemAdd(item_->ptr());

    for (const auto& v : options_.values)
        if (!item_->SetValue(v.channel, v.value))
            return Fail(err, KV_E_NOTFOUND, "no channel '" + v.channel + "' (channels: " + ChannelList(*item_) + ")");
    for (const auto& d : options_.drivers) {
        int32_t i = item_->ChannelIndex(d.channel);
        if (i >= 0) {
            item_->drivers()[uint32_t(i)] = session_.nodal().AddDriver({d.pattern, d.component});
            continue;
        }
        // A colour channel by its bare name: each component takes its pattern value.
        static const char* kSuffix[3] = {".R", ".G", ".B"};
        for (uint32_t c = 0; c < 3; ++c) {
            i = item_->ChannelIndex(d.channel + kSuffix[c]);
            if (i < 0)
                return Fail(err, KV_E_NOTFOUND,
                            "no channel '" + d.channel + "' to drive (channels: " + ChannelList(*item_) + ")");
            item_->drivers()[uint32_t(i)] = session_.nodal().AddDriver({d.pattern, c});
        }
    }
    for (const auto& l : options_.links) {
        SceneItem* to = scene.FindItem(l);
        if (!to) return Fail(err, KV_E_NOTFOUND, "linked item '" + l + "' does not exist");
        item_->links().push_back(to);
    }

    // Link.
    auto* ev = new Evaluation(scene);
    evaluation_ = ev;
    {
        PacketLookupLog lookups;
        rc = m->LinkChannels(material_.get(), ev->evaluationPtr(), item_->ptr());
        asksTextureInput_ = asksTextureInput_ || lookups.Asked(HostPacketName(HostPacket::TextureInput));
    }
    if (KV_FAILED(rc)) return Fail(err, rc, "LinkChannels failed");
    index_.assign(item_->channels().size(), -1);
    m->LinkSampleChannels(material_.get(), ev->evaluationPtr(), item_->ptr(), index_.data());
    sampleDriven_ = m->IsSampleDriven(material_.get(), index_.data());

    const char* packet = nullptr;
    if (KV_SUCCEEDED(m->CustomPacket(material_.get(), &packet)) && packet) customPacket_ = packet;
    ownPacketOffset_ = session_.Layout().OffsetOf(customPacket_.c_str());

    rc = ReadBlock(err);
    if (KV_FAILED(rc)) return rc;
    rc = ResolveLayers(err);
    if (KV_FAILED(rc)) return rc;
    prepared_ = true;
    return KV_OK;
}

KvResult MaterialRoad::ReadBlock(HostError* err) {
    const auto* m = material_.table<vt_IKvCustomMaterial>();
    if (hasBlock_) m->Cleanup(material_.get(), block_);
    hasBlock_ = false;
    block_ = nullptr;
    auto* ev = static_cast<Evaluation*>(evaluation_);
    const int64_t wrongBefore = WrongMonitors();
    KvResult rc = m->ReadChannels(material_.get(), ev->attributesPtr(), &block_);
    if (WrongMonitors() != wrongBefore) {
        ++wrongMonitors_;
        session_.Warn("material '" + options_.itemName + "' (" + server_ +
                      "): ImageFilter slot 4 was handed another monitor than the one StdDialogService slot 4 "
                      "opened for it");
    }
    if (KV_FAILED(rc)) return Fail(err, rc, "ReadChannels failed");
    hasBlock_ = true;
    return KV_OK;
}

std::vector<std::pair<std::string, std::string>> MaterialRoad::evaluationEntries() const {
    std::vector<std::pair<std::string, std::string>> out;
    if (!evaluation_) return out;
    for (const Evaluation::Entry& e : static_cast<const Evaluation*>(evaluation_)->entries) {
        const auto& channels = e.item->channels();
        out.emplace_back(e.item->name(), e.channel < channels.size() ? channels[e.channel].name : "?");
    }
    return out;
}

void* MaterialRoad::ReadSpareBlock() const {
    if (!material_ || !evaluation_) return nullptr;
    void* block = nullptr;
    const auto* m = material_.table<vt_IKvCustomMaterial>();
    if (KV_FAILED(m->ReadChannels(material_.get(), static_cast<Evaluation*>(evaluation_)->attributesPtr(), &block)))
        return nullptr;
    return block;
}

void MaterialRoad::CleanupBlock(void* block) const {
    if (material_) material_.table<vt_IKvCustomMaterial>()->Cleanup(material_.get(), block);
}

KvResult MaterialRoad::Reread(HostError* err) {
    if (!material_ || !evaluation_) return Fail(err, KV_E_FAILED, "not prepared");
    const bool was = prepared_;
    prepared_ = false;
    KvResult rc = ReadBlock(err);
    prepared_ = KV_SUCCEEDED(rc) && was;
    return rc;
}

KvResult MaterialRoad::ResolveLayers(HostError* err) {
    if (options_.layers.empty()) return KV_OK;
    // The effect whose packet is the material's own.
    for (const ServerInfo& s : lib_.servers()) {
        if (s.Tag("textureFX.category").empty()) continue;
        ComRef obj;
        if (KV_FAILED(lib_.Generate(s.name, &obj))) continue;
        ComRef fx = obj.Query(kv::guid_PacketEffect);
        if (!fx) continue;
        const char* name = nullptr;
        if (KV_SUCCEEDED(fx.table<vt_IKvPacketEffect>()->Packet(fx.get(), &name)) && name && customPacket_ == name) {
            effect_ = std::move(fx);
            break;
        }
    }
    if (!effect_) return Fail(err, KV_E_NOTFOUND, "no packet effect for packet '" + customPacket_ + "'");
    const auto* fx = effect_.table<vt_IKvPacketEffect>();
    uint32_t count = fx->Count(effect_.get());
    for (const TextureLayer& l : options_.layers) {
        int32_t found = -1;
        uint32_t floats = 1;
        std::string names;
        for (uint32_t i = 0; i < count && i < 1024; ++i) {
            const char *n = nullptr, *t = nullptr;
            int32_t flags = 0;
            if (KV_FAILED(fx->ByIndex(effect_.get(), int32_t(i), &n, &t, &flags)) || !n) continue;
            names += (names.empty() ? "" : ", ") + std::string(n);
            if (l.value == n) {
                found = int32_t(i);
                floats = flags == KV_PFX_FLAG_COLOR ? 3 : 1;
                break;
            }
        }
        if (found < 0)
            return Fail(err, KV_E_NOTFOUND, "packet effect has no value '" + l.value + "' (values: " + names + ")");
        layers_.push_back({found, floats, l.opacity, l.pattern});
    }
    return KV_OK;
}

int32_t MaterialRoad::Shade(SampleVector& v, vt_IKvUnknown** rayObject, st_KVpShadeComponents& sc,
                            st_KVpShadeOutput& out) const {
    if (!prepared_) return 0;
    const VectorPool::NestedMark mark = v.pool->MarkNested();
    const auto* m = material_.table<vt_IKvCustomMaterial>();
    Evaluator& e = v.pool->evaluator();
    e.current = &v;
    m->MaterialEvaluate(material_.get(), e.ptr(), const_cast<int32_t*>(index_.data()), v.ptr(), block_);
    if (!layers_.empty()) {
        void* packet = v.PacketAt(ownPacketOffset_);
        if (packet) {
            const auto* fx = effect_.table<vt_IKvPacketEffect>();
            for (const ResolvedLayer& l : layers_) {
                float cur[3] = {0, 0, 0}, pat[3];
                fx->Get(effect_.get(), l.index, packet, cur, item_->ptr());
                l.pattern.Evaluate(v, pat);
                for (uint32_t c = 0; c < l.count; ++c) cur[c] += (pat[c] - cur[c]) * l.opacity;
                fx->Set(effect_.get(), l.index, packet, cur, item_->ptr());
            }
        }
    }
    m->ShaderEvaluate(material_.get(), v.ptr(), rayObject, &sc, &out, block_);
    const int32_t imbalance = v.pool->NestedImbalance(mark);
    if (imbalance != 0) [[unlikely]]
        v.pool->RestoreNested(mark);
    return imbalance;
}

bool MaterialRoad::DrawsInTextureCoordinates() const {
    if (!asksTextureInput_ || !item_) return false;
    const int32_t i = item_->ChannelIndex("screenCoords");
    if (i < 0) return true;
    return item_->drivers()[uint32_t(i)] < 0 && item_->Value("screenCoords") == 0;
}

std::vector<ChannelUIRecord> MaterialRoad::ProbeChannelUI() const {
    std::vector<ChannelUIRecord> out;
    if (!channelUI_ || !item_) return out;
    const auto* ui = channelUI_.table<vt_IKvChannelUI>();
    for (const Channel& ch : item_->channels()) {
        ChannelUIRecord r;
        r.channel = ch.name;
        auto* rec = new UIRecorder(session_.scene());
        r.enabled = ui->Enabled(channelUI_.get(), ch.name.c_str(), rec->messagePtr(), item_->ptr(), rec->channelReadPtr());
        r.dependencyCountResult = ui->DependencyCount(channelUI_.get(), ch.name.c_str(), &r.dependencyCount);
        for (uint32_t i = 0; KV_SUCCEEDED(r.dependencyCountResult) && i < r.dependencyCount && i < 64; ++i) {
            ChannelUIRecord::Dependency d{KV_OK, 0, ""};
            const char* dep = nullptr;
            d.result = ui->DependencyByIndex(channelUI_.get(), ch.name.c_str(), i, &d.itemType, &dep);
            d.channel = dep ? dep : "";
            r.dependencies.push_back(d);
        }
        r.hintsResult = ui->UIHints(channelUI_.get(), ch.name.c_str(), rec->hintsPtr());
        r.messageCode = rec->code;
        r.messageTable = rec->table;
        r.messageEntry = rec->entry;
        r.messageArg1 = rec->arg1;
        r.hintFlags = rec->hintFlags;
        rec->ReleaseOwned();
        out.push_back(std::move(r));
    }
    return out;
}

}  // namespace kvh
