// The host services found from the root context by GUID, and the root
// context itself. The Session makes one of each; tests reach them through
// Session accessors to inspect records or inject behaviour.
//
// QueryInterface on the root context answers the GUID service
// (B11826F1-A6BC-48B4-909B-5F6D01938327), ThreadService, PacketService,
// SceneService, NodalService, ListenerService, ShaderService,
// StdDialogService and ImageService with one reference each; any other GUID is refused with
// KV_E_NOINTERFACE and a null out-pointer.
#pragma once

#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "core/host_object.h"
#include "core/pattern.h"
#include "core/sample_vector.h"

namespace kvh {

class Session;
class SceneItem;

// The GUID service's own GUID (it has no named constant in the ABI).
extern const st_KVtGUID kGuidServiceGuid;

// Parses "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX" (either case); false on any
// other text.
bool ParseGuid(const char* text, st_KVtGUID* out);
std::string FormatGuid(const st_KVtGUID& g);

class GuidService final : public HostObject {
public:
    GuidService();
    void* Query(const st_KVtGUID& iid) override;
    // Slot 3: the host record of a well-formed GUID text (interned), else null.
    const st_KVtGUID* FromText(const char* text);
    // Slot 6: the host record equal in value to a known or interned GUID.
    const st_KVtGUID* Canonical(const st_KVtGUID* g);

private:
    ~GuidService() override = default;
    const st_KVtGUID* Find(const st_KVtGUID& g) const;
    mutable std::mutex mutex_;
    std::deque<st_KVtGUID> records_;  // stable addresses
    ComInterface iface_;
};

class ThreadService final : public HostObject {
public:
    ThreadService();
    void* Query(const st_KVtGUID& iid) override;

private:
    ~ThreadService() override = default;
    ComInterface iface_;
};

class PacketService final : public HostObject {
public:
    explicit PacketService(Session& session);
    void* Query(const st_KVtGUID& iid) override;
    Session& session() { return session_; }

private:
    ~PacketService() override = default;
    Session& session_;
    ComInterface iface_;
};

// While one lives, the packet names that PacketService slot 4 is asked for
// on the calling thread (a material being made and linked) are kept.
class PacketLookupLog {
public:
    PacketLookupLog();
    ~PacketLookupLog();
    PacketLookupLog(const PacketLookupLog&) = delete;
    PacketLookupLog& operator=(const PacketLookupLog&) = delete;
    bool Asked(const std::string& name) const;
    void Add(const char* name) { names_.emplace_back(name); }

private:
    std::vector<std::string> names_;
    PacketLookupLog* outer_;
};

class SceneService final : public HostObject {
public:
    SceneService();
    void* Query(const st_KVtGUID& iid) override;
    // Registers a type name (idempotent); codes start at 1.
    uint32_t Register(const std::string& typeName);
    // 0 when the type is not registered.
    uint32_t Lookup(const std::string& typeName) const;

private:
    ~SceneService() override = default;
    mutable std::mutex mutex_;
    std::map<std::string, uint32_t> codes_;
    ComInterface iface_;
};

// Identifies the sample being evaluated (the evaluator argument of
// cmt_MaterialEvaluate and NodalService slots 5 and 6). One per VectorPool.
class Evaluator final : public HostObject {
public:
    Evaluator();
    void* Query(const st_KVtGUID& iid) override;
    vt_IKvUnknown** ptr() { return iface_.ptr(); }
    static Evaluator* From(vt_IKvUnknown** p);
    SampleVector* current = nullptr;

private:
    friend class VectorPool;
    ~Evaluator() override = default;
    ComInterface iface_;
};

// A per-sample driver: one component of a pattern.
struct Driver {
    Pattern pattern;
    uint32_t component = 0;
};

class NodalService final : public HostObject {
public:
    explicit NodalService(Session& session);
    void* Query(const st_KVtGUID& iid) override;

    // Adds a driver; returns its id (what the host writes into index arrays).
    int32_t AddDriver(const Driver& d);
    const std::vector<Driver>& drivers() const { return drivers_; }
    // Value of driver `id` at a sample (0 for a bad id).
    double DriverValue(int32_t id, const SampleVector* v) const;
    // Slot 3 calls seen (item channel index, mode), for tests.
    struct Registration {
        uint32_t channel;
        int32_t mode;
    };
    std::vector<Registration> registrations;
    // When set (single-threaded tests), every slot 5 and 6 call appends the
    // item channel it asks for, in call order.
    std::vector<uint32_t>* valueReads = nullptr;

    Session& session() { return session_; }

private:
    ~NodalService() override = default;
    Session& session_;
    std::vector<Driver> drivers_;  // fixed before shading
    ComInterface iface_;
};

class ListenerService final : public HostObject {
public:
    ListenerService();
    void* Query(const st_KVtGUID& iid) override;

    // Slot 4 / 5: add (one reference kept) and remove (released).
    KvResult Add(vt_IKvUnknown** listener);
    KvResult Remove(vt_IKvUnknown** listener);
    // Sends ItemAdd (slot 9) to every registered listener.
    void SendItemAdd(vt_IKvUnknown** item);
    size_t count() const;
    // Releases listeners still registered (at session end, before unloading).
    void ReleaseAll();

private:
    ~ListenerService() override;
    mutable std::mutex mutex_;
    std::vector<vt_IKvUnknown**> listeners_;
    ComInterface iface_;
};

// Monitor objects and the record of StdDialogService calls.
class StdDialogService final : public HostObject {
public:
    StdDialogService();
    void* Query(const st_KVtGUID& iid) override;

    struct Event {
        enum Kind { Open, Close } kind;
        std::string title;
    };
    std::vector<Event> events() const;
    int openMonitors() const;
    // Tests: slot 4 fails while set.
    bool failAllocate = false;

    void Record(Event e);

private:
    ~StdDialogService() override = default;
    mutable std::mutex mutex_;
    std::vector<Event> events_;
    int open_ = 0;
    ComInterface iface_;
};

// A progress monitor (no slot is called on it).
HostObject* NewMonitor();

// ImageFilter slot 4 hands its monitor here. The right one is the monitor
// that StdDialogService slot 4 opened on the calling thread and slot 5 has
// not ended yet, or none when no monitor is open; any other (a monitor
// already ended, an object that is no monitor, none while one is open) is
// counted (process wide).
void CheckFilterMonitor(vt_IKvUnknown** monitor);
int64_t WrongMonitors();

// The image service: served so that materials can hold it; it has no slot of
// its own that a plug-in calls (images come from clips' image filters).
class ImageService final : public HostObject {
public:
    ImageService();
    void* Query(const st_KVtGUID& iid) override;

private:
    ~ImageService() override = default;
    ComInterface iface_;
};

class ShaderService final : public HostObject {
public:
    ShaderService();
    void* Query(const st_KVtGUID& iid) override;

    // Slot 12 source: by default a hash of (pixel, sample index, call number)
    // so each call gives a new pair, the same for the same pixel and sample.
    using RandomFn = void (*)(void* user, const SampleHeader& h, uint32_t call, float* u, float* v);
    // Slot 6 warp: by default concentric square-to-disc.
    using WarpFn = void (*)(void* user, float* u, float* v);
    void SetRandomSource(RandomFn fn, void* user) {
        random_ = fn;
        randomUser_ = user;
    }
    void SetWarp(WarpFn fn, void* user) {
        warp_ = fn;
        warpUser_ = user;
    }

    static void DefaultRandom(void*, const SampleHeader& h, uint32_t call, float* u, float* v);
    static void SquareToDisc(void*, float* u, float* v);

    void Next(SampleVector* v, float* u, float* w);
    void Warp(float* u, float* v) { warp_(warpUser_, u, v); }

private:
    ~ShaderService() override = default;
    RandomFn random_ = &DefaultRandom;
    void* randomUser_ = nullptr;
    WarpFn warp_ = &SquareToDisc;
    void* warpUser_ = nullptr;
    ComInterface iface_;
};

class RootContext final : public HostObject {
public:
    explicit RootContext(Session& session);
    void* Query(const st_KVtGUID& iid) override;
    vt_IKvUnknown** ptr() { return iface_.ptr(); }

private:
    ~RootContext() override = default;
    Session& session_;
    ComInterface iface_;
};

}  // namespace kvh
