// Session: services, plug-in loading and packet registration.
#include "core/session.h"

#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

#ifndef KV_HOST_PLUGIN_DIR
#define KV_HOST_PLUGIN_DIR ""
#endif

namespace kvh {

namespace fs = std::filesystem;

std::string ServerInfo::Tag(const std::string& type) const {
    for (const auto& [t, v] : tags)
        if (t == type) return v;
    return "";
}

PluginLibrary::~PluginLibrary() {
    ReleaseModule();
    if (handle_) dlclose(handle_);
}

void PluginLibrary::ReleaseModule() { module_.Reset(); }

const ServerInfo* PluginLibrary::FindServer(const std::string& name) const {
    for (const auto& s : servers_)
        if (s.name == name) return &s;
    return nullptr;
}

KvResult PluginLibrary::Generate(const std::string& name, ComRef* out, HostError* err) const {
    const ServerInfo* s = FindServer(name);
    auto fail = [&](KvResult code, std::string msg) {
        if (err) *err = {code, path_ + ": " + msg};
        return code;
    };
    if (!s) return fail(KV_E_NOTFOUND, "no server named '" + name + "'");
    if (!module_) return fail(KV_E_FAILED, "module already released");
    void* obj = nullptr;
    const auto* mod = module_.table<vt_IKvModule>();
    KvResult rc = mod->Generate(module_.get(), s->name.c_str(), s->hasGuid ? &s->defaultGuid : &kv::guid_Unknown, &obj);
    if (KV_FAILED(rc) || !obj) {
        std::ostringstream m;
        m << "server '" << name << "' failed to generate" << (rc == KV_E_OUTOFMEMORY ? ": out of memory" : "")
          << " (code 0x" << std::hex << uint32_t(rc) << ")";
        return fail(KV_FAILED(rc) ? rc : KV_E_FAILED, m.str());
    }
    out->Reset(obj);
    return KV_OK;
}

Session::Session()
    : root_(new RootContext(*this)),
      guids_(new GuidService()),
      threads_(new ThreadService()),
      packets_(new PacketService(*this)),
      sceneTypes_(new SceneService()),
      nodal_(new NodalService(*this)),
      listeners_(new ListenerService()),
      dialogs_(new StdDialogService()),
      shading_(new ShaderService()),
      images_(new ImageService()),
      scene_(new Scene(*sceneTypes_)) {
    scene_->itemAdded = [this](SceneItem* item) { listeners_->SendItemAdd(item->ptr()); };
}

Session::~Session() {
    // Plug-in objects first: packet servers, listeners still registered,
    // then each module's reference; the libraries close last.
    packetServers_.clear();
    listeners_->ReleaseAll();
    for (auto& p : plugins_) p->ReleaseModule();
    scene_->Clear();
    scene_->ReleaseOwned();
    for (HostObject* o : std::initializer_list<HostObject*>{images_, shading_, dialogs_, listeners_, nodal_, sceneTypes_,
                                                          packets_, threads_, guids_, root_})
        o->ReleaseOwned();
    plugins_.clear();
}

void Session::Warn(std::string text) {
    std::lock_guard<std::mutex> lock(warnMutex_);
    warnings_.push_back(std::move(text));
}

std::vector<std::string> Session::warnings() const {
    std::lock_guard<std::mutex> lock(warnMutex_);
    return warnings_;
}

const PacketLayout& Session::Layout() {
    if (!layoutFixed_.load(std::memory_order_acquire)) layoutFixed_.store(true, std::memory_order_release);
    return layout_;
}

std::string Session::FindPluginFile(const std::string& name, const std::vector<std::string>& extraDirs) {
    std::error_code ec;
    fs::path p(name);
    if (p.has_parent_path() || p.is_absolute()) return fs::exists(p, ec) ? p.string() : "";
    std::vector<std::string> dirs = extraDirs;
    if (const char* env = std::getenv("KV_PLUGIN_PATH")) {
        std::stringstream ss(env);
        std::string d;
        while (std::getline(ss, d, ':'))
            if (!d.empty()) dirs.push_back(d);
    }
    if (*KV_HOST_PLUGIN_DIR) dirs.push_back(KV_HOST_PLUGIN_DIR);
    for (const auto& d : dirs) {
        fs::path c = fs::path(d) / name;
        if (fs::exists(c, ec)) return c.string();
    }
    return "";
}

PluginLibrary* Session::LoadPlugin(const std::string& name, HostError* err, const std::vector<std::string>& extraDirs) {
    HostError local;
    HostError& e = err ? *err : local;
    auto fail = [&](KvResult code, std::string msg) -> PluginLibrary* {
        e = {code, std::move(msg)};
        return nullptr;
    };
    std::string path = FindPluginFile(name, extraDirs);
    if (path.empty()) return fail(KV_E_NOTFOUND, "plug-in '" + name + "' not found in the plug-in search path");
    std::error_code ec;
    std::string canon = fs::weakly_canonical(path, ec).string();
    for (auto& p : plugins_)
        if (p->path_ == canon) return p.get();

    std::unique_ptr<PluginLibrary> lib(new PluginLibrary());
    lib->path_ = canon;
    lib->handle_ = dlopen(canon.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!lib->handle_) {
        const char* why = dlerror();
        return fail(KV_E_FAILED, canon + ": not a loadable library (" + (why ? why : "unknown") + ")");
    }
    auto create = reinterpret_cast<KvModuleCreateFn>(dlsym(lib->handle_, KV_MODULE_ENTRY_NAME));
    if (!create) return fail(KV_E_NOTFOUND, canon + ": no entry point " KV_MODULE_ENTRY_NAME);
    void* module = create();
    if (!module) return fail(KV_E_FAILED, canon + ": " KV_MODULE_ENTRY_NAME " returned null (registration failed)");
    lib->module_.Reset(module);

    ComRef tags = lib->module_.Query(kv::guid_TagDescription);
    if (!tags) return fail(KV_E_NOINTERFACE, canon + ": the module has no TagDescription");
    ComRef need = lib->module_.Query(kv::guid_NeedContext);
    if (need) {
        root_->AddRef();  // the module owns this reference
        KvResult rc = need.table<vt_IKvNeedContext>()->SetContext(need.get(), root_->ptr());
        if (KV_FAILED(rc)) {
            root_->Release();
            return fail(rc, canon + ": SetContext failed");
        }
    }
    const auto* td = tags.table<vt_IKvTagDescription>();
    uint32_t n = td->Count(tags.get());
    for (uint32_t i = 0; i < n; ++i) {
        st_KVtTagInfoDesc row{};
        if (KV_FAILED(td->Describe(tags.get(), i, &row)) || !row.type || std::strcmp(row.type, "server") != 0 ||
            !row.info)
            continue;
        ServerInfo s;
        s.name = row.info;
        if (row.ptr) {
            s.defaultGuid = *static_cast<const st_KVtGUID*>(row.ptr);
            s.hasGuid = true;
        }
        lib->servers_.push_back(std::move(s));
    }
    // Static tags of each server, and registration of sample packets.
    for (ServerInfo& s : lib->servers_) {
        ComRef obj;
        HostError ge;
        if (KV_FAILED(lib->Generate(s.name, &obj, &ge))) {
            Warn(ge.message);
            continue;
        }
        ComRef st = obj.Query(kv::guid_TagDescription);
        if (st) {
            const auto* t = st.table<vt_IKvTagDescription>();
            uint32_t c = t->Count(st.get());
            for (uint32_t i = 0; i < c && i < 256; ++i) {
                st_KVtTagInfoDesc row{};
                if (KV_SUCCEEDED(t->Describe(st.get(), i, &row)) && row.type)
                    s.tags.emplace_back(row.type, row.info ? row.info : "");
            }
        }
        if (s.Tag("vpacket.category") != "sample") continue;
        ComRef pkt = obj.Query(kv::guid_VectorPacket);
        if (!pkt) {
            Warn(canon + ": packet server '" + s.name + "' has no VectorPacket interface");
            continue;
        }
        if (layoutFixed()) {
            Warn(canon + ": packet '" + s.name + "' loaded after the sample layout was fixed; not registered");
            continue;
        }
        uint32_t size = pkt.table<vt_IKvVectorPacket>()->Size(pkt.get());
        if (!layout_.AddPluginPacket(s.name, size, pkt.get())) {
            Warn(canon + ": packet '" + s.name + "' refused (duplicate name or bad size " + std::to_string(size) + ")");
            continue;
        }
        packetServers_.push_back(std::move(pkt));
    }
    plugins_.push_back(std::move(lib));
    return plugins_.back().get();
}

}  // namespace kvh
