// Host objects that hand out channel data: envelopes and keyframes,
// gradient filters, matrices, and the per-road Evaluation / Attributes /
// AddChannel objects. Internal to the host library; tests may use them.
#pragma once

#include <vector>

#include "core/host_object.h"
#include "core/matrix.h"
#include "core/scene.h"

namespace kvh {

class Envelope final : public HostObject {
public:
    Envelope();
    void* Query(const st_KVtGUID& iid) override;
    vt_IKvUnknown** ptr() { return env_.ptr(); }
    std::vector<Key> keys;
    // A second key at the same input replaces the first.
    void AddKey(double input, double value);
    int32_t lastKey = -1;
    ComInterface env_;
    ComInterface keyframe_;

private:
    ~Envelope() override = default;
};

// A fresh copy of a matrix each time (plug-ins invert it in place).
HostObject* NewMatrix(const Mat4& m);
vt_IKvUnknown** MatrixPtr(HostObject* m);
// A gradient over a snapshot of keys, or an override function.
HostObject* NewGradientFilter(std::vector<Key> keys, double fallback, Scene::GradientFn fn, void* user);

// Scene-owned access objects for Scene slots 13 and 24.
HostObject* NewChannelWriteAccess(Scene& scene);
HostObject* NewChannelReadAccess(Scene& scene);
HostObject* NewItemGraph(Scene& scene);

// Records AddChannel calls and builds the channel list from them.
class ChannelBuilder final : public HostObject {
public:
    ChannelBuilder();
    void* Query(const st_KVtGUID& iid) override;
    vt_IKvUnknown** ptr() { return iface_.ptr(); }
    // Channels with RGB channels expanded into their components.
    std::vector<Channel> Build() const;
    std::vector<std::string> warnings;

    struct Pending {
        Channel ch;
        bool rgb = false;
        double rgbDefault[3] = {0, 0, 0};
    };
    std::vector<Pending> pending;
    ComInterface iface_;

private:
    ~ChannelBuilder() override = default;
};

// Evaluation (slot 3) and Attributes (slots 9, 10, 12) over one list of
// evaluated channels.
class Evaluation final : public HostObject {
public:
    explicit Evaluation(Scene& scene);
    void* Query(const st_KVtGUID& iid) override;
    vt_IKvUnknown** evaluationPtr() { return eval_.ptr(); }
    vt_IKvUnknown** attributesPtr() { return attr_.ptr(); }
    struct Entry {
        SceneItem* item;
        uint32_t channel;
        uint32_t mode;
    };
    std::vector<Entry> entries;
    Scene& scene;
    ComInterface eval_;
    ComInterface attr_;

private:
    ~Evaluation() override = default;
};

// Records the calls of Message, UIHints and ChannelRead used by ChannelUI.
class UIRecorder final : public HostObject {
public:
    explicit UIRecorder(Scene& scene);
    void* Query(const st_KVtGUID& iid) override;
    vt_IKvUnknown** messagePtr() { return msg_.ptr(); }
    vt_IKvUnknown** hintsPtr() { return hints_.ptr(); }
    vt_IKvUnknown** channelReadPtr() { return read_.ptr(); }
    KvResult code = 0;
    std::string table;
    uint32_t entry = 0;
    std::string arg1;
    std::vector<int32_t> hintFlags;
    Scene& scene;
    ComInterface msg_;
    ComInterface hints_;
    ComInterface read_;

private:
    ~UIRecorder() override = default;
};

}  // namespace kvh
